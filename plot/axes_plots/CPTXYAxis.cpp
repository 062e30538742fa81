// Mapping and drawing of the XY axis.
#include "plot/axes_plots/CPTXYAxis.h"

#include "platform/foundation/Log.h"
#include "plot/foundation/CPTConstraints.h"
#include "plot/foundation/CPTException.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineCap.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/graph/CPTGuards.h"
#include "plot/graph/CPTLimitBand.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotSpace.h"

#include <algorithm>
#include <cmath>
#include <limits>

using foundation::Value;

namespace {

std::string numberText(const Value& value) {
    switch (value.kind()) {
    case Value::Kind::Null:
        return "(null)";
    case Value::Kind::Decimal:
        return value.toDecimal().toString();
    case Value::Kind::Integer:
        return std::to_string(value.toInt64());
    case Value::Kind::Unsigned:
        return std::to_string(value.toUInt64());
    default:
        return CPTFormatGeneral(value.toDouble());
    }
}

NSDecimal decimalOrZero(const Value& value) {
    return value.isNull() ? NSDecimal() : value.toDecimal();
}

gfx::Rect rectBetween(CGPoint a, CGPoint b) {
    return gfx::Rect(std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y));
}

bool isEmptyRange(const CPTPlotRange& range) {
    return range.locationDecimal().isNaN() || range.lengthDecimal().isNaN() || std::isnan(range.locationDouble());
}

} // namespace

CPTXYAxis::CPTXYAxis(const CGRect& frame) : CPTAxis(frame) {
    setTickDirection(CPTSignNone);
}

void CPTXYAxis::setOrthogonalPosition(const Value& position) {
    if (!position.isNull() && !orthogonalPosition_.isNull() && position == orthogonalPosition_)
        return;
    orthogonalPosition_ = position;
    setNeedsDisplay();
    setNeedsLayout();
}

void CPTXYAxis::setAxisConstraints(const std::shared_ptr<CPTConstraints>& constraints) {
    if (axisConstraints_ && axisConstraints_->isEqualToConstraint(constraints.get()))
        return;
    if (!axisConstraints_ && !constraints)
        return;
    axisConstraints_ = constraints;
    setNeedsDisplay();
    setNeedsLayout();
}

void CPTXYAxis::setCoordinate(CPTCoordinate coordinate) {
    if (coordinate == this->coordinate())
        return;
    // Checked before anything is stored, so a bad coordinate leaves the axis as it was.
    if (coordinate != CPTCoordinateX && coordinate != CPTCoordinateY)
        throw CPTException(NSInvalidArgumentException,
                           "Invalid coordinate: " + std::to_string(static_cast<std::uint64_t>(coordinate)));
    CPTAxis::setCoordinate(coordinate);
    const CPTAlignment alignment = labelAlignment();
    if (coordinate == CPTCoordinateX) {
        if (alignment > CPTAlignmentRight || alignment < CPTAlignmentLeft)
            setLabelAlignment(CPTAlignmentCenter);
    } else if (alignment < CPTAlignmentTop || alignment > CPTAlignmentBottom) {
        setLabelAlignment(CPTAlignmentMiddle);
    }
}

CGPoint CPTXYAxis::plotAreaPoint(NSDecimal value, NSDecimal orthogonal) const {
    const auto& space = plotSpace();
    if (!space)
        return CGPoint{};
    NSDecimal point[2];
    point[coordinate()] = value;
    point[CPTOtherCoordinate(coordinate())] = orthogonal;
    return space->plotAreaViewPointForPlotPoint(std::span<const NSDecimal>(point, 2));
}

CGPoint CPTXYAxis::viewPointForOrthogonalCoordinate(const Value& orthogonal, const Value& value) {
    if (coordinate() != CPTCoordinateX && coordinate() != CPTCoordinateY)
        return CGPoint{};
    CGPoint point = plotAreaPoint(decimalOrZero(value), decimalOrZero(orthogonal));
    if (plotArea())
        point = convertPointFromLayer(point, plotArea());
    return point;
}

void CPTXYAxis::orthogonalCoordinateViewLowerBound(CGFloat& lower, CGFloat& upper) {
    const CPTCoordinate other = CPTOtherCoordinate(coordinate());
    auto range = plotSpace() ? plotSpace()->plotRangeForCoordinate(other) : nullptr;
    if (!range) {
        lower = upper = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    const CGPoint start = viewPointForOrthogonalCoordinate(range->location(), Value(0.0));
    const CGPoint end = viewPointForOrthogonalCoordinate(range->end(), Value(0.0));
    if (coordinate() == CPTCoordinateX) {
        lower = start.y;
        upper = end.y;
    } else {
        lower = start.x;
        upper = end.x;
    }
}

CGPoint CPTXYAxis::viewPointForCoordinateValue(const Value& value) {
    CGPoint point = viewPointForOrthogonalCoordinate(orthogonalPosition_, value);
    if (axisConstraints_) {
        CGFloat lower = 0, upper = 0;
        orthogonalCoordinateViewLowerBound(lower, upper);
        const double across = axisConstraints_->positionForLowerBound(lower, upper);
        if (coordinate() == CPTCoordinateX)
            point.y = across;
        else
            point.x = across;
    }
    if (std::isnan(point.x) || std::isnan(point.y)) {
        foundation::log("[CPTXYAxis viewPointForCoordinateValue:" + numberText(value) + "] was " +
                        CPTStringFromPoint(point));
        if (std::isnan(point.x))
            point.x = 0;
        if (std::isnan(point.y))
            point.y = 0;
    }
    return point;
}

Value CPTXYAxis::defaultTitleLocation() const {
    auto range = plotSpace() ? plotSpace()->plotRangeForCoordinate(coordinate()) : nullptr;
    if (!range)
        return Value(NSDecimal());
    const double location = range->locationDouble();
    const double end = range->endDouble();
    switch (plotSpace()->scaleTypeForCoordinate(coordinate())) {
    case CPTScaleTypeLog:
        if (location > 0 && end >= 0)
            return Value(std::pow(10.0, (std::log10(location) + std::log10(end)) / 2));
        break;
    case CPTScaleTypeLogModulus:
        return Value(CPTInverseLogModulus((CPTLogModulus(location) + CPTLogModulus(end)) / 2));
    default:
        break;
    }
    return range->midPoint();
}

CGPoint CPTXYAxis::alignedPoint(const gfx::Context& ctx, CGPoint point, CGFloat lineWidth) const {
    if (std::floor(lineWidth) == lineWidth && contentsScale() > 1.0)
        return CPTPointAlignedToPixelEdge(ctx, point);
    return CPTPointAlignedToPixelCenter(ctx, point);
}

// --- drawing

void CPTXYAxis::drawTicksInContext(gfx::Context& ctx, const TickLocations& locations, CGFloat length,
                                   const CPTPlotRange* range, bool major) {
    const auto& style = major ? majorTickLineStyle() : minorTickLineStyle();
    if (!style)
        return;
    double startFactor = 0, endFactor = 0;
    switch (tickDirection()) {
    case CPTSignNegative:
        endFactor = -1;
        break;
    case CPTSignNone:
        startFactor = -0.5;
        endFactor = 0.5;
        break;
    case CPTSignPositive:
        endFactor = 1;
        break;
    }
    const CGFloat width = style->lineWidth();
    ctx.beginPath();
    for (const auto& location : locations) {
        if (range && !range->containsNumber(location))
            continue;
        const CGPoint base = viewPointForCoordinateValue(location);
        CGPoint start = base, end = base;
        if (coordinate() == CPTCoordinateX) {
            start.y += length * startFactor;
            end.y += length * endFactor;
        } else if (coordinate() == CPTCoordinateY) {
            start.x += length * startFactor;
            end.x += length * endFactor;
        } else {
            foundation::log("Invalid coordinate in [CPTXYAxis drawTicksInContext:]");
        }
        start = alignedPoint(ctx, start, width);
        end = alignedPoint(ctx, end, width);
        ctx.moveToPoint(start.x, start.y);
        ctx.addLineToPoint(end.x, end.y);
    }
    style->setLineStyleInContext(ctx);
    style->strokePathInContext(ctx);
}

void CPTXYAxis::renderAsVectorInContext(gfx::Context& ctx) {
    if (isHidden())
        return;
    CPTAxis::renderAsVectorInContext(ctx);
    relabel();
    auto range = workingRange();
    if (!range)
        return;
    const bool limited =
        labelingPolicy() == CPTAxisLabelingPolicyNone || labelingPolicy() == CPTAxisLabelingPolicyLocationsProvided;
    const CPTPlotRange* labeled = limited ? range.get() : nullptr;
    {
        CPTGStateGuard state(ctx);
        drawTicksInContext(ctx, minorTickLocations(), minorTickLength(), labeled, false);
    }
    {
        CPTGStateGuard state(ctx);
        drawTicksInContext(ctx, majorTickLocations(), majorTickLength(), labeled, true);
    }
    const auto& lineStyle = axisLineStyle();
    if (!lineStyle && !axisLineCapMin() && !axisLineCapMax())
        return;
    std::shared_ptr<CPTPlotRange> lineRange = range;
    if (visibleAxisRange())
        lineRange = visibleAxisRange()->copy();
    const CGFloat width = lineStyle ? lineStyle->lineWidth() : 1.0;
    if (lineStyle) {
        CPTGStateGuard state(ctx);
        const CGPoint start = alignedPoint(ctx, viewPointForCoordinateValue(lineRange->location()), width);
        const CGPoint end = alignedPoint(ctx, viewPointForCoordinateValue(lineRange->end()), width);
        lineStyle->setLineStyleInContext(ctx);
        ctx.beginPath();
        ctx.moveToPoint(start.x, start.y);
        ctx.addLineToPoint(end.x, end.y);
        lineStyle->strokePathInContext(ctx);
    }
    CGPoint direction = coordinate() == CPTCoordinateX ? CGPoint{1, 0} : CGPoint{0, 1};
    if (lineRange->lengthDouble() < 0)
        direction = CGPoint{-direction.x, -direction.y};
    if (const auto& cap = axisLineCapMin()) {
        CPTGStateGuard state(ctx);
        const CGPoint at = alignedPoint(ctx, viewPointForCoordinateValue(lineRange->minLimit()), width);
        cap->renderAsVectorInContext(ctx, at, CGPoint{-direction.x, -direction.y});
    }
    if (const auto& cap = axisLineCapMax()) {
        CPTGStateGuard state(ctx);
        const CGPoint at = alignedPoint(ctx, viewPointForCoordinateValue(lineRange->maxLimit()), width);
        cap->renderAsVectorInContext(ctx, at, direction);
    }
}

std::shared_ptr<CPTMutablePlotRange> CPTXYAxis::orthogonalRange() const {
    auto range = plotSpace() ? plotSpace()->plotRangeForCoordinate(CPTOtherCoordinate(coordinate())) : nullptr;
    if (!range)
        return nullptr;
    auto orthogonal = range->mutableCopy();
    if (gridLinesRange())
        orthogonal->intersectionPlotRange(gridLinesRange().get());
    return orthogonal;
}

void CPTXYAxis::drawGridLinesInContext(gfx::Context& ctx, bool major) {
    const auto& style = major ? majorGridLineStyle() : minorGridLineStyle();
    if (!style)
        return;
    CPTAxis::renderAsVectorInContext(ctx);
    relabel();
    auto orthogonal = orthogonalRange();
    if (!orthogonal || isEmptyRange(*orthogonal))
        return;
    std::shared_ptr<CPTMutablePlotRange> limit;
    if (labelingPolicy() == CPTAxisLabelingPolicyNone || labelingPolicy() == CPTAxisLabelingPolicyLocationsProvided)
        limit = workingRange();
    const NSDecimal start = orthogonal->locationDecimal();
    const NSDecimal end = orthogonal->endDecimal();
    const CGFloat width = style->lineWidth();
    CPTGStateGuard state(ctx);
    ctx.beginPath();
    for (const auto& location : major ? majorTickLocations() : minorTickLocations()) {
        if (limit && !limit->containsNumber(location))
            continue;
        const NSDecimal value = location.toDecimal();
        CGPoint a = plotAreaPoint(value, start);
        CGPoint b = plotAreaPoint(value, end);
        if (plotArea()) {
            a = convertPointFromLayer(a, plotArea());
            b = convertPointFromLayer(b, plotArea());
        }
        a = alignedPoint(ctx, a, width);
        b = alignedPoint(ctx, b, width);
        ctx.moveToPoint(a.x, a.y);
        ctx.addLineToPoint(b.x, b.y);
    }
    style->setLineStyleInContext(ctx);
    style->strokePathInContext(ctx);
}

std::size_t CPTXYAxis::initialBandIndexForSortedLocations(const std::vector<double>& sorted,
                                                          const CPTPlotRange& range) const {
    const auto& fills = alternatingBandFills();
    const Value& anchor = alternatingBandAnchor();
    if (anchor.isNull() || fills.empty())
        return 0;
    const double count = static_cast<double>(fills.size());
    auto visible = range.mutableCopy();
    if (visibleRange())
        visible->intersectionPlotRange(visibleRange().get());
    const bool ascending = visible->lengthDouble() >= 0;
    const double start = ascending ? visible->minLimitDouble() : visible->maxLimitDouble();
    const double anchorValue = anchor.toDouble();
    const double origin = labelingOrigin().isNull() ? 0.0 : labelingOrigin().toDouble();
    const double offset = std::floor(anchorValue - origin);
    double interval = 0;
    switch (labelingPolicy()) {
    case CPTAxisLabelingPolicyAutomatic:
    case CPTAxisLabelingPolicyEqualDivisions:
        if (sorted.size() >= 2)
            interval = ascending ? sorted[1] - sorted[0] : sorted[0] - sorted[1];
        break;
    case CPTAxisLabelingPolicyFixedInterval:
        interval = majorIntervalLength().isNull() ? 0.0 : majorIntervalLength().toDouble();
        break;
    default: {
        std::size_t below = 0;
        for (double location : sorted) {
            if (ascending ? anchorValue < location : anchorValue >= location)
                break;
            ++below;
        }
        return below % fills.size();
    }
    }
    if (interval == 0 || !std::isfinite(interval) || !std::isfinite(start) || !std::isfinite(offset))
        return 0;
    const double steps = std::ceil((start - origin) / interval) + offset + 1;
    if (!std::isfinite(steps))
        return 0;
    return static_cast<std::size_t>(std::fmod(std::fabs(steps), count));
}

void CPTXYAxis::drawBackgroundBandsInContext(gfx::Context& ctx) {
    const auto& fills = alternatingBandFills();
    if (fills.empty() || majorTickLocations().empty())
        return;
    auto range = workingRange();
    auto orthogonal = orthogonalRange();
    if (!range || !orthogonal || isEmptyRange(*range) || isEmptyRange(*orthogonal))
        return;
    const bool ascending = range->lengthDouble() >= 0;
    std::vector<double> sorted;
    for (const auto& location : majorTickLocations())
        sorted.push_back(location.toDouble());
    std::sort(sorted.begin(), sorted.end());
    if (!ascending)
        std::reverse(sorted.begin(), sorted.end());
    std::vector<double> edges;
    edges.push_back(ascending ? range->minLimitDouble() : range->maxLimitDouble());
    edges.insert(edges.end(), sorted.begin(), sorted.end());
    edges.push_back(ascending ? range->maxLimitDouble() : range->minLimitDouble());
    std::size_t index = initialBandIndexForSortedLocations(sorted, *range);
    const NSDecimal across0 = orthogonal->locationDecimal();
    const NSDecimal across1 = orthogonal->endDecimal();
    CPTGStateGuard state(ctx);
    for (std::size_t i = 0; i + 1 < edges.size(); ++i, ++index) {
        const auto& fill = fills[index % fills.size()];
        if (!fill)
            continue;
        const CGPoint a = plotAreaPoint(CPTDecimalFromDouble(edges[i]), across0);
        const CGPoint b = plotAreaPoint(CPTDecimalFromDouble(edges[i + 1]), across1);
        fill->fillRect(rectBetween(a, b), ctx);
    }
}

void CPTXYAxis::drawBackgroundLimitsInContext(gfx::Context& ctx) {
    const auto& bands = backgroundLimitBands();
    if (bands.empty())
        return;
    auto range = workingRange();
    auto orthogonal = orthogonalRange();
    if (!range || !orthogonal || isEmptyRange(*orthogonal))
        return;
    CPTGStateGuard state(ctx);
    for (const auto& band : bands) {
        if (!band || !band->range() || !band->fill())
            continue;
        auto cut = band->range()->mutableCopy();
        cut->intersectionPlotRange(range.get());
        if (isEmptyRange(*cut))
            continue;
        const CGPoint a = plotAreaPoint(cut->locationDecimal(), orthogonal->locationDecimal());
        const CGPoint b = plotAreaPoint(cut->endDecimal(), orthogonal->endDecimal());
        band->fill()->fillRect(rectBetween(a, b), ctx);
    }
}

std::string CPTXYAxis::description() const {
    auto* self = const_cast<CPTXYAxis*>(this);
    auto range = plotSpace() ? plotSpace()->plotRangeForCoordinate(coordinate()) : nullptr;
    if (!range)
        return "<" + CPTAxis::description() + " with range: (null) viewCoordinates: {0, 0} to {0, 0}>";
    return "<" + CPTAxis::description() + " with range: " + range->description() +
           " viewCoordinates: " + CPTStringFromPoint(self->viewPointForCoordinateValue(range->location())) + " to " +
           CPTStringFromPoint(self->viewPointForCoordinateValue(range->end())) + ">";
}
