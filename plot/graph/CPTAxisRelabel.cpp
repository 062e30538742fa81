// Relabelling an axis: tick locations under the labeling policies (decimals for linear ticks, doubles
// for logarithmic ones), exclusion filtering, and the label sets built, reused and placed.
#include "plot/graph/CPTAxis.h"

#include "platform/foundation/Log.h"
#include "plot/foundation/CPTAttributedFormatting.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/foundation/CPTShadow.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTAxisLabelGroup.h"
#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotSpace.h"
#include "plot/graph/CPTTextLayer.h"

#include <cmath>
#include <unordered_set>

using foundation::Value;

namespace {

// A set of numbers kept in the order they were added.
class TickSet {
  public:
    void add(const Value& v) {
        if (seen_.insert(v).second)
            values_.push_back(v);
    }
    CPTAxis::TickLocations take() { return std::move(values_); }

  private:
    std::unordered_set<Value> seen_;
    CPTAxis::TickLocations values_;
};

NSDecimal roundedDecimal(NSDecimal value, int scale, foundation::RoundingMode mode) {
    NSDecimal result;
    foundation::decimalRound(result, value, scale, mode);
    return result;
}

NSDecimal powerOfTen(int exponent) {
    NSDecimal result;
    foundation::decimalMultiplyByPowerOf10(result, CPTDecimalFromInteger(1), exponent,
                                           foundation::RoundingMode::Bankers);
    return result;
}

// From `coord` up to `max`, a major tick every `interval`, each followed by up to `n` minor ticks
// `step` apart that stay at most `max`; at most `bound` major ticks.
void walkTicks(TickSet& major, TickSet& minor, NSDecimal coord, NSDecimal max, NSDecimal interval, NSDecimal step,
               std::uint64_t n, std::uint64_t bound) {
    for (std::uint64_t count = 0; count < bound && CPTDecimalIsLessOrEqual(coord, max); ++count) {
        major.add(Value(coord));
        for (std::uint64_t i = 1; i <= n; ++i) {
            const NSDecimal m = CPTDecimalPlus(coord, CPTDecimalTimes(step, CPTDecimalFromUnsignedInteger(i)));
            if (CPTDecimalIsGreater(m, max))
                break;
            minor.add(Value(m));
        }
        coord = CPTDecimalPlus(coord, interval);
    }
}

// The range's ends, or none when they are not both numbers.
bool finiteLimits(const CPTPlotRange& range, NSDecimal& min, NSDecimal& max) {
    if (range.isInfinite() || range.lengthDecimal().isNaN() || range.locationDecimal().isNaN() ||
        !std::isfinite(range.lengthDouble()))
        return false;
    min = range.minLimitDecimal();
    max = range.maxLimitDecimal();
    return !min.isNaN() && !max.isNaN() && std::isfinite(range.minLimitDouble()) &&
           std::isfinite(range.maxLimitDouble());
}

} // namespace

NSDecimal CPTAxisTruncatedInterval(NSDecimal x) {
    if (x.isZero() || x.isNaN())
        return x.isNaN() ? x : NSDecimal();
    const bool negative = CPTDecimalIsLess(x, NSDecimal());
    NSDecimal magnitude = CPTDecimalAbsolute(x);
    if (CPTDecimalIsGreater(magnitude, CPTDecimalFromInteger(10))) {
        magnitude = roundedDecimal(magnitude, 0, foundation::RoundingMode::Down);
    } else {
        const int digits = static_cast<int>(std::floor(std::log10(CPTDecimalToDouble(magnitude))));
        magnitude = roundedDecimal(magnitude, 1 - digits, foundation::RoundingMode::Down);
    }
    return negative ? CPTDecimalMinus(NSDecimal(), magnitude) : magnitude;
}

NSDecimal CPTAxisNiceInterval(NSDecimal x) {
    if (x.isZero() || x.isNaN())
        return x.isNaN() ? x : NSDecimal();
    const bool negative = CPTDecimalIsLess(x, NSDecimal());
    const NSDecimal magnitude = CPTDecimalAbsolute(x);
    const int exponent = static_cast<int>(std::floor(std::log10(CPTDecimalToDouble(magnitude))));
    NSDecimal fraction;
    foundation::decimalMultiplyByPowerOf10(fraction, magnitude, -exponent, foundation::RoundingMode::Bankers);
    std::int64_t figure = 10;
    if (CPTDecimalIsLess(fraction, CPTDecimalFromString("1.5")))
        figure = 1;
    else if (CPTDecimalIsLess(fraction, CPTDecimalFromInteger(3)))
        figure = 2;
    else if (CPTDecimalIsLess(fraction, CPTDecimalFromInteger(7)))
        figure = 5;
    NSDecimal result = CPTDecimalTimes(CPTDecimalFromInteger(figure), powerOfTen(exponent));
    return negative ? CPTDecimalMinus(NSDecimal(), result) : result;
}

std::shared_ptr<CPTMutablePlotRange> CPTAxis::workingRange() const {
    if (!plotSpace_)
        return nullptr;
    auto range = plotSpace_->plotRangeForCoordinate(coordinate_);
    if (!range)
        return nullptr;
    auto working = range->mutableCopy();
    if (visibleRange_)
        working->intersectionPlotRange(visibleRange_.get());
    return working;
}

void CPTAxis::logTickLimit(const char* kind, double count) const {
    foundation::log(std::string(className()) + " (" + (coordinate_ == CPTCoordinateX ? "x" : "y") +
                    " axis): " + CPTFormatGeneral(count) + " " + kind +
                    " ticks are too many to draw; the axis shows no ticks");
}

bool CPTAxis::tickCountsWithinLimits(double majors, double minors) const {
    if (majors > kMaximumMajorTicks) {
        logTickLimit("major", majors);
        return false;
    }
    if (minors > kMaximumMinorTicks) {
        logTickLimit("minor", minors);
        return false;
    }
    return true;
}

// --- policy 2

void CPTAxis::generateFixedIntervalMajorTickLocations(TickLocations& majorOut, TickLocations& minorOut) {
    majorOut.clear();
    minorOut.clear();
    const NSDecimal interval = majorIntervalLength_.isNull() ? NSDecimal() : majorIntervalLength_.toDecimal();
    auto range = workingRange();
    if (!range || interval.isNaN() || !CPTDecimalIsGreater(interval, NSDecimal()))
        return;
    NSDecimal min, max;
    if (!finiteLimits(*range, min, max))
        return;
    const std::uint64_t n = minorTicksPerInterval_;
    const NSDecimal step = n > 0 ? CPTDecimalDividedBy(interval, CPTDecimalFromUnsignedInteger(n + 1)) : NSDecimal();
    const NSDecimal origin = labelingOrigin_.isNull() ? NSDecimal() : labelingOrigin_.toDecimal();
    if (origin.isNaN())
        return;

    const double majors = std::floor((CPTDecimalToDouble(max) - CPTDecimalToDouble(min)) /
                                     CPTDecimalToDouble(interval)) + 1;
    if (!std::isfinite(majors))
        return;
    if (!tickCountsWithinLimits(majors, (majors + 1) * static_cast<double>(n)))
        return;

    NSDecimal coord = CPTDecimalTimes(
        interval, roundedDecimal(CPTDecimalDividedBy(CPTDecimalMinus(min, origin), interval), 0,
                                 foundation::RoundingMode::Up));
    coord = CPTDecimalPlus(origin, coord);
    TickSet major, minor;
    if (n > 0) {
        for (std::uint64_t i = 1; i <= n; ++i) {
            const NSDecimal below = CPTDecimalMinus(coord, CPTDecimalTimes(step, CPTDecimalFromUnsignedInteger(i)));
            if (CPTDecimalIsLess(below, min))
                break;
            minor.add(Value(below));
        }
    }
    // Counted above; the bound also ends a walk whose steps vanish in the decimal's precision.
    walkTicks(major, minor, coord, max, interval, step, n, static_cast<std::uint64_t>(majors) + 2);
    majorOut = major.take();
    minorOut = minor.take();
}

// --- policy 3

void CPTAxis::autoGenerateMajorTickLocations(TickLocations& majorOut, TickLocations& minorOut) {
    majorOut.clear();
    minorOut.clear();
    auto range = workingRange();
    if (!range || !plotSpace_)
        return;
    const CPTScaleType scale = plotSpace_->scaleTypeForCoordinate(coordinate_);
    const double minD = range->minLimitDouble();
    const double maxD = range->maxLimitDouble();
    const bool handled = scale == CPTScaleTypeLinear || scale == CPTScaleTypeLogModulus ||
                         (scale == CPTScaleTypeLog && minD > 0 && maxD > 0);
    if (!handled)
        return;
    const double lengthD = range->lengthDouble();
    if (lengthD == 0 || !std::isfinite(lengthD) || !std::isfinite(minD) || !std::isfinite(maxD))
        return;
    const std::uint64_t n = minorTicksPerInterval_;
    TickSet major, minor;

    if (scale == CPTScaleTypeLinear) {
        NSDecimal min, max;
        if (!finiteLimits(*range, min, max))
            return;
        std::uint64_t k = preferredNumberOfMajorTicks_;
        if (k == 0)
            k = 5;
        else if (k == 1)
            k = 2;
        const NSDecimal length = range->lengthDecimal();
        NSDecimal interval = k == 2 ? CPTAxisTruncatedInterval(length)
                                    : CPTAxisNiceInterval(CPTDecimalDividedBy(
                                          length, CPTDecimalFromUnsignedInteger(k - 1)));
        if (CPTDecimalIsLess(interval, NSDecimal()))
            interval = CPTDecimalMinus(NSDecimal(), interval);
        if (interval.isNaN() || interval.isZero())
            return;
        const NSDecimal step = n >= 1 ? CPTDecimalDividedBy(interval, CPTDecimalFromUnsignedInteger(n + 1)) : NSDecimal();
        const NSDecimal first =
            roundedDecimal(CPTDecimalDividedBy(min, interval), 0, foundation::RoundingMode::Down);
        const NSDecimal last = roundedDecimal(CPTDecimalDividedBy(max, interval), 0, foundation::RoundingMode::Up);
        const double majors = CPTDecimalToDouble(last) - CPTDecimalToDouble(first) + 1;
        if (!std::isfinite(majors))
            return;
        if (!tickCountsWithinLimits(majors, majors * static_cast<double>(n)))
            return;
        NSDecimal j = first;
        for (std::int64_t count = 0; count < static_cast<std::int64_t>(majors) && CPTDecimalIsLessOrEqual(j, last);
             ++count) {
            const NSDecimal value = CPTDecimalTimes(interval, j);
            if (CPTDecimalIsLessOrEqual(min, value) && CPTDecimalIsLessOrEqual(value, max))
                major.add(Value(value));
            for (std::uint64_t i = 1; i <= n; ++i) {
                const NSDecimal m = CPTDecimalPlus(value, CPTDecimalTimes(step, CPTDecimalFromUnsignedInteger(i)));
                if (CPTDecimalIsLessOrEqual(min, m) && CPTDecimalIsLessOrEqual(m, max))
                    minor.add(Value(m));
            }
            j = CPTDecimalPlus(j, CPTDecimalFromInteger(1));
        }
    } else if (scale == CPTScaleTypeLog) {
        const double firstExponent = std::floor(std::log10(minD));
        const double lastExponent = std::ceil(std::log10(maxD));
        const double decades = lastExponent - firstExponent + 1;
        if (!std::isfinite(decades))
            return;
        if (!tickCountsWithinLimits(decades, decades * static_cast<double>(n)))
            return;
        double step = std::pow(10.0, firstExponent) * 9.0 / static_cast<double>(n + 1);
        for (double e = firstExponent; e <= lastExponent; e += 1) {
            const double value = std::pow(10.0, e);
            if (minD <= value && value <= maxD)
                major.add(Value(value));
            for (std::uint64_t m = 1; m <= n; ++m) {
                const double v = value + static_cast<double>(m) * step;
                if (minD <= v && v <= maxD)
                    minor.add(Value(v));
            }
            step *= 10;
        }
    } else {
        const double p = std::pow(10.0, std::floor(std::log10(std::fabs(lengthD))));
        const double u = std::min(p, 1.0);
        const double lo = std::floor(CPTLogModulus(minD) / u);
        const double hi = std::ceil(CPTLogModulus(maxD) / u);
        const double decades = hi - lo + 1;
        if (!std::isfinite(decades))
            return;
        if (!tickCountsWithinLimits(decades, decades * static_cast<double>(n)))
            return;
        auto magnitude = [&](double i) {
            return p < 1 ? u * std::pow(10.0, std::fabs(i) - 1) : u * std::pow(10.0, std::fabs(i));
        };
        auto consider = [&](TickSet& set, double v) {
            if (minD <= v && v <= maxD)
                set.add(Value(v));
        };
        const double startFactor = u * 9.0 / static_cast<double>(n + 1);
        if (lo < 0) {
            double t = startFactor;
            for (double i = std::min(hi, 0.0); i >= lo; i -= 1) {
                const double a = magnitude(i);
                consider(major, i == 0 ? 0.0 : -a);
                for (std::uint64_t m = 1; m <= n; ++m)
                    consider(minor, -a - static_cast<double>(m) * u * t);
                t *= 10;
            }
        }
        if (hi >= 0) {
            double t = startFactor;
            for (double i = std::max(lo, 0.0); i <= hi; i += 1) {
                const double a = magnitude(i);
                consider(major, i == 0 ? 0.0 : a);
                for (std::uint64_t m = 1; m <= n; ++m)
                    consider(minor, a + static_cast<double>(m) * u * t);
                t *= 10;
            }
        }
    }
    majorOut = major.take();
    minorOut = minor.take();
}

// --- policy 4

void CPTAxis::generateEqualMajorTickLocations(TickLocations& majorOut, TickLocations& minorOut) {
    majorOut.clear();
    minorOut.clear();
    auto range = workingRange();
    if (!range)
        return;
    const double lengthD = range->lengthDouble();
    NSDecimal min, max;
    if (lengthD == 0 || !std::isfinite(lengthD) || !finiteLimits(*range, min, max))
        return;
    std::uint64_t k = preferredNumberOfMajorTicks_;
    if (k < 3)
        k = 2;
    const std::uint64_t n = minorTicksPerInterval_;
    if (!tickCountsWithinLimits(static_cast<double>(k), static_cast<double>(k - 1) * static_cast<double>(n)))
        return;
    NSDecimal interval = CPTDecimalDividedBy(range->lengthDecimal(), CPTDecimalFromUnsignedInteger(k - 1));
    if (CPTDecimalIsLess(interval, NSDecimal()))
        interval = CPTDecimalMinus(NSDecimal(), interval);
    const NSDecimal step = n > 0 ? CPTDecimalDividedBy(interval, CPTDecimalFromUnsignedInteger(n + 1)) : NSDecimal();
    TickSet major, minor;
    walkTicks(major, minor, min, max, interval, step, n, k + 1);
    majorOut = major.take();
    minorOut = minor.take();
}

CPTAxis::TickLocations CPTAxis::filteredTickLocations(const TickLocations& locations) const {
    if (labelExclusionRanges_.empty())
        return locations;
    TickLocations kept;
    for (const auto& location : locations) {
        bool excluded = false;
        for (const auto& range : labelExclusionRanges_)
            if (range && range->containsNumber(location)) {
                excluded = true;
                break;
            }
        if (!excluded)
            kept.push_back(location);
    }
    return kept;
}

// --- relabel

void CPTAxis::relabel() {
    if (!needsRelabel_ || !plotSpace_)
        return;
    auto delegate = this->delegate();
    if (delegate && delegate->axisShouldRelabel(*this) == false) {
        needsRelabel_ = false;
        return;
    }
    TickLocations major, minor;
    bool generated = true;
    switch (labelingPolicy_) {
    case CPTAxisLabelingPolicyFixedInterval:
        generateFixedIntervalMajorTickLocations(major, minor);
        break;
    case CPTAxisLabelingPolicyAutomatic:
        autoGenerateMajorTickLocations(major, minor);
        break;
    case CPTAxisLabelingPolicyEqualDivisions:
        generateEqualMajorTickLocations(major, minor);
        break;
    default:
        generated = labelingPolicy_ > CPTAxisLabelingPolicyEqualDivisions;
        break;
    }
    if (generated) {
        setMajorTickLocations(filteredMajorTickLocations(major));
        setMinorTickLocations(filteredMinorTickLocations(minor));
    }
    if (labelingPolicy_ == CPTAxisLabelingPolicyLocationsProvided) {
        auto range = workingRange();
        updateAxisLabelsAtLocations(majorTickLocations_, range.get(), true);
        updateAxisLabelsAtLocations(minorTickLocations_, range.get(), false);
    } else if (labelingPolicy_ == CPTAxisLabelingPolicyNone) {
        updateCustomTickLabels();
    } else {
        updateAxisLabelsAtLocations(majorTickLocations_, nullptr, true);
        updateAxisLabelsAtLocations(minorTickLocations_, nullptr, false);
    }
    needsRelabel_ = false;
    if (!alternatingBandFills_.empty())
        plotAreaNeedsDisplay();
    if (delegate)
        delegate->axisDidRelabel(*this);
}

// --- labels

struct CPTAxis::LabelSet {
    AxisLabels& labels;
    CPTAlignment alignment;
    CPTSign direction;
    CGFloat offset;
    CGFloat rotation;
    std::shared_ptr<CPTTextStyle> textStyle;
    Formatter formatter;
    bool& formatterChanged;
    std::shared_ptr<CPTShadow> shadow;
};

CPTAxis::LabelSet CPTAxis::labelSet(bool major) {
    if (major)
        return {axisLabels_,    labelAlignment_, tickLabelDirection_,    labelOffset_, labelRotation_,
                labelTextStyle_, labelFormatter_, labelFormatterChanged_, labelShadow_};
    return {minorTickAxisLabels_,     minorTickLabelAlignment_, minorTickLabelDirection_,
            minorTickLabelOffset_,    minorTickLabelRotation_,  minorTickLabelTextStyle_,
            minorTickLabelFormatter_, minorLabelFormatterChanged_, minorTickLabelShadow_};
}

std::shared_ptr<CPTLayer> CPTAxis::newLabelLayer(const Value& location, const LabelSet& set, bool attributed) {
    if (plotSpace_ && plotSpace_->scaleTypeForCoordinate(coordinate_) == CPTScaleTypeCategory) {
        // Only ticks that fall on a category get its name; one before the first or past the last
        // gets no label.
        const double v = location.toDouble();
        if (std::isnan(v))
            return nullptr;
        auto category = plotSpace_->categoryForCoordinate(coordinate_, location.toInt64());
        if (!category)
            return nullptr;
        return std::make_shared<CPTTextLayer>(*category, set.textStyle);
    }
    if (attributed) {
        const auto* rich = dynamic_cast<const CPTAttributedFormatting*>(set.formatter.get());
        if (auto text = rich->attributedStringForObjectValue(location, set.textStyle->attributes()))
            return std::make_shared<CPTTextLayer>(*text);
        return std::make_shared<CPTTextLayer>(std::nullopt, set.textStyle);
    }
    return std::make_shared<CPTTextLayer>(set.formatter->stringForObjectValue(location), set.textStyle);
}

void CPTAxis::updateAxisLabelsAtLocations(const TickLocations& locations, const CPTPlotRange* range, bool major) {
    auto delegate = this->delegate();
    if (delegate && !locations.empty()) {
        const auto answer = major ? delegate->axisShouldUpdateAxisLabelsAtLocations(*this, locations)
                                  : delegate->axisShouldUpdateMinorAxisLabelsAtLocations(*this, locations);
        if (answer == false)
            return;
    }
    LabelSet set = labelSet(major);
    if (locations.empty() || !set.textStyle || !set.formatter) {
        if (major)
            setAxisLabels({});
        else
            setMinorTickAxisLabels({});
        return;
    }
    bool attributed = false;
    if (const auto* rich = dynamic_cast<const CPTAttributedFormatting*>(set.formatter.get()))
        attributed = rich->attributedStringForObjectValue(Value(NSDecimal()), set.textStyle->attributes()).has_value();

    CGFloat offset = set.offset;
    if (tickDirection_ == CPTSignNone || set.direction == CPTSignNone || set.direction == tickDirection_)
        offset += tickOffset();
    if (plotArea_)
        plotArea_->setAxisSetLayersForType(CPTPlotAreaLayerTypeAxisLabels);
    CPTAxisLabelGroup* group = plotArea_ ? plotArea_->axisLabelGroup().get() : nullptr;

    AxisLabels old = set.labels;
    AxisLabels fresh;
    fresh.reserve(locations.size());
    const layers::Layer* previous = nullptr;
    CPTAxisLabel probe(nullptr);
    for (const auto& location : locations) {
        if (range && !range->containsNumber(location))
            continue;
        probe.setTickLocation(location);
        std::shared_ptr<CPTAxisLabel> label;
        bool needsContent = true;
        auto found = std::find_if(old.begin(), old.end(), [&](const auto& l) { return probe.isEqual(*l); });
        if (found != old.end()) {
            label = *found;
            // A label that got no layer before (a tick with no category yet) gets one when it can.
            needsContent = set.formatterChanged || !label->contentLayer();
        } else {
            label = std::make_shared<CPTAxisLabel>(nullptr);
            label->setTickLocation(location);
        }
        label->setRotation(set.rotation);
        label->setOffset(offset);
        label->setAlignment(set.alignment);
        if (needsContent) {
            auto layer = newLabelLayer(location, set, attributed);
            if (label->contentLayer())
                label->contentLayer()->removeFromSuperlayer();
            label->setContentLayer(layer);
            if (layer && group) {
                if (previous)
                    group->insertSublayerBelow(layer, previous);
                else
                    group->insertSublayerAtIndex(layer,
                                                 plotArea_->sublayerIndexForAxis(this, CPTPlotAreaLayerTypeAxisLabels));
            }
        }
        if (label->contentLayer())
            label->contentLayer()->setShadow(set.shadow);
        fresh.push_back(label);
        previous = label->contentLayer().get();
    }
    for (const auto& label : old) {
        const bool kept = std::find(fresh.begin(), fresh.end(), label) != fresh.end();
        if (!kept && label->contentLayer())
            label->contentLayer()->removeFromSuperlayer();
    }
    labelsUpdated_ = true;
    if (major)
        setAxisLabels(fresh);
    else
        setMinorTickAxisLabels(fresh);
    set.formatterChanged = false;
    labelsUpdated_ = false;
}

void CPTAxis::updateMajorTickLabelOffsets() {
    CGFloat offset = labelOffset_;
    if (tickDirection_ == CPTSignNone || tickLabelDirection_ == CPTSignNone || tickLabelDirection_ == tickDirection_)
        offset += tickOffset();
    for (const auto& label : axisLabels_)
        label->setOffset(offset);
}

void CPTAxis::updateMinorTickLabelOffsets() {
    CGFloat offset = minorTickLabelOffset_;
    if (tickDirection_ == CPTSignNone || minorTickLabelDirection_ == CPTSignNone ||
        minorTickLabelDirection_ == tickDirection_)
        offset += tickOffset();
    for (const auto& label : minorTickAxisLabels_)
        label->setOffset(offset);
}

void CPTAxis::placeLabels(const AxisLabels& labels, CPTSign direction) {
    const CPTCoordinate other = CPTOtherCoordinate(coordinate_);
    for (const auto& label : labels)
        label->positionRelativeToViewPoint(viewPointForCoordinateValue(label->tickLocation()), other, direction);
}

void CPTAxis::updateMajorTickLabels() {
    placeLabels(axisLabels_, tickLabelDirection_ == CPTSignNone ? tickDirection_ : tickLabelDirection_);
}

void CPTAxis::updateMinorTickLabels() {
    placeLabels(minorTickAxisLabels_,
                minorTickLabelDirection_ == CPTSignNone ? tickDirection_ : minorTickLabelDirection_);
}

void CPTAxis::updateCustomTickLabels() {
    auto range = workingRange();
    if (!range || range->lengthDouble() == 0)
        return;
    const CPTSign direction = tickLabelDirection_ == CPTSignNone ? tickDirection_ : tickLabelDirection_;
    const CPTCoordinate other = CPTOtherCoordinate(coordinate_);
    for (const auto* labels : {&axisLabels_, &minorTickAxisLabels_}) {
        for (const auto& label : *labels) {
            const auto& layer = label->contentLayer();
            if (!layer)
                continue;
            if (!range->containsNumber(label->tickLocation())) {
                layer->setHidden(true);
                continue;
            }
            layer->setHidden(false);
            label->positionRelativeToViewPoint(viewPointForCoordinateValue(label->tickLocation()), other, direction);
        }
    }
}
