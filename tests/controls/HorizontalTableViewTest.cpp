// The sideways table on the headless host: header width, turned cells with upright content, reuse,
// reloading, the wheel, and how it looks.
#include "controls/HorizontalTableView.h"

#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "tests/RenderChecks.h"

#include <gtest/gtest.h>

#include <numbers>
#include <set>

namespace {

using namespace ui;

// An owner as the result screens are: one tagged label per cell, its text the column's item.
struct Columns : TableViewDelegate, HorizontalTableViewDelgate {
    int layouts = 0;
    int configures = 0;
    std::set<TableViewCell*> laidOut;
    void layoutCell(TableViewCell& cell, TableView& table) override {
        ++layouts;
        laidOut.insert(&cell);
        auto label = std::make_shared<Label>(Rect{5, 10, 80, 20});
        label->setTag(7);
        label->setTextAlignment(gfx::TextAlignment::Center);
        label->setFont(gfx::Font::system(14));
        cell.contentView().addSubview(label);
    }
    void configureCell(TableViewCell& cell, const foundation::Value& item, TableView& table) override {
        ++configures;
        static_cast<Label*>(cell.contentView().viewWithTag(7))->setText(item.string());
    }
};

std::vector<foundation::Value> items(int n, const std::string& prefix = "Col ") {
    std::vector<foundation::Value> out;
    for (int i = 0; i < n; ++i)
        out.emplace_back(prefix + std::to_string(i));
    return out;
}

struct Strip : ::testing::Test {
    host::HeadlessHost host{{600, 200}};
    Driver driver{host.window(), host};
    std::shared_ptr<HorizontalTableView> strip = std::make_shared<HorizontalTableView>(Rect{0, 50, 600, 100});
    Columns owner;
    void SetUp() override {
        host.window().setBackgroundColor(Color::white());
        host.window().addSubview(strip);
        strip->labelRowHeader().setText("Mean");
        strip->horizontalTable().setRowHeight(100);
        strip->horizontalTable().setTableDelegate(&owner);
    }
    // The window rect of the cell shown for a column.
    Rect columnRect(int column) {
        TableViewCell* cell = strip->horizontalTable().cellForRowAtIndexPath({0, column});
        return cell ? cell->convertRectToView(cell->bounds(), nullptr) : Rect::null();
    }
    std::string shownText(int column) {
        TableViewCell* cell = strip->horizontalTable().cellForRowAtIndexPath({0, column});
        return cell ? static_cast<Label*>(cell->contentView().viewWithTag(7))->text() : "";
    }
};

TEST_F(Strip, TheHeaderIsAHundredPointsUntilChanged) {
    EXPECT_EQ(strip->labelRowHeader().frame(), (Rect{0, 0, 100, 100}));
    EXPECT_EQ(strip->horizontalTable().superview()->frame(), (Rect{100, 0, 500, 100}));
    strip->changeRowHeaderWidth(60);
    EXPECT_EQ(strip->labelRowHeader().frame(), (Rect{0, 0, 60, 100}));
    View* container = strip->horizontalTable().superview();
    EXPECT_EQ(container->frame(), (Rect{60, 0, 540, 100}));
    EXPECT_FALSE(container->backgroundColor()); // clear: no band where the columns end
    // The turned table fills the container, its own width running up the strip.
    EXPECT_EQ(strip->horizontalTable().frame(), container->bounds());
    EXPECT_EQ(strip->horizontalTable().bounds().size, (Size{100, 540}));
    // A strip built with another width starts with it.
    HorizontalTableView narrow(Rect{0, 0, 300, 40}, 80);
    EXPECT_EQ(narrow.labelRowHeader().frame(), (Rect{0, 0, 80, 40}));
}

TEST_F(Strip, ColumnsRunLeftToRightWithUprightContent) {
    strip->setContentArray(items(3));
    host.drain();
    for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE(c);
        Rect r = columnRect(c);
        EXPECT_NEAR(r.origin.x, 100 + 100 * c, 1e-9);
        EXPECT_NEAR(r.origin.y, 50, 1e-9);
        EXPECT_NEAR(r.size.width, 100, 1e-9);
        EXPECT_NEAR(r.size.height, 100, 1e-9);
        EXPECT_EQ(shownText(c), "Col " + std::to_string(c));
    }
    // The owner laid its label at (5, 10) of 80 x 20; turned back it stands at (10, 5) of 20 x 80 in the
    // turned cell and reads upright: 80 wide and 20 high on screen.
    TableViewCell* cell = strip->horizontalTable().cellForRowAtIndexPath({0, 0});
    View* label = cell->contentView().viewWithTag(7);
    EXPECT_EQ(label->frame(), (Rect{10, 5, 20, 80}));
    EXPECT_EQ(label->bounds().size, (Size{80, 20}));
    Rect onScreen = label->convertRectToView(label->bounds(), nullptr);
    EXPECT_NEAR(onScreen.size.width, 80, 1e-9);
    EXPECT_NEAR(onScreen.size.height, 20, 1e-9);
    EXPECT_NEAR(onScreen.origin.x, 105, 1e-9);
}

TEST_F(Strip, LayoutOncePerCellObjectConfigureOnEveryDisplay) {
    strip->setContentArray(items(40));
    host.drain();
    int shown = owner.configures;
    EXPECT_GE(shown, 5);
    for (int step = 1; step <= 10; ++step) {
        strip->horizontalTable().setContentOffset({0, step * 250.0});
        host.drain();
    }
    EXPECT_EQ(size_t(owner.layouts), owner.laidOut.size());
    EXPECT_EQ(size_t(owner.layouts), strip->horizontalTable().cellCount());
    EXPECT_LE(owner.layouts, shown + 3);
    EXPECT_GT(owner.configures, owner.layouts + 20);
    // Far along, the cells show their own columns.
    auto visible = strip->horizontalTable().indexPathsForVisibleRows();
    ASSERT_FALSE(visible.empty());
    EXPECT_EQ(shownText(visible.front().row), "Col " + std::to_string(visible.front().row));
}

TEST_F(Strip, SettingTheContentReloadsAndAnEmptyArrayShowsNoColumn) {
    strip->setContentArray(items(3));
    host.drain();
    strip->setContentArray(items(2, "Next "));
    host.drain();
    EXPECT_EQ(strip->horizontalTable().numberOfRowsInSection(0), 2);
    EXPECT_EQ(shownText(0), "Next 0");
    EXPECT_EQ(shownText(1), "Next 1");
    EXPECT_EQ(strip->horizontalTable().cellForRowAtIndexPath({0, 2}), nullptr);
    strip->setContentArray({});
    host.drain();
    EXPECT_TRUE(strip->horizontalTable().visibleCells().empty());
    // Nothing is drawn beside the header: the window's white shows through.
    gfx::Image shot = driver.screenshot();
    EXPECT_EQ(shot.pixel(300, 100), Color::white());
}

TEST(HorizontalTableView, WithoutADelegateTheCellsStayEmpty) {
    host::HeadlessHost host{{600, 200}};
    auto strip = std::make_shared<HorizontalTableView>(Rect{0, 0, 600, 100});
    host.window().addSubview(strip);
    strip->setContentArray(items(3));
    host.drain();
    auto cells = strip->horizontalTable().visibleCells();
    ASSERT_EQ(cells.size(), 3u);
    for (TableViewCell* cell : cells) {
        EXPECT_EQ(cell->contentView().subviews().size(), 2u); // only the cell's own, unused labels
        EXPECT_EQ(cell->textLabel().text(), "");
    }
    // A delegate that is not a sideways owner is not asked either.
    TableViewDelegate plain;
    strip->horizontalTable().setTableDelegate(&plain);
    strip->setContentArray(items(4));
    host.drain();
    EXPECT_EQ(strip->horizontalTable().visibleCells().size(), 4u);
}

TEST_F(Strip, TheWheelScrollsTheColumnsSideways) {
    strip->setContentArray(items(20));
    host.drain();
    EXPECT_TRUE(driver.scrollWheel(strip.get(), {0, 150})); // the ordinary vertical wheel
    host.drain();
    EXPECT_EQ(strip->horizontalTable().contentOffset(), (Point{0, 150}));
    EXPECT_NEAR(columnRect(2).origin.x, 100 + 200 - 150, 1e-9);
    EXPECT_TRUE(driver.scrollWheel(strip.get(), {-50, 0})); // sideways on a touchpad
    host.drain();
    EXPECT_EQ(strip->horizontalTable().contentOffset(), (Point{0, 100}));
    EXPECT_EQ(strip->labelRowHeader().frame().origin.x, 0); // the header stays
}

TEST_F(Strip, LooksAsItShould) {
    strip->labelRowHeader().setFont(gfx::Font::boldSystem(14));
    strip->horizontalTable().setBackgroundColor(Color{0.93, 0.95, 1, 1});
    strip->setContentArray(items(7));
    host.drain();
    EXPECT_TRUE(renderChecks::matchesGolden(driver.screenshot(), "tests/fixtures/ui/horizontal-table.png"));
}

} // namespace
