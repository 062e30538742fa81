// The Variables screen driven as a user would on real workspace files: rows with placeholders and
// figures, search, deletion, the variable limit, the help tip and the pager of detail pages.
#include "ScreenFixture.h"

#include "analysis/VariableDetailViewController.h"
#include "app/EditVariableViewController.h"
#include "app/VariablesViewController.h"
#include "controls/CMPopTipView.h"
#include "platform/ui/PageViewController.h"

#include <atomic>
#include <future>
#include <mutex>
#include <set>

namespace {

using G = VariableCell::Grid;

// Figures come back from tasks that the hook can hold.
struct Latch : std::enable_shared_from_this<Latch> {
    std::promise<void> release;
    std::shared_future<void> released{release.get_future().share()};
    std::once_flag opened;
    void open() {
        std::call_once(opened, [this] { release.set_value(); });
    }
    std::mutex mutex;
    std::multiset<int64_t> waiting, delivered;
    std::function<void(int64_t, bool)> holding(std::function<bool(int64_t)> hold) {
        return [self = shared_from_this(), hold](int64_t num, bool done) {
            {
                std::lock_guard lock(self->mutex);
                (done ? self->delivered : self->waiting).insert(num);
            }
            if (!done && hold(num))
                self->released.wait();
        };
    }
    size_t deliveries(int64_t num) {
        std::lock_guard lock(mutex);
        return delivered.count(num);
    }
    size_t started(int64_t num) {
        std::lock_guard lock(mutex);
        return waiting.count(num);
    }
    size_t waitingCount() {
        std::lock_guard lock(mutex);
        return waiting.size();
    }
};

class VariablesTest : public ScreenTest {
  protected:
    // The tip has been seen twice already, except where a test asks for it.
    void SetUp() override {
        ScreenTest::SetUp();
        Model::incrementTimesSeenHelpKey("newVariable");
        Model::incrementTimesSeenHelpKey("newVariable");
    }
    // Held tasks are let go whatever the test did, so that they end before the workspace closes.
    void TearDown() override {
        latch->open();
        ScreenTest::TearDown();
    }
    void show(gfx::Size screen = {1024, 768}, ui::UserInterfaceIdiom idiom = ui::UserInterfaceIdiom::Pad) {
        makeHost(screen, idiom);
        variables = std::make_shared<VariablesViewController>();
        if (hook)
            variables->setFiguresHook(hook);
        showInTab(variables);
    }
    VariableCell* cell(int row) {
        return dynamic_cast<VariableCell*>(variables->tableView().cellForRowAtIndexPath({0, row}));
    }
    std::vector<std::string> shownNames() {
        std::vector<std::string> out;
        for (int r = 0; r < variables->tableView().numberOfRowsInSection(0); ++r)
            out.push_back(driver->text(&cell(r)->labelName()));
        return out;
    }
    std::vector<std::string> grid(VariableCell& c) {
        std::vector<std::string> out;
        for (int g = 0; g < 9; ++g)
            out.push_back(driver->text(&c.grid(static_cast<G>(g))));
        return out;
    }
    // Appearing again, as after a visit to another screen.
    void reappear() {
        nav->pushViewController(std::make_shared<ui::ViewController>(), false);
        host->drain();
        nav->popViewControllerAnimated(false);
        host->drain();
    }
    void search(const std::string& text) {
        ASSERT_TRUE(driver->typeInto(driver->find("searchField"), text));
        host->drain();
    }

    std::function<void(int64_t, bool)> hook;
    std::shared_ptr<Latch> latch = std::make_shared<Latch>();
    std::shared_ptr<VariablesViewController> variables;
};

const std::vector<ColumnSpec> kTypes = {
    {"Notes", {"x", "", "y", "z"}, 0},
    {"Colour", {"red", "blue", "red", "green"}, 1},
    {"Smoker", {"yes", "no", "yes", ""}, 2},
    {"Weight", {"70", "81.5", "64", "92"}, 3},
    {"Visit", {"2021-03-01", "2021-03-05", "2021-04-01", "2021-03-20"}, 4},
};

TEST_F(VariablesTest, PlaceholdersByTypeStandUntilTheFiguresCome) {
    openWorkspace(kTypes);
    // The Numeric and Date / Time caches are incomplete, so those rows wait for their figures too.
    for (const char* name : {"Weight", "Visit"}) {
        columnNamed(name)->setMean(std::nullopt);
        columnNamed(name)->setMeanDate(std::nullopt);
    }
    model().saveContext();
    hook = latch->holding([](int64_t) { return true; });
    show();
    ASSERT_TRUE(runUntil([&] { return latch->waitingCount() == 4; })); // Notes has no task

    struct Row {
        const char* type;
        const char* obs;
        const char* levels;
        std::vector<std::string> grid;
        double border;
        bool shaded;
        gfx::TextAlignment meanAlignment;
    };
    const std::vector<std::string> none(9, "");
    const Row rows[] = {
        {"Type: Unknown", "", "", none, 0, false, gfx::TextAlignment::Left},
        // A complete cache gives the counts at once.
        {"Type: Categorical",
         "Observations: 4",
         "Unique Values: 3",
         {" Frequent Values", "Calculating...", "Calculating...", "Observations", "", "", "%", "", ""},
         1,
         true,
         gfx::TextAlignment::Right},
        {"Type: Binary",
         "Observations: 3",
         "Unique Values: 2",
         {" Values", "Calculating...", "Calculating...", "Observations", "", "", "%", "", ""},
         1,
         true,
         gfx::TextAlignment::Right},
        {"Type: Numeric",
         "Observations: Calculating...",
         "Unique Values: Calculating...",
         {"Min: ...", "Median: ...", "Max: ...", "", "Mean: ...", "", "", "", ""},
         0,
         false,
         gfx::TextAlignment::Left},
        {"Type: Date / Time",
         "Observations: Calculating...",
         "Unique Values: Calculating...",
         {"Min: ...", "Median: ...", "Max: ...", "", "Mean: ...", "", "", "", ""},
         0,
         false,
         gfx::TextAlignment::Left},
    };
    for (int r = 0; r < 5; ++r) {
        SCOPED_TRACE(rows[r].type);
        VariableCell& c = *cell(r);
        EXPECT_EQ(driver->text(&c.labelName()), kTypes[size_t(r)].name);
        EXPECT_EQ(driver->text(&c.labelType()), rows[r].type);
        EXPECT_EQ(driver->text(&c.labelObs()), rows[r].obs);
        EXPECT_EQ(driver->text(&c.labelLevels()), rows[r].levels);
        EXPECT_EQ(grid(c), rows[r].grid);
        const RGBAColor colour = Model::colorForVariableType(uint64_t(r));
        EXPECT_EQ(c.viewLeftShaded().backgroundColor(),
                  (ui::Color{colour.red, colour.green, colour.blue, colour.alpha}));
        for (int g = 0; g < 9; ++g) {
            const auto& label = c.grid(static_cast<G>(g));
            EXPECT_EQ(label.layer().borderWidth(), rows[r].border) << g;
            EXPECT_EQ(label.layer().borderColor(), ui::Color::gray(0.8)) << g;
            const bool header = g == G::Min || g == G::R3C1 || g == G::R4C1;
            const ui::Color expected =
                rows[r].shaded && header ? ui::Color{1.0, 0.8, 0.4, 1} : ui::Color::clear();
            EXPECT_EQ(label.backgroundColor(), expected) << g;
        }
        EXPECT_EQ(c.label3_2().textAlignment(), rows[r].meanAlignment);
    }
    latch->open();
}

TEST_F(VariablesTest, FiguresFromTheCacheAndFromTheBackground) {
    openWorkspace({
        {"Weight", {"70", "81.5", "64", "92", ""}, 3},
        {"Height", {"1.5", "2", "2.5", "", ""}, 3},
        {"Visit", {"2021-03-01", "2021-03-05", "2021-04-01", "2021-03-20"}, 4},
        {"Again", {"2021-03-01", "2021-03-05", "2021-04-01", "2021-03-20"}, 4},
        {"Site", {"A", "A", "A", "", "A"}, 1},
        {"Colour", {"red", "blue", "red", "green", "red", "blue", "grey", "pink"}, 1},
    });
    // Height and Again have lost part of their cache: their figures come from the background.
    columnNamed("Height")->setPc50(std::nullopt);
    columnNamed("Again")->setPc50Date(std::nullopt);
    model().saveContext();
    show();
    ASSERT_TRUE(runUntil([&] { return driver->text(&cell(5)->labelMax()) != "Calculating..."; }));
    ASSERT_TRUE(runUntil([&] { return driver->text(&cell(1)->labelMin()) != "Min: ..."; }));
    ASSERT_TRUE(runUntil([&] { return driver->text(&cell(3)->labelMin()) != "Min: ..."; }));
    ASSERT_TRUE(runUntil([&] { return driver->text(&cell(4)->label3_2()) != ""; }));

    EXPECT_EQ(driver->text(&cell(0)->labelObs()), "Observations: 4");
    EXPECT_EQ(driver->text(&cell(0)->labelLevels()), "Unique Values: 4");
    EXPECT_EQ(grid(*cell(0)), (std::vector<std::string>{"Min: 64", "Median: 75.75", "Max: 92", "",
                                                        "Mean: 76.88", "", "", "", ""}));
    EXPECT_EQ(driver->text(&cell(1)->labelObs()), "Observations: 3");
    EXPECT_EQ(grid(*cell(1)),
              (std::vector<std::string>{"Min: 1.5", "Median: 2", "Max: 2.5", "", "Mean: 2", "", "", "", ""}));
    EXPECT_FALSE(Model::needCalcBasicStatsForColulmn(*columnNamed("Height"))); // cached by the task

    // Dates: the cached row scales its texts by the range, the background row does not.
    auto visit = columnNamed("Visit");
    const double lo = *visit->minDate(), hi = *visit->maxDate(), scale = hi - lo;
    EXPECT_EQ(driver->text(&cell(2)->labelObs()), "Observations: 4");
    EXPECT_EQ(driver->text(&cell(2)->labelMin()),
              "Min: " + Model::stringFromNumberOfTypeTimeScale(lo, 4, scale));
    EXPECT_EQ(driver->text(&cell(2)->labelMax()),
              "Max: " + Model::stringFromNumberOfTypeTimeScale(hi, 4, scale));
    EXPECT_EQ(driver->text(&cell(3)->labelObs()), "Observations: 4");
    EXPECT_EQ(driver->text(&cell(3)->labelMin()), "Min: " + Model::stringFromNumberOfType(lo, 4));
    EXPECT_EQ(driver->text(&cell(3)->labelMax()), "Max: " + Model::stringFromNumberOfType(hi, 4));

    // One level: its count and 100% in the middle column, the right column empty.
    EXPECT_EQ(driver->text(&cell(4)->labelObs()), "Observations: 4");
    EXPECT_EQ(grid(*cell(4)), (std::vector<std::string>{" Frequent Values", " A", "", "Observations", "4 ",
                                                        "", "%", "100% ", ""}));
    // Five levels: the two most frequent.
    EXPECT_EQ(driver->text(&cell(5)->labelLevels()), "Unique Values: 5");
    EXPECT_EQ(grid(*cell(5)), (std::vector<std::string>{" Frequent Values", " red", " blue", "Observations",
                                                        "3 ", "2 ", "%", "38% ", "25% "}));
}

TEST_F(VariablesTest, AReusedCellOfAnUnknownColumnShowsNoneOfTheFormerFigures) {
    openWorkspace({{"Colour", {"red", "blue", "red"}, 1}, {"Remarks", {"a", "b", ""}, 0}});
    show();
    ASSERT_TRUE(runUntil([&] { return driver->text(&cell(0)->labelMax()) == " blue"; }));
    VariableCell* before = cell(0);
    search("Rem");
    ASSERT_EQ(shownNames(), (std::vector<std::string>{"Remarks"}));
    VariableCell* after = cell(0);
    ASSERT_EQ(after, before); // the same cell, used again
    EXPECT_EQ(driver->text(&after->labelType()), "Type: Unknown");
    EXPECT_EQ(driver->text(&after->labelObs()), "");
    EXPECT_EQ(driver->text(&after->labelLevels()), "");
    EXPECT_EQ(grid(*after), std::vector<std::string>(9, ""));
    for (int g = 0; g < 9; ++g) {
        EXPECT_EQ(after->grid(static_cast<G>(g)).layer().borderWidth(), 0);
        EXPECT_EQ(after->grid(static_cast<G>(g)).backgroundColor(), ui::Color::clear());
    }
}

TEST_F(VariablesTest, LateFiguresOfAnotherColumnAreNotShown) {
    openWorkspace({{"Colour", {"red", "blue", "red"}, 1}, {"Shape", {"round", "square", "square"}, 1}});
    const int64_t colour = columnNamed("Colour")->num();
    hook = latch->holding([colour](int64_t num) { return num == colour; });
    // A window with room for one row: every row shown is shown in the same cell.
    show({1024, 260});
    ASSERT_TRUE(runUntil([&] { return latch->started(colour) > 0; }));
    VariableCell* reused = cell(0);
    search("Shape");
    ASSERT_EQ(cell(0), reused);
    // The reused cell's own figures for Shape, then Colour's late ones.
    ASSERT_TRUE(runUntil([&] { return driver->text(&reused->labelMax()) == " round"; }));
    latch->open();
    ASSERT_TRUE(runUntil([&] { return latch->deliveries(colour) == latch->started(colour); }));
    host->drain();
    EXPECT_EQ(driver->text(&reused->labelName()), "Shape");
    EXPECT_EQ(grid(*reused), (std::vector<std::string>{" Frequent Values", " square", " round",
                                                       "Observations", "2 ", "1 ", "%", "67% ", "33% "}));
}

TEST_F(VariablesTest, SearchIgnoresCaseAndAccentsAndSurvivesADeletion) {
    openWorkspace({{"Age", {"1"}, 3}, {"Stage", {"2"}, 3}, {"Height", {"3"}, 3}, {"Âge", {"4"}, 3}});
    show();
    EXPECT_EQ(variables->searchController().searchBar().placeholder(), "Search help terms");
    search("age");
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"Age", "Stage", "Âge"}));
    driver->tap("searchCancel");
    host->drain();
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"Age", "Stage", "Height", "Âge"}));

    search("AGE");
    driver->swipe(cell(1), ui::SwipeLeft);
    ASSERT_TRUE(driver->tap("deleteConfirmation"));
    host->drain();
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"Age", "Âge"}));
    EXPECT_EQ(variables->columns().size(), 3u);
    EXPECT_EQ(columnNamed("Stage"), nullptr);
    EXPECT_EQ(variables->searchController().searchBar().text(), "AGE");
    reappear(); // the search text stands on the next appearance
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"Age", "Âge"}));
}

TEST_F(VariablesTest, AtTheLimitAddExplainsAndAfterADeletionItAddsAgain) {
    std::vector<ColumnSpec> columns;
    for (int n = 1; n <= 500; ++n)
        columns.push_back({"V" + std::to_string(n), {"1"}, 3});
    openWorkspace(columns);
    show();
    ASSERT_TRUE(variables->addButton().isEnabled());
    driver->tapText("Add Variable");
    host->drain();
    auto* alert = dynamic_cast<ui::AlertController*>(variables->presentedViewController());
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "500 Variable Limit Reached");
    EXPECT_EQ(alert->message(), "To make room for a new variable please delete an existing one.");
    ASSERT_EQ(alert->actions().size(), 1u);
    EXPECT_EQ(alert->actions()[0].title, "OK");
    EXPECT_EQ(alert->actions()[0].style, ui::AlertActionStyle::Cancel);
    driver->tapText("OK");
    host->drain();
    EXPECT_EQ(variables->presentedViewController(), nullptr);

    driver->swipe(cell(0), ui::SwipeLeft);
    ASSERT_TRUE(driver->tap("deleteConfirmation"));
    host->drain();
    driver->tapText("Add Variable");
    host->drain();
    auto* editor = dynamic_cast<EditVariableViewController*>(nav->topViewController());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->model(), &model());
}

TEST_F(VariablesTest, WithoutAWorkspaceTheListIsEmptyAndAddDisabled) {
    Model::resetTimesSeenHelp();
    show();
    EXPECT_FALSE(variables->addButton().isEnabled());
    EXPECT_EQ(variables->tableView().numberOfRowsInSection(0), 0);
    EXPECT_EQ(variables->ptv(), nullptr);
    EXPECT_EQ(Model::timesSeenHelpKey("newVariable"), 0);
}

TEST_F(VariablesTest, TheTipShowsOnTwoAppearancesOnly) {
    Model::resetTimesSeenHelp();
    openWorkspace({{"a", {"1"}, 3}});
    show();
    for (int appearance = 1; appearance <= 3; ++appearance) {
        SCOPED_TRACE(appearance);
        CMPopTipView* tip = variables->ptv();
        if (appearance == 3) {
            EXPECT_EQ(tip, nullptr);
            break;
        }
        ASSERT_NE(tip, nullptr);
        EXPECT_EQ(tip->message(), "Tap to create a new variable");
        EXPECT_FALSE(tip->has3DStyle());
        EXPECT_FALSE(tip->hasShadow());
        EXPECT_FALSE(tip->hasGradientBackground());
        EXPECT_EQ(tip->backgroundColor(), (ui::Color{0.6, 0.8, 1.0, 1}));
        EXPECT_EQ(tip->textColor(), ui::Color::black());
        EXPECT_EQ(tip->borderWidth(), 0);
        EXPECT_EQ(tip->superview(), host->window().subviews().front().get());
        EXPECT_TRUE(std::holds_alternative<ui::View*>(tip->targetObject()));
        EXPECT_EQ(std::get<ui::View*>(tip->targetObject()), variables->addButton().view().get());
        EXPECT_EQ(Model::timesSeenHelpKey("newVariable"), appearance);
        reappear();
    }
}

TEST_F(VariablesTest, ThePagerFollowsTheListedVariables) {
    openWorkspace({{"a", {"1"}, 3}, {"b", {"x"}, 1}, {"c", {"2"}, 3}, {"d", {"3"}, 3}});
    show();
    search("");
    driver->tap(cell(0));
    host->drain();
    auto* pages = dynamic_cast<ui::PageViewController*>(nav->topViewController());
    ASSERT_NE(pages, nullptr);
    auto page = [&] {
        return dynamic_cast<VariableDetailViewController*>(pages->viewControllers().front().get());
    };
    auto names = std::vector<std::string>{"a", "b", "c", "d"};
    EXPECT_EQ(driver->text(&page()->labelName()), "Variable: a");
    EXPECT_EQ(driver->text(&page()->labelType()), "Type: Numeric");
    EXPECT_TRUE(page()->labelLeft().isHidden());
    EXPECT_FALSE(page()->labelRight().isHidden());
    driver->swipe(&pages->view(), ui::SwipeRight); // nothing before the first
    EXPECT_EQ(page()->column()->name(), "a");
    for (size_t i = 1; i < names.size(); ++i) {
        driver->swipe(&pages->view(), ui::SwipeLeft);
        host->drain();
        ASSERT_EQ(page()->column()->name(), names[i]);
        EXPECT_EQ(page()->column()->objectID(), variables->searchColumns()[i]->objectID());
        EXPECT_FALSE(page()->labelLeft().isHidden());
        EXPECT_EQ(page()->labelRight().isHidden(), i + 1 == names.size());
    }
    EXPECT_EQ(driver->text(&page()->labelType()), "Type: Numeric");
    driver->swipe(&pages->view(), ui::SwipeLeft); // nothing after the last
    EXPECT_EQ(page()->column()->name(), "d");
    driver->swipe(&pages->view(), ui::SwipeRight);
    host->drain();
    EXPECT_EQ(page()->column()->name(), "c");

    // Under a search the pages are the listed variables only.
    nav->popViewControllerAnimated(false);
    host->drain();
    search("c");
    ASSERT_EQ(shownNames(), (std::vector<std::string>{"c"}));
    driver->tap(cell(0));
    host->drain();
    pages = dynamic_cast<ui::PageViewController*>(nav->topViewController());
    ASSERT_NE(pages, nullptr);
    EXPECT_TRUE(page()->labelLeft().isHidden());
    EXPECT_TRUE(page()->labelRight().isHidden());
    driver->swipe(&pages->view(), ui::SwipeLeft);
    driver->swipe(&pages->view(), ui::SwipeRight);
    EXPECT_EQ(page()->column()->name(), "c");
}

TEST_F(VariablesTest, RowsAreTallerOnACompactWidth) {
    openWorkspace({{"a", {"1"}, 3}});
    show({375, 667}, ui::UserInterfaceIdiom::Phone);
    EXPECT_EQ(variables->tableView().rowHeight(), 200);
    show();
    EXPECT_EQ(variables->tableView().rowHeight(), 100);
}

TEST_F(VariablesTest, TheStatusLineAndEditing) {
    openWorkspace({{"a", {"1", "2"}, 3}, {"b", {"x", "y"}, 1}});
    show();
    EXPECT_EQ(driver->text("labelFileInfo"), model().statusLine());
    EXPECT_NE(driver->text("labelFileInfo"), "");
    EXPECT_EQ(variables->title(), "Variables");
    driver->tapText("Edit");
    host->drain();
    EXPECT_TRUE(variables->isEditing());
    EXPECT_TRUE(variables->tableView().isEditing());
    ASSERT_NE(driver->findByText("Done"), nullptr);
    driver->tap(variables->tableView().cellForRowAtIndexPath({0, 0})->viewWithIdentifier("editingDelete"));
    ASSERT_TRUE(driver->tap("deleteConfirmation"));
    host->drain();
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"b"}));
    driver->tapText("Done");
    host->drain();
    EXPECT_FALSE(variables->tableView().isEditing());

    // A screen that hid the bar finds it again when the list leaves.
    nav->setNavigationBarHidden(true, false);
    nav->pushViewController(std::make_shared<ui::ViewController>(), false);
    host->drain();
    EXPECT_FALSE(nav->isNavigationBarHidden());
}

} // namespace
