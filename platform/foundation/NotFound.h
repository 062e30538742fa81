// The platform's "not found" index: the largest signed 64-bit value.
#pragma once

#include <cstdint>
#include <limits>

namespace foundation {
inline constexpr std::uint64_t notFound =
    static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
}
