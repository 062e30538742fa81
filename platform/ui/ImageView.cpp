// Image placement by content mode, and the activity indicator's spokes and spin.
#include "platform/ui/ImageView.h"

#include <algorithm>
#include <cmath>

namespace ui {

ImageView::ImageView(std::optional<gfx::Image> image, const Rect& frame)
    : View(frame), image_(std::move(image)) {
    setUserInteractionEnabled(false);
    if (frame.isEmpty() && image_ && !image_->isNull())
        View::setFrame({frame.origin, image_->size()});
}

void ImageView::setImage(std::optional<gfx::Image> image) {
    image_ = std::move(image);
    setNeedsDisplay();
}

void ImageView::setContentMode(ContentMode mode) {
    mode_ = mode;
    setNeedsDisplay();
}

Rect ImageView::imageRect() const {
    Rect b = bounds();
    if (!image_ || image_->isNull())
        return {};
    Size s = image_->size();
    if (s.width <= 0 || s.height <= 0)
        return {};
    switch (mode_) {
    case ContentMode::ScaleToFill:
        return b;
    case ContentMode::Center:
        return {b.midX() - s.width / 2, b.midY() - s.height / 2, s.width, s.height};
    case ContentMode::ScaleAspectFit:
    case ContentMode::ScaleAspectFill: {
        double sx = b.width() / s.width, sy = b.height() / s.height;
        double k = mode_ == ContentMode::ScaleAspectFit ? std::min(sx, sy) : std::max(sx, sy);
        return {b.midX() - s.width * k / 2, b.midY() - s.height * k / 2, s.width * k, s.height * k};
    }
    }
    return b;
}

void ImageView::drawRect(gfx::Context& ctx, const Rect& rect) {
    Rect r = imageRect();
    if (r.isEmpty())
        return;
    ctx.saveGState();
    ctx.clipToRect(bounds());
    ctx.drawImage(r, *image_);
    ctx.restoreGState();
}

Size ImageView::sizeThatFits(Size size) const {
    return image_ && !image_->isNull() ? image_->size() : Size{};
}

ActivityIndicatorView::ActivityIndicatorView(ActivityIndicatorStyle style)
    : View(Rect{0, 0, style == ActivityIndicatorStyle::WhiteLarge ? 37.0 : 20.0,
                style == ActivityIndicatorStyle::WhiteLarge ? 37.0 : 20.0}),
      style_(style) {
    setUserInteractionEnabled(false);
    setHidden(true);
}

void ActivityIndicatorView::startAnimating() {
    if (animating_)
        return;
    animating_ = true;
    setHidden(false);
    layers::Animation spin;
    spin.keyPath = "transform.rotation.z";
    spin.from = 0.0;
    spin.to = 2 * M_PI;
    spin.duration = 1;
    spin.repeatCount = INFINITY;
    layer().addAnimation(std::move(spin), "spin");
}

void ActivityIndicatorView::stopAnimating() {
    if (!animating_)
        return;
    animating_ = false;
    layer().removeAnimation("spin");
    if (hidesWhenStopped_)
        setHidden(true);
}

void ActivityIndicatorView::setHidesWhenStopped(bool on) {
    hidesWhenStopped_ = on;
    if (!animating_)
        setHidden(on);
}

void ActivityIndicatorView::drawRect(gfx::Context& ctx, const Rect& rect) {
    Rect b = bounds();
    Color c = style_ == ActivityIndicatorStyle::Gray ? Color::gray(0.4) : Color::white();
    double r = std::min(b.width(), b.height()) / 2;
    ctx.setLineWidth(std::max(1.5, r / 5));
    ctx.setLineCap(gfx::LineCap::Round);
    for (int i = 0; i < 12; ++i) {
        double a = i * M_PI / 6;
        ctx.setStrokeColor(c.withAlpha(0.25 + 0.75 * i / 11.0));
        ctx.strokeLineSegments({{b.midX() + std::cos(a) * r * 0.5, b.midY() + std::sin(a) * r * 0.5},
                                {b.midX() + std::cos(a) * r * 0.95, b.midY() + std::sin(a) * r * 0.95}});
    }
}

} // namespace ui
