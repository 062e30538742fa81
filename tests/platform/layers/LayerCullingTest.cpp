// Rendering passes over a sublayer that clips to its bounds when those bounds lie outside the clip (the
// content of a scroll view far from its visible part), and draws every other layer as before. It leaves
// out the backgrounds that would not show: outside the clip, or covered pixel for pixel by opaque
// backgrounds drawn later, and fills everything that could show through or is part of a group.
#include "platform/graphics/Output.h"
#include "platform/graphics/Recorder.h"
#include "platform/layers/Layer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

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

namespace {

// The colours of the fills recorded, in order, those inside groups included.
void collectFills(const gfx::Recorder& recorder, std::vector<std::string>& out) {
    for (const auto& r : recorder.records()) {
        if (r.op == gfx::Recorder::Op::Fill)
            out.push_back(std::to_string(int(std::lround(r.state.fillColor.red * 100))));
        else if (r.op == gfx::Recorder::Op::Group && r.group)
            collectFills(*r.group, out);
    }
}

// The colours of the backgrounds a rendering fills, in order.
std::vector<std::string> filledColours(Layer& root, Rect device = Rect(0, 0, 100, 100)) {
    auto rc = gfx::makeRecordingContext(device);
    root.renderInContext(*rc.context);
    std::vector<std::string> out;
    collectFills(*rc.recorder, out);
    return out;
}

// A layer of one colour told apart by its red part (in hundredths).
Layer::Ptr plain(int red, Rect frame, double alpha = 1) {
    auto l = Layer::make();
    l->setFrame(frame);
    l->setBackgroundColor(Color{red / 100.0, 0.5, 0.5, alpha});
    return l;
}

} // namespace

TEST(LayerCulling, ABackgroundThatLaterOpaqueBackgroundsCoverIsNotFilled) {
    // The root (red 10) under one later layer or two; "under" says whether the root is still filled.
    struct Case {
        const char* name;
        std::function<void(Layer& root)> build;
        std::vector<std::string> filled;
    };
    const Case cases[] = {
        {"covered by one opaque layer",
         [](Layer& r) {
             r.addSublayer(plain(20, {0, 0, 100, 100}));
         },
         {"20"}},
        {"covered by a larger one",
         [](Layer& r) {
             r.addSublayer(plain(20, {-5, -5, 120, 110}));
         },
         {"20"}},
        {"covered by two together",
         [](Layer& r) {
             r.addSublayer(plain(20, {0, 0, 100, 40}));
             r.addSublayer(plain(30, {0, 40, 100, 60}));
         },
         {"20", "30"}},
        {"a strip left over",
         [](Layer& r) {
             r.addSublayer(plain(20, {0, 0, 100, 99}));
         },
         {"10", "20"}},
        // Pixels along a fractional edge are only partly painted over: the root shows through them.
        {"a fractional edge",
         [](Layer& r) {
             r.addSublayer(plain(20, {0, 0.5, 100, 100}));
         },
         {"10", "20"}},
        {"see-through",
         [](Layer& r) {
             r.addSublayer(plain(20, {0, 0, 100, 100}, 0.5));
         },
         {"10", "20"}},
        {"rounded corners",
         [](Layer& r) {
             auto l = plain(20, {0, 0, 100, 100});
             l->setCornerRadius(8);
             r.addSublayer(l);
         },
         {"10", "20"}},
        {"half opaque as a whole",
         [](Layer& r) {
             auto l = plain(20, {0, 0, 100, 100});
             l->setOpacity(0.5);
             r.addSublayer(l);
         },
         {"10", "20"}},
        // The root goes under the full layer; the full layer shows around the small one.
        {"a small layer over a full one",
         [](Layer& r) {
             r.addSublayer(plain(20, {0, 0, 100, 100}));
             r.addSublayer(plain(30, {10, 10, 20, 20}));
         },
         {"20", "30"}},
        {"turned",
         [](Layer& r) {
             auto l = plain(20, {-50, -50, 200, 200});
             l->setTransform(gfx::AffineTransform::rotation(0.3));
             r.addSublayer(l);
         },
         {"10", "20"}},
        {"cut by its parent's clip",
         [](Layer& r) {
             auto box = Layer::make();
             box->setFrame({0, 0, 100, 50});
             box->setMasksToBounds(true);
             box->addSublayer(plain(20, {0, 0, 100, 100}));
             r.addSublayer(box);
         },
         {"10", "20"}},
        {"inside a rounded clip",
         [](Layer& r) {
             auto box = Layer::make();
             box->setFrame({0, 0, 100, 100});
             box->setMasksToBounds(true);
             box->setCornerRadius(10);
             box->addSublayer(plain(20, {0, 0, 100, 100}));
             r.addSublayer(box);
         },
         {"10", "20"}},
        {"hidden",
         [](Layer& r) {
             auto l = plain(20, {0, 0, 100, 100});
             l->setHidden(true);
             r.addSublayer(l);
         },
         {"10"}},
        // The root drawn over its sublayers would be wrong: a sublayer under its parent's background
        // is never painted first.
        {"a nested chain",
         [](Layer& r) {
             auto mid = plain(20, {0, 0, 100, 100});
             mid->addSublayer(plain(30, {0, 0, 100, 100}));
             r.addSublayer(mid);
         },
         {"30"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto root = plain(10, {0, 0, 100, 100});
        c.build(*root);
        EXPECT_EQ(filledColours(*root), c.filled);
    }
}

TEST(LayerCulling, ABackgroundIsDrawnWhenWhatCoversItIsAGroupOrMoving) {
    // A shadowed layer's own background makes its shadow: it is drawn though a later layer covers it.
    auto root = plain(10, {0, 0, 100, 100});
    auto shadowed = plain(20, {10, 10, 50, 50});
    shadowed->setShadowOpacity(0.5);
    root->addSublayer(shadowed);
    root->addSublayer(plain(30, {0, 0, 100, 100}));
    EXPECT_EQ(filledColours(*root), (std::vector<std::string>{"20", "30"}));

    // A moving layer may be elsewhere when drawn.
    auto clock = std::make_shared<ManualClock>();
    auto moving = Layer::make();
    moving->setClock(clock);
    auto under = plain(10, {0, 0, 100, 100});
    moving->addSublayer(under);
    auto over = plain(20, {0, 0, 100, 100});
    Animation slide;
    slide.keyPath = "position";
    slide.from = Point{50, 50};
    slide.to = Point{150, 50};
    slide.duration = 1;
    over->addAnimation(slide, "slide");
    moving->addSublayer(over);
    EXPECT_EQ(filledColours(*moving), (std::vector<std::string>{"10", "20"}));

    // Drawn into a group composited later (perhaps off the pixel grid): everything is filled.
    auto root2 = plain(10, {0, 0, 100, 100});
    root2->addSublayer(plain(20, {0, 0, 100, 100}));
    auto rc = gfx::makeRecordingContext(Rect(0, 0, 100, 100));
    rc.context->setAlpha(0.5);
    rc.context->beginTransparencyLayer();
    root2->renderInContext(*rc.context);
    rc.context->endTransparencyLayer();
    std::vector<std::string> grouped;
    collectFills(*rc.recorder, grouped);
    EXPECT_EQ(grouped, (std::vector<std::string>{"10", "20"}));
}

TEST(LayerCulling, ABackgroundOutsideTheClipIsNotFilled) {
    auto root = plain(10, {0, 0, 100, 100});
    root->setMasksToBounds(true);
    root->addSublayer(plain(20, {0, 150, 100, 100}));
    root->addSublayer(plain(30, {50, 50, 100, 100}));
    EXPECT_EQ(filledColours(*root), (std::vector<std::string>{"10", "30"}));
}

// What is left out would not have shown: the pixels are those of filling every background in order.
TEST(LayerCulling, PixelsAreThoseOfFillingEveryBackground) {
    struct Piece {
        Rect frame;
        Color colour;
    };
    const std::vector<Piece> pieces = {
        {{0, 0, 120, 120}, {1, 1, 1, 1}},
        {{15, 15, 70, 70}, {0, 0, 1, 1}},          // under the next one's whole pixels
        {{11.5, 11.5, 80, 80}, {1, 0, 0, 1}},      // fractional edges over the blue one
        {{0, 0, 40, 120}, {0, 1, 0, 0.5}},         // see-through over the three
        {{0, 0, 120, 60}, {0.2, 0.2, 0.2, 1}},     // covers the top half of all of them
        {{0, 60, 100, 60.25}, {0.9, 0.8, 0.1, 1}}, // most of the bottom, its last row only partly
    };
    for (double scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        auto root = Layer::make();
        root->setFrame({0, 0, 120, 121});
        for (const Piece& p : pieces) {
            auto l = Layer::make();
            l->setFrame(p.frame);
            l->setBackgroundColor(p.colour);
            root->addSublayer(l);
        }
        auto culled = gfx::BitmapContext::pointsContext({120, 121}, scale);
        root->renderInContext(culled->context());
        auto every = gfx::BitmapContext::pointsContext({120, 121}, scale);
        for (const Piece& p : pieces) {
            every->context().setFillColor(p.colour);
            every->context().fillRect(p.frame);
        }
        EXPECT_EQ(culled->image().pngData(), every->image().pngData());
        // Something was left out to compare: all but the white, grey and yellow ones.
        if (scale == 1) {
            EXPECT_EQ(filledColours(*root, Rect(0, 0, 120, 121)).size(), 3u);
        }
    }
}
