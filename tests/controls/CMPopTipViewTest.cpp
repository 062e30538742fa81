// The help bubble on the headless host: where it goes for a target, what it draws, its shadow switch,
// and every way it is dismissed, on the virtual clock.
#include "controls/CMPopTipView.h"

#include "platform/foundation/Log.h"
#include "platform/graphics/Recorder.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "tests/RenderChecks.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace ui;

struct Counter : CMPopTipViewDelegate {
    int dismissed = 0;
    void popTipViewWasDismissedByUser(CMPopTipView&) override { ++dismissed; }
};

// A tip whose content is a fixed 100 x 40 view: the bubble is 120 x 60, the view 124 x 82.
std::shared_ptr<CMPopTipView> fixedTip() {
    return CMPopTipView::initWithCustomView(View::make(Rect{0, 0, 100, 40}));
}

std::shared_ptr<View> addView(View& parent, Rect frame) {
    auto v = View::make(frame);
    parent.addSubview(v);
    return v;
}

TEST(CMPopTipView, DefaultsAndWhatEachInitialiserAdds) {
    CMPopTipView plain;
    EXPECT_EQ(plain.backgroundColor(), (Color{62.0 / 255, 60.0 / 255, 154.0 / 255, 1}));
    EXPECT_FALSE(plain.View::backgroundColor()); // the view itself stays clear
    EXPECT_EQ(plain.borderColor(), Color::black());
    EXPECT_EQ(plain.borderWidth(), 1);
    EXPECT_EQ(plain.cornerRadius(), 10);
    EXPECT_TRUE(plain.has3DStyle());
    EXPECT_TRUE(plain.hasGradientBackground());
    EXPECT_TRUE(plain.hasShadow());
    EXPECT_EQ(plain.textFont(), gfx::Font::boldSystem(14));
    EXPECT_EQ(plain.textColor(), Color::white());
    EXPECT_EQ(plain.textAlignment(), gfx::TextAlignment::Center);
    EXPECT_FALSE(plain.titleFont());
    EXPECT_FALSE(plain.titleColor());
    EXPECT_EQ(plain.titleAlignment(), gfx::TextAlignment::Left);
    EXPECT_EQ(plain.animation(), 0);
    EXPECT_EQ(plain.preferredPointDirection(), 0);
    EXPECT_EQ(plain.maxWidth(), 0);
    EXPECT_EQ(plain.topMargin(), 2);
    EXPECT_EQ(plain.pointerSize(), 12);
    EXPECT_EQ(plain.sidePadding(), 2);
    EXPECT_EQ(plain.bubblePaddingX(), 0);
    EXPECT_FALSE(plain.dismissTapAnywhere() || plain.disableTapToDismiss() ||
                 plain.dismissAlongWithUserInteraction() || plain.showFromCenter() || plain.isBeingShown());
    EXPECT_EQ(plain.layer().shadowOpacity(), 0.3);

    auto titled = CMPopTipView::initWithTitle("Import", "Tap + to import a file");
    EXPECT_EQ(titled->frame(), Rect());
    EXPECT_EQ(titled->titleFont(), gfx::Font::boldSystem(16));
    EXPECT_EQ(titled->titleColor(), Color::white());
    EXPECT_EQ(titled->titleAlignment(), gfx::TextAlignment::Center);
    EXPECT_EQ(titled->textFont(), gfx::Font::system(14));
    EXPECT_FALSE(titled->isAccessibilityElement());

    auto message = CMPopTipView::initWithMessage("Tap a column");
    EXPECT_EQ(message->message(), "Tap a column");
    EXPECT_TRUE(message->isAccessibilityElement());
    EXPECT_EQ(message->accessibilityHint(), "Tap a column");
    EXPECT_EQ(message->textFont(), gfx::Font::boldSystem(14));

    auto custom = fixedTip();
    EXPECT_TRUE(custom->shouldMaskCustomView());
    ASSERT_EQ(custom->subviews().size(), 1u);
    EXPECT_EQ(custom->subviews()[0], custom->customView());
}

// Presentation inputs -> direction, frame and tip, with the fixed 100 x 40 content.
TEST(CMPopTipView, PlacementForTargetsAroundTheContainer) {
    struct Case {
        const char* name;
        Rect target;                    // in the container (or the window when `besideContainer`)
        bool besideContainer = false;   // the target is the container's sibling, the container 200 down
        int preferred = 0;
        int direction;
        Rect frame;
        Point tip;
    };
    const Case cases[] = {
        {"lower half: pointing down, bubble above", {500, 600, 40, 30}, false, 0, 2, {458, 518, 124, 82}, {60, 80}},
        {"upper half: pointing up, bubble below", {500, 100, 40, 30}, false, 0, 1, {458, 132, 124, 82}, {60, 0}},
        {"preferred down in the upper half", {500, 100, 40, 30}, false, 2, 2, {458, 18, 124, 82}, {60, 80}},
        {"preferred up in the lower half", {500, 600, 40, 30}, false, 1, 1, {458, 632, 124, 82}, {60, 0}},
        {"wholly above the container", {500, 50, 40, 30}, true, 0, 1, {458, 2, 124, 82}, {60, 0}},
        {"left edge", {0, 600, 20, 30}, false, 0, 2, {0, 518, 124, 82}, {22, 80}},
        {"right edge", {1004, 600, 20, 30}, false, 0, 2, {900, 518, 124, 82}, {98, 80}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host::HeadlessHost host{{1024, 768}};
        auto container = addView(host.window(), c.besideContainer ? Rect{0, 200, 1024, 568} : Rect{0, 0, 1024, 768});
        auto target = addView(c.besideContainer ? host.window() : *container, c.target);
        auto tip = fixedTip();
        tip->setPreferredPointDirection(c.preferred);
        tip->presentPointingAtView(*target, *container, false);
        EXPECT_EQ(tip->getPointDirection(), c.direction);
        EXPECT_EQ(tip->frame(), c.frame);
        EXPECT_EQ(tip->targetPoint(), c.tip);
        EXPECT_EQ(tip->bubbleSize(), (Size{120, 60}));
        EXPECT_EQ(tip->superview(), container.get());
        EXPECT_TRUE(std::holds_alternative<View*>(tip->targetObject()));
        // The content view sits in the bubble, inside the corners.
        host.drain();
        EXPECT_EQ(tip->customView()->frame(), tip->contentFrame());
        // The bubble never leaves the container and the tip keeps clear of the rounded corners.
        double x0 = tip->frame().origin.x + tip->sidePadding();
        EXPECT_GE(x0, tip->sidePadding());
        EXPECT_LE(x0 + 120 + tip->sidePadding(), 1024);
        EXPECT_GE(tip->targetPoint().x, 10 + 12);
        EXPECT_LE(tip->targetPoint().x, 120 - 10 - 12);
    }
}

TEST(CMPopTipView, PointingDownLeavesEightAboveAndPointingUpTenBelow) {
    host::HeadlessHost host;
    auto container = addView(host.window(), {0, 0, 1024, 768});
    auto low = addView(*container, {500, 600, 40, 30});
    auto high = addView(*container, {500, 100, 40, 30});
    auto tip = fixedTip();
    tip->presentPointingAtView(*low, *container, false);
    EXPECT_EQ(tip->bubbleFrame().origin.y, 8);
    EXPECT_EQ(tip->targetPoint().y, tip->bounds().size.height - 2);
    EXPECT_EQ(tip->frame().maxY(), 600); // the view ends at the target's top, the tip just above it
    tip->presentPointingAtView(*high, *container, false);
    EXPECT_EQ(tip->targetPoint().y, 0);
    EXPECT_EQ(tip->bounds().size.height - tip->bubbleFrame().maxY(), 10);
    EXPECT_EQ(tip->frame().origin.y, 130 + tip->topMargin());
}

// The text width W rule, read back through the measured message.
TEST(CMPopTipView, TheMessageIsMeasuredAtTheWidthOfItsDevice) {
    const std::string words =
        "Tap the plus button to import a data file from the documents folder, or open the example workspace "
        "to see what each screen does with real data before you bring your own. Every column can be renamed.";
    struct Case {
        const char* name;
        UserInterfaceIdiom idiom;
        Size screen;
        double maxWidth;
        double width;
    };
    const Case cases[] = {
        {"phone, maxWidth beyond the container", UserInterfaceIdiom::Phone, {320, 480}, 1000, 310},
        {"pad, maxWidth beyond the container", UserInterfaceIdiom::Pad, {1024, 768}, 2000, 1004},
        {"pad, maxWidth 0", UserInterfaceIdiom::Pad, {1024, 768}, 0, 341},
        {"phone, maxWidth 0", UserInterfaceIdiom::Phone, {320, 480}, 0, 213},
        {"phone, maxWidth within", UserInterfaceIdiom::Phone, {320, 480}, 150, 150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host::HeadlessHost host{c.screen, c.idiom};
        auto container = addView(host.window(), {{0, 0}, c.screen});
        auto target = addView(*container, {10, 10, 20, 20});
        auto tip = CMPopTipView::initWithMessage(words);
        tip->setMaxWidth(c.maxWidth);
        tip->presentPointingAtView(*target, *container, false);
        gfx::TextStyle style;
        style.font = tip->textFont();
        style.alignment = gfx::TextAlignment::Center;
        Size expected = gfx::TextLayout::plain(words, style, {c.width, 99999}).size();
        EXPECT_EQ(tip->bubbleSize(), (Size{expected.width + 20, expected.height + 20}));
        EXPECT_LE(expected.width, c.width);
    }
}

TEST(CMPopTipView, TitleAndMessageStackAndTheWiderSets) {
    host::HeadlessHost host;
    auto container = addView(host.window(), {0, 0, 1024, 768});
    auto target = addView(*container, {500, 100, 40, 30});
    auto tip = CMPopTipView::initWithTitle("A rather long title for a tip", "Short");
    tip->presentPointingAtView(*target, *container, false);
    gfx::TextStyle title;
    title.font = gfx::Font::boldSystem(16);
    gfx::TextStyle message;
    message.font = gfx::Font::system(14);
    Size t = gfx::TextLayout::plain("A rather long title for a tip", title, {341, 99999}).size();
    Size m = gfx::TextLayout::plain("Short", message, {341, 99999}).size();
    EXPECT_EQ(tip->bubbleSize(), (Size{std::max(t.width, m.width) + 20, t.height + m.height + 20}));
}

// ---- drawing

struct Drawn : ::testing::Test {
    host::HeadlessHost host;
    Driver driver{host.window(), host};
    std::shared_ptr<View> container = addView(host.window(), {0, 0, 1024, 768});
    std::shared_ptr<View> target = addView(*container, {500, 100, 40, 30});

    static std::vector<gfx::Recorder::Record> draw(CMPopTipView& tip) {
        auto rc = gfx::makeRecordingContext(Rect{{0, 0}, tip.bounds().size});
        tip.drawRect(*rc.context, tip.bounds());
        return rc.recorder->records();
    }
    static std::vector<gfx::Recorder::Record> of(const std::vector<gfx::Recorder::Record>& all, gfx::Recorder::Op op) {
        std::vector<gfx::Recorder::Record> out;
        std::copy_if(all.begin(), all.end(), std::back_inserter(out), [&](const auto& r) { return r.op == op; });
        return out;
    }
};

TEST_F(Drawn, ThePathStartsAtTheTipAndTheGradientHasFiveStops) {
    auto tip = CMPopTipView::initWithTitle("Title", "Message");
    tip->presentPointingAtView(*target, *container, false);
    for (bool highlighted : {false, true}) {
        SCOPED_TRACE(highlighted);
        if (highlighted) // a tap redraws brighter while the tip fades
            driver.tap(tip.get());
        EXPECT_EQ(tip->isHighlighted(), highlighted);
        auto records = draw(*tip);
        auto clips = of(records, gfx::Recorder::Op::Clip);
        ASSERT_FALSE(clips.empty());
        const auto& first = clips[0].path.elements().front();
        EXPECT_EQ(first.kind, gfx::Path::Kind::Move);
        EXPECT_EQ(first.points[0], (Point{tip->targetPoint().x + 2, 0}));

        auto shadings = of(records, gfx::Recorder::Op::Shading);
        ASSERT_EQ(shadings.size(), 1u);
        const gfx::Shading& s = shadings[0].shading;
        Rect bubble = tip->bubbleFrame();
        double L = (bubble.origin.y + bubble.size.height / 2) / tip->bounds().size.height;
        ASSERT_EQ(s.stops.size(), 5u);
        double locations[] = {0, L - 0.03, L, L + 0.03, 1};
        double factors[] = {1.16, 1.16, 1.08, 1, 1};
        double h = highlighted ? 0.25 : 0;
        for (size_t i = 0; i < 5; ++i) {
            SCOPED_TRACE(i);
            EXPECT_NEAR(s.stops[i].location, locations[i], 1e-12);
            EXPECT_NEAR(s.stops[i].color.red, 62.0 / 255 * factors[i] + h, 1e-12);
            EXPECT_NEAR(s.stops[i].color.green, 60.0 / 255 * factors[i] + h, 1e-12);
            EXPECT_NEAR(s.stops[i].color.blue, 154.0 / 255 * factors[i] + h, 1e-12);
            EXPECT_EQ(s.stops[i].color.alpha, 1);
        }
        EXPECT_EQ(s.start, (Point{0, 0}));
        EXPECT_EQ(s.end, (Point{0, tip->bounds().size.height}));
        EXPECT_FALSE(s.extendStart || s.extendEnd);

        // The 3-D edges: two even-odd fills, white then black, with opposite shadows.
        auto fills = of(records, gfx::Recorder::Op::Fill);
        ASSERT_EQ(fills.size(), 2u);
        EXPECT_EQ(fills[0].rule, gfx::FillRule::EvenOdd);
        EXPECT_EQ(fills[0].state.shadow.offset, (Size{0, 4}));
        EXPECT_EQ(fills[0].state.shadow.color, Color::white().withAlpha(0.75));
        EXPECT_EQ(fills[1].state.shadow.offset, (Size{0, -4}));
        EXPECT_EQ(fills[1].state.shadow.color, Color::black().withAlpha(0.4));

        auto strokes = of(records, gfx::Recorder::Op::Stroke);
        ASSERT_EQ(strokes.size(), 1u);
        EXPECT_EQ(strokes[0].state.stroke.width, 1);

        auto texts = of(records, gfx::Recorder::Op::Text);
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0].text->text(), "Title");
        EXPECT_EQ(texts[1].text->text(), "Message");
        EXPECT_LT(texts[0].origin.y, texts[1].origin.y);
        EXPECT_EQ(texts[0].origin.y, tip->contentFrame().integral().origin.y);
    }
}

TEST_F(Drawn, NoOutlineAtBorderWidthZeroAndAFlatFillWithoutGradient) {
    auto tip = CMPopTipView::initWithMessage("Flat");
    tip->setBorderWidth(0);
    tip->setHasGradientBackground(false);
    tip->setHas3DStyle(false);
    tip->setBackgroundColor(Color::gray(0.5));
    tip->presentPointingAtView(*target, *container, false);
    auto records = draw(*tip);
    EXPECT_TRUE(of(records, gfx::Recorder::Op::Stroke).empty());
    EXPECT_TRUE(of(records, gfx::Recorder::Op::Shading).empty());
    auto fills = of(records, gfx::Recorder::Op::Fill);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].state.fillColor, Color::gray(0.5));
}

TEST_F(Drawn, OnScreenTheBubbleIsFilledAndTheViewAroundItClear) {
    auto tip = CMPopTipView::initWithMessage("Tap + to import a file");
    tip->setHasShadow(false);
    container->setBackgroundColor(Color::white());
    tip->presentPointingAtView(*target, *container, false);
    host.drain();
    gfx::Image shot = driver.screenshot();
    Rect f = tip->frame();
    Rect b = tip->bubbleFrame();
    // Middle of the bubble: the blue fill; beside the pointer, above the bubble: the white behind.
    gfx::Color middle = shot.pixel(int(f.origin.x + b.midX()), int(f.origin.y + b.origin.y + b.size.height * 0.75));
    EXPECT_NEAR(middle.blue, 154.0 / 255, 0.1);
    EXPECT_LT(middle.red, 0.4);
    gfx::Color outside = shot.pixel(int(f.origin.x + 3), int(f.origin.y + 3));
    EXPECT_EQ(outside, Color::white());
    // The pointer reaches up to the target's bottom.
    gfx::Color pointer = shot.pixel(int(f.origin.x + 2 + tip->targetPoint().x), int(f.origin.y + 6));
    EXPECT_LT(pointer.red, 0.6);
    if (renderChecks::updatingGoldens())
        shot.cropped(f.insetBy(-20, -20)).writePNG(renderChecks::scratchPath("bubble.png"));
}

// ---- the shadow switch

TEST(CMPopTipView, TheShadowSwitchActsOnlyOnAChange) {
    CMPopTipView tip;
    EXPECT_EQ(tip.layer().shadowOffset(), (Size{0, 3}));
    EXPECT_EQ(tip.layer().shadowRadius(), 2);
    EXPECT_EQ(tip.layer().shadowColor(), Color::black());
    tip.layer().setShadowOpacity(0.7);
    tip.setHasShadow(true);
    EXPECT_EQ(tip.layer().shadowOpacity(), 0.7);
    tip.setHasShadow(false);
    EXPECT_EQ(tip.layer().shadowOpacity(), 0);
    EXPECT_EQ(tip.layer().shadowOffset(), (Size{0, 3}));
    EXPECT_EQ(tip.layer().shadowRadius(), 2);
    tip.setHasShadow(false);
    tip.layer().setShadowOpacity(0.5);
    tip.setHasShadow(false);
    EXPECT_EQ(tip.layer().shadowOpacity(), 0.5);
    tip.setHasShadow(true);
    EXPECT_EQ(tip.layer().shadowOpacity(), 0.3);
}

// ---- presenting animated

TEST(CMPopTipView, EveryAnimationEndsAtTheFinalFrame) {
    for (int animation : {0, 1, 2, 7}) {
        SCOPED_TRACE(animation);
        host::HeadlessHost host;
        auto container = addView(host.window(), {0, 0, 1024, 768});
        auto target = addView(*container, {500, 600, 40, 30});
        auto tip = fixedTip();
        tip->setAnimation(animation);
        tip->presentPointingAtView(*target, *container, true);
        if (animation == 0 || animation == 7) { // slid up from 10 points below
            EXPECT_EQ(tip->layer().presentationPosition().y, tip->layer().position().y + 10);
        }
        if (animation == 1) { // popped: shown at 0.75, growing past 1 before it settles
            EXPECT_EQ(tip->transform(), AffineTransform::scale(1.1, 1.1));
            EXPECT_DOUBLE_EQ(tip->layer().presentationTransform().a, 0.75);
        }
        EXPECT_LT(tip->layer().presentationOpacity(), 1);
        host.advance(0.1);
        if (animation == 1) {
            double scale = tip->layer().presentationTransform().a;
            EXPECT_GT(scale, 0.75);
            EXPECT_LT(scale, 1.1);
        }
        EXPECT_TRUE(host.waitUntilIdle());
        EXPECT_EQ(tip->frame(), (Rect{458, 518, 124, 82}));
        EXPECT_EQ(tip->alpha(), 1);
        EXPECT_EQ(tip->layer().presentationOpacity(), 1);
        EXPECT_EQ(tip->transform(), AffineTransform::identity());
        EXPECT_TRUE(tip->layer().presentationTransform().isIdentity());
    }
}

// ---- dismissing

struct Shown : ::testing::Test {
    host::HeadlessHost host;
    Driver driver{host.window(), host};
    std::shared_ptr<View> container = addView(host.window(), {0, 0, 1024, 768});
    std::shared_ptr<View> target = addView(*container, {500, 600, 40, 30});
    std::shared_ptr<CMPopTipView> tip = CMPopTipView::initWithMessage("Help");
    Counter counter;
    void SetUp() override { tip->setDelegate(&counter); }
    void present(bool animated = false) {
        tip->presentPointingAtView(*target, *container, animated);
        host.drain();
    }
    bool gone() const { return !tip->superview() && !tip->isBeingShown(); }
};

TEST_F(Shown, ATapDismissesAndTellsTheDelegateOnce) {
    present();
    driver.tap(tip.get());
    EXPECT_TRUE(tip->isBeingShown()); // fading
    driver.tap(tip.get());            // a second tap while it fades counts for nothing
    EXPECT_TRUE(host.waitUntilIdle());
    EXPECT_TRUE(gone());
    EXPECT_EQ(counter.dismissed, 1);
    EXPECT_FALSE(tip->isHighlighted());
}

TEST_F(Shown, WithTapToDismissDisabledATapPassesOn) {
    struct Panel : View {
        using View::View;
        int touches = 0;
        void touchesBegan(const Touches&, const Event&) override { ++touches; }
    };
    auto panel = std::make_shared<Panel>(Rect{0, 0, 1024, 768});
    host.window().addSubview(panel);
    tip->setDisableTapToDismiss(true);
    tip->presentPointingAtView(*target, *panel, false);
    driver.tap(tip.get());
    EXPECT_TRUE(host.waitUntilIdle());
    EXPECT_TRUE(tip->isBeingShown());
    EXPECT_EQ(counter.dismissed, 0);
    EXPECT_EQ(panel->touches, 1);
}

TEST_F(Shown, DismissTapAnywhereUsesOneContainerButtonThatGoesAway) {
    tip->setDismissTapAnywhere(true);
    present();
    present(); // again while shown: laid out again, the same button
    auto buttons = std::count_if(container->subviews().begin(), container->subviews().end(),
                                 [](const View::Ptr& v) { return dynamic_cast<Button*>(v.get()); });
    EXPECT_EQ(buttons, 1);
    ASSERT_TRUE(tip->dismissTarget());
    EXPECT_EQ(tip->dismissTarget()->frame(), container->bounds());
    EXPECT_EQ(container->subviews().back(), tip); // above the button
    driver.tapAt({50, 50});
    EXPECT_TRUE(host.waitUntilIdle());
    EXPECT_TRUE(gone());
    EXPECT_EQ(counter.dismissed, 1);
    EXPECT_FALSE(tip->dismissTarget());
    EXPECT_EQ(container->subviews().size(), 1u); // only the target is left
}

TEST_F(Shown, DismissAlongWithUserInteractionLetsTheTouchThrough) {
    auto button = std::make_shared<Button>(Rect{440, 500, 160, 60});
    int pressed = 0;
    button->addTarget(TouchUpInside, [&](Control&) { ++pressed; });
    container->insertSubviewAtIndex(button, 0);
    tip->setDismissAlongWithUserInteraction(true);
    present();
    ASSERT_TRUE(tip->frame().intersects(button->frame())); // the tip covers part of the button
    driver.tapAt({520, 540});
    EXPECT_EQ(pressed, 1);
    EXPECT_TRUE(host.waitUntilIdle());
    EXPECT_TRUE(gone());
    EXPECT_EQ(counter.dismissed, 1);
}

TEST_F(Shown, AutoDismissFiresOnceAndALaterCallReplacesTheFirst) {
    present();
    tip->autoDismissAnimated(false, 2);
    EXPECT_EQ(tip->autoDismissUserInfo().find("animated")->toBool(), false);
    host.advance(1.9);
    EXPECT_TRUE(tip->isBeingShown());
    host.advance(0.2);
    EXPECT_TRUE(gone());
    EXPECT_EQ(counter.dismissed, 1);
    EXPECT_FALSE(tip->autoDismissTimer());

    present();
    tip->autoDismissAnimated(true, 1);
    host.advance(0.5);
    tip->autoDismissAnimated(true, 3);
    host.advance(1);
    EXPECT_TRUE(tip->isBeingShown()); // the first timer no longer fires
    host.advance(2.1);
    EXPECT_TRUE(host.waitUntilIdle());
    EXPECT_TRUE(gone());
    EXPECT_EQ(counter.dismissed, 2);
    host.advance(10);
    EXPECT_EQ(counter.dismissed, 2);
}

TEST_F(Shown, PresentingAgainDuringOrAfterADismissalShowsTheTip) {
    present();
    tip->dismissAnimated(true);
    present(); // before the fade ended: the late end of the fade must not take the tip away
    EXPECT_TRUE(host.waitUntilIdle());
    EXPECT_TRUE(tip->isBeingShown());
    EXPECT_EQ(tip->superview(), container.get());
    EXPECT_EQ(tip->alpha(), 1);
    tip->dismissAnimated(false);
    EXPECT_TRUE(gone());
    present(true);
    EXPECT_TRUE(host.waitUntilIdle());
    EXPECT_TRUE(tip->isBeingShown());
    EXPECT_EQ(tip->frame().size.height, tip->bubbleSize().height + 22);
    EXPECT_EQ(counter.dismissed, 0); // dismissals by code tell nobody
}

TEST_F(Shown, ABarItemWithoutAWindowShowsNothing) {
    BarButtonItem item("Help", {});
    foundation::LogCapture log;
    tip->presentPointingAtBarButtonItem(item, true);
    EXPECT_TRUE(log.contains("Cannot determine container view from UIBarButtonItem: "));
    EXPECT_TRUE(gone());
}

TEST_F(Shown, ABarItemOnABarPointsFromItsWindow) {
    auto screen = std::make_shared<ViewController>();
    auto item = std::make_shared<BarButtonItem>("Help", BarButtonItem::Action{});
    screen->navigationItem().setRightBarButtonItem(item);
    host.window().setRootViewController(std::make_shared<NavigationController>(screen));
    host.drain();
    tip->presentPointingAtBarButtonItem(*item, false);
    ASSERT_TRUE(std::holds_alternative<BarButtonItem*>(tip->targetObject()));
    EXPECT_EQ(std::get<BarButtonItem*>(tip->targetObject()), item.get());
    EXPECT_EQ(tip->superview(), &host.window());
    EXPECT_EQ(tip->getPointDirection(), 1); // the bar is at the top
    Rect button = item->view()->convertRectToView(item->view()->bounds(), nullptr);
    EXPECT_NEAR(tip->frame().origin.x + 2 + tip->targetPoint().x, std::min(button.midX(), 1024 - 2 - 10 - 12.0), 1);
}

} // namespace
