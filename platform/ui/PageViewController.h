// Pages of controllers turned by swipes: a swipe left shows the data source's page after the current
// one, a swipe right the page before it.
#pragma once

#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ViewController.h"

namespace ui {

class PageViewController;

class PageViewControllerDataSource {
  public:
    virtual ~PageViewControllerDataSource() = default;
    // Null: no page that way.
    virtual ViewController::Ptr viewControllerBeforeViewController(PageViewController& pages,
                                                                   ViewController& current) = 0;
    virtual ViewController::Ptr viewControllerAfterViewController(PageViewController& pages,
                                                                  ViewController& current) = 0;
};

class PageViewControllerDelegate {
  public:
    virtual ~PageViewControllerDelegate() = default;
    virtual void didFinishAnimating(PageViewController& pages, bool finished, ViewController* previous,
                                    bool completed) {}
};

enum class PageNavigationDirection { Forward, Reverse };

class PageViewController : public ViewController {
  public:
    void loadView() override;
    const std::vector<Ptr>& viewControllers() const { return pages_; }
    void setViewControllers(std::vector<Ptr> controllers, PageNavigationDirection direction, bool animated,
                            std::function<void(bool)> completion = {});
    PageViewControllerDataSource* dataSource() const { return dataSource_; }
    void setDataSource(PageViewControllerDataSource* d) { dataSource_ = d; }
    PageViewControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(PageViewControllerDelegate* d) { delegate_ = d; }
    // What a swipe does; false at either end.
    bool turnForward();
    bool turnBack();

  private:
    bool turn(Ptr next, PageNavigationDirection direction);
    std::vector<Ptr> pages_;
    PageViewControllerDataSource* dataSource_ = nullptr;
    PageViewControllerDelegate* delegate_ = nullptr;
    std::shared_ptr<SwipeGestureRecognizer> left_, right_;
};

} // namespace ui
