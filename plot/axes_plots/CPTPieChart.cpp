// The pie chart: settings, the slice values with their derived fractions, fills and offsets, the
// angles of the slices, drawing with the overlay, labels around the rim, legend entries and the hit
// tests by angle.
#include "plot/axes_plots/CPTPieChart.h"

#include "platform/foundation/NotificationCenter.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/foundation/CPTUtilities.h"
#include "plot/graph/CPTDefinitions.h"
#include "plot/graph/CPTGuards.h"
#include "plot/graph/CPTLegend.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotLists.h"
#include "plot/graph/CPTPlotSpace.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

using foundation::Value;

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// A finite, non-negative value makes a slice; anything else is a missing one.
bool isSliceValue(double v) {
    return std::isfinite(v) && v >= 0;
}

bool isSliceValue(NSDecimal v) {
    return !v.isNaN() && !CPTDecimalIsLess(v, NSDecimal::fromInt64(0));
}

} // namespace

CPTPieChart::CPTPieChart(const CGRect& frame)
    : CPTPlot(frame), startAngle_(std::numbers::pi / 2), endAngle_(NAN) {
    pieRadius_ = 0.8 * std::min(frame.size.width, frame.size.height) / 2;
    if (!std::isfinite(pieRadius_))
        pieRadius_ = 0;
    pieRadius_ = std::fabs(pieRadius_);
    setLabelOffset(10.0);
    setLabelField(CPTPieChartFieldSliceWidth);
}

std::shared_ptr<CPTColor> CPTPieChart::defaultPieSliceColorForIndex(std::uint64_t idx) {
    static constexpr std::array<std::array<double, 3>, 10> table{{{1.0, 0.0, 0.0},
                                                                  {0.0, 1.0, 0.0},
                                                                  {0.0, 0.0, 1.0},
                                                                  {1.0, 1.0, 0.0},
                                                                  {0.25, 0.5, 0.25},
                                                                  {1.0, 0.0, 1.0},
                                                                  {0.5, 0.5, 0.5},
                                                                  {0.25, 0.5, 0.0},
                                                                  {0.25, 0.25, 0.25},
                                                                  {0.0, 1.0, 1.0}}};
    const auto& row = table[idx % 10];
    const double lift = 0.1 * double(idx / 10);
    auto component = [&](double c) { return std::min(1.0, c + lift); };
    return CPTColor::colorWithComponentRed(component(row[0]), component(row[1]), component(row[2]), 1.0);
}

std::shared_ptr<CPTPieChartDataSource> CPTPieChart::pieDataSource() const {
    return std::dynamic_pointer_cast<CPTPieChartDataSource>(dataSource());
}

void CPTPieChart::postLegendRedraw() {
    foundation::NotificationCenter::defaultCenter().post(CPTLegendNeedsRedrawForPlotNotification,
                                                         static_cast<const void*>(this));
}

void CPTPieChart::postLegendReload() {
    foundation::NotificationCenter::defaultCenter().post(CPTLegendNeedsReloadEntriesForPlotNotification,
                                                         static_cast<const void*>(this));
}

// --- settings

void CPTPieChart::setPieRadius(CGFloat radius) {
    radius = std::fabs(radius);
    if (radius == pieRadius_)
        return;
    pieRadius_ = radius;
    setNeedsDisplay();
    repositionAllLabelAnnotations();
}

void CPTPieChart::setPieInnerRadius(CGFloat radius) {
    radius = std::fabs(radius);
    if (radius == pieInnerRadius_)
        return;
    pieInnerRadius_ = radius;
    setNeedsDisplay();
}

void CPTPieChart::setStartAngle(CGFloat angle) {
    if (angle == startAngle_)
        return;
    startAngle_ = angle;
    setNeedsDisplay();
    repositionAllLabelAnnotations();
}

void CPTPieChart::setEndAngle(CGFloat angle) {
    if (angle == endAngle_ || (std::isnan(angle) && std::isnan(endAngle_)))
        return;
    endAngle_ = angle;
    setNeedsDisplay();
    repositionAllLabelAnnotations();
}

void CPTPieChart::setSliceDirection(CPTPieDirection direction) {
    if (direction == sliceDirection_)
        return;
    sliceDirection_ = direction;
    setNeedsDisplay();
    repositionAllLabelAnnotations();
}

void CPTPieChart::setCenterAnchor(CGPoint anchor) {
    if (anchor == centerAnchor_)
        return;
    centerAnchor_ = anchor;
    setNeedsDisplay();
    repositionAllLabelAnnotations();
}

void CPTPieChart::setBorderLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
    if (style == borderLineStyle_)
        return;
    borderLineStyle_ = style ? style->copy() : nullptr;
    setNeedsDisplay();
    postLegendRedraw();
}

void CPTPieChart::setLabelRotationRelativeToRadius(bool value) {
    if (value == labelRotationRelativeToRadius_)
        return;
    labelRotationRelativeToRadius_ = value;
    repositionAllLabelAnnotations();
}

void CPTPieChart::setLabelRotation(CGFloat rotation) {
    if (rotation == labelRotation())
        return;
    CPTPlot::setLabelRotation(rotation);
    if (labelRotationRelativeToRadius_)
        repositionAllLabelAnnotations();
}

// --- whole arrays

Value::Array CPTPieChart::sliceWidths() const {
    auto data = cachedNumbersForField(CPTPieChartFieldSliceWidth);
    return data ? data->sampleArray() : Value::Array();
}

void CPTPieChart::setSliceWidths(const std::optional<Value::Array>& widths) {
    cacheNumbers(widths ? CPTPlotNumbers(Value(*widths)) : CPTPlotNumbers(Value()),
                 CPTPieChartFieldSliceWidth);
    updateNormalizedData();
}

CPTPlotObjectList CPTPieChart::sliceFills() const {
    const CPTPlotObjectList* list = cachedArrayForKey(CPTPieChartBindingPieSliceFills);
    return list ? *list : CPTPlotObjectList();
}

void CPTPieChart::setSliceFills(const CPTPlotObjectList& fills) {
    cacheArray(fills, CPTPieChartBindingPieSliceFills);
    setNeedsDisplay();
}

CPTPlotObjectList CPTPieChart::sliceRadialOffsets() const {
    const CPTPlotObjectList* list = cachedArrayForKey(CPTPieChartBindingPieSliceRadialOffsets);
    return list ? *list : CPTPlotObjectList();
}

void CPTPieChart::setSliceRadialOffsets(const CPTPlotObjectList& offsets) {
    cacheArray(offsets, CPTPieChartBindingPieSliceRadialOffsets);
    setNeedsDisplay();
    setNeedsLayout();
}

// --- reloading

void CPTPieChart::reloadData() {
    CPTPlot::reloadData();
    postLegendReload();
}

void CPTPieChart::reloadDataInIndexRange(NSRange indexRange) {
    CPTPlot::reloadDataInIndexRange(indexRange);
    reloadSliceFillsInIndexRange(indexRange);
    reloadRadialOffsetsInIndexRange(indexRange);
    auto source = pieDataSource();
    if (source && indexRange.length > 0 && source->legendTitleForPieChart(*this, indexRange.location))
        postLegendRedraw();
}

void CPTPieChart::insertDataAtIndex(std::uint64_t idx, std::uint64_t numberOfRecords) {
    CPTPlot::insertDataAtIndex(idx, numberOfRecords);
    postLegendReload();
}

void CPTPieChart::deleteDataInIndexRange(NSRange indexRange) {
    CPTPlot::deleteDataInIndexRange(indexRange);
    updateNormalizedData();
    postLegendReload();
}

void CPTPieChart::reloadPlotDataInIndexRange(NSRange indexRange) {
    if (!loadNumbersForAllFieldsFromDataSourceInRecordIndexRange(indexRange)) {
        if (dataSource())
            cacheNumbers(numbersFromDataSourceForField(CPTPieChartFieldSliceWidth, indexRange),
                         CPTPieChartFieldSliceWidth, indexRange.location);
        else
            cacheNumbers(Value(), CPTPieChartFieldSliceWidth);
    }
    updateNormalizedData();
}

void CPTPieChart::reloadSliceFills() {
    reloadSliceFillsInIndexRange(NSMakeRange(0, cachedDataCount()));
}

void CPTPieChart::reloadSliceFillsInIndexRange(NSRange indexRange) {
    auto source = pieDataSource();
    const bool answered =
        source && CPTReloadPlotObjectList(
                      *this, indexRange, CPTPieChartBindingPieSliceFills,
                      [&](NSRange r) { return source->sliceFillsForPieChart(*this, r); },
                      [&](std::uint64_t i) { return source->sliceFillForPieChart(*this, i); });
    if (answered)
        postLegendRedraw();
    setNeedsDisplay();
}

void CPTPieChart::reloadRadialOffsets() {
    reloadRadialOffsetsInIndexRange(NSMakeRange(0, cachedDataCount()));
}

void CPTPieChart::reloadRadialOffsetsInIndexRange(NSRange indexRange) {
    if (auto source = pieDataSource())
        CPTReloadPlotList(
            *this, indexRange, CPTPieChartBindingPieSliceRadialOffsets,
            [&](NSRange r) -> std::optional<CPTPlotObjectList> {
                auto offsets = source->radialOffsetsForPieChart(*this, r);
                if (!offsets)
                    return std::nullopt;
                CPTPlotObjectList list;
                for (CGFloat d : *offsets)
                    list.emplace_back(Value(d));
                return list;
            },
            [&](std::uint64_t i) -> std::optional<CPTPlotObject> {
                auto offset = source->radialOffsetForPieChart(*this, i);
                return offset ? std::optional(CPTPlotObject(Value(*offset))) : std::nullopt;
            });
    setNeedsDisplay();
}

void CPTPieChart::updateNormalizedData() {
    // The stored count: reading it must not start a reload in the middle of one.
    auto values = cachedNumbersForField(CPTPieChartFieldSliceWidth);
    const std::uint64_t n = values ? values->numberOfSamples() : 0;
    if (n == 0) {
        cacheNumbers(Value(), CPTPieChartFieldSliceWidthNormalized);
        cacheNumbers(Value(), CPTPieChartFieldSliceWidthSum);
    } else if (doublePrecisionCache()) {
        double sum = 0;
        for (std::uint64_t i = 0; i < n; ++i)
            if (const double v = cachedDoubleForField(CPTPieChartFieldSliceWidth, i); isSliceValue(v))
                sum += v;
        CPTNumericData::Bytes normalized(n * sizeof(double)), cumulative(n * sizeof(double));
        double running = 0;
        for (std::uint64_t i = 0; i < n; ++i) {
            const double v = cachedDoubleForField(CPTPieChartFieldSliceWidth, i);
            double fraction = NAN, upTo = NAN;
            if (sum > 0) {
                if (isSliceValue(v)) {
                    fraction = v / sum;
                    running += v;
                }
                upTo = running / sum;
            }
            std::memcpy(normalized.data() + i * sizeof(double), &fraction, sizeof(double));
            std::memcpy(cumulative.data() + i * sizeof(double), &upTo, sizeof(double));
        }
        cacheNumbers(CPTMutableNumericData::numericDataWithData(std::move(normalized), doubleDataType()),
                     CPTPieChartFieldSliceWidthNormalized);
        cacheNumbers(CPTMutableNumericData::numericDataWithData(std::move(cumulative), doubleDataType()),
                     CPTPieChartFieldSliceWidthSum);
    } else {
        const NSDecimal zero = NSDecimal::fromInt64(0);
        NSDecimal sum = zero;
        for (std::uint64_t i = 0; i < n; ++i)
            if (const NSDecimal v = cachedDecimalForField(CPTPieChartFieldSliceWidth, i); isSliceValue(v))
                sum = CPTDecimalPlus(sum, v);
        const bool anything = CPTDecimalIsLess(zero, sum);
        Value::Array normalized, cumulative;
        normalized.reserve(n);
        cumulative.reserve(n);
        NSDecimal running = zero;
        for (std::uint64_t i = 0; i < n; ++i) {
            const NSDecimal v = cachedDecimalForField(CPTPieChartFieldSliceWidth, i);
            NSDecimal fraction = CPTDecimalNotANumber(), upTo = CPTDecimalNotANumber();
            if (anything) {
                if (isSliceValue(v)) {
                    fraction = CPTDecimalDividedBy(v, sum);
                    running = CPTDecimalPlus(running, v);
                }
                upTo = CPTDecimalDividedBy(running, sum);
            }
            normalized.emplace_back(fraction);
            cumulative.emplace_back(upTo);
        }
        cacheNumbers(CPTMutableNumericData::numericDataWithArray(normalized, decimalDataType()),
                     CPTPieChartFieldSliceWidthNormalized);
        cacheNumbers(CPTMutableNumericData::numericDataWithArray(cumulative, decimalDataType()),
                     CPTPieChartFieldSliceWidthSum);
    }
    auto source = dataSource();
    relabelIndexRange(NSMakeRange(0, source ? source->numberOfRecordsForPlot(*this) : 0));
}

CGFloat CPTPieChart::normalizedValue(std::uint64_t idx) const {
    return cachedDoubleForField(CPTPieChartFieldSliceWidthNormalized, idx);
}

// --- geometry

CGFloat CPTPieChart::radiansForPieSliceValue(CGFloat pieSliceValue) const {
    const CGFloat s = startAngle_, e = endAngle_;
    CGFloat a;
    switch (sliceDirection_) {
    case CPTPieDirectionCounterClockwise:
        a = s + pieSliceValue * (std::isnan(e) ? kTwoPi : std::fabs(e - s));
        break;
    case CPTPieDirectionClockwise:
        a = s - pieSliceValue * (std::isnan(e) ? kTwoPi : kTwoPi - std::fabs(e - s));
        break;
    default:
        a = s;
        break;
    }
    return std::isnan(e) ? a : std::fmod(a, kTwoPi);
}

bool CPTPieChart::centerPoint(CGPoint& center) const {
    CPTPlotArea* area = plotArea();
    if (!area)
        return false;
    const CGRect b = area->bounds();
    const CGPoint p{b.origin.x + b.size.width * centerAnchor_.x,
                    b.origin.y + b.size.height * centerAnchor_.y};
    center = convertPointFromLayer(p, area);
    return true;
}

void CPTPieChart::addSliceToPath(gfx::Path& path, CGPoint center, CGFloat startingAngle,
                                 CGFloat finishingAngle, CGFloat width) const {
    const CGFloat R = pieRadius_, r = pieInnerRadius_;
    const bool clockwise = sliceDirection_ == CPTPieDirectionClockwise;
    if (r > 0) {
        if (width >= 1.0)
            finishingAngle = startingAngle + kTwoPi;
        path.addArc(center, R, startingAngle, finishingAngle, clockwise);
        path.addArc(center, r, finishingAngle, startingAngle, !clockwise);
    } else if (width >= 1.0) {
        path.addEllipse(CGRect(center.x - R, center.y - R, 2 * R, 2 * R));
    } else {
        path.moveTo(center);
        path.addArc(center, R, startingAngle, finishingAngle, clockwise);
    }
    path.closeSubpath();
}

std::shared_ptr<CPTFill> CPTPieChart::sliceFillForIndex(std::uint64_t idx) const {
    auto entry = cachedValueForKey(CPTPieChartBindingPieSliceFills, idx);
    if (entry && !entry->isNilData())
        if (auto fill = entry->object<CPTFill>())
            return fill;
    return CPTFill::fillWithColor(defaultPieSliceColorForIndex(idx));
}

CGFloat CPTPieChart::radialOffsetForIndex(std::uint64_t idx) const {
    auto entry = cachedValueForKey(CPTPieChartBindingPieSliceRadialOffsets, idx);
    if (!entry || !entry->value() || !entry->value()->isNumber())
        return 0;
    const double d = entry->value()->toDouble();
    return std::isfinite(d) ? d : 0;
}

CGFloat CPTPieChart::normalizedPosition(CGFloat rawPosition) {
    CGFloat t = std::fmod(rawPosition / kTwoPi, 1.0);
    if (t < 0)
        t += 1.0;
    // A tiny negative fraction rounds up to a whole turn.
    return t >= 1.0 ? 0.0 : t;
}

bool CPTPieChart::angleBetween(CGFloat touchedAngle, CGFloat startingAngle, CGFloat endingAngle) const {
    switch (sliceDirection_) {
    case CPTPieDirectionCounterClockwise:
        return (touchedAngle >= startingAngle && touchedAngle <= endingAngle) ||
               (endingAngle > 1.0 && touchedAngle + 1.0 <= endingAngle);
    case CPTPieDirectionClockwise:
        return (touchedAngle <= startingAngle && touchedAngle >= endingAngle) ||
               (endingAngle < 0 && touchedAngle - 1.0 >= endingAngle);
    default:
        return false;
    }
}

std::uint64_t CPTPieChart::pieSliceIndexAtAngle(CGFloat angle) {
    const std::uint64_t n = cachedDataCount();
    const CGFloat theta = normalizedPosition(angle);
    if (std::isnan(theta))
        return foundation::notFound;
    CGFloat t = normalizedPosition(startAngle_);
    for (std::uint64_t i = 0; i < n; ++i) {
        const CGFloat v = normalizedValue(i);
        if (std::isnan(v))
            continue;
        const CGFloat t1 = sliceDirection_ == CPTPieDirectionClockwise ? t - v : t + v;
        if (angleBetween(theta, t, t1))
            return i;
        t = t1;
    }
    return foundation::notFound;
}

CGFloat CPTPieChart::medianAngleForPieSliceIndex(std::uint64_t idx) {
    const std::uint64_t n = cachedDataCount();
    CGFloat f = 0;
    for (std::uint64_t i = 0; i < n && i <= idx; ++i) {
        const CGFloat v = normalizedValue(i);
        if (std::isnan(v))
            continue;
        if (i == idx)
            return (radiansForPieSliceValue(f) + radiansForPieSliceValue(f + v)) / 2;
        f += v;
    }
    return NAN;
}

// --- labels

void CPTPieChart::positionLabelAnnotation(CPTPlotSpaceAnnotation& label, std::uint64_t idx) {
    const std::shared_ptr<CPTLayer>& content = label.contentLayer();
    CPTPlotArea* area = plotArea();
    auto space = plotSpace();
    if (!content || !area || !space) {
        label.setAnchorPlotPoint(std::nullopt);
        label.setDisplacement({0, 0});
        return;
    }
    const CGRect b = area->bounds();
    const CGPoint centerInArea{b.origin.x + b.size.width * centerAnchor_.x,
                               b.origin.y + b.size.height * centerAnchor_.y};
    std::array<NSDecimal, 2> anchor{};
    space->plotPoint(std::span<NSDecimal>(anchor), centerInArea);
    label.setAnchorPlotPoint(std::vector<Value>{Value(anchor[0]), Value(anchor[1])});

    const CGFloat v = normalizedValue(idx);
    const bool shown = !std::isnan(v) && !isHidden() && std::isfinite(pieRadius_);
    content->setHidden(!shown);
    if (!shown)
        return;
    const CGFloat previous = idx > 0 ? cachedDoubleForField(CPTPieChartFieldSliceWidthSum, idx - 1) : 0;
    const CGFloat p = std::isnan(previous) ? 0 : previous;
    const CGFloat distance = radialOffsetForIndex(idx) + pieRadius_ + labelOffset();
    const CGFloat angle = radiansForPieSliceValue(p + v / 2);
    label.setDisplacement({distance * std::cos(angle), distance * std::sin(angle)});
    if (labelRotationRelativeToRadius_) {
        CGFloat t = normalizedPosition(angle + labelRotation());
        if (t > 0.25 && t < 0.75)
            t -= 0.5;
        label.setRotation(t * kTwoPi);
    }
}

// --- legend

std::uint64_t CPTPieChart::numberOfLegendEntries() {
    reloadDataIfNeeded();
    return cachedDataCount();
}

std::optional<std::string> CPTPieChart::titleForLegendEntryAtIndex(std::uint64_t idx) {
    if (auto source = pieDataSource())
        if (auto title = source->legendTitleForPieChart(*this, idx))
            return title;
    return CPTPlot::titleForLegendEntryAtIndex(idx);
}

std::optional<gfx::RichText> CPTPieChart::attributedTitleForLegendEntryAtIndex(std::uint64_t idx) {
    if (auto source = pieDataSource())
        if (auto title = source->attributedLegendTitleForPieChart(*this, idx))
            return title;
    return CPTPlot::attributedTitleForLegendEntryAtIndex(idx);
}

void CPTPieChart::drawSwatchForLegend(CPTLegend& legend, std::uint64_t idx, CGRect rect,
                                      gfx::Context& context) {
    CPTPlot::drawSwatchForLegend(legend, idx, rect, context);
    if (!drawLegendSwatchDecoration())
        return;
    auto fill = sliceFillForIndex(idx);
    const CGFloat radius = legend.swatchCornerRadius();
    if (fill) {
        context.beginPath();
        CPTContextAddRoundedRect(context, CPTRectAlignedToPixelEdge(context, rect), radius);
        fill->fillPathInContext(context);
    }
    if (borderLineStyle_) {
        borderLineStyle_->setLineStyleInContext(context);
        context.beginPath();
        CPTContextAddRoundedRect(context, CPTRectAlignedForLineStyle(context, borderLineStyle_.get(), rect),
                                 radius);
        borderLineStyle_->strokePathInContext(context);
    }
}

// --- hit test

std::uint64_t CPTPieChart::dataIndexFromInteractionPoint(CGPoint point) {
    CPTPlotArea* area = plotArea();
    if (!graph() || !area)
        return foundation::notFound;
    const std::uint64_t n = cachedDataCount();
    if (n == 0)
        return foundation::notFound;
    // The point arrives in the plot area's coordinates; the slices are measured in the chart's.
    const CGPoint p = convertPointFromLayer(point, area);
    CGPoint c;
    if (!centerPoint(c))
        return foundation::notFound;
    const CGFloat dx = p.x - c.x, dy = p.y - c.y;
    const CGFloat d2 = dx * dx + dy * dy;
    const CGFloat theta = normalizedPosition(std::atan2(dy, dx));
    const CGFloat s = startAngle_, e = endAngle_;
    CGFloat k;
    switch (sliceDirection_) {
    case CPTPieDirectionCounterClockwise:
        k = !std::isnan(e) && e != s ? kTwoPi / std::fabs(e - s) : 1.0;
        break;
    case CPTPieDirectionClockwise:
        k = !std::isnan(e) && std::fabs(e - s) != kTwoPi ? kTwoPi / (kTwoPi - std::fabs(e - s)) : 1.0;
        break;
    default:
        return foundation::notFound;
    }
    if (!std::isfinite(k) || std::isnan(theta))
        return foundation::notFound;
    const CGFloat R2 = pieRadius_ * pieRadius_, r2 = pieInnerRadius_ * pieInnerRadius_;
    CGFloat t = normalizedPosition(s);
    for (std::uint64_t i = 0; i < n; ++i) {
        const CGFloat v = normalizedValue(i);
        if (std::isnan(v))
            continue;
        const CGFloat t1 = sliceDirection_ == CPTPieDirectionCounterClockwise ? t + v / k : t - v / k;
        CGFloat thetaHere = theta, d2Here = d2;
        if (const CGFloat offset = radialOffsetForIndex(i); offset != 0) {
            const CGFloat m = (t + t1) * std::numbers::pi;
            const CGFloat ox = p.x - (c.x + offset * std::cos(m)), oy = p.y - (c.y + offset * std::sin(m));
            thetaHere = normalizedPosition(std::atan2(oy, ox));
            d2Here = ox * ox + oy * oy;
        }
        if (angleBetween(theta, t, t1)) {
            if (!angleBetween(thetaHere, t, t1))
                return foundation::notFound;
            if (d2Here >= r2 && d2Here <= R2)
                return i;
        }
        t = t1;
    }
    return foundation::notFound;
}

// --- drawing

void CPTPieChart::renderAsVectorInContext(gfx::Context& ctx) {
    if (isHidden() || !plotArea())
        return;
    const std::uint64_t n = cachedDataCount();
    if (n == 0)
        return;
    CPTPlot::renderAsVectorInContext(ctx);
    if (!std::isfinite(pieRadius_) || !std::isfinite(pieInnerRadius_) || !std::isfinite(startAngle_) ||
        std::isinf(endAngle_))
        return;

    std::optional<CPTTransparencyLayerGuard> layer(std::in_place, ctx);
    CGPoint center;
    centerPoint(center);
    if (alignsPointsToPixels())
        center = CPTPointAlignedToPixelCenter(ctx, center);
    const std::shared_ptr<CPTLineStyle> border = borderLineStyle_;
    const std::shared_ptr<CPTFill> overlay = overlayFill_;
    bool hasOffsets = false;
    for (std::uint64_t i = 0; i < n && !hasOffsets; ++i)
        hasOffsets = radialOffsetForIndex(i) != 0;
    const bool overlayPerSlice = overlay && hasOffsets;
    const CGFloat halfSide = pieRadius_ + (border ? 0.5 * border->lineWidth() : 0);

    if (border)
        border->setLineStyleInContext(ctx);
    CGFloat f = 0;
    for (std::uint64_t i = 0; i < n; ++i) {
        const CGFloat v = normalizedValue(i);
        if (std::isnan(v))
            continue;
        CPTGStateGuard state(ctx);
        const CGFloat a0 = radiansForPieSliceValue(f);
        f += v;
        const CGFloat a1 = radiansForPieSliceValue(f);
        CGPoint sliceCenter = center;
        const CGFloat d = radialOffsetForIndex(i);
        if (d != 0) {
            const CGFloat m = (a0 + a1) / 2;
            sliceCenter = {center.x + d * std::cos(m), center.y + d * std::sin(m)};
            if (alignsPointsToPixels())
                sliceCenter = CPTPointAlignedToPixelCenter(ctx, sliceCenter);
        }
        gfx::Path slice;
        addSliceToPath(slice, sliceCenter, a0, a1, v);
        if (auto fill = sliceFillForIndex(i)) {
            ctx.beginPath();
            ctx.addPath(slice);
            fill->fillPathInContext(ctx);
        }
        if (border) {
            ctx.beginPath();
            ctx.addPath(slice);
            border->strokePathInContext(ctx);
        }
        if (overlayPerSlice) {
            ctx.beginPath();
            ctx.addPath(slice);
            ctx.clip();
            overlay->fillRect(
                CGRect(sliceCenter.x - halfSide, sliceCenter.y - halfSide, 2 * halfSide, 2 * halfSide), ctx);
        }
    }
    layer.reset();

    if (overlay && !hasOffsets) {
        CPTGStateGuard state(ctx);
        ctx.setShadow({0, 0}, 0, std::nullopt);
        ctx.beginPath();
        if (pieInnerRadius_ > 0) {
            ctx.addArc(center.x, center.y, pieRadius_, 0, kTwoPi, false);
            ctx.addArc(center.x, center.y, pieInnerRadius_, kTwoPi, 0, true);
            ctx.closePath();
        } else {
            ctx.moveToPoint(center.x, center.y);
            ctx.addEllipseInRect(
                CGRect(center.x - pieRadius_, center.y - pieRadius_, 2 * pieRadius_, 2 * pieRadius_));
        }
        overlay->fillPathInContext(ctx);
    }
}

bool CPTPieChart::needsDisplayForKey(std::string_view key) const {
    if (key == "pieRadius" || key == "pieInnerRadius" || key == "startAngle" || key == "endAngle" ||
        key == "centerAnchor")
        return true;
    return CPTPlot::needsDisplayForKey(key);
}
