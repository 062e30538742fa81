// A bar plot of 1,000 bars with a fill and an outline per record, on an XY graph with labelled axes,
// laid out and rendered into a 2,048 x 1,536 bitmap, against filling and stroking the same 1,000
// rectangles on the same context (target: at most 1.5x). Prints the medians of rounds taken in turn
// and the ratio.
#include "bench/BenchTiming.h"
#include "bench/GraphRendering.h"
#include "bench/plot_axes_plots/BenchAxes.h"
#include "platform/graphics/Output.h"
#include "plot/axes_plots/CPTBarPlot.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/foundation/CPTColor.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTXYPlotSpace.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr double kWidth = 2048, kHeight = 1536;
constexpr std::size_t kBars = 1000;
constexpr int kRuns = 15;

gfx::Color colorOf(std::size_t i) {
    return {0.2 + 0.6 * double(i % 7) / 6, 0.3 + 0.5 * double(i % 5) / 4, 0.8 - 0.6 * double(i % 3) / 2, 1};
}

struct Bars : CPTBarPlotDataSource {
    std::vector<double> tips;
    std::vector<std::shared_ptr<CPTFill>> fills;
    std::vector<std::shared_ptr<CPTLineStyle>> styles;
    std::uint64_t numberOfRecordsForPlot(CPTPlot&) override { return tips.size(); }
    std::optional<std::span<const double>> doublesForPlot(CPTPlot&, std::uint64_t field, NSRange r) override {
        if (field != CPTBarPlotFieldBarTip)
            return std::nullopt;
        return std::span<const double>(tips.data() + r.location, r.length);
    }
    std::optional<double> doubleForPlot(CPTPlot&, std::uint64_t, std::uint64_t i) override { return double(i); }
    std::optional<std::shared_ptr<CPTFill>> barFillForBarPlot(CPTBarPlot&, std::uint64_t i) override {
        return fills[i];
    }
    std::optional<std::shared_ptr<CPTLineStyle>> barLineStyleForBarPlot(CPTBarPlot&, std::uint64_t i) override {
        return styles[i];
    }
};

} // namespace

int main() {
    auto source = std::make_shared<Bars>();
    for (std::size_t i = 0; i < kBars; ++i) {
        source->tips.push_back(10 + 80 * std::fabs(std::sin(double(i) / 37)));
        source->fills.push_back(CPTFill::fillWithColor(CPTColor::colorWithCGColor(colorOf(i))));
        auto style = CPTMutableLineStyle::lineStyle();
        style->setLineColor(CPTColor::colorWithCGColor(colorOf(i + 3)));
        source->styles.push_back(style);
    }
    auto graph = CPTXYGraph::graphWithFrame(CGRect(0, 0, kWidth, kHeight));
    benchaxes::alongThePlotArea(*graph);
    auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph->defaultPlotSpace());
    space->setXRange(CPTPlotRange::plotRangeWithLocation(foundation::Value(-0.5), foundation::Value(double(kBars))));
    space->setYRange(CPTPlotRange::plotRangeWithLocation(foundation::Value(0.0), foundation::Value(100.0)));
    auto plot = std::make_shared<CPTBarPlot>();
    plot->setBarWidth(foundation::Value(0.8));
    plot->setDataSource(source);
    graph->addPlot(plot);
    plot->reloadData();

    auto bitmap = gfx::BitmapContext::pointsContext({kWidth, kHeight}, 1);
    gfx::Context& ctx = bitmap->context();
    auto framework = [&] {
        plot->setNeedsDisplay();
        benchgraph::renderFlipped(*graph, ctx, kHeight);
    };
    framework();
    const CGRect place = benchgraph::plotAreaInBitmap(*graph, kHeight);
    std::vector<gfx::Rect> rects;
    const double step = place.size.width / double(kBars);
    for (std::size_t i = 0; i < kBars; ++i) {
        const double h = source->tips[i] / 100 * place.size.height;
        rects.emplace_back(place.origin.x + (double(i) + 0.1) * step, place.maxY() - h, 0.8 * step, h);
    }
    auto bare = [&] {
        for (std::size_t i = 0; i < kBars; ++i) {
            ctx.setFillColor(colorOf(i));
            ctx.fillRect(rects[i]);
            ctx.setStrokeColor(colorOf(i + 3));
            ctx.setLineWidth(1);
            ctx.strokeRect(rects[i]);
        }
    };
    auto medians = benchtiming::medianSeconds(kRuns, {framework, bare});
    std::printf("bar plot of %zu bars, laid out and rendered: %.2f ms\n", kBars, medians[0] * 1e3);
    std::printf("the same rectangles filled and stroked:      %.2f ms\n", medians[1] * 1e3);
    std::printf("ratio %.2fx (target at most 1.5x)\n", medians[0] / medians[1]);
    return 0;
}
