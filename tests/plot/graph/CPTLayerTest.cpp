// The framework layer: the default layout, geometry with a shadow, pixel alignment, announcements,
// and the recursive vector rendering with its outputs.
#include "GraphFixtures.h"
#include "platform/foundation/Log.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/graph/CPTGuards.h"
#include "tests/RenderChecks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

namespace {

std::shared_ptr<CPTShadow> shadowOf(CGSize offset, double blur) {
    auto s = std::make_shared<CPTMutableShadow>();
    s->setShadowOffset(offset);
    s->setShadowBlurRadius(blur);
    return s;
}

// Fills its bounds in one colour.
class FilledLayer : public CPTLayer {
  public:
    explicit FilledLayer(gfx::Color color, const CGRect& frame = {}) : CPTLayer(frame), color_(color) {}
    void renderAsVectorInContext(gfx::Context& ctx) override {
        CPTLayer::renderAsVectorInContext(ctx);
        ctx.setFillColor(color_);
        ctx.fillRect(bounds());
    }

  private:
    gfx::Color color_;
};

} // namespace

TEST(CPTLayerLayout, SublayersFillThePaddedBounds) {
    struct Case {
        const char* name;
        CGRect bounds;
        double left, top, right, bottom;
        CGRect expected;
    };
    double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"paddings", CGRect(0, 0, 100, 50), 10, 5, 20, 15, CGRect(10, 15, 70, 30)},
        {"rounded half away from zero", CGRect(0, 0, 100.5, 50), 0.5, 0, 0, 0.5, CGRect(1, 1, 100, 50)},
        {"padding larger than the bounds", CGRect(0, 0, 10, 10), 8, 8, 8, 8, CGRect(8, 8, 0, 0)},
        {"NaN paddings", CGRect(0, 0, 10, 10), nan, nan, nan, nan, CGRect(0, 0, 0, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto layer = std::make_shared<CPTLayer>(c.bounds);
        layer->setPaddingLeft(c.left);
        layer->setPaddingTop(c.top);
        layer->setPaddingRight(c.right);
        layer->setPaddingBottom(c.bottom);
        auto sub = std::make_shared<CPTLayer>();
        layer->addSublayer(sub);
        layer->layoutIfNeeded();
        EXPECT_EQ(sub->frame(), c.expected);
    }
}

TEST(CPTLayerLayout, ExcludedAndForeignSublayersKeepTheirFrames) {
    class Excluding : public CPTLayer {
      public:
        using CPTLayer::CPTLayer;
        LayerSet sublayersExcludedFromAutomaticLayout() const override { return {kept}; }
        const layers::Layer* kept = nullptr;
    };
    auto layer = std::make_shared<Excluding>(CGRect(0, 0, 100, 100));
    auto excluded = std::make_shared<CPTLayer>(CGRect(1, 2, 3, 4));
    auto foreign = layers::Layer::make();
    foreign->setFrame(CGRect(5, 6, 7, 8));
    auto laidOut = std::make_shared<CPTLayer>(CGRect(1, 2, 3, 4));
    layer->kept = excluded.get();
    layer->addSublayer(excluded);
    layer->addSublayer(foreign);
    layer->addSublayer(laidOut);
    layer->layoutIfNeeded();
    EXPECT_EQ(excluded->frame(), CGRect(1, 2, 3, 4));
    EXPECT_EQ(foreign->frame(), CGRect(5, 6, 7, 8));
    EXPECT_EQ(laidOut->frame(), CGRect(0, 0, 100, 100));
}

TEST(CPTLayerGeometry, TheShadowMarginWidensThePlatformBounds) {
    auto layer = std::make_shared<CPTLayer>();
    layer->setShadow(shadowOf({3, -2}, 4));
    EXPECT_EQ(layer->shadowMargin(), (CGSize{7, 6}));
    layer->setBounds(CGRect(0, 0, 100, 50));
    EXPECT_EQ(layer->layers::Layer::bounds(), CGRect(-7, -6, 114, 62));
    EXPECT_EQ(layer->bounds(), CGRect(0, 0, 100, 50));
    // The anchor point speaks of the visible bounds too.
    layer->setAnchorPoint({0, 1});
    EXPECT_NEAR(layer->anchorPoint().x, 0, 1e-12);
    EXPECT_NEAR(layer->anchorPoint().y, 1, 1e-12);
    EXPECT_NEAR(layer->layers::Layer::anchorPoint().x, 7.0 / 114, 1e-12);

    // The same through the platform's setFrame.
    auto other = std::make_shared<CPTLayer>();
    other->setShadow(shadowOf({3, -2}, 4));
    layers::Layer& plain = *other;
    plain.setFrame(CGRect(0, 0, 100, 50));
    EXPECT_EQ(other->bounds().size, (CGSize{100, 50}));
    EXPECT_EQ(other->layers::Layer::bounds().size, (CGSize{114, 62}));
}

TEST(CPTLayerGeometry, PixelAlign) {
    struct Case {
        const char* name;
        double scale;
        CGRect frame;
        double rotation;
        CGPoint expectedOrigin; // of the frame
    };
    const Case cases[] = {
        {"scale 2", 2, CGRect(10.3, 5.2, 20, 10), 0, {10.5, 5.0}},
        {"scale 1", 1, CGRect(10.3, 5.7, 20, 10), 0, {10, 6}},
        {"quarter turn", 2, CGRect(10.3, 5.2, 20, 10), M_PI / 2, {10.5, 5.0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto layer = std::make_shared<CPTLayer>();
        layer->setContentsScale(c.scale);
        layer->setTransform(gfx::AffineTransform::rotation(c.rotation));
        layer->setFrame(c.frame);
        layer->pixelAlign();
        CGRect f = layer->frame();
        EXPECT_NEAR(f.origin.x, c.expectedOrigin.x, 1e-9);
        EXPECT_NEAR(f.origin.y, c.expectedOrigin.y, 1e-9);
        EXPECT_NEAR(f.size.width, c.frame.size.width, 1e-9);
    }
    // Any other turn rounds the position itself.
    auto turned = std::make_shared<CPTLayer>(CGRect(0, 0, 20, 10));
    turned->setContentsScale(2);
    turned->setTransform(gfx::AffineTransform::rotation(0.3));
    turned->setPosition({10.3, 5.2});
    turned->pixelAlign();
    EXPECT_EQ(turned->position(), (CGPoint{10.5, 5.0}));
}

TEST(CPTLayerAnnouncements, BoundsAndRedraws) {
    auto layer = std::make_shared<CPTLayer>();
    NotificationListener bounds(CPTLayerBoundsDidChangeNotification, layer.get());
    NotificationListener redraws(CPTGraphNeedsRedrawNotification);
    layer->setBounds(CGRect(0, 0, 10, 10));
    layer->setBounds(CGRect(0, 0, 10, 10));
    EXPECT_EQ(bounds.count(), 1u);
    layer->setNeedsDisplay();
    layer->setNeedsLayout();
    EXPECT_EQ(redraws.count(), 0u) << "a layer without a graph announces nothing";

    auto graph = TestGraph::create(CGRect(0, 0, 100, 100));
    NotificationListener graphRedraws(CPTGraphNeedsRedrawNotification, graph.get());
    layer->setGraph(graph.get());
    layer->setNeedsDisplay();
    layer->setPaddingLeft(3);
    layer->setPaddingLeft(3);
    EXPECT_EQ(graphRedraws.count(), 2u);
}

TEST(CPTLayerTree, ContentsScaleReachesEveryFrameworkSublayer) {
    auto layer = std::make_shared<CPTLayer>();
    layer->setContentsScale(2);
    auto a = std::make_shared<CPTLayer>();
    auto b = std::make_shared<CPTLayer>();
    auto c = std::make_shared<CPTLayer>();
    layer->addSublayer(a);
    layer->insertSublayerAtIndex(b, 0);
    layer->insertSublayerAbove(c, a.get());
    for (const auto& l : {a, b, c})
        EXPECT_EQ(l->contentsScale(), 2);
    auto d = std::make_shared<CPTLayer>();
    layer->replaceSublayer(c.get(), d);
    EXPECT_EQ(d->contentsScale(), 2);
    layer->setContentsScale(3);
    EXPECT_EQ(a->contentsScale(), 3);
    EXPECT_EQ(d->contentsScale(), 3);
}

TEST(CPTLayerRendering, RecursiveRenderingPlacesSublayersAndSkipsHiddenOnes) {
    auto root = std::make_shared<FilledLayer>(gfx::Color{1, 0, 0, 1}, CGRect(0, 0, 100, 100));
    auto child = std::make_shared<FilledLayer>(gfx::Color{0, 0, 1, 1}, CGRect(10, 20, 30, 40));
    auto hidden = std::make_shared<FilledLayer>(gfx::Color{0, 1, 0, 1}, CGRect(0, 0, 5, 5));
    auto underHidden = std::make_shared<FilledLayer>(gfx::Color{0, 1, 0, 1}, CGRect(0, 0, 5, 5));
    hidden->addSublayer(underHidden);
    hidden->setHidden(true);
    root->addSublayer(child);
    root->addSublayer(hidden);
    auto rc = gfx::makeRecordingContext(CGRect(0, 0, 100, 100));
    root->recursivelyRenderInContext(*rc.context);
    EXPECT_EQ(rc.recorder->lines(), (std::vector<std::string>{
                                        "fill winding M 0 0 L 100 0 L 100 100 L 0 100 Z color 1 0 0 1",
                                        "fill winding M 10 20 L 40 20 L 40 60 L 10 60 Z color 0 0 1 1",
                                    }));
    EXPECT_EQ(rc.context->state().ctm, gfx::AffineTransform{});
    EXPECT_FALSE(child->isRenderingRecursively());
}

TEST(CPTLayerRendering, AThrowingDrawingEndsOnlyThatFrame) {
    auto graph = TestGraph::create(CGRect(0, 0, 100, 100));
    auto plot = std::make_shared<RecordingPlot>();
    plot->throwWhileDrawing = true;
    graph->addPlot(plot);
    auto rc = gfx::makeRecordingContext(CGRect(0, 0, 100, 100));
    {
        foundation::LogCapture log;
        graph->layoutAndRenderInContext(*rc.context);
        auto lines = log.lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind(graph->description() + ": ", 0), 0u) << lines[0];
        EXPECT_NE(lines[0].find("CPTException: Drawing went wrong"), std::string::npos) << lines[0];
    }
    // Every save met its restore, and the context is as it was given.
    int depth = 0;
    for (const auto& r : rc.recorder->records()) {
        if (r.op == gfx::Recorder::Op::Save)
            ++depth;
        if (r.op == gfx::Recorder::Op::Restore)
            --depth;
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(rc.context->state().ctm, gfx::AffineTransform{});
    EXPECT_FALSE(plot->isRenderingRecursively());
    EXPECT_FALSE(graph->isRenderingRecursively());
    // The next frame draws.
    plot->throwWhileDrawing = false;
    plot->points = {{0.5, 0.5}};
    auto next = gfx::makeRecordingContext(CGRect(0, 0, 100, 100));
    graph->layoutAndRenderInContext(*next.context);
    EXPECT_FALSE(next.recorder->lines().empty());
}

TEST(CPTLayerOutput, PDFPageTheSizeOfTheBounds) {
    struct Case {
        const char* name;
        CGRect bounds;
        gfx::Size page;
    };
    // A zero-size layer gives the drawing platform's smallest page.
    const Case cases[] = {{"sized", CGRect(0, 0, 120, 80), {120, 80}}, {"empty", CGRect(), {1, 1}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto layer = std::make_shared<FilledLayer>(gfx::Color{0, 0, 1, 1}, c.bounds);
        auto pdf = layer->dataForPDFRepresentationOfLayer();
        std::string path = renderChecks::scratchPath(std::string("layer-") + c.name + ".pdf");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(pdf.data()), std::streamsize(pdf.size()));
        auto info = renderChecks::pdfInfo(path);
        ASSERT_TRUE(info.readable);
        EXPECT_EQ(info.pages, 1);
        ASSERT_EQ(info.pageSizes.size(), 1u);
        EXPECT_EQ(info.pageSizes[0], c.page);
    }
}

TEST(CPTLayerDebug, DescriptionsAndTree) {
    auto layer = std::make_shared<CPTLayer>(CGRect(0, 0, 10, 20));
    layer->addSublayer(std::make_shared<CPTLayer>());
    EXPECT_EQ(layer->description().rfind("<<CPTLayer: 0x", 0), 0u);
    EXPECT_NE(layer->description().find("> bounds: {{0, 0}, {10, 20}}>"), std::string::npos);
    std::string tree = layer->subLayersAtIndex(0);
    EXPECT_NE(tree.find("\n.   <<CPTLayer"), std::string::npos) << tree;
}
