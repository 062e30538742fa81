// Keeping text, style and attributed text consistent, fitting the bounds, and drawing the text.
#include "plot/graph/CPTTextLayer.h"

#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/graph/CPTGuards.h"

#include <cmath>

CPTTextAttributes attributesOfFirstCharacter(const gfx::RichText& text) {
    CPTTextAttributes attributes;
    for (const auto& item : text.items()) {
        if (item.kind != gfx::RichText::Item::Kind::Run || item.run.text.empty())
            continue;
        const gfx::TextAttributes& a = item.run.attributes;
        if (auto font = gfx::Font::named(a.family, a.size))
            attributes.font = font->withTraits(a.bold || font->isBold(), a.italic || font->isItalic());
        attributes.foregroundColor = a.color;
        attributes.paragraphStyle = item.run.paragraph;
        break;
    }
    return attributes;
}

CPTTextLayer::CPTTextLayer() : CPTTextLayer(std::nullopt, nullptr) {}

CPTTextLayer::CPTTextLayer(std::optional<std::string> text, std::shared_ptr<CPTTextStyle> style)
    : CPTBorderedLayer(CGRect()), text_(std::move(text)), textStyle_(std::move(style)) {
    setNeedsDisplayOnBoundsChange(false);
    sizeToFit();
}

CPTTextLayer::CPTTextLayer(std::optional<std::string> text)
    : CPTTextLayer(std::move(text), CPTTextStyle::textStyle()) {}

CPTTextLayer::CPTTextLayer(const gfx::RichText& attributedText)
    : CPTTextLayer(attributedText.plainText(),
                   attributedText.plainText().empty()
                       ? nullptr
                       : CPTTextStyle::textStyleWithAttributes(attributesOfFirstCharacter(attributedText))) {
    // An empty attributed text gives no style, an empty text and no resizing.
    if (attributedText.plainText().empty())
        return;
    attributedText_ = attributedText;
    sizeToFit();
}

// --- the three texts

void CPTTextLayer::setText(const std::optional<std::string>& text) {
    if (text == text_)
        return;
    text_ = text;
    if (inTextUpdate_)
        return;
    {
        CPTFlagGuard updating(inTextUpdate_, true);
        setAttributedText(std::nullopt);
    }
    sizeToFit();
}

void CPTTextLayer::setTextStyle(const std::shared_ptr<CPTTextStyle>& style) {
    if (style == textStyle_)
        return;
    textStyle_ = style;
    if (inTextUpdate_)
        return;
    {
        CPTFlagGuard updating(inTextUpdate_, true);
        setAttributedText(std::nullopt);
    }
    sizeToFit();
}

void CPTTextLayer::setAttributedText(const std::optional<gfx::RichText>& text) {
    if (!text && !attributedText_)
        return;
    attributedText_ = text;
    if (inTextUpdate_)
        return;
    {
        CPTFlagGuard updating(inTextUpdate_, true);
        if (hasAttributedText()) {
            setTextStyle(CPTTextStyle::textStyleWithAttributes(attributesOfFirstCharacter(*attributedText_)));
            setText(attributedText_->plainText());
        } else {
            setTextStyle(nullptr);
            setText(std::nullopt);
        }
    }
    sizeToFit();
}

void CPTTextLayer::setMaximumSize(CGSize size) {
    if (size == maximumSize_)
        return;
    maximumSize_ = size;
    sizeToFit();
}

void CPTTextLayer::setShadow(const std::shared_ptr<CPTShadow>& shadow) {
    if (shadow == this->shadow())
        return;
    CPTBorderedLayer::setShadow(shadow);
    sizeToFit();
}

void CPTTextLayer::setPaddingLeft(CGFloat value) {
    if (value == paddingLeft())
        return;
    CPTBorderedLayer::setPaddingLeft(value);
    sizeToFit();
}

void CPTTextLayer::setPaddingTop(CGFloat value) {
    if (value == paddingTop())
        return;
    CPTBorderedLayer::setPaddingTop(value);
    sizeToFit();
}

void CPTTextLayer::setPaddingRight(CGFloat value) {
    if (value == paddingRight())
        return;
    CPTBorderedLayer::setPaddingRight(value);
    sizeToFit();
}

void CPTTextLayer::setPaddingBottom(CGFloat value) {
    if (value == paddingBottom())
        return;
    CPTBorderedLayer::setPaddingBottom(value);
    sizeToFit();
}

// --- sizing

CGSize CPTTextLayer::sizeThatFits() const {
    if (!hasText())
        return {};
    CGSize measured =
        hasAttributedText() ? sizeAsDrawn(*attributedText_) : sizeWithTextStyle(*text_, textStyle_.get());
    return {std::ceil(measured.width + 2 * kTextMargin), std::ceil(measured.height + 2 * kTextMargin)};
}

void CPTTextLayer::sizeToFit() {
    if (!hasText())
        return;
    CGSize fit = sizeThatFits();
    CGFloat width = fit.width + paddingLeft() + paddingRight();
    CGFloat height = fit.height + paddingTop() + paddingBottom();
    if (maximumSize_.width > 0)
        width = std::fmin(width, maximumSize_.width);
    if (maximumSize_.height > 0)
        height = std::fmin(height, maximumSize_.height);
    CGRect b = bounds();
    setBounds(CGRect(b.origin, CGSize{std::ceil(width), std::ceil(height)}));
    setNeedsLayout();
    setNeedsDisplay();
}

// --- drawing

void CPTTextLayer::renderAsVectorInContext(gfx::Context& ctx) {
    if (isHidden() || !hasText())
        return;
    CPTBorderedLayer::renderAsVectorInContext(ctx);
    CPTGStateGuard state(ctx);
    CGRect b = bounds();
    ctx.translateCTM(0, b.size.height);
    ctx.scaleCTM(1, -1);
    CGRect r = b.insetBy(kTextMargin, kTextMargin);
    r = CGRect(r.origin.x + paddingLeft(), r.origin.y + paddingTop(),
               r.size.width - paddingLeft() - paddingRight(), r.size.height - paddingTop() - paddingBottom());
    if (hasAttributedText()) {
        drawInRect(*attributedText_, r, ctx);
        return;
    }
    drawInRect(*text_, r, textStyle_.get(), ctx);
}

std::string CPTTextLayer::description() const {
    return "<" + CPTBorderedLayer::description() + " \"" + text_.value_or("(null)") + "\">";
}
