// The app assembled as the program assembles it, on the headless host: the tabs and their bars, files
// handed over in each state of the app, the store-error alert, the end of the app, and the headless
// script's steps.
#include "ScreenFixture.h"
#include "WorkspaceFile.h"

#include "analysis/AnalysesViewController.h"
#include "app/AboutViewController.h"
#include "app/BrowseGridCells.h"
#include "app/BrowseViewController.h"
#include "app/FilesViewController.h"
#include "app/HeadlessScript.h"
#include "app/MainStoryboard.h"
#include "app/NewFileViewController.h"
#include "app/OvridaAppDelegate.h"
#include "app/Program.h"
#include "app/VariablesViewController.h"
#include "app/WorkspaceCell.h"
#include "platform/foundation/Log.h"
#include "platform/ui/Environment.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool isGrey(gfx::Color c, double level) {
    return std::abs(c.red - level) < 0.01 && std::abs(c.green - level) < 0.01 && std::abs(c.blue - level) < 0.01;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class ApplicationTest : public ScreenTest {
  public: // the case tables reach into the fixture
    using ScreenTest::driver;
    using ScreenTest::host;
    using ScreenTest::model;
    using ScreenTest::openWorkspace;
    using ScreenTest::tabs;
    void SetUp() override {
        ScreenTest::SetUp();
        saved = ui::Environment::shared();
        documents = path("Documents");
        outside = path("Elsewhere");
        fs::create_directories(documents);
        fs::create_directories(outside);
        ui::Environment::shared().documentsFolder = documents;
        ui::Environment::shared().resourcesFolder = std::string(OVRIDA_BUILD_DIR) + "/resources";
        // The Workspaces screen's tips have been seen: they would stand over the screen.
        foundation::UserDefaults::standard().remove("timesSeenHelp");
        for (int i = 0; i < 2; ++i)
            Model::incrementTimesSeenHelpKey("import");
    }
    void TearDown() override {
        if (host)
            waitUntilQuiet(*host);
        if (host)
            host->window().setRootViewController(nullptr);
        delegate.reset();
        ScreenTest::TearDown();
        ui::Environment::shared() = saved;
        ui::NavigationController::setDefaultBarBackgroundColor(ui::Color::gray(0.97));
    }

    // The app as the program assembles it; `handOverFirst` are handed over before the launch.
    void launch(const std::vector<std::string>& handOverFirst = {}, gfx::Size screen = {1024, 768}) {
        makeHost(screen);
        delegate = std::make_unique<OvridaAppDelegate>();
        for (const auto& file : handOverFirst)
            delegate->handOver(file, "command line");
        tabs = MainStoryboard::instantiateInitialViewController({icons, launcher, mail, FileOperations::standard()});
        assembleApplication(*delegate, host->window(), tabs);
        settle();
    }
    void settle() {
        host->runUntil([&] { return !delegate->copyingHandOvers(); }, 30);
        waitUntilQuiet(*host);
    }
    void handOver(const std::string& file) {
        delegate->handOver(file, "test");
        settle();
    }

    FilesViewController& files() { return dynamic_cast<FilesViewController&>(*tabs->viewControllers()[0]); }
    BrowseViewController& browse() {
        auto& nav = dynamic_cast<ui::NavigationController&>(*tabs->viewControllers()[1]);
        return dynamic_cast<BrowseViewController&>(*nav.viewControllers().front());
    }
    // The create-workspace sheet over the Workspaces screen, or null.
    NewFileViewController* sheet() {
        auto* nav = dynamic_cast<ui::NavigationController*>(files().presentedViewController());
        return nav && !nav->viewControllers().empty()
                   ? dynamic_cast<NewFileViewController*>(nav->viewControllers().front().get())
                   : nullptr;
    }
    std::string sheetFile() {
        NewFileViewController* s = sheet();
        return s ? fs::path(s->url()).lexically_normal().string() : std::string("(no sheet)");
    }
    ui::AlertController* alert() {
        for (ui::ViewController* c = tabs.get(); c;) {
            if (auto* a = dynamic_cast<ui::AlertController*>(c->presentedViewController()))
                return a;
            c = c->presentedViewController();
        }
        return dynamic_cast<ui::AlertController*>(files().presentedViewController());
    }
    std::string doc(const std::string& name) const { return (fs::path(documents) / name).string(); }
    std::string out(const std::string& name) const { return (fs::path(outside) / name).string(); }

    ui::Environment saved;
    std::string documents, outside;
    host::RecordingFileIconService icons;
    host::RecordingLauncher launcher;
    host::RecordingMailService mail;
    std::unique_ptr<OvridaAppDelegate> delegate;
    foundation::LogCapture* log = nullptr; // what the case logs, while it runs
};

// --- the tabs

TEST_F(ApplicationTest, TheFiveTabsInTheirOrderUnderOpaqueWhiteBars) {
    // A navigation bar made before the launch and one made after both take the app's colour.
    auto before = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
    before->view();
    launch();
    ASSERT_EQ(tabs->viewControllers().size(), 5u);
    const char* titles[] = {"Workspaces", "Browse", "Variables", "Analysis", "About"};
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(tabs->viewControllers()[i]->tabBarItem().title, titles[i]);
    auto rootOf = [&](size_t i) -> ui::ViewController* {
        auto* nav = dynamic_cast<ui::NavigationController*>(tabs->viewControllers()[i].get());
        return nav ? nav->viewControllers().front().get() : nullptr;
    };
    EXPECT_NE(dynamic_cast<FilesViewController*>(tabs->viewControllers()[0].get()), nullptr);
    EXPECT_NE(dynamic_cast<BrowseViewController*>(rootOf(1)), nullptr);
    EXPECT_NE(dynamic_cast<VariablesViewController*>(rootOf(2)), nullptr);
    EXPECT_NE(dynamic_cast<AnalysesViewController*>(rootOf(3)), nullptr);
    EXPECT_NE(dynamic_cast<AboutViewController*>(tabs->viewControllers()[4].get()), nullptr);

    EXPECT_EQ(tabs->tabBar().backgroundColor(), ui::Color::gray(0.95));
    auto after = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
    for (auto* nav : {before.get(), after.get(), dynamic_cast<ui::NavigationController*>(tabs->viewControllers()[1].get())})
        EXPECT_EQ(nav->navigationBar().backgroundColor(), ui::Color::gray(0.9));
    // The bars show those colours on the screen.
    tabs->setSelectedIndex(2);
    host->drain();
    gfx::Image shot = driver->screenshot();
    EXPECT_TRUE(isGrey(shot.pixel(3, 768 - 3), 0.95));
    EXPECT_TRUE(isGrey(shot.pixel(3, 3), 0.9));
}

// --- files handed over

// One hand-over in one state of the app. `prepare` makes the files and the state and answers what is
// handed over; `check` looks at the outcome. In every case the user's original stays where it was,
// byte for byte, and the hand-over is logged.
struct RoutingCase {
    const char* name;
    std::function<std::vector<std::string>(ApplicationTest&)> prepare;
    std::function<void(ApplicationTest&, const std::vector<std::string>& given)> check;
    bool coldStart = false;
};

TEST_F(ApplicationTest, EachHandOverIsRoutedByItsKindOnceTheAppIsFree) {
    using T = ApplicationTest;
    const std::string csv = "Name,Score\nAda,3\nBo,4\n";
    const RoutingCase cases[] = {
        {"a workspace at a cold start is copied, moved out of the Inbox, opened and shown on Browse",
         [&](T& t) {
             makeWorkspaceFile(t.out("sales.ov"), {"x"}, {{"1"}});
             return std::vector<std::string>{t.out("sales.ov")};
         },
         [&](T& t, const auto&) {
             EXPECT_EQ(t.tabs->selectedIndex(), 1u);
             auto open = t.model().currentStore();
             EXPECT_TRUE(open && fs::equivalent(*open, t.doc("sales.ov")));
             EXPECT_FALSE(fs::exists(t.doc("Inbox")));
             EXPECT_EQ(t.sheet(), nullptr);
         },
         true},
        {"a data file while on Variables: the Workspaces tab first, then the sheet",
         [&](T& t) {
             writeFile(t.out("data.csv"), csv);
             t.tabs->setSelectedIndex(2);
             t.host->drain();
             return std::vector<std::string>{t.out("data.csv")};
         },
         [&](T& t, const auto&) {
             EXPECT_EQ(t.tabs->selectedIndex(), 0u);
             EXPECT_EQ(t.sheetFile(), t.doc("Inbox/data.csv"));
         }},
        {"an upper-case workspace extension is a data file: the sheet",
         [&](T& t) {
             makeWorkspaceFile(t.out("X.OV"), {"x"}, {{"1"}});
             return std::vector<std::string>{t.out("X.OV")};
         },
         [&](T& t, const auto&) {
             EXPECT_EQ(t.sheetFile(), t.doc("Inbox/X.OV"));
             EXPECT_FALSE(t.model().currentStore());
         }},
        {"a name taken in the Inbox gets the next number",
         [&](T& t) {
             writeFile(t.out("data.csv"), csv);
             fs::create_directories(t.doc("Inbox"));
             writeFile(t.doc("Inbox/data.csv"), "earlier");
             return std::vector<std::string>{t.out("data.csv")};
         },
         [&](T& t, const auto&) {
             EXPECT_EQ(t.sheetFile(), t.doc("Inbox/data-1.csv"));
             EXPECT_EQ(readAll(t.doc("Inbox/data.csv")), "earlier");
         }},
        {"a data file while Browse edits waits for Done and its recomputation",
         [&](T& t) {
             t.openWorkspace({{"x", {"1", "2"}, std::nullopt}}, "open.ov");
             t.tabs->setSelectedIndex(1);
             t.host->drain();
             t.browse().editButton().trigger();
             t.host->drain();
             writeFile(t.out("data.csv"), csv);
             return std::vector<std::string>{t.out("data.csv")};
         },
         [&](T& t, const auto&) {
             EXPECT_EQ(t.tabs->selectedIndex(), 1u);
             EXPECT_EQ(t.sheet(), nullptr);
             EXPECT_EQ(t.delegate->pendingHandOvers(), 1u);
             t.browse().editButton().trigger(); // Done
             t.settle();
             EXPECT_FALSE(t.browse().isBusy());
             EXPECT_EQ(t.tabs->selectedIndex(), 0u);
             EXPECT_EQ(t.sheetFile(), t.doc("Inbox/data.csv"));
         }},
        {"two files: the second sheet once the first is done with",
         [&](T& t) {
             writeFile(t.out("a.csv"), csv);
             writeFile(t.out("b.csv"), csv);
             return std::vector<std::string>{t.out("a.csv"), t.out("b.csv")};
         },
         [&](T& t, const auto&) {
             EXPECT_EQ(t.sheetFile(), t.doc("Inbox/a.csv"));
             EXPECT_EQ(t.delegate->pendingHandOvers(), 1u);
             t.files().dismissViewController(false);
             t.settle();
             EXPECT_EQ(t.sheetFile(), t.doc("Inbox/b.csv"));
         }},
        {"two files, the first imported: the second sheet once its import has ended",
         [&](T& t) {
             writeFile(t.out("first.csv"), csv);
             writeFile(t.out("second.csv"), csv);
             return std::vector<std::string>{t.out("first.csv"), t.out("second.csv")};
         },
         [&](T& t, const auto&) {
             EXPECT_EQ(t.sheetFile(), t.doc("Inbox/first.csv"));
             ASSERT_TRUE(t.driver->tapText("Create"));
             // The second waits through the status screen and the import.
             ASSERT_TRUE(t.host->runUntil([&] { return t.tabs->selectedIndex() == 1u || t.sheet(); }, 60));
             t.settle();
             EXPECT_TRUE(t.model().currentStore() && fs::equivalent(*t.model().currentStore(), t.doc("first.ov")));
             EXPECT_EQ(t.tabs->selectedIndex(), 0u);
             EXPECT_EQ(t.sheetFile(), t.doc("Inbox/second.csv"));
             EXPECT_EQ(t.delegate->pendingHandOvers(), 0u);
             EXPECT_EQ(t.model().countRows(), 2u);
         }},
        {"a file already in the documents folder is not copied",
         [&](T& t) {
             writeFile(t.doc("here.csv"), csv);
             return std::vector<std::string>{t.doc("here.csv")};
         },
         [&](T& t, const auto&) {
             EXPECT_EQ(t.sheetFile(), t.doc("here.csv"));
             EXPECT_FALSE(fs::exists(t.doc("Inbox")));
         }},
        {"a folder is routed as it is: the sheet, whose import reports it",
         [&](T& t) {
             fs::create_directories(t.out("folder.csv"));
             return std::vector<std::string>{t.out("folder.csv")};
         },
         [&](T& t, const auto&) {
             EXPECT_EQ(t.sheetFile(), t.out("folder.csv"));
             EXPECT_FALSE(fs::exists(t.doc("Inbox")));
             // Create: the import cannot read it (code 4) and the failure's road is taken.
             ASSERT_TRUE(t.driver->tapText("Create"));
             ASSERT_TRUE(t.host->runUntil([&] { return t.alert() != nullptr; }, 60));
             t.settle();
             ui::AlertController* shown = t.alert();
             ASSERT_NE(shown, nullptr);
             EXPECT_EQ(shown->title(), "Error While Importing");
             EXPECT_EQ(shown->message(), "Some rows and columns may be missing, or wrong delimiter may have been used.");
             EXPECT_TRUE(t.log->contains("Import ended with code 4")) << "the importer's code";
             ASSERT_TRUE(t.driver->tapText("OK"));
             t.settle();
             EXPECT_EQ(t.tabs->selectedIndex(), 0u);
             EXPECT_FALSE(t.model().currentStore());
             EXPECT_FALSE(fs::exists(t.doc("folder.ov")));
         }},
        {"a workspace that is not one: one Error! alert, the file as it was",
         [&](T& t) {
             writeFile(t.out("bad.ov"), "not a workspace at all");
             return std::vector<std::string>{t.out("bad.ov")};
         },
         [&](T& t, const auto&) {
             ui::AlertController* shown = t.alert();
             ASSERT_NE(shown, nullptr);
             EXPECT_EQ(shown->title(), "Error!");
             EXPECT_EQ(shown->message(), "Ovrida can't continue.\nPlease close Ovrida and start it again.");
             EXPECT_EQ(readAll(t.doc("bad.ov")), "not a workspace at all");
             ASSERT_TRUE(t.driver->tapText("OK"));
             t.settle();
             EXPECT_EQ(t.alert(), nullptr);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(documents);
        fs::remove_all(outside);
        fs::create_directories(documents);
        fs::create_directories(outside);
        if (!c.coldStart)
            launch();
        else
            makeHost(); // the files are made before the app starts
        foundation::LogCapture log;
        this->log = &log;
        std::vector<std::string> given = c.prepare(*this);
        std::map<std::string, std::string> before;
        for (const auto& file : given)
            before[file] = fs::is_regular_file(file) ? readAll(file) : "(folder)";
        if (c.coldStart) {
            launch(given);
        } else {
            for (const auto& file : given)
                delegate->handOver(file, "test");
            settle();
        }
        c.check(*this, given);
        for (const auto& file : given) {
            EXPECT_TRUE(fs::exists(file)) << file;
            EXPECT_EQ(fs::is_regular_file(file) ? readAll(file) : "(folder)", before[file]) << file;
        }
        EXPECT_TRUE(log.contains("Open URL:\tfile://")) << "the hand-over is logged";
        // Back to no workspace and no sheet for the next case.
        waitUntilQuiet(*host);
        host->window().setRootViewController(nullptr);
        delegate.reset();
        model().saveContext();
        model().closeStores();
    }
}

// --- the store-error alert

TEST_F(ApplicationTest, AFailedSaveShowsOneErrorAlertOverWhatIsPresented) {
    launch();
    openWorkspace({{"x", {"1", "2"}, std::nullopt}});
    // Something presented already: the alert goes over it.
    auto over = std::make_shared<ui::ViewController>();
    files().presentViewController(over, false);
    host->drain();
    // The file may not grow past its present size: the next big save fails as on a full disk.
    ASSERT_FALSE(model().managedObjectContext()->execute("PRAGMA max_page_count = 1"));
    auto columns = model().columns();
    const std::string big(2000, 'x');
    for (int r = 3; r <= 300; ++r)
        model().addRow(uint64_t(r), {big}, columns);
    foundation::LogCapture log;
    model().saveContext();
    host->drain();
    auto* shown = dynamic_cast<ui::AlertController*>(over->presentedViewController());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->title(), "Error!");
    EXPECT_EQ(shown->message(), "Ovrida can't continue.\nPlease close Ovrida and start it again.");
    ASSERT_EQ(shown->actions().size(), 1u);
    EXPECT_EQ(shown->actions()[0].title, "OK");
    // A second failure while it shows is logged only.
    model().saveContext();
    host->drain();
    EXPECT_EQ(over->presentedViewController(), shown);
    EXPECT_EQ(shown->presentedViewController(), nullptr);
    EXPECT_TRUE(log.contains("Another store error while its alert is shown"));
    // The app goes on; the changes wait in the context.
    EXPECT_TRUE(model().managedObjectContext()->hasChanges());
    ASSERT_FALSE(model().managedObjectContext()->execute("PRAGMA max_page_count = 1073741823"));
    model().saveContext();
    EXPECT_FALSE(model().managedObjectContext()->hasChanges());
    ASSERT_TRUE(driver->tapText("OK"));
    host->drain();
    EXPECT_EQ(over->presentedViewController(), nullptr);
}

// --- end to end

// What a grid item of the Browse screen shows, as a user reads it.
std::string shownAt(ui::CollectionView& grid, int section, int item) {
    grid.layoutIfNeeded();
    auto* cell = grid.cellForItemAtIndexPath({section, item});
    if (!cell)
        return "<none>";
    ui::View* label = cell->viewWithIdentifier("label");
    return label ? label->displayedText() : "";
}

TEST_F(ApplicationTest, ASurveyGoesFromItsFileThroughTheSheetAndAFilterToItsVariables) {
    // 40 rows: Age runs over 21..60 in a scrambled order, Group has three levels of 20, 13 and 7 rows,
    // Visit is a date.
    struct Row {
        int age;
        std::string group, visit;
    };
    std::vector<Row> rows;
    std::string csv = "Age,Group,Visit\n";
    for (int r = 1; r <= 40; ++r) {
        char visit[32];
        std::snprintf(visit, sizeof visit, "2023-%02d-%02d", 1 + (r - 1) / 28, 1 + (r - 1) % 28);
        Row row{21 + (r * 17) % 40, r % 2 == 0 ? "Control" : (r % 3 == 0 ? "Placebo" : "Treated"), visit};
        csv += std::to_string(row.age) + "," + row.group + "," + row.visit + "\n";
        rows.push_back(row);
    }
    writeFile(doc("survey.csv"), csv);
    launch();

    // 1. The file under "Import Data Files", the sheet with its proposed name, Create.
    ASSERT_TRUE(driver->tapText("survey.csv"));
    host->advance(1);
    ASSERT_NE(sheet(), nullptr);
    EXPECT_EQ(driver->text("fieldOutput"), "survey");
    ASSERT_TRUE(driver->tapText("Create"));

    // 2. The status screen comes and goes; Browse shows the file's rows.
    ASSERT_TRUE(host->runUntil([&] { return tabs->selectedIndex() == 1u && !files().presentedViewController(); }, 60));
    settle();
    EXPECT_EQ(alert(), nullptr);
    ui::CollectionView& grid = browse().collectionView();
    EXPECT_EQ(grid.numberOfSections(), 41);
    EXPECT_EQ(shownAt(grid, 1, 0), "1");
    EXPECT_EQ(shownAt(grid, 2, 0), "2");
    EXPECT_EQ(shownAt(grid, 0, 1), "Age");
    EXPECT_EQ(shownAt(grid, 1, 1), std::to_string(rows[0].age));
    EXPECT_EQ(shownAt(grid, 1, 2), rows[0].group);
    EXPECT_EQ(shownAt(grid, 1, 3), rows[0].visit);

    // 3. Age's filter icon, ">", 30, Apply: exactly the rows over 30 remain.
    grid.layoutIfNeeded();
    auto* head = dynamic_cast<ColHeaderCell*>(grid.cellForItemAtIndexPath({0, 1}));
    ASSERT_NE(head, nullptr);
    driver->tap(&head->button());
    host->advance(1);
    auto& segments = *driver->find<ui::SegmentedControl>("segmentOperator");
    for (size_t i = 0; i < segments.numberOfSegments(); ++i) {
        if (segments.titleForSegmentAtIndex(i) == ">") {
            const ui::Rect r = segments.convertRectToView(segments.rectForSegment(i), nullptr);
            driver->tapAt({r.midX(), r.midY()});
        }
    }
    ASSERT_TRUE(driver->typeInto(driver->find<ui::TextField>("fieldConstant"), "30"));
    host->window().endEditing(true);
    ASSERT_NE(driver->tap(driver->find("buttonApply")), nullptr);
    settle();
    std::vector<std::string> expected, shown;
    for (size_t r = 0; r < rows.size(); ++r)
        if (rows[r].age > 30)
            expected.push_back(std::to_string(r + 1));
    // Read down the grid, scrolling with the wheel as a user would to reach the rows below.
    for (int s = 1; s < grid.numberOfSections(); ++s) {
        for (int step = 0; step < 100 && shownAt(grid, s, 0) == "<none>"; ++step) {
            driver->scrollWheel(&grid, {0, 120});
            host->drain();
        }
        shown.push_back(shownAt(grid, s, 0));
    }
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(driver->text(&browse().labelFilter()), "Filters: Age > 30");

    // 4. The Variables tab: each variable with its type, then its figures.
    ASSERT_TRUE(driver->tapText("Variables"));
    settle();
    auto& nav = dynamic_cast<ui::NavigationController&>(*tabs->viewControllers()[2]);
    auto& variables = dynamic_cast<VariablesViewController&>(*nav.viewControllers().front());
    ASSERT_EQ(variables.tableView().numberOfRowsInSection(0), 3);
    auto row = [&](int r) { return dynamic_cast<VariableCell*>(variables.tableView().cellForRowAtIndexPath({0, r})); };
    const char* types[] = {"Type: Numeric", "Type: Categorical", "Type: Date / Time"};
    for (int r = 0; r < 3; ++r) {
        ASSERT_NE(row(r), nullptr);
        EXPECT_EQ(driver->text(&row(r)->labelType()), types[r]);
    }
    using G = VariableCell::Grid;
    ASSERT_TRUE(host->runUntil([&] {
        return driver->text(&row(0)->grid(G::R3C2)).find("...") == std::string::npos &&
               driver->text(&row(1)->grid(G::Max)).find("...") == std::string::npos;
    }, 30));
    // The figures of the whole file, computed here from its values.
    std::vector<double> ages;
    for (const auto& r : rows)
        ages.push_back(r.age);
    std::sort(ages.begin(), ages.end());
    double sum = 0;
    for (double a : ages)
        sum += a;
    auto number = [](double v) { return Model::stringFromNumberOfType(v, 3); };
    EXPECT_EQ(driver->text(&row(0)->grid(G::Min)), "Min: " + number(ages.front()));
    EXPECT_EQ(driver->text(&row(0)->grid(G::Max)), "Max: " + number(ages.back()));
    EXPECT_EQ(driver->text(&row(0)->grid(G::Med)), "Median: " + number((ages[19] + ages[20]) / 2));
    EXPECT_EQ(driver->text(&row(0)->grid(G::R3C2)), "Mean: " + number(sum / double(ages.size())));
    EXPECT_EQ(number(sum / double(ages.size())), "40.5");
    std::map<std::string, int> counts;
    for (const auto& r : rows)
        ++counts[r.group];
    ASSERT_EQ(counts["Control"], 20);
    ASSERT_EQ(counts["Treated"], 13);
    EXPECT_EQ(driver->text(&row(1)->grid(G::Med)), " Control");
    EXPECT_EQ(driver->text(&row(1)->grid(G::Max)), " Treated");
    EXPECT_EQ(driver->text(&row(1)->grid(G::R3C2)), "20 ");
    EXPECT_EQ(driver->text(&row(1)->grid(G::R3C3)), "13 ");

    // 5. Back on Workspaces: the new workspace is listed, the file as it was.
    ASSERT_TRUE(driver->tapText("Workspaces"));
    settle();
    std::vector<std::string> listed;
    ui::CollectionView& workspaces = files().collectionWorkspaces();
    workspaces.layoutIfNeeded();
    for (int i = 0; i < workspaces.numberOfItemsInSection(0); ++i)
        if (auto* cell = dynamic_cast<WorkspaceCell*>(workspaces.cellForItemAtIndexPath({0, i})))
            listed.push_back(driver->text(&cell->labelTitle()));
    EXPECT_NE(std::find(listed.begin(), listed.end(), "survey.ov"), listed.end()) << ::testing::PrintToString(listed);
    EXPECT_EQ(readAll(doc("survey.csv")), csv);
}

} // namespace
