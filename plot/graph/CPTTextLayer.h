// The layer that shows one piece of text, plain in a text style or attributed, and keeps its bounds
// fitted to it: titles, axis labels and data labels.
#pragma once

#include "platform/graphics/Text.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTBorderedLayer.h"

#include <memory>
#include <optional>
#include <string>

// The attributes of an attributed text's first character (none for an empty text).
CPTTextAttributes attributesOfFirstCharacter(const gfx::RichText& text);

class CPTTextLayer : public CPTBorderedLayer {
  public:
    // The space kept around the text on every side, inside the fitted size.
    static constexpr CGFloat kTextMargin = 2.0;

    // No text and no style, zero size.
    CPTTextLayer();
    // The style is shared; the layer is sized to the text.
    CPTTextLayer(std::optional<std::string> text, std::shared_ptr<CPTTextStyle> style);
    // With a new default style.
    explicit CPTTextLayer(std::optional<std::string> text);
    // Style and plain text from the attributed text.
    explicit CPTTextLayer(const gfx::RichText& attributedText);
    const char* className() const override { return "CPTTextLayer"; }

    // Each setter keeps the other two consistent: setting the text or the style drops the attributed
    // text, setting the attributed text gives both. Every effective change resizes the layer.
    const std::optional<std::string>& text() const { return text_; }
    void setText(const std::optional<std::string>& text);
    const std::shared_ptr<CPTTextStyle>& textStyle() const { return textStyle_; }
    void setTextStyle(const std::shared_ptr<CPTTextStyle>& style);
    const std::optional<gfx::RichText>& attributedText() const { return attributedText_; }
    void setAttributedText(const std::optional<gfx::RichText>& text);
    // A bound on the fitted size per dimension; 0 or less leaves it free.
    CGSize maximumSize() const { return maximumSize_; }
    void setMaximumSize(CGSize size);

    void setShadow(const std::shared_ptr<CPTShadow>& shadow) override;
    void setPaddingLeft(CGFloat value) override;
    void setPaddingTop(CGFloat value) override;
    void setPaddingRight(CGFloat value) override;
    void setPaddingBottom(CGFloat value) override;

    // The text's size with the margins, in whole points; paddings not included. (0, 0) without text.
    CGSize sizeThatFits() const;
    // Fits the bounds to the text and paddings, keeping their origin. Nothing without text.
    void sizeToFit();

    // Nothing at all without text (not even the fill or border); the text is drawn top-down.
    void renderAsVectorInContext(gfx::Context& ctx) override;
    std::string description() const override;

    // After the base keys: "CPTTextLayer.textStyle" and "CPTTextLayer.text"; a decoded layer has a
    // maximum size of (0, 0).
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;

  protected:
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

  private:
    bool hasText() const { return text_ && !text_->empty(); }
    bool hasAttributedText() const { return attributedText_ && !attributedText_->plainText().empty(); }

    std::optional<std::string> text_;
    std::shared_ptr<CPTTextStyle> textStyle_;
    std::optional<gfx::RichText> attributedText_;
    CGSize maximumSize_;
    bool inTextUpdate_ = false;
};
