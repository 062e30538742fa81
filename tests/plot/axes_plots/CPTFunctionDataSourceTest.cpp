// The function data source: the sample count from the plot's width, the samples, extending the
// sampled range when the x range scrolls, resampling on jumps and wide changes, the data range,
// guarded resolutions, bad ranges and functions, and following the plot's plot space.
#include "plot/axes_plots/CPTFunctionDataSource.h"
#include "plot/axes_plots/CPTScatterPlot.h"
#include "plot/foundation/CPTUtilities.h"
#include "tests/plot/graph/GraphFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

double twice(double x) {
    return 2 * x;
}

// A scatter plot filling a plot area `width` points wide over x 0..10, sampled from 2x.
struct Sampled {
    std::shared_ptr<TestGraph> graph;
    std::shared_ptr<CPTScatterPlot> plot = std::make_shared<CPTScatterPlot>();
    std::shared_ptr<CPTFunctionDataSource> source;

    explicit Sampled(double width = 100) : graph(graphWithPlotArea(width, 50)) {
        graph->xySpace()->setXRange(rangeOf(0, 10));
        graph->xySpace()->setYRange(rangeOf(0, 20));
        graph->addPlot(plot);
        graph->layoutIfNeeded();
        source = CPTFunctionDataSource::dataSourceForPlotWithFunction(plot, &twice);
        plot->reloadDataIfNeeded();
    }
    double x(std::uint64_t i) const { return plot->cachedDoubleForField(0, i); }
    double y(std::uint64_t i) const { return plot->cachedDoubleForField(1, i); }
    std::uint64_t records() const { return plot->cachedDataCount(); }
};

void expectDecimal(NSDecimal actual, const char* expected) {
    EXPECT_TRUE(CPTDecimalIsEqual(actual, CPTDecimalFromString(expected)))
        << actual.toString() << " instead of " << expected;
}

} // namespace

TEST(CPTFunctionDataSource, SamplesTheVisibleRange) {
    Sampled s;
    EXPECT_EQ(s.plot->bounds().size.width, 100.0);
    EXPECT_EQ(s.plot->dataSource(), s.source);
    EXPECT_EQ(s.plot->cachePrecision(), CPTPlotCachePrecisionDouble);
    EXPECT_EQ(s.source->dataSourceFunction(), &twice);
    // 100 points at 1 point per sample: 101 records, the step 10 / 101, the samples every 0.1.
    EXPECT_EQ(s.source->dataCount(), 101u);
    EXPECT_EQ(s.source->cachedCount(), 101u);
    EXPECT_DOUBLE_EQ(s.source->cachedStep(), 10.0 / 101);
    ASSERT_EQ(s.records(), 101u);
    for (std::uint64_t i : {0, 1, 50, 100}) {
        EXPECT_NEAR(s.x(i), double(i) / 100 * 10, 1e-12) << i;
        EXPECT_NEAR(s.y(i), 2 * s.x(i), 1e-12) << i;
    }
    // Another plot gets nothing.
    CPTScatterPlot other;
    EXPECT_EQ(s.source->numberOfRecordsForPlot(other), 0u);
    auto none = s.source->dataForPlotRecordIndexRange(other, NSMakeRange(0, 3));
    EXPECT_TRUE(none && !*none);
    // A narrower plot keeps the count; a wider one samples afresh with more.
    s.plot->setBounds(CGRect(0, 0, 50, 50));
    EXPECT_EQ(s.source->dataCount(), 101u);
    s.plot->setBounds(CGRect(0, 0, 200, 50));
    EXPECT_EQ(s.source->dataCount(), 201u);
    EXPECT_EQ(s.records(), 201u);
}

TEST(CPTFunctionDataSource, FollowsScrolling) {
    struct Case {
        const char* name;
        double location, length;
        std::uint64_t records;         // after the change
        std::uint64_t keptAt;          // where the old record 50 (x = 5) is now; notFound: resampled
        double sampledMin, sampledMax; // the range the records now cover
    };
    const double step = 10.0 / 101;
    const Case cases[] = {
        // ceil(2 / step) = 21 records at the end; the range grows by 21 steps.
        {"to the right", 2, 10, 122, 50, 0, 10 + 21 * step},
        {"to the left", -2, 10, 122, 71, -21 * step, 10},
        {"both ways", -1, 12, 101 + 11 + 11, 61, -11 * step, 10 + 11 * step},
        {"inside", 1, 5, 101, 50, 0, 10},
        {"a jump resamples", 50, 10, 101, foundation::notFound, 50, 60},
        // Widened a millionfold: the ends would need millions of records; a fresh sampling needs 101.
        {"a huge widening resamples", -5e6, 1e7, 101, foundation::notFound, -5e6, 5e6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sampled s;
        s.graph->xySpace()->setXRange(rangeOf(c.location, c.length));
        s.plot->reloadDataIfNeeded();
        EXPECT_EQ(s.source->dataCount(), c.records);
        ASSERT_EQ(s.records(), c.records);
        ASSERT_TRUE(s.source->cachedPlotRange());
        EXPECT_NEAR(s.source->cachedPlotRange()->minLimitDouble(), c.sampledMin, 1e-9);
        EXPECT_NEAR(s.source->cachedPlotRange()->maxLimitDouble(), c.sampledMax, 1e-9);
        if (c.keptAt != foundation::notFound) {
            EXPECT_DOUBLE_EQ(s.x(c.keptAt), 5.0);
            EXPECT_DOUBLE_EQ(s.y(c.keptAt), 10.0);
        } else {
            EXPECT_DOUBLE_EQ(s.x(0), c.sampledMin);
        }
        // Every record has a sample.
        for (std::uint64_t i = 0; i < s.records(); ++i) {
            if (std::isnan(s.x(i))) {
                ADD_FAILURE() << "record " << i << " has no sample";
                break;
            }
        }
    }

    // The extension is a whole number of steps, written with the step's shortest digits.
    Sampled s;
    s.graph->xySpace()->setXRange(rangeOf(2, 10));
    ASSERT_TRUE(s.source->cachedPlotRange());
    expectDecimal(s.source->cachedPlotRange()->locationDecimal(), "0");
    expectDecimal(s.source->cachedPlotRange()->lengthDecimal(), "12.0792079207920793");
}

TEST(CPTFunctionDataSource, DataRangeResolutionAndBadInput) {
    {
        SCOPED_TRACE("a data range limits the samples");
        Sampled s;
        s.source->setDataRange(rangeOf(0, 5));
        s.plot->reloadDataIfNeeded();
        ASSERT_TRUE(s.source->cachedPlotRange());
        EXPECT_DOUBLE_EQ(s.source->cachedPlotRange()->maxLimitDouble(), 5);
        ASSERT_EQ(s.records(), 101u);
        EXPECT_DOUBLE_EQ(s.x(0), 0);
        EXPECT_DOUBLE_EQ(s.x(100), 5);
    }
    {
        SCOPED_TRACE("resolutions");
        Sampled s;
        for (double bad : {0.0, -1.0, double(NAN), double(INFINITY)}) {
            s.source->setResolution(bad);
            EXPECT_EQ(s.source->resolution(), 1.0) << bad;
            EXPECT_EQ(s.source->dataCount(), 101u) << bad;
        }
        s.source->setResolution(2);
        s.plot->reloadDataIfNeeded();
        EXPECT_EQ(s.source->dataCount(), 51u);
        EXPECT_EQ(s.records(), 51u);
    }
    {
        SCOPED_TRACE("zero width");
        Sampled s(0);
        EXPECT_EQ(s.source->dataCount(), 0u);
        EXPECT_EQ(s.records(), 0u);
    }
    {
        SCOPED_TRACE("an endless or undefined x range");
        Sampled s;
        s.graph->xySpace()->setXRange(rangeOf(0, INFINITY));
        s.plot->reloadDataIfNeeded();
        EXPECT_EQ(s.records(), 0u);
        Sampled t;
        t.graph->xySpace()->setXRange(rangeOf(NAN, 10));
        t.plot->reloadDataIfNeeded();
        EXPECT_EQ(t.records(), 0u);
    }
    {
        SCOPED_TRACE("a function without values gives missing samples, where the line breaks");
        Sampled s;
        auto gaps = CPTFunctionDataSource::dataSourceForPlotWithBlock(
            s.plot, [](double x) { return x < 5 ? x : NAN; });
        s.plot->reloadDataIfNeeded();
        ASSERT_EQ(s.records(), 101u);
        EXPECT_DOUBLE_EQ(s.y(10), 1.0);
        EXPECT_TRUE(std::isnan(s.y(60)));
        EXPECT_TRUE(gaps->dataSourceBlock());
        EXPECT_FALSE(gaps->dataSourceFunction());
    }
    try {
        CPTFunctionDataSource plain;
        ADD_FAILURE() << "made without a function";
    } catch (const CPTException& e) {
        EXPECT_STREQ(e.what(), "CPTFunctionDataSource must be initialized with a function or a block.");
    }
}

TEST(CPTFunctionDataSource, FollowsThePlotSpace) {
    Sampled s;
    auto other = std::make_shared<CPTXYPlotSpace>();
    other->setXRange(rangeOf(100, 10));
    s.graph->addPlotSpace(other);
    s.plot->setPlotSpace(other);
    s.plot->reloadDataIfNeeded();
    ASSERT_TRUE(s.source->cachedPlotRange());
    EXPECT_DOUBLE_EQ(s.source->cachedPlotRange()->minLimitDouble(), 100);
    EXPECT_DOUBLE_EQ(s.x(0), 100);
    // The old space no longer moves the samples; the new one does.
    s.graph->xySpace()->setXRange(rangeOf(500, 10));
    EXPECT_DOUBLE_EQ(s.source->cachedPlotRange()->minLimitDouble(), 100);
    other->setXRange(rangeOf(300, 10));
    s.plot->reloadDataIfNeeded();
    EXPECT_DOUBLE_EQ(s.x(0), 300);
}
