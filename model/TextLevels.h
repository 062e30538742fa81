// Level counts over cell texts already read, keyed by views into those texts: the analyses count
// whole columns, and a view per text saves a copy of every distinct text.
#pragma once

#include "model/ColumnStatistics.h"
#include "platform/foundation/Tr.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace textlevels {

using Counts = std::unordered_map<std::string_view, int64_t>;

// Non-empty texts only: the empty text is a missing value.
inline Counts count(const std::vector<std::string>& texts) {
    Counts out;
    for (const auto& text : texts)
        if (!text.empty())
            ++out[text];
    return out;
}

// The k most frequent levels, ties by text in byte order (code-point order, not the locale's).
// Any map from text (string or view) to count.
template <class Map> LevelLists kept(const Map& counts, uint64_t top) {
    using Entry = const typename Map::value_type*;
    std::vector<Entry> entries;
    entries.reserve(counts.size());
    for (const auto& entry : counts)
        entries.push_back(&entry);
    const size_t k = static_cast<size_t>(std::min<uint64_t>(entries.size(), top));
    std::partial_sort(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(k), entries.end(),
                      [](Entry a, Entry b) {
                          if (a->second != b->second)
                              return a->second > b->second;
                          return a->first < b->first;
                      });
    LevelLists out;
    out.levels.reserve(k);
    out.counts.reserve(k);
    for (size_t i = 0; i < k; ++i) {
        out.levels.emplace_back(entries[i]->first);
        out.counts.push_back(entries[i]->second);
    }
    return out;
}

// At most top entries, the last being "Others" with the summed counts of the levels left out, and
// the cumulative shares of all non-empty texts.
template <class Map> TopFrequencies top(const Map& counts, uint64_t top) {
    TopFrequencies out;
    if (top == 0)
        return out;
    LevelLists k = kept(counts, counts.size() <= top ? top : top - 1);
    int64_t total = 0, keptTotal = 0;
    for (const auto& entry : counts)
        total += entry.second;
    for (int64_t c : k.counts)
        keptTotal += c;
    out.levels = std::move(k.levels);
    out.counts = std::move(k.counts);
    if (const int64_t others = total - keptTotal; others != 0) {
        out.levels.push_back(foundation::tr("Others"));
        out.counts.push_back(others);
    }
    out.shares.reserve(out.counts.size());
    double running = 0;
    for (int64_t c : out.counts) {
        running += static_cast<double>(c) / static_cast<double>(total);
        out.shares.push_back(running);
    }
    return out;
}

} // namespace textlevels
