// The plot style sheet: one page with every fill kind, linear and hue gradients, dashed, filled and
// gradient strokes, a nine-part image, a shadowed box and texts in every alignment and two truncations,
// drawn upward as charts draw. It is the first page of the plot gallery; the PNG is checked by its
// colours at known points and against a golden, the PDF by its texts, vector paths and images.
#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/foundation/CPTTextStyle.h"

#include "../../PlotGallery.h"
#include "../../RenderChecks.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr double kWidth = 600, kHeight = 700, kScale = 2;

// Rectangles in the page's upward space (origin at the bottom-left).
const CGRect kRed(20, 560, 80, 80);
const CGRect kBlue(110, 560, 80, 80);
const CGRect kLinear(200, 560, 180, 80);
const CGRect kChromatic(390, 560, 190, 80);
const CGRect kRadial(20, 440, 120, 80);
const CGRect kAqua(150, 440, 80, 80);
const CGRect kTiles(240, 440, 140, 80);
const CGRect kSpectrum(390, 440, 190, 80);
const double kDashY = 405, kGradientY = 375;
const CGRect kFilledStroke(20, 335, 260, 50);
const CGRect kNinePart(20, 200, 200, 100);
const CGRect kShadowed(260, 210, 120, 80);

const char* const kAlignmentTexts[] = {"Left aligned", "Centred", "Right aligned", "Justified text",
                                       "Natural alignment"};
const char* const kTruncatedTexts[] = {"Truncated at the tail of a long line of text",
                                       "Cut in the middle of a long line of text"};

std::shared_ptr<CPTGradient> linearGradient() {
    return CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor());
}

std::shared_ptr<CPTGradient> strokeGradient() {
    // Dark at the edges (position 0), light along the centre line (position 1).
    return CPTGradient::gradientWithBeginningColor(*CPTColor::colorWithComponentRed(0.05, 0.1, 0.35, 1),
                                                   *CPTColor::colorWithComponentRed(0.75, 0.9, 1, 1));
}

// 24 x 24 pixels at scale 2: corners of 8 pixels (4 points), the top-left one magenta and the others
// red, green border strips and a blue centre.
gfx::Image ninePartBitmap() {
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) {
            const bool edgeX = x < 8 || x >= 16, edgeY = y < 8 || y >= 16;
            if (edgeX && edgeY)
                rgba.insert(rgba.end(), {255, 0, std::uint8_t(x < 8 && y < 8 ? 255 : 0), 255});
            else if (edgeX || edgeY)
                rgba.insert(rgba.end(), {0, 160, 0, 255});
            else
                rgba.insert(rgba.end(), {0, 0, 255, 255});
        }
    return gfx::Image::fromRGBA(24, 24, rgba, 2);
}

gfx::Image checker() {
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool dark = (x < 8) != (y < 8);
            rgba.insert(rgba.end(), {std::uint8_t(dark ? 60 : 240), std::uint8_t(dark ? 90 : 200), 40, 255});
        }
    return gfx::Image::fromRGBA(16, 16, rgba, 2);
}

// Text is laid out downward: flip within its rectangle so that it reads upright on the upward page.
void text(gfx::Context& ctx, const std::string& s, CGRect rect, const CPTTextStyle& style) {
    ctx.saveGState();
    ctx.translateCTM(0, 2 * rect.origin.y + rect.size.height);
    ctx.scaleCTM(1, -1);
    drawInRect(s, rect, &style, ctx);
    ctx.restoreGState();
}

void caption(gfx::Context& ctx, const std::string& s, double x, double y) {
    auto style = CPTMutableTextStyle::textStyle();
    style->setFontName("Helvetica-Bold");
    style->setFontSize(10);
    style->setColor(CPTColor::darkGrayColor());
    text(ctx, s, CGRect(x, y, 280, 14), *style);
}

void drawStyleSheet(gfx::Context& ctx) {
    ctx.translateCTM(0, kHeight);
    ctx.scaleCTM(1, -1);

    auto title = CPTMutableTextStyle::textStyle();
    title->setFontName("Helvetica-Bold");
    title->setFontSize(18);
    text(ctx, "Plot styles", CGRect(20, 665, 400, 24), *title);

    caption(ctx, "Colour, linear and hue gradient fills", 20, 643);
    CPTFill::fillWithColor(CPTColor::redColor())->fillRect(kRed, ctx);
    CPTFill::fillWithColor(CPTColor::blueColor())->fillRect(kBlue, ctx);
    CPTFill::fillWithGradient(linearGradient())->fillRect(kLinear, ctx);
    CPTFill::fillWithGradient(linearGradient()->gradientWithBlendingMode(CPTChromaticBlendingMode))
        ->fillRect(kChromatic, ctx);

    caption(ctx, "Radial, hard-edged, image and spectrum fills", 20, 523);
    auto radial = CPTGradient::rainbowGradient();
    radial->setGradientType(CPTGradientTypeRadial);
    ctx.addEllipseInRect(kRadial);
    CPTFill::fillWithGradient(radial)->fillPathInContext(ctx);
    auto aqua = CPTGradient::aquaSelectedGradient();
    aqua->setAngle(90);
    CPTFill::fillWithGradient(aqua)->fillRect(kAqua, ctx);
    auto tiles = CPTImage::imageWithCGImage(checker(), 2);
    tiles->setTiled(true);
    tiles->setTileAnchoredToContext(false);
    CPTContextAddRoundedRect(ctx, kTiles, 12);
    CPTFill::fillWithImage(tiles)->fillPathInContext(ctx);
    CPTFill::fillWithGradient(CPTGradient::hydrogenSpectrumGradient())->fillRect(kSpectrum, ctx);

    caption(ctx, "Dashed, filled and gradient strokes", 20, 423);
    auto dashed = CPTMutableLineStyle::lineStyle();
    dashed->setLineWidth(3);
    dashed->setDashPattern({12, 6});
    dashed->setLineCap(1);
    dashed->setLineColor(CPTColor::colorWithComponentRed(0, 0.45, 0.2, 1));
    dashed->setLineStyleInContext(ctx);
    ctx.moveToPoint(20, kDashY);
    ctx.addLineToPoint(280, kDashY);
    dashed->strokePathInContext(ctx);

    auto filled = CPTMutableLineStyle::lineStyle();
    filled->setLineWidth(10);
    filled->setLineJoin(1);
    filled->setLineFill(CPTFill::fillWithGradient(CPTGradient::sourceListSelectedGradient()));
    filled->setLineStyleInContext(ctx);
    filled->strokeRect(kFilledStroke.insetBy(5, 5), ctx);

    auto gradientLine = CPTMutableLineStyle::lineStyle();
    gradientLine->setLineWidth(16);
    gradientLine->setLineCap(1);
    gradientLine->setLineJoin(1);
    gradientLine->setLineGradient(strokeGradient());
    gradientLine->setLineStyleInContext(ctx);
    ctx.moveToPoint(310, kGradientY);
    ctx.addLineToPoint(450, kGradientY);
    ctx.addLineToPoint(500, 340);
    ctx.addLineToPoint(570, 400);
    gradientLine->strokePathInContext(ctx);

    caption(ctx, "Nine-part image and a shadow", 20, 313);
    auto ninePart = CPTImage::imageWithCGImage(ninePartBitmap(), 2);
    ninePart->setEdgeInsets({4, 4, 4, 4});
    ninePart->drawInRect(kNinePart, ctx);
    ctx.saveGState();
    auto shadow = CPTMutableShadow::shadow();
    shadow->setShadowOffset({5, 5});
    shadow->setShadowBlurRadius(4);
    shadow->setShadowColor(CPTColor::colorWithComponentRed(0, 0, 0, 0.6));
    shadow->setShadowInContext(ctx);
    CPTFill::fillWithColor(CPTColor::orangeColor())->fillRect(kShadowed, ctx);
    ctx.restoreGState();

    caption(ctx, "Alignments and truncation", 20, 173);
    auto frame = CPTMutableLineStyle::lineStyle();
    frame->setLineWidth(0.5);
    frame->setLineColor(CPTColor::lightGrayColor());
    auto body = CPTMutableTextStyle::textStyle();
    body->setFontSize(12);
    const gfx::TextAlignment alignments[] = {gfx::TextAlignment::Left, gfx::TextAlignment::Center,
                                             gfx::TextAlignment::Right, gfx::TextAlignment::Justified,
                                             gfx::TextAlignment::Natural};
    for (int i = 0; i < 5; ++i) {
        const CGRect box(20, 150 - 24 * i, 260, 18);
        frame->setLineStyleInContext(ctx);
        frame->strokeRect(box, ctx);
        body->setTextAlignment(alignments[i]);
        text(ctx, kAlignmentTexts[i], box, *body);
    }
    body->setTextAlignment(gfx::TextAlignment::Left);
    const gfx::LineBreakMode truncations[] = {gfx::LineBreakMode::TruncateTail, gfx::LineBreakMode::TruncateMiddle};
    for (int i = 0; i < 2; ++i) {
        const CGRect box(310, 150 - 24 * i, 170, 18);
        frame->setLineStyleInContext(ctx);
        frame->strokeRect(box, ctx);
        body->setLineBreakMode(truncations[i]);
        text(ctx, kTruncatedTexts[i], box, *body);
    }
}

const plotGallery::Rendered& rendered() {
    static const plotGallery::Rendered pages =
        plotGallery::render("plot-foundation", {{"style-sheet", {kWidth, kHeight}, drawStyleSheet}});
    return pages;
}

// The pixel at a point of the upward page.
gfx::Color at(const gfx::Image& image, double x, double y) {
    return image.pixel(static_cast<int>(std::floor(x * kScale)), static_cast<int>(std::floor((kHeight - y) * kScale)));
}

void expectNear(const gfx::Color& actual, const gfx::Color& expected, double tolerance) {
    EXPECT_NEAR(actual.red, expected.red, tolerance);
    EXPECT_NEAR(actual.green, expected.green, tolerance);
    EXPECT_NEAR(actual.blue, expected.blue, tolerance);
}

double darkness(const gfx::Color& c) {
    return 3 - c.red - c.green - c.blue;
}

} // namespace

TEST(PlotStyleSheet, PixelsShowEachStyle) {
    const gfx::Image& page = rendered().images.at(0);
    ASSERT_EQ(page.pixelWidth(), kWidth * kScale);
    ASSERT_EQ(page.pixelHeight(), kHeight * kScale);
    EXPECT_EQ(at(page, kRed.midX(), kRed.midY()), (gfx::Color{1, 0, 0, 1}));
    EXPECT_EQ(at(page, kBlue.midX(), kBlue.midY()), (gfx::Color{0, 0, 1, 1}));

    // The linear swatch at 0, 0.5 and 1 of its length, at pixel centres, against the evaluation.
    const auto linear = linearGradient();
    for (int px : {400, 579, 759}) {
        SCOPED_TRACE(px);
        const double x = (px + 0.5) / kScale;
        const double t = (x - kLinear.minX()) / kLinear.width();
        expectNear(page.pixel(px, 2 * 100), linear->newColorAtPosition(t), 2.0 / 255);
    }
    // Through hue, red to blue is green halfway.
    expectNear(at(page, kChromatic.midX(), kChromatic.midY()), {0, 1, 0, 1}, 3.0 / 255);
    // The aqua gradient runs upward with its hard edge halfway.
    expectNear(at(page, kAqua.midX(), kAqua.midY() - 1), {0.42, 0.68, 0.90, 1}, 4.0 / 255);
    expectNear(at(page, kAqua.midX(), kAqua.midY() + 1), {0.64, 0.80, 0.94, 1}, 4.0 / 255);

    // The gradient stroke is darker at its edge than along its centre line.
    const gfx::Color centre = at(page, 380, kGradientY);
    const gfx::Color edge = at(page, 380, kGradientY + 7.5);
    EXPECT_GT(darkness(edge), darkness(centre) + 0.5);

    // Stretched to 200 x 100 points, the nine-part image keeps 4-point corners: the top-left corner is
    // magenta up to 4 points in, then the green strips begin; the centre is blue.
    const double left = kNinePart.minX(), top = kNinePart.maxY();
    expectNear(at(page, left + 2, top - 2), {1, 0, 1, 1}, 2.0 / 255);
    expectNear(at(page, left + 3.75, top - 3.75), {1, 0, 1, 1}, 2.0 / 255);
    expectNear(at(page, left + 4.25, top - 2), {0, 160.0 / 255, 0, 1}, 2.0 / 255);
    expectNear(at(page, left + 2, top - 4.25), {0, 160.0 / 255, 0, 1}, 2.0 / 255);
    expectNear(at(page, kNinePart.maxX() - 2, kNinePart.minY() + 2), {1, 0, 0, 1}, 2.0 / 255);
    expectNear(at(page, kNinePart.midX(), kNinePart.midY()), {0, 0, 1, 1}, 2.0 / 255);

    // The shadow falls right and down of the box.
    EXPECT_GT(darkness(at(page, kShadowed.maxX() + 3, kShadowed.minY() + 20)), 0.3);
    EXPECT_LT(darkness(at(page, kShadowed.minX() - 3, kShadowed.maxY() - 20)), 0.05);

    EXPECT_TRUE(renderChecks::matchesGolden(page, "tests/fixtures/plot/style-sheet.png"));
}

TEST(PlotStyleSheet, PdfKeepsTextVectorsAndImages) {
    const std::string& pdf = rendered().pdf;
    const auto info = renderChecks::pdfInfo(pdf);
    ASSERT_TRUE(info.readable);
    EXPECT_EQ(info.pageSizes, (std::vector<gfx::Size>{{kWidth, kHeight}}));

    std::string text = renderChecks::pdfText(pdf);
    // The font joins "fi" and "fl" into one glyph, which poppler reports as a ligature character.
    for (const auto& [ligature, letters] : {std::pair<std::string, std::string>{"\uFB01", "fi"}, {"\uFB02", "fl"}})
        for (std::size_t at; (at = text.find(ligature)) != std::string::npos;)
            text.replace(at, ligature.size(), letters);
    for (const char* expected : {"Plot styles", "Colour, linear and hue gradient fills", "Nine-part image and a shadow",
                                 "Left aligned", "Centred", "Right aligned", "Justified text", "Natural alignment",
                                 "Truncated at the", "of text"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    // Truncated lines end (or are cut) with an ellipsis and never show their whole text.
    EXPECT_EQ(text.find(kTruncatedTexts[0]), std::string::npos);
    EXPECT_EQ(text.find(kTruncatedTexts[1]), std::string::npos);
    EXPECT_NE(text.find("\u2026"), std::string::npos);

    // The swatches and strokes are vector paths on the page: the red and blue squares, the dashed line.
    const auto paths = renderChecks::pdfSvgPaths(pdf);
    auto drawn = [&](const std::string& key, const std::string& value) {
        return std::count_if(paths.begin(), paths.end(), [&](const renderChecks::SvgPath& p) {
            return !p.inDefs && p.styleValue(key) == value;
        });
    };
    EXPECT_GE(drawn("fill", "rgb(100%,0%,0%)"), 1);
    EXPECT_GE(drawn("fill", "rgb(0%,0%,100%)"), 1);
    EXPECT_TRUE(std::any_of(paths.begin(), paths.end(), [](const renderChecks::SvgPath& p) {
        return !p.inDefs && !p.styleValue("stroke-dasharray").empty() && p.styleValue("stroke-dasharray") != "none";
    }));
    // The gradient stroke: one path per narrower stroke.
    EXPECT_GE(std::count_if(paths.begin(), paths.end(),
                            [](const renderChecks::SvgPath& p) { return !p.inDefs && p.styleValue("stroke-width") == "16"; }),
              1);

    // The tiled image fills its path with a pattern of the tile.
    EXPECT_TRUE(std::any_of(paths.begin(), paths.end(), [](const renderChecks::SvgPath& p) {
        return !p.inDefs && p.styleValue("fill").rfind("url(#pattern", 0) == 0;
    }));

    // Rasters only where the page draws images: the nine parts (8 x 8 pixels each) and the shadow (an
    // image with its soft mask). Gradients stay shadings.
    const auto images = renderChecks::pdfImages(pdf);
    int slices = 0, masks = 0, others = 0;
    for (const auto& image : images) {
        if (image.type == "smask")
            ++masks;
        else if (image.width == 8 && image.height == 8)
            ++slices;
        else
            ++others;
    }
    EXPECT_EQ(slices, 9);
    EXPECT_EQ(masks, 1);
    EXPECT_EQ(others, 1); // the shadow's raster
}
