// Shadows applied to a context, and their copies.
#include "plot/foundation/CPTShadow.h"

#include "platform/graphics/Recorder.h"

#include <gtest/gtest.h>
#include <limits>

TEST(CPTShadow, AppliesToTheContext) {
    auto rc = gfx::makeRecordingContext();
    gfx::Context& ctx = *rc.context;

    CPTShadow::shadow()->setShadowInContext(ctx);
    EXPECT_FALSE(ctx.state().shadow.color);
    ctx.fillRect(CGRect(0, 0, 10, 10));

    auto hard = CPTMutableShadow::shadow();
    hard->setShadowColor(CPTColor::blackColor());
    hard->setShadowInContext(ctx);
    ctx.fillRect(CGRect(0, 0, 10, 10));

    auto soft = CPTMutableShadow::shadow();
    soft->setShadowColor(CPTColor::colorWithComponentRed(0, 0, 1, 0.5));
    soft->setShadowOffset({3, -4});
    soft->setShadowBlurRadius(2.5);
    soft->setShadowInContext(ctx);
    ctx.fillRect(CGRect(0, 0, 10, 10));

    // A default shadow turns a shadow off again.
    CPTShadow::shadow()->setShadowInContext(ctx);
    ctx.fillRect(CGRect(0, 0, 10, 10));

    const auto lines = rc.recorder->lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].find("shadow"), std::string::npos);
    EXPECT_NE(lines[1].find("shadow 0 0 0 0 0 0 1"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("shadow 3 -4 2.5 0 0 1 0.5"), std::string::npos) << lines[2];
    EXPECT_EQ(lines[3].find("shadow"), std::string::npos);
}

TEST(CPTShadow, UnplaceableShadowsAreNoShadow) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto rc = gfx::makeRecordingContext();
    auto shadow = CPTMutableShadow::shadow();
    shadow->setShadowColor(CPTColor::blackColor());
    shadow->setShadowOffset({nan, 1});
    shadow->setShadowInContext(*rc.context);
    EXPECT_FALSE(rc.context->state().shadow.color);
    shadow->setShadowOffset({1, 1});
    shadow->setShadowBlurRadius(std::numeric_limits<double>::infinity());
    shadow->setShadowInContext(*rc.context);
    EXPECT_FALSE(rc.context->state().shadow.color);
    rc.context->fillRect(CGRect(0, 0, 5, 5));
    EXPECT_EQ(rc.recorder->lines().size(), 1u);
}

TEST(CPTShadow, CopiesHaveAFixedClassAndShareTheColour) {
    auto shadow = CPTMutableShadow::shadow();
    shadow->setShadowOffset({1, 2});
    shadow->setShadowBlurRadius(3);
    shadow->setShadowColor(CPTColor::redColor());

    const auto copy = shadow->copy();
    EXPECT_STREQ(copy->className(), "CPTShadow");
    EXPECT_EQ(dynamic_cast<const CPTMutableShadow*>(copy.get()), nullptr);
    EXPECT_EQ(copy->shadowOffset(), (CGSize{1, 2}));
    EXPECT_EQ(copy->shadowBlurRadius(), 3);
    EXPECT_EQ(copy->shadowColor().get(), CPTColor::redColor().get());

    const auto mutableCopy = copy->mutableCopy();
    EXPECT_STREQ(mutableCopy->className(), "CPTMutableShadow");
    mutableCopy->setShadowBlurRadius(9);
    EXPECT_EQ(copy->shadowBlurRadius(), 3);
}
