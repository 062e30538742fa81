// Archive bytes written by hand, for archives no archiver would write (chains of references longer
// than any chart holds); the tag byte of an entry, for damaging a written archive in place; and the
// chart archive fuzz target's seeds written out.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace archivebytes {

inline void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}

inline void putString(std::vector<std::uint8_t>& out, std::string_view s) {
    put32(out, static_cast<std::uint32_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
}

// A version-2 archive of `length` objects of the class, object k (from 0) holding object k + 1: each but
// the last has `keys` entries, which `link(out, k + 1)` writes (a reference to k + 1 among them); the
// last has none.
inline std::vector<std::uint8_t>
chain(std::uint32_t length, std::string_view className, std::uint32_t keys,
      const std::function<void(std::vector<std::uint8_t>&, std::uint32_t next)>& link) {
    std::vector<std::uint8_t> out = {'O', 'V', 'K', 'A', 2};
    put32(out, length);
    for (std::uint32_t k = 0; k < length; ++k) {
        putString(out, className);
        const bool last = k + 1 == length;
        put32(out, last ? 0 : keys);
        if (!last)
            link(out, k + 1);
    }
    return out;
}

// The tag byte of the first entry whose key is `key` (the byte after the key's text); nullptr when no
// such key is written.
inline std::uint8_t* entryTag(std::vector<std::uint8_t>& data, std::string_view key) {
    const auto at = std::search(data.begin(), data.end(), key.begin(), key.end());
    if (data.end() - at <= static_cast<std::ptrdiff_t>(key.size()))
        return nullptr;
    return &at[static_cast<std::ptrdiff_t>(key.size())];
}

// Writes the archive as the seed of that name of the chart archive fuzz target, in the source tree's
// fuzz/corpus/chart_archive/ (the tests run from the source root).
inline void writeChartArchiveSeed(const std::string& name, const std::vector<std::uint8_t>& data) {
    const std::filesystem::path folder("fuzz/corpus/chart_archive");
    std::filesystem::create_directories(folder);
    std::ofstream((folder / name).string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

} // namespace archivebytes
