// The scatter plot: (x, y) records joined by a data line (straight, stepped, histogram or curved),
// marked with plot symbols and filled between the line and one or two base values or within bands.
#pragma once

#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotSymbol.h"
#include "plot/graph/CPTLimitBand.h"
#include "plot/graph/CPTPlot.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

enum CPTScatterPlotField : std::uint64_t { CPTScatterPlotFieldX = 0, CPTScatterPlotFieldY = 1 };

enum CPTScatterPlotInterpolation : std::int64_t {
    CPTScatterPlotInterpolationLinear = 0,
    CPTScatterPlotInterpolationStepped = 1,
    CPTScatterPlotInterpolationHistogram = 2,
    CPTScatterPlotInterpolationCurved = 3,
};

enum CPTScatterPlotHistogramOption : std::int64_t {
    CPTScatterPlotHistogramNormal = 0,
    CPTScatterPlotHistogramSkipFirst = 1,  // no horizontal step at the old height
    CPTScatterPlotHistogramSkipSecond = 2, // no vertical step at the middle
};

enum CPTScatterPlotCurvedInterpolationOption : std::int64_t {
    CPTScatterPlotCurvedInterpolationNormal = 0, // Bezier through every point
    CPTScatterPlotCurvedInterpolationCatmullRomUniform = 1,
    CPTScatterPlotCurvedInterpolationCatmullRomCentripetal = 2,
    CPTScatterPlotCurvedInterpolationCatmullRomChordal = 3,
    CPTScatterPlotCurvedInterpolationCatmullCustomAlpha = 4,
    CPTScatterPlotCurvedInterpolationHermiteCubic = 5,
};

// The per-record list of plot symbols.
inline constexpr const char* CPTScatterPlotBindingPlotSymbols = "plotSymbols";

class CPTScatterPlot;

// The symbols of records: the list form answers one entry per record of the range; the single form's
// null answer is nil (the plot's own symbol).
class CPTScatterPlotDataSource : public CPTPlotDataSource {
  public:
    virtual std::optional<CPTPlotObjectList> symbolsForScatterPlot(CPTScatterPlot& plot, NSRange indexRange) {
        return std::nullopt;
    }
    virtual std::optional<std::shared_ptr<CPTPlotSymbol>> symbolForScatterPlot(CPTScatterPlot& plot,
                                                                               std::uint64_t idx) {
        return std::nullopt;
    }
};

class CPTScatterPlot : public CPTPlot {
  public:
    // One flag per record: whether the record takes part in the line (or, visible only, is drawn).
    using Flags = std::vector<std::uint8_t>;
    using ViewPoints = std::vector<CGPoint>;

    explicit CPTScatterPlot(const CGRect& frame = {});
    const char* className() const override { return "CPTScatterPlot"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

    // --- settings; styles, symbols and fills are copied, and every change redraws
    const std::shared_ptr<CPTLineStyle>& dataLineStyle() const { return dataLineStyle_; }
    void setDataLineStyle(const std::shared_ptr<CPTLineStyle>& style);
    const std::shared_ptr<CPTPlotSymbol>& plotSymbol() const { return plotSymbol_; }
    void setPlotSymbol(const std::shared_ptr<CPTPlotSymbol>& symbol);
    const std::shared_ptr<CPTFill>& areaFill() const { return areaFill_; }
    void setAreaFill(const std::shared_ptr<CPTFill>& fill);
    const std::shared_ptr<CPTFill>& areaFill2() const { return areaFill2_; }
    void setAreaFill2(const std::shared_ptr<CPTFill>& fill);
    // NaN or nil: no fill.
    const foundation::Value& areaBaseValue() const { return areaBaseValue_; }
    void setAreaBaseValue(const foundation::Value& value);
    const foundation::Value& areaBaseValue2() const { return areaBaseValue2_; }
    void setAreaBaseValue2(const foundation::Value& value);
    // A copy of the bands; empty when there is none.
    std::vector<std::shared_ptr<CPTLimitBand>> areaFillBands() const { return areaFillBands_; }
    void addAreaFillBand(const std::shared_ptr<CPTLimitBand>& band);
    void removeAreaFillBand(const std::shared_ptr<CPTLimitBand>& band);
    CPTScatterPlotInterpolation interpolation() const { return interpolation_; }
    void setInterpolation(CPTScatterPlotInterpolation value);
    CPTScatterPlotHistogramOption histogramOption() const { return histogramOption_; }
    void setHistogramOption(CPTScatterPlotHistogramOption value);
    CPTScatterPlotCurvedInterpolationOption curvedInterpolationOption() const { return curvedOption_; }
    void setCurvedInterpolationOption(CPTScatterPlotCurvedInterpolationOption value);
    CGFloat curvedInterpolationCustomAlpha() const { return customAlpha_; }
    void setCurvedInterpolationCustomAlpha(CGFloat alpha);
    CGFloat plotSymbolMarginForHitDetection() const { return symbolMargin_; }
    void setPlotSymbolMarginForHitDetection(CGFloat margin) { symbolMargin_ = margin; }
    CGFloat plotLineMarginForHitDetection() const { return lineMargin_; }
    void setPlotLineMarginForHitDetection(CGFloat margin) { lineMargin_ = margin; }
    bool allowSimultaneousSymbolAndPlotSelection() const { return allowSimultaneous_; }
    void setAllowSimultaneousSymbolAndPlotSelection(bool value) { allowSimultaneous_ = value; }
    std::uint64_t pointingDeviceDownIndex() const { return pointingDeviceDownIndex_; }
    bool pointingDeviceDownOnLine() const { return pointingDeviceDownOnLine_; }

    // --- fields
    std::uint64_t numberOfFields() const override { return 2; }
    std::vector<std::uint64_t> fieldIdentifiers() const override { return {0, 1}; }
    std::vector<std::uint64_t> fieldIdentifiersForCoordinate(CPTCoordinate coordinate) const override;
    std::uint64_t coordinateForFieldIdentifier(std::uint64_t field) const override;
    foundation::Value::Array xValues() const;
    foundation::Value::Array yValues() const;
    CPTPlotObjectList plotSymbols() const;

    // --- reloading
    void reloadDataInIndexRange(NSRange indexRange) override;
    void reloadPlotDataInIndexRange(NSRange indexRange) override;
    void reloadPlotSymbols();
    void reloadPlotSymbolsInIndexRange(NSRange indexRange);
    // The record's own symbol, else the plot's.
    std::shared_ptr<CPTPlotSymbol> plotSymbolForRecordIndex(std::uint64_t idx) const;

    // --- the steps of drawing, over the cached records
    Flags calculatePointsToDraw(CPTPlotSpace& space, bool includeVisiblePointsOnly);
    // (NaN, NaN) for records not flagged or missing a value: a break in the line.
    ViewPoints calculateViewPoints(const Flags& flags);
    void alignViewPointsToUserSpace(ViewPoints& points, const gfx::Context& context, const Flags& flags) const;
    // The first flagged index (lower bound) or the last; foundation::notFound when none.
    static std::uint64_t extremeDrawnPointIndexForFlags(const Flags& flags, bool extremeNumIsLowerBound);
    // The data line over the indexes, each run of drawable points closed to the baseline when it is not NaN.
    gfx::Path newDataLinePathForViewPoints(const ViewPoints& points, NSRange indexRange, CGFloat baselineYValue) const;
    // Control points of the segment into point i sit at index i; the arrays are as long as the points.
    static void computeBezierControlPoints(ViewPoints& cp1, ViewPoints& cp2, const ViewPoints& points,
                                           NSRange indexRange);
    static void computeCatmullRomControlPoints(ViewPoints& cp1, ViewPoints& cp2, CGFloat alpha,
                                               const ViewPoints& points, NSRange indexRange);
    static void computeHermiteControlPoints(ViewPoints& cp1, ViewPoints& cp2, const ViewPoints& points,
                                            NSRange indexRange);
    static bool monotonicViewPoints(const ViewPoints& points, NSRange indexRange);

    // --- hit tests
    // The point in the graph's coordinates: whether it lies within the line margin of the data line.
    bool plotWasLineHitByInteractionPoint(CGPoint point);
    // The visible record nearest to the point (Euclidean in view space, the lowest index on a tie).
    std::uint64_t indexOfVisiblePointClosestToPlotAreaPoint(CGPoint point);
    std::uint64_t dataIndexFromInteractionPoint(CGPoint point) override {
        return indexOfVisiblePointClosestToPlotAreaPoint(point);
    }

    // --- extents: a curved line encloses its bulges
    std::shared_ptr<CPTPlotRange> plotRangeEnclosingField(std::uint64_t fieldEnum) override;

    // --- labels, legend, drawing
    void positionLabelAnnotation(CPTPlotSpaceAnnotation& label, std::uint64_t idx) override;
    void drawSwatchForLegend(CPTLegend& legend, std::uint64_t idx, CGRect rect, gfx::Context& context) override;
    void renderAsVectorInContext(gfx::Context& ctx) override;

  private:
    // The cached x and y values of the records as doubles, read once for a pass of drawing.
    struct DoubleFields;
    // The flags of both kinds from one pass over the records: `line` as calculatePointsToDraw(space,
    // false) gives them and `visible` as calculatePointsToDraw(space, true); either may be null.
    void pointsToDraw(CPTPlotSpace& space, const DoubleFields* fields, Flags* line, Flags* visible);
    ViewPoints viewPointsForFlags(const Flags& flags, const DoubleFields* fields);
    gfx::Path newCurvedDataLinePath(const ViewPoints& points, NSRange indexRange, CGFloat baselineYValue) const;
    CGFloat viewYForBaseValue(const foundation::Value& base);
    void postLegendRedraw();

    std::shared_ptr<CPTLineStyle> dataLineStyle_;
    std::shared_ptr<CPTPlotSymbol> plotSymbol_;
    std::shared_ptr<CPTFill> areaFill_;
    std::shared_ptr<CPTFill> areaFill2_;
    foundation::Value areaBaseValue_;
    foundation::Value areaBaseValue2_;
    std::vector<std::shared_ptr<CPTLimitBand>> areaFillBands_;
    CPTScatterPlotInterpolation interpolation_ = CPTScatterPlotInterpolationLinear;
    CPTScatterPlotHistogramOption histogramOption_ = CPTScatterPlotHistogramNormal;
    CPTScatterPlotCurvedInterpolationOption curvedOption_ = CPTScatterPlotCurvedInterpolationNormal;
    CGFloat customAlpha_ = 0.5;
    CGFloat symbolMargin_ = 0.0;
    CGFloat lineMargin_ = 4.0;
    bool allowSimultaneous_ = false;
    std::uint64_t pointingDeviceDownIndex_ = foundation::notFound;
    bool pointingDeviceDownOnLine_ = false;
};
