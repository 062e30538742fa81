// A boxed value that remembers its kind: numbers of four kinds, booleans, text, null, arrays and
// dictionaries. Used where the kind of a value matters: plot data, archives, user info of notifications.
#pragma once

#include "platform/foundation/Decimal.h"

#include <concepts>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace foundation {

class Value {
  public:
    enum class Kind { Null, Integer, Unsigned, Double, Bool, Decimal, String, Array, Dictionary };
    using Array = std::vector<Value>;
    using Dictionary = std::map<std::string, Value, std::less<>>;

    Value() = default; // null
    Value(std::nullptr_t) {}
    template <std::signed_integral T>
    requires(!std::same_as<T, bool>) Value(T v) : v_(static_cast<std::int64_t>(v)) {}
    template <std::unsigned_integral T>
    requires(!std::same_as<T, bool>) Value(T v) : v_(static_cast<std::uint64_t>(v)) {}
    Value(double v) : v_(v) {}
    Value(float v) : v_(static_cast<double>(v)) {}
    Value(bool v) : v_(v) {}
    Value(const foundation::Decimal& v) : v_(v) {}
    Value(std::string v) : v_(std::move(v)) {}
    Value(std::string_view v) : v_(std::string(v)) {}
    Value(const char* v) : v_(std::string(v)) {}
    Value(Array v) : v_(std::make_shared<const Array>(std::move(v))) {}
    Value(Dictionary v) : v_(std::make_shared<const Dictionary>(std::move(v))) {}

    Kind kind() const { return static_cast<Kind>(v_.index()); }
    bool isNull() const { return kind() == Kind::Null; }
    // Integer, Unsigned, Double and Decimal (not Bool).
    bool isNumber() const;

    // Numeric readings of any number or bool; anything else reads as 0 (a decimal NaN for toDecimal).
    // Integer readings truncate towards zero, give 0 for NaN and saturate out of range.
    std::int64_t toInt64() const;
    std::uint64_t toUInt64() const;
    double toDouble() const;
    bool toBool() const;
    // A double converts through its shortest round-trip digits.
    foundation::Decimal toDecimal() const;

    // Empty for a value of another kind.
    const std::string& string() const;
    const Array& array() const;
    const Dictionary& dictionary() const;
    // The member under key of a dictionary, or nullptr.
    const Value* find(std::string_view key) const;

    // Numbers are equal across kinds when their values are (2, 2.0 and the decimal 2.00; a double and a
    // decimal through the double's shortest digits; every NaN equals every NaN); other kinds are equal
    // only to their own kind with equal contents. The hash agrees.
    friend bool operator==(const Value& a, const Value& b);
    std::size_t hash() const;

  private:
    std::variant<std::monostate, std::int64_t, std::uint64_t, double, bool, foundation::Decimal, std::string,
                 std::shared_ptr<const Array>, std::shared_ptr<const Dictionary>>
        v_;
};

} // namespace foundation

template <> struct std::hash<foundation::Value> {
    std::size_t operator()(const foundation::Value& v) const noexcept { return v.hash(); }
};
