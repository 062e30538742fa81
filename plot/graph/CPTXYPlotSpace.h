// The two-coordinate plot space of every chart: visible and global ranges and a scale type per
// coordinate, the range-change procedure with its notification, and the forward and inverse mapping
// of linear, logarithmic, log-modulus and category scales.
#pragma once

#include "plot/foundation/CPTAnimation.h"
#include "plot/graph/CPTPlotSpace.h"

#include <cstdint>
#include <limits>
#include <memory>

class CPTPlotArea;

// Animatable as "xRange" and "yRange"; its own delegate for the momentum and bounce it starts. Held
// by shared pointer when it animates (a space on the stack scrolls but starts no animation).
class CPTXYPlotSpace : public CPTPlotSpace,
                       public CPTAnimatable,
                       public CPTAnimationDelegate,
                       public std::enable_shared_from_this<CPTXYPlotSpace> {
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
    // The ranges, scales and plot area read once for all the points.
    void plotAreaViewPointsForDoublePrecisionPlotPoints(std::span<const double> xs, std::span<const double> ys,
                                                        std::span<const std::uint8_t> wanted,
                                                        std::span<CGPoint> points) override;
    // Decimal numbers for linear and category coordinates, doubles for log and log-modulus.
    std::vector<foundation::Value> plotPointForPlotAreaViewPoint(CGPoint point) override;
    void plotPoint(std::span<NSDecimal> plotPoint, CGPoint point) override;
    void doublePrecisionPlotPoint(std::span<double> plotPoint, CGPoint point) override;

    // Both coordinates to the union of the plots' ranges (x first).
    void scaleToFitPlots(const Plots& plots) override;
    void scaleToFitEntirePlots(const Plots& plots) override;

    std::string debugQuickLookObject() const override;

    // --- touches, momentum and scaling (CPTXYPlotSpaceEvents.cpp). Points arrive in the graph
    // layer's coordinates; scaleBy takes a point in the plot area's.
    bool pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    bool pointingDeviceDraggedEvent(const CPTEvent& event, CGPoint interactionPoint) override;
    void scaleBy(CGFloat interactionScale, CGPoint interactionPoint) override;
    // Stops the momentum and bounce this space started.
    void cancelAnimations();
    // The momentum and bounce operations still running (the engine holds them; the space only
    // refers to them, so a space and its operations never keep each other alive).
    std::vector<std::shared_ptr<CPTAnimationOperation>> animations() const {
        std::vector<std::shared_ptr<CPTAnimationOperation>> out;
        for (const auto& weak : animations_)
            if (auto operation = weak.lock())
                out.push_back(std::move(operation));
        return out;
    }
    // The event's place in the hosting view, mapped into the plot area, and the inverse forms.
    using CPTPlotSpace::plotAreaViewPointForEvent;
    CGPoint plotAreaViewPointForEvent(const CPTEvent& event) override;
    std::vector<foundation::Value> plotPointForEvent(const CPTEvent& event) override;
    void plotPoint(std::span<NSDecimal> plotPoint, const CPTEvent& event) override;
    void doublePrecisionPlotPoint(std::span<double> plotPoint, const CPTEvent& event) override;
    // The range moved by shift; past the global range, with elasticity, each step is damped and so
    // is the displacement.
    std::shared_ptr<CPTPlotRange> shiftRange(const std::shared_ptr<CPTPlotRange>& range, NSDecimal shift,
                                             bool usingMomentum, const std::shared_ptr<CPTPlotRange>& globalRange,
                                             CGFloat& displacement) const;
    void animateRangeForCoordinate(CPTCoordinate coordinate, NSDecimal shift, CGFloat momentumTime,
                                   CGFloat speed, CGFloat acceleration);
    // The view position of the range's upper (direction true) or lower limit along the coordinate.
    CGFloat viewCoordinateForRange(const std::shared_ptr<CPTPlotRange>& range, CPTCoordinate coordinate,
                                   bool direction);

    std::optional<CPTAnimationProperty> animationPropertyNamed(std::string_view name) override;
    std::string animationDescription() const override;
    void animationDidFinish(CPTAnimationOperation& operation) override;

    // After the base keys: "CPTXYPlotSpace.xRange", ".yRange", ".globalXRange", ".globalYRange",
    // ".xScaleType", ".yScaleType", ".allowsMomentumX", ".allowsMomentumY", ".momentumAnimationCurve",
    // ".bounceAnimationCurve", ".momentumAcceleration", ".bounceAcceleration" and
    // ".minimumDisplacementToDrag". A range missing from the archive decodes as none; the older
    // "CPTXYPlotSpace.allowsMomentum", when present, sets both momentum flags; the drag state starts anew.
    void encodeWithCoder(foundation::KeyedArchiver& coder) const override;

  protected:
    void decodeFields(foundation::KeyedUnarchiver& coder) override;
    void setLastDisplacement(CGPoint displacement) { lastDisplacement_ = displacement; }

  private:
    CPTPlotArea* plotArea() const;
    void changeRange(CPTCoordinate coordinate, std::shared_ptr<CPTPlotRange> range);
    // A range set by a momentum or bounce step: the step's own displacement becomes the last one first.
    void changeRangeByAnimation(CPTCoordinate coordinate, const std::shared_ptr<CPTPlotRange>& range);
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
    // The drag: NaN until a press inside the plot area gives it a place.
    CGPoint lastDragPoint_{std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
    double lastDragTime_ = 0;
    double lastDeltaTime_ = 0;
    std::vector<std::weak_ptr<CPTAnimationOperation>> animations_;
};

// The smaller non-negative root of a x^2 + b x + c = 0; NaN when there is none or a root is NaN.
double CPTSmallestNonNegativeQuadraticRoot(double a, double b, double c);
