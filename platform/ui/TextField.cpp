// Text field editing: first responder changes, delegate questions, events and the change notification.
#include "platform/ui/TextField.h"

#include "platform/foundation/NotificationCenter.h"

#include <algorithm>

namespace ui {

namespace {
// The start of the UTF-8 character that contains byte `i`.
size_t characterStart(const std::string& s, size_t i) {
    i = std::min(i, s.size());
    while (i > 0 && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
        --i;
    return i;
}
} // namespace

TextField::TextField(const Rect& frame) : Control(frame) {}

void TextField::setText(std::string text) {
    text_ = std::move(text);
    selection_ = {text_.size(), 0};
    setNeedsDisplay();
}

void TextField::setPlaceholder(std::string text) {
    placeholder_ = std::move(text);
    setNeedsDisplay();
}

void TextField::setBorderStyle(TextBorderStyle style) {
    borderStyle_ = style;
    setNeedsDisplay();
}

void TextField::setFont(gfx::Font font) {
    font_ = std::move(font);
    setNeedsDisplay();
}

void TextField::setTextColor(Color color) {
    textColor_ = color;
    setNeedsDisplay();
}

void TextField::setTextAlignment(gfx::TextAlignment a) {
    alignment_ = a;
    setNeedsDisplay();
}

void TextField::setSelectedRange(TextRange range) {
    size_t start = characterStart(text_, range.location);
    size_t end = characterStart(text_, std::min(text_.size(), range.location + range.length));
    selection_ = {start, std::max(start, end) - start};
}

bool TextField::becomeFirstResponder() {
    if (isFirstResponder())
        return true;
    if (delegate_ && !delegate_->textFieldShouldBeginEditing(*this))
        return false;
    if (!Control::becomeFirstResponder())
        return false;
    editing_ = true;
    selection_ = {text_.size(), 0};
    setNeedsDisplay();
    if (delegate_)
        delegate_->textFieldDidBeginEditing(*this);
    sendActionsForControlEvents(EditingDidBegin);
    return true;
}

bool TextField::resignFirstResponder() {
    if (!isFirstResponder())
        return Control::resignFirstResponder();
    if (delegate_ && !delegate_->textFieldShouldEndEditing(*this))
        return false;
    Control::resignFirstResponder();
    editing_ = false;
    setNeedsDisplay();
    if (delegate_)
        delegate_->textFieldDidEndEditing(*this);
    sendActionsForControlEvents(EditingDidEnd);
    return true;
}

bool TextField::replace(TextRange range, const std::string& replacement) {
    if (delegate_ && !delegate_->shouldChangeCharactersInRange(*this, range, replacement))
        return false;
    text_.replace(range.location, range.length, replacement);
    selection_ = {range.location + replacement.size(), 0};
    setNeedsDisplay();
    sendActionsForControlEvents(EditingChanged);
    foundation::NotificationCenter::defaultCenter().post(TextFieldTextDidChangeNotification, this);
    return true;
}

void TextField::insertText(const std::string& text) {
    if (text.empty() && selection_.length == 0)
        return;
    replace(selection_, text);
}

void TextField::deleteBackward() {
    if (selection_.length > 0) {
        replace(selection_, "");
        return;
    }
    if (selection_.location == 0)
        return;
    size_t start = characterStart(text_, selection_.location - 1);
    replace({start, selection_.location - start}, "");
}

void TextField::insertNewline() {
    auto keep = shared_from_this();
    bool answer = !delegate_ || delegate_->textFieldShouldReturn(*this);
    if (answer)
        sendActionsForControlEvents(EditingDidEndOnExit);
}

void TextField::clear() {
    if (delegate_ && !delegate_->textFieldShouldClear(*this))
        return;
    if (text_.empty())
        return;
    replace({0, text_.size()}, "");
}

bool TextField::showsClearButton() const {
    if (text_.empty())
        return false;
    switch (clearMode_) {
    case TextFieldViewMode::Never:
        return false;
    case TextFieldViewMode::WhileEditing:
        return editing_;
    case TextFieldViewMode::UnlessEditing:
        return !editing_;
    case TextFieldViewMode::Always:
        return true;
    }
    return false;
}

Rect TextField::clearButtonRect() const {
    if (!showsClearButton())
        return {};
    Rect b = bounds();
    double side = std::min(19.0, b.height());
    return {b.maxX() - side - 6, b.midY() - side / 2, side, side};
}

void TextField::tapped(Point location) {
    if (Rect c = clearButtonRect(); !c.isEmpty() && c.insetBy(-6, -6).contains(location)) {
        clear();
        return;
    }
    becomeFirstResponder();
}

void TextField::drawRect(gfx::Context& ctx, const Rect& rect) {
    Rect b = bounds();
    switch (borderStyle_) {
    case TextBorderStyle::None:
        break;
    case TextBorderStyle::Line:
        ctx.setStrokeColor(Color::black());
        ctx.strokeRectWithWidth(b.insetBy(0.5, 0.5), 1);
        break;
    case TextBorderStyle::Bezel:
        ctx.setStrokeColor(Color::gray(0.5));
        ctx.strokeRectWithWidth(b.insetBy(1, 1), 2);
        break;
    case TextBorderStyle::RoundedRect:
        ctx.setFillColor(Color::white());
        ctx.addRoundedRect(b.insetBy(0.5, 0.5), 5, 5);
        ctx.fillPath();
        ctx.setStrokeColor(Color::gray(0.8));
        ctx.setLineWidth(1);
        ctx.addRoundedRect(b.insetBy(0.5, 0.5), 5, 5);
        ctx.strokePath();
        break;
    }
    Rect c = clearButtonRect();
    double right = c.isEmpty() ? b.maxX() - 7 : c.minX() - 4;
    Rect textRect{b.minX() + 7, b.minY(), std::max(0.0, right - b.minX() - 7), b.height()};
    bool placeholder = text_.empty();
    const std::string& shown = placeholder ? placeholder_ : text_;
    // A text wider than the field starts at its left edge whatever the alignment (its start is what a
    // reader needs); while editing it moves left as far as the caret needs to stay in view.
    const double width = font_.widthOf(shown);
    const bool overflows = width > textRect.width();
    gfx::TextStyle style;
    style.font = font_;
    style.color = placeholder ? Color::gray(0.7) : textColor_;
    style.alignment = overflows ? gfx::TextAlignment::Left : alignment_;
    style.lineBreak = gfx::LineBreakMode::Clip;
    double start = textRect.origin.x;
    if (!overflows && alignment_ == gfx::TextAlignment::Center)
        start += (textRect.width() - width) / 2;
    else if (!overflows && alignment_ == gfx::TextAlignment::Right)
        start += textRect.width() - width;
    double caret = start + (placeholder ? 0 : font_.widthOf(text_.substr(0, selection_.location)));
    double shift = editing_ && overflows ? std::max(0.0, caret + 2 - textRect.maxX()) : 0;
    gfx::TextLayout layout = gfx::TextLayout::plain(shown, style, {textRect.width() + shift, textRect.height()});
    double y = textRect.midY() - layout.size().height / 2;
    ctx.saveGState();
    ctx.clipToRect(textRect);
    ctx.drawTextLayout(layout, {textRect.origin.x - shift, y});
    ctx.restoreGState();
    if (editing_) {
        // The caret after the text before the cursor.
        ctx.setFillColor(tintColor().value_or(Color::black()));
        ctx.fillRect({std::min(caret - shift, textRect.maxX() - 2), y, 2, font_.metrics().lineHeight});
    }
    if (!c.isEmpty()) {
        ctx.setFillColor(Color::gray(0.75));
        ctx.fillEllipseInRect(c);
        ctx.setStrokeColor(Color::white());
        ctx.setLineWidth(1.5);
        Rect x = c.insetBy(c.width() * 0.3, c.height() * 0.3);
        ctx.strokeLineSegments(
            {{x.minX(), x.minY()}, {x.maxX(), x.maxY()}, {x.maxX(), x.minY()}, {x.minX(), x.maxY()}});
    }
}

} // namespace ui
