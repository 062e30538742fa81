// The regression screen opened on a workspace: validation's corrections, the logistic level set-up and
// level list, the table's actions (swipe-delete, "Add All", scrolling together), the charts, and what
// it shows for unusable choices and data.
#include "app/ColumnPickerViewController.h"
#include "plot/axes_plots/CPTTimeFormatter.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "tests/analysis/RegressionFixture.h"

#include <cmath>
#include <set>
#include <cstdlib>

using namespace regressionTest;

namespace {

const std::string kChoose = "Choose a dependent variable.";

const std::vector<ColumnSpec> kColumns{
    {"y", {"3.1", "4.2", "2.0", "6.3", "5.1", "7.7", "4.4", "8.9", "6.1", "9.5", "3.3", "7.2"}},
    {"x1", {"1", "2", "1.5", "4", "3", "5", "2.5", "6", "4.5", "7", "2", "5.5"}},
    {"x2", {"0.5", "0.1", "0.9", "0.3", "0.7", "0.2", "0.8", "0.6", "0.4", "0.3", "0.9", "0.1"}},
    {"yn", {"yes", "no", "no", "yes", "no", "yes", "no", "yes", "yes", "yes", "no", "no"}},
    {"words", {"red", "blue", "green", "red", "blue", "green", "red", "blue", "green", "red", "blue", "green"}},
    {"three", {"1", "2", "3", "1", "2", "3", "1", "2", "3", "1", "2", "3"}},
    {"bits", {"0", "1", "0", "1", "1", "0", "0", "1", "1", "0", "1", "0"}},
    {"sex", {"F", "M", "M", "F", "F", "M", "M", "F", "M", "F", "M", "F"}},
};

CPTXYAxisSet& axesOf(CPTXYGraph& graph) {
    return *std::dynamic_pointer_cast<CPTXYAxisSet>(graph.axisSet());
}
CPTXYPlotSpace& spaceOf(CPTXYGraph& graph) {
    return *std::dynamic_pointer_cast<CPTXYPlotSpace>(graph.defaultPlotSpace());
}

} // namespace

TEST_F(RegressionTest, ValidationCorrectsTheDependentAndTheModelKind) {
    struct Case {
        std::string dependent;
        int64_t distribution;
        bool kept;
        int64_t distributionAfter;
    };
    const Case cases[] = {
        {"words", 0, false, 0}, // words only: neither model can use it
        {"words", 2, false, 2},
        {"three", 2, true, 0}, // three values: no logistic model
        {"yn", 0, true, 2},    // yes/no without numbers: no linear model
        {"yn", 1, true, 1},    // any other stored kind stays
        {"bits", 0, true, 0},  // two numeric values fit either model
        {"bits", 2, true, 2},
        {"y", 0, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dependent + " stored as " + std::to_string(c.distribution));
        open(kColumns, c.dependent, {"x1"}, c.distribution);
        show();
        EXPECT_EQ(analysis->left() != nullptr, c.kept);
        EXPECT_EQ(analysis->distribution(), c.distributionAfter);
        EXPECT_EQ(screen->isLogit(), c.distributionAfter == 2);
        if (!c.kept) {
            EXPECT_EQ(screen->textViewEquation().text(), kChoose);
        } else {
            EXPECT_NE(screen->textViewEquation().text(), kChoose);
        }
        // What validation changed is stored: the workspace holds no unsaved change.
        EXPECT_FALSE(model().managedObjectContext()->hasChanges());
    }
}

TEST_F(RegressionTest, LogisticCountsTheLastLevelAndFollowsANewDependent) {
    open(kColumns, "yn", {"x1"}, 2);
    show();
    EXPECT_EQ(analysis->leftLevel1(), "yes");
    EXPECT_EQ(driver->text("buttonLevel1"), "yes");
    EXPECT_FALSE(screen->buttonLevel1().isHidden());
    EXPECT_FALSE(screen->labelLevel1().isHidden());
    EXPECT_EQ(screen->levelsLeft(), (std::vector<std::string>{"no", "yes"}));
    EXPECT_EQ(rows().back().name, " Constant");

    // A new dependent through the picker: its own levels, the last counted.
    ColumnPickerViewController picker(ui::TableViewStyle::Plain, {columnNamed("sex")}, {}, PickerPositionLeft);
    screen->picker(picker, {columnNamed("sex")}, PickerPositionLeft);
    waitShown();
    EXPECT_EQ(analysis->left()->name(), "sex");
    EXPECT_EQ(screen->levelsLeft(), (std::vector<std::string>{"F", "M"}));
    EXPECT_EQ(analysis->leftLevel1(), "M");
    EXPECT_EQ(driver->text("buttonLevel1"), "M");
    EXPECT_EQ(screen->graphData().result->nameLHS, "(sex=M)");

    // The level list: one row per level; a choice is stored and the fit runs again.
    screen->chooseLevel1(screen->buttonLevel1());
    host->drain();
    ASSERT_NE(screen->levelList(), nullptr);
    ASSERT_EQ(screen->levelList()->numberOfRowsInSection(0), 2);
    screen->didSelectRowAtIndexPath(*screen->levelList(), ui::IndexPath{0, 0});
    waitShown();
    EXPECT_EQ(analysis->leftLevel1(), "F");
    EXPECT_FALSE(model().managedObjectContext()->hasChanges());
    EXPECT_EQ(driver->text("buttonLevel1"), "F");
    EXPECT_EQ(screen->graphData().result->nameLHS, "(sex=F)");
    EXPECT_EQ(screen->presentedViewController(), nullptr);
}

TEST_F(RegressionTest, LogisticWithoutADependentAsksForOne) {
    open(kColumns, "", {"x1"}, 2);
    show();
    EXPECT_EQ(screen->textViewEquation().text(), kChoose);
    EXPECT_FALSE(analysis->leftLevel1().has_value());
    EXPECT_FALSE(screen->levelsLeft().has_value());
    EXPECT_TRUE(screen->tableResults().isHidden());
}

TEST_F(RegressionTest, SwipingDeletesARegressorButNeverTheConstant) {
    open(kColumns, "y", {"x1", "x2"});
    show();
    ASSERT_EQ(rows().size(), 3u);
    auto& table = screen->tableResults();
    EXPECT_TRUE(screen->canEditRowAtIndexPath(table, {0, 0}));
    EXPECT_TRUE(screen->canEditRowAtIndexPath(table, {0, 1}));
    EXPECT_FALSE(screen->canEditRowAtIndexPath(table, {0, 2}));
    // Swipe the second regressor's row (x2) and confirm.
    driver->swipe(table.cellForRowAtIndexPath({0, 1}), ui::SwipeLeft);
    driver->tap("deleteConfirmation");
    waitShown();
    ASSERT_EQ(analysis->columns().size(), 1u);
    EXPECT_EQ(analysis->columns()[0]->name(), "x1");
    ASSERT_EQ(rows().size(), 2u);
    screen->commitEditingStyle(table, ui::TableViewCellEditingStyle::Delete, {0, 0});
    waitShown();
    EXPECT_TRUE(analysis->columns().empty());
    const auto left = rows();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].name, " Constant");
    EXPECT_FALSE(model().managedObjectContext()->hasChanges());
    // The constant's row offers no delete.
    EXPECT_FALSE(screen->canEditRowAtIndexPath(table, {0, 0}));
}

TEST_F(RegressionTest, AddAllAddsEveryOfferedColumn) {
    open(kColumns, "y", {});
    show();
    std::set<std::string> offered;
    for (const auto& column : model().columnsToAddToAnalysis(*analysis, PickerPositionFurther))
        offered.insert(column->name());
    EXPECT_TRUE(offered.count("x1") && offered.count("x2"));
    driver->tap("buttonAll");
    waitShown();
    std::set<std::string> names;
    for (const auto& column : analysis->columns())
        names.insert(column->name());
    EXPECT_EQ(names, offered);
    EXPECT_EQ(rows().size(), analysis->columns().size() + 1);
}

TEST_F(RegressionTest, HeaderRowsAndNoteStripsScrollTogether) {
    std::vector<ColumnSpec> columns = kColumns;
    columns.push_back({"same", std::vector<std::string>(12, "4")});
    open(columns, "y", {"x1", "same"});
    show(kIdioms[1]);
    ASSERT_EQ(rows().size(), 3u);
    ASSERT_TRUE(rows()[1].noteShown);
    auto innerOf = [&](int row) {
        return dynamic_cast<ui::TableView*>(
            screen->tableResults().cellForRowAtIndexPath({0, row})->contentView().viewWithTag(fitparts::kTagInner));
    };
    auto stripOf = [&](int row) {
        return dynamic_cast<ui::ScrollView*>(
            screen->tableResults().cellForRowAtIndexPath({0, row})->contentView().viewWithTag(fitparts::kTagNote));
    };
    struct Case {
        std::string what;
        std::function<void()> scroll;
        ui::Point turnedOffset; // in the turned tables' coordinates
    };
    const Case cases[] = {
        {"the header", [&] { screen->header().horizontalTable().setContentOffset({0, 40}, false); }, {0, 40}},
        {"a row", [&] { innerOf(0)->setContentOffset({0, 70}, false); }, {0, 70}},
        {"a note strip", [&] { stripOf(1)->setContentOffset({25, 0}, false); }, {0, 25}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.scroll();
        EXPECT_EQ(screen->header().horizontalTable().contentOffset(), c.turnedOffset);
        for (int row = 0; row < 3; ++row) {
            EXPECT_EQ(innerOf(row)->contentOffset(), c.turnedOffset) << row;
            EXPECT_EQ(stripOf(row)->contentOffset(), (ui::Point{c.turnedOffset.y, -c.turnedOffset.x})) << row;
        }
        // The tags are back.
        EXPECT_EQ(screen->header().horizontalTable().tag(), fitparts::kTagNote);
    }
}

TEST_F(RegressionTest, HistogramAndResidualChartRanges) {
    open(kColumns, "y", {"x1", "x2"});
    show();
    const auto& edges = screen->arrayResults().edges;
    ASSERT_GE(edges.size(), 2u);
    const double step = edges[1] - edges[0];
    const double length = edges.back() + step - edges.front();
    auto& left = spaceOf(screen->graph());
    EXPECT_NEAR(left.xRange()->lengthDouble(), 1.1 * length, 1e-9);
    EXPECT_NEAR(left.xRange()->locationDouble(), edges.front() - 0.05 * length, 1e-9);
    const auto n = double(edges.size());
    EXPECT_NEAR(screen->barPlot().barWidth().toDouble(), length / n, 1e-9);
    EXPECT_NEAR(screen->barPlot().barOffset().toDouble(), length / n / 2, 1e-9);
    EXPECT_EQ(left.yRange()->locationDouble(), 0.0);
    const double tallest = *std::max_element(screen->arrayResults().contents.begin(),
                                             screen->arrayResults().contents.end());
    EXPECT_GE(left.yRange()->lengthDouble(), tallest);

    const auto& result = *screen->graphData().result;
    auto& right = spaceOf(screen->graphRight());
    const auto [lo, hi] = std::minmax_element(result.residuals.begin(), result.residuals.end());
    EXPECT_NEAR(right.yRange()->locationDouble(), *lo, 1e-9);
    EXPECT_NEAR(right.yRange()->lengthDouble(), (*hi - *lo) * 1.05, 1e-9);
    EXPECT_FALSE(screen->zeroLine().isHidden());
    EXPECT_NE(screen->scatterPlot().plotSymbol(), nullptr);
    EXPECT_EQ(screen->scatterPlot().numberOfRecords(), result.residuals.size());
    EXPECT_EQ(screen->noDiscriminationPlot().numberOfRecords(), 0u);
    // Each point is a row's fitted value across and its residual up.
    const size_t points = result.residuals.size();
    EXPECT_EQ(screen->scatterPlot().cachedDoublesForField(CPTScatterPlotFieldX, points), result.yhat);
    EXPECT_EQ(screen->scatterPlot().cachedDoublesForField(CPTScatterPlotFieldY, points), result.residuals);

    // The lowest residual lies on the x axis: its plus is drawn whole over the axis line, its lower arm
    // below the line rather than cut off at the plot's edge.
    EXPECT_FALSE(screen->scatterPlot().masksToBounds());
    for (const auto& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        show(idiom);
        CPTGraphHostingView& chartView = screen->hostGraphRight();
        ASSERT_NE(screen->scrollMain(), nullptr);
        screen->scrollMain()->setContentOffset({0, std::max(0.0, chartView.frame().minY() - 20)}, false);
        host->drain();
        const ui::Rect chart = chartView.convertRectToView(chartView.bounds(), nullptr);
        auto& space = spaceOf(screen->graphRight());
        const auto frame = screen->graphRight().plotAreaFrame();
        // This run's result (showing the screen again ran the fit again).
        const auto& shown = *screen->graphData().result;
        const auto lowest = std::min_element(shown.residuals.begin(), shown.residuals.end());
        const double fitted = shown.yhat[size_t(lowest - shown.residuals.begin())];
        const double across = (fitted - space.xRange()->locationDouble()) / space.xRange()->lengthDouble();
        const double x = chart.minX() + frame->paddingLeft() +
                         across * (chart.width() - frame->paddingLeft() - frame->paddingRight());
        const double axisY = chart.maxY() - frame->paddingBottom();
        const gfx::Image shot = driver->screenshot();
        if (const char* folder = std::getenv("OVRIDA_PICTURES"))
            shot.writePNG(std::string(folder) + "/regression-residuals-" + idiom.name + ".png");
        ASSERT_LT(axisY + 3, shot.pixelHeight());
        const gfx::Color arm = shot.pixel(int(std::lround(x)), int(axisY + 3));
        EXPECT_LT(arm.red + arm.green + arm.blue, 1.5)
            << "the lower arm of the lowest point's plus at " << x << ", " << axisY + 3;
    }
}

TEST_F(RegressionTest, EqualResidualsStillGetARange) {
    open({{"y", {"1", "2", "3", "4", "5"}}, {"x", {"1", "2", "3", "4", "5"}}}, "y", {"x"});
    show();
    auto& right = spaceOf(screen->graphRight());
    EXPECT_GT(right.yRange()->lengthDouble(), 1e-3);
    EXPECT_TRUE(std::isfinite(right.yRange()->locationDouble()));
    auto& left = spaceOf(screen->graph());
    EXPECT_GT(left.xRange()->lengthDouble(), 0.0);
    EXPECT_GT(left.yRange()->lengthDouble(), 0.0);
}

TEST_F(RegressionTest, ChartTitlesPerModelKind) {
    struct Case {
        std::string what;
        std::vector<ColumnSpec> columns;
        std::string dependent;
        int64_t distribution;
        std::string histogramX, rightX, rightY, rightTitle;
        bool timeAxis;
    };
    const std::vector<ColumnSpec> dates{
        {"when", {"2024-03-01", "2024-03-03", "2024-03-04", "2024-03-09", "2024-03-10", "2024-03-12"}, 4},
        {"x", {"1", "4", "2", "8", "7", "9"}}};
    const Case cases[] = {
        {"linear", kColumns, "y", 0, "Residual", "Predicted y", "Residual", "Residuals vs Fitted", false},
        {"logistic", kColumns, "yn", 2, "Residual", "False Positive Rate", "True Positive Rate", "ROC Curve", false},
        {"date", dates, "when", 0, "Residual (seconds)", "Predicted when", "Residual (seconds)", "Residuals vs Fitted",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open(c.columns, c.dependent, {c.dependent == "when" ? "x" : "x1"}, c.distribution);
        show();
        ASSERT_TRUE(screen->graphData().result.has_value());
        EXPECT_EQ(axesOf(screen->graph()).xAxis()->title(), c.histogramX);
        EXPECT_EQ(axesOf(screen->graph()).yAxis()->title(), "Frequency");
        EXPECT_EQ(axesOf(screen->graphRight()).xAxis()->title(), c.rightX);
        EXPECT_EQ(axesOf(screen->graphRight()).yAxis()->title(), c.rightY);
        EXPECT_EQ(driver->text("labelROC"), c.rightTitle);
        EXPECT_EQ(driver->text("labelHistogram"), "Histogram of Residuals");
        const bool time =
            dynamic_cast<const CPTTimeFormatter*>(axesOf(screen->graphRight()).xAxis()->labelFormatter().get());
        EXPECT_EQ(time, c.timeAxis);
    }
}

TEST_F(RegressionTest, RocCurveAndItsDiagonal) {
    open(kColumns, "yn", {"x1", "x2"}, 2);
    show();
    const auto& result = *screen->graphData().result;
    ASSERT_TRUE(result.roc.has_value());
    EXPECT_EQ(screen->scatterPlot().numberOfRecords(), result.roc->size());
    EXPECT_EQ(screen->noDiscriminationPlot().numberOfRecords(), 2u);
    // Each point is a threshold's false-positive rate across and its true-positive rate up.
    const auto across = screen->scatterPlot().cachedDoublesForField(CPTScatterPlotFieldX, result.roc->size());
    const auto up = screen->scatterPlot().cachedDoublesForField(CPTScatterPlotFieldY, result.roc->size());
    ASSERT_EQ(across.size(), result.roc->size());
    for (size_t i = 0; i < across.size(); ++i) {
        EXPECT_EQ(across[i], (*result.roc)[i][1]);
        EXPECT_EQ(up[i], (*result.roc)[i][0]);
    }
    EXPECT_EQ(screen->noDiscriminationPlot().cachedDoublesForField(CPTScatterPlotFieldX, 2),
              (std::vector<double>{0, 1}));
    EXPECT_TRUE(screen->zeroLine().isHidden());
    EXPECT_EQ(screen->scatterPlot().plotSymbol(), nullptr);
    ASSERT_NE(screen->scatterPlot().dataLineStyle(), nullptr);
    EXPECT_EQ(screen->scatterPlot().dataLineStyle()->lineWidth(), 1.0);
}

TEST_F(RegressionTest, UnusableDataGivesItsTextNeverACrash) {
    const std::string longName(120, 'v');
    struct Case {
        std::string what;
        std::vector<ColumnSpec> columns;
        std::string dependent;
        std::vector<std::string> independents;
        int64_t distribution;
        std::string textStart;
        bool red;
    };
    // A perfectly separated logistic fit: the engine's iterations stop with fitted probabilities just
    // short of 0 and 1, which count as perfect predictions.
    const Case cases[] = {
        {"no rows in common", {{"y", {"1", "2", "3", "", "", ""}}, {"x", {"", "", "", "4", "5", "6"}}}, "y", {"x"}, 0,
         "No observations in model.", true},
        {"constant dependent", {{"y", {"5", "5", "5", "5"}}, {"x", {"1", "2", "3", "4"}}}, "y", {"x"}, 0,
         "Dependent variable y is constant", true},
        {"one row", {{"y", {"5", "", "", ""}}, {"x", {"1", "", "", ""}}, {"z", {"", "1", "2", "3"}}}, "y", {"x"}, 0,
         "Model doesn't explain variation in y very well.", false},
        {"perfect separation",
         {{"y", {"0", "0", "0", "0", "0", "1", "1", "1", "1", "1"}},
          {"x", {"1", "2", "3", "4", "5", "10000", "10001", "10002", "10003", "10004"}}},
         "y", {"x"}, 2,
         "Predicted probabilities exactly 0 or 1 for 10 observations. Coefficients may not be trustworthy.", true},
        {"long names",
         {{longName, {"3", "1", "4", "1", "5", "9", "2", "6"}}, {longName + "x", {"1", "2", "3", "4", "5", "6", "7", "8"}}},
         longName, {longName + "x"}, 0, "Model", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open(c.columns, c.dependent, c.independents, c.distribution);
        for (const auto& idiom : kIdioms) {
            SCOPED_TRACE(idiom.name);
            show(idiom);
            const std::string text = screen->textViewInterpret().text();
            // No statistic reads as an infinity (a constant dependent's R² is not a number).
            EXPECT_EQ(screen->textViewStats().text().find("inf"), std::string::npos) << screen->textViewStats().text();
            if (c.textStart.empty()) {
                // Whatever the fit says, it says something.
                EXPECT_FALSE(text.empty());
                continue;
            }
            EXPECT_EQ(text.rfind(c.textStart, 0), 0u)
                << text << " perfect " << screen->graphData().result->numPerfectPredict.value_or(-1) << " converged "
                << screen->graphData().result->converged.value_or(false);
            const auto& runs = screen->textViewInterpret().attributedText().items();
            ASSERT_FALSE(runs.empty());
            EXPECT_EQ(runs[0].run.attributes.color, (c.red ? gfx::Color{1, 0, 0, 1} : gfx::Color::black()));
            // The report and the CSV are written whatever the fit.
            EXPECT_FALSE(exportCSVLines().empty());
            exportPDF();
            if (const char* folder = std::getenv("OVRIDA_PICTURES")) {
                driver->screenshot().writePNG(std::string(folder) + "/regression-" + c.what + "-" + idiom.name + ".png");
            }
        }
    }
}

TEST_F(RegressionTest, DroppedRegressorsKeepTheirRowUnderANote) {
    open({{"y", {"3", "1", "4", "1", "5", "9"}},
          {"a", {"1", "2", "3", "4", "5", "6"}},
          {"b", {"2", "4", "6", "8", "10", "12"}},
          {"c", {"7", "7", "7", "7", "7", "7"}}},
         "y", {"a", "b", "c"});
    show();
    const auto got = rows();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_TRUE(got[0].noteShown);
    EXPECT_EQ(got[0].note, " Variable dropped because it is collinear with another variable.");
    EXPECT_FALSE(got[1].noteShown);
    EXPECT_TRUE(got[2].noteShown);
    EXPECT_EQ(got[2].note, " Variable dropped because it has only one value.");
    EXPECT_FALSE(got[3].noteShown);
    const std::string equation = screen->textViewEquation().text();
    EXPECT_EQ(equation.find("* a"), std::string::npos);
    EXPECT_EQ(equation.find("* c"), std::string::npos);
    EXPECT_NE(equation.find("* b"), std::string::npos);
}

TEST_F(RegressionTest, MoreRegressorsThanRowsAndARemovedColumn) {
    std::vector<ColumnSpec> columns{{"y", {"3", "1", "4", "1", "5"}}};
    for (int i = 0; i < 500; ++i)
        columns.push_back({"c" + std::to_string(i),
                           {std::to_string(i % 7), std::to_string(i % 3), std::to_string(i % 5), std::to_string(i),
                            std::to_string(i % 11)}});
    open(columns, "y", {});
    show();
    driver->tap("buttonAll");
    waitShown();
    EXPECT_EQ(analysis->columns().size(), 500u);
    EXPECT_EQ(rows().size(), 501u);

    // A regressor removed from the workspace while the screen shows: the fit runs without it.
    model().removeColumn(*columnNamed("c0"));
    waitShown();
    EXPECT_EQ(rows().size(), 500u);
    // The dependent removed: the screen asks for one.
    model().removeColumn(*columnNamed("y"));
    waitShown();
    EXPECT_EQ(screen->textViewEquation().text(), kChoose);
}
