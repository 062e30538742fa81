// Touches on axis labels and legend entries reaching their delegates through the graph: a press and
// a release on one label or entry select it, on two different ones they do not, and a delegate that
// only hears selections still gets them.
#include "plot/axes_plots/CPTXYAxis.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTLegend.h"
#include "tests/plot/graph/GraphFixtures.h"

#include <gtest/gtest.h>

namespace {

CPTEvent at(double timestamp) {
    CPTEvent event;
    event.timestamp = timestamp;
    return event;
}

// Each operation logs under its name with the thing it is about; selectionsOnly hears only those.
struct Log {
    CallLog lines;
    bool selectionsOnly = false;
    bool note(const std::string& what, const std::string& about, bool selection) {
        if (selectionsOnly && !selection)
            return false;
        lines.push_back(what + " " + about);
        return true;
    }
};

struct AxisLog : CPTAxisDelegate, Log {
    static std::string name(CPTAxisLabel& label) { return CPTFormatGeneral(label.tickLocation().toDouble()); }
    bool axisLabelTouchDown(CPTAxis&, CPTAxisLabel& l) override { return note("down", name(l), false); }
    bool axisLabelTouchDownWithEvent(CPTAxis&, CPTAxisLabel& l, const CPTEvent&) override {
        return note("down+event", name(l), false);
    }
    bool axisLabelTouchUp(CPTAxis&, CPTAxisLabel& l) override { return note("up", name(l), false); }
    bool axisLabelTouchUpWithEvent(CPTAxis&, CPTAxisLabel& l, const CPTEvent&) override {
        return note("up+event", name(l), false);
    }
    bool axisLabelWasSelected(CPTAxis&, CPTAxisLabel& l) override { return note("selected", name(l), true); }
    bool axisLabelWasSelectedWithEvent(CPTAxis&, CPTAxisLabel& l, const CPTEvent&) override {
        return note("selected+event", name(l), true);
    }
};

struct LegendLog : CPTLegendDelegate, Log {
    static std::string name(CPTPlot& plot, std::uint64_t) { return plot.title().value_or("?"); }
    bool legendLegendEntryForPlotTouchDownAtIndex(CPTLegend&, CPTPlot& p, std::uint64_t i) override {
        return note("down", name(p, i), false);
    }
    bool legendLegendEntryForPlotTouchDownAtIndexWithEvent(CPTLegend&, CPTPlot& p, std::uint64_t i,
                                                           const CPTEvent&) override {
        return note("down+event", name(p, i), false);
    }
    bool legendLegendEntryForPlotTouchUpAtIndex(CPTLegend&, CPTPlot& p, std::uint64_t i) override {
        return note("up", name(p, i), false);
    }
    bool legendLegendEntryForPlotTouchUpAtIndexWithEvent(CPTLegend&, CPTPlot& p, std::uint64_t i,
                                                         const CPTEvent&) override {
        return note("up+event", name(p, i), false);
    }
    bool legendLegendEntryForPlotWasSelectedAtIndex(CPTLegend&, CPTPlot& p, std::uint64_t i) override {
        return note("selected", name(p, i), true);
    }
    bool legendLegendEntryForPlotWasSelectedAtIndexWithEvent(CPTLegend&, CPTPlot& p, std::uint64_t i,
                                                             const CPTEvent&) override {
        return note("selected+event", name(p, i), true);
    }
};

struct Case {
    const char* name;
    int down, up;  // 0 and 1: the two labels or entries; 2: a point on neither
    bool selectionsOnly;
    bool downHandled, upHandled;
    std::vector<std::pair<std::string, int>> expected;  // operation and which of the two
};

const Case kCases[] = {
    {"down and up on one", 0, 0, false, true, true,
     {{"down", 0}, {"down+event", 0}, {"up", 0}, {"up+event", 0}, {"selected", 0}, {"selected+event", 0}}},
    {"down on one, up on the other", 0, 1, false, true, true, {{"down", 0}, {"down+event", 0}, {"up", 1}, {"up+event", 1}}},
    {"up on neither", 1, 2, false, true, false, {{"down", 1}, {"down+event", 1}}},
    {"a delegate of selections alone", 1, 1, true, false, true, {{"selected", 1}, {"selected+event", 1}}},
};

// A graph's point at the middle of a layer.
CGPoint middleOf(const CPTGraph& graph, const CPTLayer& layer, CGRect rect) {
    return graph.convertPointFromLayer(CGPoint{rect.midX(), rect.midY()}, &layer);
}

template <class Chart> void runCases(const char* kind) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(kind) + ": " + c.name);
        Chart chart;
        chart.log->selectionsOnly = c.selectionsOnly;
        const CGPoint nowhere = chart.nowhere;
        const CGPoint down = c.down == 2 ? nowhere : chart.points[static_cast<std::size_t>(c.down)];
        const CGPoint up = c.up == 2 ? nowhere : chart.points[static_cast<std::size_t>(c.up)];
        EXPECT_EQ(chart.graph->pointingDeviceDownEvent(at(0), down), c.downHandled);
        EXPECT_EQ(chart.graph->pointingDeviceUpEvent(at(0.1), up), c.upHandled);
        CallLog expected;
        for (const auto& [what, which] : c.expected)
            expected.push_back(what + " " + chart.names[static_cast<std::size_t>(which)]);
        EXPECT_EQ(chart.log->lines, expected);
    }
}

// An XY graph whose x axis shows two labels of its own, at 2 and 6.
struct AxisChart {
    std::shared_ptr<CPTXYGraph> graph = CPTXYGraph::graphWithFrame(CGRect(0, 0, 400, 300));
    std::shared_ptr<AxisLog> log = std::make_shared<AxisLog>();
    std::vector<CGPoint> points;
    std::vector<std::string> names{"2", "6"};
    CGPoint nowhere{390, 290};
    AxisChart() {
        auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph->defaultPlotSpace());
        space->setXRange(CPTPlotRange::plotRangeWithLocation(0.0, 10.0));
        auto axis = std::dynamic_pointer_cast<CPTXYAxisSet>(graph->axisSet())->xAxis();
        axis->setLabelingPolicy(CPTAxisLabelingPolicyNone);
        CPTAxis::AxisLabels labels;
        for (double location : {2.0, 6.0}) {
            auto label = std::make_shared<CPTAxisLabel>(std::string("label ") + CPTFormatGeneral(location),
                                                        CPTTextStyle::textStyle());
            label->setTickLocation(location);
            labels.push_back(label);
        }
        axis->setAxisLabels(labels);
        axis->setDelegate(log);
        graph->layoutIfNeeded();
        for (const auto& label : axis->axisLabels())
            points.push_back(middleOf(*graph, *label->contentLayer(), label->contentLayer()->bounds()));
    }
};

// A graph with a legend of two plots, "first" and "second".
struct LegendChart {
    std::shared_ptr<TestGraph> graph = graphWithPlotArea(400, 300);
    std::shared_ptr<LegendLog> log = std::make_shared<LegendLog>();
    std::vector<CGPoint> points;
    std::vector<std::string> names{"first", "second"};
    CGPoint nowhere{5, 295};
    LegendChart() {
        for (const char* title : {"first", "second"}) {
            auto plot = std::make_shared<RecordingPlot>();
            plot->setTitle(std::string(title));
            graph->addPlot(plot);
        }
        auto legend = CPTLegend::legendWithGraph(*graph);
        legend->setDelegate(log);
        graph->setLegend(legend);
        graph->layoutIfNeeded();
        for (const auto& entry : legend->legendEntries())
            points.push_back(middleOf(*graph, *legend, legend->geometryOfEntry(*entry)->entry));
    }
};

} // namespace

TEST(LabelAndLegendTouches, AxisLabelsTellTheirDelegate) { runCases<AxisChart>("labels"); }

TEST(LabelAndLegendTouches, LegendEntriesTellTheirDelegate) { runCases<LegendChart>("entries"); }

TEST(LabelAndLegendTouches, HiddenOnesTakeNothing) {
    AxisChart axes;
    std::dynamic_pointer_cast<CPTXYAxisSet>(axes.graph->axisSet())->xAxis()->setHidden(true);
    EXPECT_FALSE(axes.graph->pointingDeviceDownEvent(at(0), axes.points[0]));
    LegendChart legend;
    legend.graph->legend()->setHidden(true);
    EXPECT_FALSE(legend.graph->pointingDeviceDownEvent(at(0), legend.points[0]));
    EXPECT_TRUE(axes.log->lines.empty());
    EXPECT_TRUE(legend.log->lines.empty());
}
