// Controller life cycle, containment and presentation; navigation and tab containers; alerts.
#include "platform/ui/ViewController.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Tr.h"
#include "platform/graphics/Output.h"
#include "platform/ui/Label.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {
const char* systemTitle(BarButtonItem::SystemItem item) {
    switch (item) {
    case BarButtonItem::SystemItem::Done:
        return "Done";
    case BarButtonItem::SystemItem::Cancel:
        return "Cancel";
    case BarButtonItem::SystemItem::Edit:
        return "Edit";
    case BarButtonItem::SystemItem::Save:
        return "Save";
    case BarButtonItem::SystemItem::Add:
        return "+";
    case BarButtonItem::SystemItem::Action:
        return "Share";
    case BarButtonItem::SystemItem::Bookmarks:
        return "";
    }
    return "";
}

// An open book, drawn in the bar's tint at twice the point size so it stays sharp on a dense screen.
gfx::Image bookGlyph() {
    auto bitmap = gfx::BitmapContext::pointsContext({24, 20}, 2);
    gfx::Context& ctx = bitmap->context();
    ctx.setStrokeColor(Color{0, 0.48, 1, 1});
    ctx.setLineWidth(1.6);
    for (double side : {-1.0, 1.0}) {
        ctx.beginPath();
        ctx.moveToPoint(12, 5);
        ctx.addCurveToPoint(12 + side * 3, 3, 12 + side * 7, 3, 12 + side * 10, 4);
        ctx.addLineToPoint(12 + side * 10, 17);
        ctx.addCurveToPoint(12 + side * 7, 16, 12 + side * 3, 16, 12, 18);
        ctx.closePath();
        ctx.strokePath();
    }
    ctx.beginPath();
    ctx.moveToPoint(12, 5);
    ctx.addLineToPoint(12, 18);
    ctx.strokePath();
    return bitmap->image();
}

void later(std::function<void()> block) {
    if (block)
        dispatch::mainQueue().async(std::move(block));
}
} // namespace

BarButtonItem::BarButtonItem(SystemItem item, Action action)
    : title_(foundation::tr(systemTitle(item))), system_(item), action_(std::move(action)) {}

void BarButtonItem::setTitle(std::string title) {
    title_ = std::move(title);
    if (button_)
        button_->setTitle(title_);
}

void BarButtonItem::setEnabled(bool on) {
    enabled_ = on;
    if (button_)
        button_->setEnabled(on);
}

std::shared_ptr<Button> BarButtonItem::view() {
    if (button_)
        return button_;
    button_ = std::make_shared<Button>();
    button_->setTitle(title_);
    if (system_ == SystemItem::Bookmarks)
        button_->setImage(bookGlyph());
    button_->setEnabled(enabled_);
    button_->addTarget(TouchUpInside, [this](Control&) { trigger(); });
    return button_;
}

void BarButtonItem::trigger() {
    if (enabled_ && action_)
        action_(*this);
}

// --- ViewController

View& ViewController::view() {
    return *viewPtr();
}

std::shared_ptr<View> ViewController::viewPtr() {
    if (!view_) {
        loadView();
        if (!view_)
            view_ = View::make();
        viewDidLoad();
    }
    return view_;
}

void ViewController::loadView() {
    view_ = View::make(Rect{0, 0, 320, 480});
    view_->setBackgroundColor(Color::white());
}

void ViewController::setTitle(std::string title) {
    // The bar's title follows unless it was given one of its own.
    if (navigationItem_.title.empty() || navigationItem_.title == title_)
        navigationItem_.title = title;
    if (tabBarItem_.title.empty())
        tabBarItem_.title = title;
    title_ = std::move(title);
    if (auto* nav = navigationController(); nav && nav->isViewLoaded())
        nav->updateBar();
}

NavigationController* ViewController::navigationController() const {
    for (ViewController* p = parent_; p; p = p->parent_)
        if (auto* nav = dynamic_cast<NavigationController*>(p))
            return nav;
    return nullptr;
}

TabBarController* ViewController::tabBarController() const {
    for (ViewController* p = parent_; p; p = p->parent_)
        if (auto* tabs = dynamic_cast<TabBarController*>(p))
            return tabs;
    return nullptr;
}

void ViewController::addChildViewController(const Ptr& child) {
    if (!child || child->parent_ == this)
        return;
    child->removeFromParentViewController();
    child->parent_ = this;
    children_.push_back(child);
}

void ViewController::removeFromParentViewController() {
    if (!parent_)
        return;
    auto keep = shared_from_this();
    auto& siblings = parent_->children_;
    std::erase_if(siblings, [&](const Ptr& p) { return p.get() == this; });
    parent_ = nullptr;
}

std::vector<ViewController*> ViewController::shownChildren() const {
    std::vector<ViewController*> out;
    for (const Ptr& c : children_)
        if (c->isViewLoaded() && view_ && c->view_->isDescendantOfView(view_.get()))
            out.push_back(c.get());
    return out;
}

void ViewController::transitionToSize(Size size) {
    viewWillTransitionToSize(size);
    for (ViewController* c : shownChildren())
        c->transitionToSize(size);
    if (presented_)
        presented_->transitionToSize(size);
}

void ViewController::beginAppearance(bool appearing, bool animated) {
    if (appearing && appearance_ == Appearance::Disappeared) {
        appearanceAnimated_ = animated;
        appearance_ = Appearance::Appearing;
        viewWillAppear(animated);
    } else if (!appearing && appearance_ == Appearance::Appeared) {
        appearanceAnimated_ = animated;
        appearance_ = Appearance::Disappearing;
        viewWillDisappear(animated);
    } else {
        return;
    }
    for (ViewController* c : shownChildren())
        c->beginAppearance(appearing, animated);
}

void ViewController::endAppearance() {
    if (appearance_ == Appearance::Appearing) {
        appearance_ = Appearance::Appeared;
        viewDidAppear(appearanceAnimated_);
    } else if (appearance_ == Appearance::Disappearing) {
        appearance_ = Appearance::Disappeared;
        viewDidDisappear(appearanceAnimated_);
    } else {
        return;
    }
    for (ViewController* c : shownChildren())
        c->endAppearance();
}

void ViewController::showIn(View& container, const Rect& frame, bool animated) {
    // Loading may show children already: they have appeared and are not told twice.
    auto v = viewPtr();
    beginAppearance(true, animated);
    v->setFrame(frame);
    v->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    container.addSubview(v);
    endAppearance();
}

void ViewController::hideFromSuperview(bool animated) {
    if (!view_ || !view_->superview())
        return;
    beginAppearance(false, animated);
    view_->removeFromSuperview();
    endAppearance();
}

namespace {
// Under a pad popover: takes the taps outside it.
class PopoverBackdrop : public View {
  public:
    using View::View;
    std::function<void()> onTap;
    void touchesBegan(const Touches&, const Event&) override {}
    void touchesEnded(const Touches& touches, const Event&) override {
        // Touches inside the popover pass up to here too: only a tap on the backdrop itself counts.
        if (onTap && !touches.empty() && touches.front()->view.lock().get() == this)
            onTap();
    }
};

// Places `size` beside `anchor` within `screen`, trying the permitted directions in the platform's
// order (below, above, right, left); answers the frame and the arrow's direction.
std::pair<Rect, unsigned> placePopover(Size size, const Rect& anchor, const Rect& screen,
                                       unsigned permitted) {
    auto clampX = [&](double x) {
        return std::clamp(x, screen.minX(), std::max(screen.minX(), screen.maxX() - size.width));
    };
    auto clampY = [&](double y) {
        return std::clamp(y, screen.minY(), std::max(screen.minY(), screen.maxY() - size.height));
    };
    if ((permitted & ArrowUp) && anchor.maxY() + size.height <= screen.maxY())
        return {{clampX(anchor.midX() - size.width / 2), anchor.maxY(), size.width, size.height}, ArrowUp};
    if ((permitted & ArrowDown) && anchor.minY() - size.height >= screen.minY())
        return {
            {clampX(anchor.midX() - size.width / 2), anchor.minY() - size.height, size.width, size.height},
            ArrowDown};
    if ((permitted & ArrowLeft) && anchor.maxX() + size.width <= screen.maxX())
        return {{anchor.maxX(), clampY(anchor.midY() - size.height / 2), size.width, size.height}, ArrowLeft};
    if ((permitted & ArrowRight) && anchor.minX() - size.width >= screen.minX())
        return {
            {anchor.minX() - size.width, clampY(anchor.midY() - size.height / 2), size.width, size.height},
            ArrowRight};
    return {{clampX(anchor.midX() - size.width / 2), clampY(anchor.maxY()), size.width, size.height},
            ArrowUp};
}

constexpr double kArrowHeight = 13;

// The popover's arrow: a triangle in the popover's colour whose tip touches the anchor's middle on the
// side the arrow direction names; its base lies on the popover's edge.
class PopoverArrow : public View {
  public:
    PopoverArrow(const Rect& frame, unsigned direction, Color color) : View(frame), direction_(direction), color_(color) {
        setUserInteractionEnabled(false);
    }
    void drawRect(gfx::Context& ctx, const Rect&) override {
        Rect b = bounds();
        std::vector<Point> points;
        switch (direction_) {
        case ArrowUp:
            points = {{b.midX(), b.minY()}, {b.maxX(), b.maxY()}, {b.minX(), b.maxY()}};
            break;
        case ArrowDown:
            points = {{b.midX(), b.maxY()}, {b.minX(), b.minY()}, {b.maxX(), b.minY()}};
            break;
        case ArrowLeft:
            points = {{b.minX(), b.midY()}, {b.maxX(), b.minY()}, {b.maxX(), b.maxY()}};
            break;
        default:
            points = {{b.maxX(), b.midY()}, {b.minX(), b.maxY()}, {b.minX(), b.minY()}};
            break;
        }
        ctx.setFillColor(color_);
        ctx.addLines(points);
        ctx.closePath();
        ctx.fillPath();
    }

  private:
    unsigned direction_;
    Color color_;
};

// Where the arrow of a popover at `frame` stands: its tip at the anchor's middle, kept within the
// popover's straight edge (clear of the rounded corners).
Rect arrowFrame(const Rect& frame, const Rect& anchor, unsigned direction, double corner) {
    const double h = kArrowHeight, half = kArrowHeight;
    if (direction == ArrowUp || direction == ArrowDown) {
        double x = std::clamp(anchor.midX(), frame.minX() + corner + half, std::max(frame.minX() + corner + half, frame.maxX() - corner - half));
        double y = direction == ArrowUp ? frame.minY() - h : frame.maxY();
        return {x - half, y, 2 * half, h};
    }
    double y = std::clamp(anchor.midY(), frame.minY() + corner + half, std::max(frame.minY() + corner + half, frame.maxY() - corner - half));
    double x = direction == ArrowLeft ? frame.minX() - h : frame.maxX();
    return {x, y - half, h, 2 * half};
}
} // namespace

TraitCollection ViewController::traitCollection() const {
    if (traitOverride_)
        return *traitOverride_;
    if (parent_)
        return parent_->traitCollection();
    if (presenting_)
        return presenting_->traitCollection();
    if (view_)
        if (Window* w = view_->window())
            return w->traitCollection();
    if (Window* key = Application::shared().keyWindow())
        return key->traitCollection();
    return {};
}

bool ViewController::performSegueWithIdentifier(const std::string& identifier) {
    auto it = segues_.find(identifier);
    if (it == segues_.end() || !it->second)
        return false;
    Ptr destination = it->second();
    if (!destination)
        return false;
    prepareForSegue(identifier, *destination);
    // A destination that asks to be presented (a popover, a form sheet) is presented even from inside a
    // navigation stack: pushing it would put a container into the stack of another.
    const bool presents = destination->modalPresentationStyle() != ModalPresentationStyle::FullScreen;
    if (auto* nav = navigationController(); nav && !presents)
        nav->pushViewController(destination, true);
    else
        presentViewController(destination, true);
    return true;
}

ControllerRegistry& ControllerRegistry::shared() {
    static ControllerRegistry registry;
    return registry;
}

ViewController::Ptr
ControllerRegistry::instantiateViewControllerWithIdentifier(const std::string& identifier) const {
    auto it = factories_.find(identifier);
    return it == factories_.end() || !it->second ? nullptr : it->second();
}

void ViewController::presentViewController(const Ptr& controller, bool animated,
                                           std::function<void()> completion) {
    if (!controller || presented_)
        return;
    presented_ = controller;
    controller->presenting_ = this;
    controller->popover_.arrowDirection = 0;
    // Shown over the whole window; a controller off-screen presents without showing.
    Window* w = isViewLoaded() ? view_->window() : nullptr;
    if (!w) {
        later(std::move(completion));
        return;
    }
    bool pad = traitCollection().idiom == UserInterfaceIdiom::Pad;
    if (controller->presentationStyle_ == ModalPresentationStyle::Popover && pad) {
        PopoverPresentation& p = controller->popover_;
        Rect anchor = w->bounds();
        if (p.barButtonItem) {
            auto v = p.barButtonItem->view();
            anchor = v->convertRectToView(v->bounds(), nullptr);
        } else if (p.sourceView) {
            Rect r = p.sourceRect.isEmpty() ? p.sourceView->bounds() : p.sourceRect;
            anchor = p.sourceView->convertRectToView(r, nullptr);
        }
        Size size = controller->preferredContentSize_;
        if (size.width <= 0 || size.height <= 0)
            size = {320, 480};
        // The popover stands off its anchor by the arrow's height.
        Rect reach = anchor.insetBy(-kArrowHeight, -kArrowHeight);
        auto [frame, arrow] = placePopover(size, reach, w->bounds(), p.permittedArrowDirections);
        p.arrowDirection = arrow;
        auto backdrop = View::make<PopoverBackdrop>(w->bounds());
        backdrop->setIdentifier("popoverBackdrop");
        backdrop->onTap = [weak = controller->weak_from_this()] {
            if (auto c = weak.lock())
                c->dismissPopoverByUser();
        };
        w->addSubview(backdrop);
        controller->popoverBackdrop_ = backdrop;
        controller->showIn(*backdrop, frame, animated);
        controller->view().layer().setShadowOpacity(0.3);
        const double corner = 8;
        controller->view().layer().setCornerRadius(corner);
        auto pointer = View::make<PopoverArrow>(arrowFrame(frame, anchor, arrow, corner), arrow,
                                                controller->view().backgroundColor().value_or(Color::white()));
        pointer->setIdentifier("popoverArrow");
        backdrop->addSubview(pointer);
    } else {
        controller->showIn(*w, w->bounds(), animated);
    }
    later(std::move(completion));
}

void ViewController::dismissPopoverByUser() {
    if (!presenting_)
        return;
    auto keep = shared_from_this();
    PopoverPresentationControllerDelegate* d = popover_.delegate;
    presenting_->dismissViewController(true, [keep, d] {
        if (d)
            d->popoverPresentationControllerDidDismissPopover(*keep);
    });
}

void ViewController::dismissViewController(bool animated, std::function<void()> completion) {
    // Asked of the presented controller, the presenter dismisses it.
    if (!presented_ && presenting_) {
        presenting_->dismissViewController(animated, std::move(completion));
        return;
    }
    if (!presented_)
        return;
    Ptr gone = presented_;
    if (gone->presented_)
        gone->dismissViewController(false);
    gone->hideFromSuperview(animated);
    if (gone->popoverBackdrop_) {
        gone->popoverBackdrop_->removeFromSuperview();
        gone->popoverBackdrop_.reset();
    }
    gone->presenting_ = nullptr;
    presented_.reset();
    later(std::move(completion));
}

// --- NavigationController

namespace {
// The bar of a navigation controller: it places its title again whenever its size changes.
class NavigationBarView : public View {
  public:
    using View::View;
    void layoutSubviews() override {
        if (auto* title = viewWithIdentifier("navigationTitle"); title && title->superview() == this)
            NavigationController::placeNavigationTitle(*this, *title, leftEnd);
    }
    double leftEnd = 8;
};
} // namespace

namespace {
struct NavigationBars {
    Color background = Color::gray(0.97);
    std::vector<NavigationController*> live; // every navigation controller in existence
};
NavigationBars& navigationBars() {
    static NavigationBars bars;
    return bars;
}
} // namespace

NavigationController::NavigationController(Ptr root) {
    navigationBars().live.push_back(this);
    if (root)
        setViewControllers({std::move(root)}, false);
}

NavigationController::~NavigationController() {
    std::erase(navigationBars().live, this);
}

void NavigationController::setDefaultBarBackgroundColor(Color color) {
    navigationBars().background = color;
    for (NavigationController* controller : navigationBars().live)
        if (controller->bar_)
            controller->bar_->setBackgroundColor(color);
}

Color NavigationController::defaultBarBackgroundColor() {
    return navigationBars().background;
}

void NavigationController::loadView() {
    ViewController::loadView();
    View& v = view();
    Rect b = v.bounds();
    bar_ = View::make<NavigationBarView>(Rect{0, 0, b.width(), BarHeight});
    bar_->setAutoresizingMask(FlexibleWidth);
    bar_->setBackgroundColor(defaultBarBackgroundColor());
    bar_->setIdentifier("navigationBar");
    content_ = View::make(Rect{0, BarHeight, b.width(), b.height() - BarHeight});
    content_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    v.addSubview(content_);
    v.addSubview(bar_);
    setNavigationBarHidden(barHidden_, false);
    show(nullptr, false);
}

View& NavigationController::navigationBar() {
    view();
    return *bar_;
}

void NavigationController::setNavigationBarHidden(bool hidden, bool animated) {
    barHidden_ = hidden;
    if (!bar_)
        return;
    Rect b = view().bounds();
    bar_->setHidden(hidden);
    double top = hidden ? 0 : BarHeight;
    content_->setFrame({0, top, b.width(), b.height() - top});
}

void NavigationController::show(ViewController* from, bool animated) {
    if (!content_)
        return;
    if (from)
        from->hideFromSuperview(animated);
    if (ViewController* top = topViewController(); top && !(top->isViewLoaded() && top->view().superview()))
        top->showIn(*content_, content_->bounds(), animated);
    updateBar();
}

void NavigationController::updateBar() {
    if (!bar_)
        return;
    for (const auto& sub : std::vector(bar_->subviews()))
        sub->removeFromSuperview();
    ViewController* top = topViewController();
    if (!top)
        return;
    Rect b = bar_->bounds();
    auto title = std::make_shared<Label>(Rect{80, 0, b.width() - 160, b.height()});
    title->setText(top->navigationItem().title);
    title->setTextAlignment(gfx::TextAlignment::Center);
    title->setFont(gfx::Font::boldSystem(17));
    title->setIdentifier("navigationTitle");
    title->setAutoresizingMask(FlexibleWidth);
    bar_->addSubview(title);
    double left = 8;
    const NavigationItem& item = top->navigationItem();
    // An item is as wide as its title needs, and never narrower than a short word's button.
    auto widthOf = [](Button& button) { return std::max(70.0, std::ceil(button.sizeThatFits({}).width)); };
    bool backShown = item.leftBarButtonItems.empty() || item.leftItemsSupplementBackButton;
    if (backShown && stack_.size() > 1 && !item.hidesBackButton) {
        const std::string& previous = stack_[stack_.size() - 2]->navigationItem().title;
        auto back = std::make_shared<Button>();
        back->setTitle("< " + previous);
        // A previous title that would crowd the bar's own reads "Back", as the platform's bars do.
        if (previous.empty() || widthOf(*back) > b.width() / 3)
            back->setTitle("< " + foundation::tr("Back"));
        back->setIdentifier("navigationBack");
        back->addTarget(TouchUpInside, [this](Control&) { popViewControllerAnimated(true); });
        const double width = widthOf(*back);
        back->setFrame({left, 7, width, 30});
        left += width + 4;
        bar_->addSubview(back);
    }
    for (const auto& i : item.leftBarButtonItems) {
        auto button = i->view();
        const double width = widthOf(*button);
        button->setFrame({left, 7, width, 30});
        left += width + 4;
        bar_->addSubview(button);
    }
    double right = b.width() - 8;
    for (const auto& i : item.rightBarButtonItems) {
        auto button = i->view();
        const double width = widthOf(*button);
        right -= width;
        button->setFrame({right, 7, width, 30});
        button->setAutoresizingMask(FlexibleLeftMargin);
        right -= 4;
        bar_->addSubview(button);
    }
    if (auto* bar = dynamic_cast<NavigationBarView*>(bar_.get()))
        bar->leftEnd = left;
    placeNavigationTitle(*bar_, *title, left);
}

void NavigationController::placeNavigationTitle(View& bar, View& title, double left) {
    // The right items keep their distance from the bar's right end as it resizes, so the title is
    // placed again by the bar's layout from where they are then.
    Rect b = bar.bounds();
    double right = b.width() - 8;
    for (const auto& sub : bar.subviews())
        if (sub.get() != &title && sub->autoresizingMask() & FlexibleLeftMargin)
            right = std::min(right, sub->frame().minX() - 4);
    // The title keeps centred between the items on both sides; when that leaves it too little room,
    // it takes all the room between them instead of being cut.
    const double inset = std::max({80.0, left, b.width() - right});
    const double centred = std::max(0.0, b.width() - 2 * inset);
    if (std::ceil(title.sizeThatFits({}).width) <= centred || right - left <= centred)
        title.setFrame({inset, 0, centred, b.height()});
    else
        title.setFrame({left, 0, right - left, b.height()});
}

void NavigationController::setViewControllers(std::vector<Ptr> controllers, bool animated) {
    ViewController* old = topViewController();
    // The replaced controllers live until the old top has left the screen: it may be held by nothing
    // else (a chooser replaced from its own callback).
    const std::vector<Ptr> previous = std::move(stack_);
    for (auto& c : previous)
        c->removeFromParentViewController();
    stack_ = std::move(controllers);
    for (auto& c : stack_)
        addChildViewController(c);
    if (old != topViewController())
        show(old, animated);
    else
        updateBar();
}

void NavigationController::pushViewController(const Ptr& controller, bool animated) {
    if (!controller)
        return;
    ViewController* old = topViewController();
    addChildViewController(controller);
    stack_.push_back(controller);
    show(old, animated);
}

ViewController::Ptr NavigationController::popViewControllerAnimated(bool animated) {
    if (stack_.size() <= 1)
        return nullptr;
    Ptr gone = stack_.back();
    stack_.pop_back();
    show(gone.get(), animated);
    gone->removeFromParentViewController();
    return gone;
}

std::vector<ViewController::Ptr> NavigationController::popToRootViewControllerAnimated(bool animated) {
    if (stack_.empty())
        return {};
    return popToViewController(stack_.front().get(), animated);
}

std::vector<ViewController::Ptr> NavigationController::popToViewController(const ViewController* controller,
                                                                           bool animated) {
    auto it = std::find_if(stack_.begin(), stack_.end(), [&](const Ptr& p) { return p.get() == controller; });
    if (it == stack_.end() || it + 1 == stack_.end())
        return {};
    std::vector<Ptr> gone(it + 1, stack_.end());
    stack_.erase(it + 1, stack_.end());
    show(gone.back().get(), animated);
    for (auto& g : gone)
        g->removeFromParentViewController();
    return gone;
}

// --- TabBarController

void TabBarController::loadView() {
    ViewController::loadView();
    View& v = view();
    Rect b = v.bounds();
    content_ = View::make(Rect{0, 0, b.width(), b.height() - BarHeight});
    content_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    bar_ = View::make(Rect{0, b.height() - BarHeight, b.width(), BarHeight});
    bar_->setAutoresizingMask(FlexibleWidth | FlexibleTopMargin);
    bar_->setBackgroundColor(Color::gray(0.97));
    bar_->setIdentifier("tabBar");
    v.addSubview(content_);
    v.addSubview(bar_);
    updateTabBar();
    if (ViewController* selected = selectedViewController())
        selected->showIn(*content_, content_->bounds(), false);
}

View& TabBarController::tabBar() {
    view();
    return *bar_;
}

void TabBarController::setViewControllers(std::vector<Ptr> controllers) {
    if (ViewController* old = selectedViewController())
        old->hideFromSuperview(false);
    for (auto& c : tabs_)
        c->removeFromParentViewController();
    tabs_ = std::move(controllers);
    for (auto& c : tabs_)
        addChildViewController(c);
    selected_ = 0;
    updateTabBar();
    if (content_)
        if (ViewController* selected = selectedViewController())
            selected->showIn(*content_, content_->bounds(), false);
}

void TabBarController::setSelectedIndex(size_t index) {
    if (index >= tabs_.size() || index == selected_)
        return;
    ViewController* old = selectedViewController();
    selected_ = index;
    if (content_) {
        if (old)
            old->hideFromSuperview(false);
        tabs_[index]->showIn(*content_, content_->bounds(), false);
    }
    updateTabBar();
}

void TabBarController::updateTabBar() {
    if (!bar_)
        return;
    for (const auto& sub : std::vector(bar_->subviews()))
        sub->removeFromSuperview();
    if (tabs_.empty())
        return;
    Rect b = bar_->bounds();
    double w = b.width() / double(tabs_.size());
    // One size for every title, small enough for the widest to fit its tab (a phone's narrow tabs).
    constexpr double kTitleSize = 15, kSmallestTitleSize = 9, kTitleMargin = 4;
    double widest = 0;
    for (const auto& tab : tabs_)
        widest = std::max(widest, gfx::Font::system(kTitleSize).widthOf(tab->tabBarItem().title));
    double titleSize = kTitleSize;
    if (widest > w - 2 * kTitleMargin)
        titleSize = std::max(kSmallestTitleSize, std::floor(kTitleSize * (w - 2 * kTitleMargin) / widest * 2) / 2);
    for (size_t i = 0; i < tabs_.size(); ++i) {
        const TabBarItem& item = tabs_[i]->tabBarItem();
        auto button = std::make_shared<Button>(Rect{w * double(i), 0, w, b.height()});
        button->titleLabel().setFont(gfx::Font::system(titleSize));
        button->setTitle(item.title);
        button->setEnabled(item.enabled);
        button->setSelected(i == selected_);
        button->setTitleColor(Color::gray(0.5), StateNormal);
        button->setTitleColor(Color{0, 0.478, 1, 1}, StateSelected);
        button->setTag(int(i) + 1);
        button->addTarget(TouchUpInside, [this, i](Control&) { setSelectedIndex(i); });
        bar_->addSubview(button);
    }
}

// --- AlertController

namespace {
constexpr double kAlertWidth = 270, kAlertRowHeight = 44;

// An alert's texts: a title or message longer than its usual room takes more lines (a title two, a
// message eight) and the panel grows, rather than the text being cut.
struct AlertTexts {
    std::shared_ptr<Label> title, message;
    double height = 0; // down to where the buttons start
};

AlertTexts alertTexts(const std::string& title, const std::string& message) {
    const double width = kAlertWidth - 24;
    // Only a text that runs onto another line moves anything.
    auto extraFor = [width](const Label& label, double room) {
        const double needed = std::ceil(label.sizeThatFits({width, 0}).height);
        return needed > room + label.font().metrics().lineHeight / 2 ? needed - room : 0.0;
    };
    AlertTexts t;
    t.title = std::make_shared<Label>(Rect{12, 8, width, 20});
    t.title->setText(title);
    t.title->setFont(gfx::Font::boldSystem(17));
    t.title->setTextAlignment(gfx::TextAlignment::Center);
    t.title->setIdentifier("alertTitle");
    t.title->setNumberOfLines(2);
    const double titleExtra = extraFor(*t.title, 20);
    t.title->setFrame({12, 8, width, 20 + titleExtra});
    double bottom = t.title->frame().maxY();
    if (!message.empty()) {
        t.message = std::make_shared<Label>(Rect{12, 30 + titleExtra, width, 36});
        t.message->setText(message);
        t.message->setFont(gfx::Font::system(13));
        t.message->setNumberOfLines(8);
        t.message->setTextAlignment(gfx::TextAlignment::Center);
        t.message->setIdentifier("alertMessage");
        t.message->setFrame({12, 30 + titleExtra, width, 36 + extraFor(*t.message, 36)});
        bottom = t.message->frame().maxY();
    }
    // The buttons start a little below the last text.
    t.height = bottom + 4;
    return t;
}
} // namespace

void AlertController::updatePreferredContentSize() {
    // Known before the view is: a popover takes its size when it is presented.
    setPreferredContentSize(
        {kAlertWidth, alertTexts(title(), message_).height + kAlertRowHeight * double(actions_.size())});
}

void AlertController::loadView() {
    // An action sheet shown as a pad popover is its panel alone, sized to it; otherwise the panel sits on
    // a dimmed view over the whole window.
    const bool inPopover = style_ == AlertControllerStyle::ActionSheet &&
                           modalPresentationStyle() == ModalPresentationStyle::Popover &&
                           traitCollection().idiom == UserInterfaceIdiom::Pad;
    const double width = kAlertWidth, rowHeight = kAlertRowHeight;
    AlertTexts texts = alertTexts(title(), message_);
    const double textHeight = texts.height;
    const double height = textHeight + rowHeight * double(actions_.size());
    auto panel = View::make(Rect{0, 0, width, height});
    panel->setBackgroundColor(Color::gray(0.97));
    if (!inPopover)
        panel->layer().setCornerRadius(12);
    panel->setClipsToBounds(true);
    panel->setIdentifier("alert");
    panel->addSubview(texts.title);
    if (texts.message)
        panel->addSubview(texts.message);
    for (size_t i = 0; i < actions_.size(); ++i) {
        auto button = std::make_shared<Button>(Rect{0, textHeight + rowHeight * double(i), width, rowHeight});
        button->setTitle(actions_[i].title);
        if (actions_[i].style == AlertActionStyle::Destructive)
            button->setTitleColor(Color{1, 0.23, 0.19, 1});
        if (actions_[i].style == AlertActionStyle::Cancel)
            button->titleLabel().setFont(gfx::Font::boldSystem(15));
        button->addTarget(TouchUpInside, [this, i](Control&) { choose(i); });
        panel->addSubview(button);
    }
    if (inPopover) {
        setView(panel);
        return;
    }
    auto dim = View::make(Rect{0, 0, 320, 480});
    dim->setBackgroundColor(Color::gray(0, 0.4));
    setView(dim);
    // Centred (an alert) or at the bottom (an action sheet) whatever size the dimming view gets.
    struct Placer : View {
        using View::View;
        AlertControllerStyle style = AlertControllerStyle::Alert;
        void layoutSubviews() override {
            if (subviews().empty())
                return;
            View& p = *subviews()[0];
            Rect b = bounds();
            Size s = p.bounds().size;
            double y =
                style == AlertControllerStyle::Alert ? b.midY() - s.height / 2 : b.maxY() - s.height - 8;
            p.setFrame({b.midX() - s.width / 2, y, s.width, s.height});
        }
    };
    auto placer = View::make<Placer>(Rect{0, 0, 320, 480});
    placer->style = style_;
    placer->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    placer->addSubview(panel);
    dim->addSubview(placer);
}

void AlertController::choose(size_t index) {
    if (index >= actions_.size())
        return;
    AlertAction action = actions_[index];
    auto keep = shared_from_this();
    dismissViewController(true, [action] {
        if (action.handler)
            action.handler(action);
    });
}

} // namespace ui
