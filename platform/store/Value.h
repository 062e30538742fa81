// The values a stored attribute can hold: nothing, an integer, a double or a text, as SQLite keeps them.
// Typed accessors of the entities convert; a missing value stays distinguishable from zero.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace store {

using Value = std::variant<std::monostate, int64_t, double, std::string>;

inline bool isNull(const Value& v) {
    return std::holds_alternative<std::monostate>(v);
}

// An integer from an integer or a double (truncated); nothing for null or text.
inline std::optional<int64_t> asInt(const Value& v) {
    if (auto* i = std::get_if<int64_t>(&v))
        return *i;
    if (auto* d = std::get_if<double>(&v))
        return static_cast<int64_t>(*d);
    return std::nullopt;
}

inline std::optional<double> asDouble(const Value& v) {
    if (auto* d = std::get_if<double>(&v))
        return *d;
    if (auto* i = std::get_if<int64_t>(&v))
        return static_cast<double>(*i);
    return std::nullopt;
}

inline std::optional<std::string> asText(const Value& v) {
    if (auto* s = std::get_if<std::string>(&v))
        return *s;
    return std::nullopt;
}

} // namespace store
