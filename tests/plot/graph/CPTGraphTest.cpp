// The graph: construction, plots and plot spaces with their notifications, the mapping-change
// reaction, title and legend, and what a render does first.
#include "GraphFixtures.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTLayerAnnotation.h"
#include "plot/graph/CPTLegend.h"
#include "plot/graph/CPTLimitBand.h"
#include "plot/graph/CPTTextLayer.h"

#include <gtest/gtest.h>

using foundation::Value;

TEST(CPTGraphConstruction, TheDefaults) {
    auto graph = TestGraph::create(CGRect(0, 0, 300, 200));
    EXPECT_EQ(graph->paddingLeft(), 20);
    EXPECT_EQ(graph->paddingTop(), 20);
    EXPECT_EQ(graph->paddingRight(), 20);
    EXPECT_EQ(graph->paddingBottom(), 20);
    EXPECT_EQ(graph->allPlotSpaces().size(), 1u);
    EXPECT_EQ(graph->defaultPlotSpace()->graph(), graph.get());
    EXPECT_EQ(graph->axisSet(), nullptr);
    ASSERT_NE(graph->plotAreaFrame(), nullptr);
    EXPECT_EQ(graph->plotAreaFrame()->graph(), graph.get());
    EXPECT_EQ(graph->plotArea().graph(), graph.get());
    EXPECT_NE(graph->plotArea().plotGroup(), nullptr);
    EXPECT_TRUE(graph->plotAreaFrame()->masksToBorder());
    EXPECT_EQ(graph->titlePlotAreaFrameAnchor(), CPTRectAnchorTop);
    EXPECT_EQ(graph->legendAnchor(), CPTRectAnchorBottom);
    EXPECT_NE(graph->titleTextStyle(), nullptr);
    EXPECT_EQ(graph->title(), std::nullopt);
    EXPECT_TRUE(graph->needsDisplayForKey("titleDisplacement"));
    EXPECT_FALSE(graph->needsDisplayForKey("bounds"));
    // Laid out, the plot area frame sits inside the paddings.
    graph->layoutIfNeeded();
    EXPECT_EQ(graph->plotAreaFrame()->bounds().size, (CGSize{260, 160}));
}

TEST(CPTGraphPlots, AddInsertFindAndRemove) {
    auto graph = TestGraph::create(CGRect(0, 0, 300, 200));
    auto a = std::make_shared<RecordingPlot>();
    auto b = std::make_shared<RecordingPlot>();
    auto c = std::make_shared<RecordingPlot>();
    a->setIdentifier(Value("a"));
    c->setIdentifier(Value("c"));
    graph->addPlot(a);
    graph->addPlot(b);
    graph->insertPlot(c, 1);
    graph->addPlot(nullptr);
    EXPECT_EQ(graph->allPlots(), (std::vector<std::shared_ptr<CPTPlot>>{a, c, b}));
    auto group = graph->plotArea().plotGroup();
    ASSERT_EQ(group->sublayers().size(), 3u);
    EXPECT_EQ(group->sublayers()[1].get(), c.get());
    EXPECT_EQ(a->plotSpace(), graph->defaultPlotSpace());
    EXPECT_EQ(a->graph(), graph.get());
    EXPECT_EQ(a->plotArea(), &graph->plotArea());
    EXPECT_EQ(graph->plotWithIdentifier(Value("c")), c);
    EXPECT_EQ(graph->plotWithIdentifier(Value("z")), nullptr);
    EXPECT_EQ(graph->plotAtIndex(2), b);
    EXPECT_EQ(graph->plotAtIndex(3), nullptr);
    EXPECT_THROW(graph->insertPlot(std::make_shared<RecordingPlot>(), 9), CPTException);

    graph->removePlotWithIdentifier(Value("a"));
    EXPECT_EQ(a->graph(), nullptr);
    EXPECT_EQ(a->plotSpace(), nullptr);
    EXPECT_EQ(a->superlayer(), nullptr);
    graph->removePlotWithIdentifier(Value("a"));
    try {
        graph->removePlot(a);
        ADD_FAILURE() << "no exception";
    } catch (const CPTException& e) {
        EXPECT_EQ(e.reason(), "Tried to remove CPTPlot which did not exist.");
    }
    // With every plot space gone, a new plot has none.
    graph->removePlotSpace(graph->defaultPlotSpace());
    auto d = std::make_shared<RecordingPlot>();
    graph->addPlot(d);
    EXPECT_EQ(d->plotSpace(), nullptr);
}

TEST(CPTGraphPlotSpaces, AddAndRemoveWithTheirNotifications) {
    auto graph = TestGraph::create(CGRect(0, 0, 300, 200));
    NotificationListener added(CPTGraphDidAddPlotSpaceNotification, graph.get());
    NotificationListener removed(CPTGraphDidRemovePlotSpaceNotification, graph.get());
    auto second = std::make_shared<CPTXYPlotSpace>();
    second->setIdentifier(Value(2));
    graph->addPlotSpace(second);
    ASSERT_EQ(added.count(), 1u);
    EXPECT_EQ(added.received[0].userInfo.find(CPTGraphPlotSpaceNotificationKey)->toUInt64(),
              reinterpret_cast<std::uintptr_t>(second.get()));
    EXPECT_EQ(graph->plotSpaceWithIdentifier(Value(2)), second);
    EXPECT_EQ(graph->plotSpaceAtIndex(1), second);
    EXPECT_EQ(graph->plotSpaceAtIndex(2), nullptr);

    // Axes on a removed space lose it; plots keep it.
    auto axis = std::make_shared<RecordingAxis>();
    axis->setPlotSpace(second);
    auto axisSet = std::make_shared<CPTAxisSet>();
    axisSet->setAxes({axis});
    graph->setAxisSet(axisSet);
    auto plot = std::make_shared<RecordingPlot>();
    graph->addPlot(plot, second);
    graph->removePlotSpace(second);
    EXPECT_EQ(axis->plotSpace(), nullptr);
    EXPECT_EQ(plot->plotSpace(), second);
    EXPECT_EQ(second->graph(), nullptr);
    EXPECT_EQ(removed.count(), 1u);
    EXPECT_THROW(graph->removePlotSpace(second), CPTException);
    graph->removePlotSpace(nullptr);
}

TEST(CPTGraphPlotSpaces, AMappingChangeRelabelsAndRedraws) {
    auto graph = TestGraph::create(CGRect(0, 0, 300, 200));
    auto space = graph->xySpace();
    auto other = std::make_shared<CPTXYPlotSpace>();
    graph->addPlotSpace(other);
    auto log = std::make_shared<CallLog>();
    auto x = std::make_shared<RecordingAxis>(log, "x");
    auto elsewhere = std::make_shared<RecordingAxis>(log, "elsewhere");
    x->setPlotSpace(space);
    elsewhere->setPlotSpace(other);
    auto axisSet = std::make_shared<CPTAxisSet>();
    axisSet->setAxes({x, elsewhere});
    graph->setAxisSet(axisSet);
    auto plot = std::make_shared<RecordingPlot>(log);
    graph->addPlot(plot);
    graph->layoutIfNeeded();
    graph->plotArea().displayIfNeeded();
    plot->displayIfNeeded();
    log->clear();

    space->setXRange(rangeOf(0, 5));
    EXPECT_EQ(*log, (CallLog{"x needsRelabel", "x updateTitle"}));
    EXPECT_TRUE(plot->needsDisplay());
    EXPECT_FALSE(graph->plotArea().needsDisplay()) << "no bands: the background stays";
    x->addBackgroundLimitBand(std::make_shared<CPTLimitBand>(rangeOf(1, 1)));
    space->setXRange(rangeOf(0, 6));
    EXPECT_TRUE(graph->plotArea().needsDisplay());
}

TEST(CPTGraphTitle, PlainAttributedAndStyleKeepEachOtherConsistent) {
    auto graph = TestGraph::create(CGRect(0, 0, 300, 200));
    graph->setTitle(std::string("Weights"));
    auto annotation = graph->titleAnnotation();
    ASSERT_NE(annotation, nullptr);
    auto* text = dynamic_cast<CPTTextLayer*>(annotation->contentLayer().get());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), "Weights");
    EXPECT_EQ(annotation->anchorLayer(), graph->plotAreaFrame());
    EXPECT_EQ(annotation->rectAnchor(), CPTRectAnchorTop);
    EXPECT_EQ(annotation->contentAnchorPoint(), (CGPoint{0.5, 1}));

    // The attributed title gives the plain text and the style.
    gfx::RichText rich;
    gfx::TextAttributes bold;
    bold.bold = true;
    bold.size = 18;
    rich.append("Heights", bold);
    graph->setAttributedTitle(rich);
    EXPECT_EQ(graph->title(), std::optional<std::string>("Heights"));
    EXPECT_EQ(graph->titleTextStyle()->fontSize(), 18);
    EXPECT_EQ(graph->titleAnnotation(), annotation) << "the same annotation shows it";
    EXPECT_EQ(text->text(), "Heights");
    // A plain title clears the attributed one; so does a style.
    graph->setTitle(std::string("Ages"));
    EXPECT_EQ(graph->attributedTitle(), std::nullopt);
    EXPECT_EQ(text->text(), "Ages");
    graph->setAttributedTitle(rich);
    auto style = std::make_shared<CPTMutableTextStyle>();
    style->setFontSize(9);
    graph->setTitleTextStyle(style);
    EXPECT_EQ(graph->attributedTitle(), std::nullopt);
    EXPECT_EQ(text->textStyle()->fontSize(), 9);
    // An empty attributed title counts as none: the title goes.
    graph->setAttributedTitle(gfx::RichText());
    EXPECT_EQ(graph->titleAnnotation(), annotation) << "nothing was set";
    graph->setAttributedTitle(rich);
    graph->setAttributedTitle(std::nullopt);
    EXPECT_EQ(graph->titleAnnotation(), nullptr);
    EXPECT_EQ(graph->title(), std::nullopt);
    EXPECT_EQ(graph->titleTextStyle(), nullptr);
    // Set again: a new annotation with the current anchor and displacement.
    graph->setTitlePlotAreaFrameAnchor(CPTRectAnchorBottomLeft);
    graph->setTitleDisplacement({3, 4});
    graph->setTitle(std::string("Again"));
    ASSERT_NE(graph->titleAnnotation(), nullptr);
    EXPECT_NE(graph->titleAnnotation(), annotation);
    EXPECT_EQ(graph->titleAnnotation()->rectAnchor(), CPTRectAnchorBottomLeft);
    EXPECT_EQ(graph->titleAnnotation()->displacement(), (CGPoint{3, 4}));
    graph->setTitle(std::nullopt);
    EXPECT_EQ(graph->titleAnnotation(), nullptr);
}

TEST(CPTGraphLegend, PlacedOnTheGraphAtItsAnchor) {
    struct Case {
        std::int64_t anchor;
        CGPoint contentAnchor;
    };
    const Case table[] = {{0, {0, 0}},     {1, {0.5, 0}}, {2, {1, 0}},   {3, {0, 0.5}},
                          {4, {1, 0.5}},   {5, {0, 1}},   {6, {0.5, 1}}, {7, {1, 1}},
                          {8, {0.5, 0.5}}, {9, {0, 0}},   {-1, {0, 0}}};
    for (const auto& c : table) {
        SCOPED_TRACE(c.anchor);
        EXPECT_EQ(CPTGraph::contentAnchorForRectAnchor(static_cast<CPTRectAnchor>(c.anchor)),
                  c.contentAnchor);
    }
    auto graph = TestGraph::create(CGRect(0, 0, 300, 200));
    auto legend = std::make_shared<CPTLegend>(CGRect(0, 0, 40, 20));
    graph->setLegendAnchor(CPTRectAnchorTopLeft);
    graph->setLegendDisplacement({5, -5});
    graph->setLegend(legend);
    ASSERT_NE(graph->legendAnnotation(), nullptr);
    EXPECT_EQ(graph->legendAnnotation()->contentAnchorPoint(), (CGPoint{0, 1}));
    // Its top-left corner at the graph's top-left, moved by the displacement.
    CGRect f = legend->frame();
    EXPECT_EQ(f.origin.x, 5);
    EXPECT_EQ(f.origin.y + f.size.height, 195);
    graph->setLegend(nullptr);
    EXPECT_EQ(graph->legendAnnotation(), nullptr);
    EXPECT_EQ(legend->superlayer(), nullptr);
}

TEST(CPTGraphRendering, ReloadRelabelLayoutThenRender) {
    auto log = std::make_shared<CallLog>();
    auto graph = TestGraph::create(CGRect(0, 0, 300, 200));
    auto axis = std::make_shared<RecordingAxis>(log, "axis");
    auto axisSet = std::make_shared<CPTAxisSet>();
    axisSet->setAxes({axis});
    graph->setAxisSet(axisSet);
    auto plot = std::make_shared<RecordingPlot>(log);
    graph->addPlot(plot);
    log->clear();
    auto rc = gfx::makeRecordingContext();
    graph->layoutAndRenderInContext(*rc.context);
    // The plot area asks the axis for its bands while it draws, below the plots.
    EXPECT_EQ(*log, (CallLog{"plot reloadIfNeeded", "axis relabel", "plot layout", "axis bands",
                             "axis limits", "plot render"}));
}

TEST(CPTGraphRendering, ReloadKeepsTheCategoriesThePlotsCache) {
    auto graph = TestGraph::create(CGRect(0, 0, 300, 200));
    auto plot = std::make_shared<RecordingPlot>();
    plot->onReload = [](RecordingPlot& p) {
        p.plotSpace()->setCategories(std::vector<std::string>{"b", "a"}, CPTCoordinateX);
    };
    graph->addPlot(plot);
    graph->defaultPlotSpace()->addCategory("stale", CPTCoordinateY);
    graph->reloadData();
    EXPECT_EQ(graph->defaultPlotSpace()->categoriesForCoordinate(CPTCoordinateX),
              (std::vector<std::string>{"b", "a"}));
    EXPECT_TRUE(graph->defaultPlotSpace()->categoriesForCoordinate(CPTCoordinateY).empty());
}

TEST(CPTGraphLifetime, LayersAndSpacesHeldElsewhereForgetAGraphThatWent) {
    auto plot = std::make_shared<RecordingPlot>();
    std::shared_ptr<CPTPlotSpace> space;
    std::shared_ptr<CPTPlotArea> area;
    {
        auto graph = TestGraph::create(CGRect(0, 0, 100, 100));
        graph->addPlot(plot);
        space = graph->defaultPlotSpace();
        area = graph->plotAreaFrame()->plotArea();
    }
    EXPECT_EQ(plot->graph(), nullptr);
    EXPECT_EQ(space->graph(), nullptr);
    EXPECT_EQ(area->graph(), nullptr);
    plot->setNeedsDisplay(); // announces nothing, touches nothing gone
}
