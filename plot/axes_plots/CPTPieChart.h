// The pie chart: one numeric field drawn as slices of a disc or a ring around a centre placed in the
// plot area, with per-slice fills and radial offsets from the data source, an overlay fill, data
// labels around the rim, one legend entry per slice and a hit test by angle and distance.
#pragma once

#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/graph/CPTPlot.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CPTColor;

enum CPTPieChartField : std::uint64_t {
    CPTPieChartFieldSliceWidth = 0,           // the value of the slice, asked of the data source
    CPTPieChartFieldSliceWidthNormalized = 1, // value / sum of the values
    CPTPieChartFieldSliceWidthSum = 2,        // running sum including this slice / sum of the values
};

enum CPTPieDirection : std::int64_t {
    CPTPieDirectionClockwise = 0,        // angles decrease
    CPTPieDirectionCounterClockwise = 1, // angles increase
};

// The per-record lists of the pie chart.
inline constexpr const char* CPTPieChartBindingPieSliceFills = "sliceFills";
inline constexpr const char* CPTPieChartBindingPieSliceRadialOffsets = "sliceRadialOffsets";

class CPTPieChart;

// What a pie chart asks beyond the slice values. The list forms answer one entry per record of the
// range; a null fill (or the nil marker) gives the slice its default colour.
class CPTPieChartDataSource : public CPTPlotDataSource {
  public:
    virtual std::optional<CPTPlotObjectList> sliceFillsForPieChart(CPTPieChart& chart, NSRange indexRange) {
        return std::nullopt;
    }
    virtual std::optional<std::shared_ptr<CPTFill>> sliceFillForPieChart(CPTPieChart& chart,
                                                                         std::uint64_t idx) {
        return std::nullopt;
    }
    // Points outward from the centre.
    virtual std::optional<std::vector<CGFloat>> radialOffsetsForPieChart(CPTPieChart& chart,
                                                                         NSRange indexRange) {
        return std::nullopt;
    }
    virtual std::optional<CGFloat> radialOffsetForPieChart(CPTPieChart& chart, std::uint64_t idx) {
        return std::nullopt;
    }
    virtual std::optional<std::string> legendTitleForPieChart(CPTPieChart& chart, std::uint64_t idx) {
        return std::nullopt;
    }
    virtual std::optional<gfx::RichText> attributedLegendTitleForPieChart(CPTPieChart& chart,
                                                                          std::uint64_t idx) {
        return std::nullopt;
    }
};

// Touches on a slice, besides the plot delegate's operations. Each answers whether it is
// implemented: the default does nothing and answers false.
class CPTPieChartDelegate : public CPTPlotDelegate {
  public:
    virtual bool pieChartSliceTouchDownAtRecordIndex(CPTPieChart& plot, std::uint64_t idx) { return false; }
    virtual bool pieChartSliceTouchDownAtRecordIndexWithEvent(CPTPieChart& plot, std::uint64_t idx, const CPTEvent& event) {
        return false;
    }
    virtual bool pieChartSliceTouchUpAtRecordIndex(CPTPieChart& plot, std::uint64_t idx) { return false; }
    virtual bool pieChartSliceTouchUpAtRecordIndexWithEvent(CPTPieChart& plot, std::uint64_t idx, const CPTEvent& event) {
        return false;
    }
    virtual bool pieChartSliceWasSelectedAtRecordIndex(CPTPieChart& plot, std::uint64_t idx) { return false; }
    virtual bool pieChartSliceWasSelectedAtRecordIndexWithEvent(CPTPieChart& plot, std::uint64_t idx, const CPTEvent& event) {
        return false;
    }
};

class CPTPieChart : public CPTPlot {
  public:
    // The radius is 0.8 of half the frame's smaller side.
    explicit CPTPieChart(const CGRect& frame = {});
    const char* className() const override { return "CPTPieChart"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

    // Row i mod 10 of a table of ten colours, each of red, green and blue raised by 0.1 for every full
    // ten and kept at most 1.0.
    static std::shared_ptr<CPTColor> defaultPieSliceColorForIndex(std::uint64_t idx);

    // --- settings; each change redraws
    // In layer points; stored as absolute values (a NaN radius draws nothing).
    CGFloat pieRadius() const { return pieRadius_; }
    void setPieRadius(CGFloat radius);
    // Above 0 the chart is a ring.
    CGFloat pieInnerRadius() const { return pieInnerRadius_; }
    void setPieInnerRadius(CGFloat radius);
    // Radians, counter-clockwise from +x.
    CGFloat startAngle() const { return startAngle_; }
    void setStartAngle(CGFloat angle);
    // NaN: a full circle.
    CGFloat endAngle() const { return endAngle_; }
    void setEndAngle(CGFloat angle);
    CPTPieDirection sliceDirection() const { return sliceDirection_; }
    void setSliceDirection(CPTPieDirection direction);
    // The centre as fractions of the plot area's bounds.
    CGPoint centerAnchor() const { return centerAnchor_; }
    void setCenterAnchor(CGPoint anchor);
    // Copied; strokes every slice and the legend swatch.
    const std::shared_ptr<CPTLineStyle>& borderLineStyle() const { return borderLineStyle_; }
    void setBorderLineStyle(const std::shared_ptr<CPTLineStyle>& style);
    // Copied; painted over the slices. Stored without a redraw: the next drawing shows it.
    const std::shared_ptr<CPTFill>& overlayFill() const { return overlayFill_; }
    void setOverlayFill(const std::shared_ptr<CPTFill>& fill) {
        overlayFill_ = fill ? fill->copy() : nullptr;
    }
    bool labelRotationRelativeToRadius() const { return labelRotationRelativeToRadius_; }
    void setLabelRotationRelativeToRadius(bool value);
    void setLabelRotation(CGFloat rotation) override;
    std::uint64_t pointingDeviceDownIndex() const { return pointingDeviceDownIndex_; }

    // --- the cached field and lists as whole arrays
    foundation::Value::Array sliceWidths() const;
    void setSliceWidths(const std::optional<foundation::Value::Array>& widths);
    CPTPlotObjectList sliceFills() const;
    void setSliceFills(const CPTPlotObjectList& fills);
    CPTPlotObjectList sliceRadialOffsets() const;
    void setSliceRadialOffsets(const CPTPlotObjectList& offsets);

    // --- fields
    std::uint64_t numberOfFields() const override { return 1; }
    std::vector<std::uint64_t> fieldIdentifiers() const override { return {CPTPieChartFieldSliceWidth}; }

    // --- reloading
    void reloadData() override;
    void reloadDataInIndexRange(NSRange indexRange) override;
    void insertDataAtIndex(std::uint64_t idx, std::uint64_t numberOfRecords) override;
    void deleteDataInIndexRange(NSRange indexRange) override;
    void reloadPlotDataInIndexRange(NSRange indexRange) override;
    void reloadSliceFills();
    void reloadSliceFillsInIndexRange(NSRange indexRange);
    void reloadRadialOffsets();
    void reloadRadialOffsetsInIndexRange(NSRange indexRange);
    // Derives the normalised and cumulative fields from the values. A value that is missing, negative
    // or infinite is no slice: it counts as nothing in the sum and its fractions are NaN. When the
    // values sum to zero every fraction is NaN and nothing is drawn.
    void updateNormalizedData();

    // --- geometry
    // The angle at a cumulative fraction of the pie.
    CGFloat radiansForPieSliceValue(CGFloat pieSliceValue) const;
    // The centre in the chart's coordinates; false without a plot area.
    bool centerPoint(CGPoint& center) const;
    // Adds one closed slice: a full disc or ring when the width is 1 or more.
    void addSliceToPath(gfx::Path& path, CGPoint center, CGFloat startingAngle, CGFloat finishingAngle,
                        CGFloat width) const;
    // The cached fill of the slice, else a colour fill of its default colour.
    std::shared_ptr<CPTFill> sliceFillForIndex(std::uint64_t idx) const;
    CGFloat radialOffsetForIndex(std::uint64_t idx) const;
    // A fraction of a turn in [0, 1).
    static CGFloat normalizedPosition(CGFloat rawPosition);
    // Whether the position (in turns) lies between the two, walking in the slice direction.
    bool angleBetween(CGFloat touchedAngle, CGFloat startingAngle, CGFloat endingAngle) const;
    // The slice whose angular span holds the angle, foundation::notFound when none.
    std::uint64_t pieSliceIndexAtAngle(CGFloat angle);
    // The middle of the slice's span; NaN when there is no such slice.
    CGFloat medianAngleForPieSliceIndex(std::uint64_t idx);

    // --- labels and legend
    void positionLabelAnnotation(CPTPlotSpaceAnnotation& label, std::uint64_t idx) override;
    std::uint64_t numberOfLegendEntries() override;
    std::optional<std::string> titleForLegendEntryAtIndex(std::uint64_t idx) override;
    std::optional<gfx::RichText> attributedTitleForLegendEntryAtIndex(std::uint64_t idx) override;
    void drawSwatchForLegend(CPTLegend& legend, std::uint64_t idx, CGRect rect,
                             gfx::Context& context) override;

    // The slice under a point of the plot area: within its angle, between the inner and outer radius
    // around its (offset) centre.
    std::uint64_t dataIndexFromInteractionPoint(CGPoint point) override;

    // --- drawing
    void renderAsVectorInContext(gfx::Context& ctx) override;
    bool needsDisplayForKey(std::string_view key) const override;

    // Presses and releases on a slice go to a CPTPieChartDelegate; the rest to the data labels.
    bool pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) override;

  private:
    std::shared_ptr<CPTPieChartDataSource> pieDataSource() const;
    void postLegendRedraw();
    void postLegendReload();
    CGFloat normalizedValue(std::uint64_t idx) const;

    CGFloat pieRadius_ = 0;
    CGFloat pieInnerRadius_ = 0;
    CGFloat startAngle_;
    CGFloat endAngle_;
    CPTPieDirection sliceDirection_ = CPTPieDirectionClockwise;
    CGPoint centerAnchor_{0.5, 0.5};
    std::shared_ptr<CPTLineStyle> borderLineStyle_;
    std::shared_ptr<CPTFill> overlayFill_;
    bool labelRotationRelativeToRadius_ = false;
    std::uint64_t pointingDeviceDownIndex_ = foundation::notFound;
};
