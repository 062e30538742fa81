// Controllers driven headless: a tab bar holding a navigation stack and a form that raises an alert.
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewController.h"

#include <gtest/gtest.h>

namespace {

using namespace ui;

// Records its life cycle calls.
struct Screen : ViewController {
    explicit Screen(std::string name, std::vector<std::string>* log) : name(std::move(name)), log(log) {
        setTitle(this->name);
    }
    std::string name;
    std::vector<std::string>* log;
    void viewDidLoad() override { log->push_back(name + " load"); }
    void viewWillAppear(bool) override { log->push_back(name + " will appear"); }
    void viewDidAppear(bool) override { log->push_back(name + " did appear"); }
    void viewWillDisappear(bool) override { log->push_back(name + " will disappear"); }
    void viewDidDisappear(bool) override { log->push_back(name + " did disappear"); }
    void viewWillTransitionToSize(Size size) override {
        log->push_back(name + " size " + std::to_string(int(size.width)));
    }
};

struct DemoApp : ::testing::Test {
    host::HeadlessHost host{{320, 480}};
    Driver driver{host.window(), host};
    std::vector<std::string> log;
    std::shared_ptr<Screen> list = std::make_shared<Screen>("List", &log);
    std::shared_ptr<NavigationController> nav = std::make_shared<NavigationController>(list);
    std::shared_ptr<Screen> form = std::make_shared<Screen>("Form", &log);
    std::shared_ptr<Screen> help = std::make_shared<Screen>("Help", &log);
    std::shared_ptr<TabBarController> tabs = std::make_shared<TabBarController>();

    void SetUp() override {
        nav->setTitle("Browse");
        help->tabBarItem().enabled = false;
        tabs->setViewControllers({nav, form, help});
        host.window().setRootViewController(tabs);
        host.drain();
    }
};

TEST_F(DemoApp, TheFirstTabAppearsWithItsLifeCycleInOrder) {
    EXPECT_EQ(log, (std::vector<std::string>{"List load", "List will appear", "List did appear"}));
    EXPECT_EQ(list->navigationController(), nav.get());
    EXPECT_EQ(list->tabBarController(), tabs.get());
    EXPECT_EQ(driver.text("navigationTitle"), "List");
    EXPECT_FALSE(form->isViewLoaded()); // views load lazily
}

TEST_F(DemoApp, ANewWindowSizeReachesTheShownControllersAndThePresentedOne) {
    auto sheet = std::make_shared<Screen>("Sheet", &log);
    list->presentViewController(sheet, false);
    host.drain();
    log.clear();
    host.window().transitionToSize({480, 320});
    // The shown tab's stack and what it presents; not the tabs that are not shown.
    EXPECT_EQ(log, (std::vector<std::string>{"List size 480", "Sheet size 480"}));
}

TEST_F(DemoApp, TheBarFollowsTheTitleUnlessTheItemHasATitleOfItsOwn) {
    list->setTitle("Edit");
    EXPECT_EQ(driver.text("navigationTitle"), "Edit");
    list->setTitle("List");
    EXPECT_EQ(driver.text("navigationTitle"), "List");
    list->navigationItem().title = "Own";
    list->setTitle("Edit");
    nav->updateBar();
    EXPECT_EQ(driver.text("navigationTitle"), "Own");
    // The tab keeps the first title it was given.
    EXPECT_EQ(list->tabBarItem().title, "List");

    // Two items on the right of a narrow bar: the title moves off the centre rather than being cut.
    list->navigationItem().title = "Browse";
    list->navigationItem().rightBarButtonItems = {
        std::make_shared<BarButtonItem>(BarButtonItem::SystemItem::Edit, [](BarButtonItem&) {}),
        std::make_shared<BarButtonItem>(BarButtonItem::SystemItem::Action, [](BarButtonItem&) {})};
    nav->updateBar();
    auto* title = driver.find<Label>("navigationTitle");
    ASSERT_NE(title, nullptr);
    EXPECT_GE(title->frame().width(), title->sizeThatFits({}).width);
    for (const auto& item : list->navigationItem().rightBarButtonItems)
        EXPECT_FALSE(title->frame().intersects(item->view()->frame()));
    // Widened, the bar has room to centre it again.
    nav->view().setFrame({0, 0, 1024, 480});
    nav->view().layoutIfNeeded();
    nav->navigationBar().layoutIfNeeded();
    EXPECT_EQ(title->frame().midX(), 512);
}

TEST_F(DemoApp, TabsSwitchOnTapsAndADisabledTabStays) {
    log.clear();
    driver.tapText("Form");
    EXPECT_EQ(tabs->selectedIndex(), 1u);
    EXPECT_EQ(log, (std::vector<std::string>{"List will disappear", "List did disappear", "Form load",
                                             "Form will appear", "Form did appear"}));
    driver.tapText("Help");
    EXPECT_EQ(tabs->selectedIndex(), 1u);
    EXPECT_FALSE(help->isViewLoaded());
    driver.tapText("Browse");
    EXPECT_EQ(tabs->selectedIndex(), 0u);
    EXPECT_TRUE(list->view().window() == &host.window());
}

TEST_F(DemoApp, PushAndPopThroughTheBackButton) {
    auto detail = std::make_shared<Screen>("Detail", &log);
    int saves = 0;
    detail->navigationItem().setRightBarButtonItem(
        std::make_shared<BarButtonItem>(BarButtonItem::SystemItem::Save, [&](BarButtonItem&) { ++saves; }));
    nav->pushViewController(detail, true);
    host.drain();
    EXPECT_EQ(nav->topViewController(), detail.get());
    EXPECT_EQ(driver.text("navigationTitle"), "Detail");
    EXPECT_EQ(driver.text("navigationBack"), "< List");
    driver.tapText("Save");
    EXPECT_EQ(saves, 1);
    log.clear();
    driver.tap("navigationBack");
    EXPECT_EQ(nav->topViewController(), list.get());
    EXPECT_EQ(log, (std::vector<std::string>{"Detail will disappear", "Detail did disappear",
                                             "List will appear", "List did appear"}));
    EXPECT_EQ(driver.find("navigationBack"), nullptr);

    // Popping to the root drops everything above it.
    nav->pushViewController(std::make_shared<Screen>("A", &log), false);
    nav->pushViewController(std::make_shared<Screen>("B", &log), false);
    // A previous title too long for the back button reads "Back".
    nav->topViewController()->setTitle("A title much too long for a back button");
    nav->pushViewController(std::make_shared<Screen>("C", &log), false);
    EXPECT_EQ(driver.text("navigationBack"), "< Back");
    EXPECT_EQ(nav->popToRootViewControllerAnimated(false).size(), 3u);
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    nav->setNavigationBarHidden(true, false);
    EXPECT_TRUE(nav->navigationBar().isHidden());
}

TEST_F(DemoApp, AnAlertIsAnsweredAndItsHandlerRunsAfterTheDismissal) {
    driver.tapText("Form");
    auto alert = std::make_shared<AlertController>("Delete column?", "It cannot be undone.",
                                                   AlertControllerStyle::Alert);
    std::vector<std::string> chosen;
    alert->addAction(
        {"Cancel", AlertActionStyle::Cancel, [&](const AlertAction& a) { chosen.push_back(a.title); }});
    alert->addAction({"Delete", AlertActionStyle::Destructive, [&](const AlertAction& a) {
                          chosen.push_back(a.title);
                          EXPECT_EQ(form->presentedViewController(), nullptr);
                      }});
    bool presented = false;
    form->presentViewController(alert, true, [&] { presented = true; });
    host.drain();
    EXPECT_TRUE(presented);
    EXPECT_EQ(alert->presentingViewController(), form.get());
    EXPECT_EQ(driver.text("alertTitle"), "Delete column?");
    // The alert covers the tab bar: a tap on a tab reaches the alert's dimming view.
    EXPECT_NE(driver.tapText("Browse"), nullptr);
    EXPECT_EQ(tabs->selectedIndex(), 1u);
    driver.tapText("Delete");
    EXPECT_EQ(chosen, (std::vector<std::string>{"Delete"}));
    EXPECT_EQ(driver.find("alert"), nullptr);
}

TEST_F(DemoApp, ALongTitleOrMessageGrowsTheAlertInsteadOfBeingCut) {
    struct Case {
        std::string title, message;
        bool grows;
    };
    const Case cases[] = {
        {"Delete column?", "It cannot be undone.", false},
        {"Export dataset as text file, whole or filtered.", "", true},
        {"Message Saved",
         "No mail program took the message. It was saved as:\n/tmp/ovrida-a1b2c3/Ovrida message 2031-06-01 "
         "12-00-00.eml",
         true},
    };
    driver.tapText("Form");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        auto alert = std::make_shared<AlertController>(c.title, c.message, AlertControllerStyle::Alert);
        alert->addAction({"OK", AlertActionStyle::Default, {}});
        form->presentViewController(alert, false);
        host.drain();
        View* panel = driver.find("alert");
        ASSERT_NE(panel, nullptr);
        const double usual = (c.message.empty() ? 32 : 70) + 44;
        EXPECT_EQ(panel->bounds().height() > usual, c.grows);
        // Every text fits its label, and the button lies below the texts.
        View* button = driver.findByText("OK");
        ASSERT_NE(button, nullptr);
        for (const char* id : {"alertTitle", "alertMessage"}) {
            auto* label = driver.find<Label>(id);
            if (!label)
                continue;
            EXPECT_LE(label->sizeThatFits({label->bounds().width(), 0}).height, label->bounds().height() + 1) << id;
            EXPECT_LE(label->frame().maxY(), button->frame().minY()) << id;
        }
        EXPECT_LE(button->frame().maxY(), panel->bounds().height());
        alert->choose(0);
        host.drain();
    }
}

TEST(OffScreenController, LoadsItsViewWithoutAWindowAndPresentsWithoutShowing) {
    host::HeadlessHost host;
    std::vector<std::string> log;
    auto screen = std::make_shared<Screen>("Report", &log);
    EXPECT_EQ(screen->view().window(), nullptr);
    auto other = std::make_shared<Screen>("Other", &log);
    screen->presentViewController(other, false);
    EXPECT_EQ(screen->presentedViewController(), other.get());
    EXPECT_FALSE(other->isViewLoaded());
    other->dismissViewController(false);
    EXPECT_EQ(screen->presentedViewController(), nullptr);
}

} // namespace
