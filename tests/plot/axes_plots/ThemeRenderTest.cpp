// The five themes drawn: each theme's new graph with two bars, rendered at scale 2 through the Qt
// backend and checked by content (the background near a corner, the plot area frame's fill away from
// the bars, an axis line), against a golden, and as a vector PDF page with its labels; the pages join
// the plot gallery.
#include "plot/axes_plots/CPTBarPlot.h"
#include "plot/axes_plots/CPTXYTheme.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTGradient.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/graph/CPTAxisSet.h"
#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTXYPlotSpace.h"
#include "platform/graphics/Screen.h"
#include "tests/PlotGallery.h"
#include "tests/RenderChecks.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <span>

namespace {

// The theme builds 200 x 200 graphs; drawn at this size their 14-point labels have room.
constexpr double kSide = 320;

struct ScreenScale {
    explicit ScreenScale(double s) : old(gfx::largestScreenScale()) { gfx::setLargestScreenScale(s); }
    ~ScreenScale() { gfx::setLargestScreenScale(old); }
    double old;
};

// Two bars in the upper right quarter, away from the axes that cross in the middle.
class TwoBars : public CPTBarPlotDataSource {
  public:
    std::uint64_t numberOfRecordsForPlot(CPTPlot&) override { return 2; }
    std::optional<foundation::Value> numberForPlot(CPTPlot&, std::uint64_t field, std::uint64_t i) override {
        if (field == CPTBarPlotFieldBarLocation)
            return foundation::Value(i == 0 ? 0.4 : 0.75);
        return foundation::Value(i == 0 ? 0.6 : 0.85);
    }
};

const gfx::Color kBarColor{0.85, 0.35, 0.10, 1};

// A theme's new graph with both ranges over -1...1, so the axes cross in the middle, and two bars.
struct ThemedChart {
    std::shared_ptr<CPTGraph> graph;
    std::shared_ptr<CPTBarPlot> bars = std::make_shared<CPTBarPlot>();
    std::shared_ptr<TwoBars> source = std::make_shared<TwoBars>();
    explicit ThemedChart(const std::string& theme) : graph(CPTTheme::themeNamed(theme)->newGraph()) {
        graph->setFrame(CGRect(0, 0, kSide, kSide));
        auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph->defaultPlotSpace());
        space->setXRange(CPTPlotRange::plotRangeWithLocation(-1.0, 2.0));
        space->setYRange(CPTPlotRange::plotRangeWithLocation(-1.0, 2.0));
        bars->setFill(CPTFill::fillWithColor(CPTColor::colorWithCGColor(kBarColor)));
        bars->setBarWidth(foundation::Value(0.2));
        bars->setDataSource(source);
        graph->addPlot(bars);
    }
    // A plot point in the graph's (y-up) coordinates.
    CGPoint graphPoint(double x, double y) const {
        std::array<double, 2> p{x, y};
        const CGPoint v = graph->defaultPlotSpace()->plotAreaViewPointForDoublePrecisionPlotPoint(std::span<const double>(p));
        return graph->plotAreaFrame()->plotArea()->convertPointToLayer(v, graph.get());
    }
};

gfx::Color pixelAt(const gfx::Image& image, CGPoint graphPoint) {
    return image.pixel(int(std::floor(graphPoint.x * 2)), int(std::floor((kSide - graphPoint.y) * 2)));
}

::testing::AssertionResult near(const gfx::Color& actual, const gfx::Color& expected, double tolerance) {
    if (std::fabs(actual.red - expected.red) <= tolerance && std::fabs(actual.green - expected.green) <= tolerance &&
        std::fabs(actual.blue - expected.blue) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "colour (" << actual.red << ", " << actual.green << ", " << actual.blue
                                         << ") instead of (" << expected.red << ", " << expected.green << ", "
                                         << expected.blue << ")";
}

// The colour a fill paints at a height within a rect: a colour fill's colour, or a gradient's
// evaluation there (angles 90 and 270 run up and down the rect).
gfx::Color fillColorAt(const CPTFill& fill, const CGRect& rect, double y) {
    if (auto color = fill.cgColor())
        return *color;
    const CPTGradient& gradient = *fill.fillGradient();
    double t = (y - rect.minY()) / rect.height();
    if (gradient.angle() == 270)
        t = 1 - t;
    return gradient.newColorAtPosition(t);
}

void drawUpright(CPTGraph& graph, gfx::Context& ctx) {
    ctx.saveGState();
    ctx.translateCTM(0, kSide);
    ctx.scaleCTM(1, -1);
    graph.layoutAndRenderInContext(ctx);
    ctx.restoreGState();
}

const char* const kThemes[] = {"Dark Gradients", "Plain Black", "Plain White", "Slate", "Stocks"};

std::string fileName(std::string theme) {
    for (char& c : theme)
        c = c == ' ' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return theme;
}

} // namespace

TEST(ThemeRendering, PNGByContent) {
    ScreenScale scale(2);
    for (const char* theme : kThemes) {
        SCOPED_TRACE(theme);
        ThemedChart chart(theme);
        const gfx::Image image = chart.graph->imageOfLayer();
        ASSERT_EQ(image.pixelWidth(), int(kSide * 2));
        // The background near the lower left and upper left corners.
        for (const CGPoint corner : {CGPoint(3, 3), CGPoint(3, kSide - 3)}) {
            EXPECT_TRUE(near(pixelAt(image, corner), fillColorAt(*chart.graph->fill(), chart.graph->bounds(), corner.y),
                             2.0 / 255));
        }
        // The frame's fill in the lower left quarter, away from bars, axes and labels.
        const auto& frame = *chart.graph->plotAreaFrame();
        const CGPoint inside = chart.graphPoint(-0.75, -0.7);
        const CGRect frameRect = frame.convertRectToLayer(frame.bounds(), chart.graph.get());
        EXPECT_TRUE(near(pixelAt(image, inside), fillColorAt(*frame.fill(), frameRect, inside.y), 2.0 / 255));
        // The y axis line, between minor ticks and away from labels.
        const auto& axisLine = *chart.graph->axisSet()->axes().front()->axisLineStyle();
        const CGPoint onAxis = chart.graphPoint(0, -0.75);
        // A line of one point covers two pixels across at scale 2, one of them fully, wherever it lands.
        ::testing::AssertionResult onLine = ::testing::AssertionFailure();
        for (double dx : {-0.6, -0.1, 0.4}) {
            if (!onLine)
                onLine = near(pixelAt(image, {onAxis.x + dx, onAxis.y}), axisLine.lineColor()->cgColor(), 3.0 / 255);
        }
        EXPECT_TRUE(onLine);
        // A bar.
        EXPECT_TRUE(near(pixelAt(image, chart.graphPoint(0.75, 0.5)), kBarColor, 3.0 / 255));
        EXPECT_TRUE(renderChecks::matchesGolden(image, "tests/fixtures/plot/axes_plots/theme_" + fileName(theme) + ".png"));
    }
}

TEST(ThemeRendering, PDFPagesWithLabelsAndNoImages) {
    ScreenScale scale(2);
    for (const char* theme : kThemes) {
        SCOPED_TRACE(theme);
        ThemedChart chart(theme);
        const std::string pdf = renderChecks::scratchPath("theme_" + fileName(theme) + ".pdf");
        const auto bytes = chart.graph->dataForPDFRepresentationOfLayer();
        std::ofstream(pdf, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        ASSERT_EQ(renderChecks::pdfInfo(pdf).pages, 1);
        EXPECT_TRUE(renderChecks::pdfImages(pdf).empty());
        const std::string text = renderChecks::pdfText(pdf);
        EXPECT_NE(text.find("0.5"), std::string::npos) << text;
        EXPECT_NE(text.find("-0.5"), std::string::npos) << text;
    }
}

TEST(ThemeRendering, InThePlotGallery) {
    ScreenScale scale(2);
    std::vector<std::unique_ptr<ThemedChart>> charts;
    std::vector<plotGallery::Page> pages;
    for (const char* theme : kThemes) {
        charts.push_back(std::make_unique<ThemedChart>(theme));
        CPTGraph* graph = charts.back()->graph.get();
        pages.push_back({"theme-" + fileName(theme), {kSide, kSide}, [graph](gfx::Context& ctx) { drawUpright(*graph, ctx); }});
    }
    const auto rendered = plotGallery::render("plot-themes", pages);
    ASSERT_EQ(rendered.images.size(), 5u);
    EXPECT_EQ(renderChecks::pdfInfo(rendered.pdf).pages, 5);
}
