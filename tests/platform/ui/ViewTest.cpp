// Views: geometry under transforms, the tree, look-ups, conversion, autoresizing, hit testing, layout
// and drawing.
#include "platform/ui/View.h"
#include "platform/graphics/Output.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace ui;

void expectNear(Rect a, Rect b) {
    EXPECT_NEAR(a.origin.x, b.origin.x, 1e-9);
    EXPECT_NEAR(a.origin.y, b.origin.y, 1e-9);
    EXPECT_NEAR(a.size.width, b.size.width, 1e-9);
    EXPECT_NEAR(a.size.height, b.size.height, 1e-9);
}

TEST(View, FrameBoundsCenter) {
    auto v = View::make(Rect{10, 20, 100, 50});
    EXPECT_EQ(v->bounds(), (Rect{0, 0, 100, 50}));
    EXPECT_EQ(v->center(), (Point{60, 45}));
    v->setCenter({100, 100});
    EXPECT_EQ(v->frame(), (Rect{50, 75, 100, 50}));
    // A bounds origin scrolls the content; the frame stays.
    v->setBounds({5, 5, 100, 50});
    EXPECT_EQ(v->frame(), (Rect{50, 75, 100, 50}));
}

TEST(View, QuarterTurnedViewGivenAFrameGetsTheSwappedBoundsSize) {
    auto v = View::make();
    v->setTransform(AffineTransform::rotation(M_PI / 2));
    v->setFrame({0, 0, 100, 40});
    expectNear(v->frame(), {0, 0, 100, 40});
    EXPECT_NEAR(v->bounds().size.width, 40, 1e-9);
    EXPECT_NEAR(v->bounds().size.height, 100, 1e-9);
}

TEST(View, SubviewOrderFollowsInsertionsAndTheLayersAgree) {
    auto root = View::make(Rect{0, 0, 100, 100});
    auto a = View::make(), b = View::make(), c = View::make(), d = View::make();
    root->addSubview(a);
    root->addSubview(b);
    root->insertSubviewBelow(c, a.get()); // c a b
    root->insertSubviewAbove(d, a.get()); // c a d b
    root->bringSubviewToFront(c.get());   // a d b c
    root->sendSubviewToBack(b.get());     // b a d c
    std::vector<View*> order;
    for (auto& s : root->subviews())
        order.push_back(s.get());
    EXPECT_EQ(order, (std::vector<View*>{b.get(), a.get(), d.get(), c.get()}));
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(root->layer().sublayers()[i].get(), &order[i]->layer());

    // Adding to another superview moves the view.
    auto other = View::make();
    other->addSubview(a);
    EXPECT_EQ(root->subviews().size(), 3u);
    EXPECT_EQ(a->superview(), other.get());
    a->removeFromSuperview();
    EXPECT_EQ(a->superview(), nullptr);
    EXPECT_TRUE(other->subviews().empty());
}

TEST(View, TagAndIdentifierLookUp) {
    auto root = View::make();
    auto a = View::make(), b = View::make();
    root->addSubview(a);
    a->addSubview(b);
    b->setTag(7);
    b->setIdentifier("detail");
    EXPECT_EQ(root->viewWithTag(7), b.get());
    EXPECT_EQ(root->viewWithTag(8), nullptr);
    EXPECT_EQ(root->viewWithTag(0), root.get()); // the default tag is the view's own
    EXPECT_EQ(root->viewWithIdentifier("detail"), b.get());
}

TEST(View, ConversionThroughOffsetsBoundsOriginsAndTransforms) {
    auto window = std::make_shared<Window>(Rect{0, 0, 400, 400});
    auto scroller = View::make(Rect{10, 20, 200, 200});
    auto child = View::make(Rect{5, 5, 50, 50});
    window->addSubview(scroller);
    scroller->addSubview(child);
    EXPECT_EQ(child->convertPointToView({0, 0}, nullptr), (Point{15, 25}));
    scroller->setBounds({0, 100, 200, 200});
    EXPECT_EQ(child->convertPointToView({0, 0}, nullptr), (Point{15, -75}));
    EXPECT_EQ(child->convertPointFromView({15, -75}, window.get()), (Point{0, 0}));
    EXPECT_EQ(child->window(), window.get());

    // A half-turned view maps its top-left to its bottom-right corner.
    auto turned = View::make(Rect{100, 100, 40, 20});
    window->addSubview(turned);
    turned->setTransform(AffineTransform::rotation(M_PI));
    Point p = turned->convertPointToView({0, 0}, nullptr);
    EXPECT_NEAR(p.x, 140, 1e-9);
    EXPECT_NEAR(p.y, 120, 1e-9);
    expectNear(turned->convertRectToView({0, 0, 40, 20}, nullptr), {100, 100, 40, 20});
}

struct AutoresizingCase {
    unsigned mask;
    Rect expected;
};

TEST(View, AutoresizingSpreadsTheChangeOverTheFlexibleParts) {
    // A 300-wide parent grows by 100; the child sits at x 20, 200 wide (right margin 80).
    const AutoresizingCase cases[] = {
        {AutoresizingNone, {20, 10, 200, 30}},
        {FlexibleWidth, {20, 10, 300, 30}},
        {FlexibleLeftMargin, {120, 10, 200, 30}},
        {FlexibleRightMargin, {20, 10, 200, 30}},
        {FlexibleLeftMargin | FlexibleRightMargin, {20 + 100 * 20.0 / 100, 10, 200, 30}},
        {FlexibleWidth | FlexibleRightMargin, {20, 10, 200 + 100 * 200.0 / 280, 30}},
    };
    for (const auto& c : cases) {
        auto parent = View::make(Rect{0, 0, 300, 100});
        auto child = View::make(Rect{20, 10, 200, 30});
        child->setAutoresizingMask(c.mask);
        parent->addSubview(child);
        parent->setFrame({0, 0, 400, 100});
        expectNear(child->frame(), c.expected);
    }
}

// Lets touches through except where a subview is.
class PassThroughView : public View {
  public:
    using View::View;
    View* hitTest(Point p, const Event* event) override {
        View* hit = View::hitTest(p, event);
        return hit == this ? nullptr : hit;
    }
};

// Takes touches 20 points around itself.
class GenerousView : public View {
  public:
    using View::View;
    bool pointInside(Point p, const Event*) const override { return bounds().insetBy(-20, -20).contains(p); }
};

TEST(View, HitTestingSkipsUnreachableViewsAndHonoursOverrides) {
    auto root = View::make(Rect{0, 0, 300, 300});
    auto back = View::make(Rect{0, 0, 300, 300});
    auto front = View::make<PassThroughView>(Rect{0, 0, 300, 300});
    auto button = View::make(Rect{10, 10, 50, 50});
    auto generous = View::make<GenerousView>(Rect{200, 200, 20, 20});
    root->addSubview(back);
    root->addSubview(generous);
    root->addSubview(front);
    front->addSubview(button);

    EXPECT_EQ(root->hitTest({30, 30}, nullptr), button.get());
    EXPECT_EQ(root->hitTest({150, 150}, nullptr), back.get()); // the overlay answers none
    EXPECT_EQ(root->hitTest({190, 190}, nullptr), generous.get());

    button->setHidden(true);
    EXPECT_EQ(root->hitTest({30, 30}, nullptr), back.get());
    button->setHidden(false);
    button->setUserInteractionEnabled(false);
    EXPECT_EQ(root->hitTest({30, 30}, nullptr), back.get());
    button->setUserInteractionEnabled(true);
    button->setAlpha(0);
    EXPECT_EQ(root->hitTest({30, 30}, nullptr), back.get());
    EXPECT_EQ(root->hitTest({400, 30}, nullptr), nullptr);
}

class CountingView : public View {
  public:
    using View::View;
    int layouts = 0;
    std::vector<Rect> drawn;
    void layoutSubviews() override {
        ++layouts;
        if (!subviews().empty())
            subviews()[0]->setFrame({0, 0, bounds().size.width / 2, 10});
    }
    void drawRect(gfx::Context& ctx, const Rect& rect) override {
        drawn.push_back(rect);
        ctx.setFillColor(Color{1, 0, 0, 1});
        ctx.fillRect({0, 0, 2, 2});
    }
};

TEST(View, LayoutRunsOnceWhenNeededAndAfterASizeChange) {
    auto v = View::make<CountingView>(Rect{0, 0, 100, 100});
    auto child = View::make();
    v->addSubview(child);
    v->layoutIfNeeded();
    int after = v->layouts;
    v->layoutIfNeeded();
    EXPECT_EQ(v->layouts, after);
    v->setFrame({0, 0, 300, 100});
    v->layoutIfNeeded();
    EXPECT_EQ(v->layouts, after + 1);
    EXPECT_EQ(child->frame(), (Rect{0, 0, 150, 10}));
    // Moving without resizing needs no layout.
    v->setCenter({500, 500});
    v->layoutIfNeeded();
    EXPECT_EQ(v->layouts, after + 1);
}

TEST(View, DrawRectDrawsIntoTheViewsCoordinatesWhenRendered) {
    auto root = View::make(Rect{0, 0, 20, 20});
    auto v = View::make<CountingView>(Rect{10, 10, 5, 5});
    root->addSubview(v);
    v->setNeedsDisplay();
    EXPECT_TRUE(v->layer().needsDisplay());
    gfx::BitmapContext bitmap(20, 20, 1, Color::white());
    root->layer().renderInContext(bitmap.context());
    ASSERT_EQ(v->drawn.size(), 1u);
    EXPECT_EQ(v->drawn[0], (Rect{0, 0, 5, 5}));
    EXPECT_EQ(bitmap.image().pixel(10, 10), (Color{1, 0, 0, 1}));
    EXPECT_EQ(bitmap.image().pixel(9, 9), Color::white());
}

TEST(View, LayerAppearanceComesThroughTheView) {
    auto v = View::make(Rect{0, 0, 10, 10});
    v->setBackgroundColor(Color::white());
    v->setClipsToBounds(true);
    v->setAlpha(0.5);
    v->layer().setCornerRadius(4);
    v->layer().setBorderWidth(1);
    EXPECT_EQ(v->layer().backgroundColor(), Color::white());
    EXPECT_TRUE(v->layer().masksToBounds());
    EXPECT_EQ(v->layer().opacity(), 0.5);
}

} // namespace
