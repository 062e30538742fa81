// The axis charts rendered to PNG through the Qt backend and to a vector PDF, checked by content: the
// axis line, grid lines at their ticks, alternating bands, the limit band and the dashed zero line in
// the pixels; labels and titles centred on their ticks in the PDF's text; dates in en_US; vectors only.
#include "AxisCharts.h"
#include "platform/graphics/Screen.h"
#include "tests/PlotGallery.h"
#include "tests/RenderChecks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace {

using namespace axischarts;

struct ScreenScale {
    explicit ScreenScale(double s) : old(gfx::largestScreenScale()) { gfx::setLargestScreenScale(s); }
    ~ScreenScale() { gfx::setLargestScreenScale(old); }
    double old;
};

// The pixel under a graph point (y-up, points) in an image at scale 2.
gfx::Color pixelAt(const gfx::Image& image, CGPoint p) {
    return image.pixel(int(std::floor(p.x * 2)), int(std::floor((kHeight - p.y) * 2)));
}

bool near(const gfx::Color& a, const gfx::Color& b, double tolerance = 12.0 / 255) {
    return std::fabs(a.red - b.red) <= tolerance && std::fabs(a.green - b.green) <= tolerance &&
           std::fabs(a.blue - b.blue) <= tolerance;
}

// Whether the colour shows within `reach` points of x on the row at y.
bool colourNear(const gfx::Image& image, double x, double y, const gfx::Color& colour, double reach = 1.0) {
    for (double dx = -reach; dx <= reach; dx += 0.5)
        if (near(pixelAt(image, {x + dx, y}), colour))
            return true;
    return false;
}

std::string writePDF(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    std::string path = renderChecks::scratchPath(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

plotGallery::Page page(const std::string& name, std::shared_ptr<CPTXYGraph> graph) {
    return {name, {kWidth, kHeight}, [graph](gfx::Context& ctx) {
                ctx.saveGState();
                ctx.translateCTM(0, kHeight);
                ctx.scaleCTM(1, -1);
                graph->layoutAndRenderInContext(ctx);
                ctx.restoreGState();
            }};
}

// The words of a chart's PDF page, with y measured down from the top.
std::vector<renderChecks::PdfWord> wordsOf(const Chart& chart, const std::string& name) {
    return renderChecks::pdfWords(writePDF(chart.graph->dataForPDFRepresentationOfLayer(), name));
}

} // namespace

TEST(AxisChartRendering, TicksGridBandsAndZeroLineInThePixels) {
    ScreenScale scale(2);
    Chart chart = ticksChart();
    gfx::Image image = chart.graph->imageOfLayer();
    ASSERT_EQ(image.pixelWidth(), int(kWidth * 2));

    // The y axis line lies at the view position of the x axis's orthogonal value... and the x axis at
    // the y axis's: x = 0 and y = -0.25.
    const CGPoint yAxisAt = graphPoint(chart, 0, 0.6);
    EXPECT_TRUE(near(pixelAt(image, yAxisAt), kAxisColor)) << "y axis line";
    const CGPoint xAxisAt = graphPoint(chart, 45, -0.25);
    EXPECT_TRUE(near(pixelAt(image, {xAxisAt.x, xAxisAt.y + 0.25}), kAxisColor)) << "x axis line";

    // Major grid lines of x at 20, 40, 60, 80 and nowhere halfway between them.
    const double row = graphPoint(chart, 0, 0.7).y;
    for (double v : {20.0, 40.0, 60.0, 80.0}) {
        SCOPED_TRACE(v);
        EXPECT_TRUE(colourNear(image, graphPoint(chart, v, 0).x, row, kMajorGridColor));
        EXPECT_FALSE(colourNear(image, graphPoint(chart, v - 10, 0).x, row, kMajorGridColor, 3));
    }
    // Minor grid lines of y at the minor ticks, running horizontally.
    const double column = graphPoint(chart, 30, 0).x;
    bool minorGrid = false;
    for (double dy = -1; dy <= 1; dy += 0.5)
        minorGrid = minorGrid || near(pixelAt(image, {column, graphPoint(chart, 0, 0.125).y + dy}), kMinorGridColor);
    EXPECT_TRUE(minorGrid);

    // Bands alternate between consecutive y ticks; the band from the anchor (0) takes the first fill.
    const double x5 = graphPoint(chart, 5, 0).x;
    std::vector<gfx::Color> bands;
    for (double v : {-0.1875, 0.0625, 0.3125, 0.5625, 0.8125})
        bands.push_back(pixelAt(image, {x5, graphPoint(chart, 0, v).y}));
    EXPECT_TRUE(near(bands[1], kBandA)) << "the band from 0";
    for (std::size_t i = 0; i + 1 < bands.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(near(bands[i], kBandA) || near(bands[i], kBandB));
        EXPECT_FALSE(near(bands[i], bands[i + 1], 2.0 / 255)) << "consecutive bands differ";
    }

    // The limit band covers 60..80 only.
    const double bandRow = graphPoint(chart, 0, 0.5625).y;
    EXPECT_TRUE(near(pixelAt(image, {graphPoint(chart, 70, 0).x, bandRow}), kLimitColor));
    EXPECT_TRUE(near(pixelAt(image, {graphPoint(chart, 61, 0).x, bandRow}), kLimitColor));
    EXPECT_FALSE(near(pixelAt(image, {graphPoint(chart, 57, 0).x, bandRow}), kLimitColor));
    EXPECT_FALSE(near(pixelAt(image, {graphPoint(chart, 83, 0).x, bandRow}), kLimitColor));

    // The zero line: red dashes with gaps between them.
    const double zeroRow = graphPoint(chart, 0, 0).y;
    int red = 0, gaps = 0;
    for (double x = kLeft + 5; x < kLeft + kPlotWidth - 5; x += 0.5) {
        if (near(pixelAt(image, {x, zeroRow}), kZeroColor, 40.0 / 255))
            ++red;
        else
            ++gaps;
    }
    EXPECT_GT(red, 300);
    EXPECT_GT(gaps, 200);
    EXPECT_TRUE(renderChecks::matchesGolden(image, "tests/fixtures/plot/axes_plots/axis_ticks_chart.png"));
}

TEST(AxisChartRendering, LabelsAndTitlesCentredOnTheirTicksInThePDF) {
    ScreenScale scale(2);
    Chart chart = ticksChart();
    const std::string pdf = writePDF(chart.graph->dataForPDFRepresentationOfLayer(), "axis_ticks_chart.pdf");
    const auto words = renderChecks::pdfWords(pdf);
    double previous = -1;
    for (double v : {0.0, 20.0, 40.0, 60.0, 80.0}) {
        SCOPED_TRACE(v);
        const auto* word = renderChecks::findWord(words, CPTFormatGeneral(v));
        ASSERT_NE(word, nullptr);
        const double centre = (word->xMin + word->xMax) / 2;
        EXPECT_NEAR(centre, graphPoint(chart, v, 0).x, 1.0);
        EXPECT_GT(centre, previous) << "in tick order";
        previous = centre;
        EXPECT_GT(word->yMin, kHeight - kBottom) << "below the plot area";
    }
    previous = kHeight + 1;
    for (const char* text : {"-0.25", "0.00", "0.25", "0.50", "0.75", "1.00"}) {
        SCOPED_TRACE(text);
        const auto* word = renderChecks::findWord(words, text);
        ASSERT_NE(word, nullptr);
        const double centre = (word->yMin + word->yMax) / 2;
        EXPECT_NEAR(centre, kHeight - graphPoint(chart, 0, std::stod(text)).y, 1.0);
        EXPECT_LT(centre, previous) << "in tick order, upwards";
        previous = centre;
        EXPECT_LT(word->xMax, kLeft) << "left of the plot area";
        EXPECT_GT(word->xMin, 0) << "not clipped";
    }
    for (const char* minor : {"-0.125", "0.125", "0.875"})
        EXPECT_NE(renderChecks::findWord(words, minor), nullptr) << minor;
    const auto* title = renderChecks::findWord(words, "Score");
    ASSERT_NE(title, nullptr);
    EXPECT_NEAR((title->xMin + title->xMax) / 2, kLeft + kPlotWidth / 2, 1.0);
    EXPECT_LT(title->yMax, kHeight) << "inside the page";
    EXPECT_TRUE(renderChecks::pdfImages(pdf).empty()) << "vectors only";
    // Ticks, axis lines and grid lines are stroked paths.
    int stroked = 0;
    for (const auto& path : renderChecks::pdfSvgPaths(pdf))
        if (!path.inDefs && path.styleValue("fill") == "none" && !path.styleValue("stroke").empty() &&
            path.styleValue("stroke") != "none")
            ++stroked;
    EXPECT_GE(stroked, 6) << "axis lines, tick sets and grid lines";
}

TEST(AxisChartRendering, RotatedCallerLabelsKeepTheirOwnRotationAndStayOnThePage) {
    ScreenScale scale(2);
    Chart chart = rotatedChart();
    chart.graph->layoutIfNeeded();
    auto image = chart.graph->imageOfLayer();
    const auto& labels = chart.x->axisLabels();
    ASSERT_EQ(labels.size(), kRotatedNames.size());
    double lowest = kHeight;
    for (const auto& label : labels) {
        const auto& layer = label->contentLayer();
        EXPECT_NEAR(layer->transform().b, std::sin(std::numbers::pi / 4), 1e-9);
        EXPECT_FALSE(layer->isHidden());
        const CGRect inGraph = chart.graph->convertRectFromLayer(layer->bounds(), layer.get());
        EXPECT_GE(inGraph.origin.x, 0);
        EXPECT_GE(inGraph.origin.y, 0) << "on the page";
        EXPECT_LE(inGraph.maxX(), kWidth);
        // The top corner, the one nearest the axis, sits the offset below the line, under its tick.
        EXPECT_NEAR(inGraph.maxY(), kRotatedBottom - chart.x->labelOffset() - chart.x->majorTickLength(), 1.0);
        EXPECT_LT(inGraph.origin.x, graphPoint(chart, label->tickLocation().toDouble(), 0).x);
        lowest = std::min(lowest, inGraph.origin.y);
    }
    // The title sits under the turned labels, not across them, and on the page.
    const auto* title = chart.x->axisTitle()->contentLayer().get();
    const CGRect titleBox = chart.graph->convertRectFromLayer(title->bounds(), title);
    EXPECT_GE(titleBox.origin.y, 0);
    EXPECT_LE(titleBox.maxY(), lowest);
    EXPECT_TRUE(renderChecks::matchesGolden(image, "tests/fixtures/plot/axes_plots/axis_rotated_chart.png"));
}

TEST(AxisChartRendering, DatesAndCategoriesReadAsTheyShould) {
    ScreenScale scale(2);
    Chart dates = dateChart();
    const auto dateWords = wordsOf(dates, "axis_date_chart.pdf");
    double previous = -1;
    for (int day : {3, 10, 17, 24, 31}) {
        const std::string text = "1/" + std::to_string(day) + "/21";
        SCOPED_TRACE(text);
        const auto* word = renderChecks::findWord(dateWords, text);
        ASSERT_NE(word, nullptr);
        const double centre = (word->xMin + word->xMax) / 2;
        EXPECT_NEAR(centre, graphPoint(dates, kJanuary1st2021 + (day - 1) * kDay, 0).x, 1.0);
        EXPECT_GT(centre, previous);
        previous = centre;
        EXPECT_LE(word->xMax, kWidth) << "not clipped";
    }
    EXPECT_TRUE(renderChecks::matchesGolden(dates.graph->imageOfLayer(),
                                            "tests/fixtures/plot/axes_plots/axis_date_chart.png"));

    Chart categories = categoryChart();
    const auto categoryWords = wordsOf(categories, "axis_category_chart.pdf");
    for (std::size_t i = 0; i < kCategories.size(); ++i) {
        SCOPED_TRACE(kCategories[i]);
        const auto* word = renderChecks::findWord(categoryWords, kCategories[i]);
        ASSERT_NE(word, nullptr);
        EXPECT_NEAR((word->xMin + word->xMax) / 2, kLeft + (i + 0.5) / 3 * kPlotWidth, 1.0);
    }
    EXPECT_TRUE(renderChecks::matchesGolden(categories.graph->imageOfLayer(),
                                            "tests/fixtures/plot/axes_plots/axis_category_chart.png"));
}

TEST(AxisChartRendering, InThePlotGallery) {
    ScreenScale scale(2);
    auto pages = plotGallery::render("plot-axes", {page("axes-ticks-grid-bands", ticksChart().graph),
                                                   page("axes-rotated-labels", rotatedChart().graph),
                                                   page("axes-dates", dateChart().graph),
                                                   page("axes-categories", categoryChart().graph)});
    ASSERT_EQ(pages.images.size(), 4u);
    EXPECT_EQ(renderChecks::pdfInfo(pages.pdf).pages, 4);
}
