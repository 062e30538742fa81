// The hypothesis-test screen's four charts: what the data source answers for each plot, record and field
// of results built here for every design, the fills and outlines of the bars, and graphs whose ranges hold
// every plotted record.
#include "tests/analysis/HypothesisTestFixture.h"

#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/graph/CPTXYPlotSpace.h"

#include <cmath>

using namespace hypothesisTest;

namespace {

const std::vector<ColumnSpec> kColumns{
    {"x", {"1", "2", "3", "4", "5"}},
    {"y", {"2", "4", "4", "5", "7"}},
    {"g", {"yes", "no", "yes", "yes", "no"}},
    {"h", {"no", "no", "yes", "yes", "yes"}},
    {"day", {"2024-03-01", "2024-03-04", "2024-03-05", "2024-03-09", "2024-03-12"}},
};

std::map<double, double> box(double base) {
    return {{0, base + 1}, {25, base + 2}, {50, base + 3}, {75, base + 4}, {100, base + 5}};
}

// A result with every field the designs use, its curves simple lines.
HypothesisTestResult meansResult() {
    HypothesisTestResult r;
    r.obsX = 5;
    r.meanX = 3;
    r.sdX = 1.5;
    r.seX = 0.5;
    r.diff = 1;
    r.seDiff = 0.5;
    r.boxX = box(0);
    r.densityX = std::vector<KDensityPoint>{{0, 0.5}, {1, 1}, {2, 0.25}};
    r.pdfSample1 = [](double x) { return 2 * x; };
    r.pdfSample2 = [](double x) { return 3 * x; };
    r.pdfDiff1 = [](double x) { return x + 1; };
    r.pdfDiff2 = [](double x) { return -x; };
    r.t = 2;
    r.df = 4;
    r.p = 0.1;
    r.testName = "One sample two tail t-test";
    r.statName = "t";
    return r;
}

} // namespace

class HypothesisCharts : public HypothesisTest {
  protected:
    // Shows the design's screen, then hands it the result as a finished run would.
    void showResult(const Design& design, HypothesisTestResult result) {
        open(kColumns, design);
        show();
        HypothesisTestGraphData data;
        data.result = std::move(result);
        screen->setGraphData(std::move(data));
        screen->displayFinal();
    }
    std::optional<double> value(const foundation::Value& id, uint64_t record, uint64_t field) {
        CPTBarPlot plot;
        plot.setIdentifier(id);
        return screen->chartSource().doubleForPlot(plot, field, record);
    }
    uint64_t records(const foundation::Value& id) {
        CPTBarPlot plot;
        plot.setIdentifier(id);
        return screen->chartSource().numberOfRecordsForPlot(plot);
    }
    // Every record of every plot on the four graphs lies inside its graph's ranges (the expected-value
    // marks, which run across their graph, by their position).
    void expectRecordsInsideRanges() {
        for (CPTXYGraph* g : {&screen->graph(), &screen->graphDensity(), &screen->graphTheoretical(),
                              &screen->graphTheoreticalDiff()}) {
            auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(g->defaultPlotSpace());
            for (const auto& plot : g->allPlots()) {
                const std::string id = plot->identifier().isNumber() ? std::to_string(plot->identifier().toInt64())
                                                                      : plot->identifier().string();
                const uint64_t n = screen->chartSource().numberOfRecordsForPlot(*plot);
                for (uint64_t r = 0; r < n; ++r) {
                    SCOPED_TRACE(id + " record " + std::to_string(r));
                    const auto x = screen->chartSource().doubleForPlot(*plot, 0, r);
                    const auto y = screen->chartSource().doubleForPlot(*plot, 1, r);
                    if (x && std::isfinite(*x) && id != "expectedBox") {
                        EXPECT_TRUE(space->xRange()->containsDouble(*x)) << *x;
                    }
                    if (y && std::isfinite(*y) && id != "expectedDensity") {
                        EXPECT_TRUE(space->yRange()->containsDouble(*y)) << *y;
                    }
                }
            }
        }
    }
};

TEST_F(HypothesisCharts, OneSampleMeans) {
    showResult({"x", "", 1, false, 0, 0, "2", std::nullopt}, meansResult());
    using V = foundation::Value;
    const double lo = screen->minTheoretical(), hi = screen->maxTheoretical();
    const double dlo = screen->minTheoreticalDiff(), dhi = screen->maxTheoreticalDiff();
    struct Case {
        V id;
        uint64_t record, field;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {V("topBox"), 0, 0, 0},          {V("topBox"), 0, 1, 4},           {V("topBox"), 0, 2, 3},
        {V("bottomBox"), 0, 1, 3},       {V("bottomBox"), 0, 2, 2},        {V("topWhiskerTip"), 0, 1, 5},
        {V("topWhiskerTip"), 0, 2, 5},   {V("bottomWhiskerTip"), 0, 1, 1}, {V("bottomWhiskerTip"), 0, 2, 1},
        {V("topWhisker"), 0, 1, 5},      {V("topWhisker"), 0, 2, 4},       {V("bottomWhisker"), 0, 1, 2},
        {V("bottomWhisker"), 0, 2, 1},   {V("topBox"), 0, 3, std::nullopt},
        // One sample has no second box.
        {V("topBox"), 1, 1, std::nullopt},
        {V("expectedBox"), 0, 0, -5},    {V("expectedBox"), 1, 0, 5},      {V("expectedBox"), 0, 1, 2},
        {V("expectedBox"), 1, 1, 2},     {V("expectedBox"), 0, 2, std::nullopt},
        {V("expectedDensity"), 0, 0, 2}, {V("expectedDensity"), 0, 1, -5}, {V("expectedDensity"), 1, 1, 5},
        {V("barProportions1"), 0, 0, -0.2}, {V("barProportions1"), 1, 0, 0.8}, {V("barProportions1"), 0, 1, 3},
        {V("barProportions1"), 1, 1, -2}, {V("barProportions2"), 1, 0, 1}, {V("barProportions2"), 0, 1, 2},
        {V("barProportions2"), 1, 1, -1}, {V("barProportions1"), 0, 2, std::nullopt},
        // Density curve 1 is sample 1's, drawn one unit down; curve 0 reads "densityY", absent here.
        {V(int64_t(1)), 0, 0, 0},        {V(int64_t(1)), 1, 1, 0.4 * 1 - 1}, {V(int64_t(1)), 2, 1, 0.4 * 0.25 - 1},
        {V(int64_t(0)), 0, 0, std::nullopt}, {V(int64_t(2)), 0, 0, std::nullopt},
        {V(int64_t(1)), 3, 0, std::nullopt},
        {V("sample1"), 0, 0, lo},        {V("sample1"), 50, 0, lo + (hi - lo) * 0.5},
        {V("sample1"), 50, 1, 2 * (lo + (hi - lo) * 0.5)}, {V("sample2"), 100, 1, 3 * hi},
        {V("diff1"), 25, 0, dlo + (dhi - dlo) * 0.25}, {V("diff1"), 25, 1, dlo + (dhi - dlo) * 0.25 + 1},
        {V("diff2"), 0, 1, -dlo},        {V("sample1"), 0, 2, std::nullopt},
        {V("unknown"), 0, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.id.isNumber() ? std::to_string(c.id.toInt64()) : c.id.string()) + " " +
                     std::to_string(c.record) + " " + std::to_string(c.field));
        const auto got = value(c.id, c.record, c.field);
        ASSERT_EQ(got.has_value(), c.expected.has_value());
        if (got) {
            EXPECT_NEAR(*got, *c.expected, 1e-12);
        }
    }
    const std::pair<const char*, uint64_t> counts[] = {
        {"topBox", 1}, {"bottomWhiskerTip", 1}, {"barProportions1", 2}, {"expectedBox", 2}, {"expectedDensity", 2},
        {"sample1", 100}, {"diff2", 100}, {"barSample1", screen->resolutionX()}};
    for (const auto& [id, n] : counts)
        EXPECT_EQ(records(V(id)), n) << id;
    EXPECT_EQ(records(V(int64_t(0))), 3u);
    EXPECT_EQ(records(V(int64_t(1))), 3u);
    // The sample curves span both centres with room around them.
    EXPECT_LT(lo, 2);
    EXPECT_GT(hi, 3);
    EXPECT_LT(dlo, 0);
    EXPECT_GT(dhi, 1);
    expectRecordsInsideRanges();
    // The expected value is marked on the box plot and on the densities.
    auto boxSpace = std::dynamic_pointer_cast<CPTXYPlotSpace>(screen->graph().defaultPlotSpace());
    EXPECT_TRUE(boxSpace->yRange()->containsDouble(2));
    auto densitySpace = std::dynamic_pointer_cast<CPTXYPlotSpace>(screen->graphDensity().defaultPlotSpace());
    EXPECT_TRUE(densitySpace->xRange()->containsDouble(2));
    std::vector<std::string> onDensity;
    for (const auto& plot : screen->graphDensity().allPlots())
        onDensity.push_back(plot->identifier().isNumber() ? std::to_string(plot->identifier().toInt64())
                                                          : plot->identifier().string());
    EXPECT_EQ(onDensity, (std::vector<std::string>{"1", "expectedDensity"}));
}

TEST_F(HypothesisCharts, FillsAndOutlinesByPlotAndRecord) {
    showResult({"x", "", 1, false, 0, 0, "2", std::nullopt}, meansResult());
    using C = HypothesisTestViewController;
    struct Case {
        const char* id;
        uint64_t record;
        gfx::Color fill;
        gfx::Color line;
        double width;
    };
    const gfx::Color clear = CPTColor::clearColor()->cgColor(), black = gfx::Color::black();
    auto faint = [](gfx::Color c) {
        c.alpha = 0.25;
        return c;
    };
    const Case cases[] = {
        {"barProportions1", 0, C::colorSample1, black, 1},
        {"barProportions2", 1, C::colorSample2, black, 1},
        {"barSample1", 0, faint(C::colorSample1), black, 1},
        {"barSample2", 3, faint(C::colorSample2), black, 1},
        {"topBox", 0, clear, C::colorSample1, 2},
        {"bottomWhisker", 1, clear, C::colorSample2, 2},
        {"expectedBox", 1, clear, C::colorSample2, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.id) + " " + std::to_string(c.record));
        CPTBarPlot plot;
        plot.setIdentifier(foundation::Value(c.id));
        auto fill = screen->chartSource().barFillForBarPlot(plot, c.record);
        ASSERT_TRUE(fill && *fill);
        EXPECT_EQ((*fill)->cgColor(), c.fill);
        auto line = screen->chartSource().barLineStyleForBarPlot(plot, c.record);
        ASSERT_TRUE(line && *line);
        EXPECT_EQ((*line)->lineColor()->cgColor(), c.line);
        EXPECT_EQ((*line)->lineWidth(), c.width);
    }
}

TEST_F(HypothesisCharts, TwoSamplesWithAnEmptyFirstBoxAndNoSecondDensity) {
    HypothesisTestResult r = meansResult();
    r.shape = HypothesisTestResult::Shape::TwoSample;
    r.boxX = std::map<double, double>{};
    r.boxY = box(10);
    r.obsY = 5;
    r.meanY = 13;
    r.seY = 1;
    r.sdY = 2;
    showResult({"x", "y", 2, false, 0, 0, std::nullopt, std::nullopt}, r);
    using V = foundation::Value;
    EXPECT_EQ(records(V("topBox")), 2u);
    EXPECT_FALSE(value(V("topBox"), 0, 1));
    EXPECT_EQ(value(V("topBox"), 1, 0), 1.0);
    EXPECT_EQ(value(V("topBox"), 1, 1), 14.0);
    EXPECT_EQ(value(V("bottomWhisker"), 1, 2), 11.0);
    // Two samples mark no expected value: the marks stand at 0 and are not on the graphs.
    EXPECT_EQ(value(V("expectedBox"), 0, 1), 0.0);
    EXPECT_EQ(value(V("expectedDensity"), 0, 0), 0.0);
    for (const auto& plot : screen->graph().allPlots())
        EXPECT_NE(plot->identifier().string(), "expectedBox");
    EXPECT_EQ(screen->graphDensity().allPlots().size(), 1u);
    // Sample 2's curve is centred on its mean, inside the sampled range.
    EXPECT_LT(screen->minTheoretical(), 3);
    EXPECT_GT(screen->maxTheoretical(), 13);
    expectRecordsInsideRanges();

    // A second density shorter than the first reads no value past its end.
    r.densityY = std::vector<KDensityPoint>{{4, 1}};
    showResult({"x", "y", 2, false, 0, 0, std::nullopt, std::nullopt}, r);
    EXPECT_EQ(value(V(int64_t(0)), 0, 1), 0.4);
    EXPECT_FALSE(value(V(int64_t(0)), 1, 0));
    EXPECT_EQ(screen->graphDensity().allPlots().size(), 2u);
    expectRecordsInsideRanges();
}

TEST_F(HypothesisCharts, DateDifferencesInDays) {
    HypothesisTestResult r = meansResult();
    r.meanX = 1709596800;
    r.diff = 86400 * 3;
    r.seX = r.seDiff = 86400;
    r.boxX = box(1709596800);
    r.densityX = std::vector<KDensityPoint>{{1709596800, 1}};
    showResult({"day", "", 1, false, 0, 0, "1709337600", std::nullopt}, r);
    using V = foundation::Value;
    const double dlo = screen->minTheoreticalDiff(), dhi = screen->maxTheoreticalDiff();
    const double x = dlo + (dhi - dlo) * 0.5;
    EXPECT_NEAR(*value(V("diff1"), 50, 0), x / 86400.0, 1e-9);
    // The curve is evaluated on the seconds.
    EXPECT_NEAR(*value(V("diff1"), 50, 1), x + 1, 1e-6);
    EXPECT_NEAR(*value(V("diff2"), 50, 1), -x, 1e-6);
    EXPECT_EQ(value(V("expectedBox"), 0, 1), 1709337600.0);
    // Means in dates, their standard error in days.
    EXPECT_EQ(screen->dataTable()[3][1], "1 days");
    expectRecordsInsideRanges();
}

TEST_F(HypothesisCharts, ProportionBarsOfEachDesign) {
    using V = foundation::Value;
    HypothesisTestResult one;
    one.obsX = 10;
    one.meanX = 0.6;
    one.seX = 0.15;
    one.diff = 0.3;
    one.seDiff = 0.15;
    one.boxX = box(0);
    one.densityX = std::vector<KDensityPoint>{{0, 1}};
    one.pdfSample1 = one.pdfSample2 = one.pdfDiff1 = one.pdfDiff2 = [](double) { return 0.2; };
    one.statName = "!";
    one.p = 0.05;
    showResult({"g", "", 1, false, 2, 0, "0.3", std::nullopt}, one);
    EXPECT_EQ(value(V("barProportions1"), 0, 1), 0.6);
    EXPECT_NEAR(*value(V("barProportions1"), 1, 1), 0.4, 1e-12);
    EXPECT_EQ(value(V("barProportions2"), 0, 1), 0.3);
    EXPECT_NEAR(*value(V("barProportions2"), 1, 1), 0.7, 1e-12);
    // The exact test's bars: one per count of successes in the range.
    EXPECT_GT(screen->resolutionX(), 0u);
    EXPECT_EQ(screen->resolutionX(), screen->resolutionY());
    EXPECT_EQ(screen->labelGraph(2).text(), "Binomial Distribution");
    EXPECT_EQ(screen->statisticLine(), "p = 0.05");
    // A p-value of exactly 0.05 rejects.
    EXPECT_EQ(screen->decision(), "Reject the null hypothesis");
    expectRecordsInsideRanges();

    HypothesisTestResult two = one;
    two.shape = HypothesisTestResult::Shape::TwoSample;
    two.meanY = 0.25;
    two.obsY = 8;
    two.seY = 0.1;
    two.statName = "χ²";
    showResult({"g", "h", 2, false, 2, 0, std::nullopt, std::nullopt}, two);
    EXPECT_EQ(value(V("barProportions2"), 0, 1), 0.25);
    EXPECT_EQ(value(V("barProportions2"), 1, 1), 0.75);
    EXPECT_EQ(screen->resolutionX(), 0u);
    expectRecordsInsideRanges();

    HypothesisTestResult paired;
    paired.shape = HypothesisTestResult::Shape::PairedProportions;
    paired.x0y0 = 4;
    paired.x0y1 = 3;
    paired.x1y0 = 1;
    paired.x1y1 = 2;
    paired.statName = "χ²";
    paired.p = 0.3;
    showResult({"g", "h", 2, true, 2, 0, std::nullopt, std::nullopt}, paired);
    EXPECT_EQ(value(V("barProportions1"), 0, 1), 0.75);
    EXPECT_EQ(value(V("barProportions1"), 1, 1), 0.25);
    EXPECT_EQ(value(V("barProportions2"), 0, 1), 0.5);
    EXPECT_EQ(value(V("barProportions2"), 1, 1), 0.5);
    EXPECT_EQ(records(V("topBox")), 1u);
    EXPECT_FALSE(value(V("topBox"), 0, 1));
    expectRecordsInsideRanges();
    paired.x0y1 = 0;
    paired.x1y0 = 0;
    showResult({"g", "h", 2, true, 2, 0, std::nullopt, std::nullopt}, paired);
    const auto none = value(V("barProportions1"), 0, 1);
    ASSERT_TRUE(none);
    EXPECT_TRUE(std::isnan(*none));
}
