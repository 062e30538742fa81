// Page swipes through a page-view controller driven headless.
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "platform/ui/Label.h"
#include "platform/ui/PageViewController.h"

#include <gtest/gtest.h>

namespace {

using namespace ui;

struct Page : ViewController {
    explicit Page(int n) : number(n) {}
    int number;
    void viewDidLoad() override {
        auto label = std::make_shared<Label>(Rect{10, 10, 200, 30});
        label->setText("Page " + std::to_string(number));
        view().addSubview(label);
    }
};

struct Book : PageViewControllerDataSource, PageViewControllerDelegate {
    int last = 3;
    int turns = 0;
    ViewController::Ptr viewControllerBeforeViewController(PageViewController&,
                                                           ViewController& current) override {
        int n = static_cast<Page&>(current).number;
        return n > 1 ? std::make_shared<Page>(n - 1) : nullptr;
    }
    ViewController::Ptr viewControllerAfterViewController(PageViewController&,
                                                          ViewController& current) override {
        int n = static_cast<Page&>(current).number;
        return n < last ? std::make_shared<Page>(n + 1) : nullptr;
    }
    void didFinishAnimating(PageViewController&, bool, ViewController*, bool completed) override {
        turns += completed;
    }
};

TEST(PageView, SwipesTurnPagesAndStopAtTheEnds) {
    host::HeadlessHost host{{320, 480}};
    Driver driver(host.window(), host);
    Book book;
    auto pages = std::make_shared<PageViewController>();
    pages->setDataSource(&book);
    pages->setDelegate(&book);
    pages->setViewControllers({std::make_shared<Page>(1)}, PageNavigationDirection::Forward, false);
    host.window().setRootViewController(pages);
    host.drain();
    EXPECT_NE(driver.findByText("Page 1"), nullptr);
    driver.swipe(&pages->view(), SwipeRight); // nothing before the first page
    EXPECT_NE(driver.findByText("Page 1"), nullptr);
    driver.swipe(&pages->view(), SwipeLeft);
    driver.swipe(&pages->view(), SwipeLeft);
    EXPECT_NE(driver.findByText("Page 3"), nullptr);
    EXPECT_EQ(driver.findByText("Page 1"), nullptr);
    driver.swipe(&pages->view(), SwipeLeft); // nothing after the last
    EXPECT_NE(driver.findByText("Page 3"), nullptr);
    driver.swipe(&pages->view(), SwipeRight);
    EXPECT_NE(driver.findByText("Page 2"), nullptr);
    EXPECT_EQ(book.turns, 3);
    EXPECT_EQ(pages->childViewControllers().size(), 1u);
}

} // namespace
