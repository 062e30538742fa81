// The axis of a chart as the graph, the plot area and the grid lines see it: its plot space and
// coordinate, the styles that decide which layer groups exist, its labels and title, the links to
// the plot area and graph, and the hooks they call to relabel it and to draw its grid lines and bands.
#pragma once

#include "plot/graph/CPTLayer.h"

#include <memory>
#include <vector>

class CPTAxisSet;
class CPTFill;
class CPTLimitBand;
class CPTLineStyle;
class CPTPlotArea;
class CPTPlotSpace;

// A tick label: the layer that shows it and the value it belongs to.
class CPTAxisLabel {
  public:
    explicit CPTAxisLabel(std::shared_ptr<CPTLayer> contentLayer) : contentLayer_(std::move(contentLayer)) {}
    virtual ~CPTAxisLabel() = default;
    const std::shared_ptr<CPTLayer>& contentLayer() const { return contentLayer_; }
    const foundation::Value& tickLocation() const { return tickLocation_; }
    void setTickLocation(const foundation::Value& location) { tickLocation_ = location; }

  private:
    std::shared_ptr<CPTLayer> contentLayer_;
    foundation::Value tickLocation_ = foundation::Value(0.0);
};

// An axis title is a label used for the title.
class CPTAxisTitle : public CPTAxisLabel {
  public:
    using CPTAxisLabel::CPTAxisLabel;
};

class CPTAxis : public CPTLayer {
  public:
    using AxisLabels = std::vector<std::shared_ptr<CPTAxisLabel>>;
    using BandFills = std::vector<std::shared_ptr<CPTFill>>; // a null entry leaves its band unfilled
    using LimitBands = std::vector<std::shared_ptr<CPTLimitBand>>;

    explicit CPTAxis(const CGRect& frame = {});
    ~CPTAxis() override;
    const char* className() const override { return "CPTAxis"; }

    // --- what it measures
    const std::shared_ptr<CPTPlotSpace>& plotSpace() const { return plotSpace_; }
    virtual void setPlotSpace(const std::shared_ptr<CPTPlotSpace>& space) { plotSpace_ = space; }
    CPTCoordinate coordinate() const { return coordinate_; }
    virtual void setCoordinate(CPTCoordinate coordinate) { coordinate_ = coordinate; }

    // --- styles the plot area reads to decide its groups (none: no grid lines of that kind)
    const std::shared_ptr<CPTLineStyle>& majorGridLineStyle() const { return majorGridLineStyle_; }
    virtual void setMajorGridLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
        majorGridLineStyle_ = style;
    }
    const std::shared_ptr<CPTLineStyle>& minorGridLineStyle() const { return minorGridLineStyle_; }
    virtual void setMinorGridLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
        minorGridLineStyle_ = style;
    }
    // Whether the axis keeps its own grid-line layers instead of drawing in the plot area's groups.
    bool separateLayers() const { return separateLayers_; }
    virtual void setSeparateLayers(bool value) { separateLayers_ = value; }
    const BandFills& alternatingBandFills() const { return alternatingBandFills_; }
    virtual void setAlternatingBandFills(const BandFills& fills) { alternatingBandFills_ = fills; }
    const LimitBands& backgroundLimitBands() const { return backgroundLimitBands_; }
    virtual void addBackgroundLimitBand(const std::shared_ptr<CPTLimitBand>& band);

    // --- labels and title
    const AxisLabels& axisLabels() const { return axisLabels_; }
    virtual void setAxisLabels(const AxisLabels& labels) { axisLabels_ = labels; }
    const std::shared_ptr<CPTAxisTitle>& axisTitle() const { return axisTitle_; }
    virtual void setAxisTitle(const std::shared_ptr<CPTAxisTitle>& title) { axisTitle_ = title; }

    // --- links: set by the axis set and the plot area; never owning
    CPTPlotArea* plotArea() const { return plotArea_; }
    virtual void setPlotArea(CPTPlotArea* plotArea) { plotArea_ = plotArea; }
    CPTAxisSet* axisSet() const;

    // --- hooks
    bool needsRelabel() const { return needsRelabel_; }
    virtual void setNeedsRelabel(bool value) { needsRelabel_ = value; }
    void setNeedsRelabel() { setNeedsRelabel(true); }
    // Computes ticks and labels when due.
    virtual void relabel() { needsRelabel_ = false; }
    // Places the title again.
    virtual void updateAxisTitle() {}
    // Drawn into the plot area's layers, not the axis's own.
    virtual void drawGridLinesInContext(gfx::Context& ctx, bool major) {}
    virtual void drawBackgroundBandsInContext(gfx::Context& ctx) {}
    virtual void drawBackgroundLimitsInContext(gfx::Context& ctx) {}

  private:
    std::shared_ptr<CPTPlotSpace> plotSpace_;
    CPTCoordinate coordinate_ = CPTCoordinateX;
    std::shared_ptr<CPTLineStyle> majorGridLineStyle_;
    std::shared_ptr<CPTLineStyle> minorGridLineStyle_;
    bool separateLayers_ = false;
    BandFills alternatingBandFills_;
    LimitBands backgroundLimitBands_;
    AxisLabels axisLabels_;
    std::shared_ptr<CPTAxisTitle> axisTitle_;
    CPTPlotArea* plotArea_ = nullptr;
    bool needsRelabel_ = true;
};
