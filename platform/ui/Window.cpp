// The window's input routing: hit testing, gesture recognizers, scroll dragging and key input.
#include "platform/ui/Window.h"

#include "platform/ui/Control.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ViewController.h"

#include <algorithm>
#include <cmath>

namespace ui {

Application& Application::shared() {
    static Application app;
    return app;
}

void Application::windowGone(Window* window) {
    if (keyWindow_ == window)
        keyWindow_ = nullptr;
}

Window::Window(const Rect& frame) : View(frame) {
    if (auto clock = Application::shared().clock())
        layer().setClock(clock);
}

Window::~Window() {
    Application::shared().windowGone(this);
}

void Window::makeKeyAndVisible() {
    if (auto clock = Application::shared().clock())
        layer().setClock(clock);
    setHidden(false);
    Application::shared().setKeyWindow(this);
}

void Window::setRootViewController(std::shared_ptr<ViewController> controller) {
    if (root_)
        root_->hideFromSuperview(false);
    root_ = std::move(controller);
    if (root_)
        root_->showIn(*this, bounds(), false);
}

bool Window::isKeyWindow() const {
    return Application::shared().keyWindow() == this;
}

namespace {
double now() {
    return dispatch::now();
}
double distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}
} // namespace

Event Window::eventFor(TouchState& state) {
    Event e;
    e.timestamp = state.touch.timestamp;
    for (auto& [finger, s] : touches_)
        e.allTouches.push_back(&s.touch);
    return e;
}

void Window::touchBegan(int finger, Point p) {
    if (touches_.count(finger))
        touchCancelled(finger);
    layoutIfNeeded();
    Event probe;
    View* hit = hitTest(p, &probe);
    if (!hit)
        return;
    TouchState& state = touches_[finger];
    state.view = hit->shared_from_this();
    state.start = p;
    Touch& t = state.touch;
    t.view = state.view;
    t.locationInWindow = p;
    t.previousLocationInWindow = p;
    t.phase = TouchPhase::Began;
    t.timestamp = now();
    t.window = this;
    bool repeated = lastTapTime_ >= 0 && t.timestamp - lastTapTime_ < 0.35 && distance(p, lastTapPoint_) < 20;
    t.tapCount = repeated ? lastTapCount_ + 1 : 1;

    // A control under the finger keeps the touch from recognizers on its ancestors.
    bool passedControl = false;
    for (View* v = hit; v; v = v->superview()) {
        if (!passedControl) {
            for (const auto& r : v->gestureRecognizers()) {
                if (!r->isEnabled())
                    continue;
                if (r->delegate() && !r->delegate()->gestureRecognizerShouldReceiveTouch(*r, t))
                    continue;
                state.recognizers.push_back(r);
            }
        }
        if (dynamic_cast<Control*>(v))
            passedControl = true;
    }
    for (auto& r : state.recognizers) {
        r->reset();
        r->touchesBegan(t);
    }
    Event e = eventFor(state);
    state.view->touchesBegan({&t}, e);
    afterRecognizers(state);
}

void Window::afterRecognizers(TouchState& state) {
    auto winner = std::find_if(state.recognizers.begin(), state.recognizers.end(),
                               [](const auto& r) { return r->hasRecognized(); });
    if (winner == state.recognizers.end())
        return;
    // The first to recognize takes the touch; the others fail.
    auto keep = *winner;
    for (auto& r : state.recognizers)
        if (r != keep && r->state() == GestureState::Possible)
            r->touchesCancelled(state.touch);
    state.recognizers = {keep};
    if (keep->cancelsTouchesInView() && state.deliveredToView) {
        state.deliveredToView = false;
        Touch& t = state.touch;
        TouchPhase phase = t.phase;
        t.phase = TouchPhase::Cancelled;
        Event e = eventFor(state);
        state.view->touchesCancelled({&t}, e);
        t.phase = phase;
    }
}

void Window::panIfNeeded(TouchState& state) {
    Touch& t = state.touch;
    if (state.panning) {
        if (!state.panningRef.expired())
            state.panning->dragBy(
                {t.locationInWindow.x - state.start.x, t.locationInWindow.y - state.start.y});
        return;
    }
    for (const auto& r : state.recognizers)
        if (r->hasRecognized())
            return;
    if (distance(t.locationInWindow, state.start) <= 10)
        return;
    ScrollView* sv = nullptr;
    for (View* v = state.view.get(); v; v = v->superview())
        if (auto* s = dynamic_cast<ScrollView*>(v); s && s->isScrollEnabled()) {
            sv = s;
            break;
        }
    if (!sv)
        return;
    state.panning = sv;
    state.panningRef = sv->shared_from_this();
    if (state.deliveredToView) {
        state.deliveredToView = false;
        t.phase = TouchPhase::Cancelled;
        Event e = eventFor(state);
        state.view->touchesCancelled({&t}, e);
        t.phase = TouchPhase::Moved;
    }
    sv->beginDrag();
    sv->dragBy({t.locationInWindow.x - state.start.x, t.locationInWindow.y - state.start.y});
}

void Window::touchMoved(int finger, Point p) {
    auto it = touches_.find(finger);
    if (it == touches_.end())
        return;
    TouchState& state = it->second;
    Touch& t = state.touch;
    t.previousLocationInWindow = t.locationInWindow;
    t.locationInWindow = p;
    t.phase = TouchPhase::Moved;
    t.timestamp = now();
    // A recognizer may have recognized between events (a long press on its timer).
    afterRecognizers(state);
    for (auto& r : std::vector(state.recognizers))
        r->touchesMoved(t);
    afterRecognizers(state);
    panIfNeeded(state);
    if (state.deliveredToView) {
        Event e = eventFor(state);
        state.view->touchesMoved({&t}, e);
    }
}

void Window::touchEnded(int finger, Point p) {
    auto it = touches_.find(finger);
    if (it == touches_.end())
        return;
    TouchState& state = it->second;
    Touch& t = state.touch;
    if (t.locationInWindow != p) {
        touchMoved(finger, p);
        it = touches_.find(finger);
        if (it == touches_.end())
            return;
    }
    t.phase = TouchPhase::Ended;
    t.timestamp = now();
    afterRecognizers(state);
    for (auto& r : std::vector(state.recognizers))
        r->touchesEnded(t);
    afterRecognizers(state);
    if (state.panning && !state.panningRef.expired())
        state.panning->endDrag();
    if (state.deliveredToView) {
        Event e = eventFor(state);
        state.view->touchesEnded({&t}, e);
    }
    lastTapTime_ = t.timestamp;
    lastTapPoint_ = p;
    lastTapCount_ = t.tapCount;
    touches_.erase(finger);
}

void Window::touchCancelled(int finger) {
    auto it = touches_.find(finger);
    if (it == touches_.end())
        return;
    TouchState& state = it->second;
    Touch& t = state.touch;
    t.phase = TouchPhase::Cancelled;
    for (auto& r : state.recognizers)
        r->touchesCancelled(t);
    if (state.panning && !state.panningRef.expired())
        state.panning->endDrag();
    if (state.deliveredToView) {
        Event e = eventFor(state);
        state.view->touchesCancelled({&t}, e);
    }
    touches_.erase(finger);
}

View* Window::touchedView(int finger) const {
    auto it = touches_.find(finger);
    return it == touches_.end() ? nullptr : it->second.view.get();
}

bool Window::scrollWheel(Point p, Size delta) {
    layoutIfNeeded();
    Event probe;
    for (View* v = hitTest(p, &probe); v; v = v->superview())
        if (auto* sv = dynamic_cast<ScrollView*>(v); sv && sv->isScrollEnabled())
            return sv->scrollByWheel(delta);
    return false;
}

bool Window::pinch(Point p, double factor) {
    if (auto current = pinching_.lock()) {
        static_cast<PinchGestureRecognizer&>(*current).pinchStep(p, factor);
        return true;
    }
    layoutIfNeeded();
    Event probe;
    for (View* v = hitTest(p, &probe); v; v = v->superview())
        for (const auto& r : v->gestureRecognizers())
            if (auto* pinch = dynamic_cast<PinchGestureRecognizer*>(r.get()); pinch && pinch->isEnabled()) {
                pinching_ = r;
                pinch->pinchStep(p, factor);
                return true;
            }
    return false;
}

void Window::endPinch() {
    if (auto current = pinching_.lock())
        static_cast<PinchGestureRecognizer&>(*current).pinchEnded();
    pinching_.reset();
}

void Window::transitionToSize(Size size) {
    if (root_)
        root_->transitionToSize(size);
    traits_ = TraitCollection::forScreen(traits_.idiom, size);
    setFrame({frame().origin, size});
}

bool Window::insertText(const std::string& text) {
    auto* input = dynamic_cast<KeyInput*>(firstResponder_);
    if (!input)
        return false;
    input->insertText(text);
    return true;
}

bool Window::deleteBackward() {
    auto* input = dynamic_cast<KeyInput*>(firstResponder_);
    if (!input)
        return false;
    input->deleteBackward();
    return true;
}

bool Window::pressReturn() {
    auto* input = dynamic_cast<KeyInput*>(firstResponder_);
    if (!input)
        return false;
    input->insertNewline();
    return true;
}

} // namespace ui
