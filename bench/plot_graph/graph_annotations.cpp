// A graph with a title and 1,000 plot-space annotations holding text layers, laid out and rendered
// into a 2,048 x 1,536 bitmap, against drawing the same 1,000 texts at the same places on the same
// context alone (target: at most 1.5x). Prints the medians of rounds taken in turn and the ratio.
#include "bench/BenchTiming.h"
#include "bench/GraphRendering.h"
#include "platform/graphics/Output.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTPlotSpaceAnnotation.h"
#include "plot/graph/CPTTextLayer.h"
#include "plot/graph/CPTXYPlotSpace.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kWidth = 2048, kHeight = 1536;
constexpr int kLabels = 1000;
constexpr int kRuns = 15;

class BenchGraph : public CPTGraph {
  public:
    BenchGraph(ConstructionKey key, const CGRect& frame) : CPTGraph(key, frame) {}

  protected:
    std::shared_ptr<CPTPlotSpace> newPlotSpace() override { return std::make_shared<CPTXYPlotSpace>(); }
};

struct Label {
    std::string text;
    std::shared_ptr<CPTTextLayer> layer;
};

} // namespace

int main() {
    auto graph = CPTGraph::make<BenchGraph>(CGRect(0, 0, kWidth, kHeight));
    graph->setTitle(std::string("One thousand labels"));
    auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph->defaultPlotSpace());
    space->setXRange(CPTPlotRange::plotRangeWithLocation(foundation::Value(0.0), foundation::Value(100.0)));
    space->setYRange(CPTPlotRange::plotRangeWithLocation(foundation::Value(0.0), foundation::Value(100.0)));
    auto style = CPTTextStyle::textStyle();
    auto& plotArea = *graph->plotAreaFrame()->plotArea();
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> coordinate(2, 98);
    std::vector<Label> labels;
    for (int i = 0; i < kLabels; ++i) {
        std::string text = "Label " + std::to_string(i);
        auto layer = std::make_shared<CPTTextLayer>(text, style);
        auto annotation = std::make_shared<CPTPlotSpaceAnnotation>(
            space, std::vector<foundation::Value>{foundation::Value(coordinate(rng)),
                                                  foundation::Value(coordinate(rng))});
        annotation->setContentLayer(layer);
        plotArea.addAnnotation(annotation);
        labels.push_back({text, layer});
    }
    auto bitmap = gfx::BitmapContext::pointsContext({kWidth, kHeight}, 1);
    gfx::Context& ctx = bitmap->context();

    auto framework = [&] {
        plotArea.setNeedsLayout();
        benchgraph::renderFlipped(*graph, ctx, kHeight);
    };
    framework();
    // Where each text landed, in the bitmap's (y-down) coordinates, from the graph's own layout.
    std::vector<CGRect> places;
    for (const auto& label : labels)
        places.push_back(benchgraph::rectInBitmap(
            *graph, label.layer->bounds().insetBy(CPTTextLayer::kTextMargin, CPTTextLayer::kTextMargin),
            label.layer.get(), kHeight));
    auto bare = [&] {
        for (std::size_t i = 0; i < labels.size(); ++i)
            drawInRect(labels[i].text, places[i], style.get(), ctx);
    };

    auto medians = benchtiming::medianSeconds(kRuns, {framework, bare});
    std::printf("graph with %d text annotations, laid out and rendered: %.2f ms\n", kLabels,
                medians[0] * 1e3);
    std::printf("the same texts drawn alone:                          %.2f ms\n", medians[1] * 1e3);
    std::printf("ratio %.2fx (target at most 1.5x)\n", medians[0] / medians[1]);
    return 0;
}
