// The plot area: its groups made on demand, their order, their frames over the whole plot area
// frame, and its background drawing.
#include "GraphFixtures.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/graph/CPTAxisLabelGroup.h"
#include "plot/graph/CPTGridLines.h"
#include "plot/graph/CPTLimitBand.h"

#include <gtest/gtest.h>

namespace {

// The layer types of the plot area's groups, in sublayer order.
std::vector<std::int64_t> groupOrder(const CPTPlotArea& area) {
    std::vector<std::int64_t> types;
    for (const auto& sub : area.sublayers()) {
        const layers::Layer* l = sub.get();
        if (l == area.minorGridLineGroup().get())
            types.push_back(0);
        else if (l == area.majorGridLineGroup().get())
            types.push_back(1);
        else if (l == area.axisSet().get())
            types.push_back(2);
        else if (l == area.plotGroup().get())
            types.push_back(3);
        else if (l == area.axisLabelGroup().get())
            types.push_back(4);
        else if (l == area.axisTitleGroup().get())
            types.push_back(5);
    }
    return types;
}

std::shared_ptr<CPTAxisSet> axisSetWith(std::vector<std::shared_ptr<CPTAxis>> axes) {
    auto set = std::make_shared<CPTAxisSet>();
    set->setAxes(CPTAxisSet::Axes(axes.begin(), axes.end()));
    return set;
}

} // namespace

TEST(CPTPlotAreaOrder, TopDownOrderBecomesBottomUp) {
    struct Case {
        const char* name;
        std::optional<std::vector<std::int64_t>> topDown;
        std::array<std::int64_t, 6> bottomUp;
    };
    const Case cases[] = {
        {"none", std::nullopt, {0, 1, 2, 3, 4, 5}},
        {"plots on top", std::vector<std::int64_t>{3}, {0, 1, 2, 4, 5, 3}},
        {"labels, then plots", std::vector<std::int64_t>{4, 3}, {0, 1, 2, 5, 3, 4}},
        {"repeats, strangers and a seventh entry ignored",
         std::vector<std::int64_t>{3, 3, 9, 1, 2, 4, 5, 0},
         {0, 5, 4, 2, 1, 3}},
        {"negative", std::vector<std::int64_t>{-1, 3}, {0, 1, 2, 4, 5, 3}},
        {"all six reversed", std::vector<std::int64_t>{0, 1, 2, 3, 4, 5}, {5, 4, 3, 2, 1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CPTPlotArea area(CGRect(0, 0, 100, 100));
        area.setTopDownLayerOrder(c.topDown);
        EXPECT_EQ(area.bottomUpLayerOrder(), c.bottomUp);
    }
}

TEST(CPTPlotAreaGroups, MadeWhenAnAxisNeedsThem) {
    auto area = std::make_shared<CPTPlotArea>(CGRect(0, 0, 100, 100));
    EXPECT_EQ(groupOrder(*area), std::vector<std::int64_t>{3})
        << "a fresh plot area holds only the plot group";
    EXPECT_EQ(area->sublayers().size(), 1u);

    auto log = std::make_shared<CallLog>();
    auto plain = std::make_shared<RecordingAxis>(log, "x");
    auto gridded = std::make_shared<RecordingAxis>(log, "y");
    area->setAxisSet(axisSetWith({plain, gridded}));
    EXPECT_EQ(groupOrder(*area), (std::vector<std::int64_t>{2, 3}));
    EXPECT_EQ(plain->plotArea(), area.get());

    gridded->setMajorGridLineStyle(std::make_shared<CPTLineStyle>());
    area->updateAxisSetLayersForType(CPTPlotAreaLayerTypeMajorGridLines);
    EXPECT_EQ(groupOrder(*area), (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_TRUE(area->majorGridLineGroup()->major());
    EXPECT_EQ(area->majorGridLineGroup()->plotArea(), area.get());
    EXPECT_EQ(area->sublayerIndexForAxis(gridded.get(), CPTPlotAreaLayerTypeMajorGridLines), 0u);
    plain->setMajorGridLineStyle(std::make_shared<CPTLineStyle>());
    EXPECT_EQ(area->sublayerIndexForAxis(gridded.get(), CPTPlotAreaLayerTypeMajorGridLines), 1u);

    // Plots above everything, then back to the default order.
    area->setTopDownLayerOrder(std::vector<std::int64_t>{3});
    EXPECT_EQ(groupOrder(*area), (std::vector<std::int64_t>{1, 2, 3}));
    area->setTopDownLayerOrder(std::vector<std::int64_t>{1});
    EXPECT_EQ(groupOrder(*area), (std::vector<std::int64_t>{2, 3, 1}));
    area->setTopDownLayerOrder(std::nullopt);
    EXPECT_EQ(groupOrder(*area), (std::vector<std::int64_t>{1, 2, 3}));

    // When no axis needs it any more, the group goes.
    plain->setMajorGridLineStyle(nullptr);
    gridded->setMajorGridLineStyle(nullptr);
    area->updateAxisSetLayersForType(CPTPlotAreaLayerTypeMajorGridLines);
    EXPECT_EQ(groupOrder(*area), (std::vector<std::int64_t>{2, 3}));

    // Giving up the axis set clears its axes' plot area.
    area->setAxisSet(nullptr);
    EXPECT_EQ(plain->plotArea(), nullptr);
}

TEST(CPTPlotAreaGroups, GroupsCoverTheWholeFrame) {
    auto graph = TestGraph::create(CGRect(0, 0, 240, 140));
    auto axis = std::make_shared<RecordingAxis>();
    axis->setMinorGridLineStyle(std::make_shared<CPTLineStyle>());
    graph->setAxisSet(axisSetWith({axis}));
    auto& frame = *graph->plotAreaFrame();
    frame.setPaddingLeft(10);
    frame.setPaddingBottom(5);
    graph->layoutIfNeeded();
    CPTPlotArea& area = graph->plotArea();
    EXPECT_EQ(frame.bounds().size, (CGSize{200, 100}));
    EXPECT_EQ(area.frame(), CGRect(10, 5, 190, 95));
    EXPECT_EQ(area.minorGridLineGroup()->frame(), CGRect(-10, -5, 200, 100));
    EXPECT_EQ(area.plotGroup()->frame(), CGRect(0, 0, 190, 95));
    // Without a border line style the axis set is placed but takes no size.
    EXPECT_EQ(area.axisSet()->frame(), CGRect(-10, -5, 0, 0));
    area.setBorderLineStyle(std::make_shared<CPTLineStyle>());
    EXPECT_NE(area.borderLineStyle(), nullptr);
    graph->layoutIfNeeded();
    EXPECT_EQ(area.axisSet()->frame(), CGRect(-10, -5, 200, 100));
}

TEST(CPTPlotAreaDrawing, FillThenBandsThenLimitsInsideTheShape) {
    auto log = std::make_shared<CallLog>();
    auto area = std::make_shared<CPTPlotArea>(CGRect(0, 0, 100, 50));
    area->setAxisSet(
        axisSetWith({std::make_shared<RecordingAxis>(log, "x"), std::make_shared<RecordingAxis>(log, "y")}));
    area->setFill(CPTFill::fillWithColor(CPTColor::redColor()));
    area->setCornerRadius(5);
    auto rc = gfx::makeRecordingContext(CGRect(0, 0, 100, 50));
    area->renderAsVectorInContext(*rc.context);
    EXPECT_EQ(*log, (CallLog{"x bands", "y bands", "x limits", "y limits"}));
    auto lines = rc.recorder->lines();
    ASSERT_EQ(lines.size(), 2u);
    // The rounded shape clips the background, which fills the bounds.
    EXPECT_EQ(lines[0].rfind("clip winding M 5 0", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "fill winding M 0 0 L 100 0 L 100 50 L 0 50 Z color 1 0 0 1");
    EXPECT_FALSE(area->masksToBounds());

    // A zero-size plot area paints nothing.
    log->clear();
    area->setBounds(CGRect(0, 0, 0, 50));
    rc.recorder->clear();
    area->renderAsVectorInContext(*rc.context);
    EXPECT_TRUE(rc.recorder->lines().empty());
    EXPECT_TRUE(log->empty());
}

TEST(CPTGridLines, GroupsAskEveryAxisThatDoesNotKeepItsOwnLayers) {
    auto log = std::make_shared<CallLog>();
    auto shared = std::make_shared<RecordingAxis>(log, "shared");
    auto separate = std::make_shared<RecordingAxis>(log, "separate");
    separate->setSeparateLayers(true);
    auto area = std::make_shared<CPTPlotArea>(CGRect(0, 0, 100, 100));
    area->setAxisSet(axisSetWith({shared, separate}));
    CPTGridLineGroup group;
    group.setPlotArea(area.get());
    group.setMajor(true);
    auto rc = gfx::makeRecordingContext();
    group.renderAsVectorInContext(*rc.context);
    EXPECT_EQ(*log, CallLog{"shared major grid"});
    // The axis's own layer draws its lines once more, for that axis alone.
    CPTGridLines own;
    own.setAxis(separate);
    own.renderAsVectorInContext(*rc.context);
    EXPECT_EQ(*log, (CallLog{"shared major grid", "separate minor grid"}));
    // A group whose plot area has gone draws nothing.
    area.reset();
    log->clear();
    CPTGridLineGroup orphan;
    orphan.renderAsVectorInContext(*rc.context);
    EXPECT_TRUE(log->empty());
}

TEST(CPTLimitBand, HoldsItsRangeAndFill) {
    CPTLimitBand empty;
    EXPECT_EQ(empty.range(), nullptr);
    EXPECT_EQ(empty.fill(), nullptr);
    auto band =
        CPTLimitBand::limitBandWithRange(rangeOf(1, 2), CPTFill::fillWithColor(CPTColor::blueColor()));
    auto copy = band->copy();
    EXPECT_EQ(copy->range(), band->range());
    EXPECT_EQ(copy->fill(), band->fill());
    EXPECT_NE(band->description().find(" with range: "), std::string::npos);
}
