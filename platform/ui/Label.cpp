// Label text layout and drawing.
#include "platform/ui/Label.h"

namespace ui {

// A setting given its present value again (a grid or row shown again) keeps the laid-out text.
void Label::setText(std::string text) {
    if (attributed_ || text != text_)
        dropLayout();
    text_ = std::move(text);
    attributed_.reset();
    setNeedsDisplay();
}

void Label::setAttributedText(std::optional<gfx::RichText> text) {
    attributed_ = std::move(text);
    dropLayout();
    if (attributed_)
        text_ = attributed_->plainText();
    setNeedsDisplay();
}

void Label::setFont(gfx::Font font) {
    if (font == font_)
        return;
    font_ = std::move(font);
    dropLayout();
    setNeedsDisplay();
}

void Label::setTextColor(Color color) {
    if (color == textColor_)
        return;
    textColor_ = color;
    dropLayout();
    setNeedsDisplay();
}

void Label::setTextAlignment(gfx::TextAlignment a) {
    if (a == alignment_)
        return;
    alignment_ = a;
    dropLayout();
    setNeedsDisplay();
}

void Label::setNumberOfLines(int n) {
    if (n == lines_)
        return;
    lines_ = n;
    dropLayout();
    setNeedsDisplay();
}

void Label::setLineBreakMode(gfx::LineBreakMode m) {
    if (m == lineBreak_)
        return;
    lineBreak_ = m;
    dropLayout();
    setNeedsDisplay();
}

void Label::setEnabled(bool on) {
    if (on == enabled_)
        return;
    enabled_ = on;
    dropLayout();
    setNeedsDisplay();
}

double Label::heightOfLines(int lines) const {
    // Laid-out lines come out a little taller than the font's line height (whole points on the
    // reference device): half a line of room keeps the n-th line and still leaves out the next.
    return (lines + 0.5) * font_.metrics().lineHeight;
}

void Label::dropLayout() {
    layout_.reset();
}

const gfx::TextLayout& Label::layoutWithin(Size limit) const {
    if (!layout_ || !(layoutLimit_ == limit)) {
        layout_ = attributed_ ? gfx::TextLayout::rich(*attributed_, limit) : gfx::TextLayout::plain(text_, style(), limit);
        layoutLimit_ = limit;
    }
    return *layout_;
}

gfx::TextStyle Label::style() const {
    gfx::TextStyle s;
    s.font = font_;
    s.color = enabled_ ? textColor_ : Color::gray(0.6);
    s.alignment = alignment_;
    // One line never wraps; more lines wrap by words and truncate the last one.
    s.lineBreak = lines_ == 1 && lineBreak_ == gfx::LineBreakMode::WordWrap ? gfx::LineBreakMode::TruncateTail
                                                                            : lineBreak_;
    if (lines_ != 1 && lineBreak_ == gfx::LineBreakMode::TruncateTail)
        s.lineBreak = gfx::LineBreakMode::WordWrap;
    return s;
}

void Label::drawTextInRect(gfx::Context& ctx, const Rect& rect) const {
    if (text_.empty() && !attributed_)
        return;
    double maxHeight = rect.height();
    if (lines_ > 0)
        maxHeight = std::min(maxHeight, heightOfLines(lines_));
    Size limit{rect.width(), maxHeight};
    const gfx::TextLayout& layout = layoutWithin(limit);
    Size used = layout.size();
    double y = rect.origin.y + std::max(0.0, (rect.height() - used.height) / 2);
    double x = rect.origin.x;
    // Plain text is aligned inside the layout; rich text is as wide as it needs.
    if (attributed_) {
        if (alignment_ == gfx::TextAlignment::Center)
            x += (rect.width() - used.width) / 2;
        else if (alignment_ == gfx::TextAlignment::Right)
            x += rect.width() - used.width;
    }
    ctx.drawTextLayout(layout, {x, y});
}

Size Label::sizeThatFits(Size size) const {
    Size limit{size.width > 0 ? size.width : 0, lines_ > 0 ? heightOfLines(lines_) : 0};
    if (attributed_)
        return gfx::measureRichText(*attributed_, limit);
    return gfx::measureText(text_, style(), limit);
}

std::string Label::displayedText() const {
    return text_;
}

} // namespace ui
