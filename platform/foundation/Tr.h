// Localized-string lookup: every user-visible text passes through tr(), keyed by its English text.
// There is one language today, so the key is the text.
#pragma once

#include <string>
#include <string_view>

namespace foundation {

inline std::string tr(std::string_view english) { return std::string(english); }

} // namespace foundation
