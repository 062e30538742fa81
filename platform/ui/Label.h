// A label: plain or rich text in a font, colour and alignment, on a number of lines.
#pragma once

#include "platform/graphics/Text.h"
#include "platform/ui/View.h"

#include <optional>

namespace ui {

class Label : public View {
  public:
    explicit Label(const Rect& frame = {}) : View(frame) { setUserInteractionEnabled(false); }

    const std::string& text() const { return text_; }
    void setText(std::string text);
    // Rich text replaces the plain text while set.
    const std::optional<gfx::RichText>& attributedText() const { return attributed_; }
    void setAttributedText(std::optional<gfx::RichText> text);
    const gfx::Font& font() const { return font_; }
    void setFont(gfx::Font font);
    Color textColor() const { return textColor_; }
    void setTextColor(Color color);
    gfx::TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(gfx::TextAlignment a);
    // 0: as many lines as fit.
    int numberOfLines() const { return lines_; }
    void setNumberOfLines(int n);
    gfx::LineBreakMode lineBreakMode() const { return lineBreak_; }
    void setLineBreakMode(gfx::LineBreakMode m);
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool on);

    // Draws the text into any context within `rect` (vertically centred, as on screen).
    void drawTextInRect(gfx::Context& ctx, const Rect& rect) const;
    void drawRect(gfx::Context& ctx, const Rect& rect) override { drawTextInRect(ctx, bounds()); }
    Size sizeThatFits(Size size) const override;
    std::string displayedText() const override;

  private:
    gfx::TextStyle style() const;
    // The most height `lines` lines of text take.
    double heightOfLines(int lines) const;
    // The text laid out within `limit`, kept until the text, a setting of its style or the limit changes:
    // a label drawn again with nothing changed (a row reloaded with the same texts) lays out nothing.
    const gfx::TextLayout& layoutWithin(Size limit) const;
    void dropLayout();
    std::string text_;
    std::optional<gfx::RichText> attributed_;
    gfx::Font font_ = gfx::Font::system(17);
    Color textColor_ = Color::black();
    gfx::TextAlignment alignment_ = gfx::TextAlignment::Left;
    int lines_ = 1;
    gfx::LineBreakMode lineBreak_ = gfx::LineBreakMode::TruncateTail;
    bool enabled_ = true;
    mutable std::optional<gfx::TextLayout> layout_;
    mutable Size layoutLimit_;
};

} // namespace ui
