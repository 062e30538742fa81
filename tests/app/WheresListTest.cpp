// The filter list through the driver, as the analysis and variable-detail screens show it: an analysis's
// stored clauses checked in the file after each step, and a free set of clauses in memory.
#include "FilterFixture.h"

namespace {

class WheresListTest : public FilterScreenTest {
  protected:
    void SetUp() override {
        FilterScreenTest::SetUp();
        openWorkspace({{"Age", {"30", "41", "25"}, 3},
                       {"Name", {"Anna", "Dan", "Jan"}, 1},
                       {"Code", {"a", "b", "c"}, 1}});
    }

    std::shared_ptr<WheresViewController> list;
    std::shared_ptr<ui::NavigationController> nav;

    // The list in a popover from the harness button (pad), or full screen (phone).
    void openList(std::shared_ptr<Analysis> analysis, std::shared_ptr<WhereClauseSet> free = nullptr,
                  bool second = false) {
        if (!host)
            makeHarness();
        list = std::make_shared<WheresViewController>(ui::TableViewStyle::Plain);
        list->setModel(&model());
        list->setAnalysis(std::move(analysis));
        list->setSetWheres(std::move(free));
        list->setIsSecondayWhere(second);
        nav = present(list, {320, 480});
    }
    std::vector<std::string> rows() { return cellTexts(list->tableView()); }
    WhereColumnViewController* editor() {
        return dynamic_cast<WhereColumnViewController*>(nav->topViewController());
    }

    // Add, pick the column, and the editor is on top.
    WhereColumnViewController* addFor(const std::string& column) {
        driver->tapText("+");
        auto* picker = dynamic_cast<ColumnPickerViewController*>(nav->topViewController());
        EXPECT_NE(picker, nullptr);
        if (!picker)
            return nullptr;
        EXPECT_EQ(picker->position(), uint64_t(PickerPositionFilterColumn));
        EXPECT_EQ(picker->preferredContentSize(), (ui::Size{320, 480}));
        EXPECT_TRUE(picker->selected().empty());
        for (auto* cell : picker->tableView().visibleCells())
            if (cell->textLabel().text() == column) {
                driver->tap(cell);
                break;
            }
        auto* e = editor();
        EXPECT_NE(e, nullptr);
        if (e) {
            EXPECT_EQ(e->column(), columnNamed(column));
        }
        return e;
    }
    void tapSegment(WhereColumnViewController& e, const std::string& title) {
        auto& s = e.segmentOperator();
        for (size_t i = 0; i < s.numberOfSegments(); ++i)
            if (s.titleForSegmentAtIndex(i) == title) {
                ui::Rect r = s.convertRectToView(s.rectForSegment(i), nullptr);
                driver->tapAt({r.midX(), r.midY()});
            }
    }
    void enter(WhereColumnViewController& e, const std::string& text) {
        auto& field = e.fieldConstant();
        driver->tap(&field);
        driver->deleteBackward(int(field.text().size()));
        driver->type(text);
        ui::Rect headline = e.viewHeadline().convertRectToView(e.viewHeadline().bounds(), nullptr);
        driver->tapAt({headline.maxX() - 5, headline.maxY() + 2});
    }
    std::shared_ptr<WhereClauseObj> freeClause(const std::string& column, uint64_t op, std::string constant) {
        return std::make_shared<WhereClauseObj>(columnNamed(column)->num(), op, std::move(constant));
    }
};

TEST_F(WheresListTest, AStoredClauseIsCreatedChangedAndDeleted) {
    auto analysis = model().addAnalysis("Blood");
    openList(analysis);
    EXPECT_EQ(list->title(), "Set Filters");
    EXPECT_TRUE(rows().empty());
    auto* e = addFor("Age");
    ASSERT_NE(e, nullptr);
    tapSegment(*e, ">");
    enter(*e, "30");
    driver->tapText("Apply");
    // The whole popover closes, the list included.
    EXPECT_EQ(harness->presentedViewController(), nullptr);
    EXPECT_EQ(storedClauses("Blood"), (std::vector<StoredClause>{{"Age", FilterGreater, "30", {}}}));

    openList(analysis);
    EXPECT_EQ(rows(), std::vector<std::string>{"Age > 30"});
    driver->tap(list->tableView().cellForRowAtIndexPath({0, 0}));
    e = editor();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->fieldConstant().text(), "30");
    EXPECT_EQ(
        e->segmentOperator().titleForSegmentAtIndex(size_t(e->segmentOperator().selectedSegmentIndex())),
        ">");
    enter(*e, "40");
    driver->tapText("Apply");
    EXPECT_EQ(storedClauses("Blood"), (std::vector<StoredClause>{{"Age", FilterGreater, "40", {}}}));

    openList(analysis);
    driver->swipe(list->tableView().cellForRowAtIndexPath({0, 0}), ui::SwipeLeft);
    driver->tap("deleteConfirmation");
    EXPECT_TRUE(rows().empty());
    EXPECT_TRUE(storedClauses("Blood").empty());
}

TEST_F(WheresListTest, AnEmptyEqualsIsStoredForAnAnalysisAndDroppedFromAFreeSet) {
    auto analysis = model().addAnalysis("Names");
    openList(analysis);
    auto* e = addFor("Name");
    ASSERT_NE(e, nullptr);
    enter(*e, "");
    driver->tapText("Apply");
    EXPECT_EQ(storedClauses("Names"), (std::vector<StoredClause>{{"Name", FilterEqual, "", {}}}));

    auto free = std::make_shared<WhereClauseSet>();
    openList(nullptr, free);
    e = addFor("Name");
    ASSERT_NE(e, nullptr);
    enter(*e, "");
    driver->tapText("Apply");
    EXPECT_TRUE(free->empty());
    // Without typing, no constant at all: incomplete for an analysis too.
    openList(analysis);
    e = addFor("Code");
    ASSERT_NE(e, nullptr);
    driver->tapText("Apply");
    EXPECT_EQ(storedClauses("Names"), (std::vector<StoredClause>{{"Name", FilterEqual, "", {}}}));
}

TEST_F(WheresListTest, ClearOnAStoredClauseDeletesItsRecord) {
    auto analysis = model().addAnalysis("Cleared");
    auto w = model().managedObjectContext()->insertNewObject<WhereClause>();
    w->setX(columnNamed("Code").get());
    w->setOp(FilterIn);
    w->setLevels({"b", "a"});
    analysis->addWheres2Object(*w);
    model().saveContext();
    ASSERT_EQ(countRows(*model().currentStore(), "WhereClause"), 1);

    // The second sample's list shows only its own clauses.
    openList(analysis);
    EXPECT_TRUE(rows().empty());
    harness->dismissViewController(false);
    openList(analysis, nullptr, true);
    EXPECT_EQ(rows(), std::vector<std::string>{"Code IN a, b"});
    driver->tap(list->tableView().cellForRowAtIndexPath({0, 0}));
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->matchMultiple(), (std::set<std::string>{"a", "b"}));
    driver->tapText("Clear");
    EXPECT_EQ(harness->presentedViewController(), nullptr);
    EXPECT_TRUE(storedClauses("Cleared", true).empty());
    EXPECT_EQ(countRows(*model().currentStore(), "WhereClause"), 0);
}

TEST_F(WheresListTest, LevelsForTheSecondSampleAreStoredThere) {
    auto analysis = model().addAnalysis("Two samples");
    openList(analysis, nullptr, true);
    auto* e = addFor("Code");
    ASSERT_NE(e, nullptr);
    tapSegment(*e, "IN");
    driver->tapText("Choose levels...");
    auto* chooser = dynamic_cast<ColumnLevelChooser*>(nav->topViewController());
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(runUntil([&] { return chooser->levels().size() == 3; }));
    host->drain();
    driver->tap(chooser->tableView().cellForRowAtIndexPath({0, 2}));
    driver->tap(chooser->tableView().cellForRowAtIndexPath({0, 0}));
    driver->tapText("Done");
    driver->tapText("Apply");
    EXPECT_TRUE(storedClauses("Two samples").empty());
    EXPECT_EQ(storedClauses("Two samples", true),
              (std::vector<StoredClause>{{"Code", FilterIn, std::nullopt, {"a", "c"}}}));
}

TEST_F(WheresListTest, FreeClausesAreHeldByIdentity) {
    auto free = std::make_shared<WhereClauseSet>();
    auto first = freeClause("Age", FilterGreater, "30");
    auto twin = freeClause("Age", FilterGreater, "30");
    free->insert(first);
    free->insert(twin);
    free->insert(freeClause("Name", FilterEqual, "Dan"));
    free->insert(freeClause("Age", FilterLess, "50"));
    openList(nullptr, free);
    // Sorted by column name, operator code, constant; equal clauses both stay.
    EXPECT_EQ(rows(), (std::vector<std::string>{"Age < 50", "Age > 30", "Age > 30", "Name = Dan"}));
    // Editing one of the twins replaces it alone.
    driver->tap(list->tableView().cellForRowAtIndexPath({0, 1}));
    auto* e = editor();
    ASSERT_NE(e, nullptr);
    enter(*e, "35");
    driver->tapText("Apply");
    EXPECT_EQ(free->size(), 4u);
    openList(nullptr, free);
    EXPECT_EQ(rows(), (std::vector<std::string>{"Age < 50", "Age > 30", "Age > 35", "Name = Dan"}));
    // Clear removes the clause being edited.
    driver->tap(list->tableView().cellForRowAtIndexPath({0, 3}));
    driver->tapText("Clear");
    EXPECT_EQ(free->size(), 3u);
    // A swipe removes one from the set.
    openList(nullptr, free);
    driver->swipe(list->tableView().cellForRowAtIndexPath({0, 0}), ui::SwipeLeft);
    driver->tap("deleteConfirmation");
    EXPECT_EQ(rows(), (std::vector<std::string>{"Age > 30", "Age > 35"}));
    EXPECT_EQ(free->size(), 2u);
}

TEST_F(WheresListTest, AFreeClauseOnARemovedColumnLeavesTheListAndTheSet) {
    auto free = std::make_shared<WhereClauseSet>();
    free->insert(freeClause("Age", FilterGreater, "30"));
    free->insert(freeClause("Name", FilterEqual, "Dan"));
    openList(nullptr, free);
    EXPECT_EQ(rows().size(), 2u);
    model().removeColumn(*columnNamed("Age"));
    host->drain();
    EXPECT_EQ(rows(), std::vector<std::string>{"Name = Dan"});
    EXPECT_EQ(free->size(), 1u);
}

TEST_F(WheresListTest, DoneOnlyWhenTheListFillsTheScreen) {
    openList(model().addAnalysis("Pad"));
    EXPECT_TRUE(list->navigationItem().leftBarButtonItems.empty());
    EXPECT_EQ(driver->findByText("Done"), nullptr);
    harness->dismissViewController(false);

    makeHarness({375, 667}, ui::UserInterfaceIdiom::Phone);
    openList(model().addAnalysis("Phone"));
    EXPECT_EQ(nav->popoverPresentationController().arrowDirection, 0u);
    ASSERT_NE(driver->findByText("Done"), nullptr);
    driver->tapText("Done");
    EXPECT_EQ(harness->presentedViewController(), nullptr);
}

} // namespace
