// The line that names a variable's type, as the Variables list and the variable's detail page show it.
#pragma once

#include "platform/foundation/Tr.h"

#include <cstdint>
#include <optional>
#include <string>

// Nothing for a code above 4 (and below 0): such a type names nothing.
inline std::optional<std::string> variableTypeText(int64_t type) {
    static const char* const texts[] = {"Type: Unknown", "Type: Categorical", "Type: Binary", "Type: Numeric",
                                        "Type: Date / Time"};
    if (type < 0 || type > 4)
        return std::nullopt;
    return foundation::tr(texts[type]);
}
