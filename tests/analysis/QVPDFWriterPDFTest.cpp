// Report PDFs as a reader sees them, through poppler's tools: pages and their size, searchable text
// where the layout put it, colours, charts as vectors, the sideways table as the screen shows it,
// the printer's pages, and exports that fail without leaving a file.
#include "analysis/QVPDFWriter.h"
#include "tests/analysis/ReportViews.h"
#include "tests/plot/hosting/XYChart.h"

#include "controls/HorizontalTableView.h"
#include "platform/graphics/Output.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/TextView.h"
#include "plot/hosting/CPTGraphHostingView.h"
#include "tests/RenderChecks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace {

using gfx::Rect;
using reportViews::label;
using reportViews::Rows;

const gfx::Color kProbeColor{0.2, 0.6, 0.9, 1};

// One page of a PDF as an image at `scale` pixels per point (through pdftoppm).
gfx::Image rasterize(const std::string& pdf, int page, double scale = 1) {
    std::string prefix = renderChecks::scratchPath("page-" + std::to_string(page));
    std::string p = std::to_string(page);
    renderChecks::runCommand("pdftoppm -png -singlefile -r " + std::to_string(int(72 * scale)) + " -f " + p +
                             " -l " + p + " " + renderChecks::shellQuoted(pdf) + " " +
                             renderChecks::shellQuoted(prefix));
    auto image = gfx::Image::loadPNG(prefix + ".png");
    return image ? *image : gfx::Image();
}

// The words of each page, as sets.
std::vector<std::set<std::string>> wordsByPage(const std::string& pdf, int pages) {
    std::vector<std::set<std::string>> out(static_cast<size_t>(pages));
    for (const auto& w : renderChecks::pdfWords(pdf))
        if (w.page >= 1 && w.page <= pages)
            out[size_t(w.page - 1)].insert(w.text);
    return out;
}

bool isNear(const gfx::Color& a, const gfx::Color& b, double tolerance = 0.05) {
    return std::fabs(a.red - b.red) <= tolerance && std::fabs(a.green - b.green) <= tolerance &&
           std::fabs(a.blue - b.blue) <= tolerance;
}

// The report page of the tests below: a 60-row table of 15-point rows at (40, 100), then (drawn
// before it) a label below it in the tree, a coloured probe label and a text view with coloured runs.
struct Report {
    std::shared_ptr<ui::View> root = ui::View::make(Rect{0, 0, 612, 792});
    Rows rows{"R", {60}, 15};
    Report() {
        root->addSubview(reportViews::table({40, 100, 200, 900}, rows));
        root->addSubview(label("Below", {300, 50, 100, 20}));
        root->addSubview(label("Probe", {300, 100, 100, 30}, kProbeColor));
        auto text = std::make_shared<ui::TextView>(Rect{300, 150, 250, 40});
        gfx::RichText rich;
        gfx::TextAttributes red;
        red.color = {0.9, 0, 0, 1};
        red.size = 24;
        rich.append("Mean", red);
        gfx::TextAttributes plain;
        plain.size = 24;
        rich.append(" 5", plain);
        text->setAttributedText(rich);
        root->addSubview(text);
    }
};

} // namespace

TEST(QVPDFWriterPDF, ALongTableRunsOnToASecondPage) {
    Report report;
    std::string pdf = renderChecks::scratchPath("report.pdf");
    ASSERT_TRUE(QVPDFWriter().pdfOfView(*report.root, pdf));

    auto info = renderChecks::pdfInfo(pdf);
    ASSERT_TRUE(info.readable);
    EXPECT_EQ(info.fields["Pages"], "2");
    ASSERT_EQ(info.pageSizes.size(), 2u);
    for (const auto& size : info.pageSizes)
        EXPECT_EQ(size, (gfx::Size{612, 792}));

    auto pages = wordsByPage(pdf, 2);
    for (int r = 1; r <= 60; ++r) {
        SCOPED_TRACE(r);
        const std::string word = "R" + std::to_string(r);
        EXPECT_EQ(pages[r <= 44 ? 0 : 1].count(word), 1u);
        EXPECT_EQ(pages[r <= 44 ? 1 : 0].count(word), 0u);
    }
    auto words = renderChecks::pdfWords(pdf);
    const auto* continued = renderChecks::findWord(words, "R45");
    ASSERT_NE(continued, nullptr);
    EXPECT_EQ(continued->page, 2);
    EXPECT_GE(continued->yMin, 20);
    EXPECT_LE(continued->yMax, 35);
    EXPECT_GE(continued->xMin, 40);
    // Views beside the table are drawn before it, on the first page.
    for (const char* word : {"Below", "Probe", "Mean", "5"})
        EXPECT_EQ(pages[0].count(word), 1u) << word;

    // The label's background inside its frame, away from its text; the red run of the text view.
    gfx::Image page = rasterize(pdf, 1);
    ASSERT_EQ(page.pixelWidth(), 612);
    EXPECT_TRUE(isNear(page.pixel(395, 126), kProbeColor)) << page.pixel(395, 126).red;
    EXPECT_TRUE(isNear(page.pixel(395, 96), gfx::Color::white()));
    const auto* mean = renderChecks::findWord(words, "Mean");
    ASSERT_NE(mean, nullptr);
    int reddish = 0;
    for (int y = int(mean->yMin); y < int(mean->yMax); ++y)
        for (int x = int(mean->xMin); x < int(mean->xMax); ++x) {
            gfx::Color c = page.pixel(x, y);
            reddish += c.red > 0.6 && c.green < 0.4 && c.blue < 0.4;
        }
    EXPECT_GT(reddish, 20);
}

TEST(QVPDFWriterPDF, AChartIsDrawnAsVectorsAndText) {
    auto root = ui::View::make(Rect{0, 0, 612, 792});
    auto host = std::make_shared<CPTGraphHostingView>(Rect{50, 60, xychart::kWidth, xychart::kHeight});
    host->setHostedGraph(xychart::make());
    root->addSubview(host);
    std::string pdf = renderChecks::scratchPath("chart.pdf");
    ASSERT_TRUE(QVPDFWriter().pdfOfView(*root, pdf));
    EXPECT_EQ(renderChecks::pdfImages(pdf).size(), 0u);
    EXPECT_NE(renderChecks::pdfText(pdf).find("Squares"), std::string::npos);
    // The first data point's square, red, where the plot space puts it on the page (y flipped).
    gfx::Image page = rasterize(pdf, 1);
    CGPoint p = xychart::graphPointOf(xychart::kPoints[0]);
    int x = int(50 + p.x), y = int(60 + xychart::kHeight - p.y);
    EXPECT_TRUE(isNear(page.pixel(x, y), xychart::kSquareColor, 0.1));
}

TEST(QVPDFWriterPDF, TheSidewaysTableLooksAsOnTheScreen) {
    host::HeadlessHost host{{612, 200}};
    ui::Driver driver{host.window(), host};
    host.window().setBackgroundColor(gfx::Color::white());
    struct Columns : ui::TableViewDelegate, HorizontalTableViewDelgate {
        void layoutCell(ui::TableViewCell& cell, ui::TableView&) override {
            auto l = std::make_shared<ui::Label>(Rect{5, 10, 80, 20});
            l->setTag(7);
            l->setTextAlignment(gfx::TextAlignment::Center);
            l->setFont(gfx::Font::system(14));
            l->setBackgroundColor(gfx::Color{0.85, 0.9, 1, 1});
            cell.contentView().addSubview(l);
        }
        void configureCell(ui::TableViewCell& cell, const foundation::Value& item, ui::TableView&) override {
            static_cast<ui::Label*>(cell.contentView().viewWithTag(7))->setText(item.string());
        }
    } owner;
    auto strip = std::make_shared<HorizontalTableView>(Rect{6, 50, 600, 100});
    strip->labelRowHeader().setText("Mean");
    strip->labelRowHeader().setFont(gfx::Font::system(14));
    strip->horizontalTable().setRowHeight(120);
    strip->horizontalTable().setTableDelegate(&owner);
    strip->setContentArray(
        {foundation::Value("12.5"), foundation::Value("Thirteen"), foundation::Value("14")});
    host.window().addSubview(strip);
    host.drain();

    gfx::Image screen = driver.screenshot(2);
    std::string pdf = renderChecks::scratchPath("sideways.pdf");
    ASSERT_TRUE(QVPDFWriter().pdfOfView(host.window(), pdf));
    gfx::Image page = rasterize(pdf, 1, 2).cropped(Rect(0, 0, screen.pixelWidth(), screen.pixelHeight()));
    auto diff = renderChecks::compareImages(page, screen);
    EXPECT_LE(diff.share(), 0.005) << diff.off << " pixels differ; see "
                                   << (page.writePNG(renderChecks::scratchPath("sideways-pdf.png")),
                                       renderChecks::scratchPath("sideways-pdf.png"));
    EXPECT_EQ(renderChecks::pdfWords(pdf).size(), 4u);
}

TEST(QVPDFWriterPDF, PrintingDrawsTheSamePagesFittedToThePaper) {
    Report report;
    std::string file = renderChecks::scratchPath("file.pdf"),
                printed = renderChecks::scratchPath("printed.pdf");
    ASSERT_TRUE(QVPDFWriter().pdfOfView(*report.root, file));
    gfx::PrinterOptions options;
    options.outputFile = printed;
    {
        auto printer = gfx::makePrinterContext(options, Rect(0, 0, 595, 842));
        QVPDFWriter().drawPages(*report.root, *printer, {595, 842});
        ASSERT_TRUE(printer->finish());
    }
    auto info = renderChecks::pdfInfo(printed);
    ASSERT_EQ(info.pageSizes.size(), 2u);
    for (const auto& size : info.pageSizes)
        EXPECT_EQ(size, (gfx::Size{595, 842}));
    EXPECT_EQ(wordsByPage(printed, 2), wordsByPage(file, 2));
    // Scaled by 595/612 and centred vertically (36 points above and below).
    auto printedWords = renderChecks::pdfWords(printed); // kept: the found word points into it
    const auto* continued = renderChecks::findWord(printedWords, "R45");
    ASSERT_NE(continued, nullptr);
    EXPECT_GE(continued->yMin, 36 + 20 * 595.0 / 612 - 0.5);
    EXPECT_LE(continued->yMax, 36 + 35 * 595.0 / 612 + 0.5);
}

TEST(QVPDFWriterPDF, AFailedExportLeavesNoFile) {
    Report report;
    // A folder that is a regular file: not even root writes under it.
    std::string notAFolder = renderChecks::scratchPath("plain-file");
    std::ofstream(notAFolder) << "x";
    std::string inside = notAFolder + "/export.pdf";
    EXPECT_FALSE(QVPDFWriter().pdfOfView(*report.root, inside));
    EXPECT_FALSE(std::filesystem::exists(inside));

    // A folder where the file should be is left as it is.
    std::string folder = renderChecks::scratchPath("a-folder");
    std::filesystem::create_directories(folder);
    EXPECT_FALSE(QVPDFWriter().pdfOfView(*report.root, folder));
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    // An earlier file at the path is replaced.
    std::string earlier = renderChecks::scratchPath("export.pdf");
    std::ofstream(earlier) << std::string(100000, 'x');
    ASSERT_TRUE(QVPDFWriter().pdfOfView(*report.root, earlier));
    std::ifstream in(earlier, std::ios::binary);
    std::string head(5, '\0');
    in.read(head.data(), 5);
    EXPECT_EQ(head, "%PDF-");
    EXPECT_EQ(renderChecks::pdfInfo(earlier).pages, 2);
}

TEST(QVPDFWriterPDF, AnEmptyPageAndAFiveThousandRowTable) {
    auto empty = ui::View::make(Rect{0, 0, 612, 792});
    std::string blank = renderChecks::scratchPath("blank.pdf");
    ASSERT_TRUE(QVPDFWriter().pdfOfView(*empty, blank));
    EXPECT_EQ(renderChecks::pdfInfo(blank).pages, 1);

    // 44 rows on the first page, then 50 on each page from 20 points down: 1 + ceil(4956 / 50) pages,
    // the last one holding rows 4995 to 5000.
    auto root = ui::View::make(Rect{0, 0, 612, 792});
    Rows rows{"R", {5000}, 15};
    root->addSubview(reportViews::table({40, 100, 200, 600}, rows));
    std::string pdf = renderChecks::scratchPath("long.pdf");
    ASSERT_TRUE(QVPDFWriter().pdfOfView(*root, pdf));
    EXPECT_EQ(renderChecks::pdfInfo(pdf).pages, 101);
    auto last = wordsByPage(pdf, 101).back();
    EXPECT_EQ(last.count("R5000"), 1u);
    EXPECT_EQ(last.count("R4995"), 1u);
    EXPECT_EQ(last.size(), 6u);
}
