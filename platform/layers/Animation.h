// Keyed property animations of layers, timed by a clock the host provides (a virtual one in tests).
#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

#include <functional>
#include <optional>
#include <string>
#include <variant>

namespace layers {

using AnimatedValue = std::variant<double, gfx::Point, gfx::Size, gfx::Rect, gfx::Color, gfx::AffineTransform>;

// Seconds on a monotonic time line; the window's host ticks it, headless tests advance it.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

class ManualClock : public Clock {
  public:
    double now() const override { return now_; }
    void advance(double seconds) { now_ += seconds; }
    void set(double seconds) { now_ = seconds; }

  private:
    double now_ = 0;
};

// One property animation from `from` to `to`. Animatable key paths: "opacity", "position", "bounds",
// "anchorPoint", "backgroundColor", "borderColor", "borderWidth", "cornerRadius", "shadowOpacity",
// "transform" (a whole transform, mixed entry by entry), "transform.rotation.z" (radians, about the
// anchor point) and "transform.scale".
struct Animation {
    std::string keyPath;
    AnimatedValue from = 0.0;
    AnimatedValue to = 0.0;
    double duration = 0.25;
    // When it starts on the clock; nullopt: the time it is added.
    std::optional<double> beginTime;
    // Shifts the animation's own time; it wraps within the active duration.
    double timeOffset = 0;
    // 0 means once; fractions run part of a cycle.
    double repeatCount = 0;
    bool autoreverses = false;
    bool removedOnCompletion = true;
    // Maps progress 0...1 to eased progress; none: linear.
    std::function<double(double)> timing;
    // Called once when the animation is removed: true when it ran to its end.
    std::function<void(bool finished)> completion;

    double activeDuration() const;
    // The value at `now`, or nullopt before the start and after the end.
    std::optional<AnimatedValue> valueAt(double now) const;
};

AnimatedValue interpolate(const AnimatedValue& from, const AnimatedValue& to, double t);

} // namespace layers
