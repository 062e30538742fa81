// Gesture recognizers: tap, long press and swipe, fed the touches of the views they are attached to.
// A delegate may refuse a touch. A control under the finger wins over recognizers on its ancestors.
#pragma once

#include "platform/foundation/Dispatch.h"
#include "platform/ui/View.h"

#include <functional>
#include <memory>
#include <vector>

namespace ui {

enum class GestureState { Possible, Began, Changed, Ended, Cancelled, Failed };
inline constexpr GestureState GestureRecognized = GestureState::Ended;

class GestureRecognizer;

class GestureRecognizerDelegate {
  public:
    virtual ~GestureRecognizerDelegate() = default;
    virtual bool gestureRecognizerShouldReceiveTouch(GestureRecognizer& recognizer, const Touch& touch) {
        return true;
    }
    virtual bool gestureRecognizerShouldBegin(GestureRecognizer& recognizer) { return true; }
};

class GestureRecognizer {
  public:
    using Action = std::function<void(GestureRecognizer&)>;
    explicit GestureRecognizer(Action action = {});
    virtual ~GestureRecognizer() = default;

    void addTarget(Action action) { actions_.push_back(std::move(action)); }
    View* view() const { return view_; }
    GestureState state() const { return state_; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool on) { enabled_ = on; }
    bool cancelsTouchesInView() const { return cancelsTouchesInView_; }
    void setCancelsTouchesInView(bool on) { cancelsTouchesInView_ = on; }
    GestureRecognizerDelegate* delegate() const { return delegate_; }
    void setDelegate(GestureRecognizerDelegate* d) { delegate_ = d; }
    // Where the (first) touch is, in `view`'s coordinates (null: the window).
    Point locationInView(const View* view) const;

    // Fed by the window; answer nothing, change state() instead.
    virtual void touchesBegan(Touch& touch) {}
    virtual void touchesMoved(Touch& touch) {}
    virtual void touchesEnded(Touch& touch) {}
    virtual void touchesCancelled(Touch& touch);
    // Back to Possible for the next gesture.
    virtual void reset();
    // True once the gesture began or was recognized.
    bool hasRecognized() const { return recognized_; }

  protected:
    // Moves to a state; Began, Changed and Ended (recognized) call the actions.
    void transition(GestureState state);
    Point location_;

  private:
    friend class View;
    friend class Window;
    View* view_ = nullptr;
    GestureState state_ = GestureState::Possible;
    bool enabled_ = true;
    bool cancelsTouchesInView_ = true;
    bool recognized_ = false;
    GestureRecognizerDelegate* delegate_ = nullptr;
    std::vector<Action> actions_;
};

class TapGestureRecognizer : public GestureRecognizer {
  public:
    using GestureRecognizer::GestureRecognizer;
    int numberOfTapsRequired() const { return taps_; }
    void setNumberOfTapsRequired(int n) { taps_ = n; }
    void touchesBegan(Touch& touch) override;
    void touchesMoved(Touch& touch) override;
    void touchesEnded(Touch& touch) override;

  private:
    int taps_ = 1;
    Point start_;
};

class LongPressGestureRecognizer : public GestureRecognizer {
  public:
    using GestureRecognizer::GestureRecognizer;
    double minimumPressDuration() const { return minimum_; }
    void setMinimumPressDuration(double seconds) { minimum_ = seconds; }
    double allowableMovement() const { return allowable_; }
    void setAllowableMovement(double points) { allowable_ = points; }
    void touchesBegan(Touch& touch) override;
    void touchesMoved(Touch& touch) override;
    void touchesEnded(Touch& touch) override;
    void reset() override;

  private:
    double minimum_ = 0.5;
    double allowable_ = 10;
    Point start_;
    std::shared_ptr<dispatch::Cancellable> timer_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

enum SwipeDirection : unsigned { SwipeRight = 1, SwipeLeft = 2, SwipeUp = 4, SwipeDown = 8 };

class SwipeGestureRecognizer : public GestureRecognizer {
  public:
    using GestureRecognizer::GestureRecognizer;
    unsigned direction() const { return direction_; }
    void setDirection(unsigned d) { direction_ = d; }
    void touchesBegan(Touch& touch) override;
    void touchesMoved(Touch& touch) override;
    void touchesEnded(Touch& touch) override;

  private:
    unsigned direction_ = SwipeRight;
    Point start_;
};

// Two-finger scaling; on a desktop the host turns ctrl+wheel into pinch steps (see Window::pinch).
class PinchGestureRecognizer : public GestureRecognizer {
  public:
    using GestureRecognizer::GestureRecognizer;
    // The scale since the pinch began (1 at the start).
    double scale() const { return scale_; }
    void setScale(double s) { scale_ = s; }
    // One step of a pinch at `location` (window coordinates): Began on the first, then Changed.
    void pinchStep(Point location, double factor);
    // Ends the pinch in progress.
    void pinchEnded();

  private:
    double scale_ = 1;
};

} // namespace ui
