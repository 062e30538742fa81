// View controllers: a lazily loaded view with its life cycle, title and navigation item, children,
// and modal presentation; navigation and tab-bar containers; alerts and action sheets.
#pragma once

#include "platform/ui/Control.h"
#include "platform/ui/Traits.h"
#include "platform/ui/View.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class BarButtonItem;
class NavigationController;
class TabBarController;
class ViewController;

enum class ModalPresentationStyle { FullScreen, FormSheet, Popover };

enum PopoverArrowDirection : unsigned {
    ArrowUp = 1,
    ArrowDown = 2,
    ArrowLeft = 4,
    ArrowRight = 8,
    ArrowAny = 15
};

class PopoverPresentationControllerDelegate {
  public:
    virtual ~PopoverPresentationControllerDelegate() = default;
    // The user dismissed the popover (a tap outside it); not called when code dismisses it.
    virtual void popoverPresentationControllerDidDismissPopover(ViewController& presented) {}
};

// Where a popover points: a view and a rect in it, or a bar button item's view.
struct PopoverPresentation {
    View* sourceView = nullptr;
    Rect sourceRect;
    BarButtonItem* barButtonItem = nullptr;
    unsigned permittedArrowDirections = ArrowAny;
    PopoverPresentationControllerDelegate* delegate = nullptr;
    // The direction the arrow was given when shown (0: shown full screen).
    unsigned arrowDirection = 0;
};

class BarButtonItem {
  public:
    // Bookmarks shows our own glyph (an open book) instead of a title.
    enum class SystemItem { Done, Cancel, Edit, Save, Add, Action, Bookmarks };
    using Action = std::function<void(BarButtonItem&)>;
    BarButtonItem(std::string title, Action action) : title_(std::move(title)), action_(std::move(action)) {}
    BarButtonItem(SystemItem item, Action action);

    const std::string& title() const { return title_; }
    void setTitle(std::string title);
    std::optional<SystemItem> systemItem() const { return system_; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool on);
    // The button that shows the item on a bar (anchors popovers); made when the item is first shown.
    std::shared_ptr<Button> view();
    void trigger();

  private:
    std::string title_;
    std::optional<SystemItem> system_;
    Action action_;
    bool enabled_ = true;
    std::shared_ptr<Button> button_;
};

struct NavigationItem {
    std::string title;
    std::vector<std::shared_ptr<BarButtonItem>> leftBarButtonItems;
    std::vector<std::shared_ptr<BarButtonItem>> rightBarButtonItems;
    bool hidesBackButton = false;
    // The left items follow the back button instead of replacing it.
    bool leftItemsSupplementBackButton = false;
    void setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item) { leftBarButtonItems = {std::move(item)}; }
    void setRightBarButtonItem(std::shared_ptr<BarButtonItem> item) {
        rightBarButtonItems = {std::move(item)};
    }
};

struct TabBarItem {
    std::string title;
    bool enabled = true;
};

class ViewController : public std::enable_shared_from_this<ViewController> {
  public:
    using Ptr = std::shared_ptr<ViewController>;
    ViewController() = default;
    virtual ~ViewController() = default;
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    // Loads the view on first use (loadView, then viewDidLoad).
    View& view();
    std::shared_ptr<View> viewPtr();
    bool isViewLoaded() const { return view_ != nullptr; }
    void setView(std::shared_ptr<View> view) { view_ = std::move(view); }

    virtual void loadView();
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool animated) {}
    virtual void viewDidAppear(bool animated) {}
    virtual void viewWillDisappear(bool animated) {}
    virtual void viewDidDisappear(bool animated) {}
    virtual void viewWillTransitionToSize(Size size) {}
    // Tells this controller of a new window size, then the children shown in it and the controller it
    // presents (the window calls this on its root).
    void transitionToSize(Size size);

    const std::string& title() const { return title_; }
    void setTitle(std::string title);
    NavigationItem& navigationItem() { return navigationItem_; }
    TabBarItem& tabBarItem() { return tabBarItem_; }
    bool isEditing() const { return editing_; }
    virtual void setEditing(bool editing, bool animated) { editing_ = editing; }

    ViewController* parentViewController() const { return parent_; }
    NavigationController* navigationController() const;
    TabBarController* tabBarController() const;
    const std::vector<Ptr>& childViewControllers() const { return children_; }
    void addChildViewController(const Ptr& child);
    void removeFromParentViewController();

    // Modal presentation over this controller's window (full screen).
    void presentViewController(const Ptr& controller, bool animated, std::function<void()> completion = {});
    void dismissViewController(bool animated, std::function<void()> completion = {});
    ViewController* presentingViewController() const { return presenting_; }
    ModalPresentationStyle modalPresentationStyle() const { return presentationStyle_; }
    void setModalPresentationStyle(ModalPresentationStyle s) { presentationStyle_ = s; }
    Size preferredContentSize() const { return preferredContentSize_; }
    void setPreferredContentSize(Size s) { preferredContentSize_ = s; }
    PopoverPresentation& popoverPresentationController() { return popover_; }

    // The override, else the parent's or presenter's, else the window's, else the pad default.
    TraitCollection traitCollection() const;
    void setOverrideTraitCollection(std::optional<TraitCollection> traits) { traitOverride_ = traits; }

    // Segues: `prepareForSegue` runs before a segue's destination is shown.
    virtual void prepareForSegue(const std::string& identifier, ViewController& destination) {}
    // Makes the destination of a registered segue, prepares it and pushes it (in a navigation
    // controller) or presents it; a destination styled as a popover or form sheet is always presented,
    // anchored where `prepareForSegue` set its popover. False for an unknown identifier.
    bool performSegueWithIdentifier(const std::string& identifier);
    using SegueFactory = std::function<Ptr()>;
    void registerSegue(const std::string& identifier, SegueFactory factory) {
        segues_[identifier] = std::move(factory);
    }
    ViewController* presentedViewController() const { return presented_.get(); }

    // Appearance calls with the view shown in / removed from `container` (containers use these).
    // The calls reach the children shown inside, once per appearance.
    void showIn(View& container, const Rect& frame, bool animated);
    void hideFromSuperview(bool animated);

  private:
    enum class Appearance { Disappeared, Appearing, Appeared, Disappearing };
    void beginAppearance(bool appearing, bool animated);
    void endAppearance();
    std::vector<ViewController*> shownChildren() const;
    Appearance appearance_ = Appearance::Disappeared;
    bool appearanceAnimated_ = false;
    std::shared_ptr<View> view_;
    std::string title_;
    NavigationItem navigationItem_;
    TabBarItem tabBarItem_;
    bool editing_ = false;
    ViewController* parent_ = nullptr;
    std::vector<Ptr> children_;
    ViewController* presenting_ = nullptr;
    Ptr presented_;
    ModalPresentationStyle presentationStyle_ = ModalPresentationStyle::FullScreen;
    Size preferredContentSize_;
    PopoverPresentation popover_;
    std::optional<TraitCollection> traitOverride_;
    std::map<std::string, SegueFactory> segues_;
    // The layer under a pad popover that takes taps outside it.
    std::shared_ptr<View> popoverBackdrop_;
    void dismissPopoverByUser();
};

// A stack of controllers under a bar with the top one's title, back button and items.
class NavigationController : public ViewController {
  public:
    explicit NavigationController(Ptr root = nullptr);
    ~NavigationController() override;
    void loadView() override;

    const std::vector<Ptr>& viewControllers() const { return stack_; }
    void setViewControllers(std::vector<Ptr> controllers, bool animated);
    ViewController* topViewController() const { return stack_.empty() ? nullptr : stack_.back().get(); }
    void pushViewController(const Ptr& controller, bool animated);
    Ptr popViewControllerAnimated(bool animated);
    std::vector<Ptr> popToRootViewControllerAnimated(bool animated);
    std::vector<Ptr> popToViewController(const ViewController* controller, bool animated);
    bool isNavigationBarHidden() const { return barHidden_; }
    void setNavigationBarHidden(bool hidden, bool animated);
    // The bar: title label, back button ("navigationBack") and item buttons.
    View& navigationBar();
    // Rebuilds the bar from the top controller's navigation item.
    void updateBar();
    static constexpr double BarHeight = 44;
    // The background of every navigation bar, those already made and those made later (grey 0.97
    // until the app sets its own). Main thread.
    static void setDefaultBarBackgroundColor(Color color);
    static Color defaultBarBackgroundColor();
    // Places the bar's title between the left items (ending at `left`) and the right ones.
    static void placeNavigationTitle(View& bar, View& title, double left);

  private:
    void show(ViewController* from, bool animated);
    std::vector<Ptr> stack_;
    bool barHidden_ = false;
    std::shared_ptr<View> bar_;
    std::shared_ptr<View> content_;
};

// Tabs of controllers, one shown, with a bar of item buttons at the bottom.
class TabBarController : public ViewController {
  public:
    void loadView() override;
    const std::vector<Ptr>& viewControllers() const { return tabs_; }
    void setViewControllers(std::vector<Ptr> controllers);
    size_t selectedIndex() const { return selected_; }
    void setSelectedIndex(size_t index);
    ViewController* selectedViewController() const {
        return selected_ < tabs_.size() ? tabs_[selected_].get() : nullptr;
    }
    // Rebuilds the tab buttons from the items (titles and enabled states).
    void updateTabBar();
    View& tabBar();
    static constexpr double BarHeight = 49;

  private:
    std::vector<Ptr> tabs_;
    size_t selected_ = 0;
    std::shared_ptr<View> bar_;
    std::shared_ptr<View> content_;
};

// Makes controllers by their storyboard identifiers (once-only shared registry, main thread).
class ControllerRegistry {
  public:
    static ControllerRegistry& shared();
    void registerController(const std::string& identifier, std::function<ViewController::Ptr()> factory) {
        factories_[identifier] = std::move(factory);
    }
    // Null for an unknown identifier.
    ViewController::Ptr instantiateViewControllerWithIdentifier(const std::string& identifier) const;

  private:
    std::map<std::string, std::function<ViewController::Ptr()>> factories_;
};

enum class AlertActionStyle { Default, Cancel, Destructive };
enum class AlertControllerStyle { ActionSheet, Alert };

struct AlertAction {
    std::string title;
    AlertActionStyle style = AlertActionStyle::Default;
    std::function<void(const AlertAction&)> handler;
};

// An alert or action sheet; a tap on an action dismisses it, then runs the action's handler.
class AlertController : public ViewController {
  public:
    AlertController(std::string title, std::string message, AlertControllerStyle style)
        : message_(std::move(message)), style_(style) {
        setTitle(std::move(title));
        updatePreferredContentSize();
    }
    const std::string& message() const { return message_; }
    AlertControllerStyle preferredStyle() const { return style_; }
    void addAction(AlertAction action) {
        actions_.push_back(std::move(action));
        updatePreferredContentSize();
    }
    const std::vector<AlertAction>& actions() const { return actions_; }
    void loadView() override;
    // What a tap on the action's button does.
    void choose(size_t index);

  private:
    // The panel's size, for a presentation as a popover.
    void updatePreferredContentSize();
    std::string message_;
    AlertControllerStyle style_;
    std::vector<AlertAction> actions_;
};

} // namespace ui
