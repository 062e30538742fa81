// The two-coordinate plot space of every chart: visible and global ranges and a scale type per
// coordinate, the range-change procedure with its notification, and the forward and inverse mapping
// of linear, logarithmic, log-modulus and category scales.
#pragma once

#include "plot/graph/CPTPlotSpace.h"

#include <cstdint>

class CPTPlotArea;

class CPTXYPlotSpace : public CPTPlotSpace {
  public:
    CPTXYPlotSpace();
    ~CPTXYPlotSpace() override;

    const char* className() const override { return "CPTXYPlotSpace"; }

    // Copies are stored; the delegate and the global range may change a proposal first.
    const std::shared_ptr<CPTPlotRange>& xRange() const { return xRange_; }
    void setXRange(const std::shared_ptr<CPTPlotRange>& range);
    const std::shared_ptr<CPTPlotRange>& yRange() const { return yRange_; }
    void setYRange(const std::shared_ptr<CPTPlotRange>& range);
    // None: unbounded. A change moves the visible range inside the new bound.
    const std::shared_ptr<CPTPlotRange>& globalXRange() const { return globalXRange_; }
    void setGlobalXRange(const std::shared_ptr<CPTPlotRange>& range);
    const std::shared_ptr<CPTPlotRange>& globalYRange() const { return globalYRange_; }
    void setGlobalYRange(const std::shared_ptr<CPTPlotRange>& range);
    CPTScaleType xScaleType() const { return xScaleType_; }
    void setXScaleType(CPTScaleType type);
    CPTScaleType yScaleType() const { return yScaleType_; }
    void setYScaleType(CPTScaleType type);

    // A range no longer than the global one is moved inside it, never shrunk; a longer one becomes
    // a copy of the global range.
    static std::shared_ptr<CPTPlotRange> constrainRange(const std::shared_ptr<CPTPlotRange>& range,
                                                        const std::shared_ptr<CPTPlotRange>& globalRange);

    // --- scrolling settings (the drag itself is handled elsewhere)
    bool allowsMomentumX() const { return allowsMomentumX_; }
    void setAllowsMomentumX(bool value) { allowsMomentumX_ = value; }
    bool allowsMomentumY() const { return allowsMomentumY_; }
    void setAllowsMomentumY(bool value) { allowsMomentumY_ = value; }
    bool allowsMomentum() const { return allowsMomentumX_ || allowsMomentumY_; }
    void setAllowsMomentum(bool value) { allowsMomentumX_ = allowsMomentumY_ = value; }
    // Animation curve codes; 24 is the quadratic ease-out.
    std::int64_t momentumAnimationCurve() const { return momentumAnimationCurve_; }
    void setMomentumAnimationCurve(std::int64_t curve) { momentumAnimationCurve_ = curve; }
    std::int64_t bounceAnimationCurve() const { return bounceAnimationCurve_; }
    void setBounceAnimationCurve(std::int64_t curve) { bounceAnimationCurve_ = curve; }
    CGFloat momentumAcceleration() const { return momentumAcceleration_; }
    void setMomentumAcceleration(CGFloat value) { momentumAcceleration_ = value; }
    CGFloat bounceAcceleration() const { return bounceAcceleration_; }
    void setBounceAcceleration(CGFloat value) { bounceAcceleration_ = value; }
    CGFloat minimumDisplacementToDrag() const { return minimumDisplacementToDrag_; }
    void setMinimumDisplacementToDrag(CGFloat value) { minimumDisplacementToDrag_ = value; }
    // The displacement of the latest drag step, kept after the release; zero until a drag moves it.
    CGPoint lastDisplacement() const { return lastDisplacement_; }

    // --- the plot space interface
    std::size_t numberOfCoordinates() const override { return 2; }
    void setPlotRange(const std::shared_ptr<CPTPlotRange>& range, CPTCoordinate coordinate) override;
    std::shared_ptr<CPTPlotRange> plotRangeForCoordinate(CPTCoordinate coordinate) const override;
    void setScaleType(CPTScaleType scaleType, CPTCoordinate coordinate) override;
    CPTScaleType scaleTypeForCoordinate(CPTCoordinate coordinate) const override;

    // Mapping into the plot area's layer coordinates and back. A scale type other than linear, log,
    // category and log-modulus raises "Scale type not supported in CPTXYPlotSpace" (x checked first).
    using CPTPlotSpace::doublePrecisionPlotPoint;
    using CPTPlotSpace::plotAreaViewPointForPlotPoint;
    using CPTPlotSpace::plotPoint;
    CGPoint plotAreaViewPointForPlotPoint(const std::vector<foundation::Value>& plotPoint) override;
    CGPoint plotAreaViewPointForPlotPoint(std::span<const NSDecimal> plotPoint) override;
    CGPoint plotAreaViewPointForDoublePrecisionPlotPoint(std::span<const double> plotPoint) override;
    // Decimal numbers for linear and category coordinates, doubles for log and log-modulus.
    std::vector<foundation::Value> plotPointForPlotAreaViewPoint(CGPoint point) override;
    void plotPoint(std::span<NSDecimal> plotPoint, CGPoint point) override;
    void doublePrecisionPlotPoint(std::span<double> plotPoint, CGPoint point) override;

    // Both coordinates to the union of the plots' ranges (x first).
    void scaleToFitPlots(const Plots& plots) override;
    void scaleToFitEntirePlots(const Plots& plots) override;

    std::string debugQuickLookObject() const override;

  protected:
    void setLastDisplacement(CGPoint displacement) { lastDisplacement_ = displacement; }

  private:
    CPTPlotArea* plotArea() const;
    void changeRange(CPTCoordinate coordinate, std::shared_ptr<CPTPlotRange> range);
    void changeScaleType(CPTCoordinate coordinate, CPTScaleType type);
    void postGraphRedraw();
    void postMappingChange(foundation::Value::Dictionary userInfo);
    void fit(const Plots& plots, bool enclosing);

    std::shared_ptr<CPTPlotRange> xRange_;
    std::shared_ptr<CPTPlotRange> yRange_;
    std::shared_ptr<CPTPlotRange> globalXRange_;
    std::shared_ptr<CPTPlotRange> globalYRange_;
    CPTScaleType xScaleType_ = CPTScaleTypeLinear;
    CPTScaleType yScaleType_ = CPTScaleTypeLinear;
    bool allowsMomentumX_ = false;
    bool allowsMomentumY_ = false;
    std::int64_t momentumAnimationCurve_ = 24;
    std::int64_t bounceAnimationCurve_ = 24;
    CGFloat momentumAcceleration_ = 2000;
    CGFloat bounceAcceleration_ = 3000;
    CGFloat minimumDisplacementToDrag_ = 2;
    CGPoint lastDisplacement_;
};
