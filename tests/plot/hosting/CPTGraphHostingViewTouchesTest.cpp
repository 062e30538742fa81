// Touches and pinches reaching a hosted graph through the window, as a finger gives them: where a
// touch lands in the graph in both modes, drags that scroll, fingers that make a pinch, pinches that
// scale, and pictures of a chart after a drag and a pinch.
#include "plot/hosting/CPTGraphHostingView.h"

#include "XYChart.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Driver.h"
#include "plot/foundation/CPTAnimation.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// A plot that takes every press and remembers where it came, and where its plot space puts the event.
class PressedPlot : public CPTPlot {
  public:
    std::vector<CGPoint> presses;
    std::vector<CGPoint> mapped;
    std::vector<std::vector<double>> plotPoints;
    const char* className() const override { return "PressedPlot"; }
    bool pointingDeviceDownEvent(const CPTEvent& event, CGPoint point) override {
        presses.push_back(point);
        mapped.push_back(plotSpace()->plotAreaViewPointForEvent(event));
        std::vector<double> values(2);
        plotSpace()->doublePrecisionPlotPoint(std::span<double>(values), event);
        NSDecimal decimals[2];
        plotSpace()->plotPoint(std::span<NSDecimal>(decimals), event);
        for (const auto& v : plotSpace()->plotPointForEvent(event))
            values.push_back(v.toDouble());
        values.push_back(CPTDecimalToDouble(decimals[0]));
        values.push_back(CPTDecimalToDouble(decimals[1]));
        plotPoints.push_back(values);
        return true;
    }
};

// A view that counts the touches reaching it from its subviews.
class TouchCountingView : public ui::View {
  public:
    using ui::View::View;
    int began = 0, ended = 0;
    void touchesBegan(const ui::Touches&, const ui::Event&) override { ++began; }
    void touchesEnded(const ui::Touches&, const ui::Event&) override { ++ended; }
};

struct Touching : ::testing::TestWithParam<bool> {
    host::HeadlessHost host{{500, 400}};
    ui::Driver driver{host.window(), host};
    std::shared_ptr<TouchCountingView> parent = std::make_shared<TouchCountingView>(ui::Rect{0, 0, 500, 400});
    std::shared_ptr<CPTGraphHostingView> view =
        std::make_shared<CPTGraphHostingView>(ui::Rect{50, 40, xychart::kWidth, xychart::kHeight});
    std::shared_ptr<CPTXYGraph> graph = xychart::make();
    std::shared_ptr<CPTXYPlotSpace> space = std::dynamic_pointer_cast<CPTXYPlotSpace>(graph->defaultPlotSpace());

    void SetUp() override {
        host.window().addSubview(parent);
        parent->addSubview(view);
        view->setCollapsesLayers(GetParam());
        view->setHostedGraph(graph);
        space->setAllowsUserInteraction(true);
        host.drain();
    }
    void TearDown() override {
        CPTAnimation::sharedInstance().removeAllAnimationOperations();
        CPTAnimation::sharedInstance().update();
    }
    // A point of the graph (y up) in the window.
    ui::Point windowPointOf(CGPoint graphPoint) const {
        return {50 + graphPoint.x, 40 + xychart::kHeight - graphPoint.y};
    }
    double x() const { return space->xRange()->locationDouble(); }
};

bool near(const gfx::Color& a, const gfx::Color& b) {
    return std::fabs(a.red - b.red) < 0.08 && std::fabs(a.green - b.green) < 0.08 && std::fabs(a.blue - b.blue) < 0.08;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(BothModes, Touching, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Collapsed" : "Expanded"; });

TEST_P(Touching, ATapReachesTheGraphUpsideUp) {
    view->setFrame(ui::Rect{50, 40, 300, 200});
    auto plot = std::make_shared<PressedPlot>();
    graph->addPlot(plot);
    host.window().touchBegan(1, {60, 70}); // the view's (10, 30)
    host.window().touchEnded(1, {60, 70});
    host.drain();
    ASSERT_EQ(plot->presses.size(), 1u);
    EXPECT_NEAR(plot->presses[0].x, 10, 1e-9);
    EXPECT_NEAR(plot->presses[0].y, 170, 1e-9);
    EXPECT_EQ(parent->began, 0);

    // The plot space maps the event itself to the same place in the plot area, and to its values.
    const auto& area = *graph->plotAreaFrame()->plotArea();
    const CGPoint expected = area.convertPointFromLayer(CGPoint{10, 170}, graph.get());
    ASSERT_EQ(plot->mapped.size(), 1u);
    EXPECT_NEAR(plot->mapped[0].x, expected.x, 1e-9);
    EXPECT_NEAR(plot->mapped[0].y, expected.y, 1e-9);
    double values[2] = {0, 0};
    space->doublePrecisionPlotPoint(std::span<double>(values), expected);
    const auto& found = plot->plotPoints[0];
    ASSERT_EQ(found.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_NEAR(found[i], values[i % 2], 1e-9) << i;
}

TEST_P(Touching, ADragScrollsTheInteractiveSpaceOnly) {
    auto still = std::make_shared<CPTXYPlotSpace>();
    still->setXRange(CPTPlotRange::plotRangeWithLocation(0.0, 10.0));
    graph->addPlotSpace(still);
    driver.drag(view.get(), {40, 0});
    EXPECT_NEAR(x(), -40 / xychart::kPlotWidth * xychart::kXLength, 1e-9);
    EXPECT_EQ(space->yRange()->locationDouble(), 0.0);
    EXPECT_EQ(still->xRange()->locationDouble(), 0.0);
    EXPECT_FALSE(space->isDragging());
}

TEST_P(Touching, TwoFingersNeitherPressNorDrag) {
    const ui::Point a = windowPointOf({150, 150}), b = windowPointOf({250, 150});
    host.window().touchBegan(1, a);
    host.advance(0.01);
    host.window().touchBegan(2, b);
    for (int i = 1; i <= 5; ++i) {
        host.advance(0.01);
        host.window().touchMoved(1, {a.x + 10.0 * i, a.y});
        host.window().touchMoved(2, {b.x - 10.0 * i, b.y});
    }
    host.window().touchEnded(1, {a.x + 50, a.y});
    host.window().touchEnded(2, {b.x - 50, b.y});
    host.drain();
    EXPECT_EQ(x(), 0.0);
    EXPECT_FALSE(space->isDragging());
}

TEST_P(Touching, MovesWithoutABeginningAreNotForwarded) {
    const ui::Point a = windowPointOf({150, 150});
    host.window().touchMoved(7, {a.x + 40, a.y});
    host.window().touchEnded(7, {a.x + 40, a.y});
    host.window().touchCancelled(7);
    host.drain();
    EXPECT_EQ(x(), 0.0);
}

TEST_P(Touching, APinchScalesEachInteractiveSpaceOnce) {
    auto second = std::make_shared<CPTXYPlotSpace>();
    second->setXRange(CPTPlotRange::plotRangeWithLocation(0.0, 10.0));
    second->setAllowsUserInteraction(true);
    auto still = std::make_shared<CPTXYPlotSpace>();
    still->setXRange(CPTPlotRange::plotRangeWithLocation(0.0, 10.0));
    graph->addPlotSpace(second);
    graph->addPlotSpace(still);
    const ui::Point centre = windowPointOf({xychart::kPlotLeft + xychart::kPlotWidth / 2,
                                            xychart::kPlotBottom + xychart::kPlotHeight / 2});
    ASSERT_TRUE(host.window().pinch(centre, 1.2));
    host.drain();
    EXPECT_NEAR(space->xRange()->lengthDouble(), 10 / 1.2, 1e-9);
    EXPECT_NEAR(second->xRange()->lengthDouble(), 10 / 1.2, 1e-9);
    EXPECT_NEAR(space->xRange()->midPointDouble(), 5, 1e-9);
    EXPECT_EQ(still->xRange()->lengthDouble(), 10.0);
    EXPECT_EQ(view->pinchGestureRecognizer()->scale(), 1.0);
    ASSERT_TRUE(host.window().pinch(centre, 1.0));
    host.window().endPinch();
    host.drain();
    EXPECT_NEAR(space->xRange()->lengthDouble(), 10 / 1.2, 1e-9);
    EXPECT_NEAR(space->yRange()->lengthDouble(), xychart::kYLength / 1.2, 1e-9);
}

TEST_P(Touching, PinchScalingComesAndGoesWithItsRecognizer) {
    EXPECT_EQ(view->gestureRecognizers().size(), 1u);
    ASSERT_NE(view->pinchGestureRecognizer(), nullptr);
    view->setAllowPinchScaling(false);
    EXPECT_EQ(view->gestureRecognizers().size(), 0u);
    EXPECT_EQ(view->pinchGestureRecognizer(), nullptr);
    view->setAllowPinchScaling(false);
    EXPECT_EQ(view->gestureRecognizers().size(), 0u);
    EXPECT_FALSE(host.window().pinch(windowPointOf({200, 150}), 2));
    EXPECT_EQ(space->xRange()->lengthDouble(), xychart::kXLength);
    view->setAllowPinchScaling(true);
    EXPECT_EQ(view->gestureRecognizers().size(), 1u);
}

TEST_P(Touching, TouchesTheGraphDoesNotTakeGoToTheBaseView) {
    space->setAllowsUserInteraction(false);
    driver.tap(view.get());
    EXPECT_EQ(parent->began, 1);
    EXPECT_EQ(parent->ended, 1);
    view->setHostedGraph(nullptr);
    driver.tap(view.get());
    EXPECT_EQ(parent->began, 2);
    EXPECT_EQ(parent->ended, 2);
    EXPECT_TRUE(host.window().pinch(windowPointOf({200, 150}), 2));
}

TEST_P(Touching, PicturesAfterADragAndAPinch) {
    const CGPoint point = xychart::graphPointOf({3, 4});
    const gfx::Image before = driver.screenshot();
    const ui::Point old = windowPointOf(point);
    ASSERT_TRUE(near(before.pixel(int(old.x), int(old.y)), xychart::kSquareColor));

    driver.drag(view.get(), {40, 0});
    const gfx::Image dragged = driver.screenshot();
    EXPECT_TRUE(near(dragged.pixel(int(old.x + 40), int(old.y)), xychart::kSquareColor));
    EXPECT_TRUE(near(dragged.pixel(int(old.x), int(old.y)), xychart::kFrameFill));
    if (HasFailure())
        driver.saveScreenshot(std::string(OVRIDA_BUILD_DIR) + "/dragged-chart.png");

    // Back where it was, then a pinch of 2 about the plot area's middle: (3, 4) and (5, 2) end up
    // twice as far apart.
    space->setXRange(CPTPlotRange::plotRangeWithLocation(0.0, xychart::kXLength));
    const CGPoint centre{xychart::kPlotLeft + xychart::kPlotWidth / 2, xychart::kPlotBottom + xychart::kPlotHeight / 2};
    ASSERT_TRUE(host.window().pinch(windowPointOf(centre), 2));
    host.window().endPinch();
    host.drain();
    const gfx::Image pinched = driver.screenshot();
    auto pinchedPlace = [&centre](CGPoint data) {
        const CGPoint p = xychart::graphPointOf(data);
        return CGPoint{centre.x + 2 * (p.x - centre.x), centre.y + 2 * (p.y - centre.y)};
    };
    const CGPoint a = pinchedPlace({3, 4});
    const CGPoint b = pinchedPlace({5, 2}); // on the plot area's bottom edge: half of it shows
    const ui::Point wa = windowPointOf(a), wb = windowPointOf({b.x, b.y + 3});
    EXPECT_TRUE(near(pinched.pixel(int(wa.x), int(wa.y)), xychart::kSquareColor));
    EXPECT_TRUE(near(pinched.pixel(int(wb.x), int(wb.y)), xychart::kSquareColor));
    EXPECT_TRUE(near(pinched.pixel(int(old.x), int(old.y)), xychart::kFrameFill));
    if (HasFailure())
        driver.saveScreenshot(std::string(OVRIDA_BUILD_DIR) + "/pinched-chart.png");
}
