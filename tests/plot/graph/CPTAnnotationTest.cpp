// Annotations: the rect-anchor table, placement on an anchor layer or at a plot point, the host
// layer's list, and what happens when the things they follow change or go.
#include "GraphFixtures.h"
#include "plot/graph/CPTLayerAnnotation.h"
#include "plot/graph/CPTPlotSpaceAnnotation.h"

#include <gtest/gtest.h>

using foundation::Value;

namespace {

// The point of the content layer that its anchor point names, in the host's coordinates.
CGPoint anchorPointInHost(const CPTLayer& content) {
    CGRect f = content.frame();
    CGPoint a = content.anchorPoint();
    return {f.origin.x + a.x * f.size.width, f.origin.y + a.y * f.size.height};
}

} // namespace

TEST(CPTLayerAnnotation, RectAnchors) {
    struct Case {
        std::int64_t anchor;
        CGPoint expected;
    };
    const Case cases[] = {
        {0, {0, 0}},  {1, {50, 0}},  {2, {100, 0}},  {3, {0, 25}},  {4, {100, 25}},
        {5, {0, 50}}, {6, {50, 50}}, {7, {100, 50}}, {8, {50, 25}},
    };
    auto host = std::make_shared<CPTAnnotationHostLayer>(CGRect(0, 0, 300, 300));
    auto anchor = std::make_shared<CPTLayer>(CGRect(0, 0, 100, 50));
    host->addSublayer(anchor);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.anchor);
        auto annotation = std::make_shared<CPTLayerAnnotation>(anchor);
        annotation->setContentLayer(std::make_shared<CPTLayer>(CGRect(0, 0, 10, 10)));
        annotation->setContentAnchorPoint({0, 0});
        annotation->setRectAnchor(static_cast<CPTRectAnchor>(c.anchor));
        host->addAnnotation(annotation);
        EXPECT_EQ(anchorPointInHost(*annotation->contentLayer()), c.expected);
        host->removeAnnotation(annotation);
    }
    // Each needs something to follow.
    try {
        CPTLayerAnnotation loose(nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const CPTException& e) {
        EXPECT_EQ(e.reason(), "CPTLayerAnnotation must be initialized with an anchor layer.");
    }
    try {
        CPTPlotSpaceAnnotation loose(nullptr, std::nullopt);
        ADD_FAILURE() << "no exception";
    } catch (const CPTException& e) {
        EXPECT_EQ(e.reason(), "CPTPlotSpaceAnnotation must be initialized with a plot space.");
    }
    // Any other anchor clears both constraints.
    CPTLayerAnnotation cleared(anchor);
    cleared.setRectAnchor(static_cast<CPTRectAnchor>(9));
    EXPECT_EQ(cleared.xConstraints(), nullptr);
    EXPECT_EQ(cleared.yConstraints(), nullptr);
}

TEST(CPTLayerAnnotation, FollowsTheAnchorLayerAndItsHost) {
    // Host and anchor side by side, so the host's own layout leaves the anchor alone.
    auto root = layers::Layer::make();
    auto host = std::make_shared<CPTAnnotationHostLayer>(CGRect(0, 0, 300, 300));
    auto anchor = std::make_shared<CPTLayer>(CGRect(20, 30, 100, 50));
    root->addSublayer(host);
    root->addSublayer(anchor);
    auto annotation = std::make_shared<CPTLayerAnnotation>(anchor);
    auto content = std::make_shared<CPTLayer>(CGRect(0, 0, 10, 10));
    annotation->setContentLayer(content);
    annotation->setRectAnchor(CPTRectAnchorTopRight);
    annotation->setDisplacement({1, 2});
    host->addAnnotation(annotation);
    host->addAnnotation(annotation);
    EXPECT_EQ(host->annotations().size(), 1u) << "adding twice keeps one";
    EXPECT_EQ(content->superlayer(), host.get());
    EXPECT_EQ(content->position(), (CGPoint{121, 82}));
    // The content follows the anchor layer's size.
    anchor->setBounds(CGRect(0, 0, 200, 50));
    EXPECT_EQ(content->position(), (CGPoint{171, 82}));
    // The host keeps content out of its automatic layout and places it after every layout.
    EXPECT_EQ(host->sublayersExcludedFromAutomaticLayout().count(content.get()), 1u);
    content->setPosition({0, 0});
    host->setNeedsLayout();
    host->layoutIfNeeded();
    EXPECT_EQ(content->position(), (CGPoint{171, 82}));
    // Removing it takes the content out of the tree; removing it again raises.
    host->removeAnnotation(annotation);
    EXPECT_EQ(content->superlayer(), nullptr);
    try {
        host->removeAnnotation(annotation);
        ADD_FAILURE() << "no exception";
    } catch (const CPTException& e) {
        EXPECT_EQ(e.reason().rfind("Tried to remove CPTAnnotation from <<CPTAnnotationHostLayer", 0), 0u);
        EXPECT_NE(e.reason().find(". Host layer was (null)."), std::string::npos) << e.reason();
    }
    // An anchor layer that has gone leaves nothing to show.
    host->addAnnotation(annotation);
    anchor->removeFromSuperlayer();
    anchor.reset();
    annotation->positionContentLayer();
    EXPECT_TRUE(content->isHidden());
}

TEST(CPTLayerAnnotation, SettingsThatDoNotChangeAskForNothing) {
    auto host = std::make_shared<CPTAnnotationHostLayer>(CGRect(0, 0, 100, 100));
    auto annotation = std::make_shared<CPTLayerAnnotation>(host);
    annotation->setContentLayer(std::make_shared<CPTLayer>());
    host->addAnnotation(annotation);
    host->layoutIfNeeded();
    annotation->setDisplacement({0, 0});
    EXPECT_FALSE(host->needsLayout());
    annotation->setDisplacement({0, 1});
    EXPECT_TRUE(host->needsLayout());
}

TEST(CPTPlotSpaceAnnotation, SitsAtItsPlotPoint) {
    auto graph = graphWithPlotArea(200, 100);
    auto space = graph->xySpace();
    space->setXRange(rangeOf(0, 10));
    space->setYRange(rangeOf(0, 10));
    CPTPlotArea& plotArea = graph->plotArea();
    auto annotation =
        std::make_shared<CPTPlotSpaceAnnotation>(space, std::vector<Value>{Value(5.0), Value(2.0)});
    auto content = std::make_shared<CPTLayer>(CGRect(0, 0, 10, 10));
    annotation->setContentLayer(content);
    plotArea.addAnnotation(annotation);
    EXPECT_EQ(content->position(), (CGPoint{100, 20}));

    // A change of the mapping marks the host for layout; the next layout moves the content.
    plotArea.layoutIfNeeded();
    space->setXRange(rangeOf(0, 20));
    EXPECT_TRUE(plotArea.needsLayout());
    graph->layoutIfNeeded();
    EXPECT_EQ(content->position(), (CGPoint{50, 20}));

    // One coordinate only: y reads as 0.
    annotation->setAnchorPlotPoint(std::vector<Value>{Value(10.0)});
    EXPECT_EQ(annotation->anchorCount(), 1u);
    graph->layoutIfNeeded();
    EXPECT_EQ(content->position(), (CGPoint{100, 0}));
}

TEST(CPTPlotSpaceAnnotation, WithoutAPlotAreaItSitsAtTheHostOrigin) {
    auto space = std::make_shared<CPTXYPlotSpace>();
    auto host = std::make_shared<CPTAnnotationHostLayer>(CGRect(0, 0, 100, 100));
    auto annotation =
        std::make_shared<CPTPlotSpaceAnnotation>(space, std::vector<Value>{Value(0.5), Value(0.5)});
    auto content = std::make_shared<CPTLayer>(CGRect(0, 0, 10, 10));
    annotation->setContentLayer(content);
    annotation->setDisplacement({3, 4});
    host->addAnnotation(annotation);
    EXPECT_EQ(content->position(), (CGPoint{3, 4}));
}
