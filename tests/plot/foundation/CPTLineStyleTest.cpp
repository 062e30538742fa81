// Line styles: the state they apply, the three ways of stroking (gradient strokes in detail), opacity,
// copies, and the pixel alignment a style chooses.
#include "plot/foundation/CPTLineStyle.h"

#include "platform/graphics/Recorder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

std::vector<const gfx::Recorder::Record*> strokes(const gfx::Recorder& recorder) {
    std::vector<const gfx::Recorder::Record*> out;
    for (const auto& r : recorder.records())
        if (r.op == gfx::Recorder::Op::Stroke)
            out.push_back(&r);
    return out;
}
} // namespace

TEST(CPTLineStyle, AppliesTheDefaultState) {
    auto rc = gfx::makeRecordingContext();
    gfx::Context& ctx = *rc.context;
    ctx.setLineCap(gfx::LineCap::Round);
    ctx.setLineJoin(gfx::LineJoin::Bevel);
    ctx.setMiterLimit(3);
    ctx.setLineWidth(7);
    ctx.setLineDash(2, {4, 4});
    ctx.setStrokeColor({0, 1, 0, 1});
    ctx.setFillColor({0, 0, 1, 1});
    CPTLineStyle::lineStyle()->setLineStyleInContext(ctx);
    const gfx::StrokeStyle& stroke = ctx.state().stroke;
    EXPECT_EQ(stroke.cap, gfx::LineCap::Butt);
    EXPECT_EQ(stroke.join, gfx::LineJoin::Miter);
    EXPECT_EQ(stroke.miterLimit, 10);
    EXPECT_EQ(stroke.width, 1);
    EXPECT_TRUE(stroke.dash.empty());
    EXPECT_EQ(stroke.dashPhase, 0);
    EXPECT_EQ(ctx.state().strokeColor, gfx::Color::black());
    EXPECT_EQ(ctx.state().fillColor, (gfx::Color{0, 0, 1, 1})); // not touched

    auto dashed = CPTMutableLineStyle::lineStyle();
    dashed->setDashPattern({5, 2});
    dashed->setPatternPhase(1);
    dashed->setLineCap(2);
    dashed->setLineJoin(1);
    dashed->setLineColor(CPTColor::redColor());
    dashed->setLineStyleInContext(ctx);
    EXPECT_EQ(ctx.state().stroke.dash, (std::vector<double>{5, 2}));
    EXPECT_EQ(ctx.state().stroke.dashPhase, 1);
    EXPECT_EQ(ctx.state().stroke.cap, gfx::LineCap::Square);
    EXPECT_EQ(ctx.state().stroke.join, gfx::LineJoin::Round);
    EXPECT_EQ(ctx.state().strokeColor, (gfx::Color{1, 0, 0, 1}));

    // An empty dash pattern resets the dash as no pattern does, phase included.
    dashed->setDashPattern({});
    dashed->setLineStyleInContext(ctx);
    EXPECT_TRUE(ctx.state().stroke.dash.empty());
    EXPECT_EQ(ctx.state().stroke.dashPhase, 0);

    // Without a colour the stroke colour stays as it was.
    dashed->setLineColor(nullptr);
    ctx.setStrokeColor({0.5, 0.5, 0.5, 1});
    dashed->setLineStyleInContext(ctx);
    EXPECT_EQ(ctx.state().strokeColor, (gfx::Color{0.5, 0.5, 0.5, 1}));
}

TEST(CPTLineStyle, Opacity) {
    const auto translucentGradient =
        CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor()->colorWithAlphaComponent(0.5));
    const auto opaqueGradient = CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor());
    struct Case {
        const char* name;
        std::vector<CGFloat> dash;
        std::shared_ptr<CPTColor> color;
        std::shared_ptr<CPTFill> fill;
        std::shared_ptr<CPTGradient> gradient;
        bool opaque;
    };
    const auto clearFill = CPTFill::fillWithColor(CPTColor::clearColor());
    const Case cases[] = {
        {"opaque colour", {}, CPTColor::blackColor(), nullptr, nullptr, true},
        {"translucent colour", {}, CPTColor::blackColor()->colorWithAlphaComponent(0.5), nullptr, nullptr, false},
        {"one dash length", {3}, CPTColor::blackColor(), nullptr, nullptr, true},
        {"two dash lengths", {3, 3}, CPTColor::blackColor(), nullptr, nullptr, false},
        {"translucent gradient wins", {}, CPTColor::blackColor(), nullptr, translucentGradient, false},
        {"opaque gradient", {}, CPTColor::clearColor(), nullptr, opaqueGradient, true},
        {"fill before colour", {}, CPTColor::blackColor(), clearFill, nullptr, false},
        {"nothing set", {}, nullptr, nullptr, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto style = CPTMutableLineStyle::lineStyle();
        style->setDashPattern(c.dash);
        style->setLineColor(c.color);
        style->setLineFill(c.fill);
        style->setLineGradient(c.gradient);
        EXPECT_EQ(style->isOpaque(), c.opaque);
    }
}

TEST(CPTLineStyle, GradientStrokesNarrowByTwoDevicePixels) {
    // Red at the edges (position 0) to blue at the centre line (position 1).
    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineWidth(4);
    style->setLineGradient(CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor()));
    auto rc = gfx::makeRecordingContext();
    rc.context->scaleCTM(2, 2);
    rc.context->moveToPoint(0, 10);
    rc.context->addLineToPoint(50, 10);
    style->strokePathInContext(*rc.context);
    const auto drawn = strokes(*rc.recorder);
    ASSERT_EQ(drawn.size(), 4u);
    const double widths[] = {4, 3, 2, 1};
    const double positions[] = {0, 0.25, 0.5, 0.75};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(drawn[i]->state.stroke.width, widths[i]);
        EXPECT_EQ(drawn[i]->state.strokeColor, (gfx::Color{1 - positions[i], 0, positions[i], 1}));
        EXPECT_EQ(drawn[i]->path, drawn[0]->path);
    }
    EXPECT_TRUE(rc.context->isPathEmpty());
    // The loop leaves the last width and colour in the context.
    EXPECT_EQ(rc.context->state().stroke.width, 1);

    // The rectangle form strokes the rectangle the same way.
    rc.recorder->clear();
    style->strokeRect(CGRect(1, 1, 20, 10), *rc.context);
    EXPECT_EQ(strokes(*rc.recorder).size(), 4u);

    // Width 0: nothing, and the path is gone.
    rc.recorder->clear();
    style->setLineWidth(0);
    rc.context->addRect(CGRect(0, 0, 5, 5));
    style->strokePathInContext(*rc.context);
    EXPECT_TRUE(rc.recorder->records().empty());
    EXPECT_TRUE(rc.context->isPathEmpty());
}

TEST(CPTLineStyle, GradientStrokesEndOnEveryScale) {
    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineWidth(4);
    style->setLineGradient(CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor()));
    struct Case {
        double scale;
        std::size_t attempts; // strokes tried, drawn or refused
    };
    // Scales 0 and infinity leave no pixel to narrow by; 1e308 narrows by less than the width can show;
    // 1e6 would need two million strokes and stops at the bound.
    for (const Case c : {Case{0, 1}, Case{kInf, 1}, Case{kNaN, 1}, Case{1e308, 1}, Case{1e6, 4096}}) {
        SCOPED_TRACE(c.scale);
        auto rc = gfx::makeRecordingContext();
        rc.context->saveGState();
        rc.context->scaleCTM(c.scale, c.scale);
        rc.context->moveToPoint(0, 0);
        rc.context->addLineToPoint(1e-6, 0);
        style->strokePathWithGradient(style->lineGradient().get(), *rc.context);
        if (c.attempts > 1)
            EXPECT_EQ(strokes(*rc.recorder).size(), c.attempts);
        else
            EXPECT_LE(strokes(*rc.recorder).size(), 1u);
        rc.context->restoreGState();
        rc.recorder->clear();
        rc.context->fillRect(CGRect(0, 0, 3, 3));
        EXPECT_EQ(rc.recorder->lines().size(), 1u);
    }
    // Without a gradient nothing is drawn.
    auto rc = gfx::makeRecordingContext();
    rc.context->addRect(CGRect(0, 0, 3, 3));
    style->strokePathWithGradient(nullptr, *rc.context);
    EXPECT_TRUE(rc.recorder->records().empty());
}

TEST(CPTLineStyle, FillsPaintTheStrokedOutlineAndPlainStylesStroke) {
    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineWidth(2);
    style->setLineFill(CPTFill::fillWithColor(CPTColor::greenColor()));
    auto rc = gfx::makeRecordingContext();
    style->setLineStyleInContext(*rc.context);
    style->strokeRect(CGRect(10, 10, 20, 20), *rc.context);
    ASSERT_EQ(rc.recorder->records().size(), 3u); // save, fill, restore
    const auto& fill = rc.recorder->records()[1];
    EXPECT_EQ(fill.op, gfx::Recorder::Op::Fill);
    EXPECT_EQ(fill.state.fillColor, (gfx::Color{0, 1, 0, 1}));
    EXPECT_EQ(fill.path.boundingBox(), CGRect(9, 9, 22, 22));

    rc.recorder->clear();
    auto plain = CPTLineStyle::lineStyle();
    plain->setLineStyleInContext(*rc.context);
    rc.context->moveToPoint(0, 0);
    rc.context->addLineToPoint(10, 0);
    plain->strokePathInContext(*rc.context);
    plain->strokeRect(CGRect(0, 0, 4, 4), *rc.context);
    EXPECT_EQ(rc.recorder->lines(),
              (std::vector<std::string>{"stroke M 0 0 L 10 0 color 0 0 0 1 width 1 cap butt join miter miter 10",
                                        "stroke M 0 0 L 4 0 L 4 4 L 0 4 Z color 0 0 0 1 width 1 cap butt join miter miter 10"}));
}

TEST(CPTLineStyle, UnusableNumbersDrawNothingWrong) {
    struct Case {
        const char* name;
        double width;
        std::vector<CGFloat> dash;
        double phase;
    };
    const Case cases[] = {
        {"NaN width", kNaN, {}, 0},        {"infinite width", kInf, {}, 0}, {"NaN dash", 1, {kNaN, 2}, 0},
        {"infinite dash", 1, {kInf}, 0},   {"NaN phase", 1, {2, 2}, kNaN},  {"infinite phase", 1, {2, 2}, kInf},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int way = 0; way < 3; ++way) {
            auto style = CPTMutableLineStyle::lineStyle();
            style->setLineWidth(c.width);
            style->setDashPattern(c.dash);
            style->setPatternPhase(c.phase);
            if (way == 1)
                style->setLineFill(CPTFill::fillWithColor(CPTColor::redColor()));
            if (way == 2)
                style->setLineGradient(CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor()));
            auto rc = gfx::makeRecordingContext();
            rc.context->saveGState();
            style->setLineStyleInContext(*rc.context);
            rc.context->moveToPoint(0, 0);
            rc.context->addLineToPoint(10, 10);
            style->strokePathInContext(*rc.context);
            style->strokeRect(CGRect(0, 0, 10, 10), *rc.context);
            rc.context->restoreGState();
            rc.recorder->clear();
            rc.context->fillRect(CGRect(0, 0, 3, 3));
            EXPECT_EQ(rc.recorder->lines().size(), 1u) << way;
        }
    }
}

TEST(CPTLineStyle, CopiesHaveAFixedClassAndTheirOwnDashes) {
    auto style = CPTMutableLineStyle::lineStyle();
    style->setDashPattern({4, 2});
    style->setLineWidth(3);
    style->setLineColor(CPTColor::redColor());
    style->setLineFill(CPTFill::fillWithColor(CPTColor::blueColor()));

    const auto copy = style->copy();
    EXPECT_STREQ(copy->className(), "CPTLineStyle");
    EXPECT_EQ(dynamic_cast<const CPTMutableLineStyle*>(copy.get()), nullptr);
    EXPECT_EQ(copy->dashPattern(), (std::vector<CGFloat>{4, 2}));
    EXPECT_NE(copy->dashPattern().data(), style->dashPattern().data());
    EXPECT_EQ(copy->lineWidth(), 3);
    EXPECT_EQ(copy->lineColor().get(), CPTColor::redColor().get());
    EXPECT_EQ(copy->lineFill().get(), style->lineFill().get());

    const auto mutableCopy = copy->mutableCopy();
    EXPECT_STREQ(mutableCopy->className(), "CPTMutableLineStyle");
    mutableCopy->setDashPattern({1});
    EXPECT_EQ(copy->dashPattern(), (std::vector<CGFloat>{4, 2}));
    EXPECT_STREQ(CPTMutableLineStyle::lineStyleWithStyle(*copy)->className(), "CPTMutableLineStyle");
    EXPECT_STREQ(CPTLineStyle::lineStyleWithStyle(*style)->className(), "CPTLineStyle");
}

TEST(CPTLineStyle, RectsAlignForTheirStyle) {
    struct Case {
        const char* name;
        double scale;
        double width; // 0: no style
        CGRect rect;
        bool edge;
    };
    const Case cases[] = {
        {"unscaled whole width", 1, 1, CGRect(1.2, 3.7, 10, 5), false},
        {"width 1.5 at scale 2", 2, 1.5, CGRect(1.2, 3.7, 10, 5), false},
        {"width 1 at scale 2", 2, 1, CGRect(1.2, 3.7, 10, 5), true},
        {"width 2 at scale 3", 3, 2, CGRect(1.2, 3.7, 10, 5), true},
        {"height 0", 2, 1, CGRect(1.2, 3.7, 10, 0), false},
        {"width 0", 2, 0.0000001, CGRect(1.2, 3.7, 10, 5), false},
        {"no style", 2, 0, CGRect(1.2, 3.7, 10, 5), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto rc = gfx::makeRecordingContext();
        rc.context->scaleCTM(c.scale, c.scale);
        auto style = CPTMutableLineStyle::lineStyle();
        style->setLineWidth(c.width);
        const CGRect aligned = CPTRectAlignedForLineStyle(*rc.context, c.width > 0 ? style.get() : nullptr, c.rect);
        EXPECT_EQ(aligned, c.edge ? CPTRectAlignedToPixelEdge(*rc.context, c.rect)
                                  : CPTRectAlignedToPixelCenter(*rc.context, c.rect));
    }
}

TEST(CPTLineStyle, PreviewStrokesTheAlignedRect) {
    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineWidth(4);
    style->setLineColor(CPTColor::redColor());
    const gfx::Image preview = style->debugQuickLookObject();
    ASSERT_EQ(preview.pixelWidth(), 100);
    EXPECT_EQ(preview.pixel(0, 50), (gfx::Color{1, 0, 0, 1}));
    EXPECT_NE(preview.pixel(50, 50), (gfx::Color{1, 0, 0, 1}));
}
