// The table controller as lists and pickers use it: its own rows after viewDidLoad, selection kept or
// cleared on returning, editing reaching the table, and a bare one serving another screen's rows.
#include "platform/ui/TableViewController.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"

#include <gtest/gtest.h>

namespace {

using namespace ui;

// Rows set in viewDidLoad, as the app's lists do, after the table first asked for them.
struct Fruit : TableViewController {
    std::vector<std::string> names;
    std::vector<int> picked;
    Fruit() : TableViewController(TableViewStyle::Grouped) {}
    void viewDidLoad() override {
        setTitle("Fruit");
        names = {"Apple", "Pear", "Quince"};
    }
    int numberOfRowsInSection(TableView&, int) override { return int(names.size()); }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath ip) override {
        auto cell = table.dequeueReusableCellWithIdentifier("Fruit", ip);
        cell->textLabel().setText(names[size_t(ip.row)]);
        return cell;
    }
    void didSelectRowAtIndexPath(TableView&, IndexPath ip) override { picked.push_back(ip.row); }
};

struct TableControllerShown : ::testing::Test {
    host::HeadlessHost host{{320, 480}};
    Driver driver{host.window(), host};
    std::shared_ptr<Fruit> fruit = std::make_shared<Fruit>();
    std::shared_ptr<NavigationController> nav = std::make_shared<NavigationController>(fruit);
    void SetUp() override {
        host.window().setRootViewController(nav);
        host.drain();
    }
};

TEST_F(TableControllerShown, TheViewIsTheTableServedByTheController) {
    TableView& table = fruit->tableView();
    EXPECT_EQ(&fruit->view(), &table);
    EXPECT_EQ(table.dataSource(), fruit.get());
    EXPECT_EQ(table.tableDelegate(), fruit.get());
    EXPECT_EQ(fruit->style(), TableViewStyle::Grouped);
    // The rows of viewDidLoad are on screen without the subclass reloading.
    EXPECT_EQ(table.numberOfRowsInSection(0), 3);
    ASSERT_NE(driver.findByText("Quince"), nullptr);
    driver.tapText("Pear");
    EXPECT_EQ(fruit->picked, std::vector<int>{1});
}

TEST_F(TableControllerShown, ReturningClearsTheSelectionUnlessAskedToKeepIt) {
    for (bool clears : {true, false}) {
        SCOPED_TRACE(clears);
        fruit->setClearsSelectionOnViewWillAppear(clears);
        driver.tapText("Apple");
        ASSERT_EQ(fruit->tableView().indexPathForSelectedRow(), (IndexPath{0, 0}));
        nav->pushViewController(std::make_shared<ViewController>(), false);
        host.drain();
        nav->popViewControllerAnimated(false);
        host.drain();
        EXPECT_EQ(fruit->tableView().indexPathForSelectedRow().has_value(), !clears);
    }
}

TEST_F(TableControllerShown, EditingReachesTheTable) {
    fruit->setEditing(true, false);
    EXPECT_TRUE(fruit->isEditing());
    EXPECT_TRUE(fruit->tableView().isEditing());
    fruit->setEditing(false, true);
    EXPECT_FALSE(fruit->tableView().isEditing());
}

// A screen that lends its rows to a bare controller shown as a chooser.
struct Chooser : TableViewDataSource, TableViewDelegate {
    int chosen = -1;
    int numberOfRowsInSection(TableView&, int) override { return 2; }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath ip) override {
        auto cell = table.dequeueReusableCellWithIdentifier("Types", ip);
        cell->textLabel().setText(ip.row == 0 ? "Categorical" : "Numeric");
        return cell;
    }
    void didSelectRowAtIndexPath(TableView& table, IndexPath ip) override { chosen = table.tag() * 10 + ip.row; }
};

TEST(TableViewController, ABareOneShowsTheRowsOfAnotherScreen) {
    host::HeadlessHost host{{320, 480}};
    Driver driver{host.window(), host};
    Chooser screen;
    auto bare = std::make_shared<TableViewController>();
    EXPECT_EQ(bare->tableView().numberOfRowsInSection(0), 0); // nothing of its own
    bare->tableView().setTag(20);
    bare->tableView().setDataSource(&screen);
    bare->tableView().setTableDelegate(&screen);
    host.window().setRootViewController(bare);
    host.drain();
    driver.tapText("Numeric");
    EXPECT_EQ(screen.chosen, 201);
}

} // namespace
