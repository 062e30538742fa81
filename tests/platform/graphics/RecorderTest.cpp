// The context's state, transforms and current path as the recording backend sees every call.
#include "platform/graphics/Recorder.h"
#include "platform/foundation/Log.h"
#include "platform/graphics/DrawingLayer.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>

using namespace gfx;

namespace {

struct Fixture {
    RecordingContext rc = makeRecordingContext(Rect(0, 0, 200, 100));
    Context& ctx = *rc.context;
    std::vector<std::string> lines() const { return rc.recorder->lines(); }
};

} // namespace

TEST(RecorderContext, StatePerCallAndSaveRestore) {
    Fixture f;
    f.ctx.setFillColor({1, 0, 0, 1});
    f.ctx.fillRect(Rect(0, 0, 10, 10));
    f.ctx.saveGState();
    f.ctx.setFillColor({0, 0, 1, 0.5});
    f.ctx.setAlpha(0.25);
    f.ctx.translateCTM(5, 5);
    f.ctx.fillRect(Rect(0, 0, 10, 10));
    f.ctx.restoreGState();
    f.ctx.fillRect(Rect(0, 0, 10, 10));
    f.ctx.setStrokeColor({0, 1, 0, 1});
    f.ctx.setLineWidth(3);
    f.ctx.setLineCap(LineCap::Round);
    f.ctx.setLineJoin(LineJoin::Bevel);
    f.ctx.strokeRect(Rect(1, 2, 3, 4));
    std::vector<std::string> expected = {
        "fill winding M 0 0 L 10 0 L 10 10 L 0 10 Z color 1 0 0 1",
        "fill winding M 5 5 L 15 5 L 15 15 L 5 15 Z color 0 0 1 0.5 alpha 0.25",
        "fill winding M 0 0 L 10 0 L 10 10 L 0 10 Z color 1 0 0 1",
        "stroke M 1 2 L 4 2 L 4 6 L 1 6 Z color 0 1 0 1 width 3 cap round join bevel miter 10",
    };
    EXPECT_EQ(f.lines(), expected);
}

TEST(RecorderContext, UnmatchedRestoreIsIgnoredAndLogged) {
    Fixture f;
    foundation::LogCapture log;
    f.ctx.setLineWidth(4);
    f.ctx.restoreGState();
    EXPECT_EQ(f.ctx.state().stroke.width, 4);
    EXPECT_TRUE(log.contains("restoreGState without a matching saveGState"));
}

TEST(RecorderContext, TransformsAndRectConversion) {
    struct Case {
        const char* name;
        std::function<void(Context&)> setup;
        Rect user;
        Rect device;
    };
    std::vector<Case> cases = {
        {"identity", [](Context&) {}, Rect(10, 20, 30, 40), Rect(10, 20, 30, 40)},
        {"scale 2", [](Context& c) { c.scaleCTM(2, 2); }, Rect(10, 20, 30, 40), Rect(20, 40, 60, 80)},
        {"flip",
         [](Context& c) {
             c.translateCTM(0, 100);
             c.scaleCTM(1, -1);
         },
         Rect(10, 20, 30, 40), Rect(10, 40, 30, 40)},
        {"scale 2 then flip",
         [](Context& c) {
             c.scaleCTM(2, 2);
             c.translateCTM(0, 100);
             c.scaleCTM(1, -1);
         },
         Rect(10, 20, 30, 40), Rect(20, 80, 60, 80)},
        {"negative rect standardised", [](Context& c) { c.scaleCTM(2, 2); }, Rect(40, 60, -30, -40),
         Rect(20, 40, 60, 80)},
        {"quarter turn", [](Context& c) { c.rotateCTM(std::numbers::pi / 2); }, Rect(0, 0, 10, 20),
         Rect(-20, 0, 20, 10)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        c.setup(f.ctx);
        Rect d = f.ctx.convertRectToDeviceSpace(c.user);
        EXPECT_NEAR(d.origin.x, c.device.origin.x, 1e-9);
        EXPECT_NEAR(d.origin.y, c.device.origin.y, 1e-9);
        EXPECT_NEAR(d.size.width, c.device.size.width, 1e-9);
        EXPECT_NEAR(d.size.height, c.device.size.height, 1e-9);
        Rect back = f.ctx.convertRectToUserSpace(d);
        Rect want = c.user.standardized();
        EXPECT_NEAR(back.origin.x, want.origin.x, 1e-9);
        EXPECT_NEAR(back.origin.y, want.origin.y, 1e-9);
        EXPECT_NEAR(back.size.width, want.size.width, 1e-9);
        EXPECT_NEAR(back.size.height, want.size.height, 1e-9);
    }
}

TEST(RecorderContext, PathIsFixedByTheTransformOfEachElementAndConsumed) {
    Fixture f;
    f.ctx.moveToPoint(1, 1);
    f.ctx.translateCTM(10, 0);
    f.ctx.addLineToPoint(1, 1); // device (11, 1)
    f.ctx.scaleCTM(2, 2);
    f.ctx.addLineToPoint(1, 1); // device (12, 2)
    EXPECT_FALSE(f.ctx.isPathEmpty());
    ASSERT_TRUE(f.ctx.pathCurrentPoint());
    EXPECT_NEAR(f.ctx.pathCurrentPoint()->x, 1, 1e-9);
    // The copy is in the current user space: device (1,1) is user (-4.5, 0.5).
    Path user = f.ctx.copyPath();
    EXPECT_NEAR(user.elements()[0].points[0].x, -4.5, 1e-9);
    EXPECT_NEAR(user.elements()[0].points[0].y, 0.5, 1e-9);
    Rect box = f.ctx.pathBoundingBox();
    EXPECT_NEAR(box.origin.x, -4.5, 1e-9);
    EXPECT_NEAR(box.size.width, 5.5, 1e-9);
    // Clipping to a rect or filling a rect leaves the current path alone.
    f.ctx.clipToRect(Rect(0, 0, 50, 50));
    f.ctx.fillRect(Rect(0, 0, 1, 1));
    EXPECT_FALSE(f.ctx.isPathEmpty());
    f.ctx.closePath();
    f.ctx.fillPath();
    EXPECT_TRUE(f.ctx.isPathEmpty());
    EXPECT_FALSE(f.ctx.pathCurrentPoint());
    auto lines = f.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "clip winding M 10 0 L 110 0 L 110 100 L 10 100 Z");
    EXPECT_EQ(lines[2], "fill winding M 1 1 L 11 1 L 12 2 Z color 0 0 0 1");
    // A stroke consumes the path too; a fill of an empty path draws nothing.
    f.ctx.fillPath();
    EXPECT_EQ(f.lines().size(), 3u);
}

TEST(RecorderContext, StrokedOutlineAndFillHitTests) {
    Fixture f;
    // Two nested squares drawn the same way round: the hole is filled under the winding rule only.
    f.ctx.addRect(Rect(0, 0, 100, 100));
    f.ctx.addRect(Rect(25, 25, 50, 50));
    EXPECT_TRUE(f.ctx.pathContainsPoint({50, 50}, PathDrawingMode::Fill));
    EXPECT_FALSE(f.ctx.pathContainsPoint({50, 50}, PathDrawingMode::EOFill));
    EXPECT_TRUE(f.ctx.pathContainsPoint({10, 10}, PathDrawingMode::EOFill));
    EXPECT_FALSE(f.ctx.pathContainsPoint({150, 50}, PathDrawingMode::Fill));
    // The stroke hit test: within half the line width of an edge.
    f.ctx.setLineWidth(10);
    EXPECT_TRUE(f.ctx.pathContainsPoint({104, 50}, PathDrawingMode::Stroke));
    EXPECT_FALSE(f.ctx.pathContainsPoint({106, 50}, PathDrawingMode::Stroke));
    EXPECT_FALSE(f.ctx.pathContainsPoint({50, 50}, PathDrawingMode::Stroke));
    f.ctx.replacePathWithStrokedPath();
    EXPECT_TRUE(f.ctx.pathContainsPoint({104, 50}, PathDrawingMode::Fill));
    EXPECT_TRUE(f.ctx.pathContainsPoint({21, 50}, PathDrawingMode::Fill));
    EXPECT_FALSE(f.ctx.pathContainsPoint({50, 50}, PathDrawingMode::Fill));
    EXPECT_FALSE(f.ctx.pathContainsPoint({12, 50}, PathDrawingMode::Fill));
    // The line width is in user space: under scale 2 the outline is twice as wide in device space.
    f.ctx.beginPath();
    f.ctx.scaleCTM(2, 2);
    f.ctx.moveToPoint(0, 10);
    f.ctx.addLineToPoint(50, 10);
    f.ctx.setLineWidth(4);
    f.ctx.replacePathWithStrokedPath();
    Rect device = f.ctx.devicePath().pathBoundingBox();
    EXPECT_NEAR(device.origin.y, 16, 1e-6);
    EXPECT_NEAR(device.size.height, 8, 1e-6);
}

TEST(RecorderContext, ArcToPointUsesTheTangentPoints) {
    struct Case {
        Point p1, p2;
        double radius;
        Point t1, t2; // hand-computed: d = r / tan(angle / 2) along each line from p1
    };
    std::vector<Case> cases = {
        {{100, 0}, {100, 100}, 20, {80, 0}, {100, 20}},
        // 45 degrees between the lines: d = 20 / tan(22.5 deg) = 48.2843
        {{100, 0}, {0, 100}, 20, {51.7157, 0}, {65.8579, 34.1421}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.ctx.moveToPoint(0, 0);
        f.ctx.addArcToPoint(c.p1.x, c.p1.y, c.p2.x, c.p2.y, c.radius);
        const auto& el = f.ctx.devicePath().elements();
        ASSERT_GE(el.size(), 3u);
        EXPECT_EQ(el[1].kind, Path::Kind::Line);
        EXPECT_NEAR(el[1].points[0].x, c.t1.x, 1e-4);
        EXPECT_NEAR(el[1].points[0].y, c.t1.y, 1e-4);
        ASSERT_TRUE(f.ctx.pathCurrentPoint());
        EXPECT_NEAR(f.ctx.pathCurrentPoint()->x, c.t2.x, 1e-4);
        EXPECT_NEAR(f.ctx.pathCurrentPoint()->y, c.t2.y, 1e-4);
        // The arc stays within the corner: its middle is at radius from the centre.
        const Path::Element& curve = el.back();
        EXPECT_EQ(curve.kind, Path::Kind::Cubic);
    }
    // Collinear points give a straight line to p1.
    Fixture f;
    f.ctx.moveToPoint(0, 0);
    f.ctx.addArcToPoint(50, 0, 100, 0, 10);
    EXPECT_EQ(f.ctx.devicePath().elements().size(), 2u);
}

TEST(RecorderContext, ArcDirection) {
    Fixture f;
    // Not clockwise: from angle 0 to pi/2 through increasing angles (y grows first).
    f.ctx.addArc(0, 0, 10, 0, std::numbers::pi / 2, false);
    Rect box = f.ctx.pathBoundingBox();
    EXPECT_NEAR(box.minY(), 0, 1e-9);
    EXPECT_NEAR(box.maxY(), 10, 1e-9);
    f.ctx.beginPath();
    // Clockwise: the long way round, through negative y.
    f.ctx.addArc(0, 0, 10, 0, std::numbers::pi / 2, true);
    box = f.ctx.copyPath().pathBoundingBox();
    EXPECT_NEAR(box.minY(), -10, 1e-6);
    EXPECT_NEAR(box.minX(), -10, 1e-6);
}

TEST(RecorderContext, MiterLimitIsTheRatioOfMiterLengthToWidth) {
    // Two segments meeting at an angle whose miter ratio 1/sin(angle/2) is 10.05.
    double half = std::asin(1 / 10.05);
    double theta = 2 * half;
    Path path;
    path.moveTo({0, 0});
    path.lineTo({100, 0});
    path.lineTo({100 - 100 * std::cos(theta), 100 * std::sin(theta)});
    // The miter tip lies 10.05 from the joint for a width of 2; probe at 9 along the outer bisector.
    Point probe{100 + 9 * std::cos(half), -9 * std::sin(half)};
    StrokeStyle style;
    style.width = 2;
    style.join = LineJoin::Miter;
    style.miterLimit = 10.1;
    EXPECT_TRUE(path.strokeContains(probe, style));
    style.miterLimit = 10.0;
    EXPECT_FALSE(path.strokeContains(probe, style));
}

TEST(RecorderContext, OddDashPatternIsRepeatedTwice) {
    Path line;
    line.moveTo({0, 0});
    line.lineTo({20, 0});
    StrokeStyle style;
    style.width = 1;
    style.dash = {1, 2, 3}; // read as 1 on, 2 off, 3 on, 1 off, 2 on, 3 off
    struct Probe {
        double x;
        bool inside;
    };
    for (Probe p : std::vector<Probe>{
             {0.5, true}, {2, false}, {4.5, true}, {6.5, false}, {8, true}, {10.5, false}, {12.5, true}}) {
        SCOPED_TRACE(p.x);
        EXPECT_EQ(line.strokeContains({p.x, 0}, style), p.inside);
    }
    // The phase shifts the pattern along the line; lengths are in user space, not line widths.
    style.width = 4;
    style.dash = {5, 5};
    style.dashPhase = 5;
    EXPECT_FALSE(line.strokeContains({2, 0}, style));
    EXPECT_TRUE(line.strokeContains({7, 0}, style));
    Fixture f;
    f.ctx.setLineDash(1, {1, 2, 3});
    f.ctx.strokeLineSegments({{0, 0}, {20, 0}});
    EXPECT_EQ(f.lines().at(0),
              "stroke M 0 0 L 20 0 color 0 0 0 1 width 1 cap butt join miter miter 10 dash 1: 1 2 3");
}

TEST(RecorderContext, BrokenCallsDrawNothingAndLeaveTheContextUsable) {
    Fixture f;
    foundation::LogCapture log;
    f.ctx.saveGState();
    f.ctx.scaleCTM(0, 1);
    f.ctx.fillRect(Rect(0, 0, 10, 10));
    f.ctx.drawText("x", Rect(0, 0, 10, 10), TextStyle{});
    f.ctx.restoreGState();
    EXPECT_TRUE(log.contains("singular"));
    f.ctx.moveToPoint(NAN, 0);
    f.ctx.addLineToPoint(10, 10);
    f.ctx.addLineToPoint(0, 10);
    f.ctx.fillPath();
    EXPECT_TRUE(log.contains("non-finite"));
    f.ctx.setLineDash(0, {0, 0});
    f.ctx.strokeRect(Rect(0, 0, 5, 5));
    EXPECT_TRUE(log.contains("dash"));
    f.ctx.setLineDash(0, {});
    EXPECT_TRUE(f.lines().empty());
    f.ctx.fillRect(Rect(0, 0, 10, 10));
    f.ctx.strokeRect(Rect(0, 0, 5, 5));
    EXPECT_EQ(f.lines().size(), 2u);
}

TEST(RecorderContext, TransparencyLayers) {
    Fixture f;
    // Without shadow or alpha the layer is drawn straight through.
    f.ctx.beginTransparencyLayer();
    f.ctx.fillRect(Rect(0, 0, 10, 10));
    f.ctx.endTransparencyLayer();
    ASSERT_EQ(f.lines().size(), 1u);
    EXPECT_EQ(f.lines()[0].rfind("fill", 0), 0u);
    // With a shadow the group is drawn as one, its content without the shadow.
    f.rc.recorder->clear();
    f.ctx.setShadow({3, 4}, 2, Color{0, 0, 0, 0.5});
    f.ctx.beginTransparencyLayerWithRect(Rect(0, 0, 50, 50));
    EXPECT_FALSE(f.ctx.state().shadow.isVisible());
    f.ctx.fillRect(Rect(0, 0, 10, 10));
    f.ctx.fillRect(Rect(5, 5, 10, 10));
    f.ctx.endTransparencyLayer();
    EXPECT_TRUE(f.ctx.state().shadow.isVisible());
    std::vector<std::string> expected = {
        "group 0 0 50 50 shadow 3 4 2 0 0 0 0.5",
        "  fill winding M 0 0 L 10 0 L 10 10 L 0 10 Z color 0 0 0 1",
        "  fill winding M 5 5 L 15 5 L 15 15 L 5 15 Z color 0 0 0 1",
    };
    EXPECT_EQ(f.lines(), expected);
}

TEST(RecorderContext, ClipBoundingBoxAndShadings) {
    Fixture f;
    EXPECT_EQ(f.ctx.clipBoundingBox(), Rect(0, 0, 200, 100));
    f.ctx.scaleCTM(2, 2);
    f.ctx.clipToRect(Rect(10, 10, 20, 20));
    EXPECT_EQ(f.ctx.clipBoundingBox(), Rect(10, 10, 20, 20));
    Gradient g({{0, Color::black()}, {1, Color::white()}});
    f.ctx.drawLinearGradient(g, {0, 0}, {10, 0}, GradientDrawsBeforeStart);
    // A negative start radius: the ramp starts where the radius reaches 0 (a quarter of the way).
    f.ctx.drawRadialGradient(g, {0, 0}, -10, {40, 0}, 30, 0);
    auto lines = f.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "axial 0 0 10 0 stops 2 extend-start");
    EXPECT_EQ(lines[2], "radial 10 0 0 40 0 30 stops 2");
    const Shading& s = f.rc.recorder->records().back().shading;
    EXPECT_NEAR(s.stops[0].color.red, 0.25, 1e-9);
}

TEST(RecorderContext, DrawingLayersReplayScaledIntoRects) {
    Fixture f;
    DrawingLayer layer(f.ctx, {10, 10});
    layer.context().setStrokeColor({1, 0, 0, 1});
    layer.context().strokeLineSegments({{0, 5}, {10, 5}, {5, 0}, {5, 10}});
    f.ctx.translateCTM(100, 0);
    f.ctx.drawLayerInRect(Rect(0, 50, 20, 20), layer);
    f.ctx.drawLayerAtPoint({30, 30}, layer);
    auto lines = f.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "clip winding M 100 50 L 120 50 L 120 70 L 100 70 Z");
    EXPECT_EQ(
        lines[1],
        "stroke M 100 60 L 120 60 M 110 50 L 110 70 color 1 0 0 1 width 2 cap butt join miter miter 10");
    EXPECT_EQ(
        lines[3],
        "stroke M 130 35 L 140 35 M 135 30 L 135 40 color 1 0 0 1 width 1 cap butt join miter miter 10");
}

TEST(RecorderContext, ReplayLeavesOutClipsThatCannotCut) {
    struct Case {
        const char* name;
        std::function<void(Context&)> draw;
        std::vector<Recorder::Op> sent;
    };
    using Op = Recorder::Op;
    const Case cases[] = {
        {"a rect clip around a thin stroke",
         [](Context& c) {
             c.saveGState();
             c.clipToRect(Rect(0, 0, 20, 20));
             c.strokeLineSegments({{5, 10}, {15, 10}});
             c.restoreGState();
         },
         {Op::Stroke}},
        {"a clip the stroke's cap reaches",
         [](Context& c) {
             c.saveGState();
             c.clipToRect(Rect(0, 0, 20, 20));
             c.setLineWidth(4);
             c.setLineCap(LineCap::Square);
             c.strokeLineSegments({{2, 10}, {18, 10}});
             c.restoreGState();
         },
         {Op::Save, Op::Clip, Op::Stroke, Op::Restore}},
        {"a miter join reaching out",
         [](Context& c) {
             c.saveGState();
             c.clipToRect(Rect(0, 0, 20, 20));
             c.setLineWidth(2);
             c.addLines({{4, 16}, {10, 4}, {16, 16}});
             c.strokePath();
             c.restoreGState();
         },
         {Op::Save, Op::Clip, Op::Stroke, Op::Restore}},
        {"a shading fills its clip",
         [](Context& c) {
             c.saveGState();
             c.clipToRect(Rect(0, 0, 20, 20));
             c.drawLinearGradient(Gradient({{0, Color::black()}, {1, Color::white()}}), {0, 0}, {20, 0}, 0);
             c.restoreGState();
         },
         {Op::Save, Op::Clip, Op::Shading, Op::Restore}},
        {"a shadow beyond the clip",
         [](Context& c) {
             c.saveGState();
             c.clipToRect(Rect(0, 0, 20, 20));
             c.setShadow({8, 0}, 1, Color::black());
             c.fillRect(Rect(5, 5, 8, 8));
             c.restoreGState();
         },
         {Op::Save, Op::Clip, Op::Fill, Op::Restore}},
        {"an elliptic clip",
         [](Context& c) {
             c.saveGState();
             c.addEllipseInRect(Rect(0, 0, 20, 20));
             c.clip();
             c.fillRect(Rect(9, 9, 2, 2));
             c.restoreGState();
         },
         {Op::Save, Op::Clip, Op::Fill, Op::Restore}},
        {"a save that guards nothing else",
         [](Context& c) {
             c.saveGState();
             c.setFillColor({1, 0, 0, 1});
             c.fillRect(Rect(1, 1, 2, 2));
             c.restoreGState();
         },
         {Op::Fill}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        c.draw(f.ctx);
        Recorder out;
        f.rc.recorder->replayWithoutIdleClips(out);
        std::vector<Op> sent;
        for (const auto& r : out.records())
            sent.push_back(r.op);
        EXPECT_EQ(sent, c.sent);
        // What is drawn is the same either way.
        Recorder all;
        f.rc.recorder->replay(all);
        std::vector<std::string> drawn, kept;
        for (const std::string& line : all.lines())
            if (line.rfind("clip", 0) != 0)
                drawn.push_back(line);
        for (const std::string& line : out.lines())
            if (line.rfind("clip", 0) != 0)
                kept.push_back(line);
        EXPECT_EQ(kept, drawn);
    }
}

TEST(RecorderContext, LayersDrawnInsideThemselvesNeedNoClip) {
    Fixture f;
    DrawingLayer inside(f.ctx, {10, 10});
    inside.context().strokeLineSegments({{2, 5}, {8, 5}});
    DrawingLayer spilling(f.ctx, {10, 10});
    spilling.context().fillRect(Rect(-5, 2, 30, 2));
    f.ctx.drawLayerInRect(Rect(20, 20, 10, 10), inside);
    f.ctx.drawLayerInRect(Rect(40, 20, 10, 10), spilling);
    EXPECT_EQ(f.lines(), (std::vector<std::string>{"stroke M 22 25 L 28 25 color 0 0 0 1 width 1 cap butt join miter miter 10",
                                                   "clip winding M 40 20 L 50 20 L 50 30 L 40 30 Z",
                                                   "fill winding M 35 22 L 65 22 L 65 24 L 35 24 Z color 0 0 0 1"}));
    EXPECT_EQ(inside.recording().paintedBounds(), Rect(1.5, 4.5, 7, 1));
}
