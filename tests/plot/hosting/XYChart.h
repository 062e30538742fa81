// The XY chart the rendered checks look at: a gradient background, a rounded bordered plot area
// frame with a fill, a title, and a plot that fills squares at its data points through the plot
// space. Its geometry is spelled out so the checks can say where each thing lands.
#pragma once

#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTGradient.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTPlot.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTXYPlotSpace.h"

#include <memory>
#include <vector>

namespace xychart {

constexpr double kWidth = 400, kHeight = 300;
constexpr double kBorderWidth = 2, kCornerRadius = 12;
// The plot area inside the graph's paddings (20) and half the frame's border.
constexpr double kPlotLeft = 21, kPlotBottom = 21, kPlotWidth = 358, kPlotHeight = 258;
constexpr double kXLength = 10, kYLength = 8;
constexpr double kSquare = 10;

inline const gfx::Color kBottomColor{0.80, 0.86, 0.96, 1};
inline const gfx::Color kTopColor{0.25, 0.35, 0.65, 1};
inline const gfx::Color kFrameFill{1.0, 0.97, 0.82, 1};
inline const gfx::Color kBorder{0.2, 0.2, 0.2, 1};
inline const gfx::Color kSquareColor{0.85, 0.10, 0.10, 1};

inline const std::vector<CGPoint> kPoints{{1, 1}, {3, 4}, {5, 2}, {8, 7}, {9.5, 3}};

// Fills a square at each data point, mapped through its plot space.
class SquaresPlot : public CPTPlot {
  public:
    const char* className() const override { return "SquaresPlot"; }
    void renderAsVectorInContext(gfx::Context& ctx) override {
        CPTPlot::renderAsVectorInContext(ctx);
        if (!plotSpace())
            return;
        ctx.setFillColor(kSquareColor);
        for (CGPoint p : kPoints) {
            double point[2] = {p.x, p.y};
            CGPoint v = plotSpace()->plotAreaViewPointForDoublePrecisionPlotPoint(point);
            ctx.fillRect(CGRect(v.x - kSquare / 2, v.y - kSquare / 2, kSquare, kSquare));
        }
    }
};

inline std::shared_ptr<CPTGradient> background() {
    auto gradient = CPTGradient::gradientWithBeginningColor(*CPTColor::colorWithCGColor(kBottomColor),
                                                            *CPTColor::colorWithCGColor(kTopColor));
    gradient->setAngle(90);
    return gradient;
}

// Where a data point lands in the graph's (y-up) coordinates.
inline CGPoint graphPointOf(CGPoint data) {
    return {kPlotLeft + data.x / kXLength * kPlotWidth, kPlotBottom + data.y / kYLength * kPlotHeight};
}

inline std::shared_ptr<CPTXYGraph> make() {
    auto graph = CPTXYGraph::graphWithFrame(CGRect(0, 0, kWidth, kHeight));
    // This chart checks the graph's own drawing; the axis charts check what axes draw.
    graph->setAxisSet(nullptr);
    graph->setFill(CPTFill::fillWithGradient(background()));
    auto frame = graph->plotAreaFrame();
    auto border = CPTMutableLineStyle::lineStyle();
    border->setLineWidth(kBorderWidth);
    border->setLineColor(CPTColor::colorWithCGColor(kBorder));
    frame->setBorderLineStyle(border);
    frame->setCornerRadius(kCornerRadius);
    frame->setFill(CPTFill::fillWithColor(CPTColor::colorWithCGColor(kFrameFill)));
    auto titleStyle = CPTMutableTextStyle::textStyle();
    titleStyle->setFontSize(14);
    titleStyle->setColor(CPTColor::whiteColor());
    graph->setTitleTextStyle(titleStyle);
    graph->setTitleDisplacement({0, 19});
    graph->setTitle(std::string("Squares"));
    auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph->defaultPlotSpace());
    space->setXRange(
        CPTPlotRange::plotRangeWithLocation(foundation::Value(0.0), foundation::Value(kXLength)));
    space->setYRange(
        CPTPlotRange::plotRangeWithLocation(foundation::Value(0.0), foundation::Value(kYLength)));
    graph->addPlot(std::make_shared<SquaresPlot>());
    return graph;
}

} // namespace xychart
