// Fills of the three kinds: what they paint over rectangles and paths, their opacity and colour, copies.
#include "plot/foundation/CPTFill.h"

#include "platform/graphics/Recorder.h"

#include <gtest/gtest.h>

namespace {
std::shared_ptr<CPTImage> checkerImage() {
    std::vector<std::uint8_t> rgba(4 * 4 * 4, 255);
    return CPTImage::imageWithCGImage(gfx::Image::fromRGBA(4, 4, rgba), 1);
}
} // namespace

TEST(CPTFill, KindsOpacityAndColour) {
    const auto opaqueGradient = CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor());
    struct Case {
        const char* kind;
        std::shared_ptr<CPTFill> fill;
        bool opaque;
        std::optional<gfx::Color> color;
    };
    const Case cases[] = {
        {"_CPTFillColor", CPTFill::fillWithColor(CPTColor::redColor()), true, gfx::Color{1, 0, 0, 1}},
        {"_CPTFillColor", CPTFill::fillWithColor(CPTColor::clearColor()), false, gfx::Color{0, 0, 0, 0}},
        {"_CPTFillGradient", CPTFill::fillWithGradient(opaqueGradient), true, std::nullopt},
        {"_CPTFillGradient", CPTFill::fillWithGradient(opaqueGradient->gradientWithAlphaComponent(0.5)), false,
         std::nullopt},
        {"_CPTFillImage", CPTFill::fillWithImage(checkerImage()), false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        EXPECT_STREQ(c.fill->className(), c.kind);
        EXPECT_STREQ(CPTFill::classForCoder(), "CPTFill");
        EXPECT_EQ(c.fill->isOpaque(), c.opaque);
        EXPECT_EQ(c.fill->cgColor(), c.color);
        const auto copy = c.fill->copy();
        EXPECT_STREQ(copy->className(), c.kind);
        EXPECT_EQ(copy->isOpaque(), c.opaque);
    }
}

TEST(CPTFill, KeepsItsSourceAndCopiesHoldCopies) {
    const auto colour = CPTColor::colorWithComponentRed(0.2, 0.3, 0.4, 1);
    const auto fill = CPTFill::fillWithColor(colour);
    EXPECT_EQ(fill->fillColor().get(), colour.get());
    const auto copy = fill->copy();
    EXPECT_NE(copy->fillColor().get(), colour.get());
    EXPECT_TRUE(copy->fillColor()->isEqual(colour.get()));

    const auto gradient = CPTGradient::aquaNormalGradient();
    const auto gradientCopy = CPTFill::fillWithGradient(gradient)->copy();
    EXPECT_NE(gradientCopy->fillGradient().get(), gradient.get());
    EXPECT_TRUE(gradientCopy->fillGradient()->isEqual(gradient.get()));
}

TEST(CPTFill, ColourFillsPaintRectsAndPaths) {
    auto rc = gfx::makeRecordingContext();
    gfx::Context& ctx = *rc.context;
    ctx.setFillColor({0, 1, 0, 1});
    const auto fill = CPTFill::fillWithColor(CPTColor::redColor());
    fill->fillRect(CGRect(1, 2, 3, 4), ctx);
    ctx.addEllipseInRect(CGRect(0, 0, 10, 10));
    fill->fillPathInContext(ctx);
    EXPECT_TRUE(ctx.isPathEmpty());
    const auto lines = rc.recorder->lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "fill winding M 1 2 L 4 2 L 4 6 L 1 6 Z color 1 0 0 1");
    EXPECT_NE(lines[1].find("color 1 0 0 1"), std::string::npos);
    EXPECT_EQ(ctx.state().fillColor, (gfx::Color{0, 1, 0, 1}));

    // An empty current path: nothing drawn, the state as it was.
    rc.recorder->clear();
    const gfx::GraphicsState before = ctx.state();
    fill->fillPathInContext(ctx);
    EXPECT_TRUE(rc.recorder->lines().empty());
    EXPECT_EQ(ctx.state().fillColor, before.fillColor);
    EXPECT_EQ(ctx.state().ctm, before.ctm);
    EXPECT_TRUE(ctx.state().clipBox.isNull());
}

TEST(CPTFill, ImageFillsClipToThePathAndDrawIntoItsBox) {
    auto rc = gfx::makeRecordingContext();
    gfx::Context& ctx = *rc.context;
    ctx.addEllipseInRect(CGRect(10, 20, 40, 30));
    CPTFill::fillWithImage(checkerImage())->fillPathInContext(ctx);
    EXPECT_TRUE(ctx.isPathEmpty());
    std::vector<gfx::Recorder::Op> ops;
    for (const auto& r : rc.recorder->records())
        if (r.op != gfx::Recorder::Op::Save && r.op != gfx::Recorder::Op::Restore)
            ops.push_back(r.op);
    ASSERT_EQ(ops, (std::vector<gfx::Recorder::Op>{gfx::Recorder::Op::Clip, gfx::Recorder::Op::Image}));
    for (const auto& r : rc.recorder->records()) {
        if (r.op == gfx::Recorder::Op::Clip) {
            EXPECT_EQ(r.path.pathBoundingBox(), CGRect(10, 20, 40, 30));
        }
        if (r.op == gfx::Recorder::Op::Image) {
            EXPECT_EQ(r.deviceRect, CGRect(10, 20, 40, 30));
            EXPECT_EQ(r.state.clipBox, CGRect(10, 20, 40, 30));
        }
    }
    EXPECT_TRUE(ctx.state().clipBox.isNull());

    // The rectangle form draws the image into the rectangle.
    rc.recorder->clear();
    CPTFill::fillWithImage(checkerImage())->fillRect(CGRect(0, 0, 8, 8), ctx);
    ASSERT_EQ(rc.recorder->lines().size(), 1u);
    EXPECT_EQ(rc.recorder->lines()[0], "image 4x4@1 0 0 8 8");
}

TEST(CPTFill, GradientFillsPaintAsTheGradient) {
    auto rc = gfx::makeRecordingContext();
    const auto gradient = CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor());
    CPTFill::fillWithGradient(gradient)->fillRect(CGRect(0, 0, 100, 50), *rc.context);
    rc.context->addRect(CGRect(0, 0, 100, 50));
    CPTFill::fillWithGradient(gradient)->fillPathInContext(*rc.context);
    const auto lines = rc.recorder->lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "clip winding M 0 0 L 100 0 L 100 50 L 0 50 Z");
    EXPECT_EQ(lines[1].rfind("axial 0 0 100 0", 0), 0u);
    EXPECT_EQ(lines[3].rfind("axial 0 0 100 0", 0), 0u);
}

TEST(CPTFill, PreviewIsTheFillOverTheImage) {
    const gfx::Image preview = CPTFill::fillWithColor(CPTColor::blueColor())->debugQuickLookObject();
    ASSERT_EQ(preview.pixelWidth(), 100);
    EXPECT_EQ(preview.pixel(50, 50), (gfx::Color{0, 0, 1, 1}));
}
