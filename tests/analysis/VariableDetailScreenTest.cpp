// The variable detail page shown on a workspace's column: its statistic columns, frequency table and
// chart records by type, its actions (type chooser, filters, glossary, share), and what it shows for
// data that holds nothing, one value, or a column that is gone.
#include "app/GlossaryViewController.h"
#include "app/WhereColumnViewController.h"
#include "plot/axes_plots/CPTPieChart.h"
#include "plot/axes_plots/CPTTimeFormatter.h"
#include "plot/foundation/CPTFill.h"
#include "plot/graph/CPTAxisLabel.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTTextLayer.h"
#include "tests/RenderChecks.h"
#include "tests/analysis/FilterEditor.h"
#include "tests/analysis/VariableDetailFixture.h"

#include <algorithm>
#include <cmath>
#include <regex>

using namespace variableDetailTest;

namespace {

const ColumnSpec kNumbers{"x", {"1", "2", "3", "4", "100"}};

// "95% CI of Mean: [a,b]" with its bounds read back (the grouping commas of the numbers inside are
// told apart from the separating one by the digits that follow a grouping comma).
struct Interval {
    std::string prefix;
    double low = NAN, high = NAN;
};
Interval intervalOf(const std::string& line) {
    static const std::regex form(R"((.*): \[(-?[0-9,.]+),(-?[0-9,.]+)\])");
    std::smatch m;
    if (!std::regex_match(line, m, form))
        return {line, NAN, NAN};
    auto number = [](std::string text) {
        text.erase(std::remove(text.begin(), text.end(), ','), text.end());
        return std::stod(text);
    };
    // Greedy matching puts grouping commas of the upper bound into the lower one: split again at the
    // comma that leaves well-formed groups on both sides.
    const std::string both = std::string(m[2]) + "," + std::string(m[3]);
    static const std::regex grouped(R"((-?[0-9]{1,3}(?:,[0-9]{3})*(?:\.[0-9]+)?),(-?[0-9]{1,3}(?:,[0-9]{3})*(?:\.[0-9]+)?))");
    std::smatch g;
    if (std::regex_match(both, g, grouped))
        return {m[1], number(g[1]), number(g[2])};
    return {m[1], number(m[2]), number(m[3])};
}

double recordOf(const VariableDetailViewController::ChartData& data, const std::string& plot, uint64_t field,
                uint64_t index) {
    return data.number(plot, field, index).value_or(NAN);
}

} // namespace

TEST_F(VariableDetailTest, NumericColumnsLineByLine) {
    open({kNumbers});
    show("x");
    EXPECT_EQ(page->labelName().text(), "Variable: x");
    EXPECT_EQ(page->labelType().text(), "Type: Numeric");
    // R: x <- c(1, 2, 3, 4, 100): mean, quantile (type 7), sqrt(mean(x^2)), var, sd, mean(abs(x - mean(x))),
    // sd / mean, the moment skew m3 / m2^1.5 and excess kurtosis m4 / m2^2 - 3.
    const Lines l = left(), c = center(), r = right();
    ASSERT_EQ(l.size(), 8u) << page->textViewLeft().text();
    EXPECT_EQ(l[0], "Observations: 5");
    EXPECT_EQ(l[1], "Unique Values: 5");
    EXPECT_EQ(l[2], "Mean: 22");
    EXPECT_EQ(l[4], "Median: 3");
    EXPECT_EQ(l[5], "Root Mean Square: 44.78839");
    EXPECT_EQ(l[6], "Mode: 1");
    EXPECT_EQ(l[7], "Sum: 110");
    EXPECT_EQ(c, (Lines{"Minimum: 1", "1st Quartile: 2", "Median: 3", "3rd Quartile: 4", "Maximum: 100", "",
                        "Range: 99", "Mid-Range: 50.5"}));
    ASSERT_EQ(r.size(), 8u) << page->textViewRight().text();
    EXPECT_EQ(r[0], "Variance: 1,902.5");
    EXPECT_EQ(r[2], "Standard Deviation: 43.61766");
    EXPECT_EQ(r[4], "Mean Abs Dev: 31.2");
    EXPECT_EQ(r[5], "Coeff. Variation: 1.982621");
    EXPECT_EQ(r[6], "Skew: 1.497537");
    EXPECT_EQ(r[7], "Excess Kurtosis: 0.2467165");
    // The intervals by shape: the library's quantiles are approximations of its own.
    struct Case {
        std::string line, prefix;
        double estimate;
    };
    const Case intervals[] = {{l[3], "95% CI of Mean", 22},
                              {r[1], "95% CI of Variance", 1902.5},
                              {r[3], "95% CI of Std Dev", 43.61766}};
    for (const Case& k : intervals) {
        SCOPED_TRACE(k.line);
        const Interval i = intervalOf(k.line);
        EXPECT_EQ(i.prefix, k.prefix);
        EXPECT_LT(i.low, k.estimate);
        EXPECT_GT(i.high, k.estimate);
    }
    EXPECT_FALSE(page->textViewCenter().isHidden());
    EXPECT_FALSE(page->textViewRight().isHidden());
    EXPECT_FALSE(page->graphViewBox().isHidden());
    EXPECT_EQ(page->labelHistogram().text(), "Histogram and Box Plot of x");
    EXPECT_EQ(page->labelQQPlot().text(), "QQ Plot");
    EXPECT_EQ(page->labelWhere().text(), "No filters");
}

TEST_F(VariableDetailTest, NumericChartRecords) {
    open({kNumbers});
    show("x");
    const auto data = charts();
    ASSERT_TRUE(data.numericLike());
    struct Box {
        const char* plot;
        double tip, base;
    };
    const Box boxes[] = {{"topBox", 4, 3},        {"bottomBox", 3, 2},        {"topWhisker", 4, 4},
                         {"bottomWhisker", 2, 1}, {"topWhiskerTip", 4, 4},    {"bottomWhiskerTip", 1, 1}};
    for (const Box& b : boxes) {
        SCOPED_TRACE(b.plot);
        EXPECT_EQ(data.count(b.plot), 1u);
        EXPECT_EQ(recordOf(data, b.plot, CPTBarPlotFieldBarLocation, 0), 0);
        EXPECT_EQ(recordOf(data, b.plot, CPTBarPlotFieldBarTip, 0), b.tip);
        EXPECT_EQ(recordOf(data, b.plot, CPTBarPlotFieldBarBase, 0), b.base);
    }
    ASSERT_EQ(data.count("outliers"), 1u);
    EXPECT_EQ(recordOf(data, "outliers", CPTScatterPlotFieldX, 0), 100);
    EXPECT_EQ(recordOf(data, "outliers", CPTScatterPlotFieldY, 0), 0.5);
    ASSERT_EQ(data.count("qqplot"), 5u);
    for (uint64_t i = 1; i < 5; ++i) {
        EXPECT_LT(recordOf(data, "qqplot", CPTScatterPlotFieldX, i - 1), recordOf(data, "qqplot", CPTScatterPlotFieldX, i));
    }
    EXPECT_EQ(recordOf(data, "qqplot", CPTScatterPlotFieldY, 4), 100);
    EXPECT_EQ(data.count("qqline"), 2u);
    EXPECT_EQ(data.count("piePlot"), 0u);
    // The histogram's bins, their starts as bar locations, holding the five values.
    ASSERT_TRUE(page->frequenciesGraph());
    const auto& bins = std::get<HistogramBins>(*page->frequenciesGraph());
    ASSERT_GE(bins.edges.size(), 2u);
    ASSERT_EQ(data.count("barPlot"), bins.edges.size());
    double total = 0;
    for (uint64_t i = 0; i < bins.edges.size(); ++i) {
        EXPECT_EQ(recordOf(data, "barPlot", CPTBarPlotFieldBarLocation, i), bins.edges[i]);
        total += recordOf(data, "barPlot", CPTBarPlotFieldBarTip, i);
    }
    EXPECT_EQ(total, 5);
    EXPECT_FALSE(data.number("barPlot", CPTBarPlotFieldBarBase, 0));
    const double first = bins.edges.front(), width = bins.edges[1] - bins.edges[0];
    const double span = bins.edges.back() + width - first;

    // The box plot shares the histogram's value axis; its bars stand in 0 .. 1.
    auto main = space(page->graph()).xRange();
    auto box = space(page->graphBox()).xRange();
    EXPECT_DOUBLE_EQ(box->locationDouble(), main->locationDouble());
    EXPECT_DOUBLE_EQ(box->lengthDouble(), main->lengthDouble());
    EXPECT_EQ(space(page->graphBox()).yRange()->locationDouble(), 0);
    EXPECT_EQ(space(page->graphBox()).yRange()->lengthDouble(), 1);
    // From the first bin's start to the last one's end, widened 5 % on either side; one bar per bin.
    EXPECT_NEAR(main->locationDouble(), first - 0.05 * span, 1e-9);
    EXPECT_NEAR(main->lengthDouble(), span * 1.1, 1e-9);
    auto histogram = std::dynamic_pointer_cast<CPTBarPlot>(page->graph().plotWithIdentifier(foundation::Value("barPlot")));
    ASSERT_NE(histogram, nullptr);
    EXPECT_NEAR(histogram->barWidth().toDouble(), span / double(bins.edges.size()), 1e-9);
    EXPECT_NEAR(histogram->barOffset().toDouble(), 0.5 * span / double(bins.edges.size()), 1e-9);
    EXPECT_EQ(axes(page->graphQQ()).xAxis()->title(), "Theoretical Quantiles");
    EXPECT_EQ(axes(page->graphQQ()).yAxis()->title(), "x");
    EXPECT_EQ(axes(page->graph()).yAxis()->title(), "Frequency");
    for (const char* plot : {"qqplot", "qqline"}) {
        EXPECT_NE(page->graphQQ().plotWithIdentifier(foundation::Value(plot)), nullptr) << plot;
    }
    EXPECT_EQ(page->graphBox().allPlots().size(), 7u);
}

TEST_F(VariableDetailTest, FrequencyTableSharesOfTheCountedRows) {
    open({{"g", {"a", "b", "a", "c", "a", "b"}}});
    show("g");
    EXPECT_EQ(page->labelType().text(), "Type: Categorical");
    EXPECT_EQ(tableRows(), (std::vector<TableRow>{{"a", "3 ", "50%", "50%"}, {"b", "2 ", "33%", "83%"},
                                                   {"c", "1 ", "17%", "100%"}}));
    EXPECT_EQ(page->labelPerc().text(), "%");
    EXPECT_EQ(page->labelCumPerc().text(), "cum. %");
    EXPECT_EQ(page->labelValue().text(), "Value");
    EXPECT_EQ(page->labelObs().text(), "Observations");
    EXPECT_EQ(page->labelFreqTable().text(), "Most Frequent Values");
}

TEST_F(VariableDetailTest, LevelsShowBarsAndPie) {
    struct Case {
        ColumnSpec column;
        std::string type;
        std::vector<std::string> levels;
        std::vector<double> counts;
    };
    const Case cases[] = {
        {{"g", {"a", "b", "a", "c", "a", "b"}}, "Type: Categorical", {"a", "b", "c"}, {3, 2, 1}},
        {{"s", {"yes", "no", "yes", "yes"}, 2}, "Type: Binary", {"yes", "no"}, {3, 1}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.column.name);
        open({k.column});
        show(k.column.name);
        EXPECT_EQ(page->labelType().text(), k.type);
        EXPECT_TRUE(page->textViewCenter().isHidden());
        EXPECT_TRUE(page->textViewRight().isHidden());
        EXPECT_TRUE(page->graphViewBox().isHidden());
        EXPECT_EQ(left(), (Lines{"Observations: " + std::to_string(int(k.column.texts.size())),
                                 "Unique Values: " + std::to_string(k.levels.size())}));
        EXPECT_EQ(page->labelHistogram().text(), "Bar Plot of " + k.column.name);
        EXPECT_EQ(page->labelQQPlot().text(), "Pie Chart of " + k.column.name);
        // Pictures of the page, its top and its end, for a reader to look at.
        EXPECT_TRUE(driver->saveScreenshot(renderChecks::scratchPath("variable-detail-" + k.column.name + ".png")));
        page->scrollMain()->setContentOffset({0, page->scrollMain()->contentSize().height -
                                                     page->scrollMain()->bounds().height()},
                                             false);
        host->drain();
        EXPECT_TRUE(driver->saveScreenshot(renderChecks::scratchPath("variable-detail-" + k.column.name + "-end.png")));
        const auto data = charts();
        EXPECT_FALSE(data.numericLike());
        ASSERT_EQ(data.count("barPlot"), k.levels.size());
        ASSERT_EQ(data.count("piePlot"), k.levels.size());
        for (size_t i = 0; i < k.levels.size(); ++i) {
            EXPECT_EQ(recordOf(data, "barPlot", CPTBarPlotFieldBarLocation, i), double(i));
            EXPECT_EQ(recordOf(data, "barPlot", CPTBarPlotFieldBarTip, i), k.counts[i]);
            EXPECT_EQ(recordOf(data, "piePlot", CPTPieChartFieldSliceWidth, i), k.counts[i]);
        }
        EXPECT_EQ(data.count("qqplot"), 0u);
        EXPECT_EQ(data.count("topBox"), 0u);
        // One slanted label per level under its bar.
        auto x = axes(page->graph()).xAxis();
        ASSERT_EQ(x->axisLabels().size(), k.levels.size());
        std::map<double, std::shared_ptr<CPTAxisLabel>> byTick;
        for (const auto& label : x->axisLabels())
            byTick[label->tickLocation().toDouble()] = label;
        for (size_t i = 0; i < k.levels.size(); ++i) {
            auto label = byTick[double(i)];
            ASSERT_NE(label, nullptr);
            auto text = std::dynamic_pointer_cast<CPTTextLayer>(label->contentLayer());
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(text->text(), k.levels[i]);
            EXPECT_DOUBLE_EQ(label->rotation(), 0.20943951023931953);
            EXPECT_EQ(label->offset(), 5);
        }
        EXPECT_EQ(x->majorTickLocations().size(), k.levels.size());
        auto& bars = space(page->graph());
        EXPECT_EQ(bars.xRange()->locationDouble(), -0.5);
        EXPECT_EQ(bars.xRange()->lengthDouble(), double(k.levels.size()) + 0.5);
        EXPECT_EQ(bars.yRange()->locationDouble(), 0);
        EXPECT_GE(bars.yRange()->lengthDouble(), 1.05 * k.counts[0] - 1e-9);
        auto pie = std::dynamic_pointer_cast<CPTPieChart>(page->graphQQ().plotWithIdentifier(foundation::Value("piePlot")));
        ASSERT_NE(pie, nullptr);
        EXPECT_EQ(pie->pieRadius(), 100);
        EXPECT_DOUBLE_EQ(pie->startAngle(), M_PI / 4);
        EXPECT_EQ(pie->sliceDirection(), CPTPieDirectionClockwise);
        auto source = pie->dataSource();
        auto* pieSource = dynamic_cast<CPTPieChartDataSource*>(source.get());
        ASSERT_NE(pieSource, nullptr);
        for (size_t i = 0; i < k.levels.size(); ++i) {
            auto layer = pieSource->dataLabelForPlot(*pie, i);
            ASSERT_TRUE(layer && *layer);
            auto text = std::dynamic_pointer_cast<CPTTextLayer>(*layer);
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(text->text(), k.levels[i]);
        }
    }
}

TEST(VariableDetailColours, SliceFillsByIndexNoneFromTen) {
    const std::pair<uint64_t, gfx::Color> cases[] = {
        {0, {0.9, 0.8, 0.8, 1}}, {1, {0.8, 0.9, 0.8, 1}}, {2, {0.8, 0.8, 0.9, 1}}, {3, {0.7, 0.6, 0.6, 1}},
        {4, {0.6, 0.7, 0.6, 1}}, {5, {0.6, 0.6, 0.7, 1}}, {6, {0.5, 0.4, 0.4, 1}}, {7, {0.4, 0.5, 0.4, 1}},
        {8, {0.4, 0.4, 0.5, 1}}, {9, {1.0, 1.0, 0.0, 1}}};
    for (const auto& [index, color] : cases) {
        auto got = VariableDetailViewController::sliceColor(index);
        ASSERT_TRUE(got) << index;
        EXPECT_EQ(*got, color) << index;
    }
    EXPECT_FALSE(VariableDetailViewController::sliceColor(10));
    EXPECT_FALSE(VariableDetailViewController::sliceColor(12));
    EXPECT_EQ(VariableDetailViewController::barColor(), (gfx::Color{0.6, 0.6, 0.9, 1}));
}

TEST(VariableDetailRecords, PieOfElevenLevelsBuiltInTheTest) {
    // The engine keeps at most ten levels; a result of eleven still answers every slice.
    VariableDetailViewController::ChartData data;
    data.type = 1;
    TopFrequencies top;
    for (int i = 0; i < 11; ++i) {
        top.levels.push_back("L" + std::to_string(i));
        top.counts.push_back(11 - i);
    }
    data.graph = top;
    ASSERT_EQ(data.count("piePlot"), 11u);
    EXPECT_EQ(data.number("piePlot", CPTPieChartFieldSliceWidth, 10), 1.0);
    EXPECT_FALSE(data.number("piePlot", CPTPieChartFieldSliceWidth, 11));
    EXPECT_FALSE(data.number("barPlot", CPTBarPlotFieldBarBase, 0));
    EXPECT_EQ(data.levels().back(), "L10");
}

TEST_F(VariableDetailTest, DatesDaysApartAndMinutesApart) {
    struct Case {
        ColumnSpec column;
        Lines left, center;
        double unit; // the calendar step the histogram's ticks stand a whole number of apart
        Lines tickLabels;
    };
    const Case cases[] = {
        {{"d", {"2021-01-01", "2021-01-03", "2021-01-10"}, 4},
         // Days 0, 2 and 9: mean 3.67, t(0.975, 2) * sd / sqrt(3) = 11.74 days either side.
         {"Observations: 3", "Unique Values: 3", "Mean: 1/4/21", "95% CI of Mean: [12/23/20,1/16/21]",
          "Median: 1/3/21", "Root Mean Square: 1/4/21", "Mode: 1/1/21"},
         {"Minimum: 1/1/21", "1st Quartile: 1/2/21", "Median: 1/3/21", "3rd Quartile: 1/6/21", "Maximum: 1/10/21",
          "", "Mid-Range: 1/5/21"},
         // Every third day: ticks 2.3 days apart read as gaps of two and three days.
         86400, {"1/3/21", "1/6/21", "1/9/21"}},
        {{"t", {"2021-01-01 10:00", "2021-01-01 10:05", "2021-01-01 10:30"}, 4},
         {},
         {"Minimum: 1/1/21, 10:00\u202FAM", "1st Quartile: 1/1/21, 10:02\u202FAM", "Median: 1/1/21, 10:05\u202FAM",
          "3rd Quartile: 1/1/21, 10:17\u202FAM", "Maximum: 1/1/21, 10:30\u202FAM", "", "Mid-Range: 10:15\u202FAM"},
         60, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.column.name);
        open({k.column});
        show(k.column.name);
        EXPECT_EQ(page->labelType().text(), "Type: Date / Time");
        if (!k.left.empty()) {
            EXPECT_EQ(left(), k.left);
        }
        EXPECT_EQ(center(), k.center);
        const Lines r = right();
        ASSERT_EQ(r.size(), 2u) << page->textViewRight().text();
        EXPECT_EQ(r[0].rfind("Skew: ", 0), 0u);
        EXPECT_EQ(r[1].rfind("Excess Kurtosis: ", 0), 0u);
        for (const std::string& text : {page->textViewLeft().text(), page->textViewCenter().text(),
                                        page->textViewRight().text()}) {
            for (const char* absent : {"Standard Deviation", "Variance", "Sum", "Range:", "Coeff"}) {
                if (std::string(absent) == "Range:") {
                    EXPECT_EQ(text.find("\nRange:"), std::string::npos);
                } else {
                    EXPECT_EQ(text.find(absent), std::string::npos) << absent;
                }
            }
        }
        EXPECT_NE(dynamic_cast<CPTTimeFormatter*>(axes(page->graph()).xAxis()->labelFormatter().get()), nullptr);
        EXPECT_FALSE(page->graphViewBox().isHidden());

        // The histogram's ticks stand a whole calendar step apart, counted from midnight, so their dates
        // read as evenly spaced as they stand.
        for (const Idiom& idiom : kIdioms) {
            SCOPED_TRACE(idiom.name);
            show(k.column.name, idiom);
            auto& axis = *axes(page->graph()).xAxis();
            const auto& ticks = axis.majorTickLocations();
            ASSERT_GE(ticks.size(), 3u);
            const double step = ticks[1].toDouble() - ticks[0].toDouble();
            EXPECT_EQ(std::fmod(step, k.unit), 0.0) << step;
            EXPECT_EQ(std::fmod(ticks[0].toDouble(), k.unit), 0.0);
            for (size_t i = 1; i < ticks.size(); ++i)
                EXPECT_EQ(ticks[i].toDouble() - ticks[i - 1].toDouble(), step);
            // Drawn, so the axis has labelled its ticks.
            const gfx::Image shot = driver->screenshot();
            if (const char* folder = std::getenv("OVRIDA_PICTURES"))
                shot.writePNG(std::string(folder) + "/variable-dates-" + k.column.name + "-" + idiom.name + ".png");
            if (!k.tickLabels.empty()) {
                std::vector<std::pair<double, std::string>> labels;
                for (const auto& label : axis.axisLabels()) {
                    auto text = std::dynamic_pointer_cast<CPTTextLayer>(label->contentLayer());
                    labels.emplace_back(label->tickLocation().toDouble(), text && text->text() ? *text->text() : "");
                }
                std::sort(labels.begin(), labels.end());
                Lines texts;
                for (const auto& [at, text] : labels)
                    texts.push_back(text);
                EXPECT_EQ(texts, k.tickLabels);
            }
        }
    }
}

TEST_F(VariableDetailTest, ChangeTypeThroughTheChooserStoresAndReruns) {
    open({{"n", {"1", "2", "2", "3"}}});
    show("n");
    EXPECT_EQ(page->labelType().text(), "Type: Numeric");
    driver->tap(&page->buttonChangeType());
    host->drain();
    auto* nav = dynamic_cast<ui::NavigationController*>(page->presentedViewController());
    ASSERT_NE(nav, nullptr);
    auto* chooser = dynamic_cast<ui::TableViewController*>(nav->topViewController());
    ASSERT_NE(chooser, nullptr);
    auto& table = chooser->tableView();
    EXPECT_EQ(table.tag(), 201);
    EXPECT_EQ(chooser->preferredContentSize().width, 200);
    EXPECT_EQ(page->heightForRowAtIndexPath(table, {0, 0}), 50);
    std::vector<std::string> offered;
    for (int i = 0; i < table.numberOfRowsInSection(0); ++i)
        offered.push_back(page->cellForRowAtIndexPath(table, {0, i})->textLabel().text());
    ASSERT_NE(std::find(offered.begin(), offered.end(), "Categorical"), offered.end());
    const int row = int(std::find(offered.begin(), offered.end(), "Categorical") - offered.begin());
    ui::TableViewCell* cell = table.cellForRowAtIndexPath({0, row});
    ASSERT_NE(cell, nullptr);
    driver->tap(cell);
    host->drain();
    waitShown();
    EXPECT_EQ(page->presentedViewController(), nullptr);
    EXPECT_EQ(columnNamed("n")->type(), 1);
    EXPECT_EQ(page->labelType().text(), "Type: Categorical");
    EXPECT_EQ(left(), (Lines{"Observations: 4", "Unique Values: 3"}));
    EXPECT_TRUE(page->graphViewBox().isHidden());
}

TEST_F(VariableDetailTest, FilterThroughTheEditorRerunsOverFewerRows) {
    open({kNumbers, {"site", {"north", "south", "north", "south", "north"}}});
    show("x");
    ASSERT_NO_FATAL_FAILURE(
        filterEditor::addFilter(*driver, *host, *page, page->buttonWhere(), "site", "", "north"));
    waitShown();
    EXPECT_EQ(page->presentedViewController(), nullptr);
    ASSERT_EQ(page->wheres()->size(), 1u);
    EXPECT_EQ(page->labelWhere().text(), model().stringForWhereSet(page->whereClauses()));
    EXPECT_NE(page->labelWhere().text(), "No filters");
    // Rows 1, 3 and 5: 1, 3, 100.
    EXPECT_EQ(left()[0], "Observations: 3");
    EXPECT_EQ(center()[0], "Minimum: 1");
    EXPECT_EQ(center()[4], "Maximum: 100");
    // Each level's share is of the three rows counted.
    const auto rows = tableRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].perc, "33%");
    EXPECT_EQ(rows[2].cum, "100%");
}

TEST_F(VariableDetailTest, ItemsOnThePagersBarDisabledWhileARunWaits) {
    open({kNumbers});
    show("x");
    ASSERT_EQ(nav->topViewController()->navigationItem().rightBarButtonItems.size(), 2u);
    EXPECT_EQ(nav->topViewController()->navigationItem().rightBarButtonItems[0], page->shareItem());
    EXPECT_EQ(nav->topViewController()->navigationItem().rightBarButtonItems[1], page->glossaryItem());
    EXPECT_TRUE(page->buttonChangeType().isEnabled());
    // The main queue is not drained: the run's hop waits, and so do the items.
    page->viewWillAppear(false);
    EXPECT_FALSE(page->buttonChangeType().isEnabled());
    EXPECT_FALSE(page->shareItem()->isEnabled());
    waitShown();
    EXPECT_TRUE(page->buttonChangeType().isEnabled());
}

TEST_F(VariableDetailTest, PageReleasedMidRunTakesNoResult) {
    open({kNumbers});
    show("x");
    auto other = std::make_shared<VariableDetailViewController>();
    other->setModel(&model());
    other->setObjectIDColumn(columnNamed("x")->objectID());
    other->view();
    other->viewWillAppear(false);
    std::weak_ptr<VariableDetailViewController> weak = other;
    other.reset();
    EXPECT_TRUE(weak.expired());
    waitForBackgroundWork();
    host->drain();
}

TEST_F(VariableDetailTest, GlossaryTermsInOrder) {
    open({kNumbers});
    show("x");
    EXPECT_EQ(VariableDetailViewController::glossaryTerms(),
              (std::vector<std::string>{"observations", "levels", "mean", "meanCI", "median", "rms", "mode", "sum",
                                        "minimum", "pc25", "pc75", "maximum", "range", "midrange", "variance",
                                        "varianceCI", "sd", "sdCI", "mad", "coeffvar", "skew", "kurtosis",
                                        "qqplot"}));
    driver->tap(page->glossaryItem()->view().get());
    host->drain();
    auto* nav = dynamic_cast<ui::NavigationController*>(page->presentedViewController());
    ASSERT_NE(nav, nullptr);
    auto* glossary = dynamic_cast<GlossaryViewController*>(nav->topViewController());
    ASSERT_NE(glossary, nullptr);
    EXPECT_EQ(glossary->terms(), VariableDetailViewController::glossaryTerms());
}

TEST_F(VariableDetailTest, MailSubjectAndAttachmentsNamedAfterTheColumn) {
    open({kNumbers});
    show("x");
    driver->tap(page->shareItem()->view().get());
    host->drain();
    ASSERT_NE(driver->tapText("Email"), nullptr);
    host->drain();
    ASSERT_EQ(mail.sent.size(), 1u);
    EXPECT_EQ(mail.sent[0].subject, "Summary of x");
    ASSERT_EQ(mail.sent[0].attachments.size(), 2u);
    EXPECT_EQ(std::filesystem::path(mail.sent[0].attachments[0]).filename(), "Summary of x.pdf");
    EXPECT_EQ(std::filesystem::path(mail.sent[0].attachments[1]).filename(), "Summary of x.csv");
}

TEST_F(VariableDetailTest, ColumnRemovedWhileShownSaysSo) {
    open({kNumbers, {"y", {"5", "6"}}});
    show("x");
    model().removeColumn(*columnNamed("x"));
    model().saveContext();
    host->drain();
    waitForBackgroundWork();
    host->drain();
    EXPECT_EQ(page->labelName().text(), "This variable was deleted.");
    EXPECT_TRUE(page->tableTopValues().isHidden());
    EXPECT_TRUE(page->graphView().isHidden());
    EXPECT_TRUE(page->textViewLeft().isHidden());
    EXPECT_FALSE(page->shareItem()->isEnabled());
    EXPECT_FALSE(page->buttonChangeType().isEnabled() && !page->buttonChangeType().isHidden());
}

TEST_F(VariableDetailTest, DataThatHoldsLittleEndsNoPage) {
    std::string longLevel(500, 'w');
    struct Case {
        ColumnSpec column;
        std::string firstLine;
        std::optional<std::string> std;
        int bars;
    };
    const Case cases[] = {
        {{"empty", {"", "", ""}, 3}, "Observations: 0", std::nullopt, 0},
        {{"constant", {"7", "7", "7"}}, "Observations: 3", "Standard Deviation: 0", -1},
        {{"one", {"7"}}, "Observations: 1", "Standard Deviation: NaN", -1},
        {{"long", {longLevel, "b"}, 1}, "Observations: 2", std::nullopt, 2},
        // Texts typed as dates are summarised as texts: three cells, three bars.
        {{"notdates", {"a", "b", "c"}, 4}, "Observations: 3", std::nullopt, 3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.column.name);
        open({k.column});
        show(k.column.name);
        ASSERT_FALSE(left().empty());
        EXPECT_EQ(left()[0], k.firstLine);
        if (k.std) {
            EXPECT_EQ(right()[2], *k.std);
        }
        const auto data = charts();
        if (k.bars >= 0) {
            EXPECT_EQ(data.count("barPlot"), uint64_t(k.bars));
        }
        // A picture of it is drawn, and so is its report.
        EXPECT_TRUE(driver->screenshot().size().width > 0);
        const auto csv = exportCSVLines();
        EXPECT_FALSE(csv.empty());
        exportPDF();
        if (data.numericLike()) {
            auto x = space(page->graph()).xRange();
            EXPECT_GT(x->lengthDouble(), 0);
            EXPECT_TRUE(std::isfinite(x->locationDouble()));
            auto qq = space(page->graphQQ()).yRange();
            EXPECT_GT(qq->lengthDouble(), 0);
        }
    }
}

TEST_F(VariableDetailTest, LongLevelCutInItsCellWholeInTheCSV) {
    const std::string longLevel(500, 'w');
    open({{"g", {longLevel, "b", "b"}, 1}});
    show("g");
    const auto rows = tableRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].value, longLevel);
    const auto csv = exportCSVLines();
    EXPECT_NE(std::find(csv.begin(), csv.end(), longLevel + ",1,0.3333333333333333,1"), csv.end());
}

TEST_F(VariableDetailTest, ProvisionalTextsFromTheColumnsCache) {
    struct Case {
        ColumnSpec column;
        Lines left, center;
    };
    const Case cases[] = {
        // The cache's extremes at seven digits, in the locale's grouping.
        {{"n", {"1234.56789", "-0.5", "3"}},
         {"Observations: 3", "Unique Values: 3", "", "", "", "", "", "", "", "", "", ""},
         {"Minimum: -0.5", "", "", "", "Maximum: 1,234.568", "", ""}},
        {{"d", {"2021-01-01", "2021-01-10"}, 4},
         {"Observations: 2", "Unique Values: 2", "", "", "", "", "", "", "", "", "", ""},
         {"Minimum: 1/1/21", "", "", "", "Maximum: 1/10/21", "", ""}},
        {{"g", {"a", "b", "a"}, 1}, {"Observations: 3", "Unique Values: 2", "", "", "", "", "", "", "", "", "", ""},
         {"", "", "", "", "", "", ""}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.column.name);
        open({k.column});
        show(k.column.name);
        page->displayInitial();
        EXPECT_EQ(left(), k.left);
        EXPECT_EQ(center(), k.center);
        EXPECT_EQ(right(), (Lines{"", "", ""}));
        EXPECT_FALSE(page->buttonChangeType().isEnabled());
        EXPECT_FALSE(page->shareItem()->isEnabled());
    }
}

TEST_F(VariableDetailTest, AHundredThousandDistinctNumbers) {
    std::vector<std::string> texts;
    for (int i = 1; i <= 100000; ++i)
        texts.push_back(std::to_string(i));
    open({{"big", texts}});
    show("big");
    EXPECT_EQ(left()[0], "Observations: 100,000");
    const auto rows = tableRows();
    ASSERT_EQ(rows.size(), 20u);
    EXPECT_EQ(rows.back().value, "Others");
    EXPECT_EQ(rows.back().cum, "100%");
    const auto data = charts();
    EXPECT_EQ(data.count("qqplot"), 100000u);
    // The engine's histogram of ten bins on rounded bounds: every value in one bar.
    double total = 0;
    for (uint64_t i = 0; i < data.count("barPlot"); ++i)
        total += recordOf(data, "barPlot", CPTBarPlotFieldBarTip, i);
    EXPECT_EQ(total, 100000);
}

// The y axis titles stand beyond the widest y label and inside their graph, and the box plot lines up
// with the histogram above it: counts of tens of thousands, large numbers and dates are wider than the
// charts' least room for their labels.
TEST_F(VariableDetailTest, AxisTitlesStandClearOfTheirLabels) {
    std::vector<std::string> levels(50000, "common");
    std::fill(levels.begin(), levels.begin() + 10000, "rare");
    const ColumnSpec columns[] = {
        {"level", levels, 1},
        {"d", {"2021-01-01", "2021-01-03", "2021-01-10"}, 4},
        {"t", {"2021-01-01 10:00", "2021-01-01 10:05", "2021-01-01 10:30"}, 4},
        {"big", {"1500000", "2500000", "3600000", "1200000", "2200000"}, 3},
        {"small", {"1", "2", "3", "4", "100"}, 3},
    };
    for (const ColumnSpec& column : columns) {
        SCOPED_TRACE(column.name);
        open({column});
        show(column.name);
        ASSERT_TRUE(driver->saveScreenshot(renderChecks::scratchPath("variable-detail-titles-" + column.name + ".png")));
        const bool numbers = charts().numericLike();
        std::vector<CPTXYGraph*> graphs{&page->graph()};
        if (numbers)
            graphs.push_back(&page->graphQQ());
        for (CPTXYGraph* graph : graphs) {
            graph->layoutIfNeeded();
            auto& y = *axes(*graph).yAxis();
            SCOPED_TRACE(y.title().value_or("?"));
            const std::string chart = graph == &page->graph() ? "main" : "qq";
            ASSERT_TRUE(graph->imageOfLayer().writePNG(
                renderChecks::scratchPath("variable-detail-titles-" + column.name + "-" + chart + ".png")));
            ASSERT_NE(y.axisTitle(), nullptr);
            const auto& titleLayer = y.axisTitle()->contentLayer();
            const gfx::Rect title = graph->convertRectFromLayer(titleLayer->bounds(), titleLayer.get());
            EXPECT_GE(title.origin.x, 0) << "inside the graph";
            EXPECT_GE(y.titleOffset(), 35);
            ASSERT_FALSE(y.axisLabels().empty());
            for (const auto& label : y.axisLabels()) {
                const auto& layer = label->contentLayer();
                ASSERT_NE(layer, nullptr);
                const auto* text = dynamic_cast<const CPTTextLayer*>(layer.get());
                SCOPED_TRACE(text ? text->text().value_or("") : "");
                const gfx::Rect frame = graph->convertRectFromLayer(layer->bounds(), layer.get());
                EXPECT_FALSE(frame.intersects(title));
                EXPECT_GT(frame.minX(), title.maxX());
            }
        }
        if (numbers) {
            EXPECT_EQ(page->graphBox().plotAreaFrame()->paddingLeft(), page->graph().plotAreaFrame()->paddingLeft());
            EXPECT_EQ(page->graphBox().plotAreaFrame()->paddingRight(), page->graph().plotAreaFrame()->paddingRight());
        }
    }
}
