// Fuzz target: the plotting style classes, line caps and plot symbols decoded from arbitrary archives (as the root object and as a
// nested one), then archived again and drawn into a recorder and a small bitmap; nothing may crash, hang,
// throw or read out of bounds, and a decoded style must archive and decode again.
#include "plot/foundation/CPTColorSpace.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineCap.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotSymbol.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/foundation/CPTTextStyle.h"

#include "platform/graphics/Output.h"
#include "platform/graphics/Recorder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

// Each drawing goes to the recorder and to a small bitmap, y-up as charts draw.
template <class Draw> void draw(Draw&& paint) {
    auto rc = gfx::makeRecordingContext(CGRect(0, 0, 64, 64), 2);
    rc.context->scaleCTM(2, 2);
    paint(*rc.context);
    gfx::BitmapContext bitmap(24, 24, 2);
    bitmap.context().translateCTM(0, 24);
    bitmap.context().scaleCTM(2, -2);
    paint(bitmap.context());
}

// A decoded object must survive its own archive.
template <class T, class Decode> void roundTrip(const T& object, Decode&& decode) {
    foundation::KeyedArchiver coder("Fuzz");
    object.encodeForKey(coder, "again");
    const auto data = coder.encodedData();
    foundation::KeyedUnarchiver decoder(data);
    if (!decode(decoder, "again"))
        std::abort();
}

void use(const CPTColor& color) {
    roundTrip(color, CPTColor::decodeForKey);
    (void)color.hash();
    (void)color.isOpaque();
    draw([&](gfx::Context& ctx) { CPTFill::fillWithColor(color.copy())->fillRect(CGRect(1, 1, 8, 8), ctx); });
}

void use(const CPTGradient& gradient) {
    roundTrip(gradient, CPTGradient::decodeForKey);
    (void)gradient.hash();
    (void)gradient.newColorAtPosition(0.5);
    draw([&](gfx::Context& ctx) {
        gradient.fillRect(CGRect(1, 2, 9, 5), ctx);
        ctx.addEllipseInRect(CGRect(0, 0, 7, 11));
        gradient.fillPathInContext(ctx);
    });
}

void use(const CPTImage& image) {
    roundTrip(image, CPTImage::decodeForKey);
    (void)image.hash();
    auto copy = image.copy();
    draw([&](gfx::Context& ctx) { copy->drawInRect(CGRect(1, 1, 9, 7), ctx); });
}

void use(const CPTFill& fill) {
    roundTrip(fill, CPTFill::decodeForKey);
    draw([&](gfx::Context& ctx) {
        fill.fillRect(CGRect(0, 0, 10, 10), ctx);
        ctx.addRect(CGRect(2, 2, 5, 5));
        fill.fillPathInContext(ctx);
    });
}

void use(const CPTShadow& shadow) {
    roundTrip(shadow, CPTShadow::decodeForKey);
    draw([&](gfx::Context& ctx) {
        shadow.setShadowInContext(ctx);
        ctx.fillRect(CGRect(2, 2, 5, 5));
    });
}

void use(const CPTLineStyle& style) {
    roundTrip(style, CPTLineStyle::decodeForKey);
    (void)style.isOpaque();
    draw([&](gfx::Context& ctx) {
        style.setLineStyleInContext(ctx);
        ctx.moveToPoint(1, 1);
        ctx.addLineToPoint(9, 6);
        style.strokePathInContext(ctx);
        style.strokeRect(CPTRectAlignedForLineStyle(ctx, &style, CGRect(1, 1, 8, 8)), ctx);
    });
}

void use(const CPTTextStyle& style) {
    roundTrip(style, CPTTextStyle::decodeForKey);
    (void)sizeWithTextStyle("Mean 12.5", &style);
    draw([&](gfx::Context& ctx) { drawInRect("Mean 12.5", CGRect(0, 0, 10, 10), &style, ctx); });
}

void use(const CPTLineCap& cap) {
    roundTrip(cap, CPTLineCap::decodeForKey);
    draw([&](gfx::Context& ctx) { cap.renderAsVectorInContext(ctx, {6, 6}, {1, 2}); });
}

void use(CPTPlotSymbol& symbol) {
    roundTrip(symbol, CPTPlotSymbol::decodeForKey);
    (void)symbol.layerSizeForScale(2);
    draw([&](gfx::Context& ctx) {
        symbol.renderAsVectorInContext(ctx, {6, 6}, 1);
        symbol.renderInContext(ctx, {6, 6}, 2, true);
        symbol.renderInContext(ctx, {9, 4}, 2, false);
    });
}

void use(const CPTColorSpace& space) {
    roundTrip(space, CPTColorSpace::decodeForKey);
}

template <class Decode> void tryRoot(std::span<const std::uint8_t> data, Decode&& decode) {
    foundation::KeyedUnarchiver decoder(data);
    if (auto object = decode(decoder))
        use(*object);
}

template <class Decode> void tryNested(std::span<const std::uint8_t> data, Decode&& decode) {
    foundation::KeyedUnarchiver decoder(data);
    if (auto object = decode(decoder, "root"))
        use(*object);
}

} // namespace

// Fontconfig (under Qt's font database) keeps what it reads once per process without a way to free it;
// that is not a fault of the code under test.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static const bool headless = [] { return ::setenv("QT_QPA_PLATFORM", "offscreen", 0) == 0; }();
    (void)headless;
    const std::span<const std::uint8_t> data(bytes, size);
    // The root object as the class it names.
    const std::string className = foundation::KeyedUnarchiver(data).className();
    if (className == "CPTColor")
        tryRoot(data, CPTColor::colorWithCoder);
    else if (className == "CPTColorSpace")
        tryRoot(data, CPTColorSpace::colorSpaceWithCoder);
    else if (className == "CPTGradient")
        tryRoot(data, CPTGradient::gradientWithCoder);
    else if (className == "CPTImage")
        tryRoot(data, CPTImage::imageWithCoder);
    else if (className == "CPTFill")
        tryRoot(data, CPTFill::fillWithCoder);
    else if (className == "CPTShadow" || className == "CPTMutableShadow")
        tryRoot(data, CPTShadow::shadowWithCoder);
    else if (className == "CPTLineStyle" || className == "CPTMutableLineStyle")
        tryRoot(data, CPTLineStyle::lineStyleWithCoder);
    else if (className == "CPTTextStyle" || className == "CPTMutableTextStyle")
        tryRoot(data, CPTTextStyle::textStyleWithCoder);
    else if (className == "CPTLineCap")
        tryRoot(data, CPTLineCap::lineCapWithCoder);
    else if (className == "CPTPlotSymbol")
        tryRoot(data, CPTPlotSymbol::plotSymbolWithCoder);
    // Every class under the key "root", where only its own class names are allowed.
    tryNested(data, CPTColor::decodeForKey);
    tryNested(data, CPTGradient::decodeForKey);
    tryNested(data, CPTImage::decodeForKey);
    tryNested(data, CPTFill::decodeForKey);
    tryNested(data, CPTShadow::decodeForKey);
    tryNested(data, CPTLineStyle::decodeForKey);
    tryNested(data, CPTTextStyle::decodeForKey);
    tryNested(data, CPTLineCap::decodeForKey);
    tryNested(data, CPTPlotSymbol::decodeForKey);
    return 0;
}
