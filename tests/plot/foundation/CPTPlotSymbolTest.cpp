// Plot symbols: outlines, the size of the cached drawing, which setters drop which cache, where both
// drawings put a symbol, that the cached drawing replays what the vector drawing draws, and numbers
// that cannot be drawn.
#include "plot/foundation/CPTPlotSymbol.h"

#include "platform/graphics/Output.h"
#include "platform/graphics/Recorder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

std::vector<CGPoint> vertices(const gfx::Path& path) {
    std::vector<CGPoint> out;
    for (const auto& e : path.elements())
        if (e.kind == gfx::Path::Kind::Move || e.kind == gfx::Path::Kind::Line)
            out.push_back(e.points[0]);
    return out;
}

std::vector<const gfx::Recorder::Record*> recordsOf(const gfx::Recorder& recorder, gfx::Recorder::Op op) {
    std::vector<const gfx::Recorder::Record*> out;
    for (const auto& r : recorder.records())
        if (r.op == op)
            out.push_back(&r);
    return out;
}

// What a drawing paints, without its clips.
std::vector<std::string> painted(const gfx::Recorder& recorder) {
    std::vector<std::string> out;
    for (const std::string& line : recorder.lines())
        if (line.rfind("clip", 0) != 0)
            out.push_back(line);
    return out;
}

std::shared_ptr<CPTPlotSymbol> filledEllipse() {
    auto symbol = CPTPlotSymbol::ellipsePlotSymbol();
    symbol->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
    return symbol;
}

} // namespace

TEST(CPTPlotSymbol, Outlines) {
    auto star = CPTPlotSymbol::starPlotSymbol();
    star->setSize({10, 10});
    const auto v = vertices(star->cachedSymbolPath());
    ASSERT_EQ(v.size(), 10u);
    EXPECT_EQ(v[0], (CGPoint{0, 5}));
    EXPECT_NEAR(v[5].x, 0, 1e-12);
    EXPECT_NEAR(v[5].y, -1.90983005625, 1e-11);
    EXPECT_NEAR(v[2].x, 4.755282581500, 1e-11);

    struct Case {
        std::shared_ptr<CPTPlotSymbol> symbol;
        std::vector<CGPoint> vertices; // of a 4 x 6 symbol
    };
    const double s60 = 0.86602540378;
    const Case cases[] = {
        {CPTPlotSymbol::plotSymbol(), {}},
        {CPTPlotSymbol::rectanglePlotSymbol(), {{-2, -3}, {2, -3}, {2, 3}, {-2, 3}}},
        {CPTPlotSymbol::diamondPlotSymbol(), {{0, 3}, {2, 0}, {0, -3}, {-2, 0}}},
        {CPTPlotSymbol::trianglePlotSymbol(), {{0, 3}, {s60 * 2, -1.5}, {-s60 * 2, -1.5}}},
        {CPTPlotSymbol::crossPlotSymbol(), {{-2, 3}, {2, -3}, {2, 3}, {-2, -3}}},
        {CPTPlotSymbol::plusPlotSymbol(), {{0, 3}, {0, -3}, {-2, 0}, {2, 0}}},
        {CPTPlotSymbol::dashPlotSymbol(), {{2, 0}, {-2, 0}}},
        {CPTPlotSymbol::snowPlotSymbol(), {{0, 3}, {0, -3}, {s60 * 2, -1.5}, {-s60 * 2, 1.5}, {-s60 * 2, -1.5}, {s60 * 2, 1.5}}},
        {CPTPlotSymbol::pentagonPlotSymbol(),
         {{0, 3}, {0.9510565163 * 2, 0.30901699437 * 3}, {0.58778525229 * 2, -0.80901699437 * 3},
          {-0.58778525229 * 2, -0.80901699437 * 3}, {-0.9510565163 * 2, 0.30901699437 * 3}}},
        {CPTPlotSymbol::hexagonPlotSymbol(), {{0, 3}, {s60 * 2, 1.5}, {s60 * 2, -1.5}, {0, -3}, {-s60 * 2, -1.5}, {-s60 * 2, 1.5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.symbol->symbolType());
        c.symbol->setSize({4, 6});
        const auto actual = vertices(c.symbol->newSymbolPath());
        ASSERT_EQ(actual.size(), c.vertices.size());
        for (std::size_t i = 0; i < actual.size(); ++i) {
            EXPECT_NEAR(actual[i].x, c.vertices[i].x, 1e-12);
            EXPECT_NEAR(actual[i].y, c.vertices[i].y, 1e-12);
        }
    }
    auto ellipse = CPTPlotSymbol::ellipsePlotSymbol();
    EXPECT_EQ(ellipse->cachedSymbolPath().boundingBox(), CGRect(-2.5, -2.5, 5, 5));
}

TEST(CPTPlotSymbol, LayerSizes) {
    auto symbol = CPTPlotSymbol::plotSymbol();
    EXPECT_EQ(symbol->layerSizeForScale(2.0), (CGSize{14, 14}));
    auto shadow = CPTMutableShadow::shadow();
    shadow->setShadowOffset({1, -2});
    shadow->setShadowBlurRadius(3);
    symbol->setShadow(shadow);
    EXPECT_EQ(symbol->layerSizeForScale(2.0), (CGSize{30, 34}));
    symbol->setLineStyle(nullptr);
    EXPECT_EQ(symbol->layerSizeForScale(1.0), (CGSize{15, 17}));
}

TEST(CPTPlotSymbol, StrokedOnlyTypesAreNeverFilled) {
    for (const auto& symbol : {CPTPlotSymbol::plusPlotSymbol(), CPTPlotSymbol::crossPlotSymbol(),
                               CPTPlotSymbol::dashPlotSymbol(), CPTPlotSymbol::snowPlotSymbol()}) {
        SCOPED_TRACE(symbol->symbolType());
        symbol->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
        auto rc = gfx::makeRecordingContext();
        symbol->renderAsVectorInContext(*rc.context, {10, 10}, 1);
        EXPECT_TRUE(recordsOf(*rc.recorder, gfx::Recorder::Op::Fill).empty());
        EXPECT_EQ(recordsOf(*rc.recorder, gfx::Recorder::Op::Stroke).size(), 1u);
    }
    // Without a line style or a fill, or without a type, nothing.
    auto rc = gfx::makeRecordingContext();
    auto bare = CPTPlotSymbol::rectanglePlotSymbol();
    bare->setLineStyle(nullptr);
    bare->renderAsVectorInContext(*rc.context, {10, 10}, 1);
    auto none = CPTPlotSymbol::plotSymbol();
    none->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
    none->renderAsVectorInContext(*rc.context, {10, 10}, 1);
    none->renderInContext(*rc.context, {10, 10}, 1, false);
    EXPECT_TRUE(painted(*rc.recorder).empty());
}

TEST(CPTPlotSymbol, SettersDropWhatTheyAffect) {
    auto symbol = filledEllipse();
    auto rc = gfx::makeRecordingContext();
    auto draw = [&] { symbol->renderInContext(*rc.context, {20, 20}, 2, false); };
    draw();
    EXPECT_EQ(symbol->cachedLayersMade(), 1u);
    draw();
    EXPECT_EQ(symbol->cachedLayersMade(), 1u);

    struct Step {
        const char* name;
        std::function<void()> change;
        bool dropsPath;
        bool dropsDrawing;
    };
    gfx::Path custom;
    custom.addRect(CGRect(0, 0, 2, 3));
    const Step steps[] = {
        {"fill", [&] { symbol->setFill(CPTFill::fillWithColor(CPTColor::blueColor())); }, false, true},
        {"same fill", [&] { symbol->setFill(symbol->fill()); }, false, false},
        {"line style", [&] { symbol->setLineStyle(CPTLineStyle::lineStyle()); }, false, true},
        {"clip rule", [&] { symbol->setUsesEvenOddClipRule(true); }, false, true},
        {"same clip rule", [&] { symbol->setUsesEvenOddClipRule(true); }, false, false},
        {"anchor", [&] { symbol->setAnchorPoint({0, 1}); }, false, false},
        {"size", [&] { symbol->setSize({8, 8}); }, true, true},
        {"same size", [&] { symbol->setSize({8, 8}); }, false, false},
        {"type", [&] { symbol->setSymbolType(CPTPlotSymbolTypeDiamond); }, true, true},
        {"custom path", [&] { symbol->setCustomSymbolPath(custom); }, true, true},
        {"same custom path", [&] { symbol->setCustomSymbolPath(custom); }, false, false},
        {"shadow", [&] { symbol->setShadow(CPTShadow::shadow()); }, true, true},
        {"the stored shadow", [&] { symbol->setShadow(symbol->shadow()); }, false, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const auto made = symbol->cachedLayersMade();
        ASSERT_TRUE(symbol->hasCachedSymbolPath());
        ASSERT_TRUE(symbol->cachedLayer());
        step.change();
        EXPECT_EQ(!symbol->hasCachedSymbolPath(), step.dropsPath);
        EXPECT_EQ(!symbol->cachedLayer(), step.dropsDrawing);
        draw();
        EXPECT_EQ(symbol->cachedLayersMade(), made + (step.dropsDrawing ? 1 : 0));
    }
}

TEST(CPTPlotSymbol, OneDrawingPerScale) {
    auto symbol = filledEllipse();
    auto rc = gfx::makeRecordingContext();
    symbol->renderInContext(*rc.context, {20, 20}, 1, false);
    symbol->renderInContext(*rc.context, {20, 20}, 2, false);
    EXPECT_EQ(symbol->cachedLayersMade(), 2u);
    EXPECT_EQ(symbol->cachedScale(), 2);
    symbol->renderInContext(*rc.context, {30, 20}, 2, false);
    EXPECT_EQ(symbol->cachedLayersMade(), 2u);
    // Scales with nothing to draw make no drawing and draw nothing.
    for (double scale : {0.0, kNaN, -1.0, kInf}) {
        SCOPED_TRACE(scale);
        rc.recorder->clear();
        symbol->renderInContext(*rc.context, {20, 20}, scale, true);
        EXPECT_FALSE(symbol->cachedLayer());
        EXPECT_TRUE(rc.recorder->records().empty());
    }
}

TEST(CPTPlotSymbol, TheCachedDrawingSitsWhereTheSymbolDoes) {
    // A 5 x 5 ellipse with a 1-point outline at scale 2: a 14 x 14 pixel drawing, 7 x 7 points, its
    // corner 3.5 points below and left of the point; aligned, that corner snaps to half points.
    auto symbol = filledEllipse();
    struct Case {
        bool align;
        CGPoint point;
        CGPoint corner;
    };
    for (const Case& c : {Case{false, {10.3, 20.6}, {6.8, 17.1}}, Case{true, {10.3, 20.6}, {7, 17}},
                          Case{true, {10.1, 20.2}, {6.5, 16.5}}}) {
        SCOPED_TRACE(c.align);
        auto rc = gfx::makeRecordingContext();
        symbol->renderInContext(*rc.context, c.point, 2, c.align);
        const auto clips = recordsOf(*rc.recorder, gfx::Recorder::Op::Clip);
        ASSERT_FALSE(clips.empty());
        const CGRect box = clips.front()->path.boundingBox();
        EXPECT_NEAR(box.origin.x, c.corner.x, 1e-9);
        EXPECT_NEAR(box.origin.y, c.corner.y, 1e-9);
        EXPECT_NEAR(box.size.width, 7, 1e-9);
        EXPECT_NEAR(box.size.height, 7, 1e-9);
    }
    // At scale 1, halves of a point go away from zero.
    auto rc = gfx::makeRecordingContext();
    symbol->renderInContext(*rc.context, {10, 10}, 1, true); // 5 + 1 + 2 = 8 pixels: corner 6, 6
    EXPECT_EQ(recordsOf(*rc.recorder, gfx::Recorder::Op::Clip).front()->path.boundingBox(), CGRect(6, 6, 8, 8));
    auto odd = filledEllipse();
    odd->setSize({6, 6});
    rc.recorder->clear();
    odd->renderInContext(*rc.context, {10, 10}, 1, true); // 9 pixels: corner 5.5 goes to 6
    EXPECT_EQ(recordsOf(*rc.recorder, gfx::Recorder::Op::Clip).front()->path.boundingBox(), CGRect(6, 6, 9, 9));
}

TEST(CPTPlotSymbol, BothDrawingsPutTheAnchorOnThePoint) {
    auto symbol = CPTPlotSymbol::rectanglePlotSymbol();
    symbol->setSize({10, 6});
    symbol->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
    symbol->setLineStyle(nullptr);
    struct Case {
        CGPoint anchor;
        CGRect box; // of the symbol drawn at (100, 50)
    };
    for (const Case& c : {Case{{0, 0}, CGRect(100, 50, 10, 6)}, Case{{0.5, 0.5}, CGRect(95, 47, 10, 6)},
                          Case{{1, 0.5}, CGRect(90, 47, 10, 6)}}) {
        SCOPED_TRACE(testing::Message() << c.anchor.x << "," << c.anchor.y);
        symbol->setAnchorPoint(c.anchor);
        auto vector = gfx::makeRecordingContext();
        symbol->renderAsVectorInContext(*vector.context, {100, 50}, 1);
        auto cached = gfx::makeRecordingContext();
        symbol->renderInContext(*cached.context, {100, 50}, 1, false);
        for (const auto* rec : {&vector, &cached}) {
            const auto fills = recordsOf(*rec->recorder, gfx::Recorder::Op::Fill);
            ASSERT_EQ(fills.size(), 1u);
            EXPECT_EQ(fills[0]->path.boundingBox(), c.box);
        }
    }
}

TEST(CPTPlotSymbol, TheCachedDrawingReplaysTheVectorDrawing) {
    auto shadow = CPTMutableShadow::shadow();
    shadow->setShadowColor(CPTColor::blackColor());
    shadow->setShadowOffset({1, 1});
    struct Case {
        const char* name;
        std::shared_ptr<CPTPlotSymbol> symbol;
    };
    auto star = CPTPlotSymbol::starPlotSymbol();
    star->setSize({12, 12});
    star->setFill(CPTFill::fillWithGradient(CPTGradient::rainbowGradient()));
    auto plus = CPTPlotSymbol::plusPlotSymbol();
    auto shadowed = filledEllipse();
    shadowed->setShadow(shadow);
    for (const Case& c : {Case{"star", star}, Case{"plus", plus}, Case{"shadowed ellipse", shadowed},
                          Case{"ellipse", filledEllipse()}}) {
        SCOPED_TRACE(c.name);
        for (double scale : {1.0, 2.0}) {
            auto vector = gfx::makeRecordingContext(CGRect(0, 0, 200, 200), scale);
            vector.context->scaleCTM(scale, scale);
            c.symbol->renderAsVectorInContext(*vector.context, {40, 30}, 1);
            auto cached = gfx::makeRecordingContext(CGRect(0, 0, 200, 200), scale);
            cached.context->scaleCTM(scale, scale);
            c.symbol->renderInContext(*cached.context, {40, 30}, scale, false);
            EXPECT_EQ(painted(*cached.recorder), painted(*vector.recorder)) << scale;
        }
    }
}

TEST(CPTPlotSymbol, CopiesHoldCopies) {
    gfx::Path custom;
    custom.addRect(CGRect(0, 0, 3, 3));
    auto symbol = CPTPlotSymbol::customPlotSymbolWithPath(custom);
    symbol->setAnchorPoint({0.25, 1});
    symbol->setSize({9, 4});
    symbol->setFill(CPTFill::fillWithColor(CPTColor::cyanColor()));
    symbol->setShadow(CPTShadow::shadow());
    symbol->setUsesEvenOddClipRule(true);
    const auto copy = symbol->copy();
    EXPECT_EQ(copy->symbolType(), CPTPlotSymbolTypeCustom);
    EXPECT_EQ(copy->anchorPoint(), (CGPoint{0.25, 1}));
    EXPECT_EQ(copy->size(), (CGSize{9, 4}));
    EXPECT_TRUE(copy->usesEvenOddClipRule());
    EXPECT_EQ(copy->customSymbolPath(), custom);
    EXPECT_NE(copy->fill().get(), symbol->fill().get());
    EXPECT_NE(copy->shadow().get(), symbol->shadow().get());
    EXPECT_NE(copy->lineStyle().get(), symbol->lineStyle().get());
    EXPECT_FALSE(copy->cachedLayer());
    const gfx::Image preview = copy->debugQuickLookObject();
    EXPECT_EQ(preview.pixelWidth(), static_cast<int>(std::ceil(copy->layerSizeForScale(1).width)));
    EXPECT_EQ(preview.pixel(preview.pixelWidth() / 2, preview.pixelHeight() / 2), (gfx::Color{0, 1, 1, 1}));
}

TEST(CPTPlotSymbol, UnusableNumbersDrawNothingWrong) {
    gfx::Path flat;
    flat.addLines({{0, 0}, {0, 10}});
    gfx::Path huge;
    huge.addEllipse(CGRect(-1e300, -1e300, 2e300, 2e300));
    struct Case {
        const char* name;
        CGSize size;
        double lineWidth;
        std::optional<gfx::Path> custom;
        bool nothing; // recorded nothing at all
    };
    const Case cases[] = {
        {"NaN size", {kNaN, 5}, 1, std::nullopt, false},   {"infinite size", {5, kInf}, 1, std::nullopt, false},
        {"negative size", {-5, -5}, 1, std::nullopt, false}, {"zero size", {0, 0}, 1, std::nullopt, false},
        {"NaN line width", {5, 5}, kNaN, std::nullopt, false}, {"infinite line width", {5, 5}, kInf, std::nullopt, false},
        {"negative line width", {5, 5}, -3, std::nullopt, false}, {"flat custom path", {5, 5}, 1, flat, true},
        {"huge custom path", {5, 5}, 1, huge, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto symbol = c.custom ? CPTPlotSymbol::customPlotSymbolWithPath(*c.custom) : CPTPlotSymbol::ellipsePlotSymbol();
        symbol->setSize(c.size);
        auto style = CPTMutableLineStyle::lineStyle();
        style->setLineWidth(c.lineWidth);
        symbol->setLineStyle(style);
        symbol->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
        gfx::BitmapContext bitmap(40, 40, 2, gfx::Color::white());
        bitmap.context().scaleCTM(2, 2);
        symbol->renderAsVectorInContext(bitmap.context(), {10, 10}, 1);
        symbol->renderInContext(bitmap.context(), {10, 10}, 2, true);
        bitmap.context().setFillColor({0, 0, 1, 1});
        bitmap.context().fillRect(CGRect(0, 0, 2, 2));
        EXPECT_EQ(bitmap.image().pixel(1, 1), (gfx::Color{0, 0, 1, 1}));
        if (c.nothing) {
            auto rc = gfx::makeRecordingContext();
            symbol->renderAsVectorInContext(*rc.context, {10, 10}, 1);
            EXPECT_TRUE(rc.recorder->records().empty());
        }
    }
}

TEST(CPTPlotSymbol, WhichSymbolsDrawAsOnePath) {
    auto styled = [](CPTPlotSymbolType type, const std::function<void(CPTMutableLineStyle&)>& change) {
        auto symbol = std::make_shared<CPTPlotSymbol>();
        symbol->setSymbolType(type);
        auto style = CPTMutableLineStyle::lineStyle();
        change(*style);
        symbol->setLineStyle(style);
        return symbol;
    };
    auto plain = [](CPTMutableLineStyle&) {};
    struct Case {
        const char* name;
        std::shared_ptr<CPTPlotSymbol> symbol;
        bool onePath;
    };
    auto shadowed = CPTPlotSymbol::plusPlotSymbol();
    shadowed->setShadow(CPTShadow::shadow());
    auto noLine = CPTPlotSymbol::crossPlotSymbol();
    noLine->setLineStyle(nullptr);
    const Case cases[] = {
        {"plus", CPTPlotSymbol::plusPlotSymbol(), true},
        {"cross", CPTPlotSymbol::crossPlotSymbol(), true},
        {"dash", CPTPlotSymbol::dashPlotSymbol(), true},
        {"snow", CPTPlotSymbol::snowPlotSymbol(), true},
        {"round caps", styled(CPTPlotSymbolTypePlus, [](auto& s) { s.setLineCap(1); }), true},
        {"no colour", styled(CPTPlotSymbolTypePlus, [](auto& s) { s.setLineColor(nullptr); }), true},
        {"square caps", styled(CPTPlotSymbolTypePlus, [](auto& s) { s.setLineCap(2); }), false},
        {"see-through colour",
         styled(CPTPlotSymbolTypePlus,
                [](auto& s) { s.setLineColor(CPTColor::redColor()->colorWithAlphaComponent(0.5)); }),
         false},
        {"dashed",
         styled(CPTPlotSymbolTypeCross,
                [](auto& s) {
                    s.setDashPattern({1, 1});
                }),
         false},
        {"line fill",
         styled(CPTPlotSymbolTypeCross,
                [](auto& s) { s.setLineFill(CPTFill::fillWithColor(CPTColor::redColor())); }),
         false},
        {"shadow", shadowed, false},
        {"no line style", noLine, false},
        {"filled ellipse", filledEllipse(), false},
        {"outlined rectangle", styled(CPTPlotSymbolTypeRectangle, plain), false},
        {"no type", CPTPlotSymbol::plotSymbol(), false},
    };
    const std::vector<CGPoint> points{{10, 10}, {12.3, 11.6}, {30.5, 20.25}, {31, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.symbol->drawsAsOnePath(), c.onePath);
        // Whatever the road, the calls paint what drawing the symbols one by one paints, or one stroke.
        auto together = gfx::makeRecordingContext();
        c.symbol->renderAtPointsInContext(*together.context, points, 2, true);
        auto alone = gfx::makeRecordingContext();
        for (const CGPoint& p : points)
            c.symbol->renderInContext(*alone.context, p, 2, true);
        if (c.onePath) {
            EXPECT_EQ(recordsOf(*together.recorder, gfx::Recorder::Op::Stroke).size(), 1u);
            EXPECT_TRUE(recordsOf(*together.recorder, gfx::Recorder::Op::Group).empty());
        } else {
            EXPECT_EQ(painted(*together.recorder), painted(*alone.recorder));
        }
    }
}

TEST(CPTPlotSymbol, OnePathLooksLikeTheSymbolsDrawnOneByOne) {
    // Pixel by pixel against the cached drawing placed at each point, at both scales, aligned or not, with
    // symbols apart, touching and on top of one another.
    auto thick = CPTPlotSymbol::snowPlotSymbol();
    auto thickStyle = CPTMutableLineStyle::lineStyle();
    thickStyle->setLineWidth(2.5);
    thickStyle->setLineCap(1);
    thickStyle->setLineColor(CPTColor::blueColor());
    thick->setLineStyle(thickStyle);
    thick->setSize({9, 7});
    thick->setAnchorPoint({0.2, 0.9});
    auto red = CPTPlotSymbol::plusPlotSymbol();
    auto redStyle = CPTMutableLineStyle::lineStyle();
    redStyle->setLineColor(CPTColor::redColor());
    red->setLineStyle(redStyle);
    red->setSize({6, 6});
    struct Case {
        const char* name;
        std::shared_ptr<CPTPlotSymbol> symbol;
        double scale;
        bool align;
    };
    const Case cases[] = {
        {"plus, scale 1, aligned", red, 1, true},
        {"plus, scale 2, aligned", red, 2, true},
        {"plus, scale 1, as placed", red, 1, false},
        {"cross, scale 2, as placed", CPTPlotSymbol::crossPlotSymbol(), 2, false},
        {"cross, scale 1, aligned", CPTPlotSymbol::crossPlotSymbol(), 1, true},
        {"dash, scale 2, aligned", CPTPlotSymbol::dashPlotSymbol(), 2, true},
        {"thick snow off its centre, scale 2, aligned", thick, 2, true},
    };
    // Apart, each pixel is what the symbol alone paints; on top of one another, antialiased edges of two
    // symbols stroked together are covered once, so only their shade may differ, never what is inked.
    struct Points {
        const char* name;
        std::vector<CGPoint> at;
        double shade;
    };
    const Points sets[] = {
        {"apart", {{8, 8}, {20.4, 9.7}, {40, 30}, {10.25, 40.5}}, 0.02},
        {"overlapping", {{8, 8}, {9.7, 9.2}, {40, 30}, {40, 30}, {41.2, 31.9}}, 1},
    };
    const int side = 60;
    for (const Case& c : cases) {
        for (const Points& set : sets) {
            SCOPED_TRACE(std::string(c.name) + ", " + set.name);
            auto together = gfx::BitmapContext::pointsContext({side, side}, c.scale, gfx::Color::white());
            c.symbol->renderAtPointsInContext(together->context(), set.at, c.scale, c.align);
            auto alone = gfx::BitmapContext::pointsContext({side, side}, c.scale, gfx::Color::white());
            for (const CGPoint& p : set.at)
                c.symbol->renderInContext(alone->context(), p, c.scale, c.align);
            const gfx::Image a = together->image(), b = alone->image();
            ASSERT_EQ(a.pixelWidth(), b.pixelWidth());
            bool inked = false;
            for (int y = 0; y < a.pixelHeight(); ++y) {
                for (int x = 0; x < a.pixelWidth(); ++x) {
                    const gfx::Color pa = a.pixel(x, y), pb = b.pixel(x, y);
                    inked = inked || pb != gfx::Color::white();
                    ASSERT_EQ(pa == gfx::Color::white(), pb == gfx::Color::white()) << x << ", " << y;
                    const double worst = std::max({std::fabs(pa.red - pb.red), std::fabs(pa.green - pb.green),
                                                   std::fabs(pa.blue - pb.blue)});
                    ASSERT_LE(worst, set.shade) << x << ", " << y;
                }
            }
            EXPECT_TRUE(inked);
        }
    }
}
