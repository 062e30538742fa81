// The window: the root view of a screen. It holds the first responder and turns the host's raw input
// (touches by finger id, wheel deltas, typed text) into hit-tested touches, gestures and key input.
#pragma once

#include "platform/ui/Host.h"
#include "platform/ui/Traits.h"
#include "platform/ui/View.h"

#include <map>
#include <memory>

namespace ui {

class GestureRecognizer;
class ScrollView;
class ViewController;

// What the first responder implements to take typed text.
class KeyInput {
  public:
    virtual ~KeyInput() = default;
    virtual void insertText(const std::string& text) = 0;
    virtual void deleteBackward() = 0;
    // The return key.
    virtual void insertNewline() = 0;
};

class Window : public View {
  public:
    explicit Window(const Rect& frame = {});
    ~Window() override;

    void makeKeyAndVisible();
    bool isKeyWindow() const;
    const TraitCollection& traitCollection() const { return traits_; }
    void setTraitCollection(const TraitCollection& traits) { traits_ = traits; }
    // The controller whose view fills the window.
    ViewController* rootViewController() const { return root_.get(); }
    void setRootViewController(std::shared_ptr<ViewController> controller);

    View* firstResponder() const { return firstResponder_; }
    // The first responder bookkeeping; views call these through become/resignFirstResponder.
    void setFirstResponder(View* view) { firstResponder_ = view; }
    void clearFirstResponder() { firstResponder_ = nullptr; }

    // --- raw input from the host, in window coordinates
    void touchBegan(int finger, Point p);
    void touchMoved(int finger, Point p);
    void touchEnded(int finger, Point p);
    void touchCancelled(int finger);
    // The view a touch of `finger` reached when it began (null when none or it ended).
    View* touchedView(int finger) const;
    // Scrolls the scroll view under `p` by `delta` window points (positive: towards the content's end).
    bool scrollWheel(Point p, Size delta);
    // A pinch step by `factor` at `p` for the nearest pinch recognizer under it; false when none.
    bool pinch(Point p, double factor);
    // Ends the pinch in progress (the desktop host calls this when ctrl is released or the wheel rests).
    void endPinch();
    // A new window size: the root controller hears of it first, then the window takes the size.
    void transitionToSize(Size size);
    // Typed text and keys for the first responder; false when it takes no text.
    bool insertText(const std::string& text);
    bool deleteBackward();
    bool pressReturn();

  private:
    struct TouchState {
        Touch touch;
        std::shared_ptr<View> view;
        std::vector<std::shared_ptr<GestureRecognizer>> recognizers;
        bool deliveredToView = true;
        Point start;
        ScrollView* panning = nullptr;
        std::weak_ptr<View> panningRef;
    };
    Event eventFor(TouchState& state);
    void afterRecognizers(TouchState& state);
    void finishTouch(int finger, bool cancelled);
    void panIfNeeded(TouchState& state);

    View* firstResponder_ = nullptr;
    std::shared_ptr<ViewController> root_;
    std::weak_ptr<GestureRecognizer> pinching_;
    TraitCollection traits_;
    std::map<int, TouchState> touches_;
    double lastTapTime_ = -1;
    Point lastTapPoint_;
    int lastTapCount_ = 0;
};

// The application: its windows and the host's clock (once-only shared object; main thread only).
class Application {
  public:
    static Application& shared();

    Window* keyWindow() const { return keyWindow_; }
    void setKeyWindow(Window* window) { keyWindow_ = window; }
    void windowGone(Window* window);

    // The clock of every window's animations, set by the host; null: animations end at once.
    std::shared_ptr<HostClock> clock() const { return clock_; }
    void setClock(std::shared_ptr<HostClock> clock) { clock_ = std::move(clock); }
    Host* host() const { return host_; }
    void setHost(Host* host) { host_ = host; }

  private:
    Window* keyWindow_ = nullptr;
    std::shared_ptr<HostClock> clock_;
    Host* host_ = nullptr;
};

} // namespace ui
