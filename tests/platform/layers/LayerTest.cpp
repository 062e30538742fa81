// Layer geometry, the sublayer list, layout and display flags, rendering order and animations.
#include "platform/layers/Layer.h"
#include "platform/graphics/Output.h"
#include "platform/graphics/Recorder.h"

#include <gtest/gtest.h>
#include <numbers>

using namespace layers;

namespace {

constexpr double kQuarter = std::numbers::pi / 2;

void expectRect(const Rect& a, const Rect& b) {
    EXPECT_NEAR(a.origin.x, b.origin.x, 1e-9);
    EXPECT_NEAR(a.origin.y, b.origin.y, 1e-9);
    EXPECT_NEAR(a.size.width, b.size.width, 1e-9);
    EXPECT_NEAR(a.size.height, b.size.height, 1e-9);
}

void expectPoint(Point a, Point b) {
    EXPECT_NEAR(a.x, b.x, 1e-9);
    EXPECT_NEAR(a.y, b.y, 1e-9);
}

} // namespace

TEST(LayerGeometry, FrameFromBoundsPositionAnchorAndTransform) {
    struct Case {
        const char* name;
        Rect bounds;
        Point position;
        Point anchor;
        AffineTransform transform;
        Rect frame;
    };
    std::vector<Case> cases = {
        {"centre anchor", Rect(0, 0, 100, 50), {200, 100}, {0.5, 0.5}, {}, Rect(150, 75, 100, 50)},
        {"top-left anchor", Rect(0, 0, 100, 50), {200, 100}, {0, 0}, {}, Rect(200, 100, 100, 50)},
        {"bottom-right anchor", Rect(0, 0, 100, 50), {200, 100}, {1, 1}, {}, Rect(100, 50, 100, 50)},
        {"bounds origin does not move the frame",
         Rect(30, 40, 100, 50),
         {200, 100},
         {0.5, 0.5},
         {},
         Rect(150, 75, 100, 50)},
        {"quarter turn about the centre",
         Rect(0, 0, 100, 50),
         {200, 100},
         {0.5, 0.5},
         AffineTransform::rotation(kQuarter),
         Rect(175, 50, 50, 100)},
        {"quarter turn about the top-left",
         Rect(0, 0, 100, 50),
         {200, 100},
         {0, 0},
         AffineTransform::rotation(kQuarter),
         Rect(150, 100, 50, 100)},
        {"scale 2 about the centre",
         Rect(0, 0, 100, 50),
         {200, 100},
         {0.5, 0.5},
         AffineTransform::scale(2, 2),
         Rect(100, 50, 200, 100)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto l = Layer::make();
        l->setBounds(c.bounds);
        l->setPosition(c.position);
        l->setAnchorPoint(c.anchor);
        l->setTransform(c.transform);
        expectRect(l->frame(), c.frame);
        // Setting the frame back gives the same frame and keeps the bounds' origin.
        l->setFrame(Rect(10, 20, c.frame.size.width, c.frame.size.height));
        expectRect(l->frame(), Rect(10, 20, c.frame.size.width, c.frame.size.height));
        EXPECT_EQ(l->bounds().origin, c.bounds.origin);
    }
}

TEST(LayerGeometry, SetFrameUnderAQuarterTurnSwapsTheSize) {
    auto l = Layer::make();
    l->setTransform(AffineTransform::rotation(kQuarter));
    l->setFrame(Rect(10, 20, 30, 60));
    EXPECT_NEAR(l->bounds().size.width, 60, 1e-9);
    EXPECT_NEAR(l->bounds().size.height, 30, 1e-9);
    expectPoint(l->position(), {25, 50});
    // Changing the anchor keeps the position, so the frame moves.
    l->setTransform({});
    l->setFrame(Rect(0, 0, 100, 100));
    l->setAnchorPoint({0, 0});
    expectRect(l->frame(), Rect(50, 50, 100, 100));
}

TEST(LayerGeometry, ConversionBetweenNestedRotatedLayers) {
    auto root = Layer::make();
    root->setBounds(Rect(0, 0, 400, 400));
    auto a = Layer::make();
    a->setBounds(Rect(0, 0, 100, 50));
    a->setAnchorPoint({0, 0});
    a->setPosition({200, 100});
    a->setTransform(AffineTransform::rotation(kQuarter)); // a's x axis points down the root's y
    root->addSublayer(a);
    auto b = Layer::make();
    b->setBounds(Rect(10, 10, 20, 20)); // b's (10, 10) is its top-left corner
    b->setAnchorPoint({0, 0});
    b->setPosition({30, 5});
    b->setTransform(AffineTransform::rotation(kQuarter));
    a->addSublayer(b);
    // b's top-left corner (10, 10) sits at a's (30, 5), which is root (200 - 5, 100 + 30).
    expectPoint(b->convertPointToLayer({10, 10}, root.get()), {195, 130});
    // b's (11, 10) is one step along b's x: a's +y, which is the root's -x (two quarter turns).
    expectPoint(b->convertPointToLayer({11, 10}, root.get()), {194, 130});
    expectPoint(root->convertPointToLayer({195, 130}, b.get()), {10, 10});
    expectPoint(b->convertPointFromLayer({194, 130}, root.get()), {11, 10});
    expectPoint(a->convertPointFromLayer({10, 10}, b.get()), {30, 5});
    expectRect(b->convertRectToLayer(Rect(10, 10, 20, 20), root.get()), Rect(175, 110, 20, 20));
    root->setAnchorPoint({0, 0}); // the root's frame is its bounds
    EXPECT_EQ(root->hitTest({300, 300}), root.get());
    EXPECT_EQ(root->hitTest({190, 120}), b.get()); // b covers root x 175..195, y 110..130
    EXPECT_EQ(root->hitTest({160, 180}), a.get());
    EXPECT_EQ(root->hitTest({500, 300}), nullptr);
    // A sublayer transform of the superlayer applies about its anchor point.
    a->setSublayerTransform(AffineTransform::scale(2, 2));
    expectPoint(b->convertPointToLayer({10, 10}, a.get()), {60, 10});
}

TEST(LayerTree, SublayerOperationsKeepOneSuperlayer) {
    auto root = Layer::make();
    auto names = [&] {
        std::string s;
        for (const auto& l : root->sublayers())
            s += l->name();
        return s;
    };
    auto make = [](const char* n) {
        auto l = Layer::make();
        l->setName(n);
        return l;
    };
    auto a = make("a"), b = make("b"), c = make("c"), d = make("d"), e = make("e");
    root->addSublayer(a);
    root->addSublayer(b);
    root->insertSublayerAtIndex(c, 0);
    EXPECT_EQ(names(), "cab");
    root->insertSublayerAbove(d, a.get());
    EXPECT_EQ(names(), "cadb");
    root->insertSublayerBelow(e, c.get());
    EXPECT_EQ(names(), "ecadb");
    root->insertSublayerAbove(e, b.get()); // moving within the list
    EXPECT_EQ(names(), "cadbe");
    EXPECT_TRUE(root->replaceSublayer(a.get(), make("f")));
    EXPECT_EQ(names(), "cfdbe");
    EXPECT_EQ(a->superlayer(), nullptr);
    EXPECT_FALSE(root->replaceSublayer(a.get(), make("g")));
    d->removeFromSuperlayer();
    EXPECT_EQ(names(), "cfbe");
    // Moving to another layer unlinks it here; a layer cannot hold its own ancestor.
    c->addSublayer(b);
    EXPECT_EQ(names(), "cfe");
    EXPECT_EQ(b->superlayer(), c.get());
    b->addSublayer(root);
    EXPECT_EQ(root->superlayer(), nullptr);
    EXPECT_TRUE(b->sublayers().empty());
}

TEST(LayerTree, LayoutIsTopDownAndMarkedBySizeChangesAndNewSublayers) {
    auto root = Layer::make();
    auto child = Layer::make();
    std::vector<std::string> order;
    root->layoutHook = [&](Layer& l) {
        order.push_back("root");
        // The root sizes its child, which then needs layout itself.
        l.sublayers()[0]->setBounds(Rect(0, 0, l.bounds().size.width / 2, 10));
    };
    child->layoutHook = [&](Layer&) { order.push_back("child"); };
    root->addSublayer(child);
    EXPECT_TRUE(root->needsLayout());
    child->layoutIfNeeded(); // starts at the root that needs it
    EXPECT_EQ(order, (std::vector<std::string>{"root", "child"}));
    EXPECT_FALSE(root->needsLayout());
    EXPECT_FALSE(child->needsLayout());
    order.clear();
    root->setBounds(Rect(5, 5, 0, 0)); // origin change only
    root->setBounds(Rect(0, 0, 0, 0));
    EXPECT_FALSE(root->needsLayout());
    root->setBounds(Rect(0, 0, 100, 100));
    EXPECT_TRUE(root->needsLayout());
    root->layoutIfNeeded();
    EXPECT_EQ(order, (std::vector<std::string>{"root", "child"}));
    EXPECT_EQ(child->bounds().size.width, 50);
}

TEST(LayerTree, DisplayRequestsReachObserversUpTheTree) {
    auto root = Layer::make();
    auto child = Layer::make();
    root->addSublayer(child);
    std::vector<Layer*> heard;
    root->displayObserver = [&](Layer& l) { heard.push_back(&l); };
    child->setNeedsDisplay();
    EXPECT_TRUE(child->needsDisplay());
    EXPECT_EQ(heard, std::vector<Layer*>{child.get()});
    child->displayIfNeeded();
    EXPECT_FALSE(child->needsDisplay());
    child->setNeedsDisplayOnBoundsChange(true);
    child->setBounds(Rect(0, 0, 5, 5));
    EXPECT_TRUE(child->needsDisplay());
    EXPECT_EQ(heard.size(), 2u);
}

TEST(LayerRendering, ShadowBackgroundContentSublayersThenBorder) {
    auto root = Layer::make();
    root->setBounds(Rect(0, 0, 100, 100));
    root->setBackgroundColor(Color{1, 1, 1, 1});
    root->setBorderWidth(4);
    root->setBorderColor(Color{1, 0, 0, 1});
    root->drawHook = [](Layer&, gfx::Context& ctx) {
        ctx.setFillColor({0, 1, 0, 1});
        ctx.fillRect(Rect(0, 0, 1, 1));
    };
    // Short of the root's bottom: a sublayer covering the root entirely would leave its background out.
    auto sub = Layer::make();
    sub->setFrame(Rect(0, 0, 100, 90));
    sub->setBackgroundColor(Color{0, 0, 1, 1});
    sub->setOpaque(true);
    root->addSublayer(sub);
    auto rc = gfx::makeRecordingContext(Rect(0, 0, 100, 100));
    root->renderInContext(*rc.context);
    std::vector<std::string> expected = {
        "fill winding M 0 0 L 100 0 L 100 100 L 0 100 Z color 1 1 1 1",
        "fill winding M 0 0 L 1 0 L 1 1 L 0 1 Z color 0 1 0 1",
        "fill winding M 0 0 L 100 0 L 100 90 L 0 90 Z color 0 0 1 1",
        "stroke M 2 2 L 98 2 L 98 98 L 2 98 Z color 1 0 0 1 width 4 cap butt join miter miter 10",
    };
    EXPECT_EQ(rc.recorder->lines(), expected);
    // On a bitmap the border stays visible above the opaque sublayer.
    gfx::BitmapContext bitmap(100, 100);
    root->renderInContext(bitmap.context());
    gfx::Image img = bitmap.image();
    EXPECT_GT(img.pixel(1, 50).red, 0.9);
    EXPECT_LT(img.pixel(1, 50).blue, 0.1);
    EXPECT_GT(img.pixel(50, 50).blue, 0.9);
}

TEST(LayerRendering, ShadowOpacityMasksAndHiddenLayers) {
    auto root = Layer::make();
    root->setBounds(Rect(0, 0, 100, 100));
    auto sub = Layer::make();
    sub->setFrame(Rect(10, 10, 50, 50));
    sub->setBackgroundColor(Color{0, 0, 1, 1});
    sub->setShadowOpacity(0.5);
    sub->setShadowOffset({2, 3});
    sub->setOpacity(0.8);
    sub->setMasksToBounds(true);
    sub->setCornerRadius(5);
    auto inner = Layer::make();
    inner->setFrame(Rect(-10, -10, 100, 100));
    inner->setBackgroundColor(Color{1, 0, 0, 1});
    sub->addSublayer(inner);
    auto hidden = Layer::make();
    hidden->setFrame(Rect(0, 0, 10, 10));
    hidden->setBackgroundColor(Color::black());
    hidden->setHidden(true);
    root->addSublayer(sub);
    root->addSublayer(hidden);
    auto rc = gfx::makeRecordingContext(Rect(0, 0, 100, 100));
    root->renderInContext(*rc.context);
    auto lines = rc.recorder->lines();
    ASSERT_EQ(lines.size(), 4u);
    // One group for the whole layer: the shadow and opacity apply to it, not to each part.
    EXPECT_EQ(lines[0].rfind("group ", 0), 0u);
    EXPECT_NE(lines[0].find("alpha 0.8 shadow 2 3 6 0 0 0 0.5"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1].rfind("  fill winding M 15 10", 0), 0u) << lines[1]; // rounded background
    EXPECT_EQ(lines[2].rfind("  clip winding M 15 10", 0), 0u) << lines[2]; // masks with the corners
    EXPECT_EQ(lines[3], "  fill winding M 0 0 L 100 0 L 100 100 L 0 100 Z color 1 0 0 1");
}

TEST(LayerAnimation, KeyedAnimationsOnAHostClock) {
    auto clock = std::make_shared<ManualClock>();
    auto root = Layer::make();
    root->setClock(clock);
    auto l = Layer::make();
    root->addSublayer(l);
    l->setOpacity(1);
    Animation fade;
    fade.keyPath = "opacity";
    fade.from = 0.0;
    fade.to = 1.0;
    fade.duration = 2;
    bool finished = false;
    fade.completion = [&](bool f) { finished = f; };
    clock->set(10);
    l->addAnimation(fade, "fade");
    EXPECT_EQ(l->animationForKey("fade")->beginTime, 10);
    struct Probe {
        double time, opacity;
    };
    for (Probe p : std::vector<Probe>{{10, 0}, {10.5, 0.25}, {11, 0.5}, {11.999, 0.9995}, {12, 1}}) {
        clock->set(p.time);
        EXPECT_NEAR(l->presentationOpacity(), p.opacity, 1e-9) << p.time;
    }
    // Rendering shows the presentation value: half-way, the layer is drawn as a group at alpha 0.5.
    l->setBounds(Rect(0, 0, 10, 10));
    l->setBackgroundColor(Color::black());
    clock->set(11);
    auto rc = gfx::makeRecordingContext(Rect(0, 0, 100, 100));
    root->renderInContext(*rc.context);
    ASSERT_FALSE(rc.recorder->lines().empty());
    EXPECT_NE(rc.recorder->lines()[0].find("alpha 0.5"), std::string::npos) << rc.recorder->lines()[0];
    clock->set(12);
    EXPECT_FALSE(root->tickAnimations());
    EXPECT_TRUE(finished);
    EXPECT_TRUE(l->animationKeys().empty());

    // Auto-reverse, repeat and a time offset; removal by key reports an unfinished run.
    Animation move;
    move.keyPath = "position";
    move.from = Point{0, 0};
    move.to = Point{100, 0};
    move.duration = 1;
    move.autoreverses = true;
    move.repeatCount = 2;
    move.timeOffset = 0.5;
    move.beginTime = 20;
    bool moveFinished = true;
    move.completion = [&](bool f) { moveFinished = f; };
    l->setPosition({7, 7});
    l->addAnimation(move, "move");
    clock->set(19);
    expectPoint(l->presentationPosition(), {7, 7}); // not started
    clock->set(20);
    expectPoint(l->presentationPosition(), {50, 0}); // the offset starts it half-way
    clock->set(21);
    expectPoint(l->presentationPosition(), {50, 0}); // on the way back
    clock->set(23.75);
    expectPoint(l->presentationPosition(), {25, 0}); // wrapped: the start of the run shown last
    EXPECT_TRUE(root->tickAnimations());
    l->removeAnimation("move");
    EXPECT_FALSE(moveFinished);
    expectPoint(l->presentationPosition(), {7, 7});
}

TEST(LayerRendering, MaskLayerClipsTheLayerAndItsSublayers) {
    auto layer = Layer::make();
    layer->setAnchorPoint({0, 0});
    layer->setBounds(Rect(0, 0, 100, 100));
    layer->setBackgroundColor(Color{1, 0, 0, 1});
    auto mask = Layer::make();
    mask->setFrame(Rect(10, 20, 30, 40));
    mask->setBackgroundColor(Color::black());
    layer->setMask(mask);
    auto rc = gfx::makeRecordingContext(Rect(0, 0, 100, 100));
    rc.context->translateCTM(5, 5);
    layer->renderInContext(*rc.context);
    auto lines = rc.recorder->lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("clip winding M ", 0), 0u) << lines[0];
    for (const auto& r : rc.recorder->records()) {
        if (r.op == gfx::Recorder::Op::Clip) {
            EXPECT_EQ(r.path.boundingBox(), Rect(15, 25, 30, 40));
        }
    }
    // Nothing of a hidden mask shows, so nothing of the layer does.
    mask->setHidden(true);
    gfx::BitmapContext bitmap(100, 100);
    layer->renderInContext(bitmap.context());
    EXPECT_EQ(bitmap.image().pixel(50, 50).alpha, 0);
}

namespace {

// Keeps its visible bounds inset by 5 points inside the stored ones and records what reaches it.
class InsetLayer : public Layer {
  public:
    static constexpr double kInset = 5;
    Rect bounds() const override {
        Rect b = Layer::bounds();
        return Rect(b.origin.x + kInset, b.origin.y + kInset, b.size.width - 2 * kInset,
                    b.size.height - 2 * kInset);
    }
    void setBounds(const Rect& b) override {
        calls.push_back("bounds");
        Layer::setBounds(Rect(b.origin.x - kInset, b.origin.y - kInset, b.size.width + 2 * kInset,
                              b.size.height + 2 * kInset));
    }
    void setPosition(Point p) override {
        calls.push_back("position");
        Layer::setPosition(p);
    }
    void addSublayer(const Ptr& layer) override {
        calls.push_back("add");
        Layer::addSublayer(layer);
    }
    void removeFromSuperlayer() override {
        calls.push_back("remove");
        Layer::removeFromSuperlayer();
    }
    void setNeedsLayout() override {
        calls.push_back("layout");
        Layer::setNeedsLayout();
    }
    std::vector<std::string> calls;
};

// Draws itself and its subtree its own way: one fill per layer of the subtree, in its coordinates.
class SelfRenderingLayer : public Layer {
  public:
    bool rendersOwnSubtree() const override { return true; }
    void renderSubtreeInContext(gfx::Context& ctx) override {
        ++handOvers;
        ctx.setFillColor({0, 1, 0, 1});
        ctx.fillRect(Rect(0, 0, 1, 1));
    }
    int handOvers = 0;
};

} // namespace

TEST(LayerOverrides, SetFrameAndTheTreeReachTheOverrides) {
    auto root = Layer::make();
    auto inset = std::make_shared<InsetLayer>();
    Layer& plain = *inset;
    plain.setFrame(Rect(10, 20, 100, 50));
    // setFrame speaks in the subclass's terms: its visible bounds take the size.
    EXPECT_EQ(inset->bounds().size, (Size{100, 50}));
    EXPECT_EQ(inset->Layer::bounds(), Rect(0, 0, 110, 60));
    EXPECT_EQ((std::vector<std::string>{"position", "bounds", "layout"}), inset->calls);
    inset->calls.clear();
    Layer& superPlain = *root;
    superPlain.addSublayer(inset);
    EXPECT_TRUE(inset->calls.empty()) << "adding a layer is not a removal";
    plain.removeFromSuperlayer();
    EXPECT_EQ(inset->calls, std::vector<std::string>{"remove"});
    EXPECT_TRUE(root->sublayers().empty());
    inset->calls.clear();
    auto child = Layer::make();
    plain.addSublayer(child);
    EXPECT_EQ((std::vector<std::string>{"add", "layout"}), inset->calls);
}

TEST(LayerRendering, ALayerCanTakeOverItsSubtree) {
    auto root = Layer::make();
    root->setBounds(Rect(0, 0, 100, 100));
    auto self = std::make_shared<SelfRenderingLayer>();
    self->setFrame(Rect(10, 20, 30, 30));
    self->setBackgroundColor(Color{1, 0, 0, 1});
    auto below = Layer::make();
    below->setFrame(Rect(0, 0, 10, 10));
    below->setBackgroundColor(Color{0, 0, 1, 1});
    self->addSublayer(below);
    root->addSublayer(self);
    auto rc = gfx::makeRecordingContext(Rect(0, 0, 100, 100));
    root->renderInContext(*rc.context);
    // Neither the layer's background nor its sublayer: only what the layer drew, where it sits.
    EXPECT_EQ(rc.recorder->lines(),
              std::vector<std::string>{"fill winding M 10 20 L 11 20 L 11 21 L 10 21 Z color 0 1 0 1"});
    self->setHidden(true);
    rc.recorder->clear();
    root->renderInContext(*rc.context);
    EXPECT_TRUE(rc.recorder->lines().empty());
    EXPECT_EQ(self->handOvers, 1);
    // As the root of a render it draws in its own coordinates.
    self->setHidden(false);
    rc.recorder->clear();
    self->renderInContext(*rc.context);
    EXPECT_EQ(rc.recorder->lines(),
              std::vector<std::string>{"fill winding M 0 0 L 1 0 L 1 1 L 0 1 Z color 0 1 0 1"});
}
