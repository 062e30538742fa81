// Colours: the named ones made once, equality and hash over the four components, and archives.
#include "plot/foundation/CPTColor.h"

#include "plot/foundation/CPTArchiving.h"

#include <string>

namespace {
std::string componentKey(std::size_t index) {
    return "CPTColor.component[" + std::to_string(index) + "]";
}
} // namespace

CPTColor::CPTColor() : cgColor_(gfx::Color{0, 0, 0, 0}) {}

CPTColor::CPTColor(const gfx::Color& cgColor) : cgColor_(cgColor) {}

CPTColor::CPTColor(Native, const gfx::Color& uiColor) : uiColorCache_(uiColor), cgColor_(gfx::Color{0, 0, 0, 0}) {}

std::shared_ptr<CPTColor> CPTColor::colorWithCGColor(const gfx::Color& color) {
    return std::make_shared<CPTColor>(color);
}

std::shared_ptr<CPTColor> CPTColor::colorWithComponentRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha) {
    return std::make_shared<CPTColor>(gfx::Color{red, green, blue, alpha});
}

std::shared_ptr<CPTColor> CPTColor::colorWithUIColor(const gfx::Color& color) {
    return std::shared_ptr<CPTColor>(new CPTColor(Native{}, color));
}

std::shared_ptr<CPTColor> CPTColor::colorWithGenericGray(CGFloat gray) {
    return colorWithComponentRed(gray, gray, gray, 1.0);
}

#define CPT_NAMED_COLOR(name, make)                                                                         \
    const std::shared_ptr<CPTColor>& CPTColor::name() {                                                     \
        static const std::shared_ptr<CPTColor> shared = make;                                               \
        return shared;                                                                                      \
    }

CPT_NAMED_COLOR(clearColor, colorWithComponentRed(0, 0, 0, 0))
CPT_NAMED_COLOR(whiteColor, colorWithGenericGray(1.0))
CPT_NAMED_COLOR(lightGrayColor, colorWithGenericGray(0.6666666666666666))
CPT_NAMED_COLOR(grayColor, colorWithGenericGray(0.5))
CPT_NAMED_COLOR(darkGrayColor, colorWithGenericGray(0.3333333333333333))
CPT_NAMED_COLOR(blackColor, colorWithGenericGray(0.0))
CPT_NAMED_COLOR(redColor, colorWithComponentRed(1.0, 0.0, 0.0, 1.0))
CPT_NAMED_COLOR(greenColor, colorWithComponentRed(0.0, 1.0, 0.0, 1.0))
CPT_NAMED_COLOR(blueColor, colorWithComponentRed(0.0, 0.0, 1.0, 1.0))
CPT_NAMED_COLOR(cyanColor, colorWithComponentRed(0.0, 1.0, 1.0, 1.0))
CPT_NAMED_COLOR(yellowColor, colorWithComponentRed(1.0, 1.0, 0.0, 1.0))
CPT_NAMED_COLOR(magentaColor, colorWithComponentRed(1.0, 0.0, 1.0, 1.0))
CPT_NAMED_COLOR(orangeColor, colorWithComponentRed(1.0, 0.5, 0.0, 1.0))
CPT_NAMED_COLOR(purpleColor, colorWithComponentRed(0.5, 0.0, 0.5, 1.0))
CPT_NAMED_COLOR(brownColor, colorWithComponentRed(0.6, 0.4, 0.2, 1.0))

#undef CPT_NAMED_COLOR

bool CPTColor::isOpaque() const {
    return cgColor().alpha >= 1.0;
}

std::shared_ptr<CPTColor> CPTColor::colorWithAlphaComponent(CGFloat alpha) const {
    if (uiColorCache_)
        return colorWithUIColor(uiColorCache_->withAlpha(alpha));
    return colorWithCGColor(cgColor_.withAlpha(alpha));
}

bool CPTColor::isEqual(const CPTColor* other) const {
    if (other == this)
        return true;
    return other && other->cgColor() == cgColor();
}

std::uint64_t CPTColor::hash() const {
    const gfx::Color c = cgColor();
    const double sum = c.red * 256.0 + c.green * 65536.0 + c.blue * 16777216.0 + c.alpha * 4294967296.0;
    return CPTIntegerFromDouble<std::uint64_t>(sum);
}

std::shared_ptr<CPTColor> CPTColor::copy() const {
    if (uiColorCache_)
        return colorWithUIColor(*uiColorCache_);
    return colorWithCGColor(cgColor_);
}

void CPTColor::encodeWithCoder(foundation::KeyedArchiver& coder) const {
    const gfx::Color c = cgColor();
    encodeCGColorSpace(coder, "CPTColor.colorSpace");
    coder.encodeInt64(4, "CPTColor.numberOfComponents");
    const CGFloat components[4] = {c.red, c.green, c.blue, c.alpha};
    for (std::size_t i = 0; i < 4; ++i)
        encodeCGFloat(coder, components[i], componentKey(i));
}

std::shared_ptr<CPTColor> CPTColor::colorWithCoder(foundation::KeyedUnarchiver& coder) {
    newCGColorSpaceDecodeForKey(coder, "CPTColor.colorSpace");
    const std::int64_t count = coder.decodeInt64ForKey("CPTColor.numberOfComponents");
    if (coder.failed())
        return nullptr;
    // The space has four components; a grey with alpha is the other form a colour may take.
    if (count != 4 && count != 2) {
        coder.failWithError("A colour has " + std::to_string(count) + " components; expected 4 or 2.");
        return nullptr;
    }
    CGFloat components[4] = {};
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i)
        components[i] = decodeCGFloatForKey(coder, componentKey(i));
    if (coder.failed())
        return nullptr;
    if (count == 2)
        return colorWithComponentRed(components[0], components[0], components[0], components[1]);
    return colorWithComponentRed(components[0], components[1], components[2], components[3]);
}

void CPTColor::encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const {
    CPTEncodeObject(coder, *this, className(), key);
}

std::shared_ptr<CPTColor> CPTColor::decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key) {
    return CPTDecodeObject(coder, key, {className()}, colorWithCoder);
}
