// The one-column filter editor through the driver on real workspaces: operators per type, the first
// operator, the condition in words, Apply's validity, the level suggestions, Apply and Clear.
#include "FilterFixture.h"

#include "tests/RenderChecks.h"

namespace {

class WhereColumnTest : public FilterScreenTest {
  protected:
    void SetUp() override {
        FilterScreenTest::SetUp();
        openWorkspace({{"Age", {"30", "41", "25"}, 3},
                       {"Visit", {"3 May 2021", "4 May 2021"}, 4},
                       {"Name", {"Anna", "Dan", "bob", "Jan", "ANDY", "Ånon", "Dan", "brand"}, 1},
                       {"Smoker", {"yes", "no"}, 2},
                       {"Notes", {"a"}, 0}});
    }

    std::shared_ptr<WhereColumnViewController> editor;
    std::shared_ptr<ui::NavigationController> nav;
    RecordingWhereDelegate delegate;

    // The editor for a column, in a popover from the harness button, as the Browse screen shows it.
    void open(const std::string& column, std::optional<uint64_t> op = std::nullopt,
              std::optional<std::string> matches = std::nullopt, std::set<std::string> levels = {}) {
        if (!host)
            makeHarness();
        if (harness->presentedViewController()) {
            harness->dismissViewController(false);
            host->drain();
        }
        editor = std::make_shared<WhereColumnViewController>();
        editor->setModel(&model());
        editor->setColumn(columnNamed(column));
        editor->setOpType(op);
        editor->setMatches(std::move(matches));
        editor->setMatchMultiple(std::move(levels));
        editor->setDelegate(&delegate);
        nav = present(editor, {320, 300});
    }
    ui::SegmentedControl& segments() { return *driver->find<ui::SegmentedControl>("segmentOperator"); }
    std::vector<std::string> segmentTitles() {
        std::vector<std::string> out;
        for (size_t i = 0; i < segments().numberOfSegments(); ++i)
            out.push_back(segments().titleForSegmentAtIndex(i));
        return out;
    }
    void tapSegment(const std::string& title) {
        for (size_t i = 0; i < segments().numberOfSegments(); ++i)
            if (segments().titleForSegmentAtIndex(i) == title) {
                ui::Rect r = segments().convertRectToView(segments().rectForSegment(i), nullptr);
                driver->tapAt({r.midX(), r.midY()});
                return;
            }
        ADD_FAILURE() << "no segment " << title;
    }
    // Types into the field and ends editing with a tap beside it, as a user leaves a field.
    void enter(const std::string& text) {
        auto& field = editor->fieldConstant();
        driver->tap(&field);
        driver->deleteBackward(int(field.text().size()));
        driver->type(text);
        tapOutside();
    }
    void tapOutside() {
        ui::Rect headline =
            editor->viewHeadline().convertRectToView(editor->viewHeadline().bounds(), nullptr);
        driver->tapAt({headline.maxX() - 5, headline.maxY() + 2});
    }
    bool applyEnabled() { return driver->find<ui::Button>("buttonApply")->isEnabled(); }
};

TEST_F(WhereColumnTest, EachTypeOffersItsOperators) {
    struct Case {
        const char* column;
        std::vector<std::string> titles;
        const char* placeholder;
        ui::KeyboardType keyboard;
    };
    const Case cases[] = {
        {"Age",
         {"=", ">", "≥", "<", "≤", "≠", "IN"},
         "Please enter a number",
         ui::KeyboardType::NumbersAndPunctuation},
        {"Visit",
         {"=", ">", "≥", "<", "≤", "≠", "IN"},
         "Please enter a date",
         ui::KeyboardType::NumbersAndPunctuation},
        {"Name", {"=", "Contains", "≠", "IN"}, "Please enter text to match", ui::KeyboardType::Default},
        {"Smoker", {"=", "≠", "IN"}, "Please enter text to match", ui::KeyboardType::Default},
        {"Notes", {}, "Please enter text to match", ui::KeyboardType::Default},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        open(c.column);
        EXPECT_EQ(editor->title(), "Filter");
        EXPECT_EQ(editor->preferredContentSize(), (ui::Size{320, 300}));
        EXPECT_EQ(driver->text("labelColumnSmall"), c.column);
        EXPECT_EQ(segmentTitles(), c.titles);
        EXPECT_EQ(editor->fieldConstant().placeholder(), c.placeholder);
        EXPECT_EQ(editor->fieldConstant().keyboardType(), c.keyboard);
        EXPECT_EQ(driver->text("buttonApply"), "Apply");
        EXPECT_EQ(driver->text("buttonClear"), "Clear");
    }
    // An Unknown column offers nothing to apply: no operator is taken for granted.
    EXPECT_EQ(segments().selectedSegmentIndex(), ui::SegmentedControl::NoSegment);
    EXPECT_EQ(editor->opType(), std::nullopt);
    EXPECT_EQ(driver->text("labelPredicate"), "No filter");
    enter("a");
    EXPECT_EQ(driver->text("labelPredicate"), "No filter");
    EXPECT_FALSE(applyEnabled());
    // Clear still removes the condition.
    driver->tapText("Clear");
    ASSERT_EQ(delegate.received.size(), 1u);
    EXPECT_EQ(delegate.received[0].colNum, columnNamed("Notes")->num());
    EXPECT_EQ(delegate.received[0].constant, std::nullopt);
    EXPECT_TRUE(delegate.received[0].levels.empty());
    EXPECT_EQ(harness->presentedViewController(), nullptr);
}

TEST_F(WhereColumnTest, TheFirstOperatorOfferedUnlessOneIsGiven) {
    struct Case {
        const char* column;
        std::optional<uint64_t> given;
        int index;
        uint64_t op;
    };
    const Case cases[] = {
        {"Name", std::nullopt, 0, FilterEqual},
        {"Age", FilterLess, 3, FilterLess},
        {"Age", FilterContains, 0, FilterEqual}, // not offered for numbers
        {"Smoker", FilterIn, 2, FilterIn},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        open(c.column, c.given);
        EXPECT_EQ(segments().selectedSegmentIndex(), c.index);
        EXPECT_EQ(editor->opType(), c.op);
    }
    // Choosing another segment changes the operator, and "IN" swaps the field for the levels button.
    open("Age", FilterLess, "30");
    EXPECT_TRUE(driver->find("buttonLevels") == nullptr);
    tapSegment("IN");
    EXPECT_EQ(editor->opType(), uint64_t(FilterIn));
    EXPECT_EQ(driver->find("fieldConstant"), nullptr);
    EXPECT_NE(driver->find("buttonLevels"), nullptr);
    tapSegment("≥");
    EXPECT_EQ(editor->opType(), uint64_t(FilterGreaterOrEqual));
    EXPECT_EQ(driver->text("labelPredicate"), "Browse filter: Age ≥ 30");
}

TEST_F(WhereColumnTest, TheConditionInWords) {
    open("Age");
    EXPECT_EQ(driver->text("labelPredicate"), "No filter");
    tapSegment(">");
    enter("30");
    EXPECT_EQ(driver->text("labelPredicate"), "Browse filter: Age > 30");
    // Levels read in code-point order, whatever order they were chosen in.
    open("Name", FilterIn, std::nullopt, {"b", "B", "a", "10", "9"});
    EXPECT_EQ(driver->text("labelPredicate"), "Browse filter: Name IN 10, 9, B, a, b");
    open("Name", FilterIn);
    EXPECT_EQ(driver->text("labelPredicate"), "No filter");
}

TEST_F(WhereColumnTest, ApplyIsEnabledOnlyForValuesTheColumnCanRead) {
    struct Case {
        const char* column;
        uint64_t op;
        std::optional<std::string> typed; // nothing: levels
        std::set<std::string> levels;
        bool enabled;
    };
    const Case cases[] = {
        {"Age", FilterGreater, "", {}, true},
        {"Age", FilterGreater, "30", {}, true},
        {"Age", FilterGreater, "abc", {}, false},
        {"Visit", FilterLess, "3 May 2021", {}, true},
        {"Visit", FilterLess, "soon", {}, false},
        {"Visit", FilterIn, std::nullopt, {"3 May 2021", "soon"}, false},
        {"Visit", FilterIn, std::nullopt, {"3 May 2021"}, true},
        {"Age", FilterIn, std::nullopt, {}, true},
        {"Age", FilterIn, std::nullopt, {"30", "x"}, false},
        {"Name", FilterContains, "abc", {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " " + c.typed.value_or("(levels)"));
        open(c.column, c.op, std::nullopt, c.levels);
        if (c.typed)
            enter(*c.typed);
        EXPECT_EQ(applyEnabled(), c.enabled);
    }
    // Applying the empty constant sends it as such: an empty text, not no constant.
    open("Age", FilterGreater);
    enter("");
    driver->tapText("Apply");
    ASSERT_FALSE(delegate.received.empty());
    EXPECT_EQ(delegate.received.back().constant, std::string());
    EXPECT_EQ(delegate.received.back().op, uint64_t(FilterGreater));
}

TEST_F(WhereColumnTest, NumbersFollowTheWorkspaceDecimalSeparator) {
    openWorkspace({{"Dose", {"3,5", "4,25"}, 3}}, "Comma.ov");
    model().setMetadataValue(",", "decimalSeparator");
    model().openStore(path("Comma.ov"));
    open("Dose", FilterEqual);
    enter("3,5");
    EXPECT_TRUE(applyEnabled());
    enter("3.5.1");
    EXPECT_FALSE(applyEnabled());
}

TEST_F(WhereColumnTest, SuggestionsAreTheLevelsThatContainTheTypedText) {
    open("Name");
    auto& field = editor->fieldConstant();
    driver->tap(&field);
    settleSuggestions(field);
    // Editing begins with every level, in code-point order and unsorted by the field.
    EXPECT_EQ(cellTexts(field.autoCompleteTableView()),
              (std::vector<std::string>{"ANDY", "Anna", "Dan", "Jan", "bob", "brand", "Ånon"}));
    driver->type("an");
    settleSuggestions(field);
    EXPECT_EQ(cellTexts(field.autoCompleteTableView()),
              (std::vector<std::string>{"ANDY", "Anna", "Dan", "Jan", "brand"}));
    EXPECT_EQ(field.autoCompleteRowHeight(), 25);
    EXPECT_EQ(field.autoCompleteTableBorderColor(), ui::Color::black().withAlpha(0.25));
    // Picking one sets the text and ends editing; Apply sends the picked text.
    ui::TableView& table = field.autoCompleteTableView();
    table.scrollToRowAtIndexPath({0, 2}, ui::TableViewScrollPosition::None, false);
    host->drain();
    driver->tap(table.cellForRowAtIndexPath({0, 2}));
    EXPECT_EQ(field.text(), "Dan");
    EXPECT_FALSE(field.isFirstResponder());
    EXPECT_EQ(driver->text("labelPredicate"), "Browse filter: Name = Dan");
    driver->tapText("Apply");
    ASSERT_EQ(delegate.received.size(), 1u);
    EXPECT_EQ(delegate.received[0].constant, std::string("Dan"));
    EXPECT_EQ(delegate.received[0].op, uint64_t(FilterEqual));
    EXPECT_EQ(delegate.received[0].colNum, columnNamed("Name")->num());
    // The popover is closed.
    EXPECT_EQ(harness->presentedViewController(), nullptr);
}

TEST_F(WhereColumnTest, ClearSendsNoConstantAndNoLevels) {
    open("Name", FilterIn, std::nullopt, {"Dan"});
    driver->tapText("Clear");
    ASSERT_EQ(delegate.received.size(), 1u);
    EXPECT_EQ(delegate.received[0].constant, std::nullopt);
    EXPECT_TRUE(delegate.received[0].levels.empty());
    EXPECT_EQ(harness->presentedViewController(), nullptr);
}

TEST_F(WhereColumnTest, LevelsChosenFromTheListComeBackToTheEditor) {
    open("Name", FilterIn);
    driver->tapText("Choose levels...");
    auto* chooser = dynamic_cast<ColumnLevelChooser*>(nav->topViewController());
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(runUntil([&] { return chooser->levels().size() == 7; }));
    host->drain();
    for (int row : {2, 0})
        driver->tap(chooser->tableView().cellForRowAtIndexPath({0, row}));
    driver->tapText("Done");
    EXPECT_EQ(nav->topViewController(), editor.get());
    EXPECT_EQ(editor->matchMultiple(), (std::set<std::string>{"ANDY", "Dan"}));
    EXPECT_EQ(driver->text("labelPredicate"), "Browse filter: Name IN ANDY, Dan");
    driver->tapText("Apply");
    ASSERT_EQ(delegate.received.size(), 1u);
    EXPECT_EQ(delegate.received[0].levels, (std::vector<std::string>{"ANDY", "Dan"}));
}

TEST_F(WhereColumnTest, ThePopoverArrowPointsAtTheButton) {
    makeHarness();
    // A dark screen behind, so the arrow in the popover's white stands out.
    harness->view().setBackgroundColor(ui::Color{0.45, 0.55, 0.65, 1});
    open("Age", FilterGreater, "30");
    host->drain();
    ui::View* arrow = driver->find("popoverArrow");
    ASSERT_NE(arrow, nullptr);
    ui::Rect a = arrow->convertRectToView(arrow->bounds(), nullptr);
    ui::Rect b = filterButton->convertRectToView(filterButton->bounds(), nullptr);
    EXPECT_DOUBLE_EQ(a.midX(), b.midX());
    EXPECT_DOUBLE_EQ(a.minY(), b.maxY());
    // The button, the arrow and the top of the popover: small enough that a missing arrow shows.
    gfx::Image shot = driver->screenshot().cropped({b.midX() - 80, b.minY() - 8, 160, 80});
    EXPECT_TRUE(renderChecks::matchesGolden(shot, "tests/fixtures/ui/where-column-popover.png"));
}

} // namespace
