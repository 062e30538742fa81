// Colours: the named colours, equality and hash over the components, native-backed colours, and the
// shared colour space.
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTColorSpace.h"

#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

TEST(CPTColor, NamedColoursAreOnceOnlyConstants) {
    struct Case {
        const char* name;
        const std::shared_ptr<CPTColor>& (*get)();
        gfx::Color components;
    };
    const Case cases[] = {
        {"clear", CPTColor::clearColor, {0, 0, 0, 0}},
        {"white", CPTColor::whiteColor, {1, 1, 1, 1}},
        {"lightGray", CPTColor::lightGrayColor, {0.6666666666666666, 0.6666666666666666, 0.6666666666666666, 1}},
        {"gray", CPTColor::grayColor, {0.5, 0.5, 0.5, 1}},
        {"darkGray", CPTColor::darkGrayColor, {0.3333333333333333, 0.3333333333333333, 0.3333333333333333, 1}},
        {"black", CPTColor::blackColor, {0, 0, 0, 1}},
        {"red", CPTColor::redColor, {1, 0, 0, 1}},
        {"green", CPTColor::greenColor, {0, 1, 0, 1}},
        {"blue", CPTColor::blueColor, {0, 0, 1, 1}},
        {"cyan", CPTColor::cyanColor, {0, 1, 1, 1}},
        {"yellow", CPTColor::yellowColor, {1, 1, 0, 1}},
        {"magenta", CPTColor::magentaColor, {1, 0, 1, 1}},
        {"orange", CPTColor::orangeColor, {1, 0.5, 0, 1}},
        {"purple", CPTColor::purpleColor, {0.5, 0, 0.5, 1}},
        {"brown", CPTColor::brownColor, {0.6, 0.4, 0.2, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto& first = c.get();
        ASSERT_TRUE(first);
        EXPECT_EQ(first->cgColor(), c.components);
        EXPECT_EQ(first.get(), c.get().get());
        EXPECT_FALSE(first->uiColorCache());
    }
    EXPECT_EQ(CPTColorSpace::genericRGBSpace().get(), CPTColorSpace::genericRGBSpace().get());
    EXPECT_EQ(CPTColorSpace::genericRGBSpace()->cgColorSpace(), CPTColorSpace::Model::DeviceRGB);
}

TEST(CPTColor, EqualityHashAndOpacity) {
    const CPTColor transparent;
    EXPECT_EQ(transparent.cgColor(), (gfx::Color{0, 0, 0, 0}));
    EXPECT_FALSE(transparent.isOpaque());
    EXPECT_EQ(transparent.hash(), 0u);

    const auto black = CPTColor::colorWithComponentRed(0, 0, 0, 1);
    EXPECT_TRUE(black->isEqual(CPTColor::blackColor().get()));
    EXPECT_TRUE(CPTColor::blackColor()->isEqual(black.get()));
    EXPECT_EQ(black->hash(), 4294967296u); // 1.0 x 256^4
    EXPECT_EQ(CPTColor::blackColor()->hash(), black->hash());
    EXPECT_FALSE(black->isEqual(nullptr));
    EXPECT_FALSE(black->isEqual(CPTColor::clearColor().get()));
    EXPECT_TRUE(CPTColor::clearColor()->isEqual(&transparent));

    // red 0.5 x 256 + green 0.25 x 65536 + blue 1 x 16777216 + alpha 0.5 x 4294967296
    EXPECT_EQ(CPTColor::colorWithComponentRed(0.5, 0.25, 1, 0.5)->hash(), 128u + 16384u + 16777216u + 2147483648u);
    // The exact-values rule: NaN gives 0, too large saturates, never undefined behaviour.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(CPTColor::colorWithComponentRed(nan, 0, 0, 1)->hash(), 0u);
    EXPECT_EQ(CPTColor::colorWithComponentRed(0, 0, 0, 1e300)->hash(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(CPTColor::colorWithComponentRed(0, 0, 0, -1)->hash(), 0u);

    struct Opacity {
        double alpha;
        bool opaque;
    };
    for (const Opacity o : {Opacity{1.0, true}, Opacity{0.999, false}, Opacity{0, false}, Opacity{1.5, true}}) {
        SCOPED_TRACE(o.alpha);
        EXPECT_EQ(CPTColor::colorWithComponentRed(0.2, 0.4, 0.6, o.alpha)->isOpaque(), o.opaque);
    }
    EXPECT_TRUE(CPTColor::colorWithGenericGray(0.25)->isEqual(CPTColor::colorWithComponentRed(0.25, 0.25, 0.25, 1).get()));
}

TEST(CPTColor, NativeColoursStayNativeThroughAlphaAndCopies) {
    const gfx::Color teal{0, 0.5, 0.5, 1};
    const auto native = CPTColor::colorWithNativeColor(teal);
    ASSERT_TRUE(native->uiColorCache());
    EXPECT_EQ(native->cgColor(), teal);
    EXPECT_EQ(native->uiColor(), teal);
    EXPECT_EQ(native->debugQuickLookObject(), teal);

    const auto faded = native->colorWithAlphaComponent(0.25);
    ASSERT_TRUE(faded->uiColorCache());
    EXPECT_EQ(faded->cgColor(), (gfx::Color{0, 0.5, 0.5, 0.25}));
    EXPECT_FALSE(faded->isOpaque());

    const auto copy = native->copy();
    EXPECT_NE(copy.get(), native.get());
    EXPECT_TRUE(copy->uiColorCache());
    EXPECT_TRUE(copy->isEqual(native.get()));

    const auto plain = CPTColor::redColor()->colorWithAlphaComponent(0.5);
    EXPECT_FALSE(plain->uiColorCache());
    EXPECT_EQ(plain->cgColor(), (gfx::Color{1, 0, 0, 0.5}));
    // A colour is equal to a native one with the same components: equality reads the colour itself.
    EXPECT_TRUE(CPTColor::colorWithCGColor(teal)->isEqual(native.get()));
}
