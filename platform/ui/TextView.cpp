// Rich text laid out to the view's width; the content size follows the text's height.
#include "platform/ui/TextView.h"

#include "platform/graphics/Output.h"

#include <cmath>

namespace ui {

foundation::Value KeyboardNotificationInfo::userInfo() const {
    using foundation::Value;
    Value::Dictionary frame{{"x", Value(frameEnd.minX())},
                            {"y", Value(frameEnd.minY())},
                            {"width", Value(frameEnd.width())},
                            {"height", Value(frameEnd.height())}};
    return Value(Value::Dictionary{{KeyboardFrameEndUserInfoKey, Value(std::move(frame))},
                                   {KeyboardAnimationDurationUserInfoKey, Value(duration)},
                                   {KeyboardAnimationCurveUserInfoKey, Value(curve)}});
}

KeyboardNotificationInfo KeyboardNotificationInfo::from(const foundation::Value& userInfo) {
    KeyboardNotificationInfo info;
    if (const auto* frame = userInfo.find(KeyboardFrameEndUserInfoKey)) {
        auto part = [frame](const char* key) {
            const auto* v = frame->find(key);
            return v ? v->toDouble() : 0.0;
        };
        info.frameEnd = Rect{part("x"), part("y"), part("width"), part("height")};
    }
    if (const auto* d = userInfo.find(KeyboardAnimationDurationUserInfoKey))
        info.duration = d->toDouble();
    if (const auto* c = userInfo.find(KeyboardAnimationCurveUserInfoKey))
        info.curve = static_cast<unsigned>(c->toUInt64());
    return info;
}

TextView::TextView(const Rect& frame) : ScrollView(frame) {
    setBackgroundColor(Color::white());
}

void TextView::setAttributedText(gfx::RichText text) {
    text_ = std::move(text);
    layoutWidth_ = -1;
    layout_ = {};
    setNeedsLayout();
    setNeedsDisplay();
}

void TextView::setText(const std::string& text) {
    gfx::RichText rich;
    gfx::ParagraphStyle paragraph;
    paragraph.alignment = alignment_;
    rich.setParagraphStyle(paragraph);
    gfx::TextAttributes a;
    a.family = font_.name();
    a.size = font_.size();
    rich.append(text, a);
    setAttributedText(std::move(rich));
}

void TextView::setTextContainerInset(EdgeInsets inset) {
    inset_ = inset;
    setNeedsLayout();
    setNeedsDisplay();
}

const gfx::TextLayout& TextView::layoutForWidth(double width) {
    if (layoutWidth_ != width) {
        layout_ = gfx::TextLayout::rich(text_, {width, 0});
        layoutWidth_ = width;
    }
    return layout_;
}

void TextView::layoutSubviews() {
    double width = std::max(1.0, bounds().width() - inset_.left - inset_.right);
    const double used = std::ceil(layoutForWidth(width).size().height);
    setContentSize({bounds().width(), used + inset_.top + inset_.bottom});
    ScrollView::layoutSubviews();
}

void TextView::drawRect(gfx::Context& ctx, const Rect& rect) {
    if (text_.isEmpty())
        return;
    double width = std::max(1.0, bounds().width() - inset_.left - inset_.right);
    // The bounds origin is the scroll offset: content coordinates start at 0.
    ctx.drawTextLayout(layoutForWidth(width), {inset_.left, inset_.top});
}

gfx::Image drawImage(Size size, double scale, const std::function<void(gfx::Context&)>& draw) {
    auto bitmap = gfx::BitmapContext::pointsContext(size, scale);
    if (draw)
        draw(bitmap->context());
    return bitmap->takeImage();
}

} // namespace ui
