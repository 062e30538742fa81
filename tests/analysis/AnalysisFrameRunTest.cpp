// The result screen frame's run: the order of its calls and messages, runs that overlap or outlive their
// screen, analysis or workspace, the column and filter pop-overs, the bar's items, removed columns,
// the report's page-layout controller, and the chart range rule.
#include "tests/analysis/FrameFixture.h"

#include "app/GlossaryViewController.h"
#include "app/WheresViewController.h"

#include <cmath>

namespace {

using namespace frameTest;

TEST_F(FrameTest, ARunValidatesThenComputesInTheBackgroundThenShows) {
    openData();
    show();
    // Nothing chosen: the message says what to do and nothing is computed.
    EXPECT_EQ(probe->calls, (std::vector<std::string>{"displayInitial", "message: Choose a variable to count."}));
    EXPECT_EQ(screen->title(), "Analysis");
    EXPECT_EQ(driver->text("labelType"), "Type: Test");
    EXPECT_EQ(driver->text("buttonWhere"), "Filters:");
    EXPECT_EQ(driver->text("labelMessage"), "Choose a variable to count.");

    setLeft("x");
    probe->clearCalls();
    screen->viewWillAppear(true);
    EXPECT_EQ(driver->text("labelMessage"), "Calculating...");
    waitComputed(1);
    EXPECT_EQ(probe->calls,
              (std::vector<std::string>{"displayInitial", "message: Calculating...", "displayFinal 0"}));
    EXPECT_EQ(driver->text("labelResult"), "N = 4");
    EXPECT_EQ(screen->graphData().values, (std::vector<double>{1, 2, 3, 4}));
    EXPECT_NE(driver->find("graphHost"), nullptr);
}

TEST_F(FrameTest, TheFilterLineNamesTheAnalysisFilters) {
    openData();
    auto clause = model().managedObjectContext()->insertNewObject<WhereClause>();
    clause->setX(columnNamed("x").get());
    clause->setOp(2);
    clause->setC(std::string("1"));
    analysis->addWheresObject(*clause);
    model().saveContext();
    setLeft("x");
    show();
    const std::string where = model().stringForWhereAnalysis(*analysis);
    ASSERT_FALSE(where.empty());
    EXPECT_EQ(driver->text("labelWhere"), where);
    EXPECT_EQ(screen->labelWhereWithPrompt()->text(), "Filters: " + where);
    waitComputed(1);
    // The filter keeps x > 1.
    EXPECT_EQ(screen->graphData().values, (std::vector<double>{2, 3, 4}));
}

TEST_F(FrameTest, OnlyTheLatestRunIsShownAndOnlyOnce) {
    openData();
    setLeft("x");
    probe->hold();
    show();
    waitStarted(1);
    screen->viewWillAppear(false);
    // The newer run starts once the older has ended, which shows nothing.
    probe->release(0);
    waitStarted(2);
    EXPECT_EQ(finals(), 0);
    probe->release(1);
    waitComputed(2);
    EXPECT_EQ(finals(), 1);
    EXPECT_TRUE(has("displayFinal 1"));
    EXPECT_EQ(screen->graphData().ticket, 1);
}

TEST_F(FrameTest, AValidRunOvertakenByAnInvalidAppearanceLeavesTheMessage) {
    openData();
    setLeft("x");
    probe->hold();
    show();
    waitStarted(1);
    analysis->setLeft(nullptr);
    model().saveContext();
    screen->viewWillAppear(false);
    probe->release(0);
    waitComputed(1);
    EXPECT_EQ(finals(), 0);
    EXPECT_EQ(driver->text("labelMessage"), "Choose a variable to count.");
    EXPECT_EQ(probe->startedRuns(), 1);
}

TEST_F(FrameTest, ARunOutlivingItsScreenAnalysisOrWorkspaceShowsNothing) {
    enum class Interruption { ScreenPopped, AnalysisDeleted, WorkspaceClosed };
    struct Case {
        const char* name;
        Interruption interruption;
    };
    const Case cases[] = {
        {"screen popped", Interruption::ScreenPopped},
        {"analysis deleted", Interruption::AnalysisDeleted},
        {"workspace closed", Interruption::WorkspaceClosed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        probe = std::make_shared<Probe>();
        openData();
        setLeft("x");
        probe->hold();
        show();
        waitStarted(1);
        std::weak_ptr<TestScreen> weak = screen;
        switch (c.interruption) {
        case Interruption::ScreenPopped:
            nav->setViewControllers({std::make_shared<ui::ViewController>()}, false);
            host->drain();
            screen.reset();
            break;
        case Interruption::AnalysisDeleted:
            model().removeAnalysis(*analysis);
            break;
        case Interruption::WorkspaceClosed:
            model().closeStores();
            break;
        }
        probe->release(0);
        waitComputed(1);
        EXPECT_EQ(finals(), 0);
        if (auto alive = weak.lock()) {
            EXPECT_EQ(alive->presentedViewController(), nullptr);
        }
        screen.reset();
        model().closeStores();
        model().managedObjectContext()->reset();
        std::filesystem::remove(path("Test.ov"));
    }
}

TEST_F(FrameTest, PickingStoresTheColumnsAndRunsAgain) {
    struct Case {
        const char* name;
        int position;
        std::vector<std::string> picks;
        std::string left, right;
        std::set<std::string> columns;
    };
    // The analysis starts with x in its columns and no left or right.
    const Case cases[] = {
        {"further, two", 3, {"y", "g"}, "", "", {"y", "g"}},
        {"further, none", 3, {}, "", "", {}},
        {"left, two", 1, {"x", "y"}, "x", "", {}},
        {"right, one", 2, {"g"}, "", "g", {"x"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        probe = std::make_shared<Probe>();
        openData();
        analysis->addColumnsObject(*columnNamed("x"));
        model().saveContext();
        show();
        const int before = probe->computed.load();
        const std::vector<std::string> calls = probe->calls;
        const char* ids[] = {"", "buttonLeft", "buttonRight", "buttonColumns"};
        auto* button = driver->find(ids[c.position]);
        ASSERT_NE(button, nullptr);
        driver->tap(button);
        auto* nav = dynamic_cast<ui::NavigationController*>(screen->presentedViewController());
        ASSERT_NE(nav, nullptr);
        auto* picker = dynamic_cast<ColumnPickerViewController*>(nav->viewControllers().front().get());
        ASSERT_NE(picker, nullptr);
        EXPECT_EQ(picker->position(), uint64_t(c.position));
        EXPECT_EQ(picker->delegate(), screen.get());
        EXPECT_EQ(nav->modalPresentationStyle(), ui::ModalPresentationStyle::Popover);
        EXPECT_EQ(nav->popoverPresentationController().sourceView, button);
        EXPECT_EQ(picker->preferredContentSize().width, 400);
        EXPECT_EQ(picker->preferredContentSize().height, 200);
        if (c.position == 3) {
            EXPECT_EQ(picker->selected().size(), 1u);
        }
        std::vector<std::shared_ptr<Column>> picked;
        for (const auto& name : c.picks)
            picked.push_back(columnNamed(name));
        screen->picker(*picker, picked, uint64_t(c.position));
        host->drain();
        EXPECT_EQ(screen->presentedViewController(), nullptr);
        EXPECT_EQ(analysis->left() ? analysis->left()->name() : "", c.left);
        EXPECT_EQ(analysis->right() ? analysis->right()->name() : "", c.right);
        std::set<std::string> columns;
        for (const auto& column : analysis->columns())
            columns.insert(column->name());
        EXPECT_EQ(columns, c.columns);
        // A new appearance: the placeholders again, then a run when a left column is chosen.
        EXPECT_GT(probe->calls.size(), calls.size());
        EXPECT_EQ(probe->calls[calls.size()], "displayInitial");
        waitComputed(before + (c.left.empty() ? 0 : 1));
        EXPECT_EQ(probe->startedRuns(), before + (c.left.empty() ? 0 : 1));
        screen.reset();
        model().closeStores();
        model().managedObjectContext()->reset();
        std::filesystem::remove(path("Test.ov"));
    }
}

TEST_F(FrameTest, ClosingTheFilterEditorRunsAgainOnPadAndPhone) {
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        probe = std::make_shared<Probe>();
        openData();
        setLeft("x");
        show(idiom);
        waitComputed(1);
        driver->tap("buttonWhere");
        auto* nav = dynamic_cast<ui::NavigationController*>(screen->presentedViewController());
        ASSERT_NE(nav, nullptr);
        auto* wheres = dynamic_cast<WheresViewController*>(nav->viewControllers().front().get());
        ASSERT_NE(wheres, nullptr);
        EXPECT_EQ(wheres->analysis(), analysis);
        EXPECT_EQ(wheres->model(), &model());
        probe->clearCalls();
        // Nothing changed; closing still runs the analysis again.
        if (idiom.idiom == ui::UserInterfaceIdiom::Pad)
            driver->tap("popoverBackdrop");
        else
            driver->tapText("Done");
        host->drain();
        EXPECT_EQ(screen->presentedViewController(), nullptr);
        waitComputed(2);
        EXPECT_EQ(probe->calls,
                  (std::vector<std::string>{"displayInitial", "message: Calculating...", "displayFinal 1"}));
        screen.reset();
        model().closeStores();
        model().managedObjectContext()->reset();
        std::filesystem::remove(path("Test.ov"));
    }
}

TEST_F(FrameTest, TheGlossaryItemShowsOnlyWhenTheScreenNamesTerms) {
    openData();
    show();
    ASSERT_EQ(screen->navigationItem().rightBarButtonItems.size(), 1u);
    EXPECT_EQ(screen->navigationItem().rightBarButtonItems[0]->systemItem(), ui::BarButtonItem::SystemItem::Action);
    EXPECT_EQ(screen->glossaryItem(), nullptr);

    probe->terms = std::vector<std::string>{"mean", "median"};
    show();
    const auto& items = screen->navigationItem().rightBarButtonItems;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0], screen->shareItem());
    EXPECT_EQ(items[1]->systemItem(), ui::BarButtonItem::SystemItem::Bookmarks);
    // The item shows our glyph, not a word.
    EXPECT_TRUE(items[1]->view()->imageForState(ui::StateNormal).has_value());
    driver->tap(items[1]->view().get());
    auto* nav = dynamic_cast<ui::NavigationController*>(screen->presentedViewController());
    ASSERT_NE(nav, nullptr);
    auto* glossary = dynamic_cast<GlossaryViewController*>(nav->viewControllers().front().get());
    ASSERT_NE(glossary, nullptr);
    EXPECT_EQ(glossary->terms(), (std::vector<std::string>{"mean", "median"}));
}

TEST_F(FrameTest, ARemovedColumnRunsAShowingScreenAgain) {
    openData();
    setLeft("x");
    show();
    waitComputed(1);
    model().removeColumn(*columnNamed("x"));
    host->drain();
    EXPECT_EQ(driver->text("labelMessage"), "Choose a variable to count.");
    EXPECT_TRUE(driver->find("labelResult") == nullptr);
}

TEST_F(FrameTest, ARemovalDuringARunLeavesOnlyTheNewerResult) {
    openData();
    setLeft("x");
    probe->hold();
    show();
    waitStarted(1);
    model().removeColumn(*columnNamed("g"));
    host->drain();
    // The newer run starts once the older has ended.
    probe->release(0);
    ASSERT_TRUE(runUntil([&] { return probe->computed.load() == 1; }));
    waitStarted(2);
    probe->release(1);
    waitComputed(2);
    EXPECT_EQ(finals(), 1);
    EXPECT_TRUE(has("displayFinal 1"));
}

TEST_F(FrameTest, ThePageLayoutControllerIsFilledButNeverAppears) {
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        probe = std::make_shared<Probe>();
        openData();
        setLeft("x");
        show(idiom);
        waitComputed(1);
        probe->clearCalls();
        ASSERT_TRUE(screen->dataForExport().has_value());
        EXPECT_EQ(probe->calls, (std::vector<std::string>{"output displayInitial", "output displayFinal 0"}));
        EXPECT_EQ(probe->computed.load(), 1);
        auto* output = dynamic_cast<TestScreen_PDF*>(screen->lastOutput.get());
        ASSERT_NE(output, nullptr);
        EXPECT_EQ(output->seenTraits.horizontalSizeClass, ui::SizeClass::Regular);
        EXPECT_EQ(output->seenTraits.idiom, idiom.idiom);
        EXPECT_EQ(output->rowHeight(), 15);
        EXPECT_EQ(screen->rowHeight(), 30);
        EXPECT_EQ(output->graphData().values, screen->graphData().values);
        EXPECT_EQ(output->analysis(), screen->analysis());
        EXPECT_EQ(output->view().bounds().size, (gfx::Size{612, 792}));
        screen.reset();
        model().closeStores();
        model().managedObjectContext()->reset();
        std::filesystem::remove(path("Test.ov"));
    }
}

TEST_F(FrameTest, FiveHundredColumnsRunAndAnAnalysisThatLostItsColumnsAsksAgain) {
    std::vector<ColumnSpec> specs;
    for (int i = 0; i < 500; ++i)
        specs.push_back({"c" + std::to_string(i), {std::to_string(i), "1"}, std::nullopt});
    openWorkspace(specs);
    analysis = model().addAnalysis("Wide");
    for (const auto& column : model().columns())
        analysis->addColumnsObject(*column);
    setLeft("c7");
    show();
    waitComputed(1);
    EXPECT_EQ(screen->graphData().values, (std::vector<double>{7, 1}));
    EXPECT_EQ(analysis->columns().size(), 500u);

    // Every column removed while the screen shows.
    for (const auto& column : model().columns())
        model().removeColumn(*column);
    host->drain();
    EXPECT_TRUE(analysis->columns().empty());
    EXPECT_EQ(driver->text("labelMessage"), "Choose a variable to count.");
}

TEST(ChartRanges, AnEmptyOrUnusableRangeBecomesAUnitAroundItsValue) {
    const double nan = std::nan(""), inf = HUGE_VAL;
    struct Case {
        const char* name;
        double location, length;
        ChartRange expected;
    };
    const Case cases[] = {
        {"usable", 2, 3, {2, 3}},
        {"length 0 at 5", 5, 0, {4.5, 1}},
        {"length 0 at 0", 0, 0, {-0.5, 1}},
        {"NaN length", 5, nan, {4.5, 1}},
        {"NaN location", nan, 2, {-0.5, 1}},
        {"infinite length", 1, inf, {0.5, 1}},
        {"infinite location", -inf, 3, {-0.5, 1}},
        {"negative length", 3, -2, {2.5, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(chartRange(c.location, c.length), c.expected);
    }
    // From values: a single value, no values (NaN ends), and a spread.
    EXPECT_EQ(chartRangeOfValues(7, 7), (ChartRange{6.5, 1}));
    EXPECT_EQ(chartRangeOfValues(nan, nan), (ChartRange{-0.5, 1}));
    EXPECT_EQ(chartRangeOfValues(1, 4), (ChartRange{1, 3}));

    struct Bins {
        const char* name;
        std::vector<double> starts;
        double width;
    };
    const Bins bins[] = {
        {"no bins", {}, 1}, {"one bin", {3}, 1}, {"two bins", {3, 5.5}, 2.5}, {"equal starts", {3, 3}, 1}};
    for (const auto& b : bins) {
        SCOPED_TRACE(b.name);
        EXPECT_EQ(chartBinWidth(b.starts), b.width);
    }
}

} // namespace
