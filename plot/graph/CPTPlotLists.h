// Reloading a per-record list of a plot from a data source that answers a list form (one entry per
// record of a range) or a single form (one record at a time).
#pragma once

#include "plot/graph/CPTPlot.h"

#include <optional>

// Caches the list form's answer, else the single form's answers (a nil answer becoming the nil
// marker). The single form shows whether it is implemented by its answer for the first record.
// False when the source answers neither.
template <class Plural, class Single>
bool CPTReloadPlotList(CPTPlot& plot, NSRange range, const char* key, Plural plural, Single single) {
    if (auto list = plural(range)) {
        plot.cacheArray(*list, key, range.location);
        return true;
    }
    if (range.length == 0)
        return false;
    std::optional<CPTPlotObject> first = single(range.location);
    if (!first)
        return false;
    CPTPlotObjectList list;
    list.reserve(range.length);
    list.push_back(*first);
    for (std::uint64_t i = range.location + 1; i < range.end(); ++i)
        list.push_back(single(i).value_or(CPTPlotObject::nilData()));
    plot.cacheArray(list, key, range.location);
    return true;
}

// An object as a list entry; null is the nil marker.
template <class T> CPTPlotObject CPTPlotListEntry(const std::shared_ptr<T>& object) {
    return object ? CPTPlotObject(object) : CPTPlotObject::nilData();
}

// The same for a list of objects (fills, line styles) whose single form answers an object or nil.
template <class Plural, class Single>
bool CPTReloadPlotObjectList(CPTPlot& plot, NSRange range, const char* key, Plural plural, Single single) {
    return CPTReloadPlotList(plot, range, key, plural, [&](std::uint64_t i) -> std::optional<CPTPlotObject> {
        auto object = single(i);
        return object ? std::optional(CPTPlotListEntry(*object)) : std::nullopt;
    });
}
