// The Browse screen's CSV export, through its menu as a user would: the file handed to another app
// byte for byte, the mail with its subject and attachment, the progress lines, a filtered export and
// its row order, a write that fails, a workspace larger than the grid shows, and the private folder.
#include "BrowseFixture.h"

#include "app/BrowseExport.h"
#include "platform/ui/Environment.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t at; (at = text.find('\n', start)) != std::string::npos; start = at + 1)
        out.push_back(text.substr(start, at - start));
    return out;
}

// A column numbered 0 to n - 1 holding its row numbers.
ColumnSpec numbered(const std::string& name, int rows) {
    ColumnSpec c{name, {}, 3};
    for (int r = 1; r <= rows; ++r)
        c.texts.push_back(std::to_string(r));
    return c;
}

class BrowseExportTest : public BrowseTest {
  protected:
    // The export menu from the share item, and the titles of its actions.
    std::vector<std::string> openMenu() {
        driver->tap(browse->shareButton().view().get());
        host->drain();
        auto* sheet = dynamic_cast<ui::AlertController*>(browse->presentedViewController());
        if (!sheet)
            return {};
        EXPECT_EQ(sheet->title(), "Export dataset as text file.");
        EXPECT_EQ(sheet->preferredStyle(), ui::AlertControllerStyle::ActionSheet);
        std::vector<std::string> titles;
        for (const auto& a : sheet->actions())
            titles.push_back(a.title);
        return titles;
    }
    void exportBy(const std::string& action) {
        openMenu();
        ASSERT_NE(driver->tapText(action), nullptr) << action;
        // A long export under the sanitizers takes more than the usual wait.
        ASSERT_TRUE(host->runUntil([&] { return !browse->isBusy(); }, 120));
        host->drain();
    }
};

TEST_F(BrowseExportTest, OpenInHandsOverTheFileAsAnOutsideCsvWriterWritesIt) {
    // Expected bytes: tests/fixtures/csv/browse-export.py (Python's csv module).
    openWorkspace({{"Name", {"Ann", "Bob, Jr.", ""}, 1},
                   {"Note, with comma", {"said \"hi\"", "line one\nline two", ""}, 1},
                   {"Dropped", {"x", "y", "z"}, 1},
                   {"Qty", {"3", "", "4.5"}, 3},
                   {"Said", {"yes", "no", "a \"quoted\", text"}, 1}},
                  "people.ov");
    // A removed column leaves a gap in the numbers: each field still lands under its own name.
    model().removeColumn(*columnNamed("Dropped"));
    show();
    exportBy("Open full data in...");
    ASSERT_EQ(launcher.opened.size(), 1u);
    const fs::path file = launcher.opened[0];
    EXPECT_EQ(file.filename(), "people.csv");
    EXPECT_EQ(file.parent_path(), fs::path(ui::Environment::shared().temporaryFolder));
    // The folder is the process's private one.
    EXPECT_EQ(fs::status(file.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(readFile(file), readFile("tests/fixtures/csv/browse-export.csv"));
    EXPECT_TRUE(mail.sent.empty());
    EXPECT_EQ(tabsEnabled(), std::vector<bool>(5, true));
    EXPECT_TRUE(browse->shareButton().isEnabled());
    EXPECT_TRUE(browse->editButton().isEnabled());
    EXPECT_EQ(browse->overlay(), nullptr);
}

TEST_F(BrowseExportTest, MailCarriesTheFileNamedAfterTheWorkspace) {
    openWorkspace({{"Region", {"North", "South"}, 1}, {"Total", {"10", "12"}, 3}}, "sales.ov");
    show();
    exportBy("Email full data");
    ASSERT_EQ(mail.sent.size(), 1u);
    const host::MailMessage& m = mail.sent[0];
    EXPECT_EQ(m.subject, "Ovrida: sales");
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(fs::path(m.attachments[0]).filename(), "sales.csv");
    EXPECT_EQ(readFile(m.attachments[0]), "Region,Total\nNorth,10\nSouth,12\n");
    std::string error;
    const std::string eml = host::EmlMailService::compose(m, error);
    EXPECT_NE(eml.find("Content-Type: text/csv; name=\"sales.csv\""), std::string::npos);
    // No mail program took it (the recording service hands nothing over): the user is told where it is.
    EXPECT_EQ(driver->text("alertTitle"), "Message Saved");
    EXPECT_TRUE(launcher.opened.empty());
}

TEST_F(BrowseExportTest, TheMenuOffersTheFilteredExportsOnlyWithAFilter) {
    openWorkspace({numbered("n", 5)});
    show();
    EXPECT_EQ(openMenu(), (std::vector<std::string>{"Cancel", "Email full data", "Open full data in..."}));
    driver->tapText("Cancel");
    host->drain();
    EXPECT_EQ(browse->presentedViewController(), nullptr);
    browse->where(WhereClauseObj(0, FilterGreater, "2"));
    host->drain();
    EXPECT_EQ(openMenu(), (std::vector<std::string>{"Cancel", "Email full data", "Email filtered data",
                                                    "Open full data in...", "Open filtered data in..."}));
    driver->tapText("Cancel");
    host->drain();
    // Nothing is offered while editing: the export writes what is stored, not what is typed.
    tapEdit();
    EXPECT_FALSE(browse->shareButton().isEnabled());
}

TEST_F(BrowseExportTest, ProgressEveryHundredLinesAndAFilteredExportWritesItsRowsAscending) {
    openWorkspace({numbered("n", 300), {"half", {}, 1}});
    show();
    std::vector<std::string> shown;
    browse->setProgressHook([&](const std::string& text) { shown.push_back(text); });

    // Unfiltered, 250 of the rows: two progress lines.
    model().managedObjectContext()->deleteObjects("Cell", "\"rowNum\" > 250");
    model().managedObjectContext()->deleteObjects("Row", "\"num\" > 250");
    model().saveContext();
    exportBy("Open full data in...");
    EXPECT_EQ(shown, (std::vector<std::string>{"Exporting dataset...", "Exporting dataset...\nLine 100 of 250",
                                               "Exporting dataset...\nLine 200 of 250"}));
    EXPECT_EQ(linesOf(readFile(launcher.opened.back())).size(), 251u);

    // Filtered to three rows: three data lines and no progress line.
    shown.clear();
    browse->where(WhereClauseObj(0, FilterIn, std::nullopt, {"7", "150", "250"}));
    host->drain();
    exportBy("Open filtered data in...");
    EXPECT_EQ(shown, std::vector<std::string>{"Exporting dataset..."});
    EXPECT_EQ(linesOf(readFile(launcher.opened.back())), (std::vector<std::string>{"n,half", "7,", "150,", "250,"}));

    // The writing step puts rows given out of order in ascending order.
    Model background;
    background.setPersistentStoreCoordinator(model().persistentStoreCoordinator());
    background.setManagedObjectContext(std::make_shared<store::Context>(model().persistentStoreCoordinator()));
    const std::string out = path("order.csv");
    int progress = 0;
    EXPECT_FALSE(writeWorkspaceCSV(background, out, std::vector<int64_t>{250, 7, 150},
                                   [&](int64_t, int64_t) { ++progress; }));
    EXPECT_EQ(linesOf(readFile(out)), (std::vector<std::string>{"n,half", "7,", "150,", "250,"}));
    EXPECT_EQ(progress, 0);
}

TEST_F(BrowseExportTest, AFailedWriteSendsNothingLeavesNoFileAndSaysWhy) {
    openWorkspace({numbered("n", 400), numbered("m", 400)}, "big.ov");
    show();
    // Writes beyond 200 bytes fail (and do not end the process).
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 200;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    exportBy("Email full data");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(mail.sent.empty());
    EXPECT_EQ(driver->text("alertTitle"), "Export Failed");
    EXPECT_FALSE(driver->text("alertMessage").empty());
    EXPECT_FALSE(fs::exists(fs::path(ui::Environment::shared().temporaryFolder) / "big.csv"));
    driver->tapText("OK");
    host->drain();
    EXPECT_EQ(tabsEnabled(), std::vector<bool>(5, true));
    EXPECT_TRUE(browse->shareButton().isEnabled());
}

TEST_F(BrowseExportTest, TheExportIsNotBoundByTheGridsCellLimit) {
    openWorkspace({numbered("a", 4000), numbered("b", 4000), numbered("c", 4000)});
    show();
    // The grid shows the first 10,000 cells: the last row it shows is cut short.
    ASSERT_EQ(grid().numberOfSections(), 3335);
    EXPECT_EQ(grid().numberOfItemsInSection(3334), 2);
    exportBy("Open full data in...");
    const auto lines = linesOf(readFile(launcher.opened.back()));
    ASSERT_EQ(lines.size(), 4001u);
    EXPECT_EQ(lines.back(), "4000,4000,4000");
}

// Rows spanning two runs of rows (whose cells share records), a column with gaps, and a second cell
// at a taken place (kept apart from the records): every way of choosing rows writes each line as the
// row reads on its own, whether its run is read straight from the records or through a query.
TEST_F(BrowseExportTest, EachLineIsTheRowAsReadAloneWhateverRunsTheRowsFallIn) {
    constexpr int kRows = 5000;
    ColumnSpec gaps{"gaps", {}, 1};
    for (int r = 1; r <= kRows; ++r)
        gaps.texts.push_back(r % 3 ? "g" + std::to_string(r) : "");
    openWorkspace({numbered("n", kRows), gaps, {"word, quoted", std::vector<std::string>(kRows, "a \"b\", c"), 1}});
    show();
    Model background;
    background.setPersistentStoreCoordinator(model().persistentStoreCoordinator());
    background.setManagedObjectContext(std::make_shared<store::Context>(model().persistentStoreCoordinator()));

    // The row as read alone, one query for the row, its fields as the writer quotes them.
    auto rowAlone = [&](int64_t row) {
        store::FetchRequest request{Cell::entityName, "\"rowNum\" = ?", {store::Value(row)}, {{"colNum", true}}, 0};
        std::vector<std::string> fields(3);
        const auto& context = background.managedObjectContext();
        const auto colNums = context->fetchValues(request, "colNum", false);
        const auto texts = context->fetchValues(request, "data", false);
        for (size_t i = 0; i < colNums.size(); ++i) {
            const auto k = static_cast<size_t>(store::asInt(colNums[i]).value_or(-1));
            if (k < fields.size() && std::get_if<std::string>(&texts[i]))
                fields[k] = std::get<std::string>(texts[i]);
        }
        std::string line;
        for (size_t k = 0; k < fields.size(); ++k) {
            std::string field = fields[k];
            if (field.find_first_of(",\"") != std::string::npos) {
                std::string q = "\"";
                for (char c : field)
                    q += c == '"' ? std::string("\"\"") : std::string(1, c);
                field = q + "\"";
            }
            line += (k ? "," : "") + field;
        }
        return line;
    };
    struct Case {
        const char* name;
        std::optional<std::vector<int64_t>> rows;
        std::vector<int64_t> expected; // the rows written, in order
    };
    const Case cases[] = {
        {"every row", std::nullopt, {}},
        {"both sides of the runs' border, unsorted, twice", std::vector<int64_t>{5000, 4096, 1, 4095, 7, 4096},
         {1, 7, 4095, 4096, 5000}},
        {"the second run only", std::vector<int64_t>{4100, 4097}, {4097, 4100}},
        {"a row past the last", std::vector<int64_t>{6, 9000}, {6, 9000}},
        {"no row", std::vector<int64_t>{}, {}},
    };
    auto check = [&](const char* when) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(when) + ": " + c.name);
            const std::string out = path("runs.csv");
            ASSERT_FALSE(writeWorkspaceCSV(background, out, c.rows, nullptr));
            std::vector<std::string> expected{"n,gaps,\"word, quoted\""};
            // Every row: as many as the workspace counts (the second cell's row is counted too).
            std::vector<int64_t> rows = c.expected;
            for (auto r = static_cast<int64_t>(rows.size()) + 1; !c.rows && r <= int64_t(background.countRows()); ++r)
                rows.push_back(r);
            for (int64_t r : rows)
                expected.push_back(rowAlone(r));
            const auto lines = linesOf(readFile(out));
            EXPECT_EQ(lines.size(), expected.size());
            // The first line that differs, rather than thousands.
            const auto part = std::mismatch(lines.begin(), lines.end(), expected.begin(), expected.end());
            if (part.first != lines.end() && part.second != expected.end()) {
                ADD_FAILURE() << "line " << (part.first - lines.begin()) << ": " << *part.first << " instead of "
                              << *part.second;
            }
        }
    };
    check("all cells in records");
    EXPECT_EQ(rowAlone(9), "9,,\"a \"\"b\"\", c\"");
    EXPECT_EQ(rowAlone(9000), ",,");

    // A second cell at row 7's first column is kept apart: the first run is read by a query now.
    model().addRow(7, {"again"}, {model().columns()[0]});
    model().saveContext();
    background.managedObjectContext()->reset();
    check("a cell kept apart in the first run");
}

} // namespace
