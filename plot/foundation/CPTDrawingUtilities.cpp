// Rounded rectangles, the context stack, previews and rich text through the drawing platform.
#include "plot/foundation/CPTDrawingUtilities.h"

#include "platform/graphics/CurrentContext.h"
#include "platform/graphics/Output.h"

#include <algorithm>
#include <cmath>

namespace {
// The box every string is measured in: a line is never reported wider or taller than this.
constexpr CGSize kMeasuringBox{10000, 10000};
} // namespace

gfx::Path CPTPathCreateRoundedRect(CGRect rect, CGFloat cornerRadius) {
    gfx::Path path;
    if (!(cornerRadius > 0)) {
        path.addRect(rect);
        return path;
    }
    const CGFloat radius = std::min({cornerRadius, rect.width() / 2, rect.height() / 2});
    path.addRoundedRect(rect, radius, radius);
    return path;
}

void CPTContextAddRoundedRect(gfx::Context& context, CGRect rect, CGFloat cornerRadius) {
    context.addPath(CPTPathCreateRoundedRect(rect, cornerRadius));
}

void CPTPushGraphicsContext(gfx::Context& context) {
    gfx::pushCurrentContext(context);
}

void CPTPopGraphicsContext() {
    gfx::popCurrentContext();
}

gfx::Image CPTQuickLookImage(CGRect rect, const CPTQuickLookDrawing& draw) {
    const CGSize size = rect.standardized().size;
    if (!(size.width > 0) || !(size.height > 0) || !std::isfinite(size.width) || !std::isfinite(size.height))
        return {};
    gfx::BitmapContext bitmap(static_cast<int>(std::ceil(size.width)), static_cast<int>(std::ceil(size.height)),
                              1.0, gfx::Color{1, 1, 1, 1});
    gfx::Context& context = bitmap.context();
    context.translateCTM(0, size.height);
    context.scaleCTM(1, -1);
    context.setFillColor({246.0 / 255.0, 245.0 / 255.0, 246.0 / 255.0, 1.0});
    context.fillRect(rect);
    if (draw)
        draw(context, 1.0, rect);
    return bitmap.image();
}

void drawInRect(const gfx::RichText& text, CGRect rect, gfx::Context& context) {
    CPTPushGraphicsContext(context);
    context.drawText(text, rect);
    CPTPopGraphicsContext();
}

CGSize sizeAsDrawn(const gfx::RichText& text) {
    const CGSize size = gfx::measureRichText(text, kMeasuringBox);
    return {std::ceil(size.width), std::ceil(size.height)};
}
