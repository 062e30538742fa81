// Page turning: the shown page is replaced by its neighbour with the usual appearance calls.
#include "platform/ui/PageViewController.h"

#include "platform/foundation/Dispatch.h"

namespace ui {

void PageViewController::loadView() {
    ViewController::loadView();
    left_ = std::make_shared<SwipeGestureRecognizer>([this](GestureRecognizer&) { turnForward(); });
    left_->setDirection(SwipeLeft);
    right_ = std::make_shared<SwipeGestureRecognizer>([this](GestureRecognizer&) { turnBack(); });
    right_->setDirection(SwipeRight);
    view().addGestureRecognizer(left_);
    view().addGestureRecognizer(right_);
    if (!pages_.empty())
        pages_.front()->showIn(view(), view().bounds(), false);
}

void PageViewController::setViewControllers(std::vector<Ptr> controllers, PageNavigationDirection direction,
                                            bool animated, std::function<void(bool)> completion) {
    Ptr old = pages_.empty() ? nullptr : pages_.front();
    if (old) {
        old->hideFromSuperview(animated);
        old->removeFromParentViewController();
    }
    pages_ = std::move(controllers);
    if (!pages_.empty()) {
        addChildViewController(pages_.front());
        if (isViewLoaded())
            pages_.front()->showIn(view(), view().bounds(), animated);
    }
    if (completion)
        dispatch::mainQueue().async([completion] { completion(true); });
}

bool PageViewController::turn(Ptr next, PageNavigationDirection direction) {
    if (!next)
        return false;
    Ptr previous = pages_.empty() ? nullptr : pages_.front();
    setViewControllers({next}, direction, true);
    if (delegate_)
        delegate_->didFinishAnimating(*this, true, previous.get(), true);
    return true;
}

bool PageViewController::turnForward() {
    if (!dataSource_ || pages_.empty())
        return false;
    return turn(dataSource_->viewControllerAfterViewController(*this, *pages_.front()),
                PageNavigationDirection::Forward);
}

bool PageViewController::turnBack() {
    if (!dataSource_ || pages_.empty())
        return false;
    return turn(dataSource_->viewControllerBeforeViewController(*this, *pages_.front()),
                PageNavigationDirection::Reverse);
}

} // namespace ui
