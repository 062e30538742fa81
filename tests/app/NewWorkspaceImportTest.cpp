// Imports through the Workspaces screen as the create-workspace sheet asks for them: the status screen's
// reports in order, the completion alerts raised once that screen has gone, the workspace each outcome
// leaves (a failed import leaves the old workspace of that name and the open one as they were), the
// open workspace replaced while it holds unsaved changes, and the temporary files of ended processes.
#include "WorkspacesFixture.h"

#include "app/FileImportViewController.h"
#include "platform/foundation/Log.h"
#include "platform/ui/TextField.h"
#include "tests/RenderChecks.h"

#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A status screen that keeps every report it is given, in order.
class RecordingStatus : public FileImportViewController {
  public:
    void showStatus(const std::string& text) override {
        reports.push_back(text);
        FileImportViewController::showStatus(text);
    }
    void viewDidDisappear(bool animated) override {
        FileImportViewController::viewDidDisappear(animated);
        gone = true;
    }
    std::vector<std::string> reports;
    bool gone = false;
};

// Delimited text of `rows` rows under a header of `columns` names c1, c2, ...; cell (r, c) holds r * c.
std::string table(size_t rows, size_t columns) {
    std::string out;
    for (size_t c = 1; c <= columns; ++c)
        out += (c > 1 ? "," : "") + ("c" + std::to_string(c));
    out += '\n';
    for (size_t r = 1; r <= rows; ++r) {
        for (size_t c = 1; c <= columns; ++c) {
            if (c > 1)
                out += ',';
            out += std::to_string(r * c);
        }
        out += '\n';
    }
    return out;
}

class NewWorkspaceImportTest : public WorkspacesTest {
  protected:
    // The app's tabs with a status screen that records its reports.
    void showRecording() {
        show();
        files->registerSegue("status", [this] {
            status = std::make_shared<RecordingStatus>();
            status->setModalPresentationStyle(ui::ModalPresentationStyle::FormSheet);
            return status;
        });
    }

    // Runs the import the sheet asks for, and waits until the status screen has gone and its alert, when
    // there is one, has been raised. The widest import stores fifty million cells: it has minutes.
    void runImport(const std::string& out, const std::string& in) {
        status.reset();
        files->createWorkspace(out, in, true, 0, ',', ".");
        ASSERT_TRUE(host->runUntil([&] { return status && status->gone && !files->presentedViewController(); },
                                   600));
        host->advance(1);
    }


    // The import a user asks for: the sheet of `file` (as from the Workspaces screen), `beforeCreate` while
    // it shows, the name typed over the proposed one, Create (and Replace when the name is taken); then
    // as runImport.
    void importThroughSheet(const std::string& file, const std::string& name,
                            const std::function<void()>& beforeCreate = {}) {
        status.reset();
        files->importURL(file);
        ASSERT_TRUE(host->runUntil([&] { return driver->find("buttonCreate") != nullptr; }, 30));
        host->advance(1);
        if (beforeCreate)
            beforeCreate();
        auto* field = driver->find<ui::TextField>("fieldOutput");
        ASSERT_NE(field, nullptr);
        ASSERT_NE(driver->tap(field), nullptr);
        driver->deleteBackward(int(field->text().size()));
        driver->type(name);
        host->window().endEditing(true);
        ASSERT_TRUE(driver->tapText("Create"));
        host->advance(1);
        if (driver->findByText("Replace")) {
            ASSERT_TRUE(driver->tapText("Replace"));
        }
        ASSERT_TRUE(host->runUntil([&] { return status && status->gone && !files->presentedViewController(); },
                                   3600));
        host->advance(1);
    }

    std::vector<std::string> columnNames() {
        std::vector<std::string> out;
        for (const auto& c : model().columns())
            out.push_back(c->name());
        return out;
    }

    // The temporary import files left in the documents folder, by name.
    std::vector<std::string> temporaryFiles() {
        std::vector<std::string> out;
        for (const auto& entry : fs::directory_iterator(documents))
            if (entry.path().filename().string().starts_with(".ovrida-import-"))
                out.push_back(entry.path().filename().string());
        return out;
    }

    // This process's descriptors open on temporary import files (removed ones included).
    static std::vector<std::string> openTemporaryFiles() {
        std::vector<std::string> out;
        for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            const std::string target = fs::read_symlink(entry.path(), ec).string();
            if (!ec && target.find(".ovrida-import-") != std::string::npos)
                out.push_back(target);
        }
        return out;
    }

    std::shared_ptr<RecordingStatus> status;
};

TEST_F(NewWorkspaceImportTest, AHandedOverFileIsImportedWithEachReportInOrderAndOpensOnBrowse) {
    fs::create_directories(doc("Inbox"));
    writeFile(doc("Inbox/visits.csv"), "age,town\n" + [] {
        std::string rows;
        for (int r = 1; r <= 250; ++r)
            rows += std::to_string(20 + r % 50) + ",T" + std::to_string(r % 7) + "\n";
        return rows;
    }());
    showRecording();
    runImport(doc("visits.ov"), doc("Inbox/visits.csv"));

    EXPECT_EQ(status->labelStatus().text(), "Successfully created new workspace.");
    EXPECT_EQ(status->reports, (std::vector<std::string>{"Importing file...", "Importing file. 100 rows read.",
                                                         "Importing file. 200 rows read.",
                                                         "Determining Variable Types...", "Processing variable age",
                                                         "Processing variable town",
                                                         "Successfully created new workspace."}));
    EXPECT_FALSE(status->activityStatus().isAnimating());
    EXPECT_EQ(alert(), nullptr);
    EXPECT_TRUE(samePath(model().currentStore(), doc("visits.ov")));
    EXPECT_EQ(model().countRows(), 250u);
    EXPECT_EQ(tabs->selectedIndex(), 1u);
    EXPECT_FALSE(fs::exists(doc("Inbox")));
    EXPECT_TRUE(fs::exists(doc("visits.csv")));
    EXPECT_EQ(files->labelFileInfo().text(), model().statusLine());
    EXPECT_NE(model().statusLine().find("visits"), std::string::npos);
    EXPECT_EQ(temporaryFiles(), std::vector<std::string>{});
    // The worker's own Model is done with its file, and holds no connection to it under its old name.
    ASSERT_NE(files->bgModel(), nullptr);
    EXPECT_FALSE(files->bgModel()->currentStore());
    EXPECT_EQ(openTemporaryFiles(), std::vector<std::string>{});
}

TEST_F(NewWorkspaceImportTest, EachOutcomeHasItsAlertOnceTheStatusScreenHasGone) {
    struct Case {
        const char* name;
        std::function<std::string()> source; // writes the data file, answers its path
        const char* label;
        const char* alertTitle; // "" for none
        const char* alertMessage;
        size_t rows, columns;
    };
    const std::string rowLimit = "Successfully created new workspace. Importing stopped after 100,000 rows so that "
                                 "we don't run out of memory.";
    const std::string failure = "Some rows and columns may be missing, or wrong delimiter may have been used.";
    const std::string success = "Successfully created new workspace.";
    auto data = [this](const std::string& name, const std::string& text) {
        return [this, name, text] {
            writeFile(doc(name), text);
            return doc(name);
        };
    };
    const Case cases[] = {
        {"100,000 rows", data("full.csv", table(100000, 2)), success.c_str(), "", "", 100000, 2},
        {"100,001 rows", data("over.csv", table(100001, 2)), success.c_str(), "Row Limit Reached", rowLimit.c_str(),
         100000, 2},
        {"a delimiter error", data("broken.csv", "a,b\n1,2\n\"3,4\n5,6\n"), "Error While Importing",
         "Error While Importing", failure.c_str(), 2, 2},
    };
    showRecording();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // An old workspace of that name, not the open one.
        model().closeStores();
        fs::remove(doc("out.ov"));
        makeWorkspace(doc("out.ov"), {"old"});
        runImport(doc("out.ov"), c.source());
        EXPECT_EQ(status->labelStatus().text(), c.label);
        auto* shown = alert();
        if (std::string(c.alertTitle).empty()) {
            EXPECT_EQ(shown, nullptr);
        } else {
            ASSERT_NE(shown, nullptr);
            EXPECT_EQ(shown->title(), c.alertTitle);
            EXPECT_EQ(shown->message(), c.alertMessage);
            ASSERT_EQ(shown->actions().size(), 1u);
            EXPECT_EQ(shown->actions()[0].title, "OK");
            EXPECT_EQ(shown->actions()[0].style, ui::AlertActionStyle::Cancel);
            EXPECT_TRUE(status->gone);
            shown->choose(0);
            host->advance(1);
        }
        EXPECT_TRUE(samePath(model().currentStore(), doc("out.ov")));
        EXPECT_EQ(model().countRows(), c.rows);
        EXPECT_EQ(model().countColumns(), c.columns);
        EXPECT_EQ(tabs->selectedIndex(), 1u);
        EXPECT_EQ(temporaryFiles(), std::vector<std::string>{});
        tabs->setSelectedIndex(0);
        host->drain();
    }
    // The rows before the delimiter error are kept.
    EXPECT_EQ(texts(*columnNamed("a")), (std::vector<std::string>{"1", ""}));
}

TEST_F(NewWorkspaceImportTest, LimitsOfColumnsAndRowsAreNamedInTheirAlert) {
    struct Case {
        const char* name;
        std::function<void()> run; // an import, or its end as the worker hands it over
        const char* title;
        const char* message;
    };
    showRecording();
    writeFile(doc("wide.csv"), table(3, 600));
    const Case cases[] = {
        {"600 columns", [&] { runImport(doc("wide.ov"), doc("wide.csv")); }, "Column Limit Reached",
         "Successfully created new workspace. Only the first 500 columns were imported so that we don't run out "
         "of memory."},
        // Both limits take fifty million cells to reach: the end the worker hands over, as the importer
        // reports it.
        {"both limits",
         [&] {
             files->endImport({FileImporter::codeLimitReached, "columns,rows", ""});
             host->advance(1);
         },
         "Row and Column Limits Reached",
         "Successfully created new workspace. Only the first 500 columns were imported, and importing stopped "
         "after 100,000 rows, so that we don't run out of memory."},
        {"rows, named", [&] {
             files->endImport({FileImporter::codeLimitReached, "rows", ""});
             host->advance(1);
         },
         "Row Limit Reached",
         "Successfully created new workspace. Importing stopped after 100,000 rows so that we don't run out of "
         "memory."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.run();
        auto* shown = alert();
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->title(), c.title);
        EXPECT_EQ(shown->message(), c.message);
        shown->choose(0);
        host->advance(1);
    }
    model().closeStores();
    model().openStore(doc("wide.ov"));
    EXPECT_EQ(model().countColumns(), 500u);
    EXPECT_EQ(model().countRows(), 3u);
}

// Both limits at once, through the sheet, the status screen and the worker: the widest import there is.
TEST_F(NewWorkspaceImportTest, AnImportPastBothLimitsKeepsTheFirst500ColumnsOf100000RowsAndSaysSo) {
    // Fifty million cells take the importer a quarter of an hour and more: too long for every run.
    if (!std::getenv("OVRIDA_LONG_TESTS"))
        GTEST_SKIP() << "fifty million cells: set OVRIDA_LONG_TESTS=1 to run this import";
    {
        // 600 columns of one-digit cells: column c holds c % 10, so each kept column can be told apart.
        std::string row;
        for (size_t c = 1; c <= 600; ++c)
            row += (c > 1 ? "," : "") + std::to_string(c % 10);
        row += '\n';
        std::ofstream out(doc("widest.csv"), std::ios::binary);
        for (size_t c = 1; c <= 600; ++c)
            out << (c > 1 ? "," : "") << "c" << c;
        out << '\n';
        for (size_t r = 0; r < 100001; ++r)
            out << row;
    }
    showRecording();
    foundation::LogCapture log;
    importThroughSheet(doc("widest.csv"), "widest");
    EXPECT_TRUE(log.contains("Import ended with code 3 (limit: columns,rows)"));
    EXPECT_EQ(status->labelStatus().text(), "Successfully created new workspace.");
    auto* shown = alert();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(status->gone);
    EXPECT_EQ(shown->title(), "Row and Column Limits Reached");
    EXPECT_EQ(shown->message(), "Successfully created new workspace. Only the first 500 columns were imported, and "
                                "importing stopped after 100,000 rows, so that we don't run out of memory.");
    shown->choose(0);
    host->advance(1);
    EXPECT_EQ(tabs->selectedIndex(), 1u);
    EXPECT_TRUE(samePath(model().currentStore(), doc("widest.ov")));
    EXPECT_EQ(model().countColumns(), 500u);
    EXPECT_EQ(model().countRows(), 100000u);
    const auto names = columnNames();
    ASSERT_EQ(names.size(), 500u);
    EXPECT_EQ(names.front(), "c1");
    EXPECT_EQ(names.back(), "c500");
    EXPECT_EQ(temporaryFiles(), std::vector<std::string>{});
    fs::remove(doc("widest.csv"));
}

TEST_F(NewWorkspaceImportTest, AFailedImportLeavesTheOldWorkspaceAndReopensThePreviousOne) {
    struct Case {
        const char* name;
        std::function<void()> run; // the import into target.ov
        int code;                  // the importer's
    };
    const Case cases[] = {
        {"a corrupt xlsx",
         [this] {
             writeFile(doc("bad.xlsx"), "this is no zip archive");
             importThroughSheet(doc("bad.xlsx"), "target");
         },
         FileImporter::codeUnsupportedFormat},
        {"a file removed while its sheet shows",
         [this] {
             writeFile(doc("gone.csv"), "a,b\n1,2\n");
             importThroughSheet(doc("gone.csv"), "target", [this] { fs::remove(doc("gone.csv")); });
         },
         FileImporter::codeUnreadableFile},
        {"a file gone by the time the import is asked for", [this] { runImport(doc("target.ov"), doc("gone.csv")); },
         FileImporter::codeUnreadableFile},
    };
    makeWorkspace(doc("previous.ov"), {"p1", "p2", "p3"});
    showRecording();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(doc("target.ov"));
        makeWorkspace(doc("target.ov"), {"7", "8"});
        model().openStore(doc("previous.ov"));
        tabs->setSelectedIndex(0);
        host->drain();
        foundation::LogCapture log;
        c.run();
        ASSERT_NE(status, nullptr);
        EXPECT_EQ(status->labelStatus().text(), "Error While Importing");
        EXPECT_TRUE(log.contains("Import ended with code " + std::to_string(c.code)));
        auto* shown = alert();
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->title(), "Error While Importing");
        EXPECT_EQ(shown->message(), "Some rows and columns may be missing, or wrong delimiter may have been used.");
        EXPECT_TRUE(status->gone);
        shown->choose(0);
        host->advance(1);
        EXPECT_EQ(tabs->selectedIndex(), 0u);
        EXPECT_TRUE(samePath(model().currentStore(), doc("previous.ov")));
        EXPECT_EQ(texts(*columnNamed("x")), (std::vector<std::string>{"p1", "p2", "p3"}));
        EXPECT_EQ(temporaryFiles(), std::vector<std::string>{});
        // The worker let go of its file before it was removed: nothing can write there again.
        EXPECT_EQ(openTemporaryFiles(), std::vector<std::string>{});
        model().closeStores();
        model().openStore(doc("target.ov"));
        EXPECT_EQ(texts(*columnNamed("x")), (std::vector<std::string>{"7", "8"}));
        model().closeStores();
    }
}

TEST_F(NewWorkspaceImportTest, ReplacingTheOpenWorkspaceWithUnsavedChangesLeavesASoundFile) {
    writeFile(doc("fresh.csv"), "a,b\n1,x\n2,y\n3,z\n");
    makeWorkspace(doc("open.ov"), {"1", "2"});
    showRecording();
    model().openStore(doc("open.ov"));
    model().addRow(3, {"unsaved"}, model().columns());
    ASSERT_TRUE(fs::exists(doc("open.ov-journal")));
    runImport(doc("open.ov"), doc("fresh.csv"));
    EXPECT_EQ(alert(), nullptr);
    EXPECT_EQ(columnNames(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(texts(*columnNamed("a")), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(texts(*columnNamed("b")), (std::vector<std::string>{"x", "y", "z"}));
    model().closeStores();
    EXPECT_EQ(integrityOf(doc("open.ov")), "ok");
    EXPECT_FALSE(fs::exists(doc("open.ov-journal")));
}

TEST_F(NewWorkspaceImportTest, TemporaryFilesOfEndedProcessesGoWhenTheScreenLoads) {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string ended = FilesViewController::temporaryImportName(child, 3);
    const std::string running = FilesViewController::temporaryImportName(::getpid(), 9);
    for (const std::string& name : {ended, ended + "-journal", running, std::string(".ovrida-import-x-1.ov")})
        writeFile(doc(name), "x");
    show();
    EXPECT_FALSE(fs::exists(doc(ended)));
    EXPECT_FALSE(fs::exists(doc(ended + "-journal")));
    EXPECT_TRUE(fs::exists(doc(running)));
    EXPECT_TRUE(fs::exists(doc(".ovrida-import-x-1.ov")));
    EXPECT_EQ(ended, ".ovrida-import-" + std::to_string(child) + "-3.ov");
}

TEST_F(NewWorkspaceImportTest, TheStatusScreenReadsStatusUntilTheImportReports) {
    show();
    files->performSegueWithIdentifier("status");
    host->drain();
    auto* shown = dynamic_cast<FileImportViewController*>(files->presentedViewController());
    ASSERT_NE(shown, nullptr);
    // No import was asked for: the screen only waits.
    EXPECT_EQ(shown->labelStatus().text(), "Status");
    EXPECT_FALSE(shown->activityStatus().isAnimating());
}

TEST_F(NewWorkspaceImportTest, TheStatusScreenAndTheCompletionAlertFitOnPadAndPhone) {
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        show(idiom.screen, idiom.idiom);
        files->performSegueWithIdentifier("status");
        host->advance(1);
        auto* shown = dynamic_cast<FileImportViewController*>(files->presentedViewController());
        ASSERT_NE(shown, nullptr);
        shown->activityStatus().startAnimating();
        shown->showStatus("Processing variable Systolic blood pressure at the second visit, seated, after five "
                          "minutes of rest");
        host->advance(1);
        const std::string status = renderChecks::scratchPath(std::string("import-status-") + idiom.name + ".png");
        ASSERT_TRUE(driver->saveScreenshot(status));
        std::cout << "status: " << status << "\n";
        ui::Label& label = shown->labelStatus();
        const ui::Rect text = label.convertRectToView(label.bounds(), nullptr);
        const ui::Rect spinner =
            shown->activityStatus().convertRectToView(shown->activityStatus().bounds(), nullptr);
        for (const ui::Rect& r : {text, spinner}) {
            EXPECT_GE(r.minX(), 0);
            EXPECT_LE(r.maxX(), idiom.screen.width);
            EXPECT_LE(r.maxY(), idiom.screen.height);
        }
        EXPECT_TRUE(text.intersection(spinner).isEmpty());
        EXPECT_LE(label.sizeThatFits({label.bounds().width(), 0}).height, label.bounds().height() + 0.5);

        model().closeStores();
        files->endImport({FileImporter::codeLimitReached, "columns,rows", ""});
        host->advance(1);
        ASSERT_NE(alert(), nullptr);
        const std::string shot = renderChecks::scratchPath(std::string("import-alert-") + idiom.name + ".png");
        ASSERT_TRUE(driver->saveScreenshot(shot));
        std::cout << "alert: " << shot << "\n";
        const ui::Rect panel = alert()->view().convertRectToView(alert()->view().bounds(), nullptr);
        EXPECT_GE(panel.minX(), 0);
        EXPECT_LE(panel.maxX(), idiom.screen.width);
        alert()->choose(0);
        host->advance(1);
    }
}

} // namespace
