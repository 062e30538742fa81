// Tables driven headless: only visible cells exist, taps select, a swipe offers deletion, rich text views.
#include "platform/ui/TableView.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/TextView.h"

#include <gtest/gtest.h>

namespace {

using namespace ui;

struct Rows : TableViewDataSource, TableViewDelegate {
    std::vector<std::string> names;
    std::vector<IndexPath> selected;
    int made = 0;
    int numberOfRowsInSection(TableView&, int) override { return int(names.size()); }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath ip) override {
        auto cell = table.dequeueReusableCellWithIdentifier("Row", ip);
        cell->textLabel().setText(names[size_t(ip.row)]);
        ++made;
        return cell;
    }
    bool canEditRowAtIndexPath(TableView&, IndexPath) override { return true; }
    void commitEditingStyle(TableView& table, TableViewCellEditingStyle style, IndexPath ip) override {
        if (style != TableViewCellEditingStyle::Delete)
            return;
        names.erase(names.begin() + ip.row);
        table.deleteRowsAtIndexPaths({ip}, true);
    }
    double heightForRowAtIndexPath(TableView&, IndexPath ip) override { return ip.row == 0 ? 60 : -1; }
    void didSelectRowAtIndexPath(TableView&, IndexPath ip) override { selected.push_back(ip); }
};

struct Table : ::testing::Test {
    host::HeadlessHost host{{320, 480}};
    Driver driver{host.window(), host};
    std::shared_ptr<TableView> table = std::make_shared<TableView>(Rect{0, 0, 320, 480});
    Rows rows;
    void SetUp() override {
        for (int i = 0; i < 10000; ++i)
            rows.names.push_back("Row " + std::to_string(i));
        table->setIdentifier("table");
        host.window().addSubview(table);
        table->setDataSource(&rows);
        table->setTableDelegate(&rows);
        host.drain();
    }
};

TEST_F(Table, OnlyTheVisibleRowsHaveCellsWhileScrollingFiftyScreens) {
    EXPECT_EQ(table->contentSize().height, 60 + 9999 * 44);
    size_t fit = size_t(480 / 44) + 2;
    EXPECT_LE(table->visibleCells().size(), fit);
    for (int screen = 1; screen <= 50; ++screen) {
        table->setContentOffset({0, screen * 480.0});
        host.drain();
        ASSERT_LE(table->cellCount(), fit) << "screen " << screen;
    }
    auto visible = table->indexPathsForVisibleRows();
    ASSERT_FALSE(visible.empty());
    // 50 screens down: 24000 points, minus the taller first row.
    EXPECT_EQ(visible.front().row, (24000 - 60) / 44 + 1);
    EXPECT_EQ(driver.text(table->cellForRowAtIndexPath(visible.front())),
              rows.names[size_t(visible.front().row)]);
}

TEST_F(Table, ACellAskedDirectlyIsSizedToTheTableAndTheRow) {
    auto cell = rows.cellForRowAtIndexPath(*table, {0, 0});
    EXPECT_EQ(cell->bounds().size, (Size{320, 60}));
    EXPECT_EQ(cell->textLabel().frame().size.width, 320 - 30);
}

TEST_F(Table, ATapSelectsTheRowUnderTheFinger) {
    driver.tapText("Row 3");
    ASSERT_EQ(rows.selected.size(), 1u);
    EXPECT_EQ(rows.selected[0], (IndexPath{0, 3}));
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath{0, 3}));
    EXPECT_TRUE(table->cellForRowAtIndexPath({0, 3})->isSelected());
    driver.tapText("Row 1");
    EXPECT_EQ(table->indexPathsForSelectedRows(), (std::vector<IndexPath>{{0, 1}}));
    table->scrollToRowAtIndexPath({0, 500}, TableViewScrollPosition::Top, false);
    host.drain();
    EXPECT_EQ(table->indexPathsForVisibleRows().front(), (IndexPath{0, 500}));
}

TEST_F(Table, SwipeToDeleteRemovesTheRow) {
    TableViewCell* cell = table->cellForRowAtIndexPath({0, 2});
    ASSERT_NE(cell, nullptr);
    driver.swipe(cell, SwipeLeft);
    ASSERT_EQ(table->rowShowingDelete(), (IndexPath{0, 2}));
    EXPECT_TRUE(rows.selected.empty());
    driver.tap("deleteConfirmation");
    EXPECT_EQ(rows.names.size(), 9999u);
    EXPECT_EQ(driver.text(table->cellForRowAtIndexPath({0, 2})), "Row 3");
    EXPECT_FALSE(table->rowShowingDelete());
    EXPECT_TRUE(rows.selected.empty());
}

TEST(TextViewTest, RichTextSetsTheContentHeightAndDraws) {
    host::HeadlessHost host{{200, 100}};
    auto view = std::make_shared<TextView>(Rect{0, 0, 200, 100});
    host.window().addSubview(view);
    gfx::RichText text;
    for (int i = 0; i < 20; ++i)
        text.append("A line of help text\n");
    view->setAttributedText(text);
    host.drain();
    EXPECT_GT(view->contentSize().height, 200);
    Driver driver(host.window(), host);
    EXPECT_TRUE(driver.scrollWheel(view.get(), {0, 50}));
    EXPECT_EQ(view->contentOffset().y, 50);
    gfx::Image badge = drawImage({10, 10}, 2, [](gfx::Context& ctx) {
        ctx.setFillColor(gfx::Color{1, 0, 0, 1});
        ctx.fillEllipseInRect({0, 0, 10, 10});
    });
    EXPECT_EQ(badge.pixelWidth(), 20);
    EXPECT_EQ(badge.pixel(10, 10), (gfx::Color{1, 0, 0, 1}));
    EXPECT_EQ(badge.pixel(0, 0).alpha, 0);
}

TEST(TextViewTest, ANewTextOrWidthIsLaidOutAfresh) {
    host::HeadlessHost host{{400, 300}};
    auto view = std::make_shared<TextView>(Rect{0, 0, 400, 100});
    host.window().addSubview(view);
    auto lines = [](int n) {
        gfx::RichText text;
        for (int i = 0; i < n; ++i)
            text.append("A line of result text\n");
        return text;
    };
    view->setAttributedText(lines(20));
    host.drain();
    const double tall = view->contentSize().height;
    view->setAttributedText(lines(2));
    host.drain();
    const double shortText = view->contentSize().height;
    EXPECT_LT(shortText * 4, tall);
    // One long paragraph wraps onto more lines in a narrower view.
    gfx::RichText paragraph;
    paragraph.append(std::string(40, 'w') + " " + std::string(40, 'w') + " " + std::string(40, 'w'));
    view->setAttributedText(paragraph);
    host.drain();
    const double wide = view->contentSize().height;
    view->setFrame({0, 0, 120, 100});
    host.drain();
    EXPECT_GT(view->contentSize().height, wide);
}

} // namespace

namespace {

TEST_F(Table, EditingShowsDeleteAndInsertControlsThatCommit) {
    struct Styles : Rows {
        std::vector<IndexPath> inserted;
        TableViewCellEditingStyle editingStyleForRowAtIndexPath(TableView&, IndexPath ip) override {
            return ip.row == 0 ? TableViewCellEditingStyle::Insert : TableViewCellEditingStyle::Delete;
        }
        void commitEditingStyle(TableView& t, TableViewCellEditingStyle style, IndexPath ip) override {
            if (style == TableViewCellEditingStyle::Insert)
                inserted.push_back(ip);
            else
                Rows::commitEditingStyle(t, style, ip);
        }
    } styles;
    styles.names = {"A", "B", "C"};
    table->setDataSource(&styles);
    table->setTableDelegate(&styles);
    table->setEditing(true, false);
    host.drain();
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 0})->editingControl(), TableViewCellEditingStyle::Insert);
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 1})->editingControl(), TableViewCellEditingStyle::Delete);
    // The text moves right to make room for the control.
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 1})->textLabel().convertPointToView({0, 0}, table.get()).x,
              38 + 15);
    driver.tap(table->cellForRowAtIndexPath({0, 0})->viewWithIdentifier("editingInsert"));
    EXPECT_EQ(styles.inserted, (std::vector<IndexPath>{{0, 0}}));
    driver.tap(table->cellForRowAtIndexPath({0, 2})->viewWithIdentifier("editingDelete"));
    ASSERT_EQ(table->rowShowingDelete(), (IndexPath{0, 2}));
    driver.tap("deleteConfirmation");
    EXPECT_EQ(styles.names, (std::vector<std::string>{"A", "B"}));
    table->setEditing(false, false);
    host.drain();
    EXPECT_EQ(table->cellForRowAtIndexPath({0, 1})->editingControl(), TableViewCellEditingStyle::None);
    EXPECT_TRUE(styles.selected.empty());
}

} // namespace
