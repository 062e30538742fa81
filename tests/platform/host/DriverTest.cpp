// The headless host driven like a user: taps through hit testing and recognizers, typing, gestures,
// scrolling, animations on the virtual clock, a worker's hop to main, the tree dump and screenshots.
#include "platform/ui/Driver.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Control.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TextField.h"
#include "tests/RenderChecks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <thread>

namespace {

using namespace ui;

// A small form: a panel with a tap recognizer holding a button, a label, a field, a switch and a
// segmented control.
struct Form : ::testing::Test {
    host::HeadlessHost host{{320, 480}};
    Driver driver{host.window(), host};
    std::shared_ptr<View> panel = View::make(Rect{0, 0, 320, 300});
    std::shared_ptr<Button> button = std::make_shared<Button>(Rect{20, 20, 120, 40});
    std::shared_ptr<Label> label = std::make_shared<Label>(Rect{20, 70, 200, 30});
    std::shared_ptr<TextField> field = std::make_shared<TextField>(Rect{20, 110, 200, 30});
    std::shared_ptr<Switch> toggle = std::make_shared<Switch>(Rect{20, 150, 0, 0});
    std::shared_ptr<SegmentedControl> segments = std::make_shared<SegmentedControl>(
        std::vector<std::string>{"One", "Two", "Three"}, Rect{20, 200, 240, 30});
    std::shared_ptr<TapGestureRecognizer> panelTap;
    int buttonTaps = 0;
    int panelTaps = 0;

    void SetUp() override {
        host.window().addSubview(panel);
        for (View* v : std::initializer_list<View*>{button.get(), label.get(), field.get(), toggle.get(),
                                                    segments.get()})
            panel->addSubview(v->shared_from_this());
        panel->setIdentifier("panel");
        button->setIdentifier("okButton");
        button->setTitle("OK");
        label->setIdentifier("statusLabel");
        label->setText("Ready");
        field->setIdentifier("nameField");
        field->setPlaceholder("Name");
        field->setBorderStyle(TextBorderStyle::RoundedRect);
        toggle->setIdentifier("toggle");
        segments->setIdentifier("segments");
        button->addTarget(TouchUpInside, [this](Control&) {
            ++buttonTaps;
            label->setText("Tapped " + std::to_string(buttonTaps));
        });
        panelTap = std::make_shared<TapGestureRecognizer>([this](GestureRecognizer&) { ++panelTaps; });
        panel->addGestureRecognizer(panelTap);
    }
};

TEST_F(Form, AControlUnderTheFingerWinsOverARecognizerOnAnAncestor) {
    EXPECT_EQ(driver.tap("okButton"), button.get());
    EXPECT_EQ(buttonTaps, 1);
    EXPECT_EQ(panelTaps, 0);
    EXPECT_EQ(driver.text("statusLabel"), "Tapped 1");

    // The label takes no touches: the panel's recognizer gets them.
    EXPECT_EQ(driver.tap("statusLabel"), panel.get());
    EXPECT_EQ(panelTaps, 1);
    EXPECT_EQ(buttonTaps, 1);

    // A disabled button still takes the touch (nothing behind it fires) but sends nothing.
    button->setEnabled(false);
    driver.tap(button.get());
    EXPECT_EQ(buttonTaps, 1);
    EXPECT_EQ(panelTaps, 1);
}

TEST_F(Form, ARecognizerDelegateCanRefuseATouch) {
    struct Refuser : GestureRecognizerDelegate {
        bool gestureRecognizerShouldReceiveTouch(GestureRecognizer&, const Touch& t) override {
            return t.locationInWindow.y < 250;
        }
    } refuser;
    panelTap->setDelegate(&refuser);
    driver.tapAt({300, 100});
    driver.tapAt({300, 280});
    EXPECT_EQ(panelTaps, 1);
}

TEST_F(Form, AButtonTracksTheFingerAndFiresOnlyOnTouchUpInside) {
    int downs = 0, outside = 0;
    button->addTarget(TouchDown, [&](Control&) { ++downs; });
    button->addTarget(TouchUpOutside, [&](Control&) { ++outside; });
    Window& w = host.window();
    w.touchBegan(1, {80, 40});
    EXPECT_TRUE(button->isHighlighted());
    EXPECT_EQ(button->state(), StateHighlighted);
    w.touchMoved(1, {80, 45});
    w.touchMoved(1, {300, 45});
    EXPECT_FALSE(button->isHighlighted());
    w.touchEnded(1, {300, 45});
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(outside, 1);
    EXPECT_EQ(buttonTaps, 0);
    EXPECT_EQ(panelTaps, 0);
}

TEST_F(Form, TypingChangesTheFieldAndReportsEveryEdit) {
    struct Delegate : TextFieldDelegate {
        int returns = 0, ended = 0;
        bool shouldChangeCharactersInRange(TextField&, TextRange, const std::string& s) override {
            return s.find('#') == std::string::npos;
        }
        bool textFieldShouldReturn(TextField& f) override {
            ++returns;
            f.resignFirstResponder();
            return true;
        }
        void textFieldDidEndEditing(TextField&) override { ++ended; }
    } delegate;
    field->setDelegate(&delegate);
    int changes = 0, notified = 0, endEvents = 0;
    field->addTarget(EditingChanged, [&](Control&) { ++changes; });
    field->addTarget(EditingDidEnd, [&](Control&) { ++endEvents; });
    auto token = foundation::NotificationCenter::defaultCenter().observe(
        TextFieldTextDidChangeNotification, field.get(),
        [&](const foundation::Notification&) { ++notified; });

    EXPECT_FALSE(driver.type("x")); // nothing is first responder yet
    ASSERT_TRUE(driver.typeInto(field.get(), "Gr"));
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_TRUE(field->isEditing());
    EXPECT_EQ(panelTaps, 0);
    EXPECT_TRUE(driver.type("ü"));
    EXPECT_TRUE(driver.type("#")); // refused by the delegate
    EXPECT_TRUE(driver.type("n"));
    EXPECT_EQ(field->text(), "Grün");
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(notified, 3);
    // Deleting backwards removes whole characters, not bytes.
    driver.deleteBackward(2);
    EXPECT_EQ(field->text(), "Gr");
    field->setSelectedRange({0, 1});
    driver.type("K");
    EXPECT_EQ(field->text(), "Kr");

    EXPECT_TRUE(driver.pressReturn());
    EXPECT_EQ(delegate.returns, 1);
    EXPECT_EQ(delegate.ended, 1);
    EXPECT_EQ(endEvents, 1);
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_EQ(driver.findByText("Kr"), field.get());
}

TEST_F(Form, EndEditingResignsTheFirstResponderInside) {
    driver.tap(field.get());
    ASSERT_TRUE(field->isFirstResponder());
    EXPECT_TRUE(host.window().endEditing(false));
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_EQ(host.window().firstResponder(), nullptr);
}

TEST_F(Form, AFieldTakenOutOfTheWindowWhileEditedEndsItsEditing) {
    std::vector<std::string> ended;
    field->addTarget(EditingDidEnd, [&](Control& c) { ended.push_back(static_cast<TextField&>(c).text()); });
    // Removed with the panel it is in, as a reused cell's field is.
    ASSERT_TRUE(driver.typeInto(field.get(), "typed"));
    panel->removeFromSuperview();
    EXPECT_EQ(ended, std::vector<std::string>{"typed"});
    EXPECT_FALSE(field->isEditing());
    EXPECT_EQ(host.window().firstResponder(), nullptr);
    // Removing what holds no first responder ends nothing.
    host.window().addSubview(panel);
    label->removeFromSuperview();
    EXPECT_EQ(ended.size(), 1u);
}

TEST_F(Form, ATextWiderThanItsFieldShowsItsStartAndWhileEditingItsCaret) {
    const std::string text = "the beginning of a text far too long for the field, and its end";
    field->setText(text);
    // The field's pixels, and the last dark (text) and blue (caret) columns along its middle line.
    auto fieldPixels = [&] {
        Rect f = field->frame();
        return driver.screenshot().cropped({f.minX(), f.minY(), f.width(), f.height()});
    };
    auto columns = [&] {
        auto image = driver.screenshot();
        Rect f = field->frame();
        int text = -1, caret = -1;
        for (int x = int(f.minX()) + 3; x < int(f.maxX()) - 3; ++x)
            for (int y = int(f.midY()) - 4; y <= int(f.midY()) + 4; ++y) {
                Color c = image.pixel(x, y);
                if (c.blue > 0.6 && c.red < 0.4)
                    caret = x;
                else if (c.red < 0.5)
                    text = x;
            }
        return std::pair{text, caret};
    };
    // Not editing: centred or right-aligned, it shows its start as if left-aligned, rather than its middle.
    auto left = fieldPixels();
    for (auto alignment : {gfx::TextAlignment::Center, gfx::TextAlignment::Right}) {
        field->setTextAlignment(alignment);
        EXPECT_EQ(renderChecks::compareImages(fieldPixels(), left, 0).off, 0);
    }
    // Editing with the caret at the end: the text moves left so that its end shows, the caret after it.
    driver.tap(field.get());
    ASSERT_TRUE(field->isFirstResponder());
    auto [lastText, caret] = columns();
    ASSERT_GT(caret, 0);
    EXPECT_LE(lastText, caret);
    EXPECT_GE(lastText, caret - 5);
    EXPECT_GE(caret, field->frame().maxX() - 12);
    // A short text keeps its alignment.
    field->setText("mid");
    host.window().endEditing(true);
    auto image = driver.screenshot();
    Rect f = field->frame();
    int first = -1, last = -1;
    for (int x = int(f.minX()) + 3; x < int(f.maxX()) - 3; ++x)
        if (image.pixel(x, int(f.midY())).red < 0.5 || image.pixel(x, int(f.midY()) + 2).red < 0.5) {
            if (first < 0)
                first = x;
            last = x;
        }
    EXPECT_NEAR((first + last) / 2.0, f.maxX() - 7 - field->font().widthOf("mid") / 2, 3) << "right-aligned";
}

TEST_F(Form, SwitchAndSegmentsChangeOnTaps) {
    int switchChanges = 0, segmentChanges = 0;
    toggle->addTarget(ValueChanged, [&](Control&) { ++switchChanges; });
    segments->addTarget(ValueChanged, [&](Control&) { ++segmentChanges; });
    driver.tap(toggle.get());
    EXPECT_TRUE(toggle->isOn());
    driver.tapAt(segments->convertPointToView({200, 15}, nullptr));
    EXPECT_EQ(segments->selectedSegmentIndex(), 2);
    driver.tapAt(segments->convertPointToView({200, 15}, nullptr)); // the same segment again: no change
    segments->setEnabledForSegmentAtIndex(false, 0);
    driver.tapAt(segments->convertPointToView({10, 15}, nullptr));
    EXPECT_EQ(segments->selectedSegmentIndex(), 2);
    EXPECT_EQ(switchChanges, 1);
    EXPECT_EQ(segmentChanges, 1);
    EXPECT_EQ(driver.text(segments.get()), "Three");
}

TEST_F(Form, LongPressBeginsAfterItsTimeOnTheVirtualClockAndBeatsTheTap) {
    std::vector<GestureState> states;
    Point where;
    auto press = std::make_shared<LongPressGestureRecognizer>([&](GestureRecognizer& g) {
        states.push_back(g.state());
        where = g.locationInView(panel.get());
    });
    panel->addGestureRecognizer(press);
    Window& w = host.window();
    w.touchBegan(1, {300, 250});
    host.advance(0.4);
    EXPECT_TRUE(states.empty());
    host.advance(0.2);
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(states[0], GestureState::Began);
    EXPECT_EQ(where, (Point{300, 250}));
    w.touchEnded(1, {300, 250});
    EXPECT_EQ(states.back(), GestureState::Ended);
    EXPECT_EQ(panelTaps, 0);

    // A short press is a tap.
    states.clear();
    driver.tapAt({300, 250});
    host.advance(1);
    EXPECT_TRUE(states.empty());
    EXPECT_EQ(panelTaps, 1);
}

TEST_F(Form, SwipesAreRecognizedInTheirDirectionOnly) {
    int lefts = 0;
    auto swipe = std::make_shared<SwipeGestureRecognizer>([&](GestureRecognizer&) { ++lefts; });
    swipe->setDirection(SwipeLeft);
    panel->addGestureRecognizer(swipe);
    driver.swipe(panel.get(), SwipeRight);
    EXPECT_EQ(lefts, 0);
    driver.swipe(panel.get(), SwipeLeft);
    EXPECT_EQ(lefts, 1);
    EXPECT_EQ(panelTaps, 0);
}

TEST_F(Form, TreeDumpShowsIdentifiersAndTexts) {
    std::string tree = driver.dumpTree();
    EXPECT_NE(tree.find("ui::Window (0 0; 320 480)"), std::string::npos) << tree;
    EXPECT_NE(tree.find("  ui::View (0 0; 320 300) id=panel"), std::string::npos) << tree;
    EXPECT_NE(tree.find("    ui::Button (20 20; 120 40) id=okButton \"OK\""), std::string::npos) << tree;
    EXPECT_NE(tree.find("id=nameField \"Name\""), std::string::npos) << tree;
}

// A hit-test override seen through the driver: an overlay that lets touches through to the button.
TEST_F(Form, HitTestOverridesDecideWhereATapLands) {
    struct Overlay : View {
        using View::View;
        View* hitTest(Point p, const Event* e) override {
            View* hit = View::hitTest(p, e);
            return hit == this ? nullptr : hit;
        }
    };
    auto overlay = View::make<Overlay>(Rect{0, 0, 320, 480});
    host.window().addSubview(overlay);
    EXPECT_EQ(driver.tap(button.get()), button.get());
    EXPECT_EQ(buttonTaps, 1);
    EXPECT_EQ(driver.tapAt({300, 250}), panel.get());
    EXPECT_EQ(panelTaps, 1);
    // Without the override the overlay takes every touch.
    overlay->setUserInteractionEnabled(false);
    auto plain = View::make(Rect{0, 0, 320, 480});
    host.window().addSubview(plain);
    EXPECT_EQ(driver.tap(button.get()), plain.get());
    EXPECT_EQ(buttonTaps, 1);
}

struct Scrolling : ::testing::Test {
    host::HeadlessHost host{{320, 480}};
    Driver driver{host.window(), host};
    std::shared_ptr<ScrollView> scroll = std::make_shared<ScrollView>(Rect{0, 0, 320, 400});
    std::shared_ptr<Button> inside = std::make_shared<Button>(Rect{0, 100, 320, 60});
    struct Delegate : ScrollViewDelegate {
        int scrolls = 0, began = 0, ended = 0;
        void scrollViewDidScroll(ScrollView&) override { ++scrolls; }
        void scrollViewWillBeginDragging(ScrollView&) override { ++began; }
        void scrollViewDidEndDragging(ScrollView&, bool) override { ++ended; }
    } delegate;
    int taps = 0;
    void SetUp() override {
        scroll->setContentSize({320, 2000});
        scroll->setDelegate(&delegate);
        scroll->addSubview(inside);
        inside->setTitle("Row");
        inside->addTarget(TouchUpInside, [this](Control&) { ++taps; });
        host.window().addSubview(scroll);
    }
};

TEST_F(Scrolling, ADragScrollsTheContentAndCancelsTheControlUnderTheFinger) {
    driver.drag(inside.get(), {0, -150});
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 150}));
    EXPECT_EQ(taps, 0);
    EXPECT_FALSE(inside->isHighlighted());
    EXPECT_EQ(delegate.began, 1);
    EXPECT_EQ(delegate.ended, 1);
    EXPECT_GT(delegate.scrolls, 0);
    // Past the end the offset stops at the content's end.
    driver.drag(scroll.get(), {0, -5000});
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 1600}));
    // A plain tap on the row still reaches it once it is visible again.
    scroll->setContentOffset({0, 0});
    driver.tap(inside.get());
    EXPECT_EQ(taps, 1);
}

TEST_F(Scrolling, WheelDeltasAreMappedThroughTheViewsTransform) {
    EXPECT_TRUE(driver.scrollWheel(scroll.get(), {0, 40}));
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 40}));
    EXPECT_FALSE(driver.scrollWheel(scroll.get(), {40, 0})); // no room sideways

    // Turned a quarter, the content's y axis runs along the window's x axis.
    scroll->setContentOffset({0, 0});
    scroll->setTransform(AffineTransform::rotation(-M_PI / 2));
    scroll->setCenter({160, 240});
    EXPECT_TRUE(driver.scrollWheel(scroll.get(), {30, 0}));
    EXPECT_NEAR(scroll->contentOffset().x, 0, 1e-9);
    EXPECT_NEAR(scroll->contentOffset().y, 30, 1e-9);
}

struct Animations : ::testing::Test {
    host::HeadlessHost host{{200, 200}};
    std::shared_ptr<View> box = View::make(Rect{0, 0, 20, 20});
    void SetUp() override { host.window().addSubview(box); }
};

TEST_F(Animations, ABlockAnimatesOnTheVirtualClockAndCompletesAfterwards) {
    std::vector<double> completedAt;
    View::animate(
        1.0, 0, AnimationOptionCurveLinear,
        [&] {
            box->setAlpha(0);
            box->setCenter({110, 10});
        },
        [&](bool finished) {
            EXPECT_TRUE(finished);
            completedAt.push_back(host.now());
        });
    // The model value is the new one at once; the presentation moves with the clock.
    EXPECT_EQ(box->alpha(), 0);
    host.advance(0.5);
    EXPECT_NEAR(box->layer().presentationOpacity(), 0.5, 0.02);
    EXPECT_NEAR(box->layer().presentationPosition().x, 60, 1);
    EXPECT_TRUE(completedAt.empty());
    host.advance(0.6);
    ASSERT_EQ(completedAt.size(), 1u);
    EXPECT_NEAR(completedAt[0], 1.0, 0.02);
    EXPECT_EQ(box->layer().presentationOpacity(), 0);
}

TEST_F(Animations, ATransformAnimatesFromWhereItIsShownAndTheNextBlockTakesOverMidway) {
    box->setTransform(gfx::AffineTransform::scale(0.75, 0.75));
    View::animate(1.0, 0, AnimationOptionCurveLinear,
                  [&] { box->setTransform(gfx::AffineTransform::scale(1.25, 1.25).translated(0, 8)); });
    EXPECT_EQ(box->transform().a, 1.25);
    host.advance(0.5);
    auto mid = box->layer().presentationTransform();
    EXPECT_NEAR(mid.a, 1.0, 0.02);
    EXPECT_NEAR(mid.d, 1.0, 0.02);
    EXPECT_NEAR(mid.ty, 5.0, 0.2);  // the translation is scaled with the transform it is part of
    // A new block starts from the shown transform, not from the model value.
    View::animate(1.0, 0, AnimationOptionCurveLinear, [&] { box->setTransform(gfx::AffineTransform::identity()); });
    host.advance(0.5);
    EXPECT_NEAR(box->layer().presentationTransform().a, 1.0, 0.02);
    EXPECT_NEAR(box->layer().presentationTransform().ty, 2.5, 0.2);
    host.advance(0.6);
    EXPECT_TRUE(box->layer().presentationTransform().isIdentity());
    // Outside a block the transform changes at once.
    box->setTransform(gfx::AffineTransform::scale(2, 2));
    EXPECT_EQ(box->layer().presentationTransform().a, 2);
}

TEST_F(Animations, ChainedThroughCompletionsWithDelaysAndLayoutInside) {
    struct Parent : View {
        using View::View;
        double childWidth = 10;
        void layoutSubviews() override {
            if (!subviews().empty())
                subviews()[0]->setFrame({0, 0, childWidth, 10});
        }
    };
    auto parent = View::make<Parent>(Rect{0, 50, 200, 50});
    auto child = View::make();
    parent->addSubview(child);
    host.window().addSubview(parent);
    host.drain();
    std::vector<std::string> steps;
    View::animate(
        0.5,
        [&] {
            box->setCenter({50, 50});
        },
        [&](bool) {
            steps.push_back("moved");
            View::animate(
                0.5, 0.25, AnimationOptionNone,
                [&] {
                    parent->childWidth = 100;
                    parent->setNeedsLayout();
                    parent->layoutIfNeeded();
                },
                [&](bool) { steps.push_back("laid out"); });
        });
    EXPECT_TRUE(host.waitUntilIdle());
    EXPECT_EQ(steps, (std::vector<std::string>{"moved", "laid out"}));
    EXPECT_NEAR(host.now(), 1.25, 0.05);
    EXPECT_EQ(child->frame().size.width, 100);

    // The layout inside the block animated: halfway through it the width was between.
    View::animate(1, 0, AnimationOptionCurveLinear, [&] {
        parent->childWidth = 200;
        parent->setNeedsLayout();
        parent->layoutIfNeeded();
    });
    host.advance(0.5);
    EXPECT_NEAR(child->layer().presentationBounds().size.width, 150, 2);
}

TEST_F(Animations, ARepeatingAnimationDoesNotKeepIdleFromEnding) {
    auto spinner = std::make_shared<ActivityIndicatorView>();
    host.window().addSubview(spinner);
    spinner->startAnimating();
    bool done = false;
    View::animate(
        0.3, [&] { box->setAlpha(0.2); }, [&](bool) { done = true; });
    EXPECT_TRUE(host.waitUntilIdle(10));
    EXPECT_TRUE(done);
    EXPECT_LT(host.now(), 1);
    EXPECT_TRUE(spinner->isAnimating());
    spinner->stopAnimating();
    EXPECT_TRUE(spinner->isHidden());
}

TEST_F(Animations, WithNoClockChangesHappenAtOnceAndTheCompletionStillRuns) {
    auto loose = View::make(Rect{0, 0, 10, 10}); // in no window: no clock
    bool finished = false;
    View::animate(
        1, [&] { loose->setAlpha(0.5); }, [&](bool f) { finished = f; });
    EXPECT_EQ(loose->layer().presentationOpacity(), 0.5);
    host.drain();
    EXPECT_TRUE(finished);
}

TEST(HeadlessLoop, AWorkersSyncHopRunsOnMainWhileTheLoopRuns) {
    host::HeadlessHost host;
    std::atomic<bool> ranOnMain{false};
    std::atomic<bool> workerDone{false};
    int value = 0;
    std::thread worker([&] {
        dispatch::mainQueue().sync([&] {
            ranOnMain = dispatch::isMainThread();
            value = 42;
        });
        workerDone = true;
        dispatch::mainQueue().async([] {});
    });
    EXPECT_TRUE(host.runUntil([&] { return workerDone.load(); }, 20));
    worker.join();
    EXPECT_TRUE(ranOnMain);
    EXPECT_EQ(value, 42);
}

TEST(HeadlessLoop, TimersFireOnTheVirtualClockOnly) {
    host::HeadlessHost host;
    std::vector<double> firedAt;
    auto timer = dispatch::after(2, dispatch::mainQueue(), [&] { firedAt.push_back(host.now()); });
    host.drain();
    EXPECT_TRUE(firedAt.empty());
    host.advance(1.99);
    EXPECT_TRUE(firedAt.empty());
    host.advance(0.02);
    ASSERT_EQ(firedAt.size(), 1u);
    EXPECT_NEAR(firedAt[0], 2, 1e-9);
}

TEST_F(Form, ScreenshotMatchesTheGoldenWithinATolerance) {
    panel->setBackgroundColor(gfx::Color{0.9, 0.95, 1, 1});
    button->layer().setBorderWidth(1);
    button->layer().setCornerRadius(6);
    button->layer().setBorderColor(gfx::Color{0, 0.478, 1, 1});
    toggle->setOn(true);
    segments->setSelectedSegmentIndex(1);
    field->setText("Ada");
    auto badge = View::make(Rect{250, 20, 40, 40});
    badge->setBackgroundColor(gfx::Color{1, 0.3, 0.2, 1});
    badge->layer().setCornerRadius(20);
    badge->layer().setShadowOpacity(0.5);
    panel->addSubview(badge);

    gfx::Image shot = driver.screenshot();
    ASSERT_EQ(shot.pixelWidth(), 320);
    ASSERT_EQ(shot.pixelHeight(), 480);
    const std::string golden = "tests/fixtures/ui/form.png";
    EXPECT_TRUE(renderChecks::matchesGolden(shot, golden));

    // A changed screen does not match: the comparison is not blind.
    label->setText("Something else entirely, written across the label");
    button->setTitle("Cancel");
    badge->setBackgroundColor(gfx::Color{0, 0, 1, 1});
    auto expected = gfx::Image::loadPNG(golden);
    ASSERT_TRUE(expected);
    EXPECT_GT(renderChecks::compareImages(driver.screenshot(), *expected).share(), 0.005);
    // A saved screenshot reads back as a PNG of the window's size.
    const std::string path = testing::TempDir() + "/form-shot.png";
    ASSERT_TRUE(driver.saveScreenshot(path));
    auto back = gfx::Image::loadPNG(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixelWidth(), 320);
}

} // namespace
