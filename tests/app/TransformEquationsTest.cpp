// The editor's code and slot tables where the screen cannot reach: reserved and unknown codes, and the
// rules for not-a-number inputs that the model's reading never passes on.
#include "app/TransformEquations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(TransformEquations, ReservedAndUnknownCodesPreviewButAreOfferedNowhere) {
    struct Case {
        unsigned code;
        const char* preview;
    };
    const Case cases[] = {
        {323, "New = rank(v)"},          {324, "New = rank(-1 * v)"},   {325, "New = quantile(v)"},
        {326, "New = percentile(v)"},    {328, "New = Box cox(v)"},     {400, "Unknown Transformation"},
        {341, "Unknown Transformation"}, {7, "Unknown Transformation"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        const TransformEquation& eq = transformEquation(c.code);
        EXPECT_EQ(previewOfEquation(eq, "New", "v", "w", "2"), c.preview);
        EXPECT_TRUE(eq.needsX);
        EXPECT_FALSE(eq.needsY);
        EXPECT_FALSE(eq.needsC);
        for (unsigned category = 0; category < kTransformCategoryCount; ++category)
            for (const auto& slot : slotsOfCategory(category))
                EXPECT_NE(slot.code, c.code);
        for (const auto& slot : initialSlots())
            EXPECT_NE(slot.code, c.code);
    }
    // An unknown code copies x.
    EXPECT_EQ(formulaOfEquation(341, {})(2.5, 7, 9), 2.5);
}

TEST(TransformEquations, NotANumberFollowsTheLibraryRules) {
    struct Case {
        unsigned code;
        double x, y, c, expected;
    };
    const Case cases[] = {
        {314, nan, 0, 5, 5}, {315, nan, 0, 5, 5}, {321, 3, nan, 0, 3}, {322, nan, 4, 0, 4},
        {329, nan, 0, 5, 0}, {330, nan, 0, 5, 0}, {331, nan, 0, 5, 0}, {332, nan, 0, 5, 0},
        {333, nan, 0, 5, 0}, {340, nan, 0, 5, 1}, {329, 5, 0, 5, 1},   {340, 5, 0, 5, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(formulaOfEquation(c.code, {})(c.x, c.y, c.c), c.expected);
    }
}

TEST(TransformEquations, TheStatisticsOfXAreUsedAsGivenOrAsTheirDefaults) {
    EXPECT_EQ(formulaOfEquation(327, {})(3, 0, 0), 3); // mean 0, sd 1
    EXPECT_EQ(formulaOfEquation(339, {})(0.25, 0, 0), 0.25);
    EXPECT_EQ(formulaOfEquation(327, {10, 2, 0, 1})(14, 0, 0), 2);
    EXPECT_EQ(formulaOfEquation(339, {0, 1, -2, 6})(0, 0, 0), 0.25);
}

} // namespace
