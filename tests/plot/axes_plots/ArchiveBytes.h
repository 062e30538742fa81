// Archive bytes written by hand, for archives no archiver would write (chains of references longer
// than any chart holds).
#pragma once

#include <cstdint>
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

} // namespace archivebytes
