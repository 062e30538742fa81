// The data region of a chart: six layer groups (minor and major grid lines, axis set, plots, axis
// labels, axis titles) in a changeable stacking order, all covering the plot area frame, with the
// fill, bands and limit bands drawn under them inside the plot area's shape.
#pragma once

#include "plot/graph/CPTAnnotationHostLayer.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class CPTAxis;
class CPTAxisLabelGroup;
class CPTAxisSet;
class CPTFill;
class CPTGridLineGroup;
class CPTLineStyle;
class CPTPlot;

// The plots' layer. It draws nothing itself: each plot draws in its own layer.
class CPTPlotGroup : public CPTLayer {
  public:
    explicit CPTPlotGroup(const CGRect& frame = {}) : CPTLayer(frame) {}
    const char* className() const override { return "CPTPlotGroup"; }
    void decodeFields(foundation::KeyedUnarchiver& coder) override;
    void addPlot(const std::shared_ptr<CPTPlot>& plot);
    void insertPlot(const std::shared_ptr<CPTPlot>& plot, std::size_t index);
    // Only a plot that is in this group leaves it.
    void removePlot(const std::shared_ptr<CPTPlot>& plot);
    void display() override {}
    void renderAsVectorInContext(gfx::Context&) override {}
};

class CPTPlotArea;

// Touches on the data region; every operation is optional and does nothing by default.
class CPTPlotAreaDelegate {
  public:
    virtual ~CPTPlotAreaDelegate() = default;
    virtual void plotAreaTouchDown(CPTPlotArea& plotArea) {}
    virtual void plotAreaTouchDownWithEvent(CPTPlotArea& plotArea, const CPTEvent& event) {}
    virtual void plotAreaTouchUp(CPTPlotArea& plotArea) {}
    virtual void plotAreaTouchUpWithEvent(CPTPlotArea& plotArea, const CPTEvent& event) {}
    virtual void plotAreaWasSelected(CPTPlotArea& plotArea) {}
    virtual void plotAreaWasSelectedWithEvent(CPTPlotArea& plotArea, const CPTEvent& event) {}
};

class CPTPlotArea : public CPTAnnotationHostLayer {
  public:
    explicit CPTPlotArea(const CGRect& frame = {});
    ~CPTPlotArea() override;
    const char* className() const override { return "CPTPlotArea"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

    // --- the groups (none: absent). Each setter re-inserts its group at its place in the order.
    const std::shared_ptr<CPTGridLineGroup>& minorGridLineGroup() const { return minorGridLineGroup_; }
    void setMinorGridLineGroup(const std::shared_ptr<CPTGridLineGroup>& group);
    const std::shared_ptr<CPTGridLineGroup>& majorGridLineGroup() const { return majorGridLineGroup_; }
    void setMajorGridLineGroup(const std::shared_ptr<CPTGridLineGroup>& group);
    const std::shared_ptr<CPTAxisSet>& axisSet() const { return axisSet_; }
    void setAxisSet(const std::shared_ptr<CPTAxisSet>& axisSet);
    const std::shared_ptr<CPTPlotGroup>& plotGroup() const { return plotGroup_; }
    void setPlotGroup(const std::shared_ptr<CPTPlotGroup>& group);
    const std::shared_ptr<CPTAxisLabelGroup>& axisLabelGroup() const { return axisLabelGroup_; }
    void setAxisLabelGroup(const std::shared_ptr<CPTAxisLabelGroup>& group);
    const std::shared_ptr<CPTAxisLabelGroup>& axisTitleGroup() const { return axisTitleGroup_; }
    void setAxisTitleGroup(const std::shared_ptr<CPTAxisLabelGroup>& group);

    // Layer types from the top down; unlisted types keep their order below the listed ones. Entries
    // beyond the sixth, repeats and values outside 0..5 are ignored.
    const std::optional<std::vector<std::int64_t>>& topDownLayerOrder() const { return topDownLayerOrder_; }
    void setTopDownLayerOrder(const std::optional<std::vector<std::int64_t>>& order);
    const std::array<std::int64_t, 6>& bottomUpLayerOrder() const { return bottomUpLayerOrder_; }
    bool isUpdatingLayers() const { return updatingLayers_; }

    void updateLayerOrder();
    // The sublayer index a group of the type takes: how many existing groups sit below it.
    std::int64_t indexForLayerType(std::int64_t layerType) const;
    // Makes the grid-line or label group of the type when some axis needs it, removes it otherwise.
    void updateAxisSetLayersForType(std::int64_t layerType);
    // Makes the group of the type when it is missing.
    void setAxisSetLayersForType(std::int64_t layerType);
    // Where an axis's layer goes in a group: the number of earlier axes that need one there.
    std::size_t sublayerIndexForAxis(const CPTAxis* axis, std::int64_t layerType) const;

    // Copied; drawn under everything inside the plot area's shape.
    const std::shared_ptr<CPTFill>& fill() const { return fill_; }
    void setFill(const std::shared_ptr<CPTFill>& fill);
    // The plot area's outline is the axis set's border.
    std::shared_ptr<CPTLineStyle> borderLineStyle() const;
    void setBorderLineStyle(const std::shared_ptr<CPTLineStyle>& style);

    // The size as decimals, for exact mapping.
    NSDecimal widthDecimal() const { return widthDecimal_; }
    NSDecimal heightDecimal() const { return heightDecimal_; }

    // Where the touch in progress went down, in this layer; (NaN, NaN) when none is.
    CGPoint touchedPoint() const { return touchedPoint_; }
    // Held weakly: a delegate that has gone reads as none.
    std::shared_ptr<CPTPlotAreaDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<CPTPlotAreaDelegate>& delegate) { delegate_ = delegate; }
    // Both answer NO after telling the delegate, so the legend and plot spaces see the touch too.
    bool pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) override;

    void setGraph(CPTGraph* graph) override;
    void setBounds(const CGRect& bounds) override;
    void layoutSublayers() override;
    LayerSet sublayersExcludedFromAutomaticLayout() const override;
    void renderAsVectorInContext(gfx::Context& ctx) override;

  private:
    // The one rule of the six group setters.
    template <class Group>
    void setGroup(std::shared_ptr<Group>& slot, const std::shared_ptr<Group>& group,
                  CPTPlotAreaLayerType type);
    bool axisNeedsLayerOfType(const CPTAxis& axis, std::int64_t layerType) const;

    std::shared_ptr<CPTGridLineGroup> minorGridLineGroup_;
    std::shared_ptr<CPTGridLineGroup> majorGridLineGroup_;
    std::shared_ptr<CPTAxisSet> axisSet_;
    std::shared_ptr<CPTPlotGroup> plotGroup_;
    std::shared_ptr<CPTAxisLabelGroup> axisLabelGroup_;
    std::shared_ptr<CPTAxisLabelGroup> axisTitleGroup_;
    std::shared_ptr<CPTFill> fill_;
    CGPoint touchedPoint_;
    std::optional<std::vector<std::int64_t>> topDownLayerOrder_;
    std::array<std::int64_t, 6> bottomUpLayerOrder_{0, 1, 2, 3, 4, 5};
    bool updatingLayers_ = false;
    NSDecimal widthDecimal_;
    NSDecimal heightDecimal_;
    std::weak_ptr<CPTPlotAreaDelegate> delegate_;
};
