// How chart text looks (font, size, colour, alignment, line breaking), its attribute set, and the
// measuring and drawing of a string with a style. Immutable; the mutable subclass only makes the fields
// writable. Text styles are equal only to themselves.
#pragma once

#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Text.h"
#include "plot/foundation/CPTColor.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The attributes a style gives to the text drawing: a font only when one results, a foreground colour
// only when the style has a colour, and a paragraph style (always, from a style).
struct CPTTextAttributes {
    std::optional<gfx::Font> font;
    std::optional<gfx::Color> foregroundColor;
    std::optional<gfx::ParagraphStyle> paragraphStyle;

    bool isEmpty() const { return !font && !foregroundColor && !paragraphStyle; }
    // For plain text: the font (the default font without one), colour, alignment and line breaking.
    gfx::TextStyle textStyle() const;
    // For rich text runs.
    gfx::TextAttributes textAttributes() const;
    gfx::ParagraphStyle paragraph() const { return paragraphStyle.value_or(gfx::ParagraphStyle{}); }
};

class CPTMutableTextStyle;

class CPTTextStyle {
  public:
    // No font, "Helvetica" 12, black, left, word wrap.
    CPTTextStyle();
    virtual ~CPTTextStyle() = default;
    CPTTextStyle(const CPTTextStyle&) = delete;
    CPTTextStyle& operator=(const CPTTextStyle&) = delete;

    static std::shared_ptr<CPTTextStyle> textStyle();
    static std::shared_ptr<CPTTextStyle> textStyleWithStyle(const CPTTextStyle& style);
    // A default style given the set's font (with its name and size), colour and paragraph settings.
    static std::shared_ptr<CPTTextStyle> textStyleWithAttributes(const CPTTextAttributes& attributes);

    // A set font wins over the name and size.
    const std::optional<gfx::Font>& font() const { return font_; }
    const std::string& fontName() const { return fontName_; }
    CGFloat fontSize() const { return fontSize_; }
    // None: the text is measured but not drawn.
    const std::shared_ptr<CPTColor>& color() const { return color_; }
    gfx::TextAlignment textAlignment() const { return textAlignment_; }
    gfx::LineBreakMode lineBreakMode() const { return lineBreakMode_; }

    CPTTextAttributes attributes() const;

    std::shared_ptr<CPTTextStyle> copy() const;
    std::shared_ptr<CPTMutableTextStyle> mutableCopy() const;
    // A filler paragraph with the style's attributes.
    gfx::RichText debugQuickLookObject() const;

    // Keys "CPTTextStyle.font+descriptor" (only with a font: family, face and size), ".fontName",
    // ".fontSize", ".color", ".textAlignment", ".lineBreakMode". An alignment or line-break number the
    // platform does not have fails the archive.
    static bool supportsSecureCoding() { return true; }
    virtual const char* className() const { return "CPTTextStyle"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    static std::shared_ptr<CPTTextStyle> textStyleWithCoder(foundation::KeyedUnarchiver& coder);
    void encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const;
    static std::shared_ptr<CPTTextStyle> decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

  protected:
    void copyFieldsFrom(const CPTTextStyle& other);
    void readAttributes(const CPTTextAttributes& attributes);
    bool decodeFields(foundation::KeyedUnarchiver& coder);

    std::optional<gfx::Font> font_;
    std::string fontName_ = "Helvetica";
    CGFloat fontSize_ = 12;
    std::shared_ptr<CPTColor> color_;
    gfx::TextAlignment textAlignment_ = gfx::TextAlignment::Left;
    gfx::LineBreakMode lineBreakMode_ = gfx::LineBreakMode::WordWrap;
};

class CPTMutableTextStyle : public CPTTextStyle {
  public:
    static std::shared_ptr<CPTMutableTextStyle> textStyle();
    static std::shared_ptr<CPTMutableTextStyle> textStyleWithStyle(const CPTTextStyle& style);
    // The style itself, mutable.
    static std::shared_ptr<CPTMutableTextStyle> textStyleWithAttributes(const CPTTextAttributes& attributes);

    void setFont(std::optional<gfx::Font> font) { font_ = std::move(font); }
    void setFontName(std::string name) { fontName_ = std::move(name); }
    void setFontSize(CGFloat size) { fontSize_ = size; }
    // Stores a copy of the colour.
    void setColor(const std::shared_ptr<CPTColor>& color) { color_ = color ? color->copy() : nullptr; }
    void setTextAlignment(gfx::TextAlignment alignment) { textAlignment_ = alignment; }
    void setLineBreakMode(gfx::LineBreakMode mode) { lineBreakMode_ = mode; }

    const char* className() const override { return "CPTMutableTextStyle"; }
};

// The string's size with the style (the defaults without one), laid out from the top-left within
// 10,000 x 10,000 points with the last visible line truncated, each side rounded up.
CGSize sizeWithTextStyle(std::string_view text, const CPTTextStyle* style);
// Draws in the context's current space (callers with a y-up space flip it); nothing without a style
// colour. The context is the current one while it draws.
void drawInRect(std::string_view text, CGRect rect, const CPTTextStyle* style, gfx::Context& context);
