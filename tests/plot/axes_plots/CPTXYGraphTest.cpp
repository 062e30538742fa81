// The XY graph: its plot space carries the scale types it was made with.
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/graph/CPTXYPlotSpace.h"

#include <gtest/gtest.h>

TEST(CPTXYGraph, ItsPlotSpaceTakesItsScaleTypes) {
    struct Case {
        CPTScaleType x, y;
    };
    const Case cases[] = {{CPTScaleTypeLinear, CPTScaleTypeLinear},
                          {CPTScaleTypeLog, CPTScaleTypeCategory},
                          {CPTScaleTypeLogModulus, CPTScaleTypeLog}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x * 10 + c.y);
        auto graph = CPTXYGraph::graphWithFrame(CGRect(0, 0, 300, 200), c.x, c.y);
        ASSERT_EQ(graph->allPlotSpaces().size(), 1u);
        auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph->defaultPlotSpace());
        ASSERT_NE(space, nullptr);
        EXPECT_EQ(space->xScaleType(), c.x);
        EXPECT_EQ(space->yScaleType(), c.y);
        EXPECT_EQ(space->graph(), graph.get());
    }
    auto graph = CPTXYGraph::graphWithFrame(CGRect(0, 0, 300, 200));
    graph->setXScaleType(CPTScaleTypeLog);
    auto existing = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph->defaultPlotSpace());
    EXPECT_EQ(existing->xScaleType(), CPTScaleTypeLinear) << "a plain store";
    auto later = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph->newPlotSpace());
    EXPECT_EQ(later->xScaleType(), CPTScaleTypeLog);
    // Its axis set: an x and a y axis on the default plot space.
    auto axes = std::dynamic_pointer_cast<CPTXYAxisSet>(graph->axisSet());
    ASSERT_NE(axes, nullptr);
    ASSERT_EQ(axes->axes().size(), 2u);
    EXPECT_EQ(axes->axes()[0]->coordinate(), CPTCoordinateX);
    EXPECT_EQ(axes->axes()[1]->coordinate(), CPTCoordinateY);
    EXPECT_EQ(axes->xAxis()->plotSpace(), graph->defaultPlotSpace());
    EXPECT_EQ(axes->yAxis()->plotSpace(), graph->defaultPlotSpace());
    EXPECT_EQ(axes->xAxis()->tickDirection(), CPTSignNegative);
    EXPECT_EQ(axes->yAxis()->labelAlignment(), CPTAlignmentMiddle);

    auto derived =
        CPTGraph::make<CPTDerivedXYGraph>(CGRect(0, 0, 10, 10), CPTScaleTypeLog, CPTScaleTypeLinear);
    EXPECT_EQ(std::string(derived->className()), "CPTDerivedXYGraph");
    EXPECT_EQ(std::dynamic_pointer_cast<CPTXYPlotSpace>(derived->defaultPlotSpace())->xScaleType(),
              CPTScaleTypeLog);
}
