// Text styles: their attribute sets, copies, archives, and measuring and drawing strings with them.
#include "plot/foundation/CPTTextStyle.h"

#include "plot/foundation/CPTArchiving.h"
#include "plot/foundation/CPTDrawingUtilities.h"

#include <cmath>

namespace {

const char* const kFontKey = "CPTTextStyle.font+descriptor";
const char* const kFontDescriptorClass = "UIFontDescriptor";

// The face part of a font name as our font table reads it ("Helvetica-Bold").
std::string faceOf(const gfx::Font& font) {
    if (font.isBold() && font.isItalic())
        return "BoldOblique";
    if (font.isBold())
        return "Bold";
    if (font.isItalic())
        return "Oblique";
    return {};
}

} // namespace

gfx::TextStyle CPTTextAttributes::textStyle() const {
    gfx::TextStyle style;
    if (font)
        style.font = *font;
    style.color = foregroundColor;
    const gfx::ParagraphStyle p = paragraph();
    style.alignment = p.alignment;
    style.lineBreak = p.lineBreak;
    return style;
}

gfx::TextAttributes CPTTextAttributes::textAttributes() const {
    gfx::TextAttributes attributes;
    if (font) {
        attributes.family = font->name();
        attributes.size = font->size();
        attributes.bold = font->isBold();
        attributes.italic = font->isItalic();
    }
    if (foregroundColor)
        attributes.color = *foregroundColor;
    return attributes;
}

CPTTextStyle::CPTTextStyle() : color_(CPTColor::blackColor()) {}

std::shared_ptr<CPTTextStyle> CPTTextStyle::textStyle() {
    return std::make_shared<CPTTextStyle>();
}

std::shared_ptr<CPTMutableTextStyle> CPTMutableTextStyle::textStyle() {
    return std::make_shared<CPTMutableTextStyle>();
}

void CPTTextStyle::copyFieldsFrom(const CPTTextStyle& other) {
    font_ = other.font_;
    color_ = other.color_ ? other.color_->copy() : nullptr;
    fontName_ = other.fontName_;
    fontSize_ = other.fontSize_;
    textAlignment_ = other.textAlignment_;
    lineBreakMode_ = other.lineBreakMode_;
}

std::shared_ptr<CPTTextStyle> CPTTextStyle::textStyleWithStyle(const CPTTextStyle& style) {
    return style.copy();
}

std::shared_ptr<CPTMutableTextStyle> CPTMutableTextStyle::textStyleWithStyle(const CPTTextStyle& style) {
    return style.mutableCopy();
}

std::shared_ptr<CPTTextStyle> CPTTextStyle::copy() const {
    auto style = std::make_shared<CPTTextStyle>();
    style->copyFieldsFrom(*this);
    return style;
}

std::shared_ptr<CPTMutableTextStyle> CPTTextStyle::mutableCopy() const {
    auto style = std::make_shared<CPTMutableTextStyle>();
    style->copyFieldsFrom(*this);
    return style;
}

CPTTextAttributes CPTTextStyle::attributes() const {
    CPTTextAttributes attributes;
    attributes.font = font_ ? font_ : gfx::Font::named(fontName_, fontSize_);
    if (color_)
        attributes.foregroundColor = color_->uiColor();
    gfx::ParagraphStyle paragraph;
    paragraph.alignment = textAlignment_;
    paragraph.lineBreak = lineBreakMode_;
    attributes.paragraphStyle = paragraph;
    return attributes;
}

void CPTTextStyle::readAttributes(const CPTTextAttributes& attributes) {
    if (attributes.font) {
        font_ = attributes.font;
        fontName_ = attributes.font->name();
        fontSize_ = attributes.font->size();
    }
    if (attributes.foregroundColor)
        color_ = CPTColor::colorWithCGColor(*attributes.foregroundColor);
    if (attributes.paragraphStyle) {
        textAlignment_ = attributes.paragraphStyle->alignment;
        lineBreakMode_ = attributes.paragraphStyle->lineBreak;
    }
}

std::shared_ptr<CPTMutableTextStyle> CPTMutableTextStyle::textStyleWithAttributes(const CPTTextAttributes& attributes) {
    auto style = std::make_shared<CPTMutableTextStyle>();
    style->readAttributes(attributes);
    return style;
}

std::shared_ptr<CPTTextStyle> CPTTextStyle::textStyleWithAttributes(const CPTTextAttributes& attributes) {
    return CPTMutableTextStyle::textStyleWithAttributes(attributes)->copy();
}

gfx::RichText CPTTextStyle::debugQuickLookObject() const {
    const CPTTextAttributes a = attributes();
    gfx::RichText text;
    text.setParagraphStyle(a.paragraph());
    text.append("Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt ut "
                "labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud exercitation ullamco "
                "laboris nisi ut aliquip ex ea commodo consequat. Duis aute irure dolor in reprehenderit in "
                "voluptate velit esse cillum dolore eu fugiat nulla pariatur. Excepteur sint occaecat cupidatat "
                "non proident, sunt in culpa qui officia deserunt mollit anim id est laborum.",
                a.textAttributes());
    return text;
}

// ---- measuring and drawing strings

CGSize sizeWithTextStyle(std::string_view text, const CPTTextStyle* style) {
    const gfx::TextStyle textStyle = style ? style->attributes().textStyle() : gfx::TextStyle{};
    const CGSize size = gfx::measureText(text, textStyle, CGSize{10000, 10000});
    return {std::ceil(size.width), std::ceil(size.height)};
}

void drawInRect(std::string_view text, CGRect rect, const CPTTextStyle* style, gfx::Context& context) {
    if (!style || !style->color())
        return;
    const gfx::Color color = style->color()->cgColor();
    context.saveGState();
    context.setStrokeColor(color);
    context.setFillColor(color);
    CPTPushGraphicsContext(context);
    context.drawText(text, rect, style->attributes().textStyle());
    context.restoreGState();
    CPTPopGraphicsContext();
}

// ---- archiving

void CPTTextStyle::encodeWithCoder(foundation::KeyedArchiver& coder) const {
    if (font_) {
        const gfx::Font font = *font_;
        coder.encodeObject(kFontDescriptorClass, kFontKey, [&font](foundation::KeyedArchiver& c) {
            c.encodeString(font.familyName(), "family");
            c.encodeString(faceOf(font), "face");
            c.encodeDouble(font.size(), "size");
        });
    }
    coder.encodeString(fontName_, "CPTTextStyle.fontName");
    encodeCGFloat(coder, fontSize_, "CPTTextStyle.fontSize");
    if (color_)
        color_->encodeForKey(coder, "CPTTextStyle.color");
    coder.encodeInteger(static_cast<std::int64_t>(textAlignment_), "CPTTextStyle.textAlignment");
    coder.encodeInteger(static_cast<std::int64_t>(lineBreakMode_), "CPTTextStyle.lineBreakMode");
}

bool CPTTextStyle::decodeFields(foundation::KeyedUnarchiver& coder) {
    font_.reset();
    if (auto descriptor = coder.decodeObjectForKey(kFontKey, {kFontDescriptorClass})) {
        const std::string family = descriptor->decodeStringForKey("family");
        const std::string face = descriptor->decodeStringForKey("face");
        const double size = descriptor->decodeDoubleForKey("size");
        // A family our font table does not know leaves the style to its name and size.
        font_ = gfx::Font::named(face.empty() ? family : family + "-" + face, size);
    }
    fontName_ = coder.decodeStringForKey("CPTTextStyle.fontName");
    fontSize_ = decodeCGFloatForKey(coder, "CPTTextStyle.fontSize");
    color_ = CPTColor::decodeForKey(coder, "CPTTextStyle.color");
    const std::int64_t alignment = coder.decodeIntegerForKey("CPTTextStyle.textAlignment");
    const std::int64_t lineBreak = coder.decodeIntegerForKey("CPTTextStyle.lineBreakMode");
    if (alignment < 0 || alignment > static_cast<std::int64_t>(gfx::TextAlignment::Natural) || lineBreak < 0 ||
        lineBreak > static_cast<std::int64_t>(gfx::LineBreakMode::TruncateMiddle))
        coder.failWithError("A text style has an alignment or line-break mode the platform does not have.");
    textAlignment_ = static_cast<gfx::TextAlignment>(alignment);
    lineBreakMode_ = static_cast<gfx::LineBreakMode>(lineBreak);
    return !coder.failed();
}

std::shared_ptr<CPTTextStyle> CPTTextStyle::textStyleWithCoder(foundation::KeyedUnarchiver& coder) {
    std::shared_ptr<CPTTextStyle> style;
    if (coder.className() == "CPTMutableTextStyle")
        style = std::make_shared<CPTMutableTextStyle>();
    else
        style = std::make_shared<CPTTextStyle>();
    return style->decodeFields(coder) ? style : nullptr;
}

void CPTTextStyle::encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const {
    CPTEncodeObject(coder, *this, className(), key);
}

std::shared_ptr<CPTTextStyle> CPTTextStyle::decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key) {
    return CPTDecodeObject(coder, key, {"CPTTextStyle", "CPTMutableTextStyle"}, textStyleWithCoder);
}
