// Touches on bars and pie slices reaching the plot's delegate through the graph: a press and a
// release on the same record select it; on different records there is no selection.
#include "plot/axes_plots/CPTBarPlot.h"
#include "plot/axes_plots/CPTPieChart.h"
#include "tests/plot/graph/FakeDataSource.h"
#include "tests/plot/graph/GraphFixtures.h"

#include <cmath>
#include <gtest/gtest.h>

using foundation::Value;

namespace {

CPTEvent at(double timestamp) {
    CPTEvent event;
    event.timestamp = timestamp;
    return event;
}

Value::Array column(std::initializer_list<double> values) {
    Value::Array out;
    for (double v : values)
        out.push_back(Value(v));
    return out;
}

// Logs every touch operation with its record index; `selectionsOnly` hears nothing but selections.
template <class Delegate, class Plot> struct TouchLog : Delegate {
    CallLog log;
    bool selectionsOnly = false;
    bool note(const std::string& what, std::uint64_t idx, bool selection) {
        if (selectionsOnly && !selection)
            return false;
        log.push_back(what + " " + std::to_string(idx));
        return true;
    }
};

struct BarLog : TouchLog<CPTBarPlotDelegate, CPTBarPlot> {
    bool barPlotBarTouchDownAtRecordIndex(CPTBarPlot&, std::uint64_t i) override { return note("down", i, false); }
    bool barPlotBarTouchDownAtRecordIndexWithEvent(CPTBarPlot&, std::uint64_t i, const CPTEvent&) override {
        return note("down+event", i, false);
    }
    bool barPlotBarTouchUpAtRecordIndex(CPTBarPlot&, std::uint64_t i) override { return note("up", i, false); }
    bool barPlotBarTouchUpAtRecordIndexWithEvent(CPTBarPlot&, std::uint64_t i, const CPTEvent&) override {
        return note("up+event", i, false);
    }
    bool barPlotBarWasSelectedAtRecordIndex(CPTBarPlot&, std::uint64_t i) override { return note("selected", i, true); }
    bool barPlotBarWasSelectedAtRecordIndexWithEvent(CPTBarPlot&, std::uint64_t i, const CPTEvent&) override {
        return note("selected+event", i, true);
    }
};

struct SliceLog : TouchLog<CPTPieChartDelegate, CPTPieChart> {
    bool pieChartSliceTouchDownAtRecordIndex(CPTPieChart&, std::uint64_t i) override { return note("down", i, false); }
    bool pieChartSliceTouchDownAtRecordIndexWithEvent(CPTPieChart&, std::uint64_t i, const CPTEvent&) override {
        return note("down+event", i, false);
    }
    bool pieChartSliceTouchUpAtRecordIndex(CPTPieChart&, std::uint64_t i) override { return note("up", i, false); }
    bool pieChartSliceTouchUpAtRecordIndexWithEvent(CPTPieChart&, std::uint64_t i, const CPTEvent&) override {
        return note("up+event", i, false);
    }
    bool pieChartSliceWasSelectedAtRecordIndex(CPTPieChart&, std::uint64_t i) override {
        return note("selected", i, true);
    }
    bool pieChartSliceWasSelectedAtRecordIndexWithEvent(CPTPieChart&, std::uint64_t i, const CPTEvent&) override {
        return note("selected+event", i, true);
    }
};

struct Case {
    const char* name;
    int down, up;  // which of the chart's points: 0 and 1 hit records 0 and 1, 2 hits nothing
    bool selectionsOnly;
    bool downHandled, upHandled;
    CallLog expected;
};

const Case kCases[] = {
    {"down and up on one record", 0, 0, false, true, true,
     {"down 0", "down+event 0", "up 0", "up+event 0", "selected 0", "selected+event 0"}},
    {"down on one, up on another", 0, 1, false, true, true, {"down 0", "down+event 0", "up 1", "up+event 1"}},
    {"down on none, up on one", 2, 1, false, false, true, {"up 1", "up+event 1"}},
    {"up on none", 1, 2, false, true, false, {"down 1", "down+event 1"}},
    {"a delegate of selections alone", 1, 1, true, false, true, {"selected 1", "selected+event 1"}},
};

template <class Chart> void runCases(const char* kind) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(kind) + ": " + c.name);
        Chart chart;
        chart.delegate->selectionsOnly = c.selectionsOnly;
        const CGPoint down = chart.points[static_cast<std::size_t>(c.down)];
        const CGPoint up = chart.points[static_cast<std::size_t>(c.up)];
        EXPECT_EQ(chart.plot->pointingDeviceDownEvent(at(0), down), c.downHandled);
        EXPECT_EQ(chart.plot->pointingDeviceUpEvent(at(0.1), up), c.upHandled);
        EXPECT_EQ(chart.delegate->log, c.expected);
        EXPECT_EQ(chart.plot->pointingDeviceDownIndex(), foundation::notFound);
    }
}

// A 200 x 100 plot area over 0..10 both ways; bars 0.5 wide at x 2 and 5, up to 6.
struct Bars {
    std::shared_ptr<TestGraph> graph = graphWithPlotArea(200, 100);
    std::shared_ptr<CPTBarPlot> plot = std::make_shared<CPTBarPlot>();
    std::shared_ptr<FakeSource<CPTBarPlotDataSource>> source = std::make_shared<FakeSource<CPTBarPlotDataSource>>();
    std::shared_ptr<BarLog> delegate = std::make_shared<BarLog>();
    std::vector<CGPoint> points{{40, 30}, {100, 30}, {160, 30}};
    Bars() {
        graph->xySpace()->setXRange(CPTPlotRange::plotRangeWithLocation(0.0, 10.0));
        graph->xySpace()->setYRange(CPTPlotRange::plotRangeWithLocation(0.0, 10.0));
        graph->addPlot(plot);
        source->records = 2;
        source->answers = {Answer::Numbers};
        source->fields = {{0, column({2, 5})}, {1, column({6, 6})}};
        plot->setDataSource(source);
        plot->setDelegate(delegate);
        plot->reloadData();
    }
};

// A pie of radius 80 in a 200 x 200 plot area; the points are whatever lies under two slices.
struct Slices {
    std::shared_ptr<TestGraph> graph = graphWithPlotArea(200, 200);
    std::shared_ptr<CPTPieChart> plot = std::make_shared<CPTPieChart>();
    std::shared_ptr<FakeSource<CPTPieChartDataSource>> source = std::make_shared<FakeSource<CPTPieChartDataSource>>();
    std::shared_ptr<SliceLog> delegate = std::make_shared<SliceLog>();
    std::vector<CGPoint> points;
    Slices() {
        plot->setPieRadius(80);
        graph->addPlot(plot);
        graph->layoutIfNeeded();
        source->records = 2;
        source->answers = {Answer::Numbers};
        source->fields = {{0, column({1, 1})}};
        plot->setDataSource(source);
        plot->setDelegate(delegate);
        plot->reloadData();
        CGPoint first{}, second{};
        for (int step = 0; step < 16; ++step) {
            const double angle = step * 3.141592653589793 / 8;
            const CGPoint p{100 + 50 * std::cos(angle), 100 + 50 * std::sin(angle)};
            const auto idx = plot->dataIndexFromInteractionPoint(p);
            if (idx == 0)
                first = p;
            if (idx == 1)
                second = p;
        }
        points = {first, second, {195, 195}};
    }
};

} // namespace

TEST(PlotTouches, BarsTellTheirDelegate) { runCases<Bars>("bars"); }

TEST(PlotTouches, SlicesTellTheirDelegate) { runCases<Slices>("slices"); }

TEST(PlotTouches, HiddenOrDetachedPlotsTakeNothing) {
    Bars bars;
    bars.plot->setHidden(true);
    EXPECT_FALSE(bars.plot->pointingDeviceDownEvent(at(0), bars.points[0]));
    EXPECT_FALSE(bars.plot->pointingDeviceUpEvent(at(0), bars.points[0]));
    Slices slices;
    slices.graph->removePlot(slices.plot);
    EXPECT_FALSE(slices.plot->pointingDeviceDownEvent(at(0), slices.points[0]));
    EXPECT_TRUE(bars.delegate->log.empty());
    EXPECT_TRUE(slices.delegate->log.empty());
}
