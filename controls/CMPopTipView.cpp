// The help bubble's sizing and placement, drawing, animations and the ways it is dismissed.
#include "controls/CMPopTipView.h"

#include "platform/foundation/Log.h"
#include "platform/graphics/Gradient.h"
#include "platform/ui/Window.h"

#include <cmath>

using ui::AffineTransform;
using ui::Point;
using ui::Rect;
using ui::Size;

namespace {
// The platform's default animation length.
constexpr double kDefaultDuration = 0.2;
// The text height the bubble measures within: larger than any tip.
constexpr double kMeasureHeight = 99999;
} // namespace

CMPopTipView::CMPopTipView(const Rect& frame) : View(frame) {
    setHasShadow(true);
}

std::shared_ptr<CMPopTipView> CMPopTipView::initWithTitle(std::string title, std::string message) {
    auto tip = std::make_shared<CMPopTipView>();
    tip->title_ = std::move(title);
    tip->message_ = std::move(message);
    tip->titleFont_ = gfx::Font::boldSystem(16);
    tip->titleColor_ = gfx::Color::white();
    tip->titleAlignment_ = gfx::TextAlignment::Center;
    tip->textFont_ = gfx::Font::system(14);
    tip->textColor_ = gfx::Color::white();
    return tip;
}

std::shared_ptr<CMPopTipView> CMPopTipView::initWithMessage(std::string message) {
    auto tip = std::make_shared<CMPopTipView>();
    tip->accessibilityElement_ = true;
    tip->accessibilityHint_ = message;
    tip->message_ = std::move(message);
    return tip;
}

std::shared_ptr<CMPopTipView> CMPopTipView::initWithCustomView(std::shared_ptr<ui::View> customView) {
    auto tip = std::make_shared<CMPopTipView>();
    tip->customView_ = std::move(customView);
    tip->maskCustomView_ = true;
    if (tip->customView_)
        tip->addSubview(tip->customView_);
    return tip;
}

// ---- appearance

void CMPopTipView::setBackgroundColor(gfx::Color color) {
    fill_ = color;
    setNeedsDisplay();
}

void CMPopTipView::setBorderColor(gfx::Color color) {
    borderColor_ = color;
    setNeedsDisplay();
}

void CMPopTipView::setBorderWidth(double width) {
    borderWidth_ = width;
    setNeedsDisplay();
}

void CMPopTipView::setCornerRadius(double radius) {
    cornerRadius_ = radius;
    setNeedsDisplay();
}

void CMPopTipView::setHas3DStyle(bool on) {
    has3DStyle_ = on;
    setNeedsDisplay();
}

void CMPopTipView::setHasGradientBackground(bool on) {
    hasGradient_ = on;
    setNeedsDisplay();
}

void CMPopTipView::setTextColor(gfx::Color color) {
    textColor_ = color;
    setNeedsDisplay();
}

void CMPopTipView::setTitleColor(std::optional<gfx::Color> color) {
    titleColor_ = color;
    setNeedsDisplay();
}

void CMPopTipView::setHasShadow(bool on) {
    if (on == hasShadow_)
        return;
    hasShadow_ = on;
    if (on) {
        layer().setShadowOffset({0, 3});
        layer().setShadowRadius(2);
        layer().setShadowColor(gfx::Color::black());
        layer().setShadowOpacity(0.3);
    } else {
        layer().setShadowOpacity(0);
    }
}

gfx::TextStyle CMPopTipView::titleStyle() const {
    gfx::TextStyle style;
    // An unset title font or colour draws as unstyled text does.
    style.font = titleFont_.value_or(gfx::Font::system(12));
    style.color = titleColor_.value_or(gfx::Color::black());
    style.alignment = titleAlignment_;
    style.lineBreak = gfx::LineBreakMode::WordWrap;
    return style;
}

gfx::TextStyle CMPopTipView::messageStyle() const {
    gfx::TextStyle style;
    style.font = textFont_;
    style.color = textColor_;
    style.alignment = textAlignment_;
    style.lineBreak = gfx::LineBreakMode::WordWrap;
    return style;
}

// ---- geometry

Rect CMPopTipView::bubbleFrame() const {
    double y = pointDirection_ == 1 ? targetPoint_.y + pointerSize_
                                    : targetPoint_.y - pointerSize_ - bubbleSize_.height;
    return {sidePadding_, y, bubbleSize_.width, bubbleSize_.height};
}

Rect CMPopTipView::contentFrame() const {
    Rect b = bubbleFrame();
    double dx = cornerRadius_ + bubblePaddingX_, dy = cornerRadius_ + bubblePaddingY_;
    return {b.origin.x + dx, b.origin.y + dy, b.size.width - 2 * dx, b.size.height - 2 * dy};
}

void CMPopTipView::layoutSubviews() {
    if (!customView_)
        return;
    customView_->setFrame(contentFrame());
    if (maskCustomView_) {
        customView_->layer().setCornerRadius(cornerRadius_);
        customView_->setClipsToBounds(true);
    }
}

// ---- presenting

void CMPopTipView::presentPointingAtView(ui::View& targetView, ui::View& containerView, bool animated) {
    if (!isBeingShown())
        target_ = &targetView;
    ++presentation_;
    dismissing_ = false;

    if (dismissTapAnywhere_ && !dismissTarget_) {
        dismissTarget_ = ui::Button::withType(ui::ButtonType::Custom);
        dismissTarget_->setTitle(std::string());
        dismissTarget_->addTarget(ui::TouchUpInside, [weak = weak_from_this()](ui::Control&) {
            if (auto self = std::static_pointer_cast<CMPopTipView>(weak.lock()))
                self->dismissByUser();
        });
        dismissTarget_->setFrame(containerView.bounds());
        containerView.addSubview(dismissTarget_);
    }
    containerView.addSubview(shared_from_this());

    // The text width by the kind of device and the container's width.
    const Rect container = containerView.frame();
    ui::Window* window = containerView.window();
    bool pad = (window ? window->traitCollection() : ui::TraitCollection{}).idiom == ui::UserInterfaceIdiom::Pad;
    double width;
    if (maxWidth_ != 0)
        width = maxWidth_ < container.size.width ? maxWidth_ : container.size.width - (pad ? 20 : 10);
    else
        width = std::trunc(pad ? container.size.width / 3 : 2 * container.size.width / 3);

    Size content;
    if (message_)
        content = gfx::TextLayout::plain(*message_, messageStyle(), {width, kMeasureHeight}).size();
    if (customView_)
        content = customView_->frame().size;
    if (title_) {
        Size t = gfx::TextLayout::plain(*title_, titleStyle(), {width, kMeasureHeight}).size();
        content = {std::max(content.width, t.width), content.height + t.height};
    }
    bubbleSize_ = {content.width + 2 * bubblePaddingX_ + 2 * cornerRadius_,
                   content.height + 2 * bubblePaddingY_ + 2 * cornerRadius_};

    // Vertically: the target's y in the container's superview against the container's own frame y.
    ui::View* superview = containerView.superview();
    const ui::View* reference = dynamic_cast<ui::Window*>(superview) ? &containerView : superview;
    ui::View* targetSuper = targetView.superview();
    double tY = targetSuper ? targetSuper->convertRectToView(targetView.frame(), reference).origin.y
                            : targetView.frame().origin.y;
    double cY = container.origin.y;
    double containerHeight = container.size.height;
    double pointerY;
    if (tY + targetView.frame().size.height < cY) {
        pointDirection_ = 1;
        pointerY = 0;
    } else if (tY > cY + containerHeight) {
        pointDirection_ = 2;
        pointerY = containerHeight;
    } else {
        pointDirection_ = preferredDirection_;
        Rect tb = targetView.bounds();
        Point from = showFromCenter_ ? Point{tb.midX(), tb.origin.y + tb.size.height / 2} : tb.origin;
        Point p = targetView.convertPointToView(from, &containerView);
        double targetHeight = tb.size.height;
        if (pointDirection_ == 2) {
            pointerY = p.y;
        } else if (pointDirection_ == 0 && containerHeight - p.y <= p.y) {
            pointDirection_ = 2;
            pointerY = p.y;
        } else {
            pointDirection_ = 1;
            pointerY = p.y + targetHeight;
        }
    }

    // Horizontally: centred on the target, kept inside the container, the tip clear of the corners.
    Point centre = targetSuper ? targetSuper->convertPointToView(targetView.center(), &containerView)
                               : targetView.center();
    double X = centre.x;
    double Wc = containerView.bounds().size.width;
    double bw = bubbleSize_.width, bh = bubbleSize_.height;
    double x0 = X - std::round(bw / 2);
    if (x0 < sidePadding_)
        x0 = sidePadding_;
    if (x0 + bw + sidePadding_ > Wc)
        x0 = Wc - bw - sidePadding_;
    double tip = X;
    if (X - pointerSize_ < x0 + cornerRadius_)
        tip = x0 + cornerRadius_ + pointerSize_;
    if (tip + pointerSize_ > x0 + bw - cornerRadius_)
        tip = x0 + bw - cornerRadius_ - pointerSize_;

    double fullHeight = bh + pointerSize_ + 10;
    double viewY;
    if (pointDirection_ == 1) {
        viewY = pointerY + topMargin_;
        targetPoint_ = {tip - x0, 0};
    } else {
        viewY = pointerY - fullHeight;
        targetPoint_ = {tip - x0, fullHeight - 2};
    }
    Rect finalFrame = Rect{x0 - sidePadding_, viewY, bw + 2 * sidePadding_, fullHeight}.integral();

    setTransform(AffineTransform::identity());
    if (!animated) {
        setNeedsDisplay();
        ui::View::performWithoutAnimation([&] {
            setAlpha(1);
            setFrame(finalFrame);
        });
        setNeedsLayout();
        return;
    }
    if (animation_ == 2) {
        ui::View::performWithoutAnimation([&] {
            setAlpha(0);
            setFrame(finalFrame);
        });
        setNeedsDisplay();
        ui::View::animate(0.15, [this] { setAlpha(1); });
        setNeedsLayout();
        return;
    }
    if (animation_ == 1) {
        ui::View::performWithoutAnimation([&] {
            setFrame(finalFrame);
            setAlpha(0.5);
        });
        setTransform(AffineTransform::scale(0.75, 0.75));
        // popAnimationDidStop: the overshoot settles back to the identity.
        ui::View::animate(
            0.15,
            [this] {
                setTransform(AffineTransform::scale(1.1, 1.1));
                setAlpha(1);
            },
            [weak = weak_from_this()](bool) {
                if (auto self = weak.lock())
                    ui::View::animate(0.1, [self] { self->setTransform(AffineTransform::identity()); });
            });
        setNeedsDisplay();
        setNeedsLayout();
        return;
    }
    // The slide, and any other style: up from 10 points below while fading in.
    Rect below = finalFrame;
    below.origin.y += 10;
    ui::View::performWithoutAnimation([&] {
        setAlpha(0);
        setFrame(below);
    });
    setNeedsDisplay();
    ui::View::animate(kDefaultDuration, [this, finalFrame] {
        setAlpha(1);
        setFrame(finalFrame);
    });
    setNeedsLayout();
}

void CMPopTipView::presentPointingAtBarButtonItem(ui::BarButtonItem& barButtonItem, bool animated) {
    std::shared_ptr<ui::Button> targetView = barButtonItem.view();
    ui::Window* containerView = targetView ? targetView->window() : nullptr;
    if (!containerView) {
        foundation::log("Cannot determine container view from UIBarButtonItem: BarButtonItem \"" +
                        barButtonItem.title() + "\"");
        target_ = std::monostate{};
        return;
    }
    target_ = &barButtonItem;
    presentPointingAtView(*targetView, *containerView, animated);
}

// ---- drawing

void CMPopTipView::buildBubblePath(gfx::Context& ctx) const {
    Rect b = bubbleFrame();
    double bx = b.origin.x, by = b.origin.y, bw = b.size.width, bh = b.size.height;
    double p = pointerSize_, r = cornerRadius_;
    Point t{targetPoint_.x + sidePadding_, targetPoint_.y};
    ctx.beginPath();
    ctx.moveToPoint(t.x, t.y);
    if (pointDirection_ == 1) {
        ctx.addLineToPoint(t.x + p, t.y + p);
        ctx.addArcToPoint(bx + bw, by, bx + bw, by + r, r);
        ctx.addArcToPoint(bx + bw, by + bh, bx + bw - r, by + bh, r);
        ctx.addArcToPoint(bx, by + bh, bx, by + bh - r, r);
        ctx.addArcToPoint(bx, by, bx + r, by, r);
        ctx.addLineToPoint(t.x - p, t.y + p);
    } else {
        ctx.addLineToPoint(t.x - p, t.y - p);
        ctx.addArcToPoint(bx, by + bh, bx, by + bh - r, r);
        ctx.addArcToPoint(bx, by, bx + r, by, r);
        ctx.addArcToPoint(bx + bw, by, bx + bw, by + r, r);
        ctx.addArcToPoint(bx + bw, by + bh, bx + bw - r, by + bh, r);
        ctx.addLineToPoint(t.x + p, t.y - p);
    }
    ctx.closePath();
}

void CMPopTipView::drawRect(gfx::Context& ctx, const Rect&) {
    Rect b = bubbleFrame();
    ctx.setStrokeColor(gfx::Color::black());
    ctx.setLineWidth(borderWidth_);

    buildBubblePath(ctx);
    gfx::Path bubble = ctx.copyPath();
    ctx.saveGState();
    ctx.clip();

    if (hasGradient_) {
        const gfx::Color c = fill_;
        double h = highlight_ ? 0.25 : 0;
        double L = (b.origin.y + b.size.height / 2) / bounds().size.height;
        auto lit = [&](double k) { return gfx::Color{c.red * k + h, c.green * k + h, c.blue * k + h, c.alpha}; };
        gfx::Gradient gradient({{0, lit(1.16)}, {L - 0.03, lit(1.16)}, {L, lit(1.08)}, {L + 0.03, lit(1)}, {1, lit(1)}});
        ctx.drawLinearGradient(gradient, {0, 0}, {0, bounds().maxY()}, 0);
    } else {
        ctx.setFillColor(fill_);
        ctx.fillRect(bounds());
    }

    if (has3DStyle_) {
        // A frame around the bubble, filled even-odd: only its shadows fall inside the clip, a light
        // edge along the top and a dark one along the bottom.
        ctx.saveGState();
        ctx.beginPath();
        ctx.addRect(bubble.boundingBox().insetBy(-30, -30));
        ctx.addPath(bubble);
        ctx.closePath();
        gfx::Path frame = ctx.copyPath();
        gfx::Color light = gfx::Color::white().withAlpha(0.75);
        ctx.setShadow({0, 4}, 4, light);
        ctx.setFillColor(light);
        ctx.eoFillPath();
        ctx.addPath(frame);
        gfx::Color dark = gfx::Color::black().withAlpha(0.4);
        ctx.setShadow({0, -4}, 4, dark);
        ctx.setFillColor(dark);
        ctx.eoFillPath();
        ctx.restoreGState();
    }
    ctx.restoreGState();

    if (borderWidth_ > 0) {
        ctx.setStrokeColor(borderColor_);
        ctx.addPath(bubble);
        ctx.strokePath();
    }

    Rect text = contentFrame().integral();
    if (title_) {
        ctx.drawText(*title_, text, titleStyle());
        text.origin.y += gfx::TextLayout::plain(*title_, titleStyle(), {text.size.width, kMeasureHeight}).size().height;
    }
    if (message_)
        ctx.drawText(*message_, text, messageStyle());
}

// ---- dismissing

void CMPopTipView::dismissAnimated(bool animated) {
    if (!animated) {
        finaliseDismiss();
        return;
    }
    dismissing_ = true;
    // dismissAnimationDidStop: only if no presentation came in between.
    // Held weakly: the animation lives on the tip's own layer, so a strong hold would keep a tip whose
    // window went away before the animation ended alive for ever. The container holds it meanwhile.
    auto done = [weak = std::weak_ptr<CMPopTipView>(std::static_pointer_cast<CMPopTipView>(shared_from_this())),
                 shown = presentation_](bool) {
        auto self = weak.lock();
        if (self && self->presentation_ == shown)
            self->finaliseDismiss();
    };
    if (animation_ == 2) {
        ui::View::animate(0.3, [this] { setAlpha(0); }, done);
        return;
    }
    Rect moved = frame();
    moved.origin.y += 10;
    ui::View::animate(
        kDefaultDuration,
        [this, moved] {
            setAlpha(0);
            setFrame(moved);
        },
        done);
}

void CMPopTipView::finaliseDismiss() {
    auto keep = shared_from_this(); // the container may hold the last reference
    if (autoDismissTimer_)
        autoDismissTimer_->cancel();
    autoDismissTimer_.reset();
    if (dismissTarget_) {
        dismissTarget_->removeFromSuperview();
        dismissTarget_.reset();
    }
    removeFromSuperview();
    highlight_ = false;
    dismissing_ = false;
    target_ = std::monostate{};
}

void CMPopTipView::dismissByUser() {
    highlight_ = true;
    setNeedsDisplay();
    dismissAnimated(true);
    notifyDelegatePopTipViewWasDismissedByUser();
}

void CMPopTipView::notifyDelegatePopTipViewWasDismissedByUser() {
    if (delegate_)
        delegate_->popTipViewWasDismissedByUser(*this);
}

void CMPopTipView::touchesBegan(const ui::Touches& touches, const ui::Event& event) {
    if (disableTapToDismiss_) {
        View::touchesBegan(touches, event);
        return;
    }
    // A tip on its way out takes no second tap, as a view being animated takes none.
    if (!dismissing_)
        dismissByUser();
}

ui::View* CMPopTipView::hitTest(Point p, const ui::Event* event) {
    if (!dismissAlong_)
        return View::hitTest(p, event);
    if (!dismissing_ && isBeingShown()) {
        dismissAnimated(true);
        notifyDelegatePopTipViewWasDismissedByUser();
    }
    return nullptr;
}

void CMPopTipView::autoDismissAnimated(bool animated, double timeInterval) {
    autoDismissUserInfo_ = foundation::Value::Dictionary{{"animated", animated}};
    if (autoDismissTimer_)
        autoDismissTimer_->cancel();
    // autoDismissAnimatedDidFire: dismisses with the stored flag, then tells the delegate as a tap does.
    autoDismissTimer_ = dispatch::after(timeInterval, dispatch::mainQueue(), [weak = weak_from_this()] {
        auto self = std::static_pointer_cast<CMPopTipView>(weak.lock());
        if (!self)
            return;
        bool stored = self->autoDismissUserInfo_.find("animated") && self->autoDismissUserInfo_.find("animated")->toBool();
        self->autoDismissTimer_.reset();
        self->dismissAnimated(stored);
        self->notifyDelegatePopTipViewWasDismissedByUser();
    });
}
