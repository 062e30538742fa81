// The road every analysis screen is tested through, as a user takes it: the app's tabs on a headless host
// with the documents in a scratch folder, a data file imported through the Workspaces screen, the
// Analysis tab, "New Analysis", a kind by its title, variables picked and filters set through the
// screen's pop-overs, the result awaited, and the report mailed and read back.
//
// A screen's test derives from AnalysisRoad (or uses it as is) and walks:
//
//     TEST_F(AnalysisRoad, ...) {
//         openApp();                                      // kIdioms[1] for the phone
//         importFixture("regression.csv");                // sheet, "Create", status screen, Browse
//         setColumnType("smoker", 2);                     // only where the guess is not what the test needs
//         auto* screen = newAnalysis<CorrelationViewController>("Correlation");
//         EXPECT_EQ(text("labelMessage"), "...");         // the screen's validation message
//         pickVariables("buttonLeft", {"y"});             // the control's pop-over, rows by column name
//         addFilter("x1", ">", "2");                      // the filter editor: column, operator, constant, Apply
//         chooseFromList("buttonTest", "Welch");          // a level or test from a list pop-over
//         ASSERT_TRUE(waitForResult());                   // until the message no longer reads "Calculating..."
//         EXPECT_EQ(text("labelR"), "0.52");              // outlets by name; text views as plain text
//         Report report = emailReport();                  // "Email" on the share sheet, both attachments, OK
//         EXPECT_EQ(report.csv[0], (Fields{"..."}));      // report.pdf for renderChecks::pdfText/pdfInfo/...
//         screenshot("correlation-pad");                  // a PNG in the scratch folder, its path printed
//     }
//
// The screen's kind must be registered (registerAnalysisScreens() does it for the app's own kinds; a test
// kind is added with AnalysisKinds::shared().add and removed again in the test). Mail and print go to the
// fixture's `mail` and `print` recorders. Every step waits by pumping the main queue, never by sleeping.
#pragma once

#include "tests/app/WorkspacesFixture.h"

#include "analysis/AnalysesViewController.h"
#include "analysis/AnalysisDetailViewController.h"
#include "app/ColumnPickerViewController.h"
#include "app/FileImportViewController.h"
#include "app/NewFileViewController.h"
#include "app/VariablesViewController.h"
#include "app/WhereColumnViewController.h"
#include "app/WheresViewController.h"
#include "platform/ui/Control.h"
#include "tests/RenderChecks.h"
#include "tests/analysis/FilterEditor.h"

#include <fstream>
#include <iostream>
#include <sstream>

namespace analysisRoad {

using Fields = std::vector<std::string>;

// Comma-separated lines as a spreadsheet reads them: quoted fields may hold commas, quotes ("") and
// line breaks.
inline std::vector<Fields> csvLines(const std::string& text) {
    std::vector<Fields> lines;
    Fields fields;
    std::string field;
    bool quoted = false, any = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
            any = true;
        } else if (c == ',') {
            fields.push_back(std::move(field));
            field.clear();
            any = true;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            fields.push_back(std::move(field));
            lines.push_back(std::move(fields));
            field.clear();
            fields.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.empty()) {
        fields.push_back(std::move(field));
        lines.push_back(std::move(fields));
    }
    return lines;
}

// A mailed report: the message, its two attachments' paths, and the CSV read back; the title of the alert
// that followed (the recording service takes the message as a mail program that saved it would).
struct Report {
    host::MailMessage message;
    std::string alertTitle;
    std::string pdf, csvPath;
    std::vector<Fields> csv;
    std::string pdfText() const { return renderChecks::pdfText(pdf); }
};

} // namespace analysisRoad

class AnalysisRoad : public WorkspacesTest {
  protected:
    using Fields = analysisRoad::Fields;
    using Report = analysisRoad::Report;

    void SetUp() override {
        WorkspacesTest::SetUp();
        // Exports go to a private folder of the test's own.
        ui::Environment::shared().temporaryFolder = path("private");
        fs::create_directories(path("private"));
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        waitForBackgroundWork();
        WorkspacesTest::TearDown();
    }

    // The app's tabs on a headless host of that screen, the recording services given to the analyses
    // list, which hands them to every screen it opens.
    void openApp(const Idiom& idiom = kIdioms[0]) {
        show(idiom.screen, idiom.idiom);
        if (auto* list = analysesList()) {
            list->setMailService(&mail);
            list->setPrintService(&print);
        }
    }

    // Copies tests/fixtures/analyses/<name> into the documents folder and imports it as a user does:
    // a tap on the file in the Workspaces screen, "Create" on the sheet, the status screen until it has
    // gone, and Browse showing the new workspace.
    void importFixture(const std::string& name) {
        const std::string source = std::string(OVRIDA_SOURCE_DIR) + "/tests/fixtures/analyses/" + name;
        fs::copy_file(source, doc(name), fs::copy_options::overwrite_existing);
        // The Workspaces screen lists the files again as it appears.
        tabs->setSelectedIndex(4);
        host->drain();
        tabs->setSelectedIndex(0);
        host->drain();
        ui::CollectionView& grid = files->collectionTexts();
        int item = -1;
        for (int i = 0; i < grid.numberOfItemsInSection(0); ++i)
            if (WorkspaceCell* cell = cellAt(grid, i); cell && driver->text(&cell->labelTitle()) == name)
                item = i;
        ASSERT_GE(item, 0) << name << " is not listed";
        driver->tap(cellAt(grid, item));
        auto* sheetNav = dynamic_cast<ui::NavigationController*>(files->presentedViewController());
        ASSERT_NE(sheetNav, nullptr);
        auto* sheet = dynamic_cast<NewFileViewController*>(sheetNav->viewControllers().front().get());
        ASSERT_NE(sheet, nullptr);
        ASSERT_TRUE(runUntil([&] { return sheet->buttonAdvanced().isEnabled(); }));
        driver->tap(&sheet->buttonCreate());
        host->drain();
        // A workspace of that name from an earlier import is replaced.
        confirmReplace();
        ASSERT_TRUE(runUntil([&] {
            return dynamic_cast<FileImportViewController*>(files->presentedViewController()) != nullptr ||
                   (!files->presentedViewController() && tabs->selectedIndex() == 1);
        }));
        ASSERT_TRUE(runUntil([&] { return !files->presentedViewController() && tabs->selectedIndex() == 1; }));
        host->advance(1);
        ASSERT_EQ(alert(), nullptr) << alert()->title() << ": " << alert()->message();
        ASSERT_TRUE(samePath(model().currentStore(), doc(fs::path(name).stem().string() + ".ov")));
    }

    // The sheet asks before it replaces a workspace of the same name (an alert over the sheet): "Replace".
    void confirmReplace() {
        ui::ViewController* top = files.get();
        for (bool deeper = true; deeper;) {
            deeper = false;
            if (auto* nav = dynamic_cast<ui::NavigationController*>(top); nav && nav->topViewController()) {
                top = nav->topViewController();
                deeper = true;
            }
            if (top->presentedViewController()) {
                top = top->presentedViewController();
                deeper = true;
            }
        }
        if (auto* asked = dynamic_cast<ui::AlertController*>(top); asked && asked->title() == "Confirm Replace") {
            driver->tapText("Replace");
            host->drain();
        }
    }

    // Sets a column's type where a test needs another than the guess (the test says so where it calls
    // this), as the variable editor stores it.
    void setColumnType(const std::string& column, int64_t type) {
        auto c = columnNamed(column);
        ASSERT_NE(c, nullptr) << column;
        c->setType(type);
        model().saveContext();
    }

    // The Analysis tab's navigation and its list.
    ui::NavigationController& analysisTab() { return navAt(3); }
    AnalysesViewController* analysesList() {
        auto& stack = analysisTab().viewControllers();
        return stack.empty() ? nullptr : dynamic_cast<AnalysesViewController*>(stack.front().get());
    }
    // Shows the Analysis tab (at whatever its navigation shows).
    void showAnalysisTab() {
        tabs->setSelectedIndex(3);
        host->drain();
    }
    // The screen on top of the Analysis tab, if it is one.
    AnalysisDetailViewController* shownScreen() {
        return dynamic_cast<AnalysisDetailViewController*>(analysisTab().topViewController());
    }

    // The Analysis tab, "New Analysis", then the kind's row: answers the screen shown, or null (with a
    // failure) when it is not a `Screen`.
    template <class Screen = AnalysisDetailViewController> Screen* newAnalysis(const std::string& title) {
        showAnalysisTab();
        analysisTab().popToRootViewControllerAnimated(false);
        host->drain();
        auto* list = analysesList();
        if (!list || !list->newAnalysisItem()) {
            ADD_FAILURE() << "no analyses list";
            return nullptr;
        }
        driver->tap(list->newAnalysisItem()->view().get());
        host->advance(1);
        auto* chooser = dynamic_cast<NewAnalysisViewController*>(analysisTab().topViewController());
        if (!chooser) {
            ADD_FAILURE() << "\"New Analysis\" shows no chooser";
            return nullptr;
        }
        if (!tapRow(chooser->tableView(), title)) {
            ADD_FAILURE() << "the chooser has no row " << title;
            return nullptr;
        }
        host->advance(1);
        auto* screen = dynamic_cast<Screen*>(analysisTab().topViewController());
        if (!screen)
            ADD_FAILURE() << title << " shows no screen of the expected class";
        return screen;
    }

    // Scrolls to and taps the first row showing `text` (a cell's text label or any label in it).
    bool tapRow(ui::TableView& table, const std::string& text) {
        return filterEditor::tapRow(*driver, *host, table, text);
    }

    // The column pop-over of a control (its tag is the position): taps each column by name; in the
    // multi-choice position the ticks are set to exactly these columns, then Save.
    void pickVariables(const std::string& control, const std::vector<std::string>& names) {
        ui::View* view = driver->find(control);
        ASSERT_NE(view, nullptr) << control;
        pickVariables(*view, names);
    }
    void pickVariables(ui::View& control, const std::vector<std::string>& names) {
        AnalysisDetailViewController* screen = shownScreen();
        ASSERT_NE(screen, nullptr);
        driver->tap(&control);
        host->drain();
        auto* popover = dynamic_cast<ui::NavigationController*>(screen->presentedViewController());
        ASSERT_NE(popover, nullptr) << "no pop-over from " << control.identifier();
        auto* picker = dynamic_cast<ColumnPickerViewController*>(popover->viewControllers().front().get());
        ASSERT_NE(picker, nullptr);
        if (picker->position() == PickerPositionFurther) {
            std::set<std::string> wanted(names.begin(), names.end());
            for (const auto& column : picker->columns()) {
                const bool ticked = picker->selected().count(column) > 0;
                if (ticked != (wanted.count(column->name()) > 0)) {
                    ASSERT_TRUE(tapRow(picker->tableView(), column->name())) << column->name();
                }
            }
            for (const auto& name : names) {
                const bool offered = std::any_of(picker->columns().begin(), picker->columns().end(),
                                                 [&](const auto& c) { return c->name() == name; });
                EXPECT_TRUE(offered) << name << " is not offered";
            }
            ASSERT_NE(driver->tapText("Save"), nullptr);
        } else {
            ASSERT_EQ(names.size(), 1u) << "one column in a single-choice position";
            ASSERT_TRUE(tapRow(picker->tableView(), names[0])) << names[0] << " is not offered";
        }
        host->drain();
        ASSERT_EQ(screen->presentedViewController(), nullptr);
    }

    // The columns a control's pop-over offers, by name; the pop-over is closed again.
    std::vector<std::string> offeredColumns(const std::string& control) {
        std::vector<std::string> out;
        AnalysisDetailViewController* screen = shownScreen();
        if (!screen || !driver->find(control))
            return out;
        driver->tap(control);
        host->drain();
        if (auto* popover = dynamic_cast<ui::NavigationController*>(screen->presentedViewController())) {
            if (auto* picker = dynamic_cast<ColumnPickerViewController*>(popover->viewControllers().front().get()))
                for (const auto& column : picker->columns())
                    out.push_back(column->name());
            screen->dismissViewController(false);
            host->drain();
        }
        return out;
    }

    // A filter through the screen's filter editor: "+", the column, the operator's segment, the constant
    // (for "IN", the levels ticked in the level list), then Apply. The editor is the one `button` opens,
    // the frame's filter button when none is given.
    void addFilter(const std::string& column, const std::string& op, const std::string& constant,
                   const std::vector<std::string>& levels = {}, ui::View* button = nullptr) {
        AnalysisDetailViewController* screen = shownScreen();
        ASSERT_NE(screen, nullptr);
        ASSERT_NE(screen->buttonWhere(), nullptr);
        ASSERT_NO_FATAL_FAILURE(filterEditor::addFilter(*driver, *host, *screen,
                                                        button ? *button : *screen->buttonWhere(), column, op,
                                                        constant, levels));
        ASSERT_EQ(screen->presentedViewController(), nullptr);
    }

    // Taps the control, then the row showing `text` in the list pop-over it shows (a level, a test).
    void chooseFromList(const std::string& control, const std::string& text) {
        AnalysisDetailViewController* screen = shownScreen();
        ASSERT_NE(screen, nullptr);
        ASSERT_NE(driver->find(control), nullptr) << control;
        driver->tap(control);
        host->drain();
        ui::ViewController* shown = screen->presentedViewController();
        if (auto* popoverNav = dynamic_cast<ui::NavigationController*>(shown))
            shown = popoverNav->topViewController();
        auto* list = dynamic_cast<ui::TableViewController*>(shown);
        ASSERT_NE(list, nullptr) << control << " shows no list";
        ASSERT_TRUE(tapRow(list->tableView(), text)) << text << " is not listed";
        host->drain();
    }

    // Waits until the message view no longer reads "Calculating..." (or is hidden, as a screen that shows
    // its message in place of its results hides it under them) and the runs started have shown.
    bool waitForResult(const std::string& message = "labelMessage") {
        host->drain();
        const bool done = runUntil([&] {
            ui::View* view = driver->find(message);
            return !view || view->isHidden() || driver->text(view) != "Calculating...";
        });
        waitForBackgroundWork();
        host->drain();
        return done;
    }

    // An outlet's text by name (a text view's as plain text).
    std::string text(const std::string& outlet) { return driver->text(outlet); }

    // "Email" through the share sheet; the mailed report with its attachments read back.
    Report emailReport() {
        Report report;
        AnalysisDetailViewController* screen = shownScreen();
        if (!screen || !screen->shareItem()) {
            ADD_FAILURE() << "no screen to share";
            return report;
        }
        const size_t before = mail.sent.size();
        driver->tap(screen->shareItem()->view().get());
        host->drain();
        if (!driver->tapText("Email")) {
            ADD_FAILURE() << "the share sheet offers no Email";
            return report;
        }
        host->drain();
        if (mail.sent.size() != before + 1 || mail.sent.back().attachments.size() != 2) {
            ADD_FAILURE() << "no message with two attachments was mailed";
            return report;
        }
        // The alert on the outcome is dismissed as a user does, so that the screen takes taps again.
        if (ui::ViewController* shown = screen->presentedViewController()) {
            if (auto* outcome = dynamic_cast<ui::AlertController*>(shown)) {
                report.alertTitle = outcome->title();
                driver->tapText("OK");
                host->drain();
            }
        }
        if (screen->presentedViewController())
            ADD_FAILURE() << "something is still shown over the screen after Email";
        report.message = mail.sent.back();
        report.pdf = report.message.attachments[0];
        report.csvPath = report.message.attachments[1];
        report.csv = analysisRoad::csvLines(readAll(report.csvPath));
        return report;
    }

    // The window as a PNG in the scratch folder, its path printed for a reader to open.
    std::string screenshot(const std::string& name) {
        host->drain();
        const std::string file = renderChecks::scratchPath(name + ".png");
        EXPECT_TRUE(driver->saveScreenshot(file));
        std::cout << "screenshot: " << file << "\n";
        return file;
    }

    host::RecordingPrintService print;

  private:
    static bool shows(ui::View& view, const std::string& text) { return filterEditor::shows(view, text); }
};
