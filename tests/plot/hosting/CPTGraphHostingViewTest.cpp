// The hosting view: attaching and replacing a graph, keeping it sized, redrawing in collapsed mode,
// and drawing the same chart in both modes and to an image.
#include "plot/hosting/CPTGraphHostingView.h"
#include "XYChart.h"
#include "platform/foundation/Log.h"
#include "platform/graphics/Recorder.h"
#include "platform/graphics/Screen.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "plot/foundation/CPTException.h"
#include "tests/RenderChecks.h"

#include <gtest/gtest.h>

namespace {

struct Hosting : ::testing::Test {
    host::HeadlessHost host{{500, 400}};
    ui::Driver driver{host.window(), host};
    std::shared_ptr<CPTGraphHostingView> view =
        std::make_shared<CPTGraphHostingView>(ui::Rect{50, 40, xychart::kWidth, xychart::kHeight});
    void SetUp() override { host.window().addSubview(view); }
};

} // namespace

TEST_F(Hosting, AttachingAGraph) {
    gfx::setLargestScreenScale(2);
    auto graph = xychart::make();
    view->setHostedGraph(graph);
    gfx::setLargestScreenScale(1);
    EXPECT_EQ(graph->hostingView(), view.get());
    EXPECT_EQ(graph->contentsScale(), 2);
    EXPECT_EQ(graph->plotAreaFrame()->plotArea()->contentsScale(), 2);
    EXPECT_EQ(graph->superlayer(), &view->layer());
    EXPECT_EQ(graph->frame(), view->bounds());
    EXPECT_TRUE(view->allowPinchScaling());
    // The view keeps the graph its size.
    view->setFrame(ui::Rect{50, 40, 300, 200});
    EXPECT_EQ(graph->frame(), (CGRect{0, 0, 300, 200}));
    // Replacing it lets the old one go.
    auto second = xychart::make();
    view->setHostedGraph(second);
    EXPECT_EQ(graph->hostingView(), nullptr);
    EXPECT_EQ(graph->superlayer(), nullptr);
    EXPECT_EQ(second->superlayer(), &view->layer());
}

TEST_F(Hosting, CollapsedModeRedrawsOnTheGraphsRequests) {
    auto graph = xychart::make();
    view->setCollapsesLayers(true);
    view->setHostedGraph(graph);
    EXPECT_EQ(graph->superlayer(), nullptr);
    driver.screenshot();
    int drawn = view->drawCount();
    EXPECT_GT(drawn, 0);
    view->layer().displayIfNeeded();
    EXPECT_FALSE(view->layer().needsDisplay());
    graph->plotAreaFrame()->plotArea()->setNeedsDisplay();
    EXPECT_TRUE(view->layer().needsDisplay()) << "a redraw request of the graph marks the view";
    driver.screenshot();
    EXPECT_GT(view->drawCount(), drawn);

    // After a replacement the old graph's requests reach nobody.
    auto second = xychart::make();
    view->setHostedGraph(second);
    view->layer().displayIfNeeded();
    graph->setNeedsDisplay();
    EXPECT_FALSE(view->layer().needsDisplay());
    second->setNeedsDisplay();
    EXPECT_TRUE(view->layer().needsDisplay());
    // Trait changes redraw every layer.
    second->plotAreaFrame()->plotArea()->displayIfNeeded();
    view->traitCollectionDidChange();
    EXPECT_TRUE(second->plotAreaFrame()->plotArea()->needsDisplay());
}

TEST_F(Hosting, BothModesDrawTheSameChart) {
    auto graph = xychart::make();
    view->setHostedGraph(graph);
    host.drain();
    auto record = [&] {
        auto rc = gfx::makeRecordingContext(gfx::Rect(0, 0, 500, 400));
        host.window().layer().renderInContext(*rc.context);
        return rc.recorder->lines();
    };
    auto expanded = record();
    view->setCollapsesLayers(true);
    host.drain();
    auto collapsed = record();
    ASSERT_FALSE(expanded.empty());
    EXPECT_EQ(expanded, collapsed);
    // Switching back puts the graph into the view's layer again.
    view->setCollapsesLayers(false);
    EXPECT_EQ(graph->superlayer(), &view->layer());
}

TEST_F(Hosting, TheScreenShowsWhatTheImageShows) {
    gfx::setLargestScreenScale(2);
    auto graph = xychart::make();
    view->setFrame(ui::Rect{0, 0, xychart::kWidth, xychart::kHeight});
    view->setHostedGraph(graph);
    gfx::Image image = graph->imageOfLayer();
    for (bool collapsed : {false, true}) {
        SCOPED_TRACE(collapsed ? "collapsed" : "expanded");
        view->setCollapsesLayers(collapsed);
        gfx::Image screen =
            driver.screenshot(2).cropped(gfx::Rect(0, 0, 2 * xychart::kWidth, 2 * xychart::kHeight));
        auto diff = renderChecks::compareImages(screen, image, 2.0 / 255);
        EXPECT_EQ(diff.off, 0) << diff.off << " pixels differ";
    }
    gfx::setLargestScreenScale(1);
}

TEST_F(Hosting, AThrowingChartEndsOnlyItsOwnFrame) {
    class Throwing : public CPTPlot {
        void renderAsVectorInContext(gfx::Context&) override {
            throw CPTException(CPTExceptionName, "bad plot");
        }
    };
    auto graph = xychart::make();
    graph->addPlot(std::make_shared<Throwing>());
    view->setHostedGraph(graph);
    for (bool collapsed : {false, true}) {
        SCOPED_TRACE(collapsed ? "collapsed" : "expanded");
        view->setCollapsesLayers(collapsed);
        foundation::LogCapture log;
        gfx::Image shot = driver.screenshot();
        EXPECT_TRUE(log.contains("drawing stopped by CPTException: bad plot"));
        EXPECT_FALSE(shot.isNull());
    }
}
