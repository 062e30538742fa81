// The bar and scatter charts rendered to PNG through the Qt backend and to a vector PDF, checked by
// content: colours at the points where bars, symbols, lines and fills land, the background beyond
// tips and in gaps, the labels' places in the PDF, vectors only, and goldens.
#include "PlotTypeCharts.h"
#include "platform/graphics/Screen.h"
#include "tests/PlotGallery.h"
#include "tests/RenderChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

using namespace plotcharts;

namespace {

struct ScreenScale {
    explicit ScreenScale(double s) : old(gfx::largestScreenScale()) { gfx::setLargestScreenScale(s); }
    ~ScreenScale() { gfx::setLargestScreenScale(old); }
    double old;
};

// The pixel under a graph point (y-up, points) in an image at scale 2.
gfx::Color pixelAt(const gfx::Image& image, CGPoint graphPoint) {
    return image.pixel(int(std::floor(graphPoint.x * 2)), int(std::floor((kHeight - graphPoint.y) * 2)));
}

::testing::AssertionResult near(const gfx::Color& actual, const gfx::Color& expected, double tolerance = 3.0 / 255) {
    if (std::fabs(actual.red - expected.red) <= tolerance && std::fabs(actual.green - expected.green) <= tolerance &&
        std::fabs(actual.blue - expected.blue) <= tolerance && std::fabs(actual.alpha - expected.alpha) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "colour (" << actual.red << ", " << actual.green << ", " << actual.blue
                                         << ", " << actual.alpha << ") instead of (" << expected.red << ", "
                                         << expected.green << ", " << expected.blue << ")";
}

std::string writePDF(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    std::string path = renderChecks::scratchPath(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

void drawUpright(CPTGraph& graph, gfx::Context& ctx) {
    ctx.saveGState();
    ctx.translateCTM(0, kHeight);
    ctx.scaleCTM(1, -1);
    graph.layoutAndRenderInContext(ctx);
    ctx.restoreGState();
}

// Whether an SVG colour ("rgb(79.998779%,10.00061%,10.00061%)") is the colour, to a percent.
bool svgColorIs(const std::string& text, const gfx::Color& color) {
    double r, g, b;
    if (std::sscanf(text.c_str(), "rgb(%lf%%,%lf%%,%lf%%)", &r, &g, &b) != 3)
        return false;
    return std::fabs(r - color.red * 100) <= 1 && std::fabs(g - color.green * 100) <= 1 &&
           std::fabs(b - color.blue * 100) <= 1;
}

// Counts the shapes drawn on the page (not glyphs or clips) whose style property is the colour.
int pathsWith(const std::vector<renderChecks::SvgPath>& paths, const char* property, const gfx::Color& color) {
    int n = 0;
    for (const auto& p : paths)
        n += !p.inDefs && svgColorIs(p.styleValue(property), color);
    return n;
}

} // namespace

TEST(BarChartRendering, PNGByContent) {
    ScreenScale scale(2);
    BarChart chart;
    gfx::Image image = chart.graph->imageOfLayer();
    ASSERT_EQ(image.pixelWidth(), 800);
    for (std::size_t i = 0; i < kBarTips.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "bar " << i);
        const double tip = kBarTips[i];
        EXPECT_TRUE(near(pixelAt(image, graphPointOf(*chart.graph, double(i), tip / 2)), kBarColors[i]));
        // One point beyond the tip lies the plot area's background.
        CGPoint tipPoint = graphPointOf(*chart.graph, double(i), tip);
        tipPoint.y += tip >= 0 ? 1.5 : -1.5;
        EXPECT_TRUE(near(pixelAt(image, tipPoint), kPlotAreaColor));
        // The edges at the location plus and minus half the width: the fill just inside, the
        // background just outside.
        const CGPoint left = graphPointOf(*chart.graph, double(i) - kBarWidth / 2, tip / 2);
        const CGPoint right = graphPointOf(*chart.graph, double(i) + kBarWidth / 2, tip / 2);
        EXPECT_TRUE(near(pixelAt(image, {left.x + 1.5, left.y}), kBarColors[i]));
        EXPECT_TRUE(near(pixelAt(image, {right.x - 1.5, right.y}), kBarColors[i]));
        EXPECT_TRUE(near(pixelAt(image, {left.x - 1.5, left.y}), kPlotAreaColor));
        EXPECT_TRUE(near(pixelAt(image, {right.x + 1.5, right.y}), kPlotAreaColor));
    }
    EXPECT_TRUE(renderChecks::matchesGolden(image, "tests/fixtures/plot/axes_plots/bar_chart.png"));
}

TEST(BarChartRendering, PDFByContent) {
    ScreenScale scale(2);
    BarChart chart;
    std::string pdf = writePDF(chart.graph->dataForPDFRepresentationOfLayer(), "bar_chart.pdf");
    ASSERT_EQ(renderChecks::pdfInfo(pdf).pages, 1);
    EXPECT_TRUE(renderChecks::pdfImages(pdf).empty());
    auto words = renderChecks::pdfWords(pdf);
    const char* texts[] = {"3.0", "5.5", "-2.0", "4.0", "1.5"};
    for (std::size_t i = 0; i < kBarTips.size(); ++i) {
        SCOPED_TRACE(texts[i]);
        const auto* word = renderChecks::findWord(words, texts[i]);
        if (!word) // the minus sign may come as a glyph of its own
            for (const auto& w : words)
                if (w.text.find(texts[i][0] == '-' ? texts[i] + 1 : texts[i]) != std::string::npos)
                    word = &w;
        ASSERT_NE(word, nullptr);
        const CGPoint tip = graphPointOf(*chart.graph, double(i), kBarTips[i]);
        const double tipFromTop = kHeight - tip.y;
        EXPECT_NEAR((word->xMin + word->xMax) / 2, tip.x, 2);
        if (kBarTips[i] >= 0)
            EXPECT_LE(word->yMax, tipFromTop);
        else
            EXPECT_GE(word->yMin, tipFromTop);
    }
    const auto paths = renderChecks::pdfSvgPaths(pdf);
    for (std::size_t i = 0; i < kBarColors.size(); ++i)
        EXPECT_GE(pathsWith(paths, "fill", kBarColors[i]), 1) << "bar " << i;
}

TEST(ScatterChartRendering, PNGByContent) {
    ScreenScale scale(2);
    ScatterChart chart;
    gfx::Image image = chart.graph->imageOfLayer();
    for (std::size_t i = 0; i < 50; ++i)
        EXPECT_TRUE(near(pixelAt(image, graphPointOf(*chart.graph, pointX(i), pointY(i))), kSymbolColor, 0.1))
            << "symbol " << i;
    for (double x : {1.0, 3.0, 5.0, 7.0, 9.0})
        EXPECT_TRUE(near(pixelAt(image, graphPointOf(*chart.graph, x, fitY(x))), kFitColor, 0.1)) << "fit line at " << x;
    // Under each step its fill, well above it the background: the step into x = i stands at the count
    // of i - 1; the steps into 6 and 7 are missing with the count of 6.
    for (std::size_t i = 1; i < kCounts.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "step " << i);
        const double x = double(i) - 0.5;
        const double count = kCounts[i - 1];
        if (i == 6 || i == 7) {
            EXPECT_TRUE(near(pixelAt(image, graphPointOf(*chart.graph, x, 0.3)), kPlotAreaColor)) << "the gap";
            continue;
        }
        EXPECT_TRUE(near(pixelAt(image, graphPointOf(*chart.graph, x, count / 2)), kAreaColor));
        EXPECT_TRUE(near(pixelAt(image, graphPointOf(*chart.graph, x, count + 0.3)), kPlotAreaColor));
        EXPECT_TRUE(near(pixelAt(image, graphPointOf(*chart.graph, x, count)), kStepColor, 0.1));
    }
    EXPECT_TRUE(renderChecks::matchesGolden(image, "tests/fixtures/plot/axes_plots/scatter_chart.png"));
}

TEST(ScatterChartRendering, PDFByContent) {
    ScreenScale scale(2);
    ScatterChart chart;
    std::string pdf = writePDF(chart.graph->dataForPDFRepresentationOfLayer(), "scatter_chart.pdf");
    ASSERT_EQ(renderChecks::pdfInfo(pdf).pages, 1);
    EXPECT_TRUE(renderChecks::pdfImages(pdf).empty());
    const auto paths = renderChecks::pdfSvgPaths(pdf);
    // The plus symbols stay vectors: their two strokes at each of the 50 points, however many symbols
    // one path holds.
    int symbolSegments = 0;
    for (const auto& p : paths) {
        if (!p.inDefs && svgColorIs(p.styleValue("stroke"), kSymbolColor))
            symbolSegments += int(std::count(p.d().begin(), p.d().end(), 'M'));
    }
    const int fitStrokes = pathsWith(paths, "stroke", kFitColor);
    EXPECT_GE(symbolSegments, 100);
    EXPECT_GE(fitStrokes, 1);
}

TEST(PlotTypesRendering, InThePlotGallery) {
    ScreenScale scale(2);
    BarChart bars;
    ScatterChart scatter;
    auto pages = plotGallery::render(
        "plot-axes-plots",
        {{"axes-plots-bar-chart", {kWidth, kHeight}, [&](gfx::Context& ctx) { drawUpright(*bars.graph, ctx); }},
         {"axes-plots-scatter-chart", {kWidth, kHeight}, [&](gfx::Context& ctx) { drawUpright(*scatter.graph, ctx); }}});
    ASSERT_EQ(pages.images.size(), 2u);
    EXPECT_EQ(renderChecks::pdfInfo(pages.pdf).pages, 2);
}
