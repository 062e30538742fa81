// Tap, long-press and swipe recognition from raw touches.
#include "platform/ui/GestureRecognizer.h"

#include <cmath>

namespace ui {

namespace {
double distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}
} // namespace

GestureRecognizer::GestureRecognizer(Action action) {
    if (action)
        actions_.push_back(std::move(action));
}

Point GestureRecognizer::locationInView(const View* view) const {
    if (!view)
        return location_;
    return view->convertPointFromView(location_, nullptr);
}

void GestureRecognizer::transition(GestureState state) {
    if ((state == GestureState::Began || state == GestureRecognized) && !recognized_) {
        if (delegate_ && !delegate_->gestureRecognizerShouldBegin(*this)) {
            state_ = GestureState::Failed;
            return;
        }
        recognized_ = true;
    }
    state_ = state;
    if (state == GestureState::Began || state == GestureState::Changed || state == GestureRecognized ||
        (state == GestureState::Cancelled && recognized_)) {
        // A copy: an action may remove this recognizer from its view.
        auto actions = actions_;
        for (auto& a : actions)
            a(*this);
    }
}

void GestureRecognizer::touchesCancelled(Touch& touch) {
    if (recognized_ && state_ != GestureRecognized)
        transition(GestureState::Cancelled);
    else if (!recognized_)
        state_ = GestureState::Failed;
}

void GestureRecognizer::reset() {
    state_ = GestureState::Possible;
    recognized_ = false;
}

void TapGestureRecognizer::touchesBegan(Touch& touch) {
    start_ = touch.locationInWindow;
    location_ = start_;
}

void TapGestureRecognizer::touchesMoved(Touch& touch) {
    location_ = touch.locationInWindow;
    if (distance(start_, touch.locationInWindow) > 10)
        transition(GestureState::Failed);
}

void TapGestureRecognizer::touchesEnded(Touch& touch) {
    location_ = touch.locationInWindow;
    if (state() != GestureState::Possible)
        return;
    if (touch.tapCount < taps_)
        return;
    transition(GestureRecognized);
}

void LongPressGestureRecognizer::touchesBegan(Touch& touch) {
    start_ = touch.locationInWindow;
    location_ = start_;
    // Held weakly: the recognizer may be gone when the press time is up.
    timer_ = dispatch::after(minimum_, dispatch::mainQueue(), [this, alive = std::weak_ptr<int>(alive_)] {
        if (alive.expired() || state() != GestureState::Possible)
            return;
        transition(GestureState::Began);
    });
}

void LongPressGestureRecognizer::touchesMoved(Touch& touch) {
    location_ = touch.locationInWindow;
    if (hasRecognized()) {
        transition(GestureState::Changed);
        return;
    }
    if (distance(start_, touch.locationInWindow) > allowable_)
        transition(GestureState::Failed);
}

void LongPressGestureRecognizer::touchesEnded(Touch& touch) {
    location_ = touch.locationInWindow;
    if (timer_)
        timer_->cancel();
    if (hasRecognized())
        transition(GestureState::Ended);
    else
        transition(GestureState::Failed);
}

void LongPressGestureRecognizer::reset() {
    if (timer_)
        timer_->cancel();
    timer_.reset();
    GestureRecognizer::reset();
}

void SwipeGestureRecognizer::touchesBegan(Touch& touch) {
    start_ = touch.locationInWindow;
    location_ = start_;
}

void SwipeGestureRecognizer::touchesMoved(Touch& touch) {
    location_ = touch.locationInWindow;
    if (state() != GestureState::Possible)
        return;
    // In the view's own axes, so a rotated view swipes along its own sides.
    Point a = view() ? touch.locationInView(view()) : touch.locationInWindow;
    Point b = view() ? view()->convertPointFromView(start_, nullptr) : start_;
    double dx = a.x - b.x, dy = a.y - b.y;
    const double minimum = 50;
    unsigned seen = 0;
    if (std::fabs(dx) >= minimum && std::fabs(dy) < std::fabs(dx) / 2)
        seen = dx > 0 ? SwipeRight : SwipeLeft;
    if (std::fabs(dy) >= minimum && std::fabs(dx) < std::fabs(dy) / 2)
        seen = dy > 0 ? SwipeDown : SwipeUp;
    if (seen & direction_)
        transition(GestureRecognized);
}

void SwipeGestureRecognizer::touchesEnded(Touch& touch) {
    touchesMoved(touch);
    if (state() == GestureState::Possible)
        transition(GestureState::Failed);
}

void PinchGestureRecognizer::pinchStep(Point location, double factor) {
    location_ = location;
    if (!hasRecognized()) {
        reset();
        scale_ = factor;
        transition(GestureState::Began);
        return;
    }
    scale_ *= factor;
    transition(GestureState::Changed);
}

void PinchGestureRecognizer::pinchEnded() {
    if (hasRecognized() && state() != GestureState::Ended)
        transition(GestureState::Ended);
    reset();
}

} // namespace ui
