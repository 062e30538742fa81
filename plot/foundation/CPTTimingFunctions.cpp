// The easing curves. Each guards its ends first (t <= 0, then the end of its own time scale) so the
// ends are exact whatever rounding the formula between would bring.
#include "plot/foundation/CPTTimingFunctions.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kPi = 3.141592653589793;
} // namespace

double CPTTimingLinear(double t, double d) {
    if (t <= 0)
        return 0;
    const double x = t / d;
    if (x >= 1)
        return 1;
    return std::isnan(x) ? x : std::min(x, 1.0);
}

double CPTTimingBackIn(double t, double d) {
    if (t <= 0)
        return 0;
    const double x = t / d;
    if (x >= 1)
        return 1;
    return x * x * (2.70158 * x - 1.70158);
}

double CPTTimingBackOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double u = t / d - 1;
    if (u >= 0)
        return 1;
    return u * u * (2.70158 * u + 1.70158) + 1;
}

double CPTTimingBackInOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double y = t / (d / 2);
    if (y >= 2)
        return 1;
    if (y < 1)
        return 0.5 * (y * y * (3.5949095 * y - 2.5949095));
    const double v = y - 2;
    return 0.5 * (v * v * (3.5949095 * v + 2.5949095) + 2);
}

// The two bounce curves built on the out curve guard their start too: with a duration of 0 their
// formulas alone would give 1 and 0.5 at t = 0, where every other curve gives 0.
double CPTTimingBounceIn(double t, double d) {
    if (t <= 0)
        return 0;
    return 1 - CPTTimingBounceOut(d - t, d);
}

double CPTTimingBounceOut(double t, double d) {
    if (t <= 0)
        return 0;
    double x = t / d;
    if (x >= 1)
        return 1;
    if (x < 1 / 2.75)
        return 7.5625 * x * x;
    if (x < 2 / 2.75) {
        x -= 1.5 / 2.75;
        return 7.5625 * x * x + 0.75;
    }
    if (x < 2.5 / 2.75) {
        x -= 2.25 / 2.75;
        return 7.5625 * x * x + 0.9375;
    }
    x -= 2.625 / 2.75;
    return 7.5625 * x * x + 0.984375;
}

double CPTTimingBounceInOut(double t, double d) {
    if (t <= 0)
        return 0;
    if (t < d / 2)
        return 0.5 * (1 - CPTTimingBounceOut(d - 2 * t, d));
    return 0.5 * CPTTimingBounceOut(2 * t - d, d) + 0.5;
}

double CPTTimingCircularIn(double t, double d) {
    if (t <= 0)
        return 0;
    const double x = t / d;
    if (x >= 1)
        return 1;
    return 1 - std::sqrt(1 - x * x);
}

double CPTTimingCircularOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double u = t / d - 1;
    if (u >= 0)
        return 1;
    return std::sqrt(1 - u * u);
}

double CPTTimingCircularInOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double y = t / (d / 2);
    if (y >= 2)
        return 1;
    if (y < 1)
        return -0.5 * (std::sqrt(1 - y * y) - 1);
    const double v = y - 2;
    return 0.5 * (std::sqrt(1 - v * v) + 1);
}

double CPTTimingElasticIn(double t, double d) {
    if (t <= 0)
        return 0;
    const double x = t / d;
    if (x >= 1)
        return 1;
    const double p = d * 0.3;
    const double s = p / 4;
    const double w = x - 1;
    return -(std::pow(2, 10 * w) * std::sin((w * d - s) * kTwoPi / p));
}

double CPTTimingElasticOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double x = t / d;
    if (x >= 1)
        return 1;
    const double p = d * 0.3;
    const double s = p / 4;
    return std::pow(2, -10 * x) * std::sin((x * d - s) * kTwoPi / p) + 1;
}

double CPTTimingElasticInOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double y = t / (d / 2);
    if (y >= 2)
        return 1;
    const double p = d * (0.3 * 1.5);
    const double s = p / 4;
    const double w = y - 1;
    const double wave = std::sin((w * d - s) * kTwoPi / p);
    if (w < 0)
        return -0.5 * (std::pow(2, 10 * w) * wave);
    return 0.5 * std::pow(2, -10 * w) * wave + 1;
}

double CPTTimingExponentialIn(double t, double d) {
    if (t <= 0)
        return 0;
    const double x = t / d;
    if (x >= 1)
        return 1;
    return std::pow(2, 10 * (x - 1));
}

double CPTTimingExponentialOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double x = t / d;
    if (x >= 1)
        return 1;
    return 1 - std::pow(2, -10 * x);
}

double CPTTimingExponentialInOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double w = t / (d / 2) - 1;
    if (w >= 1)
        return 1;
    if (w < 0)
        return 0.5 * std::pow(2, 10 * w);
    return 0.5 * (2 - std::pow(2, -10 * w));
}

double CPTTimingSinusoidalIn(double t, double d) {
    if (t <= 0)
        return 0;
    const double x = t / d;
    if (x >= 1)
        return 1;
    return 1 - std::cos(x * kHalfPi);
}

double CPTTimingSinusoidalOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double x = t / d;
    if (x >= 1)
        return 1;
    return std::sin(x * kHalfPi);
}

double CPTTimingSinusoidalInOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double x = t / d;
    if (x >= 1)
        return 1;
    return -0.5 * (std::cos(kPi * x) - 1);
}

double CPTTimingCubicIn(double t, double d) {
    if (t <= 0)
        return 0;
    const double x = t / d;
    if (x >= 1)
        return 1;
    return x * x * x;
}

double CPTTimingCubicOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double u = t / d - 1;
    if (u >= 0)
        return 1;
    return u * u * u + 1;
}

double CPTTimingCubicInOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double y = t / (d / 2);
    if (y >= 2)
        return 1;
    if (y < 1)
        return 0.5 * y * y * y;
    const double v = y - 2;
    return 0.5 * (v * v * v + 2);
}

double CPTTimingQuadraticIn(double t, double d) {
    if (t <= 0)
        return 0;
    const double x = t / d;
    if (x >= 1)
        return 1;
    return x * x;
}

double CPTTimingQuadraticOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double x = t / d;
    if (x >= 1)
        return 1;
    return -x * (x - 2);
}

double CPTTimingQuadraticInOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double y = t / (d / 2);
    if (y >= 2)
        return 1;
    if (y < 1)
        return 0.5 * y * y;
    const double v = y - 1;
    return -0.5 * (v * (v - 2) - 1);
}

double CPTTimingQuarticIn(double t, double d) {
    if (t <= 0)
        return 0;
    const double x = t / d;
    if (x >= 1)
        return 1;
    return x * x * x * x;
}

double CPTTimingQuarticOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double u = t / d - 1;
    if (u >= 0)
        return 1;
    return 1 - u * u * u * u;
}

double CPTTimingQuarticInOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double y = t / (d / 2);
    if (y >= 2)
        return 1;
    if (y < 1)
        return 0.5 * y * y * y * y;
    const double v = y - 2;
    return -0.5 * (v * v * v * v - 2);
}

double CPTTimingQuinticIn(double t, double d) {
    if (t <= 0)
        return 0;
    const double x = t / d;
    if (x >= 1)
        return 1;
    return x * x * x * x * x;
}

double CPTTimingQuinticOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double u = t / d - 1;
    if (u >= 0)
        return 1;
    return u * u * u * u * u + 1;
}

double CPTTimingQuinticInOut(double t, double d) {
    if (t <= 0)
        return 0;
    const double y = t / (d / 2);
    if (y >= 2)
        return 1;
    if (y < 1)
        return 0.5 * y * y * y * y * y;
    const double v = y - 2;
    return 0.5 * (v * v * v * v * v + 2);
}

const std::array<CPTTimingFunction, 31> CPTTimingFunctionTable = {
    CPTTimingLinear,
    CPTTimingBackIn,          CPTTimingBackOut,          CPTTimingBackInOut,
    CPTTimingBounceIn,        CPTTimingBounceOut,        CPTTimingBounceInOut,
    CPTTimingCircularIn,      CPTTimingCircularOut,      CPTTimingCircularInOut,
    CPTTimingElasticIn,       CPTTimingElasticOut,       CPTTimingElasticInOut,
    CPTTimingExponentialIn,   CPTTimingExponentialOut,   CPTTimingExponentialInOut,
    CPTTimingSinusoidalIn,    CPTTimingSinusoidalOut,    CPTTimingSinusoidalInOut,
    CPTTimingCubicIn,         CPTTimingCubicOut,         CPTTimingCubicInOut,
    CPTTimingQuadraticIn,     CPTTimingQuadraticOut,     CPTTimingQuadraticInOut,
    CPTTimingQuarticIn,       CPTTimingQuarticOut,       CPTTimingQuarticInOut,
    CPTTimingQuinticIn,       CPTTimingQuinticOut,       CPTTimingQuinticInOut,
};
