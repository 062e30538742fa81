// The axis of an XY plot space: where it crosses the plot area, how a value maps to a view point, and
// the drawing of its ticks, axis line with caps, grid lines, alternating bands and limit bands.
#pragma once

#include "plot/graph/CPTAxis.h"

#include <memory>
#include <string>

class CPTConstraints;

class CPTXYAxis : public CPTAxis {
  public:
    // Crossing the other coordinate at 0.0, ticks centred on the line.
    explicit CPTXYAxis(const CGRect& frame = {});
    const char* className() const override { return "CPTXYAxis"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;
    void decodeFields(foundation::KeyedUnarchiver& coder) override;

    // The value of the other coordinate at which the axis line lies (none counts as 0).
    const foundation::Value& orthogonalPosition() const { return orthogonalPosition_; }
    void setOrthogonalPosition(const foundation::Value& position);
    // When set, the axis lies at the constraint's place between the other coordinate's view bounds.
    const std::shared_ptr<CPTConstraints>& axisConstraints() const { return axisConstraints_; }
    void setAxisConstraints(const std::shared_ptr<CPTConstraints>& constraints);

    // Keeps the label alignment meaningful: along x only left, centre or right; along y only top,
    // middle or bottom. A coordinate other than x and y raises the invalid-argument exception.
    void setCoordinate(CPTCoordinate coordinate) override;
    // A component that is not a number is logged and drawn at 0.
    CGPoint viewPointForCoordinateValue(const foundation::Value& value) override;
    // The middle of the range: geometric on a log scale, in log-modulus space on a log-modulus one.
    foundation::Value defaultTitleLocation() const override;
    // The other coordinate's view positions at the start and end of its range (NaN without a plot space).
    void orthogonalCoordinateViewLowerBound(CGFloat& lower, CGFloat& upper);

    void renderAsVectorInContext(gfx::Context& ctx) override;
    // One stroked path: a tick across the axis at each location (inside the range, when one is given).
    void drawTicksInContext(gfx::Context& ctx, const TickLocations& locations, CGFloat length,
                            const CPTPlotRange* range, bool major);
    void drawGridLinesInContext(gfx::Context& ctx, bool major) override;
    void drawBackgroundBandsInContext(gfx::Context& ctx) override;
    void drawBackgroundLimitsInContext(gfx::Context& ctx) override;
    // Which fill the first band takes, from the band anchor.
    std::size_t initialBandIndexForSortedLocations(const std::vector<double>& sorted, const CPTPlotRange& range) const;

    std::string description() const override;

  private:
    // The view point, in this layer, of (axis value, orthogonal value); a none value counts as 0.
    CGPoint viewPointForOrthogonalCoordinate(const foundation::Value& orthogonal, const foundation::Value& value);
    // A point in the plot area's coordinates for (axis value, orthogonal value), as decimals.
    CGPoint plotAreaPoint(NSDecimal value, NSDecimal orthogonal) const;
    CGPoint alignedPoint(const gfx::Context& ctx, CGPoint point, CGFloat lineWidth) const;
    std::shared_ptr<CPTMutablePlotRange> orthogonalRange() const;

    foundation::Value orthogonalPosition_ = foundation::Value(0.0);
    std::shared_ptr<CPTConstraints> axisConstraints_;
};
