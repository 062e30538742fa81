// Rendering passes over a sublayer that clips to its bounds when those bounds lie outside the clip (the
// content of a scroll view far from its visible part), and draws every other layer as before.
#include "platform/layers/Layer.h"
#include "platform/graphics/Output.h"
#include "platform/graphics/Recorder.h"

#include <gtest/gtest.h>

using namespace layers;

namespace {

// Counts its drawings.
class CountingLayer : public Layer {
  public:
    int drawn = 0;
    void drawInContext(gfx::Context& ctx) override {
        ++drawn;
        ctx.setFillColor(Color{0, 0, 1, 1});
        ctx.fillRect(bounds());
    }
};

} // namespace

TEST(LayerCulling, AClippingLayerOutsideTheClipIsPassedOverAndEveryOtherIsDrawn) {
    struct Case {
        const char* name;
        Rect frame;          // in the root, whose visible part is 0..100 square
        bool masks;          // clips to its bounds
        double shadow;       // shadow opacity
        Point contentOffset; // the root's bounds origin, as a scroll view's offset moves it
        bool drawn;
    };
    const Case cases[] = {
        {"clipping, inside", {10, 10, 50, 50}, true, 0, {0, 0}, true},
        {"clipping, across the edge", {80, 80, 50, 50}, true, 0, {0, 0}, true},
        {"clipping, below the visible part", {10, 300, 50, 50}, true, 0, {0, 0}, false},
        {"clipping, left of it", {-200, 10, 50, 50}, true, 0, {0, 0}, false},
        {"clipping, scrolled into sight", {10, 300, 50, 50}, true, 0, {0, 280}, true},
        {"clipping, scrolled out of sight", {10, 10, 50, 50}, true, 0, {0, 280}, false},
        // Drawing of a layer that does not clip may reach past its bounds: it is always drawn.
        {"not clipping, below", {10, 300, 50, 50}, false, 0, {0, 0}, true},
        // A shadow falls outside the bounds.
        {"clipping with a shadow, below", {10, 300, 50, 50}, true, 0.5, {0, 0}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto root = Layer::make();
        root->setBounds(Rect(c.contentOffset.x, c.contentOffset.y, 100, 100));
        root->setMasksToBounds(true);
        auto sub = std::make_shared<CountingLayer>();
        sub->setFrame(c.frame);
        sub->setMasksToBounds(c.masks);
        sub->setShadowOpacity(c.shadow);
        root->addSublayer(sub);
        gfx::BitmapContext bitmap(100, 100);
        root->renderInContext(bitmap.context());
        EXPECT_EQ(sub->drawn, c.drawn ? 1 : 0);
    }
}

TEST(LayerCulling, ALayerPassedOverTakesItsSublayersWithIt) {
    auto root = Layer::make();
    root->setBounds(Rect(0, 0, 100, 100));
    auto far = Layer::make();
    far->setFrame(Rect(0, 500, 100, 100));
    far->setMasksToBounds(true);
    auto inner = std::make_shared<CountingLayer>();
    inner->setFrame(Rect(0, 0, 10, 10));
    far->addSublayer(inner);
    root->addSublayer(far);
    auto near = std::make_shared<CountingLayer>();
    near->setFrame(Rect(0, 0, 10, 10));
    root->addSublayer(near);
    auto rc = gfx::makeRecordingContext(Rect(0, 0, 100, 100));
    root->renderInContext(*rc.context);
    EXPECT_EQ(inner->drawn, 0);
    EXPECT_EQ(near->drawn, 1);
}
