// Popovers on the pad and phone idioms, traits per window and per controller, segues and the registry.
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/ViewController.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace ui;

struct Dismissals : PopoverPresentationControllerDelegate {
    int count = 0;
    void popoverPresentationControllerDidDismissPopover(ViewController&) override { ++count; }
};

struct PopoverCase {
    UserInterfaceIdiom idiom;
    Size screen;
    bool expectFullScreen;
};

TEST(Popover, PadShowsItBesideTheAnchorPhoneFullScreenAndATapOutsideDismissesIt) {
    const PopoverCase cases[] = {
        {UserInterfaceIdiom::Pad, {1024, 768}, false},
        {UserInterfaceIdiom::Phone, {375, 667}, true},
    };
    for (const auto& c : cases) {
        host::HeadlessHost host(c.screen, c.idiom);
        Driver driver(host.window(), host);
        auto root = std::make_shared<ViewController>();
        host.window().setRootViewController(root);
        auto anchor = std::make_shared<Button>(Rect{300, 100, 80, 30});
        anchor->setTitle("Filter");
        root->view().addSubview(anchor);
        auto pop = std::make_shared<ViewController>();
        pop->setModalPresentationStyle(ModalPresentationStyle::Popover);
        pop->setPreferredContentSize({300, 200});
        const Color tint{1, 0.8, 0.4, 1};
        pop->view().setBackgroundColor(tint);
        Dismissals dismissals;
        pop->popoverPresentationController().sourceView = anchor.get();
        pop->popoverPresentationController().delegate = &dismissals;
        root->presentViewController(pop, true);
        host.drain();
        Rect frame = pop->view().convertRectToView(pop->view().bounds(), nullptr);
        if (c.expectFullScreen) {
            EXPECT_EQ(frame, (Rect{{0, 0}, c.screen}));
            EXPECT_EQ(pop->popoverPresentationController().arrowDirection, 0u);
            root->dismissViewController(true);
            host.drain();
            EXPECT_EQ(dismissals.count, 0); // dismissed by code: no callback
            continue;
        }
        // Below the anchor (300...380 x 100...130), centred on it, standing off by the arrow's 13 points.
        EXPECT_EQ(frame, (Rect{190, 143, 300, 200}));
        EXPECT_EQ(pop->popoverPresentationController().arrowDirection, unsigned(ArrowUp));
        // The arrow fills the gap, its tip at the anchor's middle, in the popover's colour.
        View* arrow = driver.find("popoverArrow");
        ASSERT_NE(arrow, nullptr);
        EXPECT_EQ(arrow->convertRectToView(arrow->bounds(), nullptr), (Rect{327, 130, 26, 13}));
        gfx::Image shot = driver.screenshot();
        auto near = [](Color a, Color b) {
            return std::fabs(a.red - b.red) < 0.02 && std::fabs(a.green - b.green) < 0.02 &&
                   std::fabs(a.blue - b.blue) < 0.02;
        };
        EXPECT_TRUE(near(shot.pixel(340, 140), tint)); // inside the triangle, near its base
        EXPECT_TRUE(near(shot.pixel(329, 131), Color::white())); // beside its tip
        // A tap inside the popover stays; a tap outside dismisses it and tells the delegate.
        driver.tapAt({frame.midX(), frame.midY()});
        EXPECT_EQ(root->presentedViewController(), pop.get());
        driver.tapAt({900, 700});
        EXPECT_EQ(root->presentedViewController(), nullptr);
        EXPECT_EQ(dismissals.count, 1);
        EXPECT_EQ(driver.find("popoverBackdrop"), nullptr);
    }
}

TEST(Traits, WindowTraitsReachControllersAndAnOverrideWins) {
    host::HeadlessHost host({375, 667}, UserInterfaceIdiom::Phone);
    auto root = std::make_shared<NavigationController>(std::make_shared<ViewController>());
    host.window().setRootViewController(root);
    ViewController* top = root->topViewController();
    EXPECT_EQ(top->traitCollection().idiom, UserInterfaceIdiom::Phone);
    EXPECT_EQ(top->traitCollection().horizontalSizeClass, SizeClass::Compact);
    // A report drawn off-screen sees the regular size class in every idiom.
    auto report = std::make_shared<ViewController>();
    TraitCollection regular = TraitCollection::forScreen(UserInterfaceIdiom::Phone, {375, 667});
    regular.horizontalSizeClass = SizeClass::Regular;
    report->setOverrideTraitCollection(regular);
    EXPECT_EQ(report->traitCollection().horizontalSizeClass, SizeClass::Regular);
    EXPECT_EQ(TraitCollection::forScreen(UserInterfaceIdiom::Phone, {667, 375}).verticalSizeClass,
              SizeClass::Compact);
}

TEST(Popover, AnActionSheetAnchoredAtABarItemIsItsPanelOnAPadAndABottomSheetOnAPhone) {
    for (UserInterfaceIdiom idiom : {UserInterfaceIdiom::Pad, UserInterfaceIdiom::Phone}) {
        const Size screen = idiom == UserInterfaceIdiom::Pad ? Size{1024, 768} : Size{375, 667};
        host::HeadlessHost host(screen, idiom);
        Driver driver(host.window(), host);
        auto root = std::make_shared<ViewController>();
        auto nav = std::make_shared<NavigationController>(root);
        auto share = std::make_shared<BarButtonItem>(BarButtonItem::SystemItem::Action, [](BarButtonItem&) {});
        root->navigationItem().setRightBarButtonItem(share);
        host.window().setRootViewController(nav);
        host.drain();
        auto sheet = std::make_shared<AlertController>("Export", "", AlertControllerStyle::ActionSheet);
        std::vector<std::string> chosen;
        for (const char* title : {"Cancel", "Email", "Open"})
            sheet->addAction({title, AlertActionStyle::Default, [&](const AlertAction& a) { chosen.push_back(a.title); }});
        sheet->setModalPresentationStyle(ModalPresentationStyle::Popover);
        sheet->popoverPresentationController().barButtonItem = share.get();
        root->presentViewController(sheet, true);
        host.drain();
        View* panel = driver.find("alert");
        ASSERT_NE(panel, nullptr);
        const Rect frame = panel->convertRectToView(panel->bounds(), nullptr);
        if (idiom == UserInterfaceIdiom::Pad) {
            // The panel is the popover: no dimmed view, just below the item.
            EXPECT_EQ(&sheet->view(), panel);
            EXPECT_EQ(sheet->popoverPresentationController().arrowDirection, unsigned(ArrowUp));
            const Rect item = share->view()->convertRectToView(share->view()->bounds(), nullptr);
            EXPECT_EQ(frame.minY(), item.maxY() + 13);
            EXPECT_EQ(frame.size, sheet->preferredContentSize());
        } else {
            EXPECT_EQ(sheet->view().bounds().size, screen);
            EXPECT_EQ(frame.maxY(), screen.height - 8);
        }
        driver.tapText("Email");
        EXPECT_EQ(chosen, std::vector<std::string>{"Email"});
        EXPECT_EQ(root->presentedViewController(), nullptr);
    }
}

struct Source : ViewController {
    std::string prepared;
    void prepareForSegue(const std::string& identifier, ViewController& destination) override {
        prepared = identifier;
        destination.setTitle("Prepared");
    }
};

TEST(Segues, ARegisteredSegueIsPushedOrPresentedAsItsDestinationAsksAndTheRegistryMakesControllers) {
    host::HeadlessHost host;
    auto source = std::make_shared<Source>();
    auto nav = std::make_shared<NavigationController>(source);
    host.window().setRootViewController(nav);
    source->registerSegue("variableDetail", [] { return std::make_shared<ViewController>(); });
    EXPECT_FALSE(source->performSegueWithIdentifier("nothing"));
    ASSERT_TRUE(source->performSegueWithIdentifier("variableDetail"));
    EXPECT_EQ(source->prepared, "variableDetail");
    EXPECT_EQ(nav->topViewController()->title(), "Prepared");

    // A destination styled as a popover is presented from inside the stack, anchored where the
    // preparation set it, and the stack keeps what it had.
    nav->popViewControllerAnimated(false);
    host.drain();
    auto anchor = std::make_shared<Button>(Rect{300, 100, 80, 30});
    source->view().addSubview(anchor);
    source->registerSegue("where", [&] {
        auto editor = std::make_shared<NavigationController>(std::make_shared<ViewController>());
        editor->setModalPresentationStyle(ModalPresentationStyle::Popover);
        editor->setPreferredContentSize({320, 300});
        editor->popoverPresentationController().sourceView = anchor.get();
        return editor;
    });
    const size_t depth = nav->viewControllers().size();
    ASSERT_TRUE(source->performSegueWithIdentifier("where"));
    host.drain();
    EXPECT_EQ(nav->viewControllers().size(), depth);
    auto* shown = dynamic_cast<NavigationController*>(source->presentedViewController());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->viewControllers().size(), 1u);
    EXPECT_EQ(shown->popoverPresentationController().arrowDirection, unsigned(ArrowUp));
    // Below the anchor, centred on it, standing off by the arrow's height.
    const Rect at = anchor->convertRectToView(anchor->bounds(), nullptr);
    const Rect frame = shown->view().convertRectToView(shown->view().bounds(), nullptr);
    EXPECT_EQ(frame, (Rect{at.midX() - 160, at.maxY() + 13, 320, 300}));
    source->dismissViewController(false);
    host.drain();

    ControllerRegistry::shared().registerController("WhereColumn", [] {
        auto c = std::make_shared<ViewController>();
        c->setTitle("Where");
        return c;
    });
    auto made = ControllerRegistry::shared().instantiateViewControllerWithIdentifier("WhereColumn");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->title(), "Where");
    EXPECT_EQ(ControllerRegistry::shared().instantiateViewControllerWithIdentifier("missing"), nullptr);
}

} // namespace
