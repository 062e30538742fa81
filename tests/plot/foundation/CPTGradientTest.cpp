// Gradients: stop order, the three blendings (hue conversions against an outside reference), editing
// errors, axial and radial painting, the ramp handed to the drawing platform, and the named gradients.
#include "plot/foundation/CPTGradient.h"

#include "plot/foundation/CPTException.h"

#include "platform/graphics/Output.h"
#include "platform/graphics/Recorder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();

std::shared_ptr<CPTColor> rgb(double r, double g, double b, double a = 1) {
    return CPTColor::colorWithComponentRed(r, g, b, a);
}

void expectColor(const gfx::Color& actual, const gfx::Color& expected, double tolerance = 1e-12) {
    EXPECT_NEAR(actual.red, expected.red, tolerance);
    EXPECT_NEAR(actual.green, expected.green, tolerance);
    EXPECT_NEAR(actual.blue, expected.blue, tolerance);
    EXPECT_NEAR(actual.alpha, expected.alpha, tolerance);
}

std::vector<const gfx::Recorder::Record*> shadings(const gfx::Recorder& recorder) {
    std::vector<const gfx::Recorder::Record*> out;
    for (const auto& r : recorder.records())
        if (r.op == gfx::Recorder::Op::Shading)
            out.push_back(&r);
    return out;
}

// Python's colorsys: every (r, g, b) on the grid {0, 0.35, 0.8, 1} that is not a grey, with its hue
// (turned from colorsys's 0...1 into degrees), saturation and value:
//   python3 -c "import colorsys, itertools; g = [0, 0.35, 0.8, 1]
//   [print(r, gg, b, *(lambda h, s, v: (h * 360, s, v))(*colorsys.rgb_to_hsv(r, gg, b)))
//    for r, gg, b in itertools.product(g, g, g) if not r == gg == b]"
struct HSVCase {
    double r, g, b, h, s, v;
};
const HSVCase kColorsys[] = {
    {0, 0, 0.35, 240, 1, 0.35},
    {0, 0, 0.8, 240, 1, 0.8},
    {0, 0, 1, 240, 1, 1},
    {0, 0.35, 0, 120, 1, 0.35},
    {0, 0.35, 0.35, 180, 1, 0.35},
    {0, 0.35, 0.8, 213.75, 1, 0.8},
    {0, 0.35, 1, 219, 1, 1},
    {0, 0.8, 0, 120, 1, 0.8},
    {0, 0.8, 0.35, 146.25, 1, 0.8},
    {0, 0.8, 0.8, 180, 1, 0.8},
    {0, 0.8, 1, 192, 1, 1},
    {0, 1, 0, 120, 1, 1},
    {0, 1, 0.35, 141, 1, 1},
    {0, 1, 0.8, 168, 1, 1},
    {0, 1, 1, 180, 1, 1},
    {0.35, 0, 0, 0, 1, 0.35},
    {0.35, 0, 0.35, 300, 1, 0.35},
    {0.35, 0, 0.8, 266.25, 1, 0.8},
    {0.35, 0, 1, 261, 1, 1},
    {0.35, 0.35, 0, 60, 1, 0.35},
    {0.35, 0.35, 0.8, 240, 0.5625, 0.8},
    {0.35, 0.35, 1, 240, 0.65, 1},
    {0.35, 0.8, 0, 93.75, 1, 0.8},
    {0.35, 0.8, 0.35, 120, 0.5625, 0.8},
    {0.35, 0.8, 0.8, 180, 0.5625, 0.8},
    {0.35, 0.8, 1, 198.461538461538, 0.65, 1},
    {0.35, 1, 0, 99, 1, 1},
    {0.35, 1, 0.35, 120, 0.65, 1},
    {0.35, 1, 0.8, 161.538461538462, 0.65, 1},
    {0.35, 1, 1, 180, 0.65, 1},
    {0.8, 0, 0, 0, 1, 0.8},
    {0.8, 0, 0.35, 333.75, 1, 0.8},
    {0.8, 0, 0.8, 300, 1, 0.8},
    {0.8, 0, 1, 288, 1, 1},
    {0.8, 0.35, 0, 26.25, 1, 0.8},
    {0.8, 0.35, 0.35, 0, 0.5625, 0.8},
    {0.8, 0.35, 0.8, 300, 0.5625, 0.8},
    {0.8, 0.35, 1, 281.538461538462, 0.65, 1},
    {0.8, 0.8, 0, 60, 1, 0.8},
    {0.8, 0.8, 0.35, 60, 0.5625, 0.8},
    {0.8, 0.8, 1, 240, 0.2, 1},
    {0.8, 1, 0, 72, 1, 1},
    {0.8, 1, 0.35, 78.4615384615385, 0.65, 1},
    {0.8, 1, 0.8, 120, 0.2, 1},
    {0.8, 1, 1, 180, 0.2, 1},
    {1, 0, 0, 0, 1, 1},
    {1, 0, 0.35, 339, 1, 1},
    {1, 0, 0.8, 312, 1, 1},
    {1, 0, 1, 300, 1, 1},
    {1, 0.35, 0, 21, 1, 1},
    {1, 0.35, 0.35, 0, 0.65, 1},
    {1, 0.35, 0.8, 318.461538461538, 0.65, 1},
    {1, 0.35, 1, 300, 0.65, 1},
    {1, 0.8, 0, 48, 1, 1},
    {1, 0.8, 0.35, 41.5384615384615, 0.65, 1},
    {1, 0.8, 0.8, 0, 0.2, 1},
    {1, 0.8, 1, 300, 0.2, 1},
    {1, 1, 0, 60, 1, 1},
    {1, 1, 0.35, 60, 0.65, 1},
    {1, 1, 0.8, 60, 0.2, 1},
};
} // namespace

TEST(CPTGradient, HueConversionsAgreeWithColorsys) {
    for (const HSVCase& c : kColorsys) {
        SCOPED_TRACE(testing::Message() << c.r << " " << c.g << " " << c.b);
        CGFloat hsv[3] = {c.r, c.g, c.b};
        CPTGradientRGBToHSV(hsv);
        EXPECT_NEAR(hsv[0], c.h, 1e-9);
        EXPECT_NEAR(hsv[1], c.s, 1e-12);
        EXPECT_NEAR(hsv[2], c.v, 1e-12);
        CPTGradientHSVToRGB(hsv);
        EXPECT_NEAR(hsv[0], c.r, 1e-12);
        EXPECT_NEAR(hsv[1], c.g, 1e-12);
        EXPECT_NEAR(hsv[2], c.b, 1e-12);
    }
}

TEST(CPTGradient, HueConversionEdges) {
    CGFloat grey[3] = {0.4, 0.4, 0.4};
    CPTGradientRGBToHSV(grey);
    EXPECT_TRUE(std::isnan(grey[0]));
    EXPECT_EQ(grey[1], 0);
    EXPECT_EQ(grey[2], 0.4);
    CGFloat black[3] = {0, 0, 0};
    CPTGradientRGBToHSV(black);
    EXPECT_EQ(black[1], 0); // no division by a zero value
    struct Case {
        double hue;
        gfx::Color rgb;
    };
    // A negative or NaN hue gives black and never reaches an integer conversion; 360 and more wrap.
    for (const Case c : {Case{-30, {0, 0, 0, 1}}, Case{kNaN, {0, 0, 0, 1}},
                         Case{360, {1, 0, 0, 1}}, Case{480, {0, 1, 0, 1}}, Case{1e300, {0, 0, 0, 1}}}) {
        SCOPED_TRACE(c.hue);
        CGFloat hsv[3] = {c.hue, 1, 1};
        CPTGradientHSVToRGB(hsv);
        if (c.hue == 1e300) {
            // fmod keeps a huge hue inside one turn; whichever sector, the parts stay within 0...1.
            for (double x : hsv)
                EXPECT_TRUE(x >= 0 && x <= 1);
            continue;
        }
        EXPECT_EQ((gfx::Color{hsv[0], hsv[1], hsv[2], 1}), c.rgb);
    }
}

TEST(CPTGradient, StopsStaySortedWithTiesInInsertionOrder) {
    auto g = CPTGradient::gradientWithBeginningColor(*rgb(1, 0, 0), *rgb(0, 0, 1), 0.8, 0.2);
    g = g->addColorStop(*rgb(0, 1, 0), 0.5)->addColorStop(*rgb(1, 1, 0), 0.5)->addColorStop(*rgb(0, 1, 1), -1);
    const double positions[] = {-1, 0.2, 0.5, 0.5, 0.8};
    const gfx::Color colours[] = {{0, 1, 1, 1}, {0, 0, 1, 1}, {0, 1, 0, 1}, {1, 1, 0, 1}, {1, 0, 0, 1}};
    ASSERT_EQ(g->elementCount(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(g->elementAtIndex(i)->position, positions[i]);
        EXPECT_EQ(g->newColorStopAtIndex(i), colours[i]);
    }
    EXPECT_FALSE(g->elementAtIndex(5));
}

TEST(CPTGradient, LinearEvaluation) {
    const CPTGradient none;
    EXPECT_EQ(none.newColorAtPosition(0.3), gfx::Color::white());
    EXPECT_TRUE(none.isOpaque());
    const auto one = CPTGradient().addColorStop(*rgb(0.2, 0.4, 0.6, 0.5), 0.7);
    for (double t : {-1.0, 0.0, 0.7, 1.0, 2.0})
        EXPECT_EQ(one->newColorAtPosition(t), (gfx::Color{0.2, 0.4, 0.6, 0.5}));
    EXPECT_FALSE(one->isOpaque());

    const auto aqua = CPTGradient::aquaSelectedGradient();
    expectColor(aqua->newColorAtPosition(0.5), {0.42, 0.68, 0.90, 1});
    expectColor(aqua->newColorAtPosition(0.5 + 1e-9), {0.64, 0.80, 0.94, 1}, 1e-7);
    expectColor(aqua->newColorAtPosition(0.25), {0.50, 0.77, 0.94, 1});
    expectColor(aqua->newColorAtPosition(0.75), {0.60, 0.75, 0.92, 1});

    // Outputs are clamped; an unknown blending mode gives transparent black.
    const auto hot = CPTGradient().addColorStop(*rgb(2, -1, 0.5), 0);
    EXPECT_EQ(hot->newColorAtPosition(0), (gfx::Color{1, 0, 0.5, 1}));
    EXPECT_EQ(hot->evaluate(0).red, 2);
    EXPECT_EQ(one->gradientWithBlendingMode(static_cast<CPTGradientBlendingMode>(7))->newColorAtPosition(0.5),
              (gfx::Color{0, 0, 0, 0}));
}

TEST(CPTGradient, ChromaticEvaluation) {
    const auto redToBlue = CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor());
    const auto chromatic = redToBlue->gradientWithBlendingMode(CPTChromaticBlendingMode);
    expectColor(chromatic->newColorAtPosition(0.5), {0, 1, 0, 1});
    expectColor(chromatic->newColorAtPosition(0), {1, 0, 0, 1});
    expectColor(chromatic->newColorAtPosition(1), {0, 0, 1, 1});
    const auto inverse = redToBlue->gradientWithBlendingMode(CPTInverseChromaticBlendingMode);
    expectColor(inverse->newColorAtPosition(0.5), {1, 0, 1, 1}); // hue 300
    // Blue to red the other way round: hue 240 up to 360, through magenta at 300.
    const auto blueToRed = CPTGradient::gradientWithBeginningColor(*CPTColor::blueColor(), *CPTColor::redColor())
                               ->gradientWithBlendingMode(CPTChromaticBlendingMode);
    expectColor(blueToRed->newColorAtPosition(0.5), {1, 0, 1, 1});

    // From a grey the hue is the colour's: only saturation and value change (hue 0 here, all red).
    const auto greyToRed = CPTGradient::gradientWithBeginningColor(*CPTColor::grayColor(), *CPTColor::redColor())
                               ->gradientWithBlendingMode(CPTChromaticBlendingMode);
    // s 0.5, v 0.75 at hue 0: (0.75, 0.375, 0.375)
    expectColor(greyToRed->newColorAtPosition(0.5), {0.75, 0.375, 0.375, 1});
    const auto greenToGrey = CPTGradient::gradientWithBeginningColor(*CPTColor::greenColor(), *CPTColor::blackColor())
                                 ->gradientWithBlendingMode(CPTChromaticBlendingMode);
    // s and v halve at hue 120: (0.25, 0.5, 0.25)
    expectColor(greenToGrey->newColorAtPosition(0.5), {0.25, 0.5, 0.25, 1});
    // Two greys: hue 0, a plain grey ramp.
    const auto greys = CPTGradient::gradientWithBeginningColor(*CPTColor::blackColor(), *CPTColor::whiteColor())
                           ->gradientWithBlendingMode(CPTChromaticBlendingMode);
    expectColor(greys->newColorAtPosition(0.25), {0.25, 0.25, 0.25, 1});
}

TEST(CPTGradient, EditingAnswersNewGradientsAndReportsMissingStops) {
    const auto g = CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor());
    const auto without = g->removeColorStopAtPosition(1.0);
    EXPECT_EQ(without->elementCount(), 1u);
    EXPECT_EQ(g->elementCount(), 2u);
    EXPECT_EQ(g->removeColorStopAtIndex(0)->removeColorStopAtIndex(0)->elementCount(), 0u);

    struct Case {
        std::function<void()> call;
        const char* message;
    };
    const Case cases[] = {
        {[&] { g->removeColorStopAtPosition(0.5); },
         "-[CPTGradient removeColorStopAtPosition:]: no such colorStop at position (0.5)"},
        {[&] { without->removeColorStopAtIndex(1); }, "-[CPTGradient removeColorStopAtIndex:]: index (1) beyond bounds"},
        {[&] { g->newColorStopAtIndex(2); }, "-[CPTGradient colorStopAtIndex:]: index (2) beyond bounds"},
        {[&] { CPTGradient().removeColorStopAtPosition(kNaN); },
         "-[CPTGradient removeColorStopAtPosition:]: no such colorStop at position (nan)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        try {
            c.call();
            ADD_FAILURE() << "no exception";
        } catch (const CPTException& e) {
            EXPECT_EQ(e.name(), NSRangeException);
            EXPECT_EQ(e.reason(), c.message);
        }
    }
    EXPECT_EQ(g->elementCount(), 2u);
}

TEST(CPTGradient, CopiesEqualityAndHash) {
    auto g = CPTGradient::aquaSelectedGradient();
    g->setAngle(30);
    g->setStartAnchor({0.1, 0.2});
    const auto copy = g->copy();
    EXPECT_TRUE(copy->isEqual(g.get()));
    EXPECT_EQ(copy->startAnchor(), (CGPoint{0.1, 0.2}));
    EXPECT_EQ(copy->hash(), g->hash());
    EXPECT_EQ(copy->colorspace().get(), CPTColorSpace::genericRGBSpace().get());

    const auto alpha = g->gradientWithAlphaComponent(1.0);
    EXPECT_TRUE(alpha->isEqual(g.get()));
    EXPECT_EQ(alpha->angle(), 30);
    EXPECT_EQ(alpha->startAnchor(), (CGPoint{0.5, 0.5}));
    EXPECT_FALSE(g->gradientWithAlphaComponent(0.5)->isEqual(g.get()));
    EXPECT_FALSE(g->gradientWithAlphaComponent(0.5)->isOpaque());

    EXPECT_FALSE(g->gradientWithBlendingMode(CPTChromaticBlendingMode)->isEqual(g.get()));
    auto turned = g->copy();
    turned->setAngle(31);
    EXPECT_FALSE(turned->isEqual(g.get()));
    EXPECT_FALSE(g->isEqual(nullptr));

    // First stop (0.58, 0.86, 0.98, 1): 0.58 x 256 + 0.86 x 65536 + 0.98 x 16777216 + 4294967296
    EXPECT_EQ(g->hash(), static_cast<std::uint64_t>(0.58 * 256 + 0.86 * 65536 + 0.98 * 16777216 + 4294967296.0));
    auto radial = std::make_shared<CPTGradient>();
    radial->setGradientType(CPTGradientTypeRadial);
    EXPECT_EQ(radial->gradientWithBlendingMode(CPTInverseChromaticBlendingMode)->hash(), 3u);
    EXPECT_EQ(CPTGradient().addColorStop(*rgb(kNaN, 0, 0), 0)->hash(), 0u);
}

TEST(CPTGradient, AxialLinesCrossTheRect) {
    struct Case {
        double angle;
        CGPoint start, end;
    };
    const double half = 106.06601717798213 / 2; // 100 |cos 45| + 50 |sin 45|
    const double c45 = std::cos(45 * 0.017453292519943295), s45 = std::sin(45 * 0.017453292519943295);
    const Case cases[] = {
        {0, {10, 20}, {110, 20}},
        {90, {10, 20}, {10, 70}},
        {45, {60 - c45 * half, 45 - s45 * half}, {60 + c45 * half, 45 + s45 * half}},
        {180, {110, 45}, {10, 45}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        auto g = CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor());
        g->setAngle(c.angle);
        auto rc = gfx::makeRecordingContext();
        g->fillRect(CGRect(10, 20, 100, 50), *rc.context);
        const auto drawn = shadings(*rc.recorder);
        ASSERT_EQ(drawn.size(), 1u);
        const gfx::Shading& s = drawn[0]->shading;
        EXPECT_EQ(s.kind, gfx::Shading::Kind::Axial);
        EXPECT_NEAR(s.start.x, c.start.x, 1e-9);
        EXPECT_NEAR(s.start.y, c.start.y, 1e-9);
        EXPECT_NEAR(s.end.x, c.end.x, 1e-9);
        EXPECT_NEAR(s.end.y, c.end.y, 1e-9);
        EXPECT_FALSE(s.extendStart);
        EXPECT_FALSE(s.extendEnd);
        EXPECT_EQ(drawn[0]->state.clipBox, CGRect(10, 20, 100, 50));
        if (c.angle == 45) {
            EXPECT_NEAR(std::hypot(s.end.x - s.start.x, s.end.y - s.start.y), 106.066, 5e-4);
        }
        EXPECT_TRUE(rc.context->state().clipBox.isNull());
    }
}

TEST(CPTGradient, RadialFillsStartBelowZeroAndSkipEmptyRects) {
    auto g = CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor());
    g->setGradientType(CPTGradientTypeRadial);
    auto rc = gfx::makeRecordingContext();
    g->fillRect(CGRect(0, 0, 100, 40), *rc.context);
    auto drawn = shadings(*rc.recorder);
    ASSERT_EQ(drawn.size(), 1u);
    const gfx::Shading& s = drawn[0]->shading;
    EXPECT_EQ(s.kind, gfx::Shading::Kind::Radial);
    // The start circle has radius -1: the visible ramp begins where the radius reaches 0, at
    // position 1 / (50 + 1) of the ramp.
    EXPECT_EQ(s.startRadius, 0);
    EXPECT_EQ(s.endRadius, 50);
    expectColor(s.stops.front().color, g->newColorAtPosition(1.0 / 51), 2e-3);
    EXPECT_TRUE(s.extendEnd);
    // Wider than high: y is scaled by 40 / 100 and the centre moved to match.
    EXPECT_EQ(drawn[0]->state.ctm, gfx::AffineTransform::scale(1, 0.4));
    EXPECT_NEAR(s.end.y, 50, 1e-9);
    EXPECT_EQ(rc.context->state().ctm, gfx::AffineTransform());

    // Anchors move the centres within the rect.
    g->setStartAnchor({0, 0});
    g->setEndAnchor({1, 1});
    rc.recorder->clear();
    g->fillRect(CGRect(0, 0, 40, 100), *rc.context);
    drawn = shadings(*rc.recorder);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0]->state.ctm, gfx::AffineTransform::scale(0.4, 1));
    EXPECT_NEAR(drawn[0]->shading.end.x, 100, 1e-9);
    EXPECT_NEAR(drawn[0]->shading.end.y, 100, 1e-9);

    // Nothing for a rect without width or height, and the context still draws.
    for (const CGRect& empty : {CGRect(0, 0, 0, 40), CGRect(0, 0, 40, 0), CGRect(0, 0, kNaN, 40)}) {
        rc.recorder->clear();
        g->fillRect(empty, *rc.context);
        EXPECT_TRUE(shadings(*rc.recorder).empty());
        rc.context->fillRect(CGRect(0, 0, 5, 5));
        EXPECT_EQ(rc.recorder->lines().back(), "fill winding M 0 0 L 5 0 L 5 5 L 0 5 Z color 0 0 0 1");
    }
    // Another type paints nothing.
    g->setGradientType(static_cast<CPTGradientType>(5));
    rc.recorder->clear();
    g->fillRect(CGRect(0, 0, 40, 40), *rc.context);
    EXPECT_TRUE(shadings(*rc.recorder).empty());
}

TEST(CPTGradient, PathFillsClipToThePath) {
    const auto g = CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor());
    auto rc = gfx::makeRecordingContext();
    g->fillPathInContext(*rc.context);
    EXPECT_TRUE(rc.recorder->records().empty());
    rc.context->addEllipseInRect(CGRect(10, 10, 60, 30));
    g->fillPathInContext(*rc.context);
    EXPECT_TRUE(rc.context->isPathEmpty());
    const auto lines = rc.recorder->lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("clip winding", 0), 0u);
    EXPECT_EQ(lines[1].rfind("axial 10 10 70 10", 0), 0u);
}

TEST(CPTGradient, TheRampKeepsHardEdgesAndIsClamped) {
    const gfx::Gradient ramp = CPTGradient::aquaSelectedGradient()->shadingGradient();
    const auto& stops = ramp.stops();
    EXPECT_GE(stops.size(), 256u);
    for (std::size_t i = 1; i < stops.size(); ++i)
        EXPECT_LE(stops[i - 1].location, stops[i].location);
    // Both sides of the edge at 0.5, in order.
    std::vector<gfx::Color> atHalf;
    for (const auto& s : stops)
        if (s.location == 0.5)
            atHalf.push_back(s.color);
    ASSERT_EQ(atHalf.size(), 2u);
    expectColor(atHalf[0], {0.42, 0.68, 0.90, 1});
    expectColor(atHalf[1], {0.64, 0.80, 0.94, 1}, 1e-7);
    EXPECT_EQ(stops.front().location, 0);
    EXPECT_EQ(stops.back().location, 1);

    const gfx::Gradient clamped = CPTGradient().addColorStop(*rgb(2, -1, kNaN, 1), 0)->shadingGradient();
    for (const auto& s : clamped.stops())
        EXPECT_EQ(s.color, (gfx::Color{1, 0, 0, 1}));

    // A chromatic ramp is sampled finely enough to follow the hue.
    const gfx::Gradient rainbow = CPTGradient::rainbowGradient()->shadingGradient();
    expectColor(rainbow.colorAt(0.5), CPTGradient::rainbowGradient()->newColorAtPosition(0.5), 2e-2);
}

TEST(CPTGradient, NamedGradients) {
    struct Case {
        const char* name;
        std::shared_ptr<CPTGradient> gradient;
        std::size_t stops;
        CPTGradientBlendingMode mode;
        gfx::Color first;
    };
    const Case cases[] = {
        {"aquaSelected", CPTGradient::aquaSelectedGradient(), 4, CPTLinearBlendingMode, {0.58, 0.86, 0.98, 1}},
        {"aquaNormal", CPTGradient::aquaNormalGradient(), 4, CPTLinearBlendingMode, gfx::Color::gray(0.95)},
        {"aquaPressed", CPTGradient::aquaPressedGradient(), 4, CPTLinearBlendingMode, gfx::Color::gray(0.80)},
        {"unifiedSelected", CPTGradient::unifiedSelectedGradient(), 2, CPTLinearBlendingMode, gfx::Color::gray(0.85)},
        {"unifiedNormal", CPTGradient::unifiedNormalGradient(), 2, CPTLinearBlendingMode, gfx::Color::gray(0.75)},
        {"unifiedPressed", CPTGradient::unifiedPressedGradient(), 2, CPTLinearBlendingMode, gfx::Color::gray(0.60)},
        {"unifiedDark", CPTGradient::unifiedDarkGradient(), 2, CPTLinearBlendingMode, gfx::Color::gray(0.68)},
        {"sourceListSelected", CPTGradient::sourceListSelectedGradient(), 2, CPTLinearBlendingMode,
         {0.06, 0.37, 0.85, 1}},
        {"sourceListUnselected", CPTGradient::sourceListUnselectedGradient(), 2, CPTLinearBlendingMode,
         gfx::Color::gray(0.43)},
        {"rainbow", CPTGradient::rainbowGradient(), 2, CPTChromaticBlendingMode, {1, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.gradient->elementCount(), c.stops);
        EXPECT_EQ(c.gradient->blendingMode(), c.mode);
        EXPECT_EQ(c.gradient->newColorStopAtIndex(0), c.first);
        EXPECT_EQ(c.gradient->angle(), 0);
        EXPECT_EQ(c.gradient->gradientType(), CPTGradientTypeAxial);
        EXPECT_TRUE(c.gradient->isOpaque());
    }
    EXPECT_NE(CPTGradient::rainbowGradient().get(), CPTGradient::rainbowGradient().get());

    // Three stops per spectral line: dark edges at hue -/+ 180 x width, the full colour at the line.
    // colorsys.hsv_to_rgb(22 / 360, 1, 1) -> (1, 0.3666..., 0); hsv_to_rgb(20.2 / 360, 1, 0.001)
    //   -> (0.001, 0.000336666..., 0)
    const auto h = CPTGradient::hydrogenSpectrumGradient();
    ASSERT_EQ(h->elementCount(), 12u);
    EXPECT_EQ(h->blendingMode(), CPTChromaticBlendingMode);
    const double positions[] = {0.135, 0.145, 0.155, 0.702, 0.71, 0.718, 0.88, 0.885, 0.89, 0.962, 0.965, 0.968};
    for (std::size_t i = 0; i < 12; ++i)
        EXPECT_NEAR(h->elementAtIndex(i)->position, positions[i], 1e-12) << i;
    expectColor(h->newColorStopAtIndex(1), {1, 22.0 / 60, 0, 1});
    expectColor(h->newColorStopAtIndex(0), {0.001, 0.001 * 20.2 / 60, 0, 1});
    expectColor(h->newColorStopAtIndex(2), {0.001, 0.001 * 23.8 / 60, 0, 1});
    // colorsys.hsv_to_rgb(200 / 360, 1, 1) -> (0, 0.6666..., 1)
    expectColor(h->newColorStopAtIndex(4), {0, 2.0 / 3, 1, 1});
}

TEST(CPTGradient, PreviewFillsTheImage) {
    auto g = CPTGradient::gradientWithBeginningColor(*CPTColor::redColor(), *CPTColor::blueColor());
    const gfx::Image preview = g->debugQuickLookObject();
    ASSERT_EQ(preview.pixelWidth(), 100);
    const gfx::Color left = preview.pixel(2, 50), right = preview.pixel(97, 50);
    EXPECT_GT(left.red, 0.9);
    EXPECT_GT(right.blue, 0.9);
    g->setGradientType(CPTGradientTypeRadial);
    const gfx::Image round = g->debugQuickLookObject();
    EXPECT_NEAR(round.pixel(0, 0).red, 246.0 / 255, 1e-6); // outside the ellipse
}

TEST(CPTGradient, FarAwayGeometryPaintsNothingAndTheContextStillDraws) {
    // An anchor far outside the rect puts the circles beyond anything a page can show (this one once
    // overran the raster's colour table).
    auto radial = CPTGradient::aquaSelectedGradient();
    radial->setGradientType(CPTGradientTypeRadial);
    radial->setEndAnchor({-2.7e154, 0.5});
    auto axial = CPTGradient::aquaSelectedGradient();
    axial->setAngle(45);
    for (const auto& [gradient, rect] : {std::pair{radial, CGRect(1, 2, 9, 5)}, std::pair{axial, CGRect(0, 0, 1e300, 5)}}) {
        gfx::BitmapContext bitmap(40, 40, 2, gfx::Color::white());
        bitmap.context().scaleCTM(2, -2);
        bitmap.context().translateCTM(0, -20);
        gradient->fillRect(rect, bitmap.context());
        bitmap.context().setFillColor({0, 0, 1, 1});
        bitmap.context().fillRect(CGRect(0, 0, 20, 20));
        EXPECT_EQ(bitmap.image().pixel(20, 20), (gfx::Color{0, 0, 1, 1}));
        auto rc = gfx::makeRecordingContext();
        gradient->fillRect(rect, *rc.context);
        EXPECT_TRUE(shadings(*rc.recorder).empty());
    }
}
