// A small JSON form of Value, for the user-defaults file. Numbers with a fraction or exponent read as
// doubles, others as integers; decimals and unsigned numbers write as their digits.
#pragma once

#include "platform/foundation/Value.h"

#include <optional>
#include <string>
#include <string_view>

namespace foundation {

std::string toJson(const Value& value);
// nullopt for text that is not one whole JSON value (nested no deeper than 256 levels).
std::optional<Value> fromJson(std::string_view text);

} // namespace foundation
