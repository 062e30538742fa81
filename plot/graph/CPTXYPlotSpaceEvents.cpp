// Scrolling the XY plot space by dragging, with elastic resistance past the global ranges, the
// momentum and bounce animations after a fast release, pinch scaling, and the mapping of events.
#include "plot/graph/CPTXYPlotSpace.h"

#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"

#include <array>
#include <cmath>

using foundation::Value;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The doubling and halving loops of the hand-over give up after this many rounds.
constexpr int kMaxRounds = 64;

bool isFinitePoint(CGPoint p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool isUsableAcceleration(double a) { return std::isfinite(a) && a > 0; }

std::shared_ptr<CPTMutablePlotRange> shifted(const CPTPlotRange& range, NSDecimal shift) {
    auto r = range.mutableCopy();
    r->setLocationDecimal(CPTDecimalPlus(r->locationDecimal(), shift));
    return r;
}

} // namespace

double CPTSmallestNonNegativeQuadraticRoot(double a, double b, double c) {
    const double root = std::sqrt(std::fma(-4 * a, c, b * b));
    const double r1 = (root - b) / (2 * a);
    const double r2 = (-b - root) / (2 * a);
    if (std::isnan(r1) || std::isnan(r2))
        return kNaN;
    if (r1 >= 0 && r2 >= 0)
        return std::min(r1, r2);
    if (r1 >= 0)
        return r1;
    if (r2 >= 0)
        return r2;
    return kNaN;
}

// --- animation binding

std::optional<CPTAnimationProperty> CPTXYPlotSpace::animationPropertyNamed(std::string_view name) {
    using Range = std::shared_ptr<CPTPlotRange>;
    if (name == "xRange")
        return CPTAnimationPropertyOf<Range>(
            [this] { return xRange(); },
            [this](const Range& r) { changeRangeByAnimation(CPTCoordinateX, r); });
    if (name == "yRange")
        return CPTAnimationPropertyOf<Range>(
            [this] { return yRange(); },
            [this](const Range& r) { changeRangeByAnimation(CPTCoordinateY, r); });
    return std::nullopt;
}

void CPTXYPlotSpace::changeRangeByAnimation(CPTCoordinate coordinate,
                                            const std::shared_ptr<CPTPlotRange>& range) {
    // A momentum or bounce step moves the view as a drag step does, so the displacement its notification
    // reports and the space keeps is the step's own, in view units with a drag's sign (content moving
    // towards higher view coordinates is positive), not the last drag step's.
    const bool isX = coordinate == CPTCoordinateX;
    const std::shared_ptr<CPTPlotRange>& current = isX ? xRange_ : yRange_;
    CGFloat step = 0;
    CPTPlotArea* area = plotArea();
    if (range && current && area && !range->lengthDecimal().isZero() &&
        CPTDecimalIsEqual(range->lengthDecimal(), current->lengthDecimal())) {
        const NSDecimal shift = CPTDecimalDividedBy(
            CPTDecimalMinus(current->locationDecimal(), range->locationDecimal()), range->lengthDecimal());
        const CGRect b = area->bounds();
        step = (isX ? b.size.width : b.size.height) * CPTDecimalToCGFloat(shift);
        if (!std::isfinite(step))
            step = 0;
    }
    (isX ? lastDisplacement_.x : lastDisplacement_.y) = step;
    changeRange(coordinate, range);
}

std::string CPTXYPlotSpace::animationDescription() const { return CPTObjectDescription(className(), this); }

void CPTXYPlotSpace::animationDidFinish(CPTAnimationOperation& operation) {
    std::erase_if(animations_, [&operation](const auto& weak) {
        const auto op = weak.lock();
        return !op || op.get() == &operation;
    });
}

void CPTXYPlotSpace::cancelAnimations() {
    setIsDragging(false);
    for (const auto& operation : animations())
        CPTAnimation::sharedInstance().removeAnimationOperation(operation);
    animations_.clear();
}

// --- events

bool CPTXYPlotSpace::pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) {
    setIsDragging(false);
    if (CPTPlotSpace::pointingDeviceDownEvent(event, interactionPoint))
        return true;
    CPTPlotArea* area = plotArea();
    if (!allowsUserInteraction() || !area)
        return false;
    const CGPoint point = area->convertPointFromLayer(interactionPoint, graph());
    if (!isFinitePoint(point) || !area->containsPoint(point)) {
        // A later drag has no press to measure from.
        lastDragPoint_ = CGPoint{kNaN, kNaN};
        return false;
    }
    lastDragPoint_ = point;
    lastDisplacement_ = CGPoint{};
    lastDragTime_ = event.timestamp;
    lastDeltaTime_ = 0;
    for (const auto& operation : animations())
        CPTAnimation::sharedInstance().removeAnimationOperation(operation);
    animations_.clear();
    return true;
}

bool CPTXYPlotSpace::pointingDeviceDraggedEvent(const CPTEvent& event, CGPoint interactionPoint) {
    if (CPTPlotSpace::pointingDeviceDraggedEvent(event, interactionPoint))
        return true;
    CPTPlotArea* area = plotArea();
    if (!allowsUserInteraction() || !area)
        return false;
    const CGPoint point = area->convertPointFromLayer(interactionPoint, graph());
    if (!isFinitePoint(point) || !isFinitePoint(lastDragPoint_))
        return false;
    CGPoint displacement{point.x - lastDragPoint_.x, point.y - lastDragPoint_.y};
    if (!isDragging()) {
        setIsDragging(std::hypot(displacement.x, displacement.y) > minimumDisplacementToDrag_);
        if (!isDragging())
            return false;
    }
    CGPoint target = point;
    if (auto d = delegate()) {
        if (auto replaced = d->plotSpaceWillDisplaceBy(*this, displacement)) {
            if (!isFinitePoint(*replaced))
                return true;
            displacement = *replaced;
            target = CGPoint{lastDragPoint_.x + displacement.x, lastDragPoint_.y + displacement.y};
        }
    }
    std::array<NSDecimal, 2> start{}, end{};
    plotPoint(std::span<NSDecimal>(start), lastDragPoint_);
    plotPoint(std::span<NSDecimal>(end), target);
    const NSDecimal shiftX = CPTDecimalMinus(start[CPTCoordinateX], end[CPTCoordinateX]);
    const NSDecimal shiftY = CPTDecimalMinus(start[CPTCoordinateY], end[CPTCoordinateY]);
    auto newX = xRange() ? shiftRange(xRange(), shiftX, allowsMomentumX_, globalXRange(), displacement.x) : nullptr;
    auto newY = yRange() ? shiftRange(yRange(), shiftY, allowsMomentumY_, globalYRange(), displacement.y) : nullptr;

    lastDragPoint_ = point;
    lastDisplacement_ = displacement;
    lastDeltaTime_ = event.timestamp - lastDragTime_;
    lastDragTime_ = event.timestamp;

    // A mapping that cannot place the finger (a range of length 0, say) moves nothing.
    if (newX && !newX->locationDecimal().isNaN())
        setXRange(newX);
    if (newY && !newY->locationDecimal().isNaN())
        setYRange(newY);
    return true;
}

std::shared_ptr<CPTPlotRange> CPTXYPlotSpace::shiftRange(const std::shared_ptr<CPTPlotRange>& range,
                                                         NSDecimal shift, bool usingMomentum,
                                                         const std::shared_ptr<CPTPlotRange>& globalRange,
                                                         CGFloat& displacement) const {
    auto r = shifted(*range, shift);
    if (!globalRange)
        return r;
    auto constrained = constrainRange(r, globalRange);
    if (!usingMomentum)
        return constrained;
    if ((constrained && r->isEqualToRange(constrained.get())) || r->lengthDecimal().isZero())
        return r;
    const NSDecimal one = CPTDecimalFromInteger(1);
    NSDecimal f = CPTDecimalDividedBy(
        CPTDecimalTimes(CPTDecimalFromDouble(2.5), CPTDecimalMinus(constrained->locationDecimal(), r->locationDecimal())),
        r->lengthDecimal());
    f = CPTDecimalMaximum(CPTDecimalMinimum(f, one), CPTDecimalFromInteger(-1));
    const NSDecimal damping = CPTDecimalAbsolute(f);
    r->setLocationDecimal(CPTDecimalMinus(r->locationDecimal(), CPTDecimalTimes(shift, damping)));
    displacement *= 1 - CPTDecimalToCGFloat(damping);
    return r;
}

bool CPTXYPlotSpace::pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) {
    if (CPTPlotSpace::pointingDeviceUpEvent(event, interactionPoint))
        return true;
    CPTPlotArea* area = plotArea();
    if (!allowsUserInteraction() || !area)
        return false;
    if (!isDragging())
        return false;
    setIsDragging(false);

    NSDecimal shiftX, shiftY;
    double time = 0, speed = 0, acceleration = 0, angle = 0;
    const double sinceDrag = event.timestamp - lastDragTime_;
    const CGPoint point = area->convertPointFromLayer(interactionPoint, graph());
    if (allowsMomentum() && sinceDrag > 0 && sinceDrag < 0.05 && lastDeltaTime_ > 0 &&
        isUsableAcceleration(momentumAcceleration_) && isFinitePoint(point)) {
        acceleration = momentumAcceleration_;
        speed = std::hypot(lastDisplacement_.x, lastDisplacement_.y) / lastDeltaTime_;
        time = speed / (2 * acceleration);
        const double distance = std::max(speed * time - 0.5 * acceleration * time * time, 0.0);
        angle = std::atan2(lastDisplacement_.y, lastDisplacement_.x);
        const CGPoint endPoint{point.x + distance * std::cos(angle), point.y + distance * std::sin(angle)};
        if (std::isfinite(time) && isFinitePoint(endPoint)) {
            std::array<NSDecimal, 2> start{}, end{};
            plotPoint(std::span<NSDecimal>(start), point);
            plotPoint(std::span<NSDecimal>(end), endPoint);
            if (allowsMomentumX_)
                shiftX = CPTDecimalMinus(start[CPTCoordinateX], end[CPTCoordinateX]);
            if (allowsMomentumY_)
                shiftY = CPTDecimalMinus(start[CPTCoordinateY], end[CPTCoordinateY]);
        } else {
            time = speed = acceleration = 0;
        }
    }
    if (shiftX.isNaN())
        shiftX = NSDecimal();
    if (shiftY.isNaN())
        shiftY = NSDecimal();
    animateRangeForCoordinate(CPTCoordinateX, shiftX, time, speed * std::cos(angle), acceleration * std::cos(angle));
    animateRangeForCoordinate(CPTCoordinateY, shiftY, time, speed * std::sin(angle), acceleration * std::sin(angle));
    return true;
}

void CPTXYPlotSpace::animateRangeForCoordinate(CPTCoordinate coordinate, NSDecimal shift, CGFloat momentumTime,
                                               CGFloat speed, CGFloat acceleration) {
    std::shared_ptr<CPTPlotRange> old = CPTPlotRange::plotRangeWithLocationDecimal(NSDecimal(), NSDecimal());
    std::shared_ptr<CPTPlotRange> global;
    std::string property;
    if (coordinate == CPTCoordinateX) {
        old = xRange();
        global = globalXRange();
        property = "xRange";
    } else if (coordinate == CPTCoordinateY) {
        old = yRange();
        global = globalYRange();
        property = "yRange";
    }
    if (!old)
        return;
    auto self = weak_from_this().lock();
    if (!self)
        return;
    // The space is its own delegate, held weakly by its operations.
    const std::shared_ptr<CPTAnimationDelegate> delegate(self, static_cast<CPTAnimationDelegate*>(this));
    const std::shared_ptr<CPTAnimatable> object(self, static_cast<CPTAnimatable*>(this));
    auto animate = [&](const std::shared_ptr<CPTPlotRange>& from, const std::shared_ptr<CPTPlotRange>& to,
                       double duration, double delay, std::int64_t curve) {
        animations_.push_back(CPTAnimation::animate(object, property, from, to, duration, delay,
                                                    static_cast<CPTAnimationCurve>(curve), delegate));
    };

    const bool moving = !shift.isZero();
    std::shared_ptr<CPTMutablePlotRange> target = old->mutableCopy();
    double delay = 0;
    if (moving) {
        target = shifted(*old, shift);
        animate(old, target, momentumTime, 0, momentumAnimationCurve_);
        delay = momentumTime;
    }
    if (!global)
        return;
    const auto constrained = constrainRange(target, global);
    if ((constrained && target->isEqualToRange(constrained.get())) || global->containsRange(target.get()))
        return;
    const bool forward = (moving && CPTDecimalIsGreater(shift, NSDecimal()) && old->lengthDouble() > 0) ||
                         (moving && CPTDecimalIsLess(shift, NSDecimal()) && old->lengthDouble() < 0);

    if (moving && global->containsRange(old.get())) {
        // The motion leaves the global range: hand over at the edge to a faster-decelerating second
        // phase that ends past the edge by what is left of the motion.
        const double edgeGlobal = viewCoordinateForRange(global, coordinate, forward);
        const double edgeOld = viewCoordinateForRange(old, coordinate, forward);
        const double crossing = CPTSmallestNonNegativeQuadraticRoot(acceleration, speed, edgeGlobal - edgeOld);
        if (!std::isnan(crossing)) {
            const double speedAtEdge = speed - crossing * acceleration;
            double duration = momentumTime;
            double a = acceleration;
            for (int round = 0; duration > 0.1 && round < kMaxRounds; ++round) {
                a *= 2;
                duration = speedAtEdge / (2 * a);
            }
            const double overshoot = speedAtEdge * duration - 0.5 * a * duration * duration;
            const double w = edgeGlobal - overshoot;
            std::array<NSDecimal, 2> edgePoint{};
            plotPoint(std::span<NSDecimal>(edgePoint), coordinate == CPTCoordinateX ? CGPoint{w, 0} : CGPoint{0, w});
            const NSDecimal offset = CPTDecimalMinus(edgePoint[static_cast<std::size_t>(coordinate)],
                                                     forward ? global->endDecimal() : global->locationDecimal());
            target->shiftEndToFitInRange(global.get());
            target->shiftLocationToFitInRange(global.get());
            target->setLocationDecimal(CPTDecimalPlus(target->locationDecimal(), offset));
            if (std::isfinite(duration) && duration >= 0 && !offset.isNaN()) {
                animate(constrained, target, duration, crossing, momentumAnimationCurve_);
                delay = crossing + duration;
            }
        }
    } else if (moving) {
        // Already outside: a short momentum, halved with its distance until it lasts at most 0.1 s.
        double time = momentumTime;
        NSDecimal s = shift;
        for (int round = 0; time > 0.1 && round < kMaxRounds; ++round) {
            time /= 2;
            s = CPTDecimalDividedBy(s, CPTDecimalFromInteger(2));
        }
        target = shifted(*old, s);
        animate(constrained, target, time, 0, momentumAnimationCurve_);
        delay = time;
    }

    if (!isUsableAcceleration(bounceAcceleration_))
        return;
    const double from = viewCoordinateForRange(target, coordinate, !forward);
    const double to = viewCoordinateForRange(constrained, coordinate, !forward);
    const double duration = std::sqrt(std::fabs(to - from) / bounceAcceleration_);
    if (!std::isfinite(duration))
        return;
    animate(target, constrained, duration, delay, bounceAnimationCurve_);
}

CGFloat CPTXYPlotSpace::viewCoordinateForRange(const std::shared_ptr<CPTPlotRange>& range, CPTCoordinate coordinate,
                                               bool direction) {
    if (coordinate != CPTCoordinateX && coordinate != CPTCoordinateY)
        return kNaN;
    std::array<NSDecimal, 2> point{};
    point[static_cast<std::size_t>(coordinate)] =
        range ? (direction ? range->maxLimitDecimal() : range->minLimitDecimal()) : NSDecimal();
    point[static_cast<std::size_t>(CPTOtherCoordinate(coordinate))] = CPTDecimalFromInteger(1);
    const CGPoint view = plotAreaViewPointForPlotPoint(std::span<const NSDecimal>(point));
    return coordinate == CPTCoordinateX ? view.x : view.y;
}

void CPTXYPlotSpace::scaleBy(CGFloat interactionScale, CGPoint interactionPoint) {
    CPTPlotArea* area = plotArea();
    if (!(interactionScale > 1e-6) || !std::isfinite(interactionScale) || !area ||
        !isFinitePoint(interactionPoint) || !area->containsPoint(interactionPoint))
        return;
    if (auto d = delegate()) {
        if (auto answer = d->plotSpaceShouldScaleBy(*this, interactionScale, interactionPoint); answer && !*answer)
            return;
    }
    const NSDecimal factor = CPTDecimalFromCGFloat(interactionScale);
    std::array<NSDecimal, 2> point{};
    plotPoint(std::span<NSDecimal>(point), interactionPoint);

    auto scaled = [&factor](const std::shared_ptr<CPTPlotRange>& range, NSDecimal at) -> std::shared_ptr<CPTPlotRange> {
        if (!range || at.isNaN())
            return nullptr;
        const NSDecimal length = CPTDecimalDividedBy(range->lengthDecimal(), factor);
        const NSDecimal location =
            range->lengthDouble() >= 0
                ? CPTDecimalMinus(at, CPTDecimalDividedBy(CPTDecimalMinus(at, range->minLimitDecimal()), factor))
                : CPTDecimalPlus(at, CPTDecimalDividedBy(CPTDecimalMinus(range->maxLimitDecimal(), at), factor));
        return CPTPlotRange::plotRangeWithLocationDecimal(location, length);
    };
    auto newX = scaled(xRange(), point[CPTCoordinateX]);
    auto newY = scaled(yRange(), point[CPTCoordinateY]);
    // Scaled ranges are clipped to the global ranges, never left to bounce back.
    if (newX) {
        const bool momentum = allowsMomentumX_;
        allowsMomentumX_ = false;
        setXRange(newX);
        allowsMomentumX_ = momentum;
    }
    if (newY) {
        const bool momentum = allowsMomentumY_;
        allowsMomentumY_ = false;
        setYRange(newY);
        allowsMomentumY_ = momentum;
    }
}

// --- events mapped into the plot area

CGPoint CPTXYPlotSpace::plotAreaViewPointForEvent(const CPTEvent& event) {
    CPTGraph* g = graph();
    CPTPlotArea* area = plotArea();
    if (!g || !g->hostingView() || !area)
        return CGPoint{};
    CGPoint point = event.locationInHostingView;
    // A collapsing hosting view draws the graph itself (the graph has no superlayer there), over
    // the view's bounds with the same origin; otherwise the graph sits in the view's layer.
    if (!g->superlayer()) {
        point.y = g->frame().size.height - point.y;
        return area->convertPointFromLayer(point, g);
    }
    return area->convertPointFromLayer(point, g->superlayer());
}

std::vector<Value> CPTXYPlotSpace::plotPointForEvent(const CPTEvent& event) {
    return plotPointForPlotAreaViewPoint(plotAreaViewPointForEvent(event));
}

void CPTXYPlotSpace::plotPoint(std::span<NSDecimal> out, const CPTEvent& event) {
    plotPoint(out, plotAreaViewPointForEvent(event));
}

void CPTXYPlotSpace::doublePrecisionPlotPoint(std::span<double> out, const CPTEvent& event) {
    doublePrecisionPlotPoint(out, plotAreaViewPointForEvent(event));
}
