// The easing curves: exact ends, the values the formulas pin, and every curve against an independent
// re-implementation of the table.
#include "plot/foundation/CPTTimingFunctions.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <sstream>
#include <string>

TEST(CPTTimingFunctions, EveryCurveStartsAtExactlyZeroAndEndsAtExactlyOne) {
    for (std::size_t i = 0; i < CPTTimingFunctionTable.size(); ++i) {
        SCOPED_TRACE("curve " + std::to_string(i + 1));
        for (const double d : {1.0, 2.0, 0.35}) {
            EXPECT_EQ(CPTTimingFunctionTable[i](0, d), 0.0);
            EXPECT_EQ(CPTTimingFunctionTable[i](-0.5, d), 0.0);
            EXPECT_EQ(CPTTimingFunctionTable[i](d, d), 1.0);
            EXPECT_EQ(CPTTimingFunctionTable[i](d * 1.5, d), 1.0);
        }
        // A duration of 0 is over at once.
        EXPECT_EQ(CPTTimingFunctionTable[i](0.1, 0), 1.0);
        EXPECT_EQ(CPTTimingFunctionTable[i](0, 0), 0.0);
    }
}

TEST(CPTTimingFunctions, ValuesPinnedByTheirFormulas) {
    struct Case {
        const char* name;
        CPTTimingFunction function;
        double t, d, expected;
    };
    const Case cases[] = {
        {"quadratic out", CPTTimingQuadraticOut, 0.5, 1, 0.75},
        // second branch: 7.5625 * (0.5 - 1.5 / 2.75)^2 + 0.75
        {"bounce out", CPTTimingBounceOut, 0.5, 1, 0.765625},
        {"linear past its duration of 0", CPTTimingLinear, 2, 0, 1},
        {"linear", CPTTimingLinear, 0.25, 1, 0.25},
        {"cubic in", CPTTimingCubicIn, 1, 2, 0.125},
        {"quintic in-out at the middle", CPTTimingQuinticInOut, 1, 2, 0.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(c.function(c.t, c.d), c.expected);
    }
}

TEST(CPTTimingFunctions, TableOrderFollowsTheCurveCodes) {
    EXPECT_EQ(CPTTimingFunctionTable[CPTAnimationCurveLinear - 1], &CPTTimingLinear);
    EXPECT_EQ(CPTTimingFunctionTable[CPTAnimationCurveBounceOut - 1], &CPTTimingBounceOut);
    EXPECT_EQ(CPTTimingFunctionTable[CPTAnimationCurveQuadraticOut - 1], &CPTTimingQuadraticOut);
    EXPECT_EQ(CPTTimingFunctionTable[CPTAnimationCurveQuinticInOut - 1], &CPTTimingQuinticInOut);
}

TEST(CPTTimingFunctions, OnlyLinearLetsANaNDurationThrough) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(std::isnan(CPTTimingLinear(0.5, nan)));
    // A NaN time is not after the start, so it reads as the start.
    EXPECT_EQ(CPTTimingQuadraticOut(-1, nan), 0.0);
}

TEST(CPTTimingFunctions, AgreeWithAnIndependentImplementation) {
    // tests/fixtures/plot/foundation/timing_curves.py writes the table (its header holds the command).
    std::ifstream in(std::string(OVRIDA_SOURCE_DIR) + "/tests/fixtures/plot/foundation/timing_curves.txt");
    ASSERT_TRUE(in.good());
    std::string line;
    bool any = false;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int code = 0;
        double t = 0, d = 0, expected = 0;
        fields >> code >> t >> d >> expected;
        ASSERT_TRUE(code >= 1 && code <= 31) << line;
        SCOPED_TRACE(line);
        EXPECT_NEAR(CPTTimingFunctionTable[static_cast<std::size_t>(code - 1)](t, d), expected, 1e-12);
        any = true;
    }
    EXPECT_TRUE(any);
}
