// The Qt backends end to end: the golden style sheet as PNG, the same drawing as PDF pages checked
// with poppler's tools, text metrics across devices, PNG variants and shadows.
#include "StyleSheet.h"
#include "tests/RenderChecks.h"

#include "platform/foundation/VectorState.h"
#include "platform/graphics/Output.h"
#include "platform/graphics/qt/QtBackend.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

using namespace gfx;
using namespace renderChecks;
namespace fs = std::filesystem;

namespace {

fs::path scratch(const std::string& name) {
    return scratchPath(name);
}

Image renderSheet() {
    BitmapContext bitmap(int(styleSheet::kWidth), int(styleSheet::kHeight), 1, Color::white());
    styleSheet::draw(bitmap.context());
    return bitmap.image();
}

} // namespace

TEST(Output, FontsComeFromOurTable) {
    ASSERT_TRUE(fontsAvailable()) << "DejaVu Sans (fonts-dejavu-core, fonts-dejavu-extra) is needed";
    struct Case {
        const char* name;
        bool known, bold, italic;
    };
    for (Case c : std::vector<Case>{{"Helvetica", true, false, false},
                                    {"Helvetica-Bold", true, true, false},
                                    {"Helvetica-Oblique", true, false, true},
                                    {"Helvetica-BoldOblique", true, true, true},
                                    {"HelveticaNeue-BoldItalic", true, true, true},
                                    {"Arial-BoldMT", true, true, false},
                                    {"system font", true, false, false},
                                    {"NoSuchFont", false, false, false},
                                    {"Helvetica-Wobbly", false, false, false}}) {
        SCOPED_TRACE(c.name);
        auto font = Font::named(c.name, 12);
        ASSERT_EQ(font.has_value(), c.known);
        if (!font)
            continue;
        EXPECT_EQ(font->isBold(), c.bold);
        EXPECT_EQ(font->isItalic(), c.italic);
        EXPECT_EQ(font->name(), c.name);
    }
    EXPECT_FALSE(Font::named("Helvetica", 0));
    EXPECT_EQ(Font::named("Helvetica-Bold", 9)->familyName(), "Helvetica");
}

TEST(Output, FontMetricsAreThoseOfDejaVuSansAtSeventyTwoDpi) {
    // DejaVu Sans: 2048 units per em, ascender 1901, descender -483 (its hhea table).
    FontMetrics m = Font::named("Helvetica", 12)->metrics();
    EXPECT_NEAR(m.ascent, 1901.0 / 2048 * 12, 0.05);
    EXPECT_NEAR(m.descent, 483.0 / 2048 * 12, 0.05);
    FontMetrics big = Font::named("Helvetica", 24)->metrics();
    EXPECT_NEAR(big.ascent, 2 * m.ascent, 0.1);
    // Measuring without a context: the platform's rounding up of the laid-out size.
    TextStyle style;
    style.font = *Font::named("Helvetica", 12);
    Size one = measureText("Measured", style);
    Size exact = TextLayout::plain("Measured", style).size();
    EXPECT_EQ(one.width, std::ceil(exact.width));
    EXPECT_EQ(one.height, std::ceil(exact.height));
    EXPECT_NEAR(exact.width, style.font.widthOf("Measured"), 1e-9);
    EXPECT_NEAR(exact.height, m.lineHeight, 0.5);
}

TEST(Output, TextMetricsAgreeBetweenImagePdfAndMeasuring) {
    TextStyle style;
    style.font = *Font::named("Helvetica", 20);
    const std::string word = "Wallaby";
    double width = TextLayout::plain(word, style).size().width;
    // The bitmap: ink of the word spans its measured advance (less the side bearings).
    BitmapContext bitmap(300, 60, 1, Color::white());
    bitmap.context().drawText(word, Rect(10, 10, 280, 40), style);
    Image img = bitmap.image();
    int minX = 300, maxX = -1;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 300; ++x)
            if (img.pixel(x, y).red < 0.5) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    ASSERT_GE(maxX, minX);
    EXPECT_NEAR(maxX + 1 - minX, width, 3);
    // The PDF: the word's box as poppler reads it has the measured width and lies where it was drawn.
    fs::path pdf = scratch("metrics.pdf");
    {
        auto ctx = makePDFContext(pdf.string(), Rect(0, 0, 300, 60));
        ctx->beginPage(Rect(0, 0, 300, 60));
        ctx->drawText(word, Rect(10, 10, 280, 40), style);
        ctx->endPage();
        ASSERT_TRUE(ctx->finish());
    }
    auto words = pdfWords(pdf.string());
    const PdfWord* found = findWord(words, word);
    ASSERT_NE(found, nullptr) << words.size() << " words";
    EXPECT_NEAR(found->xMax - found->xMin, width, 0.5);
    EXPECT_NEAR(found->xMin, 10, 0.5);
}

TEST(Output, StyleSheetMatchesTheGolden) {
    EXPECT_TRUE(matchesGolden(renderSheet(), "tests/fixtures/graphics/style-sheet.png"));
}

TEST(Output, GoldenComparisonAllowsOnlyAFewPixelsOff) {
    if (updatingGoldens())
        GTEST_SKIP() << "compares, so not while goldens are being written";
    // A 100 x 100 golden; up to 50 pixels (0.5 %) may be off by more than 40/255.
    std::vector<uint8_t> white(100 * 100 * 4, 255);
    std::string golden = scratch("tolerance.png").string();
    ASSERT_TRUE(Image::fromRGBA(100, 100, white).writePNG(golden));
    auto withOff = [&](int pixels, uint8_t value) {
        std::vector<uint8_t> rgba = white;
        for (int i = 0; i < pixels; ++i)
            rgba[size_t(i) * 4] = value;
        return Image::fromRGBA(100, 100, rgba);
    };
    EXPECT_TRUE(matchesGolden(withOff(10000, 255 - 40), golden)); // slightly off everywhere
    EXPECT_TRUE(matchesGolden(withOff(50, 0), golden));
    fs::remove(scratch("tolerance.actual.png"));
    auto failed = matchesGolden(withOff(51, 0), golden);
    EXPECT_FALSE(failed);
    EXPECT_NE(std::string(failed.message()).find("51 of 10000"), std::string::npos) << failed.message();
    EXPECT_TRUE(fs::exists(scratch("tolerance.actual.png")));
    EXPECT_TRUE(fs::exists(scratch("tolerance.diff.png")));
    // Another size is off wherever the two do not overlap.
    EXPECT_FALSE(matchesGolden(Image::fromRGBA(100, 99, std::vector<uint8_t>(100 * 99 * 4, 255)), golden));
    EXPECT_FALSE(matchesGolden(withOff(0, 0), scratch("no-such-golden.png").string()));
}

TEST(Output, StyleSheetAndChartAsTwoPdfPagesOfDifferentSizes) {
    fs::path pdf = scratch("sheet.pdf");
    auto data = std::make_shared<std::vector<uint8_t>>();
    {
        auto ctx = makePDFDataContext(data, Rect(0, 0, 612, 792));
        ctx->beginPage(Rect(0, 0, styleSheet::kWidth, styleSheet::kHeight));
        styleSheet::draw(*ctx);
        ctx->endPage();
        ctx->beginPage(Rect(0, 0, 400, 300));
        styleSheet::drawChart(*ctx, {400, 300});
        ctx->endPage();
        ASSERT_TRUE(ctx->finish());
    }
    ASSERT_GT(data->size(), 1000u);
    std::ofstream(pdf, std::ios::binary)
        .write(reinterpret_cast<const char*>(data->data()), std::streamsize(data->size()));
    PdfInfo info = pdfInfo(pdf.string());
    EXPECT_EQ(info.pages, 2);
    EXPECT_EQ(info.pageSizes, (std::vector<Size>{{600, 800}, {400, 300}}));
    std::string page1 = pdfText(pdf.string(), 1, 1);
    // (poppler leaves out text set at a slant, so the rotated line is checked in the golden image only)
    for (const char* text : {"Dashes, caps, joins", "The quick brown fox jumps", "Centred oblique",
                             "Summary of the results", "Variable", "171.3", "70.05", "highlighted"})
        EXPECT_NE(page1.find(text), std::string::npos) << text << "\n" << page1;
    std::string page2 = pdfText(pdf.string(), 2, 2);
    EXPECT_NE(page2.find("Chart title"), std::string::npos) << page2;
    EXPECT_EQ(page2.find("Summary"), std::string::npos);
}

TEST(Output, ChartPageWithoutShadowsHasNoRasterImage) {
    fs::path pdf = scratch("chart.pdf");
    {
        auto ctx = makePDFContext(pdf.string(), Rect(0, 0, 400, 300));
        styleSheet::drawChart(*ctx, {400, 300}); // opens the default page by itself
        ASSERT_TRUE(ctx->finish());
    }
    EXPECT_TRUE(pdfImages(pdf.string()).empty());
    // Its shapes are vector paths on the page (not glyph outlines in the definitions).
    auto paths = pdfSvgPaths(pdf.string());
    EXPECT_TRUE(std::any_of(paths.begin(), paths.end(), [](const SvgPath& p) {
        return !p.inDefs && !p.d().empty() && p.styleValue("stroke") != "" && p.styleValue("stroke") != "none";
    }));
    // A shadow puts exactly its own raster into the page; the shape stays vector.
    fs::path shadowed = scratch("shadowed.pdf");
    {
        auto ctx = makePDFContext(shadowed.string(), Rect(0, 0, 200, 200));
        ctx->setShadow({3, 3}, 4, Color{0, 0, 0, 0.5});
        ctx->fillRect(Rect(20, 20, 50, 50));
        ASSERT_TRUE(ctx->finish());
    }
    auto withShadow = pdfImages(shadowed.string());
    EXPECT_TRUE(std::any_of(withShadow.begin(), withShadow.end(),
                            [](const PdfImage& i) { return i.type == "smask"; }));
}

TEST(Output, ShadowedGroupInPdfKeepsItsContentAsVectorAndText) {
    fs::path pdf = scratch("group.pdf");
    {
        auto ctx = makePDFContext(pdf.string(), Rect(0, 0, 300, 200));
        ctx->setShadow({4, 4}, 6, Color{0, 0, 0, 0.5});
        ctx->beginTransparencyLayer();
        ctx->fillRect(Rect(20, 20, 100, 40));
        TextStyle style;
        style.color = Color::white();
        ctx->drawText("Grouped label", Rect(25, 25, 90, 20), style);
        ctx->endTransparencyLayer();
        ASSERT_TRUE(ctx->finish());
    }
    EXPECT_NE(pdfText(pdf.string()).find("Grouped label"), std::string::npos);
    // One raster (the shadow) with its soft mask.
    auto images = pdfImages(pdf.string());
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].type, "image");
    EXPECT_EQ(images[1].type, "smask");
}

TEST(Output, PrinterPagesToAFile) {
    fs::path out = scratch("printed.pdf");
    fs::remove(out);
    {
        PrinterOptions options;
        options.outputFile = out.string();
        auto ctx = makePrinterContext(options, Rect(0, 0, 595, 842));
        ctx->beginPage(Rect(0, 0, 595, 842));
        TextStyle style;
        ctx->drawText("Printed report", Rect(72, 72, 300, 20), style);
        ctx->endPage();
        ctx->beginPage(Rect(0, 0, 842, 595));
        ctx->fillRect(Rect(10, 10, 10, 10));
        ctx->endPage();
        ASSERT_TRUE(ctx->finish());
    }
    EXPECT_EQ(pdfInfo(out.string()).pageSizes, (std::vector<Size>{{595, 842}, {842, 595}}));
    EXPECT_NE(pdfText(out.string()).find("Printed report"), std::string::npos);
}

TEST(Output, ZeroSizePageBecomesOnePoint) {
    fs::path pdf = scratch("zero.pdf");
    {
        auto ctx = makePDFContext(pdf.string(), Rect(0, 0, 100, 100));
        ctx->beginPage(Rect(0, 0, 0, 0));
        ctx->fillRect(Rect(0, 0, 1, 1));
        ctx->endPage();
        ASSERT_TRUE(ctx->finish());
    }
    EXPECT_EQ(pdfInfo(pdf.string()).pageSizes, (std::vector<Size>{{1, 1}}));
    // An empty default box is the platform's Letter page.
    auto ctx = makePDFContext(pdf.string(), Rect());
    EXPECT_EQ(ctx->deviceBounds(), Rect(0, 0, 612, 792));
    ctx->fillRect(Rect(0, 0, 1, 1));
    ASSERT_TRUE(ctx->finish());
    EXPECT_EQ(pdfInfo(pdf.string()).pageSizes, (std::vector<Size>{{612, 792}}));
}

TEST(Output, UnwritablePdfPathReportsFailure) {
    auto ctx = makePDFContext("/nonexistent-folder/report.pdf", Rect());
    ctx->fillRect(Rect(0, 0, 10, 10));
    ctx->drawText("still usable", Rect(0, 0, 100, 20), TextStyle{});
    EXPECT_FALSE(ctx->finish());
    EXPECT_FALSE(fs::exists("/nonexistent-folder/report.pdf"));
}

TEST(Output, ShadingsStopAtTheirEndsUnlessExtended) {
    Gradient g({{0, {1, 0, 0, 1}}, {1, {0, 0, 1, 1}}});
    BitmapContext bitmap(200, 200);
    Context& ctx = bitmap.context();
    ctx.drawRadialGradient(g, {100, 100}, 20, {100, 100}, 80, 0);
    ctx.clipToRect(Rect(0, 185, 200, 10));
    ctx.drawLinearGradient(g, {50, 190}, {150, 190}, GradientDrawsAfterEnd);
    Image img = bitmap.image();
    EXPECT_EQ(img.pixel(100, 100).alpha, 0);  // inside the start circle
    EXPECT_GT(img.pixel(122, 100).red, 0.9);  // just past the start circle
    EXPECT_GT(img.pixel(178, 100).blue, 0.9); // near the end circle
    EXPECT_EQ(img.pixel(100, 10).alpha, 0);   // outside the end circle
    EXPECT_EQ(img.pixel(40, 190).alpha, 0);   // before the axial start
    EXPECT_GT(img.pixel(180, 190).blue, 0.9); // extended after its end
    // A negative start radius: the ramp starts where the radius is 0 (here at the centre).
    BitmapContext second(200, 200);
    second.context().drawRadialGradient(g, {100, 100}, -80, {100, 100}, 80, 0);
    Image img2 = second.image();
    EXPECT_GT(img2.pixel(100, 100).red, 0.45);
    EXPECT_GT(img2.pixel(100, 100).blue, 0.45);
}

// A picture taken (as of a whole window) holds what image() would, at the bitmap's scale; image() keeps
// its own pixels while the bitmap is drawn on.
TEST(Output, ATakenPictureHoldsWhatWasDrawn) {
    auto bitmap = BitmapContext::pointsContext({50, 40}, 2, Color::white());
    bitmap->context().setFillColor({1, 0, 0, 1});
    bitmap->context().fillRect(Rect(10, 10, 20, 10));
    const Image before = bitmap->image();
    bitmap->context().setFillColor({0, 0, 1, 1});
    bitmap->context().fillRect(Rect(0, 30, 50, 10));
    const Image copied = bitmap->image();
    const Image taken = bitmap->takeImage();
    bitmap.reset();
    EXPECT_EQ(taken.pixelWidth(), 100);
    EXPECT_EQ(taken.pixelHeight(), 80);
    EXPECT_EQ(taken.scale(), 2);
    for (int y = 0; y < 80; y += 3)
        for (int x = 0; x < 100; x += 3)
            ASSERT_EQ(taken.pixel(x, y), copied.pixel(x, y)) << x << ", " << y;
    EXPECT_GT(taken.pixel(40, 70).blue, 0.9);
    EXPECT_GT(taken.pixel(40, 30).red, 0.9);
    EXPECT_GT(before.pixel(40, 70).red, 0.9) << "the earlier copy is not drawn on";
}

TEST(Output, PngVariantForTheDeviceScale) {
    fs::path base = scratch("icon.png"), twice = scratch("icon@2x.png");
    ASSERT_TRUE(Image::blank(4, 4).writePNG(base.string()));
    ASSERT_TRUE(Image::blank(8, 8).writePNG(twice.string()));
    auto one = Image::loadPNG(base.string(), 1);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->pixelWidth(), 4);
    EXPECT_EQ(one->scale(), 1);
    auto two = Image::loadPNG(base.string(), 2);
    ASSERT_TRUE(two);
    EXPECT_EQ(two->pixelWidth(), 8);
    EXPECT_EQ(two->scale(), 2);
    EXPECT_EQ(two->size(), (Size{4, 4}));
    // No @3x file: the plain file at scale 1.
    auto three = Image::loadPNG(base.string(), 3);
    ASSERT_TRUE(three);
    EXPECT_EQ(three->scale(), 1);
    EXPECT_FALSE(Image::loadPNG(scratch("missing.png").string(), 2));
    std::ofstream(scratch("broken.png")) << "not a png";
    EXPECT_FALSE(Image::loadPNG(scratch("broken.png").string()));
}

TEST(Output, ImagesDrawTopRowAtTheTopAndShadowsIgnoreTheTransform) {
    BitmapContext bitmap(100, 100, 1, Color::black());
    Context& ctx = bitmap.context();
    ctx.drawImage(Rect(0, 0, 32, 16), styleSheet::swatch()); // 2x stretch; top row white
    // A shadow offset is in device space: scaling the transform does not scale it.
    ctx.scaleCTM(2, 2);
    ctx.setShadow({10, 0}, 0, Color{0, 1, 0, 1});
    ctx.setFillColor({1, 0, 0, 1});
    ctx.fillRect(Rect(10, 20, 10, 10)); // device 20..40 x 40..60; shadow 30..50
    Image img = bitmap.image();
    EXPECT_GT(img.pixel(16, 0).green, 0.9);
    EXPECT_LT(img.pixel(16, 10).green, 0.5);
    EXPECT_GT(img.pixel(25, 50).red, 0.9);   // the shape over its shadow
    EXPECT_GT(img.pixel(45, 50).green, 0.9); // the shadow beyond the shape
    EXPECT_LT(img.pixel(55, 50).green, 0.1);
    // Cutting takes pixels, not points.
    Image part = styleSheet::swatch().cropped(Rect(2, 1, 4, 100));
    EXPECT_EQ(part.pixelWidth(), 4);
    EXPECT_EQ(part.pixelHeight(), 7);
    EXPECT_TRUE(styleSheet::swatch().cropped(Rect(50, 50, 4, 4)).isNull());
}

TEST(Output, PainterContextDrawsIntoAHostsPainter) {
    // The window's backing store hands its painter over; text keeps its point size there too.
    QImage surface(120, 40, QImage::Format_ARGB32_Premultiplied);
    surface.fill(Qt::white);
    QPainter painter(&surface);
    auto ctx = qt::makePainterContext(&painter, Rect(0, 0, 120, 40), 1);
    ctx->setFillColor({0, 0, 1, 1});
    ctx->fillRect(Rect(0, 0, 10, 10));
    TextStyle style;
    style.font = *Font::named("Helvetica", 20);
    ctx->drawText("Wallaby", Rect(10, 10, 110, 30), style);
    ctx.reset();
    painter.end();
    EXPECT_EQ(QColor(surface.pixel(5, 5)), QColor(Qt::blue));
    int minX = 120, maxX = -1;
    for (int y = 10; y < 40; ++y)
        for (int x = 10; x < 120; ++x)
            if (qRed(surface.pixel(x, y)) < 128) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    EXPECT_NEAR(maxX + 1 - minX, TextLayout::plain("Wallaby", style).size().width, 3);
}

TEST(Output, TakenImageIsTheDrawingAndTheBitmapDrawsNoMore) {
    BitmapContext bitmap(int(styleSheet::kWidth), int(styleSheet::kHeight), 2, Color::white());
    styleSheet::draw(bitmap.context());
    const Image copy = bitmap.image();
    const Image taken = bitmap.takeImage();
    ASSERT_FALSE(taken.isNull());
    EXPECT_EQ(taken.scale(), 2);
    EXPECT_EQ(taken.pngData(), copy.pngData());
    // Drawing after the handover goes nowhere: the taken pixels stay as they were.
    bitmap.context().setFillColor({1, 0, 0, 1});
    bitmap.context().fillRect(Rect(0, 0, styleSheet::kWidth, styleSheet::kHeight));
    EXPECT_EQ(taken.pngData(), copy.pngData());
    EXPECT_TRUE(bitmap.image().isNull());
    EXPECT_TRUE(bitmap.takeImage().isNull());
}

// Qt's raster code leaves the upper halves of the 256-bit vector registers in use; on some processors
// every plain floating-point instruction after it then runs many times slower. Each drawing operation
// hands back with them clear.
TEST(Output, DrawingHandsBackWithTheVectorRegistersUpperHalvesClear) {
    if (!foundation::canReadUpperVectorState())
        GTEST_SKIP() << "the processor does not tell whether the registers' upper halves are in use";
    BitmapContext bitmap(400, 300, 1, Color::white());
    EXPECT_FALSE(foundation::upperVectorStateInUse()) << "after the bitmap's fill";
    Context& ctx = bitmap.context();
    const TextLayout text = TextLayout::plain("Sample 1 and Sample 2", {Font::system(14), Color::black()}, {});
    struct Case {
        const char* name;
        std::function<void()> draw;
    };
    const std::vector<Case> cases{
        {"fill", [&] { ctx.setFillColor({0.2, 0.4, 0.8, 1});
                    ctx.fillRect(Rect(10, 10, 300, 200)); }},
        {"stroke",
         [&] {
             ctx.setStrokeColor({0, 0, 0, 1});
             ctx.setLineWidth(1.5);
             ctx.strokeRect(Rect(20, 20, 250, 150));
         }},
        {"text", [&] { ctx.drawTextLayout(text, {30, 40}); }},
        {"image", [&] { ctx.drawImage(Rect(40, 60, 64, 32), styleSheet::swatch()); }},
        {"style sheet", [&] { styleSheet::draw(ctx); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.draw();
        EXPECT_FALSE(foundation::upperVectorStateInUse());
    }
}
