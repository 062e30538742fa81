// The style-sheet drawing used by the golden image and PDF tests.
#include "StyleSheet.h"

#include <cmath>
#include <numbers>

using namespace gfx;

namespace styleSheet {

Image swatch() {
    const int w = 16, h = 8;
    std::vector<uint8_t> rgba;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (y == 0) {
                rgba.insert(rgba.end(), {255, 255, 255, 255});
                continue;
            }
            rgba.insert(rgba.end(), {uint8_t(255 - x * 16), 40, uint8_t(x * 16), 255});
        }
    return Image::fromRGBA(w, h, rgba);
}

namespace {

void label(Context& ctx, const char* text, double x, double y) {
    TextStyle style;
    style.font = *Font::named("Helvetica-Bold", 10);
    ctx.drawText(text, Rect(x, y, 200, 14), style);
}

Color hsv(double h, double s, double v) {
    double c = v * s, hp = std::fmod(h, 360) / 60, x = c * (1 - std::fabs(std::fmod(hp, 2) - 1));
    double r = 0, g = 0, b = 0;
    if (hp < 1)
        r = c, g = x;
    else if (hp < 2)
        r = x, g = c;
    else if (hp < 3)
        g = c, b = x;
    else if (hp < 4)
        g = x, b = c;
    else if (hp < 5)
        r = x, b = c;
    else
        r = c, b = x;
    return {r + v - c, g + v - c, b + v - c, 1};
}

} // namespace

void draw(Context& ctx, bool withShadows) {
    ctx.setFillColor(Color::white());
    ctx.fillRect(Rect(0, 0, kWidth, kHeight));

    // Fills: rect, ellipse, rounded rect, an even-odd star and a winding one.
    label(ctx, "Fills", 10, 5);
    ctx.setFillColor({0.85, 0.2, 0.2, 1});
    ctx.fillRect(Rect(10, 20, 60, 40));
    ctx.setFillColor({0.2, 0.6, 0.2, 1});
    ctx.fillEllipseInRect(Rect(80, 20, 60, 40));
    ctx.setFillColor({0.2, 0.3, 0.8, 0.7});
    ctx.addRoundedRect(Rect(150, 20, 60, 40), 10, 10);
    ctx.fillPath();
    for (int k = 0; k < 2; ++k) {
        double cx = 250 + k * 60, cy = 40, r = 20;
        for (int i = 0; i < 5; ++i) {
            double a = -std::numbers::pi / 2 + i * 4 * std::numbers::pi / 5;
            if (i == 0)
                ctx.moveToPoint(cx + r * std::cos(a), cy + r * std::sin(a));
            else
                ctx.addLineToPoint(cx + r * std::cos(a), cy + r * std::sin(a));
        }
        ctx.closePath();
        ctx.setFillColor({0.6, 0.2, 0.6, 1});
        ctx.fillPath(k == 0 ? FillRule::EvenOdd : FillRule::Winding);
    }

    // Dashes, caps and joins.
    label(ctx, "Dashes, caps, joins", 10, 70);
    ctx.setStrokeColor(Color::black());
    ctx.setLineWidth(3);
    std::vector<std::vector<double>> dashes = {{}, {6, 3}, {1, 2, 3}, {10, 4, 2, 4}};
    for (size_t i = 0; i < dashes.size(); ++i) {
        ctx.setLineDash(0, dashes[i]);
        ctx.strokeLineSegments({{10, 90 + i * 10.0}, {200, 90 + i * 10.0}});
    }
    ctx.setLineDash(0, {});
    ctx.setLineWidth(10);
    LineCap caps[] = {LineCap::Butt, LineCap::Round, LineCap::Square};
    for (int i = 0; i < 3; ++i) {
        ctx.setLineCap(caps[i]);
        ctx.strokeLineSegments({{230, 90 + i * 15.0}, {300, 90 + i * 15.0}});
    }
    ctx.setLineCap(LineCap::Butt);
    LineJoin joins[] = {LineJoin::Miter, LineJoin::Round, LineJoin::Bevel};
    for (int i = 0; i < 3; ++i) {
        ctx.setLineJoin(joins[i]);
        double x = 330 + i * 80;
        ctx.moveToPoint(x, 130);
        ctx.addLineToPoint(x + 30, 90);
        ctx.addLineToPoint(x + 60, 130);
        ctx.strokePath();
    }
    ctx.setLineJoin(LineJoin::Miter);
    ctx.setLineWidth(1);

    // Gradients: axial, radial between circles, a hue blend sampled from a function.
    label(ctx, "Gradients", 10, 145);
    Gradient ramp({{0, {1, 0.8, 0, 1}}, {0.5, {0.9, 0.1, 0.1, 1}}, {1, {0.1, 0.1, 0.6, 1}}});
    ctx.saveGState();
    ctx.clipToRect(Rect(10, 160, 150, 60));
    ctx.drawLinearGradient(ramp, {10, 160}, {160, 220}, GradientDrawsBeforeStart | GradientDrawsAfterEnd);
    ctx.restoreGState();
    ctx.saveGState();
    ctx.clipToRect(Rect(170, 160, 100, 60));
    ctx.drawRadialGradient(ramp, {200, 180}, 5, {220, 190}, 40, GradientDrawsAfterEnd);
    ctx.restoreGState();
    Gradient hue([](double t) { return hsv(360 * t * 0.8, 1, 1); });
    ctx.saveGState();
    ctx.clipToRect(Rect(280, 160, 200, 60));
    ctx.drawLinearGradient(hue, {280, 0}, {480, 0}, 0);
    ctx.restoreGState();

    // Images: stretched, tiled, cut.
    label(ctx, "Images", 10, 230);
    Image img = swatch();
    ctx.drawImage(Rect(10, 245, 96, 48), img);
    ctx.saveGState();
    ctx.clipToRect(Rect(120, 245, 100, 48));
    ctx.drawTiledImage(Rect(120, 245, 32, 16), img);
    ctx.restoreGState();
    ctx.drawImage(Rect(230, 245, 48, 48), img.cropped(Rect(0, 0, 8, 8)));

    // Shadows: a shape and a group.
    if (withShadows) {
        label(ctx, "Shadows", 300, 230);
        ctx.saveGState();
        ctx.setShadow({4, 4}, 6, Color{0, 0, 0, 0.6});
        ctx.setFillColor({0.95, 0.7, 0.1, 1});
        ctx.fillRect(Rect(300, 250, 60, 40));
        ctx.beginTransparencyLayer();
        ctx.setFillColor({0.1, 0.5, 0.9, 1});
        ctx.fillEllipseInRect(Rect(380, 245, 50, 50));
        ctx.fillEllipseInRect(Rect(410, 245, 50, 50));
        ctx.endTransparencyLayer();
        ctx.restoreGState();
        ctx.saveGState();
        ctx.setAlpha(0.5);
        ctx.beginTransparencyLayer();
        ctx.setFillColor({0.8, 0, 0, 1});
        ctx.fillRect(Rect(480, 250, 40, 40));
        ctx.fillRect(Rect(500, 260, 40, 40));
        ctx.endTransparencyLayer();
        ctx.restoreGState();
    }

    // Text: wrapped, truncated (tail, middle, head), rotated.
    label(ctx, "Text", 10, 310);
    TextStyle body;
    body.font = *Font::named("Helvetica", 12);
    const char* words =
        "The quick brown fox jumps over the lazy dog; pack my box with five dozen liquor jugs.";
    ctx.setStrokeColor({0.7, 0.7, 0.7, 1});
    ctx.strokeRect(Rect(10, 325, 180, 60));
    ctx.drawText(words, Rect(10, 325, 180, 60), body);
    TextStyle trunc = body;
    trunc.lineBreak = LineBreakMode::TruncateTail;
    ctx.drawText(words, Rect(200, 325, 180, 16), trunc);
    trunc.lineBreak = LineBreakMode::TruncateMiddle;
    ctx.drawText(words, Rect(200, 345, 180, 16), trunc);
    trunc.lineBreak = LineBreakMode::TruncateHead;
    trunc.alignment = TextAlignment::Right;
    ctx.drawText(words, Rect(200, 365, 180, 16), trunc);
    TextStyle tight = body;
    ctx.drawText(words, Rect(400, 325, 180, 30), tight); // two lines, the second truncated
    ctx.saveGState();
    ctx.translateCTM(520, 460);
    ctx.rotateCTM(-std::numbers::pi / 4);
    TextStyle rotated;
    rotated.font = *Font::named("Helvetica-BoldOblique", 16);
    rotated.color = Color{0.1, 0.3, 0.7, 1};
    ctx.drawText("Rotated text", Rect(-50, -10, 140, 20), rotated);
    ctx.restoreGState();
    TextStyle centred = body;
    centred.alignment = TextAlignment::Center;
    centred.font = *Font::named("Helvetica-Oblique", 14);
    ctx.drawText("Centred oblique", Rect(10, 395, 380, 20), centred);

    // Rich text with a table block.
    label(ctx, "Rich text", 10, 420);
    RichText rich;
    ParagraphStyle para;
    para.spacingAfter = 4;
    para.tabStops = {{120, TextAlignment::Left}, {260, TextAlignment::Right}};
    rich.setParagraphStyle(para);
    TextAttributes plain;
    TextAttributes bold;
    bold.bold = true;
    TextAttributes red;
    red.color = {0.8, 0, 0, 1};
    red.underline = true;
    TextAttributes struck;
    struck.strikethrough = true;
    struck.strikethroughColor = Color{0, 0.6, 0, 1};
    TextAttributes marked;
    marked.backgroundColor = Color{1, 1, 0.5, 1};
    marked.italic = true;
    rich.append("Summary ", bold)
        .append("of the ", plain)
        .append("results", red)
        .append(", ")
        .append("old", struck);
    rich.append(" and ").append("highlighted", marked).append(" text.\n");
    rich.append("Mean\t12.5\t0.031\n", plain);
    rich.appendImage(swatch(), Rect(0, 0, 32, 16));
    rich.append(" an inline image\n");
    ParagraphStyle indented;
    indented.firstLineHeadIndent = 20;
    indented.headIndent = 40;
    indented.spacingBefore = 4;
    rich.setParagraphStyle(indented);
    rich.append(
        "An indented paragraph whose lines after the first hang further in than the first one does.\n");
    rich.setParagraphStyle({});
    TableBlock table;
    table.rows = {{"Variable", "N", "Mean"}, {"Height", "120", "171.3"}, {"Weight", "118", "70.05"}};
    table.headerBackground = Color{0.85, 0.85, 0.95, 1};
    table.columnAlignments = {TextAlignment::Left, TextAlignment::Right, TextAlignment::Right};
    table.width = 300;
    rich.appendTable(table);
    ctx.drawText(rich, Rect(10, 435, 400, 300));

    // A flipped coordinate space: text and images still read upright when the caller flips them.
    ctx.saveGState();
    ctx.setStrokeColor(Color::black());
    ctx.strokeRect(Rect(430, 640, 150, 150));
    ctx.translateCTM(430, 790);
    ctx.scaleCTM(1, -1);
    ctx.setFillColor({0.2, 0.2, 0.2, 1});
    ctx.addArc(75, 75, 50, 0, std::numbers::pi, false); // y-up: the upper half
    ctx.fillPath();
    ctx.restoreGState();
}

void drawChart(Context& ctx, Size size) {
    ctx.setFillColor(Color::white());
    ctx.fillRect(Rect(0, 0, size.width, size.height));
    Rect plot(60, 30, size.width - 90, size.height - 90);
    // Grid lines, dashed.
    ctx.setStrokeColor({0.8, 0.8, 0.8, 1});
    ctx.setLineWidth(0.5);
    ctx.setLineDash(0, {2, 2});
    for (int i = 0; i <= 5; ++i) {
        double y = plot.minY() + plot.height() * i / 5;
        ctx.strokeLineSegments({{plot.minX(), y}, {plot.maxX(), y}});
    }
    ctx.setLineDash(0, {});
    // Bars with a gradient fill through a clip, drawn in a y-up space as charts do.
    ctx.saveGState();
    ctx.translateCTM(plot.minX(), plot.maxY());
    ctx.scaleCTM(1, -1);
    Gradient g({{0, {0.2, 0.4, 0.8, 1}}, {1, {0.6, 0.8, 1, 1}}});
    double heights[] = {0.3, 0.7, 0.5, 0.9, 0.4};
    for (int i = 0; i < 5; ++i) {
        Rect bar(20 + i * plot.width() / 5, 0, plot.width() / 5 - 40, heights[i] * plot.height());
        ctx.saveGState();
        ctx.addRect(bar);
        ctx.clip();
        ctx.drawLinearGradient(g, {bar.minX(), 0}, {bar.maxX(), 0}, 0);
        ctx.restoreGState();
        ctx.setStrokeColor(Color::black());
        ctx.strokeRect(bar);
    }
    // A line with plus symbols, in a transparency layer without shadow (stays vector).
    ctx.beginTransparencyLayer();
    ctx.setStrokeColor({0.8, 0.1, 0.1, 1});
    ctx.setLineWidth(1.5);
    for (int i = 0; i <= 20; ++i) {
        double x = i * plot.width() / 20, y = plot.height() * (0.5 + 0.4 * std::sin(i / 3.0));
        if (i == 0)
            ctx.moveToPoint(x, y);
        else
            ctx.addLineToPoint(x, y);
    }
    ctx.strokePath();
    for (int i = 0; i <= 20; ++i) {
        double x = i * plot.width() / 20, y = plot.height() * (0.5 + 0.4 * std::sin(i / 3.0));
        ctx.strokeLineSegments({{x - 3, y}, {x + 3, y}, {x, y - 3}, {x, y + 3}});
    }
    ctx.endTransparencyLayer();
    ctx.restoreGState();
    // Axes and labels.
    ctx.setStrokeColor(Color::black());
    ctx.setLineWidth(1);
    ctx.strokeLineSegments({{plot.minX(), plot.maxY()},
                            {plot.maxX(), plot.maxY()},
                            {plot.minX(), plot.minY()},
                            {plot.minX(), plot.maxY()}});
    TextStyle style;
    style.font = *Font::named("Helvetica", 10);
    style.alignment = TextAlignment::Right;
    for (int i = 0; i <= 5; ++i) {
        double y = plot.maxY() - plot.height() * i / 5;
        ctx.drawText(std::to_string(i * 20), Rect(10, y - 6, 44, 12), style);
    }
    style.alignment = TextAlignment::Center;
    style.font = *Font::named("Helvetica-Bold", 12);
    ctx.drawText("Chart title", Rect(0, 8, size.width, 16), style);
}

} // namespace styleSheet
