// Line caps: the outline of every type, drawing turned to the line's direction, which parts draw, the
// cached outline, copies, and numbers that cannot be drawn.
#include "plot/foundation/CPTLineCap.h"

#include "platform/graphics/Output.h"
#include "platform/graphics/Recorder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

std::vector<CGPoint> points(const gfx::Path& path) {
    std::vector<CGPoint> out;
    for (const auto& e : path.elements())
        if (e.kind == gfx::Path::Kind::Move || e.kind == gfx::Path::Kind::Line)
            out.push_back(e.points[0]);
    return out;
}

std::vector<gfx::Path::Kind> kinds(const gfx::Path& path) {
    std::vector<gfx::Path::Kind> out;
    for (const auto& e : path.elements())
        out.push_back(e.kind);
    return out;
}

std::vector<gfx::Recorder::Op> drawingOps(const gfx::Recorder& recorder) {
    std::vector<gfx::Recorder::Op> out;
    for (const auto& r : recorder.records())
        if (r.op != gfx::Recorder::Op::Save && r.op != gfx::Recorder::Op::Restore)
            out.push_back(r.op);
    return out;
}

const gfx::Recorder::Record* firstOf(const gfx::Recorder& recorder, gfx::Recorder::Op op) {
    for (const auto& r : recorder.records())
        if (r.op == op)
            return &r;
    return nullptr;
}

void expectPoints(const std::vector<CGPoint>& actual, const std::vector<CGPoint>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i].x, expected[i].x, 1e-9) << i;
        EXPECT_NEAR(actual[i].y, expected[i].y, 1e-9) << i;
    }
}

} // namespace

TEST(CPTLineCap, OutlinesOfEveryType) {
    using K = gfx::Path::Kind;
    const double W = 2, H = 3; // size 4 x 6
    const double s60 = 0.86602540378;
    struct Case {
        CPTLineCapType type;
        std::vector<CGPoint> vertices;
        std::vector<K> kinds;
    };
    const Case cases[] = {
        {CPTLineCapTypeNone, {}, {}},
        {CPTLineCapTypeOpenArrow, {{-W, -H}, {0, 0}, {W, -H}}, {K::Move, K::Line, K::Line}},
        {CPTLineCapTypeSolidArrow, {{-W, -H}, {0, 0}, {W, -H}}, {K::Move, K::Line, K::Line, K::Close}},
        {CPTLineCapTypeSweptArrow, {{-W, -H}, {0, 0}, {W, -H}, {0, -0.375 * 6}}, {K::Move, K::Line, K::Line, K::Line, K::Close}},
        {CPTLineCapTypeRectangle, {{-W, -H}, {W, -H}, {W, H}, {-W, H}}, {K::Move, K::Line, K::Line, K::Line, K::Close}},
        {CPTLineCapTypeDiamond, {{0, H}, {W, 0}, {0, -H}, {-W, 0}}, {K::Move, K::Line, K::Line, K::Line, K::Close}},
        {CPTLineCapTypePentagon,
         {{0, H}, {0.9510565163 * W, 0.30901699437 * H}, {0.58778525229 * W, -0.80901699437 * H},
          {-0.58778525229 * W, -0.80901699437 * H}, {-0.9510565163 * W, 0.30901699437 * H}},
         {K::Move, K::Line, K::Line, K::Line, K::Line, K::Close}},
        {CPTLineCapTypeHexagon,
         {{0, H}, {s60 * W, 0.5 * H}, {s60 * W, -0.5 * H}, {0, -H}, {-s60 * W, -0.5 * H}, {-s60 * W, 0.5 * H}},
         {K::Move, K::Line, K::Line, K::Line, K::Line, K::Line, K::Close}},
        {CPTLineCapTypeBar, {{W, 0}, {-W, 0}}, {K::Move, K::Line}},
        {CPTLineCapTypeCross, {{-W, H}, {W, -H}, {W, H}, {-W, -H}}, {K::Move, K::Line, K::Move, K::Line}},
        {CPTLineCapTypeSnow,
         {{0, H}, {0, -H}, {s60 * W, -0.5 * H}, {-s60 * W, 0.5 * H}, {-s60 * W, -0.5 * H}, {s60 * W, 0.5 * H}},
         {K::Move, K::Line, K::Move, K::Line, K::Move, K::Line}},
        {static_cast<CPTLineCapType>(13), {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        auto cap = std::make_shared<CPTLineCap>();
        cap->setLineCapType(c.type);
        cap->setSize({4, 6});
        const gfx::Path path = cap->newLineCapPath();
        EXPECT_EQ(kinds(path), c.kinds);
        expectPoints(points(path), c.vertices);
        // Drawn pointing up at the origin, the stroke follows the outline exactly.
        auto rc = gfx::makeRecordingContext();
        cap->renderAsVectorInContext(*rc.context, {0, 0}, {0, 1});
        const auto* stroke = firstOf(*rc.recorder, gfx::Recorder::Op::Stroke);
        EXPECT_EQ(stroke != nullptr, !c.vertices.empty());
        if (stroke)
            expectPoints(points(stroke->path), c.vertices);
    }
    auto ellipse = CPTLineCap::ellipsePlotLineCap();
    ellipse->setSize({4, 6});
    EXPECT_EQ(ellipse->newLineCapPath().boundingBox(), CGRect(-2, -3, 4, 6));
    // A custom path is scaled to the size and moved by half of it; its box's origin is kept.
    gfx::Path triangle;
    triangle.addLines({{0, 0}, {10, 0}, {5, 20}});
    triangle.closeSubpath();
    auto custom = CPTLineCap::customLineCapWithPath(triangle);
    custom->setSize({4, 6});
    expectPoints(points(custom->newLineCapPath()), {{-2, -3}, {2, -3}, {0, 3}});
    gfx::Path offset;
    offset.addRect(CGRect(10, 10, 10, 10));
    custom->setCustomLineCapPath(offset);
    EXPECT_EQ(custom->newLineCapPath().boundingBox(), CGRect(2, 3, 4, 6));
}

TEST(CPTLineCap, TurnsToTheLinesDirection) {
    auto arrow = CPTLineCap::openArrowPlotLineCap();
    struct Case {
        CGPoint direction;
        std::vector<CGPoint> stroke; // arm, tip, arm
    };
    const Case cases[] = {
        {{0, 1}, {{7.5, 7.5}, {10, 10}, {12.5, 7.5}}},
        {{1, 0}, {{7.5, 12.5}, {10, 10}, {7.5, 7.5}}},
        {{0, -3}, {{12.5, 12.5}, {10, 10}, {7.5, 12.5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.direction.x << "," << c.direction.y);
        auto rc = gfx::makeRecordingContext();
        arrow->renderAsVectorInContext(*rc.context, {10, 10}, c.direction);
        ASSERT_EQ(drawingOps(*rc.recorder), (std::vector<gfx::Recorder::Op>{gfx::Recorder::Op::Stroke}));
        expectPoints(points(firstOf(*rc.recorder, gfx::Recorder::Op::Stroke)->path), c.stroke);
        EXPECT_EQ(rc.context->state().ctm, gfx::AffineTransform());
    }
    // A bar lies across the line.
    auto rc = gfx::makeRecordingContext();
    CPTLineCap::barPlotLineCap()->renderAsVectorInContext(*rc.context, {10, 10}, {1, 0});
    expectPoints(points(firstOf(*rc.recorder, gfx::Recorder::Op::Stroke)->path), {{10, 7.5}, {10, 12.5}});
    // The swept arrow's notch sits 0.75 of the half height behind the tip.
    auto swept = CPTLineCap::sweptArrowPlotLineCap();
    swept->setSize({8, 8});
    EXPECT_NEAR(points(swept->cachedLineCapPath())[3].y, -3, 1e-12);
}

TEST(CPTLineCap, WhichPartsDraw) {
    auto rc = gfx::makeRecordingContext();
    auto none = CPTLineCap::lineCap();
    none->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
    none->renderAsVectorInContext(*rc.context, {5, 5}, {0, 1});
    EXPECT_TRUE(rc.recorder->records().empty());

    auto solid = CPTLineCap::solidArrowPlotLineCap();
    solid->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
    solid->renderAsVectorInContext(*rc.context, {5, 5}, {0, 1});
    EXPECT_EQ(drawingOps(*rc.recorder), (std::vector<gfx::Recorder::Op>{gfx::Recorder::Op::Clip, gfx::Recorder::Op::Fill,
                                                                         gfx::Recorder::Op::Stroke}));
    // The fill paints the cap's box, clipped to the outline.
    EXPECT_EQ(firstOf(*rc.recorder, gfx::Recorder::Op::Fill)->path.boundingBox(), CGRect(2.5, 2.5, 5, 5));
    EXPECT_EQ(firstOf(*rc.recorder, gfx::Recorder::Op::Clip)->path.boundingBox(), CGRect(2.5, 2.5, 2.5 * 2, 2.5));

    rc.recorder->clear();
    solid->setLineStyle(nullptr);
    solid->renderAsVectorInContext(*rc.context, {5, 5}, {0, 1});
    EXPECT_EQ(drawingOps(*rc.recorder), (std::vector<gfx::Recorder::Op>{gfx::Recorder::Op::Clip, gfx::Recorder::Op::Fill}));
    rc.recorder->clear();
    solid->setFill(nullptr);
    solid->renderAsVectorInContext(*rc.context, {5, 5}, {0, 1});
    EXPECT_TRUE(rc.recorder->records().empty());

    // An open arrow is never filled, and an even-odd clip rule reaches the clip.
    auto open = CPTLineCap::openArrowPlotLineCap();
    open->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
    open->renderAsVectorInContext(*rc.context, {5, 5}, {0, 1});
    EXPECT_EQ(drawingOps(*rc.recorder), (std::vector<gfx::Recorder::Op>{gfx::Recorder::Op::Stroke}));
    rc.recorder->clear();
    auto diamond = CPTLineCap::diamondPlotLineCap();
    diamond->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
    diamond->setUsesEvenOddClipRule(true);
    diamond->renderAsVectorInContext(*rc.context, {5, 5}, {0, 1});
    EXPECT_EQ(firstOf(*rc.recorder, gfx::Recorder::Op::Clip)->rule, gfx::FillRule::EvenOdd);
}

TEST(CPTLineCap, TheOutlineIsRebuiltOnlyWhenItChanges) {
    auto cap = CPTLineCap::rectanglePlotLineCap();
    EXPECT_FALSE(cap->hasCachedLineCapPath());
    EXPECT_EQ(cap->cachedLineCapPath().boundingBox(), CGRect(-2.5, -2.5, 5, 5));
    cap->setSize({5, 5});
    EXPECT_TRUE(cap->hasCachedLineCapPath());
    cap->setLineStyle(nullptr);
    cap->setFill(nullptr);
    cap->setUsesEvenOddClipRule(true);
    EXPECT_TRUE(cap->hasCachedLineCapPath());
    cap->setSize({10, 4});
    EXPECT_FALSE(cap->hasCachedLineCapPath());
    EXPECT_EQ(cap->cachedLineCapPath().boundingBox(), CGRect(-5, -2, 10, 4));
    cap->setLineCapType(CPTLineCapTypeRectangle);
    EXPECT_TRUE(cap->hasCachedLineCapPath());
    cap->setLineCapType(CPTLineCapTypeDiamond);
    EXPECT_FALSE(cap->hasCachedLineCapPath());
    gfx::Path square;
    square.addRect(CGRect(0, 0, 1, 1));
    cap->setCustomLineCapPath(square);
    (void)cap->cachedLineCapPath();
    cap->setCustomLineCapPath(square);
    EXPECT_TRUE(cap->hasCachedLineCapPath());
}

TEST(CPTLineCap, CopiesHoldCopies) {
    gfx::Path triangle;
    triangle.addLines({{0, 0}, {1, 0}, {0, 1}});
    auto cap = CPTLineCap::customLineCapWithPath(triangle);
    cap->setSize({7, 9});
    cap->setUsesEvenOddClipRule(true);
    cap->setFill(CPTFill::fillWithColor(CPTColor::greenColor()));
    const auto copy = cap->copy();
    EXPECT_EQ(copy->lineCapType(), CPTLineCapTypeCustom);
    EXPECT_EQ(copy->size(), (CGSize{7, 9}));
    EXPECT_TRUE(copy->usesEvenOddClipRule());
    EXPECT_EQ(copy->customLineCapPath(), triangle);
    EXPECT_NE(copy->lineStyle().get(), cap->lineStyle().get());
    EXPECT_NE(copy->fill().get(), cap->fill().get());
    EXPECT_TRUE(copy->fill()->fillColor()->isEqual(CPTColor::greenColor().get()));
    const gfx::Image preview = copy->debugQuickLookObject();
    EXPECT_EQ(preview.pixelWidth(), 7);
}

TEST(CPTLineCap, UnusableNumbersDrawNothingWrong) {
    gfx::Path line;
    line.addLines({{0, 0}, {10, 0}}); // a box without height
    gfx::Path huge;
    huge.addRect(CGRect(-1e300, -1e300, 2e300, 2e300));
    struct Case {
        const char* name;
        CGSize size;
        double lineWidth;
        std::optional<gfx::Path> custom;
    };
    const Case cases[] = {
        {"NaN size", {kNaN, 5}, 1, std::nullopt},     {"infinite size", {kInf, 5}, 1, std::nullopt},
        {"negative size", {-5, -5}, 1, std::nullopt}, {"zero size", {0, 0}, 1, std::nullopt},
        {"NaN width", {5, 5}, kNaN, std::nullopt},    {"infinite width", {5, 5}, kInf, std::nullopt},
        {"flat custom path", {5, 5}, 1, line},        {"huge custom path", {5, 5}, 1, huge},
        {"custom without a path", {5, 5}, 1, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto cap = c.custom || std::string(c.name) == "custom without a path" ? std::make_shared<CPTLineCap>()
                                                                               : CPTLineCap::solidArrowPlotLineCap();
        if (c.custom || std::string(c.name) == "custom without a path") {
            cap->setLineCapType(CPTLineCapTypeCustom);
            cap->setCustomLineCapPath(c.custom);
        }
        cap->setSize(c.size);
        auto style = CPTMutableLineStyle::lineStyle();
        style->setLineWidth(c.lineWidth);
        cap->setLineStyle(style);
        cap->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
        gfx::BitmapContext bitmap(20, 20, 1, gfx::Color::white());
        cap->renderAsVectorInContext(bitmap.context(), {10, 10}, {0, 1});
        bitmap.context().setFillColor({0, 0, 1, 1});
        bitmap.context().fillRect(CGRect(0, 0, 4, 4));
        EXPECT_EQ(bitmap.image().pixel(1, 1), (gfx::Color{0, 0, 1, 1}));
        if (std::string(c.name).find("custom") != std::string::npos && std::string(c.name) != "huge custom path") {
            auto rc = gfx::makeRecordingContext();
            cap->renderAsVectorInContext(*rc.context, {10, 10}, {0, 1});
            EXPECT_TRUE(rc.recorder->records().empty());
        }
    }
}
