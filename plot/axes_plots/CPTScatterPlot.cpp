// The scatter plot: its fields and symbols, which records take part in the line, their view points,
// the straight and curved data-line paths, the line and point hit tests, and the drawing of fills,
// bands, line and symbols.
#include "plot/axes_plots/CPTScatterPlot.h"

#include "platform/foundation/NotificationCenter.h"
#include "plot/foundation/CPTUtilities.h"
#include "plot/graph/CPTDefinitions.h"
#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTGuards.h"
#include "plot/graph/CPTLegend.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotSpace.h"
#include "platform/graphics/Recorder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <span>

using foundation::Value;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool isNaNPoint(CGPoint p) {
    return std::isnan(p.x) || std::isnan(p.y);
}

// A base value that gives a fill: a number that is not NaN.
bool drawableBase(const Value& v) {
    return v.isNumber() && !std::isnan(v.toDouble()) && !v.toDecimal().isNaN();
}

bool sameNumber(const Value& a, const Value& b) {
    if (a.isNumber() && b.isNumber()) {
        const double x = a.toDouble(), y = b.toDouble();
        if (std::isnan(x) || std::isnan(y))
            return std::isnan(x) && std::isnan(y);
        return compareNumbers(a, b) == foundation::ComparisonResult::Same;
    }
    return a == b;
}

CGPoint plus(CGPoint a, CGPoint b) {
    return {a.x + b.x, a.y + b.y};
}
CGPoint minus(CGPoint a, CGPoint b) {
    return {a.x - b.x, a.y - b.y};
}
CGPoint times(CGPoint a, double k) {
    return {a.x * k, a.y * k};
}

} // namespace

CPTScatterPlot::CPTScatterPlot(const CGRect& frame)
    : CPTPlot(frame), dataLineStyle_(CPTLineStyle::lineStyle()), areaBaseValue_(kNaN), areaBaseValue2_(kNaN) {
    setLabelField(CPTScatterPlotFieldY);
}

void CPTScatterPlot::postLegendRedraw() {
    foundation::NotificationCenter::defaultCenter().post(CPTLegendNeedsRedrawForPlotNotification, this);
}

// --- settings

void CPTScatterPlot::setDataLineStyle(const std::shared_ptr<CPTLineStyle>& style) {
    if (style == dataLineStyle_)
        return;
    dataLineStyle_ = style ? style->copy() : nullptr;
    setNeedsDisplay();
    postLegendRedraw();
}

void CPTScatterPlot::setPlotSymbol(const std::shared_ptr<CPTPlotSymbol>& symbol) {
    if (symbol == plotSymbol_)
        return;
    plotSymbol_ = symbol ? symbol->copy() : nullptr;
    setNeedsDisplay();
    postLegendRedraw();
}

void CPTScatterPlot::setAreaFill(const std::shared_ptr<CPTFill>& fill) {
    if (fill == areaFill_)
        return;
    areaFill_ = fill ? fill->copy() : nullptr;
    setNeedsDisplay();
}

void CPTScatterPlot::setAreaFill2(const std::shared_ptr<CPTFill>& fill) {
    if (fill == areaFill2_)
        return;
    areaFill2_ = fill ? fill->copy() : nullptr;
    setNeedsDisplay();
}

void CPTScatterPlot::setAreaBaseValue(const Value& value) {
    if (sameNumber(value, areaBaseValue_))
        return;
    areaBaseValue_ = value;
    setNeedsDisplay();
}

void CPTScatterPlot::setAreaBaseValue2(const Value& value) {
    if (sameNumber(value, areaBaseValue2_))
        return;
    areaBaseValue2_ = value;
    setNeedsDisplay();
}

void CPTScatterPlot::addAreaFillBand(const std::shared_ptr<CPTLimitBand>& band) {
    if (!band)
        return;
    areaFillBands_.push_back(band);
    setNeedsDisplay();
}

void CPTScatterPlot::removeAreaFillBand(const std::shared_ptr<CPTLimitBand>& band) {
    std::erase(areaFillBands_, band);
    setNeedsDisplay();
}

void CPTScatterPlot::setInterpolation(CPTScatterPlotInterpolation value) {
    if (value == interpolation_)
        return;
    interpolation_ = value;
    setNeedsDisplay();
}

void CPTScatterPlot::setHistogramOption(CPTScatterPlotHistogramOption value) {
    if (value == histogramOption_)
        return;
    histogramOption_ = value;
    setNeedsDisplay();
}

void CPTScatterPlot::setCurvedInterpolationOption(CPTScatterPlotCurvedInterpolationOption value) {
    if (value == curvedOption_)
        return;
    curvedOption_ = value;
    setNeedsDisplay();
}

void CPTScatterPlot::setCurvedInterpolationCustomAlpha(CGFloat alpha) {
    if (alpha == customAlpha_)
        return;
    customAlpha_ = alpha;
    setNeedsDisplay();
}

// --- fields

std::vector<std::uint64_t> CPTScatterPlot::fieldIdentifiersForCoordinate(CPTCoordinate coordinate) const {
    if (coordinate == CPTCoordinateX)
        return {CPTScatterPlotFieldX};
    if (coordinate == CPTCoordinateY)
        return {CPTScatterPlotFieldY};
    return {};
}

std::uint64_t CPTScatterPlot::coordinateForFieldIdentifier(std::uint64_t field) const {
    return field <= CPTScatterPlotFieldY ? field : foundation::notFound;
}

Value::Array CPTScatterPlot::xValues() const {
    auto data = cachedNumbersForField(CPTScatterPlotFieldX);
    return data ? data->sampleArray() : Value::Array();
}

Value::Array CPTScatterPlot::yValues() const {
    auto data = cachedNumbersForField(CPTScatterPlotFieldY);
    return data ? data->sampleArray() : Value::Array();
}

CPTPlotObjectList CPTScatterPlot::plotSymbols() const {
    const CPTPlotObjectList* list = cachedArrayForKey(CPTScatterPlotBindingPlotSymbols);
    return list ? *list : CPTPlotObjectList();
}

// --- reloading

void CPTScatterPlot::reloadDataInIndexRange(NSRange indexRange) {
    CPTPlot::reloadDataInIndexRange(indexRange);
    reloadPlotSymbolsInIndexRange(indexRange);
}

void CPTScatterPlot::reloadPlotDataInIndexRange(NSRange indexRange) {
    if (loadNumbersForAllFieldsFromDataSourceInRecordIndexRange(indexRange) || !dataSource())
        return;
    cacheNumbers(numbersFromDataSourceForField(CPTScatterPlotFieldX, indexRange), CPTScatterPlotFieldX,
                 indexRange.location);
    cacheNumbers(numbersFromDataSourceForField(CPTScatterPlotFieldY, indexRange), CPTScatterPlotFieldY,
                 indexRange.location);
}

void CPTScatterPlot::reloadPlotSymbols() {
    reloadPlotSymbolsInIndexRange(NSMakeRange(0, cachedDataCount()));
}

void CPTScatterPlot::reloadPlotSymbolsInIndexRange(NSRange indexRange) {
    auto source = std::dynamic_pointer_cast<CPTScatterPlotDataSource>(dataSource());
    bool answered = false;
    if (source) {
        if (auto list = source->symbolsForScatterPlot(*this, indexRange)) {
            cacheArray(*list, CPTScatterPlotBindingPlotSymbols, indexRange.location);
            answered = true;
        } else if (indexRange.length > 0) {
            if (auto first = source->symbolForScatterPlot(*this, indexRange.location)) {
                auto entry = [](const std::shared_ptr<CPTPlotSymbol>& symbol) {
                    return symbol ? CPTPlotObject(symbol) : CPTPlotObject::nilData();
                };
                CPTPlotObjectList list;
                list.reserve(indexRange.length);
                list.push_back(entry(*first));
                for (std::uint64_t i = indexRange.location + 1; i < indexRange.end(); ++i)
                    list.push_back(entry(source->symbolForScatterPlot(*this, i).value_or(nullptr)));
                cacheArray(list, CPTScatterPlotBindingPlotSymbols, indexRange.location);
                answered = true;
            }
        }
    }
    if (answered)
        postLegendRedraw();
    setNeedsDisplay();
}

std::shared_ptr<CPTPlotSymbol> CPTScatterPlot::plotSymbolForRecordIndex(std::uint64_t idx) const {
    auto entry = cachedValueForKey(CPTScatterPlotBindingPlotSymbols, idx);
    if (!entry || entry->isNilData())
        return plotSymbol_;
    // A null entry draws no symbol.
    return entry->object<CPTPlotSymbol>();
}

// --- points to draw

struct CPTScatterPlot::DoubleFields {
    // Held so that the values read in place outlive a reload that replaces the cache meanwhile.
    std::shared_ptr<CPTMutableNumericData> xData, yData;
    std::vector<double> xScratch, yScratch;
    std::span<const double> xs, ys;

    DoubleFields(const CPTScatterPlot& plot, std::uint64_t count)
        : xData(plot.cachedNumbersForField(CPTScatterPlotFieldX)),
          yData(plot.cachedNumbersForField(CPTScatterPlotFieldY)),
          xs(plot.cachedDoublesForField(CPTScatterPlotFieldX, count, xScratch)),
          ys(plot.cachedDoublesForField(CPTScatterPlotFieldY, count, yScratch)) {}
};

namespace {

// Where a record lies against the plot space's ranges, in one byte: x's comparison in bits 0-1, y's in
// bits 2-3 (left Inside when x is not inside, y then not being compared), bit 4 when a value is missing.
using Place = std::uint8_t;
constexpr Place kInsideBoth = CPTPlotRangeComparisonInside | CPTPlotRangeComparisonInside << 2;
constexpr Place kMissingValue = 16;

// compareToDouble with the range's limits read once; no range places every value inside.
struct DoubleLimits {
    bool any = false;
    double low = 0, high = 0;
    explicit DoubleLimits(const CPTPlotRange* range)
        : any(range != nullptr), low(range ? range->minLimitDouble() : 0), high(range ? range->maxLimitDouble() : 0) {}
    Place compare(double v) const {
        if (!any)
            return CPTPlotRangeComparisonInside;
        return std::isnan(v) ? Place(CPTPlotRangeComparisonUndefined)
               : v < low     ? Place(CPTPlotRangeComparisonBelow)
               : v > high    ? Place(CPTPlotRangeComparisonAbove)
                             : Place(CPTPlotRangeComparisonInside);
    }
};

} // namespace

void CPTScatterPlot::pointsToDraw(CPTPlotSpace& space, const DoubleFields* fields, Flags* line, Flags* visible) {
    const std::uint64_t n = cachedDataCount();
    if (line)
        line->assign(n, 0);
    if (visible)
        visible->assign(n, 0);
    if (n == 0)
        return;
    const bool lineNeedsAll = dataLineStyle_ && (!dataLineStyle_->dashPattern().empty() || dataLineStyle_->lineFill());
    if (line && (areaFill_ || areaFill2_ || lineNeedsAll || interpolation_ == CPTScatterPlotInterpolationCurved)) {
        std::fill(line->begin(), line->end(), 1);
        line = nullptr;
        if (!visible)
            return;
    }
    auto xRange = space.plotRangeForCoordinate(CPTCoordinateX);
    auto yRange = space.plotRangeForCoordinate(CPTCoordinateY);
    std::vector<Place> places(n);
    if (doublePrecisionCache()) {
        std::optional<DoubleFields> own;
        if (!fields || fields->xs.size() < n || fields->ys.size() < n)
            fields = &own.emplace(*this, n);
        const DoubleLimits xLimits(xRange.get()), yLimits(yRange.get());
        const double* xs = fields->xs.data();
        const double* ys = fields->ys.data();
        for (std::uint64_t i = 0; i < n; ++i) {
            const double x = xs[i], y = ys[i];
            const Place xc = xLimits.compare(x);
            const Place yc = xc == CPTPlotRangeComparisonInside ? yLimits.compare(y) : Place(CPTPlotRangeComparisonInside);
            places[i] = Place(xc | yc << 2 | (std::isnan(x) || std::isnan(y) ? kMissingValue : 0));
        }
    } else {
        for (std::uint64_t i = 0; i < n; ++i) {
            const NSDecimal x = cachedDecimalForField(CPTScatterPlotFieldX, i);
            const NSDecimal y = cachedDecimalForField(CPTScatterPlotFieldY, i);
            const Place xc = xRange ? Place(xRange->compareToDecimal(x)) : Place(CPTPlotRangeComparisonInside);
            const Place yc = xc != CPTPlotRangeComparisonInside ? Place(CPTPlotRangeComparisonInside)
                             : yRange                           ? Place(yRange->compareToDecimal(y))
                                                                : Place(CPTPlotRangeComparisonInside);
            places[i] = Place(xc | yc << 2 | (x.isNaN() || y.isNaN() ? kMissingValue : 0));
        }
    }
    if (visible) {
        std::uint8_t* v = visible->data();
        for (std::uint64_t i = 0; i < n; ++i)
            v[i] = places[i] == kInsideBoth;
    }
    if (!line)
        return;
    Flags& flags = *line;
    flags[0] = places[0] == kInsideBoth;
    for (std::uint64_t i = 1; i < n; ++i) {
        const Place before = places[i - 1], here = places[i];
        if (!((before | here) & kMissingValue) && before != here) {
            // The segment crosses an edge of the ranges: keep both ends so the line reaches the edge.
            flags[i - 1] = 1;
            flags[i] = 1;
        } else if (here == kInsideBoth) {
            flags[i] = 1;
        }
    }
}

CPTScatterPlot::Flags CPTScatterPlot::calculatePointsToDraw(CPTPlotSpace& space, bool includeVisiblePointsOnly) {
    Flags flags;
    pointsToDraw(space, nullptr, includeVisiblePointsOnly ? nullptr : &flags, includeVisiblePointsOnly ? &flags : nullptr);
    return flags;
}

CPTScatterPlot::ViewPoints CPTScatterPlot::viewPointsForFlags(const Flags& flags, const DoubleFields* fields) {
    ViewPoints points(flags.size(), CGPoint{kNaN, kNaN});
    auto space = plotSpace();
    if (!space)
        return points;
    if (doublePrecisionCache()) {
        std::optional<DoubleFields> own;
        if (!fields || fields->xs.size() < flags.size() || fields->ys.size() < flags.size())
            fields = &own.emplace(*this, flags.size());
        space->plotAreaViewPointsForDoublePrecisionPlotPoints(fields->xs, fields->ys, flags, points);
        return points;
    }
    for (std::uint64_t i = 0; i < flags.size(); ++i) {
        if (!flags[i])
            continue;
        std::array<NSDecimal, 2> p{cachedDecimalForField(CPTScatterPlotFieldX, i),
                                   cachedDecimalForField(CPTScatterPlotFieldY, i)};
        if (!p[0].isNaN() && !p[1].isNaN())
            points[i] = space->plotAreaViewPointForPlotPoint(std::span<const NSDecimal>(p));
    }
    return points;
}

CPTScatterPlot::ViewPoints CPTScatterPlot::calculateViewPoints(const Flags& flags) {
    return viewPointsForFlags(flags, nullptr);
}

void CPTScatterPlot::alignViewPointsToUserSpace(ViewPoints& points, const gfx::Context& context,
                                                const Flags& flags) const {
    const bool centre = dataLineStyle_ && dataLineStyle_->lineWidth() > 0;
    const gfx::AffineTransform toDevice = context.ctm();
    const gfx::AffineTransform toUser = toDevice.inverted().value_or(gfx::AffineTransform::identity());
    if (centre)
        CPTAlignPointsToPixelCenter(toDevice, toUser, points, flags);
    else
        CPTAlignPointsToPixelEdge(toDevice, toUser, points, flags);
}

std::uint64_t CPTScatterPlot::extremeDrawnPointIndexForFlags(const Flags& flags, bool lowerBound) {
    if (lowerBound) {
        for (std::uint64_t i = 0; i < flags.size(); ++i)
            if (flags[i])
                return i;
    } else {
        for (std::uint64_t i = flags.size(); i-- > 0;)
            if (flags[i])
                return i;
    }
    return foundation::notFound;
}

// --- the data line

namespace {

// Walks the points of a range as runs of drawable points: each run starts with a move, each later point
// adds a segment, and each run that ends is closed to the baseline when there is one.
template <class AddSegment>
gfx::Path walkRuns(const std::vector<CGPoint>& points, NSRange range, CGFloat baseline, AddSegment addSegment) {
    gfx::Path path;
    bool lastSkipped = true;
    CGPoint last{};
    CGFloat firstX = 0;
    auto closeRun = [&] {
        if (!lastSkipped && !std::isnan(baseline)) {
            path.lineTo({last.x, baseline});
            path.lineTo({firstX, baseline});
            path.closeSubpath();
        }
    };
    const std::uint64_t end = std::min<std::uint64_t>(range.end(), points.size());
    for (std::uint64_t i = range.location; i < end; ++i) {
        const CGPoint p = points[i];
        if (isNaNPoint(p)) {
            closeRun();
            lastSkipped = true;
            continue;
        }
        if (lastSkipped) {
            path.moveTo(p);
            firstX = p.x;
            lastSkipped = false;
        } else {
            addSegment(path, i, last, p);
        }
        last = p;
    }
    closeRun();
    return path;
}

} // namespace

gfx::Path CPTScatterPlot::newDataLinePathForViewPoints(const ViewPoints& points, NSRange indexRange,
                                                       CGFloat baselineYValue) const {
    if (interpolation_ == CPTScatterPlotInterpolationCurved)
        return newCurvedDataLinePath(points, indexRange, baselineYValue);
    const auto interpolation = interpolation_;
    const auto option = histogramOption_;
    return walkRuns(points, indexRange, baselineYValue,
                    [&](gfx::Path& path, std::uint64_t, CGPoint last, CGPoint p) {
                        switch (interpolation) {
                        case CPTScatterPlotInterpolationLinear:
                            path.lineTo(p);
                            break;
                        case CPTScatterPlotInterpolationStepped:
                            path.lineTo({p.x, last.y});
                            path.lineTo(p);
                            break;
                        case CPTScatterPlotInterpolationHistogram: {
                            const CGFloat m = (last.x + p.x) / 2;
                            if (option != CPTScatterPlotHistogramSkipFirst)
                                path.lineTo({m, last.y});
                            if (option != CPTScatterPlotHistogramSkipSecond)
                                path.lineTo({m, p.y});
                            path.lineTo(p);
                            break;
                        }
                        default:
                            break;
                        }
                    });
}

gfx::Path CPTScatterPlot::newCurvedDataLinePath(const ViewPoints& points, NSRange indexRange,
                                                CGFloat baselineYValue) const {
    ViewPoints cp1(points.size(), CGPoint{kNaN, kNaN});
    ViewPoints cp2(points.size(), CGPoint{kNaN, kNaN});
    // Each run of drawable points is a curve of its own: a missing value neither spoils the control points
    // of the whole line nor pulls a run towards points beyond the break.
    const std::uint64_t end = std::min<std::uint64_t>(indexRange.end(), points.size());
    for (std::uint64_t i = indexRange.location; i < end;) {
        if (isNaNPoint(points[i])) {
            ++i;
            continue;
        }
        std::uint64_t j = i;
        while (j < end && !isNaNPoint(points[j]))
            ++j;
        const NSRange run = NSMakeRange(i, j - i);
        switch (curvedOption_) {
        case CPTScatterPlotCurvedInterpolationNormal:
            computeBezierControlPoints(cp1, cp2, points, run);
            break;
        case CPTScatterPlotCurvedInterpolationCatmullRomUniform:
            computeCatmullRomControlPoints(cp1, cp2, 0.0, points, run);
            break;
        case CPTScatterPlotCurvedInterpolationCatmullRomCentripetal:
            computeCatmullRomControlPoints(cp1, cp2, 0.5, points, run);
            break;
        case CPTScatterPlotCurvedInterpolationCatmullRomChordal:
            computeCatmullRomControlPoints(cp1, cp2, 1.0, points, run);
            break;
        case CPTScatterPlotCurvedInterpolationCatmullCustomAlpha:
            computeCatmullRomControlPoints(cp1, cp2, customAlpha_, points, run);
            break;
        case CPTScatterPlotCurvedInterpolationHermiteCubic:
            computeHermiteControlPoints(cp1, cp2, points, run);
            break;
        default:
            break;
        }
        i = j;
    }
    return walkRuns(points, indexRange, baselineYValue, [&](gfx::Path& path, std::uint64_t i, CGPoint, CGPoint p) {
        // An option that computes no control points adds no segment.
        if (!isNaNPoint(cp1[i]) && !isNaNPoint(cp2[i]))
            path.cubicTo(cp1[i], cp2[i], p);
    });
}

void CPTScatterPlot::computeBezierControlPoints(ViewPoints& cp1, ViewPoints& cp2, const ViewPoints& points,
                                                NSRange indexRange) {
    const std::uint64_t n = indexRange.length;
    const std::uint64_t s = indexRange.location;
    if (n < 2 || indexRange.end() > points.size())
        return;
    if (n == 2) {
        cp1[s + 1] = points[s];
        cp2[s + 1] = points[s + 1];
        return;
    }
    const std::uint64_t k = n - 1;
    auto P = [&](std::uint64_t j) { return points[s + j]; };
    std::vector<double> a(k), b(k), c(k);
    std::vector<CGPoint> r(k);
    for (std::uint64_t j = 0; j < k; ++j) {
        if (j == 0) {
            a[j] = 0;
            b[j] = 2;
            c[j] = 1;
            r[j] = plus(P(0), times(P(1), 2));
        } else if (j == k - 1) {
            a[j] = 2;
            b[j] = 7;
            c[j] = 0;
            r[j] = plus(times(P(k - 1), 8), P(k));
        } else {
            a[j] = 1;
            b[j] = 4;
            c[j] = 1;
            r[j] = plus(times(P(j), 4), times(P(j + 1), 2));
        }
    }
    // Forward elimination, then back substitution, both coordinates at once.
    for (std::uint64_t j = 1; j < k; ++j) {
        const double m = a[j] / b[j - 1];
        b[j] -= m * c[j - 1];
        r[j] = minus(r[j], times(r[j - 1], m));
    }
    std::vector<CGPoint> first(k);
    first[k - 1] = times(r[k - 1], 1 / b[k - 1]);
    for (std::uint64_t j = k - 1; j-- > 0;)
        first[j] = times(minus(r[j], times(first[j + 1], c[j])), 1 / b[j]);
    for (std::uint64_t j = 0; j < k; ++j) {
        cp1[s + j + 1] = first[j];
        cp2[s + j + 1] = j < k - 1 ? minus(times(P(j + 1), 2), first[j + 1]) : times(plus(P(k), first[k - 1]), 0.5);
    }
}

void CPTScatterPlot::computeCatmullRomControlPoints(ViewPoints& cp1, ViewPoints& cp2, CGFloat alpha,
                                                    const ViewPoints& points, NSRange indexRange) {
    if (indexRange.length < 2 || indexRange.end() > points.size())
        return;
    const std::uint64_t first = indexRange.location;
    const std::uint64_t last = indexRange.end() - 1;
    constexpr double epsilon = 1.0e-5;
    auto distance = [](CGPoint p, CGPoint q) { return std::hypot(p.x - q.x, p.y - q.y); };
    for (std::uint64_t i = first; i < last; ++i) {
        const CGPoint p1 = points[i];
        const CGPoint p2 = points[i + 1];
        const CGPoint p0 = i == first ? p1 : points[i - 1];
        const CGPoint p3 = i + 1 == last ? p2 : points[i + 2];
        const double d1 = distance(p1, p0);
        const double d2 = distance(p2, p1);
        const double d3 = distance(p3, p2);
        const double a = std::pow(d1, alpha);
        const double b = std::pow(d2, alpha);
        const double c = std::pow(d3, alpha);
        CGPoint c1 = p1;
        if (d1 > epsilon)
            c1 = times(plus(minus(times(p1, 2 * a * a + 3 * a * b + b * b), times(p0, b * b)), times(p2, a * a)),
                       1 / (3 * a * (a + b)));
        CGPoint c2 = p2;
        if (d3 > epsilon)
            c2 = times(plus(minus(times(p2, 2 * c * c + 3 * b * c + b * b), times(p3, b * b)), times(p1, c * c)),
                       1 / (3 * c * (b + c)));
        cp1[i + 1] = c1;
        cp2[i + 1] = c2;
    }
}

void CPTScatterPlot::computeHermiteControlPoints(ViewPoints& cp1, ViewPoints& cp2, const ViewPoints& points,
                                                 NSRange indexRange) {
    if (indexRange.length < 2 || indexRange.end() > points.size())
        return;
    const std::uint64_t first = indexRange.location;
    const std::uint64_t last = indexRange.end() - 1;
    const bool monotonic = monotonicViewPoints(points, indexRange);
    for (std::uint64_t i = first; i <= last; ++i) {
        const CGPoint p = points[i];
        CGPoint m;
        if (i == first) {
            m = minus(points[i + 1], p);
        } else if (i == last) {
            m = minus(p, points[i - 1]);
        } else {
            m = minus(points[i + 1], points[i - 1]);
            if (monotonic) {
                const CGPoint next = minus(points[i + 1], p);
                const CGPoint previous = minus(p, points[i - 1]);
                m.x = m.x > 0 ? std::min(next.x, previous.x) : m.x < 0 ? std::max(next.x, previous.x) : m.x;
                m.y = m.y > 0 ? std::min(next.y, previous.y) : m.y < 0 ? std::max(next.y, previous.y) : m.y;
            }
        }
        m = times(m, 1 / 6.0);
        cp2[i] = minus(p, m);
        if (i < last)
            cp1[i + 1] = plus(p, m);
    }
}

bool CPTScatterPlot::monotonicViewPoints(const ViewPoints& points, NSRange indexRange) {
    if (indexRange.length < 2 || indexRange.end() > points.size())
        return true;
    auto monotonicIn = [&](auto component) {
        int direction = 0;
        for (std::uint64_t i = indexRange.location + 1; i < indexRange.end(); ++i) {
            const double step = component(points[i]) - component(points[i - 1]);
            if (step == 0)
                continue;
            const int sign = step > 0 ? 1 : -1;
            if (direction == 0)
                direction = sign;
            else if (sign != direction)
                return false;
        }
        return true;
    };
    return monotonicIn([](CGPoint p) { return p.x; }) && monotonicIn([](CGPoint p) { return p.y; });
}

// --- hit tests

bool CPTScatterPlot::plotWasLineHitByInteractionPoint(CGPoint point) {
    CPTGraph* theGraph = graph();
    CPTPlotArea* area = plotArea();
    auto space = plotSpace();
    if (!theGraph || !area || !space || isHidden() || cachedDataCount() == 0)
        return false;
    const Flags flags = calculatePointsToDraw(*space, false);
    const ViewPoints points = calculateViewPoints(flags);
    const std::uint64_t first = extremeDrawnPointIndexForFlags(flags, true);
    if (first == foundation::notFound)
        return false;
    const std::uint64_t last = extremeDrawnPointIndexForFlags(flags, false);
    const gfx::Path line = newDataLinePathForViewPoints(points, NSMakeRange(first, last - first + 1), kNaN);
    const CGPoint plotAreaPoint = area->convertPointFromLayer(point, theGraph);

    auto scratch = gfx::makeRecordingContext(gfx::Rect(0, 0, 1, 1));
    gfx::Context& ctx = *scratch.context;
    ctx.beginPath();
    ctx.addPath(line);
    ctx.setLineWidth(2 * lineMargin_);
    ctx.setLineCap(gfx::LineCap::Round);
    ctx.setLineJoin(gfx::LineJoin::Round);
    ctx.setMiterLimit(3.0);
    ctx.replacePathWithStrokedPath();
    return ctx.pathContainsPoint(plotAreaPoint, gfx::PathDrawingMode::Fill);
}

std::uint64_t CPTScatterPlot::indexOfVisiblePointClosestToPlotAreaPoint(CGPoint point) {
    auto space = plotSpace();
    if (!space || cachedDataCount() == 0)
        return foundation::notFound;
    const Flags flags = calculatePointsToDraw(*space, true);
    const ViewPoints points = calculateViewPoints(flags);
    const std::uint64_t first = extremeDrawnPointIndexForFlags(flags, true);
    if (first == foundation::notFound)
        return foundation::notFound;
    std::uint64_t best = foundation::notFound;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (std::uint64_t i = first; i < flags.size(); ++i) {
        if (!flags[i] || isNaNPoint(points[i]))
            continue;
        const double d = std::hypot(points[i].x - point.x, points[i].y - point.y);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// --- extents

std::shared_ptr<CPTPlotRange> CPTScatterPlot::plotRangeEnclosingField(std::uint64_t fieldEnum) {
    auto space = plotSpace();
    if (interpolation_ != CPTScatterPlotInterpolationCurved || !space || fieldEnum > CPTScatterPlotFieldY)
        return plotRangeForField(fieldEnum);
    const std::uint64_t n = cachedDataCount();
    const Flags all(n, 1);
    const ViewPoints points = calculateViewPoints(all);
    const gfx::Path curve = newDataLinePathForViewPoints(points, NSMakeRange(0, n), kNaN);
    if (curve.isEmpty())
        return plotRangeForField(fieldEnum);
    const CGRect box = curve.pathBoundingBox();
    std::array<double, 2> low{}, high{};
    space->doublePrecisionPlotPoint(std::span<double>(low), CGPoint{box.minX(), box.minY()});
    space->doublePrecisionPlotPoint(std::span<double>(high), CGPoint{box.maxX(), box.maxY()});
    const std::size_t c = fieldEnum;
    return CPTPlotRange::plotRangeWithLocation(Value(low[c]), Value(high[c] - low[c]));
}

// --- labels and legend

void CPTScatterPlot::positionLabelAnnotation(CPTPlotSpaceAnnotation& label, std::uint64_t idx) {
    const Value x = cachedNumberForField(CPTScatterPlotFieldX, idx).value_or(Value());
    const Value y = cachedNumberForField(CPTScatterPlotFieldY, idx).value_or(Value());
    auto missing = [](const Value& v) { return !v.isNumber() || std::isnan(v.toDouble()) || v.toDecimal().isNaN(); };
    label.setAnchorPlotPoint(std::vector<Value>{x, y});
    label.setDisplacement({0, labelOffset()});
    if (auto content = label.contentLayer())
        content->setHidden(isHidden() || missing(x) || missing(y));
}

void CPTScatterPlot::drawSwatchForLegend(CPTLegend& legend, std::uint64_t idx, CGRect rect, gfx::Context& context) {
    CPTPlot::drawSwatchForLegend(legend, idx, rect, context);
    if (!drawLegendSwatchDecoration())
        return;
    const CGFloat midY = rect.origin.y + rect.size.height / 2;
    if (dataLineStyle_) {
        CPTGStateGuard state(context);
        const CGPoint a = CPTPointAlignedToPixelCenter(context, {rect.minX(), midY});
        const CGPoint b = CPTPointAlignedToPixelCenter(context, {rect.maxX(), midY});
        dataLineStyle_->setLineStyleInContext(context);
        context.beginPath();
        context.moveToPoint(a.x, a.y);
        context.addLineToPoint(b.x, b.y);
        dataLineStyle_->strokePathInContext(context);
    }
    if (auto symbol = plotSymbolForRecordIndex(idx)) {
        CPTGStateGuard state(context);
        symbol->renderAsVectorInContext(context, {rect.origin.x + rect.size.width / 2, midY}, 1.0);
    }
}

// --- drawing

CGFloat CPTScatterPlot::viewYForBaseValue(const Value& base) {
    auto space = plotSpace();
    auto xRange = space->plotRangeForCoordinate(CPTCoordinateX);
    std::array<double, 2> p{xRange ? xRange->locationDouble() : 0.0, base.toDouble()};
    return space->plotAreaViewPointForDoublePrecisionPlotPoint(std::span<const double>(p)).y;
}

void CPTScatterPlot::renderAsVectorInContext(gfx::Context& ctx) {
    if (isHidden())
        return;
    CPTPlot::renderAsVectorInContext(ctx);
    auto space = plotSpace();
    const std::uint64_t n = cachedDataCount();
    if (!space || n == 0)
        return;
    const CPTPlotObjectList* symbols = cachedArrayForKey(CPTScatterPlotBindingPlotSymbols);
    const bool drawsSymbols = plotSymbol_ || symbols;
    // One read of the values and one pass over the records give the line's points and the visible ones.
    std::optional<DoubleFields> fields;
    if (doublePrecisionCache())
        fields.emplace(*this, n);
    const DoubleFields* values = fields ? &*fields : nullptr;
    Flags flags, visible;
    pointsToDraw(*space, values, &flags, drawsSymbols ? &visible : nullptr);
    ViewPoints points = viewPointsForFlags(flags, values);
    if (alignsPointsToPixels())
        alignViewPointsToUserSpace(points, ctx, flags);
    const std::uint64_t first = extremeDrawnPointIndexForFlags(flags, true);
    const std::uint64_t last = extremeDrawnPointIndexForFlags(flags, false);

    // One transparency layer gives the plot one shadow.
    const bool layered = shadow() != nullptr;
    if (layered)
        ctx.beginTransparencyLayer();
    if (first != foundation::notFound) {
        const NSRange range = NSMakeRange(first, last - first + 1);
        const std::pair<const std::shared_ptr<CPTFill>*, const Value*> fills[] = {{&areaFill_, &areaBaseValue_},
                                                                                  {&areaFill2_, &areaBaseValue2_}};
        for (const auto& [fill, base] : fills) {
            if (!*fill || !drawableBase(*base))
                continue;
            const gfx::Path area = newDataLinePathForViewPoints(points, range, viewYForBaseValue(*base));
            ctx.beginPath();
            ctx.addPath(area);
            (*fill)->fillPathInContext(ctx);
        }
        if (!areaFillBands_.empty() && drawableBase(areaBaseValue_)) {
            const gfx::Path area = newDataLinePathForViewPoints(points, range, viewYForBaseValue(areaBaseValue_));
            CPTPlotArea* plotAreaLayer = plotArea();
            const CGRect across = plotAreaLayer ? plotAreaLayer->bounds() : bounds();
            for (const auto& band : areaFillBands_) {
                if (!band || !band->fill() || !band->range())
                    continue;
                std::array<double, 2> lo{band->range()->minLimitDouble(), 0.0};
                std::array<double, 2> hi{band->range()->maxLimitDouble(), 0.0};
                const CGFloat x0 = space->plotAreaViewPointForDoublePrecisionPlotPoint(std::span<const double>(lo)).x;
                const CGFloat x1 = space->plotAreaViewPointForDoublePrecisionPlotPoint(std::span<const double>(hi)).x;
                CPTGStateGuard state(ctx);
                ctx.clipToRect(CGRect(std::min(x0, x1), across.minY(), std::fabs(x1 - x0), across.size.height));
                ctx.beginPath();
                ctx.addPath(area);
                band->fill()->fillPathInContext(ctx);
            }
        }
        if (dataLineStyle_) {
            const gfx::Path line = newDataLinePathForViewPoints(points, range, kNaN);
            if (!line.isEmpty()) {
                CPTGStateGuard state(ctx);
                dataLineStyle_->setLineStyleInContext(ctx);
                ctx.beginPath();
                ctx.addPath(line);
                dataLineStyle_->strokePathInContext(ctx);
            }
        }
    }
    if (drawsSymbols) {
        const CGFloat scale = contentsScale();
        if (!symbols) {
            // Every record has the plot's symbol: one run of all the visible points, gathered at the front
            // of the view points (they are not needed after this) and handed over with their storage.
            std::size_t kept = 0;
            for (std::uint64_t i = 0; i < n; ++i)
                if (visible[i] && !isNaNPoint(points[i]))
                    points[kept++] = points[i];
            points.resize(kept);
            if (kept > 0)
                plotSymbol_->renderAtPointsInContext(ctx, std::move(points), scale, alignsPointsToPixels());
        } else {
            // Records in a row with the same symbol are drawn together, in record order.
            std::shared_ptr<CPTPlotSymbol> current;
            std::vector<CGPoint> run;
            auto flush = [&] {
                if (current && !run.empty())
                    current->renderAtPointsInContext(ctx, run, scale, alignsPointsToPixels());
                run.clear();
            };
            for (std::uint64_t i = 0; i < n; ++i) {
                if (!visible[i] || isNaNPoint(points[i]))
                    continue;
                auto symbol = plotSymbolForRecordIndex(i);
                if (symbol != current) {
                    flush();
                    current = std::move(symbol);
                }
                run.push_back(points[i]);
            }
            flush();
        }
    }
    if (layered)
        ctx.endTransparencyLayer();
}
