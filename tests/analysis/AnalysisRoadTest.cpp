// The road the analysis screens are tested through, walked with a test kind: a fixture imported through
// the Workspaces screen with the types the screens rely on, "New Analysis" to the kind's screen, its
// validation message, a pick and a filter through the pop-overs, the result, the mailed report read
// back, and the new analysis on top of the list after Back.
#include "tests/analysis/AnalysisRoad.h"
#include "tests/analysis/FrameFixture.h"
#include "analysis/CorrelationViewController.h"
#include "analysis/RegressionViewController.h"

#include <cmath>

namespace {

const std::string kTestKind = "Test summary";

// The y values of regression.csv's rows (read here from the file, not through the app) whose x1 passes.
std::vector<double> fixtureValues(const std::function<bool(double)>& x1Passes) {
    const auto lines = analysisRoad::csvLines(
        readAll(std::string(OVRIDA_SOURCE_DIR) + "/tests/fixtures/analyses/regression.csv"));
    std::vector<double> out;
    for (size_t r = 1; r < lines.size(); ++r) {
        char* end = nullptr;
        const std::string& y = lines[r][1];
        const double value = std::strtod(y.c_str(), &end);
        if (y.empty() || *end)
            continue;
        const std::string& x1 = lines[r][2];
        const double x = x1.empty() ? NAN : std::strtod(x1.c_str(), nullptr);
        if (x1Passes(x))
            out.push_back(value);
    }
    return out;
}

class AnalysisRoadTest : public AnalysisRoad {
  protected:
    void SetUp() override {
        AnalysisRoad::SetUp();
        // The test kind: the frame's test screen on the grouped summary's type, which the app offers
        // no screen of.
        AnalysisKinds::shared().add({kTestKind, 2, 0, [probe = probe] {
                                         return std::make_shared<frameTest::TestScreen>(probe);
                                     }});
    }
    void TearDown() override {
        AnalysisKinds::shared().remove(kTestKind);
        AnalysisRoad::TearDown();
    }
    std::shared_ptr<frameTest::Probe> probe = std::make_shared<frameTest::Probe>();
};

TEST_F(AnalysisRoadTest, TheTabBarNamesEveryTabOnPadAndPhone) {
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        openApp(idiom);
        std::vector<std::string> shown;
        for (const auto& button : tabs->tabBar().subviews()) {
            const ui::Rect r = button->convertRectToView(button->bounds(), nullptr);
            EXPECT_GE(r.minX(), 0);
            EXPECT_LE(r.maxX(), idiom.screen.width);
            shown.push_back(driver->text(button.get()));
        }
        EXPECT_EQ(shown, (std::vector<std::string>{"Workspaces", "Browse", "Variables", "Analysis", "About"}));
        screenshot(std::string("road-tabs-") + idiom.name);
    }
}

TEST_F(AnalysisRoadTest, TheRegressionFixtureIsImportedWithTheTypesTheScreensRelyOn) {
    openApp();
    importFixture("regression.csv");
    EXPECT_EQ(model().countRows(), 40u);
    struct Case {
        const char* column;
        int64_t type;
    };
    const Case cases[] = {
        {"y", 3}, {"x1", 3}, {"x2", 3}, {"smoker", 3}, {"g", 2}, {"site", 2}, {"ok", 1}, {"day", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        auto column = columnNamed(c.column);
        ASSERT_NE(column, nullptr);
        EXPECT_EQ(column->type().value_or(-1), c.type);
    }
}

TEST_F(AnalysisRoadTest, ATestKindGoesFromNewAnalysisToAMailedReportOnPadAndPhone) {
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        openApp(idiom);
        importFixture("regression.csv");
        auto* screen = newAnalysis<frameTest::TestScreen>(kTestKind);
        ASSERT_NE(screen, nullptr);
        EXPECT_EQ(text("labelMessage"), "Choose a variable to count.");
        // The chooser gave way to the screen: Back leads to the list.
        ASSERT_EQ(analysisTab().viewControllers().size(), 2u);
        EXPECT_NE(analysesList(), nullptr);

        pickVariables("buttonLeft", {"y"});
        ASSERT_TRUE(waitForResult());
        const auto all = fixtureValues([](double) { return true; });
        EXPECT_EQ(text("labelResult"), "N = " + std::to_string(all.size()));

        addFilter("x1", ">", "2");
        ASSERT_TRUE(waitForResult());
        const auto kept = fixtureValues([](double x) { return x > 2; });
        ASSERT_LT(kept.size(), all.size());
        EXPECT_EQ(text("labelResult"), "N = " + std::to_string(kept.size()));
        screenshot(std::string("road-test-kind-") + idiom.name);

        const Report report = emailReport();
        ASSERT_FALSE(report.pdf.empty());
        EXPECT_EQ(report.alertTitle, "Message Saved");
        const std::string name = screen->fileNameOutput();
        EXPECT_EQ(fs::path(report.pdf).filename().string(), name + ".pdf");
        EXPECT_EQ(fs::path(report.csvPath).filename().string(), name + ".csv");
        const auto info = renderChecks::pdfInfo(report.pdf);
        ASSERT_TRUE(info.readable);
        ASSERT_GE(info.pages, 1);
        for (const auto& size : info.pageSizes) {
            EXPECT_EQ(size.width, 612);
            EXPECT_EQ(size.height, 792);
        }
        std::string pdfText = report.pdfText();
        std::erase_if(pdfText, ::isspace);
        EXPECT_NE(pdfText.find("N=" + std::to_string(kept.size())), std::string::npos) << report.pdfText();
        ASSERT_EQ(report.csv.size(), 2u);
        EXPECT_EQ(report.csv[0], (Fields{"Analysis", "N", "Mean"}));
        EXPECT_EQ(report.csv[1][0], kTestKind);
        EXPECT_EQ(report.csv[1][1], std::to_string(kept.size()));
        double mean = 0;
        for (double v : kept)
            mean += v / double(kept.size());
        EXPECT_NEAR(std::stod(report.csv[1][2]), mean, 1e-9);

        // Back: the new analysis heads the list.
        analysisTab().popViewControllerAnimated(false);
        host->drain();
        auto* list = analysesList();
        ASSERT_NE(list, nullptr);
        ASSERT_FALSE(list->analyses().empty());
        auto* cell = dynamic_cast<AnalysisCell*>(list->tableView().cellForRowAtIndexPath({0, 0}));
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(driver->text(&cell->labelType()), kTestKind);
        EXPECT_EQ(driver->text(&cell->labelDescription()), "y");
        EXPECT_EQ(driver->text(&cell->labelWhere()), "Filters: " + model().stringForWhereAnalysis(*list->analyses()[0]));
        EXPECT_NE(driver->text(&cell->labelWhere()).find("x1"), std::string::npos);
    }
}

} // namespace

namespace {

// Each kind through the chooser: the stored name, type and distribution, the screen pushed in the
// chooser's place, and its first message. Each screen adds its row here.
TEST_F(AnalysisRoadTest, EachKindOfTheChooserMakesItsAnalysisAndShowsItsScreen) {
    struct Case {
        std::string title;
        int64_t type, distribution;
        std::function<bool(ui::ViewController*)> isScreen;
        std::string messageOutlet, message;
    };
    const Case cases[] = {
        {"Correlation", 3, 0, [](ui::ViewController* c) { return dynamic_cast<CorrelationViewController*>(c) != nullptr; },
         "labelError", "Please choose two variables to analyze."},
        {"Linear Regression Model", 4, 0,
         [](ui::ViewController* c) { return dynamic_cast<RegressionViewController*>(c) != nullptr; },
         "textViewEquation", "Choose a dependent variable."},
        {"Logistic Regression Model", 4, 2,
         [](ui::ViewController* c) { return dynamic_cast<RegressionViewController*>(c) != nullptr; },
         "textViewEquation", "Choose a dependent variable."},
        {kTestKind, 2, 0, [](ui::ViewController* c) { return dynamic_cast<frameTest::TestScreen*>(c) != nullptr; },
         "labelMessage", "Choose a variable to count."},
    };
    openApp();
    importFixture("regression.csv");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        auto* screen = newAnalysis(c.title);
        ASSERT_NE(screen, nullptr);
        EXPECT_TRUE(c.isScreen(screen));
        ASSERT_EQ(analysisTab().viewControllers().size(), 2u);
        EXPECT_EQ(screen->analysis()->name(), c.title);
        EXPECT_EQ(screen->analysis()->type(), c.type);
        EXPECT_EQ(screen->analysis()->distribution(), c.distribution);
        EXPECT_EQ(screen->model(), &model());
        EXPECT_EQ(text(c.messageOutlet), c.message);
        // Stored: the list, fetched afresh, has it on top (the screen is gone once popped).
        const auto made = screen->analysis()->objectID();
        analysisTab().popViewControllerAnimated(false);
        host->drain();
        ASSERT_FALSE(analysesList()->analyses().empty());
        EXPECT_EQ(analysesList()->analyses()[0]->objectID(), made);
    }
}

} // namespace

namespace {

// Another workspace opened while a screen's run is still out: the Analysis tab is back at its list, the
// screen is gone, and the run that ends afterwards shows nowhere.
TEST_F(AnalysisRoadTest, AnotherWorkspaceUnderAnOpenScreenPopsTheTabAndDropsItsLateRun) {
    openApp();
    importFixture("regression.csv");
    probe->hold();
    std::weak_ptr<ui::ViewController> weak;
    {
        auto* screen = newAnalysis<frameTest::TestScreen>(kTestKind);
        ASSERT_NE(screen, nullptr);
        weak = screen->weak_from_this();
        pickVariables("buttonLeft", {"y"});
        ASSERT_TRUE(runUntil([&] { return probe->startedRuns() > 0; }));
    }
    importFixture("tests.csv");
    showAnalysisTab();
    EXPECT_EQ(analysisTab().viewControllers().size(), 1u);
    ASSERT_NE(analysesList(), nullptr);
    EXPECT_TRUE(analysesList()->analyses().empty());
    probe->clearCalls();
    probe->releaseEverything();
    waitForBackgroundWork();
    host->drain();
    EXPECT_TRUE(weak.expired());
    EXPECT_TRUE(probe->calls.empty()) << probe->calls.front();
    EXPECT_EQ(analysisTab().viewControllers().size(), 1u);
}

// A saved correlation whose two columns were both removed (as the Variables screen removes a column):
// listed with an empty description, and opened, it asks for two variables again.
TEST_F(AnalysisRoadTest, AnAnalysisWhoseColumnsWereAllRemovedOpensToItsMessage) {
    openApp();
    importFixture("regression.csv");
    auto* screen = newAnalysis<CorrelationViewController>("Correlation");
    ASSERT_NE(screen, nullptr);
    pickVariables("buttonLeft", {"x1"});
    pickVariables("buttonRight", {"y"});
    ASSERT_TRUE(waitForResult("labelError"));
    ASSERT_TRUE(screen->labelError().isHidden());
    analysisTab().popViewControllerAnimated(false);
    host->drain();
    for (const char* name : {"x1", "y"}) {
        auto column = columnNamed(name);
        ASSERT_NE(column, nullptr);
        model().removeColumn(*column);
    }
    tabs->setSelectedIndex(2);
    host->drain();
    showAnalysisTab();
    AnalysesViewController* list = analysesList();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->analyses().size(), 1u);
    auto* row = dynamic_cast<AnalysisCell*>(list->tableView().cellForRowAtIndexPath({0, 0}));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(driver->text(&row->labelType()), "Correlation");
    EXPECT_EQ(driver->text(&row->labelDescription()), "");
    EXPECT_EQ(driver->text(&row->labelWhere()), "No filters");
    driver->tap(row);
    host->advance(1);
    auto* reopened = dynamic_cast<CorrelationViewController*>(analysisTab().topViewController());
    ASSERT_NE(reopened, nullptr);
    ASSERT_TRUE(waitForResult("labelError"));
    EXPECT_FALSE(reopened->labelError().isHidden());
    EXPECT_EQ(text("labelError"), "Please choose two variables to analyze.");
    EXPECT_EQ(text("buttonLeft"), "Choose Variable");
    EXPECT_EQ(text("buttonRight"), "Choose Variable");
}

} // namespace
