// Boxed values: readings across kinds, and the numeric equality that their hash must agree with.
#include "platform/foundation/Value.h"

#include <cmath>
#include <limits>

namespace foundation {
namespace {

const std::string kEmptyString;
const Value::Array kEmptyArray;
const Value::Dictionary kEmptyDictionary;

std::size_t mix(std::size_t h, std::size_t v) {
    return h ^ (v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2));
}

// The hash of a number is the hash of its nearest double, which every equal number shares.
std::size_t hashDouble(double d) {
    if (std::isnan(d))
        return 0x7ff8'0000'0000'0001ull;
    if (d == 0)
        d = 0; // -0 equals 0
    return std::hash<double>{}(d);
}

bool isNaNNumber(const Value& v) {
    if (v.kind() == Value::Kind::Double)
        return std::isnan(v.toDouble());
    if (v.kind() == Value::Kind::Decimal)
        return v.toDecimal().isNaN();
    return false;
}

// An integer value of either integer kind, as sign and magnitude.
struct Whole {
    bool negative;
    std::uint64_t magnitude;
};

Whole wholeOf(const Value& v) {
    if (v.kind() == Value::Kind::Unsigned)
        return {false, v.toUInt64()};
    const std::int64_t i = v.toInt64();
    return {i < 0, i < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(i) : static_cast<std::uint64_t>(i)};
}

bool wholeEqualsDouble(Whole w, double d) {
    if (d != std::trunc(d) || std::abs(d) >= 18446744073709551616.0)
        return false;
    if (d == 0)
        return w.magnitude == 0;
    if ((d < 0) != w.negative)
        return false;
    return static_cast<std::uint64_t>(std::abs(d)) == w.magnitude;
}

bool numbersEqual(const Value& a, const Value& b) {
    using K = Value::Kind;
    const bool an = isNaNNumber(a), bn = isNaNNumber(b);
    if (an || bn)
        return an && bn;
    const K ka = a.kind(), kb = b.kind();
    const bool aWhole = ka == K::Integer || ka == K::Unsigned;
    const bool bWhole = kb == K::Integer || kb == K::Unsigned;
    if (aWhole && bWhole) {
        const Whole wa = wholeOf(a), wb = wholeOf(b);
        return wa.magnitude == wb.magnitude && (wa.negative == wb.negative || wa.magnitude == 0);
    }
    if (ka == K::Double && kb == K::Double)
        return a.toDouble() == b.toDouble();
    if (aWhole && kb == K::Double)
        return wholeEqualsDouble(wholeOf(a), b.toDouble());
    if (ka == K::Double && bWhole)
        return wholeEqualsDouble(wholeOf(b), a.toDouble());
    // One side is a decimal. A double beyond the decimal's range (its decimal is NaN, or 0 for a tiny
    // value) equals no decimal: such a pair would not share a hash.
    const K other = ka == K::Decimal ? kb : ka;
    const Value& otherValue = ka == K::Decimal ? b : a;
    const Decimal dec = ka == K::Decimal ? a.toDecimal() : b.toDecimal();
    if (other == K::Double) {
        const double d = otherValue.toDouble();
        const Decimal converted = Decimal::fromDouble(d);
        if (converted.isNaN() || converted.toDouble() != d)
            return false;
        return converted == dec;
    }
    return otherValue.toDecimal() == dec;
}

} // namespace

bool Value::isNumber() const {
    const Kind k = kind();
    return k == Kind::Integer || k == Kind::Unsigned || k == Kind::Double || k == Kind::Decimal;
}

std::int64_t Value::toInt64() const {
    switch (kind()) {
    case Kind::Integer:
        return std::get<std::int64_t>(v_);
    case Kind::Unsigned: {
        const std::uint64_t u = std::get<std::uint64_t>(v_);
        return u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                   ? std::numeric_limits<std::int64_t>::max()
                   : static_cast<std::int64_t>(u);
    }
    case Kind::Double: {
        const double d = std::get<double>(v_);
        if (std::isnan(d))
            return 0;
        if (d >= 9223372036854775808.0)
            return std::numeric_limits<std::int64_t>::max();
        if (d < -9223372036854775808.0)
            return std::numeric_limits<std::int64_t>::min();
        return static_cast<std::int64_t>(d);
    }
    case Kind::Bool:
        return std::get<bool>(v_) ? 1 : 0;
    case Kind::Decimal:
        return std::get<Decimal>(v_).toInt64();
    default:
        return 0;
    }
}

std::uint64_t Value::toUInt64() const {
    switch (kind()) {
    case Kind::Integer: {
        const std::int64_t i = std::get<std::int64_t>(v_);
        return i < 0 ? 0 : static_cast<std::uint64_t>(i);
    }
    case Kind::Unsigned:
        return std::get<std::uint64_t>(v_);
    case Kind::Double: {
        const double d = std::get<double>(v_);
        if (std::isnan(d) || d <= 0)
            return 0;
        if (d >= 18446744073709551616.0)
            return std::numeric_limits<std::uint64_t>::max();
        return static_cast<std::uint64_t>(d);
    }
    case Kind::Bool:
        return std::get<bool>(v_) ? 1 : 0;
    case Kind::Decimal:
        return std::get<Decimal>(v_).toUInt64();
    default:
        return 0;
    }
}

double Value::toDouble() const {
    switch (kind()) {
    case Kind::Integer:
        return static_cast<double>(std::get<std::int64_t>(v_));
    case Kind::Unsigned:
        return static_cast<double>(std::get<std::uint64_t>(v_));
    case Kind::Double:
        return std::get<double>(v_);
    case Kind::Bool:
        return std::get<bool>(v_) ? 1.0 : 0.0;
    case Kind::Decimal:
        return std::get<Decimal>(v_).toDouble();
    default:
        return 0.0;
    }
}

bool Value::toBool() const {
    switch (kind()) {
    case Kind::Bool:
        return std::get<bool>(v_);
    case Kind::Double:
        return std::get<double>(v_) != 0; // NaN reads as true, as any nonzero value
    case Kind::Decimal:
        return !std::get<Decimal>(v_).isZero();
    default:
        return toUInt64() != 0 || toInt64() != 0;
    }
}

Decimal Value::toDecimal() const {
    switch (kind()) {
    case Kind::Integer:
        return Decimal::fromInt64(std::get<std::int64_t>(v_));
    case Kind::Unsigned:
        return Decimal::fromUInt64(std::get<std::uint64_t>(v_));
    case Kind::Double:
        return Decimal::fromDouble(std::get<double>(v_));
    case Kind::Bool:
        return Decimal::fromInt64(std::get<bool>(v_) ? 1 : 0);
    case Kind::Decimal:
        return std::get<Decimal>(v_);
    default:
        return Decimal::notANumber();
    }
}

const std::string& Value::string() const {
    const auto* s = std::get_if<std::string>(&v_);
    return s ? *s : kEmptyString;
}

const Value::Array& Value::array() const {
    const auto* a = std::get_if<std::shared_ptr<const Array>>(&v_);
    return a ? **a : kEmptyArray;
}

const Value::Dictionary& Value::dictionary() const {
    const auto* d = std::get_if<std::shared_ptr<const Dictionary>>(&v_);
    return d ? **d : kEmptyDictionary;
}

const Value* Value::find(std::string_view key) const {
    const Dictionary& d = dictionary();
    const auto it = d.find(key);
    return it == d.end() ? nullptr : &it->second;
}

bool operator==(const Value& a, const Value& b) {
    if (a.isNumber() && b.isNumber())
        return numbersEqual(a, b);
    if (a.kind() != b.kind())
        return false;
    switch (a.kind()) {
    case Value::Kind::Null:
        return true;
    case Value::Kind::Bool:
        return a.toBool() == b.toBool();
    case Value::Kind::String:
        return a.string() == b.string();
    case Value::Kind::Array:
        return a.array() == b.array();
    case Value::Kind::Dictionary:
        return a.dictionary() == b.dictionary();
    default:
        return false;
    }
}

std::size_t Value::hash() const {
    if (isNumber())
        return hashDouble(toDouble());
    switch (kind()) {
    case Kind::Null:
        return 0x51ed27u;
    case Kind::Bool:
        return toBool() ? 0xb001u : 0xb000u;
    case Kind::String:
        return std::hash<std::string>{}(string());
    case Kind::Array: {
        std::size_t h = 0xa11a7u;
        for (const Value& v : array())
            h = mix(h, v.hash());
        return h;
    }
    case Kind::Dictionary: {
        std::size_t h = 0xd1c7u;
        for (const auto& [k, v] : dictionary())
            h = mix(mix(h, std::hash<std::string>{}(k)), v.hash());
        return h;
    }
    default:
        return 0;
    }
}

} // namespace foundation
