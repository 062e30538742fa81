// Ranges, their change procedure and notification, and the per-coordinate mapping formulas.
#include "plot/graph/CPTXYPlotSpace.h"

#include "platform/foundation/NotificationCenter.h"
#include "plot/foundation/CPTException.h"
#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTPlot.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"

#include <algorithm>
#include <cmath>

using foundation::Value;

namespace {

// One coordinate's mapping: its range, its scale, and the plot area's length along it.
struct Axis {
    const CPTPlotRange* range;
    CPTScaleType scale;
    NSDecimal lengthDecimal; // linear and category map against the exact length
    double length;           // log and log-modulus against the bounds' length
};

void checkScale(CPTScaleType scale) {
    switch (scale) {
    case CPTScaleTypeLinear:
    case CPTScaleTypeCategory:
    case CPTScaleTypeLog:
    case CPTScaleTypeLogModulus:
        return;
    default:
        throw CPTException(CPTExceptionName, "Scale type not supported in CPTXYPlotSpace");
    }
}

bool isLinear(CPTScaleType scale) {
    return scale == CPTScaleTypeLinear || scale == CPTScaleTypeCategory;
}

// A share of the length; a zero span of the scale maps to the origin instead of dividing by zero.
double share(double numerator, double denominator, double length) {
    return denominator == 0 ? 0 : numerator / denominator * length;
}

double logForward(const Axis& a, double p) {
    const CPTPlotRange* r = a.range;
    if (!r || r->minLimitDouble() <= 0 || r->maxLimitDouble() <= 0 || p <= 0)
        return 0;
    double lo = std::log10(r->locationDouble());
    return share(std::log10(p) - lo, std::log10(r->endDouble()) - lo, a.length);
}

double logModulusForward(const Axis& a, double p) {
    const CPTPlotRange* r = a.range;
    if (!r)
        return 0;
    double lo = CPTLogModulus(r->locationDouble());
    return share(CPTLogModulus(p) - lo, CPTLogModulus(r->endDouble()) - lo, a.length);
}

// Forward, with the plot value as a decimal (linear scales compute in decimals).
CGFloat forwardDecimal(const Axis& a, NSDecimal p) {
    checkScale(a.scale);
    if (a.scale == CPTScaleTypeLog)
        return logForward(a, CPTDecimalToDouble(p));
    if (a.scale == CPTScaleTypeLogModulus)
        return logModulusForward(a, CPTDecimalToDouble(p));
    if (!a.range)
        return 0;
    NSDecimal ratio =
        CPTDecimalDividedBy(CPTDecimalMinus(p, a.range->locationDecimal()), a.range->lengthDecimal());
    if (ratio.isNaN())
        return 0;
    return CPTDecimalToCGFloat(CPTDecimalTimes(a.lengthDecimal, ratio));
}

// Forward, with the plot value as a double.
CGFloat forwardDouble(const Axis& a, double p) {
    checkScale(a.scale);
    if (a.scale == CPTScaleTypeLog)
        return logForward(a, p);
    if (a.scale == CPTScaleTypeLogModulus)
        return logModulusForward(a, p);
    if (!a.range || a.range->lengthDouble() == 0)
        return 0;
    return (p - a.range->locationDouble()) / a.range->lengthDouble() * a.length;
}

double inverseLogDouble(const Axis& a, CGFloat v) {
    const CPTPlotRange* r = a.range;
    if (!r || a.length == 0)
        return 0;
    if (a.scale == CPTScaleTypeLog) {
        // No sign check: a range reaching zero or below gives NaN.
        double lo = std::log10(r->locationDouble());
        return std::pow(10.0, lo + ((std::log10(r->endDouble()) - lo) * v) / a.length);
    }
    double lo = CPTLogModulus(r->locationDouble());
    return CPTInverseLogModulus(lo + ((CPTLogModulus(r->endDouble()) - lo) * v) / a.length);
}

NSDecimal inverseLinearDecimal(const Axis& a, CGFloat v) {
    if (!a.range || a.lengthDecimal.isZero())
        return NSDecimal();
    NSDecimal r = CPTDecimalFromCGFloat(v) / a.lengthDecimal;
    return r * a.range->lengthDecimal() + a.range->locationDecimal();
}

double inverseLinearDouble(const Axis& a, CGFloat v) {
    if (!a.range || a.length == 0)
        return 0;
    return v / a.length * a.range->lengthDouble() + a.range->locationDouble();
}

// A plot value in an array form: a missing or null element reads as 0.
NSDecimal decimalAt(const std::vector<Value>& point, std::size_t i) {
    return i < point.size() && !point[i].isNull() ? point[i].toDecimal() : NSDecimal();
}

double doubleAt(const std::vector<Value>& point, std::size_t i) {
    return i < point.size() ? point[i].toDouble() : 0.0;
}

} // namespace

CPTXYPlotSpace::CPTXYPlotSpace()
    : xRange_(CPTPlotRange::plotRangeWithLocation(Value(0.0), Value(1.0))),
      yRange_(CPTPlotRange::plotRangeWithLocation(Value(0.0), Value(1.0))) {}

CPTXYPlotSpace::~CPTXYPlotSpace() = default;

CPTPlotArea* CPTXYPlotSpace::plotArea() const {
    CPTGraph* g = graph();
    if (!g || !g->plotAreaFrame())
        return nullptr;
    return g->plotAreaFrame()->plotArea().get();
}

// --- ranges

std::shared_ptr<CPTPlotRange>
CPTXYPlotSpace::constrainRange(const std::shared_ptr<CPTPlotRange>& range,
                               const std::shared_ptr<CPTPlotRange>& globalRange) {
    if (!globalRange)
        return range;
    if (!range)
        return nullptr;
    if (CPTDecimalIsGreaterOrEqual(range->lengthDecimal(), globalRange->lengthDecimal()))
        return globalRange->copy();
    auto moved = range->mutableCopy();
    moved->shiftEndToFitInRange(globalRange.get());
    moved->shiftLocationToFitInRange(globalRange.get());
    return moved;
}

namespace {

bool sameRange(const std::shared_ptr<CPTPlotRange>& a, const std::shared_ptr<CPTPlotRange>& b) {
    if (!a || !b)
        return a == b;
    return a->isEqualToRange(b.get());
}

} // namespace

void CPTXYPlotSpace::setXRange(const std::shared_ptr<CPTPlotRange>& range) {
    changeRange(CPTCoordinateX, range);
}

void CPTXYPlotSpace::setYRange(const std::shared_ptr<CPTPlotRange>& range) {
    changeRange(CPTCoordinateY, range);
}

void CPTXYPlotSpace::changeRange(CPTCoordinate coordinate, std::shared_ptr<CPTPlotRange> range) {
    bool isX = coordinate == CPTCoordinateX;
    std::shared_ptr<CPTPlotRange>& current = isX ? xRange_ : yRange_;
    if (range && current && range->isEqualToRange(current.get()))
        return;
    if (!(isX ? allowsMomentumX_ : allowsMomentumY_))
        range = constrainRange(range, isX ? globalXRange_ : globalYRange_);
    if (auto d = delegate())
        if (auto replacement = d->plotSpaceWillChangePlotRangeTo(*this, range, coordinate))
            range = *replacement;
    if (sameRange(range, current))
        return;

    CGFloat displacement = isX ? lastDisplacement_.x : lastDisplacement_.y;
    bool scrolling = false;
    if (range && current && !CPTDecimalIsEqual(range->locationDecimal(), current->locationDecimal())) {
        scrolling = CPTDecimalIsEqual(range->lengthDecimal(), current->lengthDecimal());
        CPTPlotArea* area = plotArea();
        if (scrolling && displacement == 0.0 && area && !range->lengthDecimal().isZero()) {
            NSDecimal shift =
                CPTDecimalDividedBy(CPTDecimalMinus(range->locationDecimal(), current->locationDecimal()),
                                    range->lengthDecimal());
            CGRect b = area->bounds();
            displacement = (isX ? b.size.width : b.size.height) * CPTDecimalToCGFloat(shift);
        }
    }
    current = range ? range->copy() : nullptr;

    postMappingChange({{CPTPlotSpaceCoordinateKey, Value(std::int64_t(coordinate))},
                       {CPTPlotSpaceScrollingKey, Value(scrolling)},
                       {CPTPlotSpaceDisplacementKey, Value(double(displacement))}});
    if (auto d = delegate())
        d->plotSpaceDidChangePlotRangeForCoordinate(*this, coordinate);
    postGraphRedraw();
}

void CPTXYPlotSpace::postMappingChange(Value::Dictionary userInfo) {
    foundation::NotificationCenter::defaultCenter().post(CPTPlotSpaceCoordinateMappingDidChangeNotification,
                                                         static_cast<const void*>(this),
                                                         Value(std::move(userInfo)));
}

void CPTXYPlotSpace::setGlobalXRange(const std::shared_ptr<CPTPlotRange>& range) {
    if (sameRange(range, globalXRange_))
        return;
    globalXRange_ = range ? range->copy() : nullptr;
    setXRange(constrainRange(xRange_, globalXRange_));
}

void CPTXYPlotSpace::setGlobalYRange(const std::shared_ptr<CPTPlotRange>& range) {
    if (sameRange(range, globalYRange_))
        return;
    globalYRange_ = range ? range->copy() : nullptr;
    setYRange(constrainRange(yRange_, globalYRange_));
}

void CPTXYPlotSpace::setXScaleType(CPTScaleType type) {
    changeScaleType(CPTCoordinateX, type);
}

void CPTXYPlotSpace::setYScaleType(CPTScaleType type) {
    changeScaleType(CPTCoordinateY, type);
}

void CPTXYPlotSpace::changeScaleType(CPTCoordinate coordinate, CPTScaleType type) {
    CPTScaleType& current = coordinate == CPTCoordinateX ? xScaleType_ : yScaleType_;
    if (type == current)
        return;
    current = type;
    postMappingChange({{CPTPlotSpaceCoordinateKey, Value(std::int64_t(coordinate))}});
    postGraphRedraw();
}

void CPTXYPlotSpace::postGraphRedraw() {
    if (CPTGraph* g = graph())
        foundation::NotificationCenter::defaultCenter().post(CPTGraphNeedsRedrawNotification,
                                                             static_cast<const void*>(g));
}

void CPTXYPlotSpace::setPlotRange(const std::shared_ptr<CPTPlotRange>& range, CPTCoordinate coordinate) {
    if (coordinate == CPTCoordinateX)
        setXRange(range);
    else if (coordinate == CPTCoordinateY)
        setYRange(range);
}

std::shared_ptr<CPTPlotRange> CPTXYPlotSpace::plotRangeForCoordinate(CPTCoordinate coordinate) const {
    if (coordinate == CPTCoordinateX)
        return xRange_;
    if (coordinate == CPTCoordinateY)
        return yRange_;
    return nullptr;
}

void CPTXYPlotSpace::setScaleType(CPTScaleType scaleType, CPTCoordinate coordinate) {
    if (coordinate == CPTCoordinateX)
        setXScaleType(scaleType);
    else if (coordinate == CPTCoordinateY)
        setYScaleType(scaleType);
}

CPTScaleType CPTXYPlotSpace::scaleTypeForCoordinate(CPTCoordinate coordinate) const {
    if (coordinate == CPTCoordinateX)
        return xScaleType_;
    if (coordinate == CPTCoordinateY)
        return yScaleType_;
    return CPTScaleTypeLinear;
}

// --- mapping

namespace {

struct Axes {
    Axis x, y;
};

Axes axesOf(const CPTXYPlotSpace& space, const CPTPlotArea& area) {
    CGRect b = area.bounds();
    return {{space.xRange().get(), space.xScaleType(), area.widthDecimal(), b.size.width},
            {space.yRange().get(), space.yScaleType(), area.heightDecimal(), b.size.height}};
}

} // namespace

CGPoint CPTXYPlotSpace::plotAreaViewPointForPlotPoint(const std::vector<Value>& point) {
    CPTPlotArea* area = plotArea();
    if (!area)
        return {};
    Axes a = axesOf(*this, *area);
    auto map = [&point](const Axis& axis, std::size_t i) {
        checkScale(axis.scale);
        return isLinear(axis.scale) ? forwardDecimal(axis, decimalAt(point, i))
                                    : forwardDouble(axis, doubleAt(point, i));
    };
    CGFloat x = map(a.x, CPTCoordinateX);
    return {x, map(a.y, CPTCoordinateY)};
}

CGPoint CPTXYPlotSpace::plotAreaViewPointForPlotPoint(std::span<const NSDecimal> point) {
    CPTPlotArea* area = plotArea();
    if (!area)
        return {};
    Axes a = axesOf(*this, *area);
    CGFloat x = forwardDecimal(a.x, point.size() > 0 ? point[0] : NSDecimal());
    return {x, forwardDecimal(a.y, point.size() > 1 ? point[1] : NSDecimal())};
}

CGPoint CPTXYPlotSpace::plotAreaViewPointForDoublePrecisionPlotPoint(std::span<const double> point) {
    CPTPlotArea* area = plotArea();
    if (!area)
        return {};
    Axes a = axesOf(*this, *area);
    CGFloat x = forwardDouble(a.x, point.size() > 0 ? point[0] : 0.0);
    return {x, forwardDouble(a.y, point.size() > 1 ? point[1] : 0.0)};
}

namespace {

// One coordinate's forward mapping with what it reads of the range taken once: a linear scale is the
// same scaled difference forwardDouble computes (so the same results), other scales go through it.
struct ForwardDouble {
    const Axis& axis;
    bool linear, zero;
    double location = 0, span = 0, length = 0;

    explicit ForwardDouble(const Axis& a)
        : axis(a), linear(isLinear(a.scale)), zero(!a.range || a.range->lengthDouble() == 0) {
        if (!zero) {
            location = a.range->locationDouble();
            span = a.range->lengthDouble();
            length = a.length;
        }
    }
    double operator()(double p) const {
        if (!linear)
            return forwardDouble(axis, p);
        return zero ? 0 : (p - location) / span * length;
    }
};

} // namespace

void CPTXYPlotSpace::plotAreaViewPointsForDoublePrecisionPlotPoints(std::span<const double> xs,
                                                                    std::span<const double> ys,
                                                                    std::span<const std::uint8_t> wanted,
                                                                    std::span<CGPoint> points) {
    const std::size_t n = std::min({xs.size(), ys.size(), wanted.size(), points.size()});
    if (std::find_if(wanted.begin(), wanted.begin() + std::ptrdiff_t(n), [](std::uint8_t w) { return w != 0; }) ==
        wanted.begin() + std::ptrdiff_t(n))
        return;
    CPTPlotArea* area = plotArea();
    if (!area) {
        for (std::size_t i = 0; i < n; ++i)
            if (wanted[i] && !std::isnan(xs[i]) && !std::isnan(ys[i]))
                points[i] = CGPoint{};
        return;
    }
    const Axes a = axesOf(*this, *area);
    checkScale(a.x.scale);
    checkScale(a.y.scale);
    const ForwardDouble fx(a.x), fy(a.y);
    if (fx.linear && fy.linear && !fx.zero && !fy.zero) {
        // Straight-line arithmetic and a select per point, which the compiler can vectorise.
        const double* px = xs.data();
        const double* py = ys.data();
        const std::uint8_t* keep = wanted.data();
        CGPoint* out = points.data();
        for (std::size_t i = 0; i < n; ++i) {
            const double x = px[i], y = py[i];
            const CGPoint mapped{(x - fx.location) / fx.span * fx.length, (y - fy.location) / fy.span * fy.length};
            const bool use = keep[i] != 0 && !std::isnan(x) && !std::isnan(y);
            const CGPoint old = out[i];
            out[i] = use ? mapped : old;
        }
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const double x = xs[i], y = ys[i];
        if (wanted[i] && !std::isnan(x) && !std::isnan(y))
            points[i] = CGPoint{fx(x), fy(y)};
    }
}

std::vector<Value> CPTXYPlotSpace::plotPointForPlotAreaViewPoint(CGPoint point) {
    CPTPlotArea* area = plotArea();
    if (!area)
        return {Value(std::int64_t(0)), Value(std::int64_t(0))};
    Axes a = axesOf(*this, *area);
    auto map = [](const Axis& axis, CGFloat v) {
        checkScale(axis.scale);
        return isLinear(axis.scale) ? Value(inverseLinearDecimal(axis, v)) : Value(inverseLogDouble(axis, v));
    };
    std::vector<Value> result;
    result.reserve(numberOfCoordinates());
    result.push_back(map(a.x, point.x));
    result.push_back(map(a.y, point.y));
    return result;
}

void CPTXYPlotSpace::plotPoint(std::span<NSDecimal> out, CGPoint point) {
    CPTPlotArea* area = plotArea();
    auto store = [&out](std::size_t i, NSDecimal v) {
        if (i < out.size())
            out[i] = v;
    };
    if (!area) {
        store(0, NSDecimal());
        store(1, NSDecimal());
        return;
    }
    Axes a = axesOf(*this, *area);
    auto map = [](const Axis& axis, CGFloat v) {
        checkScale(axis.scale);
        return isLinear(axis.scale) ? inverseLinearDecimal(axis, v)
                                    : CPTDecimalFromDouble(inverseLogDouble(axis, v));
    };
    NSDecimal x = map(a.x, point.x);
    NSDecimal y = map(a.y, point.y);
    store(0, x);
    store(1, y);
}

void CPTXYPlotSpace::doublePrecisionPlotPoint(std::span<double> out, CGPoint point) {
    CPTPlotArea* area = plotArea();
    auto store = [&out](std::size_t i, double v) {
        if (i < out.size())
            out[i] = v;
    };
    if (!area) {
        store(0, 0.0);
        store(1, 0.0);
        return;
    }
    Axes a = axesOf(*this, *area);
    auto map = [](const Axis& axis, CGFloat v) {
        checkScale(axis.scale);
        return isLinear(axis.scale) ? inverseLinearDouble(axis, v) : inverseLogDouble(axis, v);
    };
    double x = map(a.x, point.x);
    double y = map(a.y, point.y);
    store(0, x);
    store(1, y);
}

// --- fitting

void CPTXYPlotSpace::fit(const Plots& plots, bool enclosing) {
    if (plots.empty())
        return;
    std::shared_ptr<CPTMutablePlotRange> unionX, unionY;
    auto unite = [](std::shared_ptr<CPTMutablePlotRange>& u, const std::shared_ptr<CPTPlotRange>& r) {
        if (!r)
            return;
        if (!u)
            u = r->mutableCopy();
        u->unionPlotRange(r.get());
    };
    for (const auto& plot : plots) {
        if (!plot)
            continue;
        unite(unionX, enclosing ? plot->plotRangeEnclosingCoordinate(CPTCoordinateX)
                                : plot->plotRangeForCoordinate(CPTCoordinateX));
        unite(unionY, enclosing ? plot->plotRangeEnclosingCoordinate(CPTCoordinateY)
                                : plot->plotRangeForCoordinate(CPTCoordinateY));
    }
    if (unionX) {
        if (unionX->lengthDecimal().isZero())
            unionX->unionPlotRange(xRange_.get());
        setXRange(unionX);
    }
    if (unionY) {
        if (unionY->lengthDecimal().isZero())
            unionY->unionPlotRange(yRange_.get());
        setYRange(unionY);
    }
}

void CPTXYPlotSpace::scaleToFitPlots(const Plots& plots) {
    fit(plots, false);
}

void CPTXYPlotSpace::scaleToFitEntirePlots(const Plots& plots) {
    fit(plots, true);
}

// --- debugging

namespace {

std::string scaleTypeName(CPTScaleType type) {
    switch (type) {
    case CPTScaleTypeLinear:
        return "CPTScaleTypeLinear";
    case CPTScaleTypeLog:
        return "CPTScaleTypeLog";
    case CPTScaleTypeAngular:
        return "CPTScaleTypeAngular";
    case CPTScaleTypeDateTime:
        return "CPTScaleTypeDateTime";
    case CPTScaleTypeCategory:
        return "CPTScaleTypeCategory";
    case CPTScaleTypeLogModulus:
        return "CPTScaleTypeLogModulus";
    }
    return "(null)";
}

std::string rangeText(const std::shared_ptr<CPTPlotRange>& r) {
    return r ? r->debugQuickLookObject() : "(null)";
}

} // namespace

std::string CPTXYPlotSpace::debugQuickLookObject() const {
    std::string x = "xRange:\n" + rangeText(xRange_) + "\nglobalXRange:\n" + rangeText(globalXRange_) +
                    "\nxScaleType: " + scaleTypeName(xScaleType_);
    std::string y = "yRange:\n" + rangeText(yRange_) + "\nglobalYRange:\n" + rangeText(globalYRange_) +
                    "\nyScaleType: " + scaleTypeName(yScaleType_);
    return CPTPlotSpace::debugQuickLookObject() + "\n\nX:\n" + x + "\n\nY:\n" + y;
}
