// The bar plot: its fields and lists, the bar outline with its rounding, snapping and corner radii,
// drawing, extents, labels beyond the tips, legend entries and the bar hit test.
#include "plot/axes_plots/CPTBarPlot.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTDrawingUtilities.h"
#include "plot/foundation/CPTException.h"
#include "plot/foundation/CPTGradient.h"
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

using foundation::Value;

namespace {

bool sameNumber(const Value& a, const Value& b) {
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    if (!a.isNumber() || !b.isNumber())
        return a == b;
    return compareNumbers(a, b) == foundation::ComparisonResult::Same;
}

NSDecimal decimalOr0(const Value& v) {
    return v.isNumber() ? v.toDecimal() : NSDecimal::fromInt64(0);
}

double doubleOr0(const Value& v) {
    return v.isNumber() ? v.toDouble() : 0.0;
}

// Half away from zero at the sixth decimal place.
double roundTo6(double v) {
    return std::round(v * 1e6) / 1e6;
}

} // namespace

CPTBarPlot::CPTBarPlot(const CGRect& frame)
    : CPTPlot(frame), lineStyle_(CPTLineStyle::lineStyle()),
      fill_(CPTFill::fillWithColor(CPTColor::blackColor())) {
    setLabelOffset(10.0);
    setLabelField(CPTBarPlotFieldBarTip);
}

std::shared_ptr<CPTBarPlot> CPTBarPlot::tubularBarPlotWithColor(const CPTColor& color, bool horizontalBars) {
    auto plot = std::make_shared<CPTBarPlot>();
    auto style = CPTMutableLineStyle::lineStyle();
    style->setLineWidth(1.0);
    style->setLineColor(CPTColor::blackColor());
    plot->setLineStyle(style);
    plot->setBarsAreHorizontal(horizontalBars);
    plot->setBarWidth(Value(0.8));
    plot->setBarCornerRadius(2.0);
    plot->setBarWidthsAreInViewCoordinates(false);
    auto gradient = CPTGradient::gradientWithBeginningColor(color, *CPTColor::blackColor());
    gradient->setAngle(horizontalBars ? -90.0 : 0.0);
    plot->setFill(CPTFill::fillWithGradient(gradient));
    return plot;
}

std::shared_ptr<CPTBarPlotDataSource> CPTBarPlot::barDataSource() const {
    return std::dynamic_pointer_cast<CPTBarPlotDataSource>(dataSource());
}

void CPTBarPlot::postLegendRedraw() {
    foundation::NotificationCenter::defaultCenter().post(CPTLegendNeedsRedrawForPlotNotification, this);
}

// --- settings

void CPTBarPlot::setLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
    if (style == lineStyle_)
        return;
    lineStyle_ = style ? style->copy() : nullptr;
    setNeedsDisplay();
    postLegendRedraw();
}

void CPTBarPlot::setFill(const std::shared_ptr<CPTFill>& fill) {
    if (fill == fill_)
        return;
    fill_ = fill ? fill->copy() : nullptr;
    setNeedsDisplay();
    postLegendRedraw();
}

void CPTBarPlot::setBarWidth(const Value& width) {
    if (sameNumber(width, barWidth_))
        return;
    barWidth_ = width;
    setNeedsDisplay();
}

void CPTBarPlot::setBarOffset(const Value& offset) {
    if (sameNumber(offset, barOffset_))
        return;
    barOffset_ = offset;
    setNeedsDisplay();
    repositionAllLabelAnnotations();
}

void CPTBarPlot::setBarCornerRadius(CGFloat radius) {
    radius = std::fabs(radius);
    if (radius == barCornerRadius_)
        return;
    barCornerRadius_ = radius;
    setNeedsDisplay();
    postLegendRedraw();
}

void CPTBarPlot::setBarBaseCornerRadius(CGFloat radius) {
    radius = std::fabs(radius);
    if (radius == barBaseCornerRadius_)
        return;
    barBaseCornerRadius_ = radius;
    setNeedsDisplay();
    postLegendRedraw();
}

void CPTBarPlot::setBaseValue(const Value& value) {
    if (sameNumber(value, baseValue_))
        return;
    baseValue_ = value;
    setNeedsDisplay();
    setNeedsLayout();
}

void CPTBarPlot::setBarsAreHorizontal(bool value) {
    if (value == barsAreHorizontal_)
        return;
    barsAreHorizontal_ = value;
    setNeedsDisplay();
    setNeedsLayout();
}

void CPTBarPlot::setBarBasesVary(bool value) {
    if (value == barBasesVary_)
        return;
    barBasesVary_ = value;
    setDataNeedsReloading();
    setNeedsDisplay();
    setNeedsLayout();
}

// --- whole arrays

Value::Array CPTBarPlot::barLocations() const {
    auto data = cachedNumbersForField(CPTBarPlotFieldBarLocation);
    return data ? data->sampleArray() : Value::Array();
}

void CPTBarPlot::setBarLocations(const std::optional<Value::Array>& locations) {
    cacheNumbers(locations ? CPTPlotNumbers(Value(*locations)) : CPTPlotNumbers(Value()),
                 CPTBarPlotFieldBarLocation);
}

Value::Array CPTBarPlot::barTips() const {
    auto data = cachedNumbersForField(CPTBarPlotFieldBarTip);
    return data ? data->sampleArray() : Value::Array();
}

void CPTBarPlot::setBarTips(const std::optional<Value::Array>& tips) {
    cacheNumbers(tips ? CPTPlotNumbers(Value(*tips)) : CPTPlotNumbers(Value()), CPTBarPlotFieldBarTip);
}

Value::Array CPTBarPlot::barBases() const {
    auto data = cachedNumbersForField(CPTBarPlotFieldBarBase);
    return data ? data->sampleArray() : Value::Array();
}

void CPTBarPlot::setBarBases(const std::optional<Value::Array>& bases) {
    cacheNumbers(bases ? CPTPlotNumbers(Value(*bases)) : CPTPlotNumbers(Value()), CPTBarPlotFieldBarBase);
}

CPTPlotObjectList CPTBarPlot::barFills() const {
    const CPTPlotObjectList* list = cachedArrayForKey(CPTBarPlotBindingBarFills);
    return list ? *list : CPTPlotObjectList();
}

void CPTBarPlot::setBarFills(const CPTPlotObjectList& fills) {
    cacheArray(fills, CPTBarPlotBindingBarFills);
    setNeedsDisplay();
}

CPTPlotObjectList CPTBarPlot::barLineStyles() const {
    const CPTPlotObjectList* list = cachedArrayForKey(CPTBarPlotBindingBarLineStyles);
    return list ? *list : CPTPlotObjectList();
}

void CPTBarPlot::setBarLineStyles(const CPTPlotObjectList& styles) {
    cacheArray(styles, CPTBarPlotBindingBarLineStyles);
    setNeedsDisplay();
}

// --- fields

std::vector<std::uint64_t> CPTBarPlot::fieldIdentifiersForCoordinate(CPTCoordinate coordinate) const {
    if (coordinate != CPTCoordinateX && coordinate != CPTCoordinateY)
        throw CPTException(CPTExceptionName, "Invalid coordinate passed to fieldIdentifiersForCoordinate:");
    if (coordinate == locationCoordinate())
        return {CPTBarPlotFieldBarLocation};
    if (barBasesVary_)
        return {CPTBarPlotFieldBarTip, CPTBarPlotFieldBarBase};
    return {CPTBarPlotFieldBarTip};
}

std::uint64_t CPTBarPlot::coordinateForFieldIdentifier(std::uint64_t field) const {
    switch (field) {
    case CPTBarPlotFieldBarLocation:
        return std::uint64_t(locationCoordinate());
    case CPTBarPlotFieldBarTip:
    case CPTBarPlotFieldBarBase:
        return std::uint64_t(valueCoordinate());
    default:
        return foundation::notFound;
    }
}

// --- reloading

void CPTBarPlot::reloadDataInIndexRange(NSRange indexRange) {
    CPTPlot::reloadDataInIndexRange(indexRange);
    reloadBarFillsInIndexRange(indexRange);
    reloadBarLineStylesInIndexRange(indexRange);
    reloadBarWidthsInIndexRange(indexRange);
    auto source = barDataSource();
    if (source && indexRange.length > 0 && source->legendTitleForBarPlot(*this, indexRange.location))
        postLegendRedraw();
}

void CPTBarPlot::reloadPlotDataInIndexRange(NSRange indexRange) {
    if (loadNumbersForAllFieldsFromDataSourceInRecordIndexRange(indexRange))
        return;
    auto source = dataSource();
    if (source) {
        cacheNumbers(numbersFromDataSourceForField(CPTBarPlotFieldBarTip, indexRange), CPTBarPlotFieldBarTip,
                     indexRange.location);
        if (barBasesVary_)
            cacheNumbers(numbersFromDataSourceForField(CPTBarPlotFieldBarBase, indexRange),
                         CPTBarPlotFieldBarBase, indexRange.location);
        else
            setBarBases(std::nullopt);
    } else {
        setBarTips(std::nullopt);
        setBarBases(std::nullopt);
    }

    const std::uint64_t n = indexRange.length;
    const bool doubles = doublePrecisionCache();
    CPTPlotNumbers locations;
    if (plotRange_ || !source) {
        Value::Array values;
        values.reserve(n);
        if (doubles) {
            double v = plotRange_ ? plotRange_->locationDouble() : 0.0;
            const double step = !plotRange_ ? 1.0 : n >= 2 ? plotRange_->lengthDouble() / double(n - 1) : 1.0;
            for (std::uint64_t i = 0; i < n; ++i, v += step)
                values.emplace_back(v);
        } else {
            NSDecimal v = plotRange_ ? plotRange_->locationDecimal() : NSDecimal::fromInt64(0);
            const NSDecimal one = NSDecimal::fromInt64(1);
            const NSDecimal step = !plotRange_ ? one
                                   : n >= 2    ? CPTDecimalDividedBy(plotRange_->lengthDecimal(),
                                                                     NSDecimal::fromUInt64(n - 1))
                                               : one;
            for (std::uint64_t i = 0; i < n; ++i, v = CPTDecimalPlus(v, step))
                values.emplace_back(v);
        }
        locations = Value(std::move(values));
    } else {
        locations = numbersFromDataSourceForField(CPTBarPlotFieldBarLocation, indexRange);
    }
    cacheNumbers(locations, CPTBarPlotFieldBarLocation, indexRange.location);
}


void CPTBarPlot::reloadBarFills() {
    reloadBarFillsInIndexRange(NSMakeRange(0, cachedDataCount()));
}

void CPTBarPlot::reloadBarFillsInIndexRange(NSRange indexRange) {
    auto source = barDataSource();
    const bool answered =
        source && CPTReloadPlotObjectList(
                      *this, indexRange, CPTBarPlotBindingBarFills,
                      [&](NSRange r) { return source->barFillsForBarPlot(*this, r); },
                      [&](std::uint64_t i) { return source->barFillForBarPlot(*this, i); });
    if (answered)
        postLegendRedraw();
    setNeedsDisplay();
}

void CPTBarPlot::reloadBarLineStyles() {
    reloadBarLineStylesInIndexRange(NSMakeRange(0, cachedDataCount()));
}

void CPTBarPlot::reloadBarLineStylesInIndexRange(NSRange indexRange) {
    auto source = barDataSource();
    const bool answered =
        source && CPTReloadPlotObjectList(
                      *this, indexRange, CPTBarPlotBindingBarLineStyles,
                      [&](NSRange r) { return source->barLineStylesForBarPlot(*this, r); },
                      [&](std::uint64_t i) { return source->barLineStyleForBarPlot(*this, i); });
    if (answered)
        postLegendRedraw();
    setNeedsDisplay();
}

void CPTBarPlot::reloadBarWidths() {
    reloadBarWidthsInIndexRange(NSMakeRange(0, cachedDataCount()));
}

void CPTBarPlot::reloadBarWidthsInIndexRange(NSRange indexRange) {
    if (auto source = barDataSource())
        CPTReloadPlotList(
            *this, indexRange, CPTBarPlotBindingBarWidths,
            [&](NSRange r) { return source->barWidthsForBarPlot(*this, r); },
            [&](std::uint64_t i) -> std::optional<CPTPlotObject> {
                auto width = source->barWidthForBarPlot(*this, i);
                if (!width)
                    return std::nullopt;
                return width->isNull() ? CPTPlotObject::nilData() : CPTPlotObject(*width);
            });
    setNeedsDisplay();
}

// --- per record

std::shared_ptr<CPTFill> CPTBarPlot::barFillForIndex(std::uint64_t idx) const {
    auto entry = cachedValueForKey(CPTBarPlotBindingBarFills, idx);
    if (!entry || entry->isNilData())
        return fill_;
    return entry->object<CPTFill>();
}

std::shared_ptr<CPTLineStyle> CPTBarPlot::barLineStyleForIndex(std::uint64_t idx) const {
    auto entry = cachedValueForKey(CPTBarPlotBindingBarLineStyles, idx);
    if (!entry || entry->isNilData())
        return lineStyle_;
    return entry->object<CPTLineStyle>();
}

Value CPTBarPlot::barWidthForIndex(std::uint64_t idx) const {
    auto entry = cachedValueForKey(CPTBarPlotBindingBarWidths, idx);
    if (!entry || !entry->value() || !entry->value()->isNumber())
        return barWidth_;
    return *entry->value();
}

// --- geometry

CGPoint CPTBarPlot::viewPoint(NSDecimal location, NSDecimal value) {
    std::array<NSDecimal, 2> point{};
    point[locationCoordinate()] = location;
    point[valueCoordinate()] = value;
    return plotSpace()->plotAreaViewPointForPlotPoint(std::span<const NSDecimal>(point));
}

CGPoint CPTBarPlot::viewPoint(double location, double value) {
    std::array<double, 2> point{};
    point[locationCoordinate()] = location;
    point[valueCoordinate()] = value;
    return plotSpace()->plotAreaViewPointForDoublePrecisionPlotPoint(std::span<const double>(point));
}

bool CPTBarPlot::barAtRecordIndex(std::uint64_t idx, CGPoint& basePoint, CGPoint& tipPoint) {
    if (!plotSpace())
        return false;
    if (!doublePrecisionCache()) {
        const NSDecimal location = cachedDecimalForField(CPTBarPlotFieldBarLocation, idx);
        const NSDecimal tip = cachedDecimalForField(CPTBarPlotFieldBarTip, idx);
        if (location.isNaN() || tip.isNaN())
            return false;
        const NSDecimal base =
            barBasesVary_ ? cachedDecimalForField(CPTBarPlotFieldBarBase, idx) : decimalOr0(baseValue_);
        if (base.isNaN())
            return false;
        tipPoint = viewPoint(location, tip);
        basePoint = viewPoint(location, base);
    } else {
        const double location = cachedDoubleForField(CPTBarPlotFieldBarLocation, idx);
        const double tip = cachedDoubleForField(CPTBarPlotFieldBarTip, idx);
        if (std::isnan(location) || std::isnan(tip))
            return false;
        const double base =
            barBasesVary_ ? cachedDoubleForField(CPTBarPlotFieldBarBase, idx) : doubleOr0(baseValue_);
        if (std::isnan(base))
            return false;
        tipPoint = viewPoint(location, tip);
        basePoint = viewPoint(location, base);
    }
    const CGFloat offset = lengthInView(decimalOr0(barOffset_));
    if (barsAreHorizontal_) {
        basePoint.y += offset;
        tipPoint.y += offset;
    } else {
        basePoint.x += offset;
        tipPoint.x += offset;
    }
    return true;
}

gfx::Path CPTBarPlot::newBarPath(const gfx::Context* context, std::uint64_t idx) {
    CGPoint base, tip;
    if (!barAtRecordIndex(idx, base, tip))
        return {};
    return newBarPath(context, base, tip, barWidthForIndex(idx));
}

gfx::Path CPTBarPlot::newBarPath(const gfx::Context* context, CGPoint basePoint, CGPoint tipPoint,
                                 const Value& width) {
    const CGFloat w = lengthInView(decimalOr0(width));
    CGRect r = barsAreHorizontal_ ? CGRect(basePoint.x, basePoint.y - w / 2, tipPoint.x - basePoint.x, w)
                                  : CGRect(basePoint.x - w / 2, basePoint.y, w, tipPoint.y - basePoint.y);
    if (context && alignsPointsToPixels()) {
        r = CGRect(roundTo6(r.origin.x), roundTo6(r.origin.y), roundTo6(r.size.width), roundTo6(r.size.height));
        const bool negativeWidth = r.size.width < 0;
        const bool negativeHeight = r.size.height < 0;
        r = lineStyle_ && lineStyle_->lineWidth() > 0 ? CPTRectAlignedToPixelCenter(*context, r)
                                                     : CPTRectAlignedToPixelEdge(*context, r);
        // Alignment makes the size positive; turn a bar that pointed back the way it pointed.
        if (negativeWidth && r.size.width > 0) {
            r.origin.x += r.size.width;
            r.size.width = -r.size.width;
        }
        if (negativeHeight && r.size.height > 0) {
            r.origin.y += r.size.height;
            r.size.height = -r.size.height;
        }
    }

    const CGFloat halfWidth = std::fabs(r.size.width) / 2;
    const CGFloat halfHeight = std::fabs(r.size.height) / 2;
    const CGFloat rt = std::min({barCornerRadius_, halfWidth, halfHeight});
    const CGFloat rb = std::min({barBaseCornerRadius_, halfWidth, halfHeight});
    const CGFloat x0 = r.origin.x, y0 = r.origin.y;
    const CGFloat x1 = x0 + r.size.width, y1 = y0 + r.size.height;
    const CGFloat xm = (x0 + x1) / 2, ym = (y0 + y1) / 2;

    gfx::Path path;
    if (rt == 0 && rb == 0) {
        path.addRect(r);
        return path;
    }
    auto arc = [&](CGFloat cx, CGFloat cy, CGFloat tx, CGFloat ty, CGFloat radius) {
        path.addArcToPoint({cx, cy}, {tx, ty}, radius);
    };
    if (!barsAreHorizontal_) {
        // The base edge runs along y0, the tip edge along y1.
        if (rt > 0 && rb > 0) {
            path.moveTo({x0, ym});
            arc(x0, y1, xm, y1, rt);
            arc(x1, y1, x1, ym, rt);
            arc(x1, y0, xm, y0, rb);
            arc(x0, y0, x0, ym, rb);
        } else if (rt > 0) {
            path.moveTo({x0, y0});
            arc(x0, y1, xm, y1, rt);
            arc(x1, y1, x1, ym, rt);
            path.lineTo({x1, y0});
        } else {
            path.moveTo({x0, y1});
            arc(x0, y0, xm, y0, rb);
            arc(x1, y0, x1, ym, rb);
            path.lineTo({x1, y1});
        }
    } else {
        // The base edge runs along x0, the tip edge along x1.
        if (rt > 0 && rb > 0) {
            path.moveTo({x0, ym});
            arc(x0, y1, xm, y1, rb);
            arc(x1, y1, x1, ym, rt);
            arc(x1, y0, xm, y0, rt);
            arc(x0, y0, x0, ym, rb);
        } else if (rt > 0) {
            path.moveTo({x0, y0});
            arc(x1, y0, x1, ym, rt);
            arc(x1, y1, xm, y1, rt);
            path.lineTo({x0, y1});
        } else {
            path.moveTo({x1, y1});
            arc(x0, y1, x0, ym, rb);
            arc(x0, y0, xm, y0, rb);
            path.lineTo({x1, y0});
        }
    }
    path.closeSubpath();
    return path;
}

bool CPTBarPlot::barIsVisibleWithBasePoint(CGPoint basePoint, const Value& width) {
    CPTPlotArea* area = plotArea();
    if (!area)
        return true;
    const CGRect bounds = area->bounds();
    const CGFloat p = barsAreHorizontal_ ? basePoint.y : basePoint.x;
    const CGFloat w = lengthInView(decimalOr0(width));
    const CGFloat lo = barsAreHorizontal_ ? bounds.minY() : bounds.minX();
    const CGFloat hi = barsAreHorizontal_ ? bounds.maxY() : bounds.maxX();
    return p + w / 2 >= lo && p - w / 2 <= hi;
}

void CPTBarPlot::drawBarInContext(gfx::Context& context, std::uint64_t idx) {
    CGPoint base, tip;
    if (!barAtRecordIndex(idx, base, tip))
        return;
    const Value width = barWidthForIndex(idx);
    if (!barIsVisibleWithBasePoint(base, width))
        return;
    const gfx::Path path = newBarPath(&context, base, tip, width);
    if (path.isEmpty())
        return;
    CPTGStateGuard state(context);
    if (auto fill = barFillForIndex(idx)) {
        context.beginPath();
        context.addPath(path);
        fill->fillPathInContext(context);
    }
    if (auto style = barLineStyleForIndex(idx)) {
        context.beginPath();
        context.addPath(path);
        style->setLineStyleInContext(context);
        style->strokePathInContext(context);
    }
}

// --- lengths

CGFloat CPTBarPlot::lengthInView(NSDecimal length) {
    if (barWidthsAreInViewCoordinates_)
        return CPTDecimalToCGFloat(length);
    auto space = plotSpace();
    if (!space)
        return 0;
    auto xRange = space->plotRangeForCoordinate(CPTCoordinateX);
    auto yRange = space->plotRangeForCoordinate(CPTCoordinateY);
    std::array<NSDecimal, 2> p0{xRange ? xRange->locationDecimal() : NSDecimal::fromInt64(0),
                                yRange ? yRange->locationDecimal() : NSDecimal::fromInt64(0)};
    std::array<NSDecimal, 2> p1 = p0;
    const CPTCoordinate c = locationCoordinate();
    p1[c] = CPTDecimalPlus(p1[c], length);
    const CGPoint v0 = space->plotAreaViewPointForPlotPoint(std::span<const NSDecimal>(p0));
    const CGPoint v1 = space->plotAreaViewPointForPlotPoint(std::span<const NSDecimal>(p1));
    return barsAreHorizontal_ ? v1.y - v0.y : v1.x - v0.x;
}

NSDecimal CPTBarPlot::lengthInPlotCoordinates(NSDecimal length) {
    if (!barWidthsAreInViewCoordinates_)
        return length;
    auto space = plotSpace();
    if (!space)
        return NSDecimal::fromInt64(0);
    const CGFloat v = CPTDecimalToCGFloat(length);
    std::array<NSDecimal, 2> p0{}, p1{};
    space->plotPoint(std::span<NSDecimal>(p0), CGPoint{0, 0});
    space->plotPoint(std::span<NSDecimal>(p1), CGPoint{v, v});
    const CPTCoordinate c = locationCoordinate();
    return CPTDecimalMinus(p1[c], p0[c]);
}

double CPTBarPlot::doubleLengthInPlotCoordinates(NSDecimal length) {
    if (!barWidthsAreInViewCoordinates_)
        return CPTDecimalToDouble(length);
    auto space = plotSpace();
    if (!space)
        return 0;
    const CGFloat v = CPTDecimalToCGFloat(length);
    std::array<double, 2> p0{}, p1{};
    space->doublePrecisionPlotPoint(std::span<double>(p0), CGPoint{0, 0});
    space->doublePrecisionPlotPoint(std::span<double>(p1), CGPoint{v, v});
    const CPTCoordinate c = locationCoordinate();
    return p1[c] - p0[c];
}

// --- extents

std::shared_ptr<CPTPlotRange> CPTBarPlot::plotRangeForCoordinate(CPTCoordinate coordinate) {
    auto range = CPTPlot::plotRangeForCoordinate(coordinate);
    if (barBasesVary_ || coordinate != valueCoordinate() || !range)
        return range;
    const NSDecimal base = decimalOr0(baseValue_);
    if (range->contains(base))
        return range;
    auto widened = range->mutableCopy();
    auto baseRange = CPTPlotRange::plotRangeWithLocationDecimal(base, NSDecimal::fromInt64(0));
    widened->unionPlotRange(baseRange.get());
    return widened;
}

std::shared_ptr<CPTPlotRange> CPTBarPlot::plotRangeEnclosingField(std::uint64_t fieldEnum) {
    switch (fieldEnum) {
    case CPTBarPlotFieldBarLocation:
        return plotRangeEnclosingBars();
    case CPTBarPlotFieldBarTip:
    case CPTBarPlotFieldBarBase:
        return plotRangeForField(fieldEnum);
    default:
        return nullptr;
    }
}

std::shared_ptr<CPTPlotRange> CPTBarPlot::plotRangeEnclosingBars() {
    auto locations = plotRangeForCoordinate(locationCoordinate());
    if (!locations)
        return nullptr;
    auto r = locations->mutableCopy();
    const NSDecimal offset = lengthInPlotCoordinates(decimalOr0(barOffset_));
    const NSDecimal width = lengthInPlotCoordinates(decimalOr0(barWidth_));
    const NSDecimal half = CPTDecimalDividedBy(width, NSDecimal::fromInt64(2));
    if (CPTDecimalIsGreaterOrEqual(r->lengthDecimal(), NSDecimal::fromInt64(0))) {
        r->setLocationDecimal(CPTDecimalPlus(CPTDecimalMinus(r->locationDecimal(), half), offset));
        r->setLengthDecimal(CPTDecimalPlus(r->lengthDecimal(), width));
    } else {
        r->setLocationDecimal(CPTDecimalMinus(CPTDecimalPlus(r->locationDecimal(), half), offset));
        r->setLengthDecimal(CPTDecimalMinus(r->lengthDecimal(), width));
    }
    return r;
}

// --- labels

void CPTBarPlot::positionLabelAnnotation(CPTPlotSpaceAnnotation& label, std::uint64_t idx) {
    const NSDecimal base =
        barBasesVary_ ? cachedDecimalForField(CPTBarPlotFieldBarBase, idx) : decimalOr0(baseValue_);
    const Value location = cachedNumberForField(CPTBarPlotFieldBarLocation, idx).value_or(Value());
    const Value tip = cachedNumberForField(CPTBarPlotFieldBarTip, idx).value_or(Value());
    const bool missing = !location.isNumber() || !tip.isNumber() || std::isnan(location.toDouble()) ||
                         std::isnan(tip.toDouble());

    const bool positive = CPTDecimalIsGreaterOrEqual(tip.toDecimal(), base);
    bool reversed = false;
    if (auto space = plotSpace())
        if (auto range = space->plotRangeForCoordinate(valueCoordinate()))
            reversed = range->lengthDouble() < 0;

    Value shifted;
    if (!doublePrecisionCache())
        shifted = Value(CPTDecimalPlus(location.toDecimal(), lengthInPlotCoordinates(decimalOr0(barOffset_))));
    else
        shifted = Value(location.toDouble() + doubleLengthInPlotCoordinates(decimalOr0(barOffset_)));

    const CGFloat offset = positive != reversed ? labelOffset() : -labelOffset();
    if (barsAreHorizontal_) {
        label.setAnchorPlotPoint(std::vector<Value>{tip, shifted});
        label.setDisplacement({offset, 0});
    } else {
        label.setAnchorPlotPoint(std::vector<Value>{shifted, tip});
        label.setDisplacement({0, offset});
    }
    if (auto content = label.contentLayer())
        content->setHidden(isHidden() || missing);
}

// --- legend

std::uint64_t CPTBarPlot::numberOfLegendEntries() {
    auto source = barDataSource();
    if (!source)
        return 1;
    if (!source->legendTitleForBarPlot(*this, 0) && !source->barFillForBarPlot(*this, 0))
        return 1;
    return cachedDataCount();
}

std::optional<std::string> CPTBarPlot::titleForLegendEntryAtIndex(std::uint64_t idx) {
    if (auto source = barDataSource())
        if (auto title = source->legendTitleForBarPlot(*this, idx))
            return title;
    return CPTPlot::titleForLegendEntryAtIndex(idx);
}

std::optional<gfx::RichText> CPTBarPlot::attributedTitleForLegendEntryAtIndex(std::uint64_t idx) {
    if (auto source = barDataSource())
        if (auto title = source->attributedLegendTitleForBarPlot(*this, idx))
            return title;
    return CPTPlot::attributedTitleForLegendEntryAtIndex(idx);
}

void CPTBarPlot::drawSwatchForLegend(CPTLegend& legend, std::uint64_t idx, CGRect rect, gfx::Context& context) {
    CPTPlot::drawSwatchForLegend(legend, idx, rect, context);
    if (!drawLegendSwatchDecoration())
        return;
    auto fill = barFillForIndex(idx);
    auto style = barLineStyleForIndex(idx);
    if (!fill && !style)
        return;
    const CGFloat radius = std::max(barCornerRadius_, barBaseCornerRadius_);
    if (fill) {
        context.beginPath();
        CPTContextAddRoundedRect(context, CPTRectAlignedToPixelEdge(context, rect), radius);
        fill->fillPathInContext(context);
    }
    if (style) {
        style->setLineStyleInContext(context);
        context.beginPath();
        CPTContextAddRoundedRect(context, CPTRectAlignedForLineStyle(context, style.get(), rect), radius);
        style->strokePathInContext(context);
    }
}

// --- hit test

std::uint64_t CPTBarPlot::dataIndexFromInteractionPoint(CGPoint point) {
    const std::uint64_t n = cachedDataCount();
    for (std::uint64_t i = 0; i < n; ++i) {
        const gfx::Path path = newBarPath(nullptr, i);
        if (!path.isEmpty() && path.contains(point, gfx::FillRule::Winding))
            return i;
    }
    return foundation::notFound;
}

// --- drawing

void CPTBarPlot::renderAsVectorInContext(gfx::Context& ctx) {
    if (isHidden())
        return;
    auto locations = cachedNumbersForField(CPTBarPlotFieldBarLocation);
    auto tips = cachedNumbersForField(CPTBarPlotFieldBarTip);
    auto bases = cachedNumbersForField(CPTBarPlotFieldBarBase);
    if (!locations || !tips || (barBasesVary_ && !bases))
        return;
    const std::uint64_t n = cachedDataCount();
    if (n == 0)
        return;
    // The data source's mistake costs its bars, not the rest of the chart.
    if (locations->numberOfSamples() != tips->numberOfSamples()) {
        foundation::log("Number of bar locations and lengths do not match");
        return;
    }
    if (barBasesVary_ && tips->numberOfSamples() != bases->numberOfSamples()) {
        foundation::log("Number of bar lengths and bases do not match");
        return;
    }
    CPTPlot::renderAsVectorInContext(ctx);
    ctx.beginTransparencyLayer();
    for (std::uint64_t i = 0; i < n; ++i)
        drawBarInContext(ctx, i);
    ctx.endTransparencyLayer();
}

bool CPTBarPlot::needsDisplayForKey(std::string_view key) const {
    if (key == "barCornerRadius" || key == "barBaseCornerRadius" || key == "barOffset" || key == "barWidth" ||
        key == "baseValue")
        return true;
    return CPTPlot::needsDisplayForKey(key);
}
