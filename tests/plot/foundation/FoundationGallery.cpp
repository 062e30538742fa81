// Drawing of the plotting foundation's gallery pages.
#include "FoundationGallery.h"

#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/foundation/CPTTextStyle.h"

#include <cmath>

namespace foundationGallery {

namespace {

// Text is laid out downward: flip within its rectangle so that it reads upright on an upward page.
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
    text(ctx, s, CGRect(x, y, 500, 14), *style);
}

void title(gfx::Context& ctx, const std::string& s, double y) {
    auto style = CPTMutableTextStyle::textStyle();
    style->setFontName("Helvetica-Bold");
    style->setFontSize(18);
    text(ctx, s, CGRect(20, y, 500, 24), *style);
}

} // namespace

namespace styleSheet {

std::shared_ptr<CPTGradient> linearGradient() {
    return CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor());
}

namespace {
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

} // namespace

void draw(gfx::Context& ctx) {
    ctx.translateCTM(0, kHeight);
    ctx.scaleCTM(1, -1);

    title(ctx, "Plot styles", 665);

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

} // namespace styleSheet

namespace capsAndSymbols {

namespace {

// A house: its box's centre lies inside it.
gfx::Path house() {
    gfx::Path path;
    path.addLines({{0, 0}, {10, 0}, {10, 6}, {5, 10}, {0, 6}});
    path.closeSubpath();
    return path;
}

std::shared_ptr<CPTLineCap> capOfType(int type) {
    auto cap = type == CPTLineCapTypeCustom ? CPTLineCap::customLineCapWithPath(house()) : std::make_shared<CPTLineCap>();
    cap->setLineCapType(static_cast<CPTLineCapType>(type));
    cap->setSize({kCapSize, kCapSize});
    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineColor(CPTColor::colorWithCGColor(kLineColor));
    cap->setLineStyle(style);
    cap->setFill(CPTFill::fillWithColor(CPTColor::colorWithCGColor(kCapFill)));
    return cap;
}

std::shared_ptr<CPTPlotSymbol> symbolOfType(int type, double size) {
    auto symbol = type == CPTPlotSymbolTypeCustom ? CPTPlotSymbol::customPlotSymbolWithPath(house())
                                                  : std::make_shared<CPTPlotSymbol>();
    symbol->setSymbolType(static_cast<CPTPlotSymbolType>(type));
    symbol->setSize({size, size});
    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineColor(CPTColor::colorWithCGColor(kLineColor));
    symbol->setLineStyle(style);
    symbol->setFill(CPTFill::fillWithColor(CPTColor::colorWithCGColor(kSymbolFill)));
    return symbol;
}

} // namespace

CGPoint capCell(int type, int direction) {
    const int group = (type - 1) / 6, row = (type - 1) % 6;
    return {20 + 290.0 * group + 35 + 70.0 * direction, 470 - 46.0 * row};
}

CGPoint symbolCell(int type, int row) {
    const double rows[4] = {185, 155, 118, 70};
    return {40 + 45.0 * (type - 1), rows[row]};
}

void draw(gfx::Context& ctx) {
    // Cached drawings are made for the device's scale: 2 for the PNG, 1 for the PDF.
    const double scale = ctx.deviceScale();
    ctx.translateCTM(0, kHeight);
    ctx.scaleCTM(1, -1);
    title(ctx, "Line caps and plot symbols", 525);

    caption(ctx, "Every cap at both ends of a line, in four directions", 20, 500);
    auto line = CPTMutableLineStyle::lineStyle();
    line->setLineWidth(2);
    line->setLineColor(CPTColor::colorWithCGColor(kLineColor));
    for (int type = 1; type <= 12; ++type) {
        const auto cap = capOfType(type);
        for (int d = 0; d < 4; ++d) {
            const CGPoint c = capCell(type, d), dir = kDirections[d];
            const CGPoint start{c.x - dir.x * kHalfLine, c.y - dir.y * kHalfLine};
            const CGPoint end{c.x + dir.x * kHalfLine, c.y + dir.y * kHalfLine};
            line->setLineStyleInContext(ctx);
            ctx.moveToPoint(start.x, start.y);
            ctx.addLineToPoint(end.x, end.y);
            line->strokePathInContext(ctx);
            cap->renderAsVectorInContext(ctx, end, dir);
            cap->renderAsVectorInContext(ctx, start, {-dir.x, -dir.y});
        }
    }

    caption(ctx, "Every symbol in three sizes, then with a shadow", 20, 205);
    auto shadow = CPTMutableShadow::shadow();
    shadow->setShadowColor(CPTColor::colorWithComponentRed(0, 0, 0, 0.5));
    shadow->setShadowOffset({2, 2});
    shadow->setShadowBlurRadius(2);
    for (int type = 1; type <= 12; ++type) {
        for (int row = 0; row < 3; ++row)
            symbolOfType(type, kSymbolSizes[row])->renderInContext(ctx, symbolCell(type, row), scale, true);
        auto shadowed = symbolOfType(type, kShadowedSize);
        shadowed->setShadow(shadow);
        shadowed->renderInContext(ctx, symbolCell(type, 3), scale, true);
    }
}

} // namespace capsAndSymbols

const plotGallery::Rendered& rendered() {
    static const plotGallery::Rendered pages = plotGallery::render(
        "plot-foundation", {{"style-sheet", {styleSheet::kWidth, styleSheet::kHeight}, styleSheet::draw},
                            {"caps-and-symbols", {capsAndSymbols::kWidth, capsAndSymbols::kHeight}, capsAndSymbols::draw}});
    return pages;
}

gfx::Color at(const gfx::Image& page, double pageHeight, double x, double y) {
    return page.pixel(static_cast<int>(std::floor(x * kScale)), static_cast<int>(std::floor((pageHeight - y) * kScale)));
}

} // namespace foundationGallery
