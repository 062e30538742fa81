// The neutral plot space: no mapping, the delegate's veto, one-coordinate fitting and categories.
#include "plot/graph/CPTPlotSpace.h"

#include "plot/foundation/CPTException.h"
#include "plot/graph/CPTPlot.h"

#include <algorithm>
#include <cmath>

CPTPlotSpace::~CPTPlotSpace() = default;

// --- mapping: nothing to map here

CGPoint CPTPlotSpace::plotAreaViewPointForPlotPoint(const std::vector<foundation::Value>&) {
    return {};
}
CGPoint CPTPlotSpace::plotAreaViewPointForPlotPoint(std::span<const NSDecimal>) {
    return {};
}
CGPoint CPTPlotSpace::plotAreaViewPointForDoublePrecisionPlotPoint(std::span<const double>) {
    return {};
}
void CPTPlotSpace::plotAreaViewPointsForDoublePrecisionPlotPoints(std::span<const double> xs,
                                                                  std::span<const double> ys,
                                                                  std::span<const std::uint8_t> wanted,
                                                                  std::span<CGPoint> points) {
    const std::size_t n = std::min({xs.size(), ys.size(), wanted.size(), points.size()});
    for (std::size_t i = 0; i < n; ++i) {
        if (!wanted[i] || std::isnan(xs[i]) || std::isnan(ys[i]))
            continue;
        const double p[2] = {xs[i], ys[i]};
        points[i] = plotAreaViewPointForDoublePrecisionPlotPoint(std::span<const double>(p));
    }
}
std::vector<foundation::Value> CPTPlotSpace::plotPointForPlotAreaViewPoint(CGPoint) {
    return {};
}
void CPTPlotSpace::plotPoint(std::span<NSDecimal>, CGPoint) {}
void CPTPlotSpace::doublePrecisionPlotPoint(std::span<double>, CGPoint) {}
CGPoint CPTPlotSpace::plotAreaViewPointForEvent(const CPTEvent&) {
    return {};
}
std::vector<foundation::Value> CPTPlotSpace::plotPointForEvent(const CPTEvent&) {
    return {};
}
void CPTPlotSpace::plotPoint(std::span<NSDecimal>, const CPTEvent&) {}
void CPTPlotSpace::doublePrecisionPlotPoint(std::span<double>, const CPTEvent&) {}

// --- fitting

void CPTPlotSpace::fitCoordinate(const Plots& plots, CPTCoordinate coordinate, bool enclosing) {
    if (plots.empty())
        return;
    std::shared_ptr<CPTMutablePlotRange> united;
    for (const auto& plot : plots) {
        if (!plot)
            continue;
        auto range = enclosing ? plot->plotRangeEnclosingCoordinate(coordinate)
                               : plot->plotRangeForCoordinate(coordinate);
        if (!range)
            continue;
        if (!united)
            united = range->mutableCopy();
        united->unionPlotRange(range.get());
    }
    if (!united)
        return;
    // A single value keeps the present span around it rather than collapsing to nothing.
    if (united->lengthDecimal().isZero())
        united->unionPlotRange(plotRangeForCoordinate(coordinate).get());
    setPlotRange(united, coordinate);
}

void CPTPlotSpace::scaleToFitPlotsForCoordinate(const Plots& plots, CPTCoordinate coordinate) {
    fitCoordinate(plots, coordinate, false);
}

void CPTPlotSpace::scaleToFitEntirePlotsForCoordinate(const Plots& plots, CPTCoordinate coordinate) {
    fitCoordinate(plots, coordinate, true);
}

// --- categories

std::vector<std::string>& CPTPlotSpace::orderedSetForCoordinate(CPTCoordinate coordinate) {
    if (!categoryNames_)
        categoryNames_.emplace();
    return (*categoryNames_)[coordinate];
}

void CPTPlotSpace::addCategory(const std::string& category, CPTCoordinate coordinate) {
    auto& set = orderedSetForCoordinate(coordinate);
    if (std::find(set.begin(), set.end(), category) == set.end())
        set.push_back(category);
}

void CPTPlotSpace::removeCategory(const std::string& category, CPTCoordinate coordinate) {
    auto& set = orderedSetForCoordinate(coordinate);
    set.erase(std::remove(set.begin(), set.end(), category), set.end());
}

void CPTPlotSpace::insertCategory(const std::string& category, CPTCoordinate coordinate, std::size_t index) {
    auto& set = orderedSetForCoordinate(coordinate);
    if (index > set.size())
        throw CPTException(NSRangeException, "Category index " + std::to_string(index) +
                                                 " beyond bounds [0 .. " + std::to_string(set.size()) + "]");
    // An ordered set keeps a name once: one already present stays where it is.
    if (std::find(set.begin(), set.end(), category) != set.end())
        return;
    set.insert(set.begin() + std::ptrdiff_t(index), category);
}

void CPTPlotSpace::setCategories(const std::optional<std::vector<std::string>>& categories,
                                 CPTCoordinate coordinate) {
    if (!categories) {
        if (categoryNames_)
            categoryNames_->erase(coordinate);
        return;
    }
    if (!categoryNames_)
        categoryNames_.emplace();
    std::vector<std::string> set;
    for (const auto& c : *categories)
        if (std::find(set.begin(), set.end(), c) == set.end())
            set.push_back(c);
    (*categoryNames_)[coordinate] = std::move(set);
}

void CPTPlotSpace::removeAllCategories() {
    categoryNames_.reset();
}

std::vector<std::string> CPTPlotSpace::categoriesForCoordinate(CPTCoordinate coordinate) {
    return orderedSetForCoordinate(coordinate);
}

std::optional<std::string> CPTPlotSpace::categoryForCoordinate(CPTCoordinate coordinate, std::int64_t index) {
    auto& set = orderedSetForCoordinate(coordinate);
    if (index < 0 || static_cast<std::uint64_t>(index) >= set.size())
        return std::nullopt;
    return set[static_cast<std::size_t>(index)];
}

std::uint64_t CPTPlotSpace::indexOfCategory(const std::string& category, CPTCoordinate coordinate) {
    auto& set = orderedSetForCoordinate(coordinate);
    auto it = std::find(set.begin(), set.end(), category);
    return it == set.end() ? foundation::notFound : static_cast<std::uint64_t>(it - set.begin());
}

// --- events

bool CPTPlotSpace::pointingDeviceDownEvent(const CPTEvent& event, CGPoint point) {
    auto d = delegate();
    auto answer = d ? d->plotSpaceShouldHandlePointingDeviceDownEvent(*this, event, point) : std::nullopt;
    return answer ? !*answer : false;
}

bool CPTPlotSpace::pointingDeviceUpEvent(const CPTEvent& event, CGPoint point) {
    auto d = delegate();
    auto answer = d ? d->plotSpaceShouldHandlePointingDeviceUpEvent(*this, event, point) : std::nullopt;
    return answer ? !*answer : false;
}

bool CPTPlotSpace::pointingDeviceDraggedEvent(const CPTEvent& event, CGPoint point) {
    auto d = delegate();
    auto answer = d ? d->plotSpaceShouldHandlePointingDeviceDraggedEvent(*this, event, point) : std::nullopt;
    return answer ? !*answer : false;
}

bool CPTPlotSpace::pointingDeviceCancelledEvent(const CPTEvent& event) {
    auto d = delegate();
    auto answer = d ? d->plotSpaceShouldHandlePointingDeviceCancelledEvent(*this, event) : std::nullopt;
    return answer ? !*answer : false;
}

std::string CPTPlotSpace::debugQuickLookObject() const {
    // The identifier prints as its text, or as a number, or "(null)".
    std::string id;
    switch (identifier_.kind()) {
    case foundation::Value::Kind::Null:
        id = "(null)";
        break;
    case foundation::Value::Kind::String:
        id = identifier_.string();
        break;
    default:
        id = identifier_.isNumber() ? foundation::Decimal(identifier_.toDecimal()).toString() : "(object)";
    }
    return "Identifier: " + id + "\nallowsUserInteraction: " + (allowsUserInteraction_ ? "YES" : "NO");
}
