// The bar plot: one bar per record, standing on a base value and reaching to a tip value at a location
// along the other axis; vertical or horizontal, with per-record fills, outlines and widths from the
// data source, rounded tip and base corners, a common offset and a data label beyond each tip.
#pragma once

#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/graph/CPTPlot.h"

#include <memory>
#include <optional>
#include <string>

class CPTColor;

enum CPTBarPlotField : std::uint64_t {
    CPTBarPlotFieldBarLocation = 0, // where the bar stands
    CPTBarPlotFieldBarTip = 1,      // the value it reaches
    CPTBarPlotFieldBarBase = 2,     // the value it starts from, while bases vary
};

// The per-record lists of the bar plot.
inline constexpr const char* CPTBarPlotBindingBarFills = "barFills";
inline constexpr const char* CPTBarPlotBindingBarLineStyles = "barLineStyles";
inline constexpr const char* CPTBarPlotBindingBarWidths = "barWidths";

class CPTBarPlot;

// What a bar plot asks beyond the records. The list forms answer one entry per record of the range:
// an object, the null entry (that bar draws no fill or outline) or the nil marker (the plot's own).
// A single form's null answer is nil.
class CPTBarPlotDataSource : public CPTPlotDataSource {
  public:
    virtual std::optional<CPTPlotObjectList> barFillsForBarPlot(CPTBarPlot& plot, NSRange indexRange) {
        return std::nullopt;
    }
    virtual std::optional<std::shared_ptr<CPTFill>> barFillForBarPlot(CPTBarPlot& plot, std::uint64_t idx) {
        return std::nullopt;
    }
    virtual std::optional<CPTPlotObjectList> barLineStylesForBarPlot(CPTBarPlot& plot, NSRange indexRange) {
        return std::nullopt;
    }
    virtual std::optional<std::shared_ptr<CPTLineStyle>> barLineStyleForBarPlot(CPTBarPlot& plot,
                                                                               std::uint64_t idx) {
        return std::nullopt;
    }
    // Numbers, in the unit of the plot's bar width.
    virtual std::optional<CPTPlotObjectList> barWidthsForBarPlot(CPTBarPlot& plot, NSRange indexRange) {
        return std::nullopt;
    }
    virtual std::optional<foundation::Value> barWidthForBarPlot(CPTBarPlot& plot, std::uint64_t idx) {
        return std::nullopt;
    }
    // The legend's title of one bar; answering gives the legend one entry per bar.
    virtual std::optional<std::string> legendTitleForBarPlot(CPTBarPlot& plot, std::uint64_t idx) {
        return std::nullopt;
    }
    virtual std::optional<gfx::RichText> attributedLegendTitleForBarPlot(CPTBarPlot& plot, std::uint64_t idx) {
        return std::nullopt;
    }
};

// Touches on a bar, besides the plot delegate's operations. Each answers whether it is
// implemented: the default does nothing and answers false.
class CPTBarPlotDelegate : public CPTPlotDelegate {
  public:
    virtual bool barPlotBarTouchDownAtRecordIndex(CPTBarPlot& plot, std::uint64_t idx) { return false; }
    virtual bool barPlotBarTouchDownAtRecordIndexWithEvent(CPTBarPlot& plot, std::uint64_t idx, const CPTEvent& event) {
        return false;
    }
    virtual bool barPlotBarTouchUpAtRecordIndex(CPTBarPlot& plot, std::uint64_t idx) { return false; }
    virtual bool barPlotBarTouchUpAtRecordIndexWithEvent(CPTBarPlot& plot, std::uint64_t idx, const CPTEvent& event) {
        return false;
    }
    virtual bool barPlotBarWasSelectedAtRecordIndex(CPTBarPlot& plot, std::uint64_t idx) { return false; }
    virtual bool barPlotBarWasSelectedAtRecordIndexWithEvent(CPTBarPlot& plot, std::uint64_t idx, const CPTEvent& event) {
        return false;
    }
};

class CPTBarPlot : public CPTPlot {
  public:
    explicit CPTBarPlot(const CGRect& frame = {});
    const char* className() const override { return "CPTBarPlot"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

    // A black-outlined bar plot with a gradient from the colour to black across each bar, 0.8 wide
    // with tips rounded by 2.
    static std::shared_ptr<CPTBarPlot> tubularBarPlotWithColor(const CPTColor& color, bool horizontalBars);

    // --- settings; styles and fills are copied, and each change redraws
    const std::shared_ptr<CPTLineStyle>& lineStyle() const { return lineStyle_; }
    void setLineStyle(const std::shared_ptr<CPTLineStyle>& style);
    const std::shared_ptr<CPTFill>& fill() const { return fill_; }
    void setFill(const std::shared_ptr<CPTFill>& fill);
    // In plot units of the location coordinate, or in view points when widths are in view coordinates.
    const foundation::Value& barWidth() const { return barWidth_; }
    void setBarWidth(const foundation::Value& width);
    bool barWidthsAreInViewCoordinates() const { return barWidthsAreInViewCoordinates_; }
    void setBarWidthsAreInViewCoordinates(bool value) { barWidthsAreInViewCoordinates_ = value; }
    // A shift of every bar along the location coordinate, in the width's unit.
    const foundation::Value& barOffset() const { return barOffset_; }
    void setBarOffset(const foundation::Value& offset);
    // Stored as absolute values.
    CGFloat barCornerRadius() const { return barCornerRadius_; }
    void setBarCornerRadius(CGFloat radius);
    CGFloat barBaseCornerRadius() const { return barBaseCornerRadius_; }
    void setBarBaseCornerRadius(CGFloat radius);
    // The base of every bar while bases do not vary; nil is 0.
    const foundation::Value& baseValue() const { return baseValue_; }
    void setBaseValue(const foundation::Value& value);
    bool barsAreHorizontal() const { return barsAreHorizontal_; }
    void setBarsAreHorizontal(bool value);
    // Each bar takes its base from the base field; a change reloads the data.
    bool barBasesVary() const { return barBasesVary_; }
    void setBarBasesVary(bool value);
    // When set, the locations are spread evenly over this range at the next reload instead of being asked.
    const std::shared_ptr<CPTPlotRange>& plotRange() const { return plotRange_; }
    void setPlotRange(const std::shared_ptr<CPTPlotRange>& range) { plotRange_ = range ? range->copy() : nullptr; }
    std::uint64_t pointingDeviceDownIndex() const { return pointingDeviceDownIndex_; }

    // --- the cached fields and lists as whole arrays
    foundation::Value::Array barLocations() const;
    void setBarLocations(const std::optional<foundation::Value::Array>& locations);
    foundation::Value::Array barTips() const;
    void setBarTips(const std::optional<foundation::Value::Array>& tips);
    foundation::Value::Array barBases() const;
    void setBarBases(const std::optional<foundation::Value::Array>& bases);
    CPTPlotObjectList barFills() const;
    void setBarFills(const CPTPlotObjectList& fills);
    CPTPlotObjectList barLineStyles() const;
    void setBarLineStyles(const CPTPlotObjectList& styles);

    // --- fields
    std::uint64_t numberOfFields() const override { return 3; }
    std::vector<std::uint64_t> fieldIdentifiers() const override { return {0, 1, 2}; }
    // Another coordinate raises CPTException "Invalid coordinate passed to fieldIdentifiersForCoordinate:".
    std::vector<std::uint64_t> fieldIdentifiersForCoordinate(CPTCoordinate coordinate) const override;
    std::uint64_t coordinateForFieldIdentifier(std::uint64_t field) const override;

    // --- reloading
    void reloadDataInIndexRange(NSRange indexRange) override;
    void reloadPlotDataInIndexRange(NSRange indexRange) override;
    void reloadBarFills();
    void reloadBarFillsInIndexRange(NSRange indexRange);
    void reloadBarLineStyles();
    void reloadBarLineStylesInIndexRange(NSRange indexRange);
    void reloadBarWidths();
    void reloadBarWidthsInIndexRange(NSRange indexRange);

    // --- per record: the cached entry, or the plot's own when the list or entry is missing or nil.
    // A null entry is given as it is: the bar draws no fill or outline (null pointers here).
    std::shared_ptr<CPTFill> barFillForIndex(std::uint64_t idx) const;
    std::shared_ptr<CPTLineStyle> barLineStyleForIndex(std::uint64_t idx) const;
    // A width entry that is not a number falls back to the bar width as well.
    foundation::Value barWidthForIndex(std::uint64_t idx) const;

    // --- geometry, in plot-area coordinates
    // The bar's base and tip points; false when its location, tip or base is missing.
    bool barAtRecordIndex(std::uint64_t idx, CGPoint& basePoint, CGPoint& tipPoint);
    // The outline; without a context nothing is snapped to pixels. An empty path when there is no bar.
    gfx::Path newBarPath(const gfx::Context* context, std::uint64_t idx);
    gfx::Path newBarPath(const gfx::Context* context, CGPoint basePoint, CGPoint tipPoint,
                         const foundation::Value& width);
    bool barIsVisibleWithBasePoint(CGPoint basePoint, const foundation::Value& width);
    void drawBarInContext(gfx::Context& context, std::uint64_t idx);

    // --- lengths in the width's unit
    CGFloat lengthInView(NSDecimal length);
    NSDecimal lengthInPlotCoordinates(NSDecimal length);
    double doubleLengthInPlotCoordinates(NSDecimal length);

    // --- extents
    std::shared_ptr<CPTPlotRange> plotRangeForCoordinate(CPTCoordinate coordinate) override;
    std::shared_ptr<CPTPlotRange> plotRangeEnclosingField(std::uint64_t fieldEnum) override;
    // The extent of the locations including whole bar widths and the offset.
    std::shared_ptr<CPTPlotRange> plotRangeEnclosingBars();

    // --- labels and legend
    void positionLabelAnnotation(CPTPlotSpaceAnnotation& label, std::uint64_t idx) override;
    std::uint64_t numberOfLegendEntries() override;
    std::optional<std::string> titleForLegendEntryAtIndex(std::uint64_t idx) override;
    std::optional<gfx::RichText> attributedTitleForLegendEntryAtIndex(std::uint64_t idx) override;
    void drawSwatchForLegend(CPTLegend& legend, std::uint64_t idx, CGRect rect, gfx::Context& context) override;

    // The first bar whose outline holds the point.
    std::uint64_t dataIndexFromInteractionPoint(CGPoint point) override;

    // --- drawing: a mismatch of field lengths is logged and no bar drawn
    void renderAsVectorInContext(gfx::Context& ctx) override;
    bool needsDisplayForKey(std::string_view key) const override;

    // Presses and releases on a bar go to a CPTBarPlotDelegate; the rest to the data labels.
    bool pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) override;

  private:
    std::shared_ptr<CPTBarPlotDataSource> barDataSource() const;
    CPTCoordinate locationCoordinate() const { return barsAreHorizontal_ ? CPTCoordinateY : CPTCoordinateX; }
    CPTCoordinate valueCoordinate() const { return barsAreHorizontal_ ? CPTCoordinateX : CPTCoordinateY; }
    CGPoint viewPoint(NSDecimal location, NSDecimal value);
    CGPoint viewPoint(double location, double value);
    void postLegendRedraw();

    std::shared_ptr<CPTLineStyle> lineStyle_;
    std::shared_ptr<CPTFill> fill_;
    foundation::Value barWidth_{0.5};
    bool barWidthsAreInViewCoordinates_ = false;
    foundation::Value barOffset_{0.0};
    CGFloat barCornerRadius_ = 0;
    CGFloat barBaseCornerRadius_ = 0;
    foundation::Value baseValue_{std::int64_t(0)};
    bool barsAreHorizontal_ = false;
    bool barBasesVary_ = false;
    std::shared_ptr<CPTPlotRange> plotRange_;
    std::uint64_t pointingDeviceDownIndex_ = foundation::notFound;
};
