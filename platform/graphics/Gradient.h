// Colour ramps for axial and radial shadings: stops blended in RGB, or any colour function (for
// blends through hue), which the backends sample into enough stops.
#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

#include <functional>
#include <vector>

namespace gfx {

struct GradientStop {
    double location = 0;
    Color color;
    friend bool operator==(const GradientStop&, const GradientStop&) = default;
};

class Gradient {
  public:
    Gradient() = default;
    // Stops blended linearly in RGB; locations in 0...1, kept in the given order.
    explicit Gradient(std::vector<GradientStop> stops) : stops_(std::move(stops)) {}
    // Any colour along 0...1 (a shading function); sampled when drawn.
    explicit Gradient(std::function<Color(double)> function) : function_(std::move(function)) {}

    bool isFunction() const { return static_cast<bool>(function_); }
    const std::vector<GradientStop>& stops() const { return stops_; }
    Color colorAt(double t) const;
    // Stops that reproduce the ramp on [from, to] remapped to 0...1: the stops themselves for an RGB
    // ramp, `samples` evenly spaced stops for a function.
    std::vector<GradientStop> stopsBetween(double from, double to, int samples = 256) const;

  private:
    std::vector<GradientStop> stops_;
    std::function<Color(double)> function_;
};

// Whether the shading continues beyond its ends (the platform's option bits).
enum GradientDrawingOptions : unsigned {
    GradientDrawsBeforeStart = 1,
    GradientDrawsAfterEnd = 2,
};

// A resolved shading in user space, as handed to devices.
struct Shading {
    enum class Kind { Axial, Radial } kind = Kind::Axial;
    Point start, end;
    double startRadius = 0, endRadius = 0;
    std::vector<GradientStop> stops;
    bool extendStart = false, extendEnd = false;
};

} // namespace gfx
