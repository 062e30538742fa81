// The charts of the analysis screens: their shapes in the recorded vector drawing, their colours at
// known points of the PNGs, goldens, and the pages of one PDF (texts, sizes, vectors only, a path per
// bar and slice, the same picture as the PNG); then the pie and legend at pad and phone sizes, with a
// long title, no data, one slice and slices that sum to zero. All of them land in the plot gallery.
#include "ScreenCharts.h"
#include "platform/graphics/Screen.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "plot/foundation/CPTLineCap.h"
#include "plot/graph/CPTLimitBand.h"
#include "plot/hosting/CPTGraphHostingView.h"
#include "tests/PlotGallery.h"
#include "tests/RenderChecks.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace screencharts;

namespace {

struct ScreenScale {
    explicit ScreenScale(double s) : old(gfx::largestScreenScale()) { gfx::setLargestScreenScale(s); }
    ~ScreenScale() { gfx::setLargestScreenScale(old); }
    double old;
};

bool close(const gfx::Color& a, const gfx::Color& b, double tolerance) {
    return std::fabs(a.red - b.red) <= tolerance && std::fabs(a.green - b.green) <= tolerance &&
           std::fabs(a.blue - b.blue) <= tolerance && std::fabs(a.alpha - b.alpha) <= tolerance;
}

::testing::AssertionResult near(const gfx::Color& actual, const gfx::Color& expected, double tolerance) {
    if (close(actual, expected, tolerance))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "colour (" << actual.red << ", " << actual.green << ", " << actual.blue << ", " << actual.alpha
           << ") instead of (" << expected.red << ", " << expected.green << ", " << expected.blue << ")";
}

// The pixel under a graph point (y up, points) in a page image at scale 2.
gfx::Color pixelAt(const gfx::Image& image, double pageHeight, CGPoint p) {
    return image.pixel(int(std::floor(p.x * 2)), int(std::floor((pageHeight - p.y) * 2)));
}

void drawUpright(CPTGraph& graph, double height, gfx::Context& ctx) {
    ctx.saveGState();
    ctx.translateCTM(0, height);
    ctx.scaleCTM(1, -1);
    graph.layoutAndRenderInContext(ctx);
    ctx.restoreGState();
}

std::vector<plotGallery::Page> pagesOf(std::vector<ScreenChart>& charts) {
    std::vector<plotGallery::Page> pages;
    for (auto& c : charts) {
        auto graph = c.graph;
        const double height = c.size.height;
        pages.push_back({c.name, {c.size.width, c.size.height}, [graph, height](gfx::Context& ctx) {
                             drawUpright(*graph, height, ctx);
                         }});
    }
    return pages;
}

std::vector<ScreenChart> buildAll() {
    std::vector<ScreenChart> charts;
    for (const auto& make : allCharts())
        charts.push_back(make());
    return charts;
}

// Whether a recorded fill or stroke of the colour covers the point (device space = graph space).
bool covered(const gfx::Recorder& recorder, CGPoint p, const gfx::Color& color) {
    for (const auto& r : recorder.records()) {
        if (r.group && covered(*r.group, p, color))
            return true;
        if (r.op == gfx::Recorder::Op::Fill && close(r.state.fillColor, color, 0.02) &&
            r.path.contains(p, r.rule))
            return true;
        if (r.op == gfx::Recorder::Op::Stroke && close(r.state.strokeColor, color, 0.02) &&
            r.path.strokeContains(p, r.state.stroke))
            return true;
    }
    return false;
}

// Whether the check holds at the probe's point or, for a probe with a reach, at a point up to that far
// from it across or along (a thin line or a symbol's arm drawn between pixel centres).
bool anyAround(const Probe& probe, const std::function<bool(CGPoint)>& check) {
    const double r = probe.reach;
    for (double dx : {0.0, -r, r})
        for (double dy : {0.0, -r, r})
            if (check({probe.at.x + dx, probe.at.y + dy}))
                return true;
    return false;
}

bool svgColorIs(const std::string& text, const gfx::Color& color) {
    double r, g, b;
    if (std::sscanf(text.c_str(), "rgb(%lf%%,%lf%%,%lf%%)", &r, &g, &b) != 3)
        return false;
    return std::fabs(r - color.red * 100) <= 1 && std::fabs(g - color.green * 100) <= 1 &&
           std::fabs(b - color.blue * 100) <= 1;
}

} // namespace

TEST(ScreenCharts, ShapesInTheVectorDrawing) {
    for (auto& c : buildAll()) {
        SCOPED_TRACE(c.name);
        auto rec = gfx::makeRecordingContext(gfx::Rect(0, 0, c.size.width, c.size.height));
        c.graph->layoutAndRenderInContext(*rec.context);
        ASSERT_FALSE(c.probes.empty());
        for (const auto& probe : c.probes)
            EXPECT_TRUE(anyAround(probe, [&](CGPoint at) { return covered(*rec.recorder, at, probe.color); }))
                << probe.what;
    }
}

TEST(ScreenCharts, SlantedLevelLabels) {
    auto c = levelBarChart();
    auto rec = gfx::makeRecordingContext(gfx::Rect(0, 0, c.size.width, c.size.height));
    c.graph->layoutAndRenderInContext(*rec.context);
    // Each level's name is drawn once, turned a thirtieth of a turn; the count's title stands upright.
    std::map<std::string, double> turns;
    std::function<void(const gfx::Recorder&)> walk = [&](const gfx::Recorder& recorder) {
        for (const auto& r : recorder.records()) {
            if (r.group)
                walk(*r.group);
            if (r.op != gfx::Recorder::Op::Text || !r.text)
                continue;
            for (const auto& line : r.text->lines())
                turns[line.text] = std::atan2(std::fabs(r.state.ctm.b), std::fabs(r.state.ctm.a));
        }
    };
    walk(*rec.recorder);
    for (const auto& level : kLevels) {
        ASSERT_TRUE(turns.count(level)) << level;
        EXPECT_NEAR(turns[level], std::numbers::pi / 15, 1e-6) << level;
    }
    EXPECT_NEAR(turns["Frequency"], std::numbers::pi / 2, 1e-6);
}

TEST(ScreenCharts, PNGAndPDFByContent) {
    ScreenScale scale(2);
    auto charts = buildAll();
    auto rendered = plotGallery::render("plot-screen-charts", pagesOf(charts));
    ASSERT_EQ(rendered.images.size(), charts.size());

    const auto info = renderChecks::pdfInfo(rendered.pdf);
    ASSERT_EQ(info.pages, int(charts.size()));
    EXPECT_TRUE(renderChecks::pdfImages(rendered.pdf).empty());
    const auto words = renderChecks::pdfWords(rendered.pdf);
    for (std::size_t i = 0; i < charts.size(); ++i) {
        const ScreenChart& c = charts[i];
        const int page = int(i) + 1;
        SCOPED_TRACE(c.name);
        const gfx::Image& image = rendered.images[i];
        for (const auto& probe : c.probes)
            EXPECT_TRUE(anyAround(probe, [&](CGPoint at) {
                return close(pixelAt(image, c.size.height, at), probe.color, probe.tolerance);
            }))
                << probe.what;
        EXPECT_TRUE(renderChecks::matchesGolden(image, "tests/fixtures/plot/axes_plots/" + c.name + ".png"));

        ASSERT_LT(i, info.pageSizes.size());
        EXPECT_NEAR(info.pageSizes[i].width, c.size.width, 0.5);
        EXPECT_NEAR(info.pageSizes[i].height, c.size.height, 0.5);
        for (const auto& word : c.words)
            EXPECT_TRUE(renderChecks::findWord(words, word, page)) << word;
        const auto paths = renderChecks::pdfSvgPaths(rendered.pdf, page);
        for (const auto& [color, least] : c.fills) {
            int n = 0;
            for (const auto& p : paths)
                n += !p.inDefs && svgColorIs(p.styleValue("fill"), color);
            EXPECT_GE(n, least) << "paths filled (" << color.red << ", " << color.green << ", " << color.blue
                                << ")";
        }
        // Rasterised, the page shows what the PNG shows.
        const std::string raster = renderChecks::scratchPath(c.name + "_page");
        auto run = renderChecks::runCommand(
            "pdftoppm -r 144 -png -singlefile -f " + std::to_string(page) + " -l " + std::to_string(page) +
            " " + renderChecks::shellQuoted(rendered.pdf) + " " + renderChecks::shellQuoted(raster));
        ASSERT_EQ(run.status, 0);
        auto rasterised = gfx::Image::loadPNG(raster + ".png");
        ASSERT_TRUE(rasterised.has_value());
        auto diff = renderChecks::compareImages(*rasterised, image, 60.0 / 255);
        EXPECT_LT(diff.share(), c.rasterShare) << diff.off << " of " << diff.total << " pixels differ";
    }
}

TEST(ScreenCharts, PiesAtPadAndPhoneSizesAndOddData) {
    ScreenScale scale(2);
    const std::string longTitle = "Share of respondents by their preferred means of daily commuting to work";
    std::vector<ScreenChart> charts;
    charts.push_back(pieChart({1024, 768}, kSlices, "screen-pie-pad", longTitle));
    charts.push_back(pieChart({375, 667}, kSlices, "screen-pie-phone", longTitle));
    charts.push_back(pieChart({375, 667}, {}, "screen-pie-empty"));
    charts.push_back(pieChart({375, 667}, {4}, "screen-pie-one-slice"));
    charts.push_back(pieChart({375, 667}, {0, 0, 0}, "screen-pie-zero-slices"));
    // A pad pie with a legend of its levels at the right.
    charts.push_back(
        pieChart({1024, 768}, {3, 5, 2, 7}, "screen-pie-pad-legend", std::string("Preferred transport")));
    {
        ScreenChart& c = charts.back();
        auto legend = CPTLegend::legendWithGraph(*c.graph);
        legend->setNumberOfColumns(1);
        legend->setTextStyle(textOf(14));
        legend->setSwatchCornerRadius(4);
        legend->setBorderLineStyle(lineOf(plotcharts::kAxisColor, 1));
        c.graph->setLegend(legend);
        c.graph->setLegendAnchor(CPTRectAnchorRight);
        c.graph->setLegendDisplacement({-40, 0});
        settle(*c.graph);
        for (const auto& entry : legend->legendEntries()) {
            auto g = legend->geometryOfEntry(*entry);
            ASSERT_TRUE(g);
            c.probes.push_back(
                {"swatch " + std::to_string(entry->index()),
                 legend->convertPointToLayer({g->swatch.midX(), g->swatch.midY()}, c.graph.get()),
                 CPTPieChart::defaultPieSliceColorForIndex(entry->index())->cgColor()});
        }
    }
    auto rendered = plotGallery::render("plot-screen-pies", pagesOf(charts));
    ASSERT_EQ(rendered.images.size(), charts.size());
    const auto words = renderChecks::pdfWords(rendered.pdf);
    for (std::size_t i = 0; i < charts.size(); ++i) {
        const ScreenChart& c = charts[i];
        SCOPED_TRACE(c.name);
        for (const auto& probe : c.probes)
            EXPECT_TRUE(
                near(pixelAt(rendered.images[i], c.size.height, probe.at), probe.color, probe.tolerance))
                << probe.what;
        for (const auto& word : c.words)
            EXPECT_TRUE(renderChecks::findWord(words, word, int(i) + 1)) << word;
        // Every word stays on the page.
        for (const auto& w : words)
            if (w.page == int(i) + 1) {
                EXPECT_GE(w.xMin, 0) << w.text;
                EXPECT_LE(w.xMax, c.size.width) << w.text;
            }
    }
    // No data, and data that sums to zero, draw no slice: the middle of the pie stays white.
    for (std::size_t i : {2u, 3u, 4u}) {
        const ScreenChart& c = charts[i];
        const gfx::Color middle =
            pixelAt(rendered.images[i], c.size.height, {c.size.width / 2 + 20, c.size.height / 2 + 20});
        EXPECT_EQ(close(middle, {1, 1, 1, 1}, 0.02), i != 3) << c.name;
    }
}

TEST(ScreenCharts, InAWindow) {
    ScreenScale scale(2);
    for (auto& c : buildAll()) {
        SCOPED_TRACE(c.name);
        host::HeadlessHost host{{c.size.width + 40, c.size.height + 40}};
        ui::Driver driver{host.window(), host};
        auto view = std::make_shared<CPTGraphHostingView>(ui::Rect{20, 20, c.size.width, c.size.height});
        host.window().addSubview(view);
        view->setHostedGraph(c.graph);
        const gfx::Image shot = driver.screenshot(2);
        for (const auto& probe : c.probes) {
            EXPECT_TRUE(anyAround(probe, [&](CGPoint at) {
                const gfx::Color pixel = shot.pixel(int(std::floor((20 + at.x) * 2)),
                                                    int(std::floor((20 + c.size.height - at.y) * 2)));
                return close(pixel, probe.color, probe.tolerance);
            })) << probe.what;
        }
    }
}

// The graph, plot space, axis, legend and style calls the screens make beyond drawing.
TEST(ScreenCharts, TheScreensCalls) {
    auto c = stackedPercentChart();
    CPTGraph& graph = *c.graph;
    auto space = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph.defaultPlotSpace());
    ASSERT_TRUE(space);
    EXPECT_EQ(graph.allPlots().size(), kAnswers.size());
    EXPECT_EQ(graph.plotAtIndex(1), graph.plotWithIdentifier(foundation::Value(int64_t(1))));
    EXPECT_EQ(space->scaleTypeForCoordinate(CPTCoordinateY), CPTScaleTypeLinear);
    EXPECT_NEAR(space->plotRangeForCoordinate(CPTCoordinateY)->lengthDouble(), 1.0, 1e-9);
    // Data points and view points map both ways.
    std::array<double, 2> point{2.5, 0.75};
    const CGPoint view = space->plotAreaViewPointForDoublePrecisionPlotPoint(std::span<const double>(point));
    const auto back = space->plotPointForPlotAreaViewPoint(view);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_NEAR(back[0].toDouble(), 2.5, 1e-9);
    EXPECT_NEAR(back[1].toDouble(), 0.75, 1e-9);
    // Fitting the space to the plots takes in every bar.
    space->scaleToFitPlots(graph.allPlots());
    EXPECT_LE(space->yRange()->minLimitDouble(), 0.0);
    EXPECT_GE(space->yRange()->maxLimitDouble(), 1.0 - 1e-9);
    auto grown = space->yRange()->mutableCopy();
    grown->expandRangeByFactor(foundation::Value(1.1));
    space->setYRange(grown);
    // Bands, caps and a reload draw without complaint.
    auto y = yAxisOf(graph);
    y->addBackgroundLimitBand(CPTLimitBand::limitBandWithRange(range(0.5, 0.25), fillOf({0.9, 0.9, 0.6, 1})));
    y->setAxisLineCapMax(CPTLineCap::openArrowPlotLineCap());
    graph.reloadData();
    settle(graph);
    // Removing a plot takes its legend entry with it.
    ASSERT_TRUE(graph.legend());
    EXPECT_EQ(graph.legend()->legendEntries().size(), kAnswers.size());
    graph.removePlotWithIdentifier(foundation::Value(int64_t(2)));
    EXPECT_EQ(graph.legend()->legendEntries().size(), kAnswers.size() - 1);
    graph.removePlot(graph.plotAtIndex(0));
    EXPECT_EQ(graph.legend()->allPlots().size(), 1u);
    settle(graph);
    EXPECT_EQ(graph.legend()->legendEntries().front()->title(), kAnswers[1]);
}
