// The row strips of the Browse screen on a real workspace, driven as a user would: inner rows browsing
// and editing, the filter colour of the header, renaming and editing values, Return, narrow strips and
// the upright edit fields inside the turned inner table.
#include "app/BrowseCell.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "tests/RenderChecks.h"
#include "tests/model/StoreFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace ui;

// The Browse screen as far as the strips see it, recording what they ask of it.
struct RecordingScreen : TableViewDelegate, BrowseCellDelegate {
    std::set<int64_t> changed;
    std::map<int64_t, WhereClauseObj> filter;
    std::vector<std::string> calls;
    std::set<int64_t>& changedColumns() override { return changed; }
    const std::map<int64_t, WhereClauseObj>& wheres() const override { return filter; }
    void popWhereForColumn(Column& column, Button& button) override {
        calls.push_back("where " + column.name() + " from " + std::to_string(button.tag()));
    }
    void addEmptyColumn() override { calls.push_back("addEmptyColumn"); }
    // The inner tables' rows are the columns, 150 points each, as the screen answers.
    double heightForRowAtIndexPath(TableView&, IndexPath) override { return 150; }
};

struct BrowseStripTest : StoreTest {
    host::HeadlessHost host{{1024, 768}};
    Driver driver{host.window(), host};
    std::unique_ptr<Model> model = mainModel();
    RecordingScreen screen;
    std::vector<std::shared_ptr<Column>> columns;

    void SetUp() override {
        StoreTest::SetUp();
        model->openStore(path("strips.ov"));
        columns = workspaceOf(*model, {{"1", "2"}, {"a", "b"}, {"x", "y"}});
    }

    std::vector<std::shared_ptr<Cell>> rowCells(int64_t num) {
        return model->cellsForRow(*model->rowNumber(uint64_t(num)), {{"colNum", true}});
    }

    template <class Strip> void configure(Strip& strip, bool editing) {
        strip.horizontalTableView().setTableDelegate(&screen);
        strip.horizontalTableView().setRowHeight(150);
        strip.setModeEdit(editing);
        strip.horizontalTableView().reloadData();
        host.drain();
    }

    std::shared_ptr<BrowseCell> showRow(int64_t num, bool editing, double width = 1024) {
        auto cell = std::make_shared<BrowseCell>(TableViewCellStyle::Default, "row");
        cell->setFrame({0, 100, width, 40});
        host.window().addSubview(cell);
        cell->setContentArray(rowCells(num));
        cell->labelRow().setText(std::to_string(num));
        configure(*cell, editing);
        return cell;
    }

    std::shared_ptr<BrowseHeader> showHeader(bool editing, double width = 1024) {
        auto header = std::make_shared<BrowseHeader>(Rect{0, 0, width, 50});
        host.window().addSubview(header);
        header->setContentArray(columns);
        configure(*header, editing);
        return header;
    }

    static TableViewCell* inner(TableView& table, int i) { return table.cellForRowAtIndexPath({0, i}); }
    static TextField* fieldOf(TableView& table, int i) {
        auto* cell = inner(table, i);
        if (!cell)
            return nullptr;
        for (const auto& sub : cell->contentView().subviews())
            if (auto* f = dynamic_cast<TextField*>(sub.get()))
                return f;
        return nullptr;
    }
    // Replaces the field's text as a user would and ends the editing.
    void retype(TextField* field, const std::string& text) {
        ASSERT_NE(field, nullptr);
        driver.tap(field);
        ASSERT_TRUE(field->isFirstResponder());
        driver.deleteBackward(int(field->text().size()));
        driver.type(text);
        host.window().endEditing(true);
        host.drain();
    }
};

TEST_F(BrowseStripTest, ARowOfThreeShowsThreeInnerRowsAndAPlusRowWhileEditing) {
    auto row = showRow(1, false);
    auto header = showHeader(false);
    EXPECT_EQ(row->horizontalTableView().numberOfRowsInSection(0), 3);
    EXPECT_EQ(header->horizontalTableView().numberOfRowsInSection(0), 3);
    EXPECT_EQ(inner(row->horizontalTableView(), 0)->reuseIdentifier(), "SubCell");
    EXPECT_EQ(driver.text(inner(row->horizontalTableView(), 1)->contentView().viewWithTag(201)), "a");
    EXPECT_EQ(driver.text(inner(header->horizontalTableView(), 2)->contentView().viewWithTag(201)), "v2 ");

    configure(*row, true);
    configure(*header, true);
    struct Case {
        const char* strip;
        TableView* table;
        bool plusHidden;
    };
    const Case cases[] = {{"row", &row->horizontalTableView(), true},
                          {"header", &header->horizontalTableView(), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strip);
        ASSERT_EQ(c.table->numberOfRowsInSection(0), 4);
        EXPECT_EQ(inner(*c.table, 0)->reuseIdentifier(), "EditSubCell");
        EXPECT_EQ(fieldOf(*c.table, 0)->tag(), 0);
        EXPECT_EQ(fieldOf(*c.table, 2)->tag(), 2);
        auto* plusCell = inner(*c.table, 3);
        ASSERT_NE(plusCell, nullptr);
        EXPECT_EQ(plusCell->reuseIdentifier(), "AddSubCell");
        auto* plus = plusCell->contentView().viewWithTag(205);
        ASSERT_NE(plus, nullptr);
        EXPECT_EQ(plus->isHidden(), c.plusHidden);
        EXPECT_EQ(driver.text(plus), "+");
    }
    EXPECT_EQ(fieldOf(row->horizontalTableView(), 1)->text(), "a");
    EXPECT_EQ(fieldOf(row->horizontalTableView(), 0)->keyboardType(), KeyboardType::NumbersAndPunctuation);
    EXPECT_EQ(fieldOf(header->horizontalTableView(), 1)->text(), "v1");
    EXPECT_EQ(fieldOf(header->horizontalTableView(), 0)->keyboardType(), KeyboardType::Default);
    EXPECT_EQ(fieldOf(header->horizontalTableView(), 0)->returnKeyType(), ReturnKeyType::Next);

    // The header's "+" asks the screen for a new column.
    driver.tap(inner(header->horizontalTableView(), 3)->contentView().viewWithTag(205));
    EXPECT_EQ(screen.calls, (std::vector<std::string>{"addEmptyColumn"}));
}

TEST_F(BrowseStripTest, TheHeaderLabelIsGreenWithAFilterOnItsColumnAndOrangeOnceItIsCleared) {
    const Color green{136 / 255.0, 200 / 255.0, 77 / 255.0, 1}, orange{1.0, 0.8, 0.4, 1};
    screen.filter[columns[1]->num()] = WhereClauseObj(columns[1]->num(), FilterEqual, "a");
    auto header = showHeader(false);
    auto labelOf = [&](int i) { return inner(header->horizontalTableView(), i)->contentView().viewWithTag(201); };
    EXPECT_EQ(labelOf(1)->backgroundColor(), green);
    EXPECT_EQ(labelOf(0)->backgroundColor(), orange);
    // On screen too: the middle of column 1's label, left of its centred text.
    Rect r = labelOf(1)->convertRectToView(labelOf(1)->bounds(), nullptr);
    Color shown = driver.screenshot().pixel(int(r.minX() + 10), int(r.midY()));
    EXPECT_NEAR(shown.red, green.red, 0.02);
    EXPECT_NEAR(shown.green, green.green, 0.02);
    EXPECT_NEAR(shown.blue, green.blue, 0.02);

    // The filter button of column 1 opens the screen's editor for it.
    auto* button = inner(header->horizontalTableView(), 1)->contentView().viewWithTag(1);
    ASSERT_NE(dynamic_cast<Button*>(button), nullptr);
    driver.tap(button);
    EXPECT_EQ(screen.calls, (std::vector<std::string>{"where v1 from 1"}));

    screen.filter.clear();
    header->horizontalTableView().reloadData();
    host.drain();
    EXPECT_EQ(labelOf(1)->backgroundColor(), orange);
}

TEST_F(BrowseStripTest, RenamingInTheHeaderTakesItsOwnNameAndRefusesAnotherOrNone) {
    auto header = showHeader(true);
    struct Case {
        const char* typed;
        const char* name; // the column's name afterwards
    };
    const Case cases[] = {
        {"v1", "v1"},     // its own name: accepted, no change
        {"v0", "v1"},     // another column's
        {"", "v1"},       // none
        {"weight", "weight"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        auto* field = fieldOf(header->horizontalTableView(), 1);
        retype(field, c.typed);
        EXPECT_EQ(columns[1]->name(), c.name);
        EXPECT_EQ(field->text(), c.name);
    }
}

TEST_F(BrowseStripTest, ARowMarksItsColumnChangedOnlyForADifferentValue) {
    auto row = showRow(2, true);
    auto* field = fieldOf(row->horizontalTableView(), 1);
    retype(field, "b");
    EXPECT_TRUE(screen.changed.empty());
    EXPECT_EQ(rowCells(2)[1]->data(), "b");
    retype(field, "c");
    retype(fieldOf(row->horizontalTableView(), 1), "d");
    EXPECT_EQ(screen.changed, (std::set<int64_t>{columns[1]->num()}));
    EXPECT_EQ(row->contentArray()[1]->data(), "d");
    // The edit is the context's: saved, another context reads it.
    model->saveContext();
    auto other = backgroundModel(*model);
    EXPECT_EQ(other->cellsForRow(*other->rowNumber(2), {{"colNum", true}})[1]->data(), "d");
}

TEST_F(BrowseStripTest, ReturnMovesOntoTheNextInnerRowThePlusRowIncluded) {
    // Narrow enough that the later rows must be scrolled to.
    auto header = showHeader(true, 300);
    TableView& table = header->horizontalTableView();
    driver.tap(fieldOf(table, 0));
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(fieldOf(table, i)->isFirstResponder());
        driver.pressReturn();
        ASSERT_NE(fieldOf(table, i + 1), nullptr);
        EXPECT_TRUE(fieldOf(table, i + 1)->isFirstResponder());
    }
    driver.pressReturn();
    // The "+" row is scrolled to; it takes no typing, so nothing edits any more.
    host.waitUntilIdle();
    auto* plusCell = inner(table, 3);
    ASSERT_NE(plusCell, nullptr);
    Rect shown = plusCell->convertRectToView(plusCell->bounds(), nullptr);
    EXPECT_LE(shown.maxX(), 300);
    EXPECT_EQ(host.window().firstResponder(), nullptr);
}

TEST_F(BrowseStripTest, AStripNarrowerThanItsLabelGivesTheInnerTableNoWidth) {
    struct Case {
        double width;
        double inner;
    };
    for (const Case c : {Case{30, 0}, Case{50, 0}, Case{51.9, 1}, Case{320, 270}}) {
        SCOPED_TRACE(c.width);
        auto header = std::make_shared<BrowseHeader>(Rect{0, 0, c.width, 50});
        Rect f = header->horizontalTableView().frame();
        EXPECT_EQ(f, (Rect{50, 0, c.inner, 50}));
        // Turned: its rows run along its height.
        EXPECT_EQ(header->horizontalTableView().bounds().size, (Size{50, c.inner}));
        EXPECT_EQ(header->labelRow().frame(), (Rect{0, 0, 50, 50}));
    }
}

TEST_F(BrowseStripTest, TheTurnedEditFieldIsUprightOnScreen) {
    auto row = showRow(1, true);
    auto* field = fieldOf(row->horizontalTableView(), 0);
    ASSERT_NE(field, nullptr);
    // In the inner cell it stands on end, 40 wide and 150 high...
    EXPECT_EQ(field->frame(), (Rect{0, 0, 40, 150}));
    EXPECT_NE(driver.dumpTree().find("TextField (0 0; 40 150) id=field"), std::string::npos) << driver.dumpTree();
    // ...and the two turns make it 150 wide and 40 high in the window, right of the row label.
    Rect shown = field->convertRectToView(field->bounds(), nullptr);
    EXPECT_EQ(shown, (Rect{50, 100, 150, 40}));
    Rect second = fieldOf(row->horizontalTableView(), 1)->convertRectToView(Rect{0, 0, 150, 40}, nullptr);
    EXPECT_EQ(second, (Rect{200, 100, 150, 40}));
}

// The strips as the screen shows them, at the pad's width and at a phone's: the grey row label, the
// header's labels orange, or green for the filtered column, and the rows' white boxes, each inner row
// 150 points wide beside the 50-point label.
TEST_F(BrowseStripTest, TheStripsDrawnAtPadAndPhoneWidths) {
    screen.filter.emplace(columns[1]->num(), WhereClauseObj(columns[1]->num(), FilterEqual, "a"));
    struct Case {
        const char* name;
        double width;
        double top;
    };
    const Case cases[] = {{"pad", 1024, 0}, {"phone", 375, 200}};
    for (const Case& c : cases) {
        auto header = showHeader(false, c.width);
        header->setFrame({0, c.top, c.width, 50});
        auto row = showRow(2, false, c.width);
        row->setFrame({0, c.top + 50, c.width, 40});
    }
    host.drain();
    const auto file = renderChecks::scratchPath("browse-strips.png");
    EXPECT_TRUE(driver.saveScreenshot(file, 2));
    const gfx::Image shot = driver.screenshot();
    auto near = [](Color a, Color b) {
        return std::abs(a.red - b.red) < 0.02 && std::abs(a.green - b.green) < 0.02 && std::abs(a.blue - b.blue) < 0.02;
    };
    const Color orange{1.0, 0.8, 0.4, 1}, green{136 / 255.0, 200 / 255.0, 77 / 255.0, 1};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Left of each text, inside the 2-point borders.
        for (int i = 0; i < 3; ++i) {
            const double x = 50 + 150.0 * i + 6;
            if (x >= c.width)
                break;
            SCOPED_TRACE(i);
            EXPECT_TRUE(near(shot.pixel(int(x), int(c.top + 25)), i == 1 ? green : orange));
            EXPECT_TRUE(near(shot.pixel(int(x), int(c.top + 70)), Color::white()));
        }
        EXPECT_TRUE(near(shot.pixel(6, int(c.top + 70)), Color::gray(0.9)));
        // Nothing past the strip's width: what shows there is the empty window, as below every strip.
        if (c.width < 1024) {
            EXPECT_TRUE(near(shot.pixel(int(c.width) + 4, int(c.top + 25)), shot.pixel(1020, 760)));
        }
    }
}

} // namespace
