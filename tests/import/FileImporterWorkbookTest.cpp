// The importer's workbook roads: "xlsx" and "xls" sheets into a workspace, the sheet position, "." as the
// decimal separator, the row limit, and every failure ending with its code.
#include "import/FileImporter.h"

#include "model/Model.h"
#include "platform/foundation/DateFormatter.h"
#include "tests/import/XlsWorkbook.h"
#include "tests/import/XlsxPackage.h"
#include "tests/model/StoreFixture.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace {

class Events final : public FileImporterDelegate {
  public:
    explicit Events(Model& model) : model(model) {}
    void importerDidStartDocument(FileImporter&, const std::string&) override { events.push_back("start"); }
    void importerDidCompleteLineNumber(FileImporter&, std::uint64_t, std::uint64_t) override {
        ++progress;
        model.saveContext();
        model.managedObjectContext()->reset();
    }
    void importerDidCompleteParsing(FileImporter&, const std::string&) override {
        events.push_back("parsed");
    }
    void importerDidCompleteDocument(FileImporter&, const std::string&, const ImportError& e) override {
        events.push_back("complete " + std::to_string(e.code));
        error = e;
        model.saveContext();
    }
    Model& model;
    std::vector<std::string> events;
    int progress = 0;
    ImportError error;
};

class FileImporterWorkbook : public StoreTest {
  protected:
    using Strings = std::vector<std::string>;

    void import(const std::string& file, bool header = true, std::uint64_t sheet = 0) {
        model = mainModel();
        model->openStore(path("W" + std::to_string(++count) + ".ov"));
        model->setWritesWithoutSync(true);
        events = std::make_unique<Events>(*model);
        FileImporter importer;
        importer.setModel(model.get());
        importer.setDelegate(events.get());
        importer.createWorkspaceFromText(file, header, sheet, U';', ",");
    }
    Strings names() {
        Strings out;
        for (const auto& c : model->columns())
            out.push_back(c->name());
        return out;
    }
    Strings row(std::uint64_t num) {
        auto r = model->rowNumber(num);
        if (!r)
            return {"<no row>"};
        Strings out(model->countColumns());
        for (const auto& cell : model->cellsForRow(*r)) {
            const auto col = cell->colNum().value_or(-1);
            if (col >= 0 && static_cast<std::size_t>(col) < out.size())
                out[static_cast<std::size_t>(col)] = cell->data();
        }
        return out;
    }

    int count = 0;
    std::unique_ptr<Model> model;
    std::unique_ptr<Events> events;
};

std::string day(double serial, bool withTime = false) {
    return foundation::DateFormatter::fromTemplate(withTime ? "MM/dd/yyyy HH:mm" : "MM/dd/yyyy", {}, "UTC")
        .format((serial - 25569) * 86400);
}

TEST_F(FileImporterWorkbook, XlsxSheetBecomesColumnsAndRows) {
    import("tests/fixtures/xlsx/xlsxwriter_basic.xlsx");
    EXPECT_EQ(events->events, (Strings{"start", "parsed", "complete -1"}));
    EXPECT_EQ(names(), (Strings{"name", "amount", "when", "flag", "note", "stamp", "custom"}));
    EXPECT_EQ(model->countRows(), 5u);
    EXPECT_EQ(row(1),
              (Strings{"Ann", "1", day(43831), "1", "plain", day(43831.5, true), "rich runs joined"}));
    EXPECT_EQ(row(4)[0], "");
    EXPECT_EQ(model->metadataValueForKey("decimalSeparator"), ".") << "workbooks write numbers with '.'";
    // The second sheet by its position.
    import("tests/fixtures/xlsx/openpyxl_basic.xlsx", false, 1);
    EXPECT_EQ(names(), (Strings{"Var1"}));
    EXPECT_EQ(row(1), (Strings{"other"}));
}

TEST_F(FileImporterWorkbook, XlsSheetBecomesColumnsAndRows) {
    import("tests/fixtures/xls/xlwt_basic.xls");
    EXPECT_EQ(events->events, (Strings{"start", "parsed", "complete -1"}));
    EXPECT_EQ(names(), (Strings{"int", "float", "text", "date", "flag", "err", "money"}));
    EXPECT_EQ(row(1), (Strings{"1", "1.5", "alpha", day(43831), "1", "#DIV/0!", "12.5"}));
    EXPECT_EQ(row(2)[1], "0.1");
    EXPECT_EQ(row(2)[2], "été 日本");
    EXPECT_EQ(row(2)[5], "#N/A");
    EXPECT_EQ(model->metadataValueForKey("decimalSeparator"), ".");
    // 1904 date system: serial 43831 is four years and one day later.
    import("tests/fixtures/xls/xlwt_1904.xls", false);
    EXPECT_EQ(row(1)[0], day(43831 + 1462));
}

TEST_F(FileImporterWorkbook, EveryFailureEndsWithACode) {
    std::ofstream(path("text.xlsx")) << "a,b\n1,2\n";
    std::ofstream(path("text.xls")) << "a,b\n1,2\n";
    struct Case {
        std::string file;
        std::uint64_t sheet;
        Strings events;
        int code;
    } cases[] = {
        {path("missing.xlsx"), 0, {"parsed", "complete 4"}, 4},
        {path("missing.xls"), 0, {"parsed", "complete 4"}, 4},
        {path("text.xlsx"), 0, {"parsed", "complete 2"}, 2},
        {path("text.xls"), 0, {"parsed", "complete 2"}, 2},
        {"tests/fixtures/xls/broken_encrypted.xls", 0, {"parsed", "complete 2"}, 2},
        {"tests/fixtures/xls/broken_sheet_offset.xls", 0, {"parsed", "complete 2"}, 2},
        {"tests/fixtures/xlsx/openpyxl_basic.xlsx", 2, {"start", "parsed", "complete 2"}, 2},
        {"tests/fixtures/xls/xlwt_basic.xls", 3, {"parsed", "complete 2"}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file + " sheet " + std::to_string(c.sheet));
        import(c.file, true, c.sheet);
        EXPECT_EQ(events->events, c.events);
        EXPECT_EQ(events->error.code, c.code);
        EXPECT_EQ(events->error.domain, FileImporter::errorDomain);
        EXPECT_EQ(model->countColumns(), 0u);
    }
}

// A one-column sheet of `rows` numbered rows under a header, packed as a workbook.
std::string bigSheet(const std::string& file, int rows) {
    return xlsxpackage::writePackage(file, xlsxpackage::oneSheet(xlsxpackage::numberedSheet(rows)));
}

// A sheet of this format holds 65,536 rows; one filled to the last imports every row.
TEST_F(FileImporterWorkbook, XlsSheetFilledToItsLastRow) {
    std::string cells = xlsbook::rkCell(0, 0, 1) + xlsbook::labelCell(0, 1, "first");
    for (uint32_t r = 1; r < 65535; ++r)
        cells += xlsbook::rkCell(static_cast<uint16_t>(r), 0, static_cast<int32_t>(r + 1));
    cells += xlsbook::rkCell(65535, 0, 65536) + xlsbook::labelCell(65535, 1, "last");
    import(xlsbook::writeWorkbook(path("full.xls"), cells), false);
    EXPECT_EQ(events->error.code, -1);
    EXPECT_EQ(model->countRows(), 65536u);
    EXPECT_EQ(row(1), (Strings{"1", "first"}));
    EXPECT_EQ(row(65535), (Strings{"65535", ""}));
    EXPECT_EQ(row(65536), (Strings{"65536", "last"}));
}

// The temporary folder of the process, pointed elsewhere for one test.
class TemporaryFolder {
  public:
    explicit TemporaryFolder(const std::string& folder) {
        if (const char* old = std::getenv("TMPDIR"))
            saved_ = old;
        fs::create_directories(folder);
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFolder() {
        if (saved_)
            setenv("TMPDIR", saved_->c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

  private:
    std::optional<std::string> saved_;
};

std::vector<std::string> filesUnder(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (!entry.is_directory())
            files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
}

// A workbook read as the Workspaces screen reads it: entries the reader does not use are never written to
// the temporary folder (so they cost nothing), even a name too long for the file system or a bomb.
TEST_F(FileImporterWorkbook, EntriesTheReaderDoesNotUseAreNeverWritten) {
    const std::string temporary = path("tmp");
    TemporaryFolder redirected(temporary);
    auto parts = xlsxpackage::oneSheet(xlsxpackage::numberedSheet(150));
    for (int i = 0; i < 40; ++i)
        parts["xl/media/image" + std::to_string(i) + ".png"] = std::string(200000, static_cast<char>('a' + i % 26));
    parts["xl/media/" + std::string(300, 'n') + ".png"] = "never read";
    const std::string junk = xlsxpackage::writePackage(path("junk.xlsx"), parts);

    struct Case {
        std::string file;
        std::uint64_t rows;
    };
    const Case cases[] = {
        {junk, 150},
        {"tests/fixtures/xlsx/junk_listed_1000.xlsx", 3}, // one 60 MB entry listed a thousand times
        {"tests/fixtures/xlsx/unused_long_name.xlsx", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        import(c.file);
        EXPECT_EQ(events->error.code, -1) << events->error.userInfo["reason"];
        EXPECT_EQ(model->countRows(), c.rows);
        EXPECT_EQ(filesUnder(temporary), std::vector<std::string>{}) << "the reader's folder goes with it";
    }
    // Seen from inside the import, at its first progress report.
    struct Looking final : FileImporterDelegate {
        explicit Looking(std::string folder) : folder(std::move(folder)) {}
        void importerDidCompleteLineNumber(FileImporter&, std::uint64_t, std::uint64_t) override {
            if (seen.empty())
                seen = filesUnder(folder);
        }
        std::string folder;
        std::vector<std::string> seen;
    } looking(temporary);
    model = mainModel();
    model->openStore(path("looking.ov"));
    FileImporter importer;
    importer.setModel(model.get());
    importer.setDelegate(&looking);
    importer.createWorkspaceFromText(junk, true, 0, U',', ".");
    EXPECT_EQ(looking.seen, (std::vector<std::string>{"sheet1.xml", "workbook.xml", "workbook.xml.rels"}));
}

TEST_F(FileImporterWorkbook, RowLimit) {
    import(bigSheet(path("exact.xlsx"), 100000));
    EXPECT_EQ(events->error.code, -1) << "exactly the limit ends normally";
    EXPECT_EQ(model->countRows(), 100000u);
    import(bigSheet(path("big.xlsx"), 150000));
    EXPECT_EQ(events->error.code, 3);
    EXPECT_EQ(events->error.userInfo.at("limit"), "rows");
    EXPECT_EQ(model->countRows(), 100000u);
    EXPECT_EQ(row(100000), (Strings{"100000"}));
    EXPECT_EQ(events->progress, 1000);
}

} // namespace
