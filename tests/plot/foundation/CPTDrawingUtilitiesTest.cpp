// Rounded-rectangle paths, the per-thread stack of current contexts, rich-text sizes and previews.
#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/foundation/CPTTextStyle.h"

#include "platform/graphics/CurrentContext.h"
#include "platform/graphics/Recorder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <thread>

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();

bool hasCurves(const gfx::Path& path) {
    for (const auto& e : path.elements())
        if (e.kind == gfx::Path::Kind::Cubic || e.kind == gfx::Path::Kind::Quad)
            return true;
    return false;
}
} // namespace

TEST(CPTDrawingUtilities, RoundedRectsClampTheirRadius) {
    struct Case {
        CGRect rect;
        double radius;
        double corner; // 0: a plain rectangle
    };
    const Case cases[] = {
        {CGRect(0, 0, 40, 100), 30, 20}, {CGRect(0, 0, 100, 10), 30, 5}, {CGRect(5, 5, 100, 100), 8, 8},
        {CGRect(0, 0, 40, 100), 0, 0},   {CGRect(0, 0, 40, 100), -1, 0}, {CGRect(0, 0, 40, 100), kNaN, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radius);
        const gfx::Path path = CPTPathCreateRoundedRect(c.rect, c.radius);
        ASSERT_FALSE(path.isEmpty());
        EXPECT_EQ(hasCurves(path), c.corner > 0);
        if (c.corner > 0) {
            // The outline starts where the first corner's arc ends on the top edge.
            EXPECT_DOUBLE_EQ(path.elements().front().points[0].x - c.rect.minX(), c.corner);
        }
        EXPECT_EQ(path.boundingBox(), c.rect);
    }
    auto rc = gfx::makeRecordingContext();
    rc.context->addRect(CGRect(0, 0, 1, 1));
    CPTContextAddRoundedRect(*rc.context, CGRect(10, 10, 40, 100), 30);
    EXPECT_EQ(rc.context->copyPath().elements().size(),
              5 + CPTPathCreateRoundedRect(CGRect(10, 10, 40, 100), 30).elements().size());
}

TEST(CPTDrawingUtilities, PushAndPopLeaveTheStackAsFound) {
    auto check = [] {
        auto a = gfx::makeRecordingContext();
        auto b = gfx::makeRecordingContext();
        gfx::Context* before = gfx::currentContext();
        CPTPushGraphicsContext(*a.context);
        EXPECT_EQ(gfx::currentContext(), a.context.get());
        CPTPushGraphicsContext(*b.context);
        EXPECT_EQ(gfx::currentContext(), b.context.get());
        CPTPopGraphicsContext();
        EXPECT_EQ(gfx::currentContext(), a.context.get());
        CPTPopGraphicsContext();
        EXPECT_EQ(gfx::currentContext(), before);
    };
    auto outer = gfx::makeRecordingContext();
    CPTPushGraphicsContext(*outer.context);
    check();
    // Another thread has a stack of its own: it starts empty and does not touch this one.
    std::thread worker([&] {
        EXPECT_EQ(gfx::currentContext(), nullptr);
        check();
        // One pop too many changes nothing.
        CPTPopGraphicsContext();
        EXPECT_EQ(gfx::currentContext(), nullptr);
    });
    worker.join();
    EXPECT_EQ(gfx::currentContext(), outer.context.get());
    CPTPopGraphicsContext();
    EXPECT_EQ(gfx::currentContext(), nullptr);
}

TEST(CPTDrawingUtilities, SizesAreThePlatformMeasureRoundedUp) {
    gfx::RichText rich;
    rich.append("Quarterly revenue, 2024", gfx::TextAttributes{});
    const CGSize measured = gfx::TextLayout::rich(rich).size();
    // The case only means something when the platform's measure has fractions.
    ASSERT_NE(measured.width, std::ceil(measured.width));
    EXPECT_EQ(sizeAsDrawn(rich), (CGSize{std::ceil(measured.width), std::ceil(measured.height)}));

    auto style = CPTMutableTextStyle::textStyle();
    style->setFontSize(13.5);
    const CGSize plain = gfx::TextLayout::plain("Mean of weight", style->attributes().textStyle()).size();
    ASSERT_NE(plain.width, std::ceil(plain.width));
    EXPECT_EQ(sizeWithTextStyle("Mean of weight", style.get()),
              (CGSize{std::ceil(plain.width), std::ceil(plain.height)}));
    // Without a style the platform's defaults measure.
    EXPECT_EQ(sizeWithTextStyle("Mean", nullptr), gfx::measureText("Mean", gfx::TextStyle{}));

    const std::string unbreakable(30000, 'W');
    for (const CGSize size : {sizeWithTextStyle(unbreakable, style.get()),
                              sizeAsDrawn(gfx::RichText().append(unbreakable, gfx::TextAttributes{}))}) {
        EXPECT_LE(size.width, 10000);
        EXPECT_LE(size.height, 10000);
        EXPECT_GT(size.width, 100);
    }
}

TEST(CPTDrawingUtilities, RichTextDrawsIntoItsRect) {
    auto rc = gfx::makeRecordingContext();
    gfx::RichText rich;
    rich.append("Total", gfx::TextAttributes{});
    drawInRect(rich, CGRect(10, 20, 200, 40), *rc.context);
    ASSERT_EQ(rc.recorder->records().size(), 1u);
    EXPECT_EQ(rc.recorder->records()[0].op, gfx::Recorder::Op::Text);
    EXPECT_EQ(rc.recorder->records()[0].origin, (CGPoint{10, 20}));
    EXPECT_EQ(gfx::currentContext(), nullptr);
}

TEST(CPTDrawingUtilities, QuickLookImagesDrawUpwardOnALightBackground) {
    const gfx::Image image = CPTQuickLookImage(CGRect(0, 0, 100, 50), [](gfx::Context& ctx, CGFloat scale, CGRect rect) {
        EXPECT_EQ(scale, 1.0);
        EXPECT_EQ(rect, CGRect(0, 0, 100, 50));
        ctx.setFillColor(gfx::Color{1, 0, 0, 1});
        ctx.fillRect(CGRect(0, 0, 10, 10)); // the bottom-left corner, y growing upward
    });
    ASSERT_EQ(image.pixelWidth(), 100);
    ASSERT_EQ(image.pixelHeight(), 50);
    EXPECT_EQ(image.scale(), 1.0);
    const gfx::Color background = image.pixel(50, 25);
    EXPECT_NEAR(background.red, 246.0 / 255, 1e-6);
    EXPECT_NEAR(background.green, 245.0 / 255, 1e-6);
    EXPECT_NEAR(background.blue, 246.0 / 255, 1e-6);
    EXPECT_EQ(background.alpha, 1.0);
    EXPECT_EQ(image.pixel(5, 45), (gfx::Color{1, 0, 0, 1}));
    EXPECT_NE(image.pixel(5, 5), (gfx::Color{1, 0, 0, 1}));
}
