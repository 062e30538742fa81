// A scatter plot of 100,000 records answered as doubles, with plus symbols and a 1-point line, on an XY
// graph with labelled axes, reloaded, laid out and rendered into a 2,048 x 1,536 bitmap, against
// stroking the same line and plus marks from the same arrays on the same context (target: at most 2x).
// Also the reload of the same records one boxed number at a time against the doubles. Prints medians
// and ratios.
#include "bench/BenchTiming.h"
#include "bench/GraphRendering.h"
#include "bench/plot_axes_plots/BenchAxes.h"
#include "platform/graphics/Output.h"
#include "plot/axes_plots/CPTScatterPlot.h"
#include "plot/axes_plots/CPTXYGraph.h"
#include "plot/foundation/CPTColor.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTXYPlotSpace.h"

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr double kWidth = 2048, kHeight = 1536;
constexpr std::size_t kRecords = 100000;
constexpr int kRuns = 7;

struct Arrays : CPTScatterPlotDataSource {
    std::vector<double> x, y;
    bool boxed = false;
    std::uint64_t numberOfRecordsForPlot(CPTPlot&) override { return x.size(); }
    std::optional<std::span<const double>> doublesForPlot(CPTPlot&, std::uint64_t field, NSRange r) override {
        if (boxed)
            return std::nullopt;
        const auto& v = field == 0 ? x : y;
        return std::span<const double>(v.data() + r.location, r.length);
    }
    std::optional<foundation::Value> numberForPlot(CPTPlot&, std::uint64_t field, std::uint64_t i) override {
        return foundation::Value(field == 0 ? x[i] : y[i]);
    }
};

} // namespace

int main() {
    auto source = std::make_shared<Arrays>();
    std::mt19937_64 rng(11);
    std::normal_distribution<double> noise(0, 8);
    for (std::size_t i = 0; i < kRecords; ++i) {
        const double x = 100.0 * double(i) / double(kRecords);
        source->x.push_back(x);
        source->y.push_back(50 + 30 * std::sin(x / 7) + noise(rng));
    }

    auto graph = CPTXYGraph::graphWithFrame(CGRect(0, 0, kWidth, kHeight));
    benchaxes::alongThePlotArea(*graph);
    auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph->defaultPlotSpace());
    space->setXRange(CPTPlotRange::plotRangeWithLocation(foundation::Value(0.0), foundation::Value(100.0)));
    space->setYRange(CPTPlotRange::plotRangeWithLocation(foundation::Value(-20.0), foundation::Value(140.0)));
    auto plot = std::make_shared<CPTScatterPlot>();
    auto line = CPTMutableLineStyle::lineStyle();
    line->setLineWidth(1);
    line->setLineColor(CPTColor::blueColor());
    plot->setDataLineStyle(line);
    auto plus = CPTPlotSymbol::plusPlotSymbol();
    plus->setSize({6, 6});
    auto symbolLine = CPTMutableLineStyle::lineStyle();
    symbolLine->setLineColor(CPTColor::redColor());
    plus->setLineStyle(symbolLine);
    plot->setPlotSymbol(plus);
    plot->setDataSource(source);
    graph->addPlot(plot);

    auto bitmap = gfx::BitmapContext::pointsContext({kWidth, kHeight}, 1);
    gfx::Context& ctx = bitmap->context();
    auto framework = [&] {
        plot->reloadData();
        benchgraph::renderFlipped(*graph, ctx, kHeight);
    };
    framework();
    const CGRect place = benchgraph::plotAreaInBitmap(*graph, kHeight);
    auto bare = [&] {
        std::vector<gfx::Point> points(kRecords);
        for (std::size_t i = 0; i < kRecords; ++i)
            points[i] = {place.origin.x + source->x[i] / 100 * place.size.width,
                         place.maxY() - (source->y[i] + 20) / 140 * place.size.height};
        ctx.saveGState();
        ctx.clipToRect(place);
        ctx.setStrokeColor(gfx::Color{0, 0, 1, 1});
        ctx.setLineWidth(1);
        ctx.beginPath();
        ctx.addLines(points);
        ctx.strokePath();
        ctx.setStrokeColor(gfx::Color{1, 0, 0, 1});
        for (const auto& p : points) {
            ctx.beginPath();
            ctx.moveToPoint(p.x - 3, p.y);
            ctx.addLineToPoint(p.x + 3, p.y);
            ctx.moveToPoint(p.x, p.y - 3);
            ctx.addLineToPoint(p.x, p.y + 3);
            ctx.strokePath();
        }
        ctx.restoreGState();
    };
    auto medians = benchtiming::medianSeconds(kRuns, {framework, bare});
    std::printf("scatter plot of %zu records, reloaded, laid out and rendered: %.1f ms\n", kRecords, medians[0] * 1e3);
    std::printf("the same line and plus marks stroked alone:                 %.1f ms\n", medians[1] * 1e3);
    std::printf("ratio %.2fx (target at most 2x)\n", medians[0] / medians[1]);

    auto byDoubles = [&] {
        source->boxed = false;
        plot->reloadData();
    };
    auto byNumbers = [&] {
        source->boxed = true;
        plot->reloadData();
    };
    auto reloads = benchtiming::medianSeconds(kRuns, {byNumbers, byDoubles});
    std::printf("reload one boxed number at a time: %.1f ms\n", reloads[0] * 1e3);
    std::printf("reload as doubles:                 %.1f ms\n", reloads[1] * 1e3);
    std::printf("ratio %.2fx (no target)\n", reloads[0] / reloads[1]);
    return 0;
}
