// The app assembled as the program assembles it, on the headless host: the tabs and their bars, files
// handed over in each state of the app, the store-error alert, the end of the app, and the headless
// script's steps.
#include "ScreenFixture.h"
#include "WorkspaceFile.h"

#include "analysis/AnalysesViewController.h"
#include "app/AboutViewController.h"
#include "app/BrowseViewController.h"
#include "app/FilesViewController.h"
#include "app/HeadlessScript.h"
#include "app/MainStoryboard.h"
#include "app/NewFileViewController.h"
#include "app/OvridaAppDelegate.h"
#include "app/Program.h"
#include "app/VariablesViewController.h"
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

} // namespace
