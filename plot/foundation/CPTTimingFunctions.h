// Easing curves of the animation engine: plain functions of (elapsed time t, duration d) giving the
// progress, 0 at the start and 1 at the end, possibly beyond in between (back and elastic overshoot).
#pragma once

#include <array>
#include <cstdint>

// 0 asks for the engine's default curve; 1-31 pick entry code - 1 of CPTTimingFunctionTable.
enum CPTAnimationCurve : std::int64_t {
    CPTAnimationCurveDefault = 0,
    CPTAnimationCurveLinear,
    CPTAnimationCurveBackIn,
    CPTAnimationCurveBackOut,
    CPTAnimationCurveBackInOut,
    CPTAnimationCurveBounceIn,
    CPTAnimationCurveBounceOut,
    CPTAnimationCurveBounceInOut,
    CPTAnimationCurveCircularIn,
    CPTAnimationCurveCircularOut,
    CPTAnimationCurveCircularInOut,
    CPTAnimationCurveElasticIn,
    CPTAnimationCurveElasticOut,
    CPTAnimationCurveElasticInOut,
    CPTAnimationCurveExponentialIn,
    CPTAnimationCurveExponentialOut,
    CPTAnimationCurveExponentialInOut,
    CPTAnimationCurveSinusoidalIn,
    CPTAnimationCurveSinusoidalOut,
    CPTAnimationCurveSinusoidalInOut,
    CPTAnimationCurveCubicIn,
    CPTAnimationCurveCubicOut,
    CPTAnimationCurveCubicInOut,
    CPTAnimationCurveQuadraticIn,
    CPTAnimationCurveQuadraticOut,
    CPTAnimationCurveQuadraticInOut,
    CPTAnimationCurveQuarticIn,
    CPTAnimationCurveQuarticOut,
    CPTAnimationCurveQuarticInOut,
    CPTAnimationCurveQuinticIn,
    CPTAnimationCurveQuinticOut,
    CPTAnimationCurveQuinticInOut,
};

using CPTTimingFunction = double (*)(double t, double d);

// Every function gives 0 for t <= 0 and 1 once t reaches d, so a duration of 0 gives 1 for any
// t > 0. Between, only the linear function lets a NaN through.
double CPTTimingLinear(double t, double d);
double CPTTimingBackIn(double t, double d);
double CPTTimingBackOut(double t, double d);
double CPTTimingBackInOut(double t, double d);
double CPTTimingBounceIn(double t, double d);
double CPTTimingBounceOut(double t, double d);
double CPTTimingBounceInOut(double t, double d);
double CPTTimingCircularIn(double t, double d);
double CPTTimingCircularOut(double t, double d);
double CPTTimingCircularInOut(double t, double d);
double CPTTimingElasticIn(double t, double d);
double CPTTimingElasticOut(double t, double d);
double CPTTimingElasticInOut(double t, double d);
double CPTTimingExponentialIn(double t, double d);
double CPTTimingExponentialOut(double t, double d);
double CPTTimingExponentialInOut(double t, double d);
double CPTTimingSinusoidalIn(double t, double d);
double CPTTimingSinusoidalOut(double t, double d);
double CPTTimingSinusoidalInOut(double t, double d);
double CPTTimingCubicIn(double t, double d);
double CPTTimingCubicOut(double t, double d);
double CPTTimingCubicInOut(double t, double d);
double CPTTimingQuadraticIn(double t, double d);
double CPTTimingQuadraticOut(double t, double d);
double CPTTimingQuadraticInOut(double t, double d);
double CPTTimingQuarticIn(double t, double d);
double CPTTimingQuarticOut(double t, double d);
double CPTTimingQuarticInOut(double t, double d);
double CPTTimingQuinticIn(double t, double d);
double CPTTimingQuinticOut(double t, double d);
double CPTTimingQuinticInOut(double t, double d);

// Entry i is the function of curve code i + 1.
extern const std::array<CPTTimingFunction, 31> CPTTimingFunctionTable;
