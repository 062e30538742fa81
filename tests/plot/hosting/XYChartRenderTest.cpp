// The XY chart rendered to PNG through the Qt backend and to a vector PDF, checked by content:
// colours at known points, the title's place, no images, the border as a path, and the two outputs
// agreeing with each other.
#include "XYChart.h"
#include "platform/graphics/Screen.h"
#include "tests/PlotGallery.h"
#include "tests/RenderChecks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace {

using namespace xychart;

struct ScreenScale {
    explicit ScreenScale(double s) : old(gfx::largestScreenScale()) { gfx::setLargestScreenScale(s); }
    ~ScreenScale() { gfx::setLargestScreenScale(old); }
    double old;
};

// The pixel under a graph point (y-up, points) in an image at scale 2.
gfx::Color pixelAt(const gfx::Image& image, CGPoint graphPoint) {
    return image.pixel(int(std::floor(graphPoint.x * 2)), int(std::floor((kHeight - graphPoint.y) * 2)));
}

void expectColor(const gfx::Color& actual, const gfx::Color& expected, double tolerance, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_NEAR(actual.red, expected.red, tolerance);
    EXPECT_NEAR(actual.green, expected.green, tolerance);
    EXPECT_NEAR(actual.blue, expected.blue, tolerance);
    EXPECT_NEAR(actual.alpha, expected.alpha, tolerance);
}

gfx::Color gradientAt(double graphY) {
    CPTRGBAColor c = background()->evaluate(graphY / kHeight);
    return {c.red, c.green, c.blue, c.alpha};
}

std::string writePDF(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    std::string path = renderChecks::scratchPath(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

} // namespace

TEST(XYChartRendering, PNGByContent) {
    ScreenScale scale(2);
    auto graph = make();
    gfx::Image image = graph->imageOfLayer();
    ASSERT_EQ(image.pixelWidth(), 800);
    ASSERT_EQ(image.pixelHeight(), 600);
    // Mapping end to end: each square sits on its data point.
    for (CGPoint p : kPoints) {
        SCOPED_TRACE(testing::Message() << p.x << ", " << p.y);
        expectColor(pixelAt(image, graphPointOf(p)), kSquareColor, 2.0 / 255, "square");
    }
    expectColor(pixelAt(image, graphPointOf({7, 1})), kFrameFill, 2.0 / 255, "plot area fill");
    // Just outside the rounded corner the background shows, not the fill.
    CGPoint corner{20 + 1.5, 20 + 1.5};
    expectColor(pixelAt(image, corner), gradientAt(corner.y), 3.0 / 255, "outside the corner");
    // The background's gradient at its top and bottom rows.
    expectColor(pixelAt(image, {5, 0.25}), gradientAt(0.25), 3.0 / 255, "bottom row");
    expectColor(pixelAt(image, {5, kHeight - 0.25}), gradientAt(kHeight - 0.25), 3.0 / 255, "top row");
    // The border line on the frame's left edge.
    expectColor(pixelAt(image, {21, kHeight / 2}), kBorder, 0.1, "border");
    EXPECT_TRUE(renderChecks::matchesGolden(image, "tests/fixtures/plot/graph/xy_chart.png"));
}

TEST(XYChartRendering, PDFByContent) {
    ScreenScale scale(2);
    auto graph = make();
    std::string pdf = writePDF(graph->dataForPDFRepresentationOfLayer(), "xy_chart.pdf");
    auto info = renderChecks::pdfInfo(pdf);
    ASSERT_TRUE(info.readable);
    ASSERT_EQ(info.pages, 1);
    EXPECT_EQ(info.pageSizes[0], (gfx::Size{kWidth, kHeight}));
    // The title centred at the top, in the graph's top padding.
    auto words = renderChecks::pdfWords(pdf);
    const auto* title = renderChecks::findWord(words, "Squares");
    ASSERT_NE(title, nullptr);
    EXPECT_NEAR((title->xMin + title->xMax) / 2, kWidth / 2, 1.5);
    EXPECT_LT(title->yMax, 20.5);
    EXPECT_GT(title->yMin, 0);
    // Vectors only.
    EXPECT_TRUE(renderChecks::pdfImages(pdf).empty());
    // The frame's border is a stroked path with the border's width.
    bool border = false;
    for (const auto& path : renderChecks::pdfSvgPaths(pdf))
        border = border || (!path.inDefs && path.styleValue("stroke-width") == "2" &&
                            path.styleValue("fill") == "none");
    EXPECT_TRUE(border) << "no stroked border path";
    // Rasterised, the page shows what the PNG shows.
    std::string raster = renderChecks::scratchPath("xy_chart_page");
    auto run = renderChecks::runCommand("pdftoppm -r 144 -png -singlefile " + renderChecks::shellQuoted(pdf) +
                                        " " + renderChecks::shellQuoted(raster));
    ASSERT_EQ(run.status, 0);
    auto page = gfx::Image::loadPNG(raster + ".png");
    ASSERT_TRUE(page.has_value());
    auto diff = renderChecks::compareImages(*page, graph->imageOfLayer(), 60.0 / 255);
    EXPECT_LT(diff.share(), 0.02) << diff.off << " of " << diff.total << " pixels differ";
}

TEST(XYChartRendering, InThePlotGallery) {
    ScreenScale scale(2);
    auto graph = make();
    auto pages =
        plotGallery::render("plot-graph", {{"graph-xy-chart", {kWidth, kHeight}, [graph](gfx::Context& ctx) {
                                                ctx.saveGState();
                                                ctx.translateCTM(0, kHeight);
                                                ctx.scaleCTM(1, -1);
                                                graph->layoutAndRenderInContext(ctx);
                                                ctx.restoreGState();
                                            }}});
    ASSERT_EQ(pages.images.size(), 1u);
    // The page is the chart as the image shows it.
    auto diff = renderChecks::compareImages(pages.images[0], graph->imageOfLayer(), 2.0 / 255);
    EXPECT_EQ(diff.off, 0);
    EXPECT_EQ(renderChecks::pdfInfo(pages.pdf).pages, 1);
}
