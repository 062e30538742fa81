// The two-way table's PDF report read back with poppler's tools: the grid's cells at the page
// layout's metrics with 10-point type, counts too wide for a cell printed whole, a turned header's
// colour beyond its unturned frame, the chart only with row or column percentages, vector only.
#include "plot/graph/CPTLegend.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "tests/RenderChecks.h"
#include "tests/analysis/ReportReading.h"
#include "tests/analysis/TwoWayFixture.h"

#include <cmath>
#include <filesystem>
#include <iostream>
#include <numbers>

using namespace twoWayTest;

namespace {

gfx::Image rasterize(const std::string& pdf, const std::string& name) {
    const std::string prefix = renderChecks::scratchPath(name);
    renderChecks::runCommand("pdftoppm -png -singlefile -r 72 -f 1 -l 1 " + renderChecks::shellQuoted(pdf) + " " +
                             renderChecks::shellQuoted(prefix));
    std::filesystem::copy_file(pdf, prefix + ".pdf", std::filesystem::copy_options::overwrite_existing);
    std::cout << "report page: " << prefix << ".png and .pdf\n";
    auto image = gfx::Image::loadPNG(prefix + ".png");
    return image ? *image : gfx::Image();
}

bool near(const gfx::Color& a, const gfx::Color& b) {
    const double tolerance = 6.0 / 255;
    return std::fabs(a.red - b.red) <= tolerance && std::fabs(a.green - b.green) <= tolerance &&
           std::fabs(a.blue - b.blue) <= tolerance;
}

} // namespace

TEST_F(TwoWayTest, ReportGridAtThePageMetrics) {
    open(kSmokers);
    for (const Idiom& idiom : kIdioms) {
        SCOPED_TRACE(idiom.name);
        show(idiom);
        const std::string pdf = exportPDF(std::string("report-") + idiom.name + ".pdf");
        auto output = std::dynamic_pointer_cast<TwoWayTabController>(screen->makeOutputController());
        ASSERT_NE(output, nullptr);
        EXPECT_NE(dynamic_cast<TwoWayTabController_PDF*>(output.get()), nullptr);
        EXPECT_FALSE(output->viewTable().isHidden()) << "the report draws the grid, never the compact rows";
        const ui::Rect grid = output->viewTable().convertRectToView(output->viewTable().bounds(), &output->view());
        const auto words = renderChecks::pdfWords(pdf);
        // Rows M, F, Total; columns no, yes, Total; each count in its 30 x 25 cell from 72 down.
        const std::vector<std::vector<std::string>> counts = {{"1", "2", "3"}, {"2", "0", "2"}, {"3", "2", "5"}};
        for (size_t i = 0; i < 3; ++i)
            for (size_t j = 0; j < 3; ++j) {
                const ui::Rect cell{grid.origin.x + 100 + 30 * double(j), grid.origin.y + 72 + 25 * double(i), 30, 25};
                const auto found = std::find_if(words.begin(), words.end(), [&](const renderChecks::PdfWord& w) {
                    return w.text == counts[i][j] && w.xMin >= cell.minX() - 0.5 && w.xMax <= cell.maxX() + 0.5 &&
                           w.yMin >= cell.minY() - 0.5 && w.yMax <= cell.minY() + 12.5 + 0.5;
                });
                ASSERT_NE(found, words.end()) << i << ", " << j;
                // 10-point type: pdftotext's box is the font's ascent to descent.
                EXPECT_NEAR(found->yMax - found->yMin, 10 * 1.16, 1.5) << i << ", " << j;
            }
        EXPECT_TRUE(reportReading::oneLetterPageOfVectors(pdf));
        for (const std::string expected : {"Chi-squared = 2.222", "p = 0.136", "Phi = -0.6667",
                                           "Two way table of frequencies for sex and smoker"})
            EXPECT_NE(renderChecks::pdfText(pdf).find(expected), std::string::npos) << expected;
    }

    // A turned header's colour lies beyond its unturned frame: the right variable's name, turned upward
    // about its middle, reaches above the place its frame had.
    const std::string pdf = exportPDF("report-turned.pdf");
    auto output = std::dynamic_pointer_cast<TwoWayTabController>(screen->makeOutputController());
    const ui::Rect grid = output->viewTable().convertRectToView(output->viewTable().bounds(), &output->view());
    const gfx::Image page = rasterize(pdf, "two-way-report-turned");
    ASSERT_EQ(page.pixelWidth(), 612);
    // The frame: x from 100 - 24 = 76, y from 72 - 50 = 22, 100 x 22; its centre turned by 45 degrees puts
    // the name's far end above and right of the frame's top right corner.
    const double cx = grid.origin.x + 76 + 50, cy = grid.origin.y + 22 + 11;
    const gfx::Point beyond{cx + 35 * std::cos(std::numbers::pi / 4), cy - 35 * std::sin(std::numbers::pi / 4) - 2};
    EXPECT_LT(beyond.y, grid.origin.y + 22) << "the probe lies outside the unturned frame";
    EXPECT_TRUE(near(page.pixel(int(beyond.x), int(beyond.y)), {1.0, 0.8, 0.4, 1}))
        << "at " << beyond.x << ", " << beyond.y;
}

TEST_F(TwoWayTest, ReportChartOnlyWithRowOrColumnPercentages) {
    struct Case {
        int64_t mode, display;
        bool chart;
    };
    const Case cases[] = {{1, 1, true}, {2, 1, true}, {0, 1, false}, {0, 0, false}};
    open(kSmokers);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode * 10 + c.display);
        analysis->setTwoWayPercAgg(c.mode);
        analysis->setTwoWayPercDisplay(c.display);
        model().saveContext();
        show();
        const std::string pdf = exportPDF();
        const std::string text = renderChecks::pdfText(pdf);
        rasterize(pdf, "two-way-report-" + std::to_string(c.mode) + std::to_string(c.display));
        EXPECT_EQ(text.find("Stacked Bar Plot") != std::string::npos, c.chart);
        EXPECT_EQ(text.find("Percent") != std::string::npos, c.chart);
        EXPECT_EQ(text.find("33%") != std::string::npos, c.mode != 0) << text;
    }
}

// On the report page the legend stands beside the bars, clear of them, and the chart keeps its height
// where the page has room: a grid of five levels by five has its chart of five series whole on the page,
// and one of ten by ten a shorter chart of ten series, on the page too.
TEST_F(TwoWayTest, ReportLegendBesideTheBarsChartOnThePage) {
    struct Case {
        int levels;
        bool fullHeight;
    };
    for (const Case c : {Case{5, true}, Case{10, false}}) {
        SCOPED_TRACE(c.levels);
        std::vector<std::string> a, b;
        for (int i = 0; i < c.levels * c.levels * 4; ++i) {
            a.push_back("answer " + std::to_string(i % c.levels));
            b.push_back("region " + std::to_string((i / c.levels) % c.levels));
        }
        open({{"a", a}, {"b", b}}, "a", "b");
        analysis->setTwoWayPercAgg(2);
        analysis->setTwoWayPercDisplay(1);
        model().saveContext();
        show();
        auto output = std::dynamic_pointer_cast<TwoWayTabController>(screen->makeOutputController());
        ASSERT_NE(output, nullptr);
        CPTXYGraph& graph = output->graph();
        ASSERT_EQ(graph.allPlots().size(), size_t(c.levels));
        const ui::Rect chart = output->viewGraph().convertRectToView(output->viewGraph().bounds(), &output->view());
        EXPECT_LE(chart.maxY(), 792);
        EXPECT_EQ(chart.height() == 260, c.fullHeight) << chart.height();
        // The legend's box lies right of the plot area, within the chart.
        ASSERT_TRUE(graph.legend());
        const gfx::Size legend = graph.legend()->bounds().size;
        const double plotRight = chart.width() - graph.plotAreaFrame()->paddingRight();
        EXPECT_GE(graph.plotAreaFrame()->paddingRight(), legend.width + 10);
        EXPECT_GE(graph.legendDisplacement().x, plotRight);
        EXPECT_LE(20 + legend.height, chart.height());
        const std::string pdf = exportPDF("report-series-" + std::to_string(c.levels) + ".pdf");
        rasterize(pdf, "two-way-report-series-" + std::to_string(c.levels));
        EXPECT_EQ(renderChecks::pdfInfo(pdf).pages, 1);
        const std::string text = renderChecks::pdfText(pdf);
        for (const std::string& word :
             std::vector<std::string>{"Stacked Bar Plot", "answer " + std::to_string(c.levels - 1), "Percent"})
            EXPECT_NE(text.find(word), std::string::npos) << word;
    }
}

TEST_F(TwoWayTest, ReportCountsWiderThanACellPrintWhole) {
    // 100,000 rows of one pair: a six-digit count in a 30-point cell.
    open({{"a", std::vector<std::string>(100000, "x")}, {"b", std::vector<std::string>(100000, "p")}}, "a", "b");
    show();
    const std::string pdf = exportPDF();
    const auto words = renderChecks::pdfWords(pdf);
    int whole = 0;
    for (const auto& w : words) {
        if (w.text == "100000") {
            ++whole;
            EXPECT_LE(w.xMax - w.xMin, 30.5);
        }
        EXPECT_EQ(w.text.find("…"), std::string::npos) << w.text;
    }
    EXPECT_EQ(whole, 4) << "the cell, both totals and the grand total";
}
