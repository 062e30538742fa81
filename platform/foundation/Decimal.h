// Exact decimal numbers of up to 38 significant digits, as used for plot coordinates and exact statistics.
// The 20-byte layout is stored byte for byte in numeric data, so it must stay exactly as declared here.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

namespace foundation {

// How a result with more digits than a decimal holds (or than a scale asks for) is rounded.
enum class RoundingMode : int {
    Plain = 0,   // to nearest, halves away from zero
    Down = 1,    // towards negative infinity
    Up = 2,      // towards positive infinity
    Bankers = 3, // to nearest, halves to the even neighbour
};

// The outcome of one decimal operation. The result is always written:
// LossOfPrecision: the rounded value; Underflow: 0; Overflow and DivideByZero: NaN.
enum class CalculationError : int {
    None = 0,
    LossOfPrecision = 1,
    Underflow = 2,
    Overflow = 3,
    DivideByZero = 4,
};

enum class ComparisonResult : int { Ascending = -1, Same = 0, Descending = 1 };

// (-1)^negative x mantissa x 10^exponent.
// Header bits, least significant first: exponent (signed, 0-7), length (8-11: mantissa words in use),
// negative (12), compact (13: no trailing decimal zeros left to strip), 18 reserved bits (always 0).
// Mantissa: eight 16-bit words, least significant first. NaN is length 0 with the negative flag set,
// which is why zero is never negative.
struct Decimal {
    static constexpr int maxDigits = 38;
    static constexpr int minExponent = -128;
    static constexpr int maxExponent = 127;

    std::uint32_t header = 0;
    std::uint16_t mantissa[8] = {};

    // The value 0.
    constexpr Decimal() = default;

    static Decimal notANumber();
    static Decimal fromInt64(std::int64_t value);
    static Decimal fromUInt64(std::uint64_t value);
    // Through the shortest digits that read back as the same double; NaN and infinities give NaN,
    // magnitudes beyond the decimal's exponent range give NaN (too large) or 0 (too small).
    static Decimal fromDouble(double value);
    // The whole text in the C locale: optional sign, digits with an optional "." fraction, optional
    // exponent ("e" or "E", optional sign, digits); nothing else, no blanks. Anything else gives NaN.
    // More than 38 significant digits are rounded to nearest, halves away from zero.
    static Decimal fromString(std::string_view text);
    // mantissa x 10^exponent, negated when asked; rounded (plain) and range-checked like a result.
    static Decimal fromParts(unsigned __int128 mantissa, int exponent, bool negative);

    int exponent() const { return static_cast<std::int8_t>(header & 0xFFu); }
    int length() const { return static_cast<int>((header >> 8) & 0xFu); }
    bool isNegative() const { return (header >> 12) & 1u; }
    bool isCompact() const { return (header >> 13) & 1u; }
    bool isNaN() const { return (header & 0x1F00u) == 0x1000u; }
    bool isZero() const { return length() == 0 && !isNegative(); }
    unsigned __int128 mantissaValue() const;

    // Correctly rounded (to nearest, ties to even); NaN for NaN.
    double toDouble() const;
    // Truncated towards zero; NaN gives 0 and values out of range saturate.
    std::int64_t toInt64() const;
    std::uint64_t toUInt64() const;
    // Plain notation in the C locale: "0.000001", "-0.5", "100", "NaN".
    std::string toString() const;
    // Equal values hash alike whatever their representation (2 and 2.00).
    std::size_t hash() const;

    // Value comparison: NaN equals NaN and orders below every number.
    friend bool operator==(const Decimal& a, const Decimal& b);
    friend std::weak_ordering operator<=>(const Decimal& a, const Decimal& b);
};

static_assert(sizeof(Decimal) == 20);
static_assert(std::is_trivially_copyable_v<Decimal>);
static_assert(std::is_standard_layout_v<Decimal>);

// The operations of the platform's decimal arithmetic. Each writes result (which may alias an operand)
// and answers what happened. A NaN operand gives NaN and CalculationError::None.
CalculationError decimalAdd(Decimal& result, const Decimal& a, const Decimal& b, RoundingMode mode);
CalculationError decimalSubtract(Decimal& result, const Decimal& a, const Decimal& b, RoundingMode mode);
CalculationError decimalMultiply(Decimal& result, const Decimal& a, const Decimal& b, RoundingMode mode);
CalculationError decimalDivide(Decimal& result, const Decimal& a, const Decimal& b, RoundingMode mode);
// a x 10^power.
CalculationError decimalMultiplyByPowerOf10(Decimal& result, const Decimal& a, int power, RoundingMode mode);
// Rounds to `scale` digits after the decimal point (a negative scale rounds to tens, hundreds, ...).
// decimalNoScale leaves the value as it is.
inline constexpr int decimalNoScale = 0x7FFF;
CalculationError decimalRound(Decimal& result, const Decimal& number, int scale, RoundingMode mode);
// Gives a and b the same exponent without changing their values where the digits allow; where they do
// not, the one with the smaller exponent is rounded (LossOfPrecision).
CalculationError decimalNormalize(Decimal& a, Decimal& b, RoundingMode mode);
// Strips trailing decimal zeros from the mantissa and sets the compact flag.
void decimalCompact(Decimal& number);
ComparisonResult decimalCompare(const Decimal& a, const Decimal& b);
std::string decimalString(const Decimal& number);

// Conveniences over the operations above: plain rounding, errors dropped (the result says it all:
// NaN for overflow and division by zero).
Decimal operator+(const Decimal& a, const Decimal& b);
Decimal operator-(const Decimal& a, const Decimal& b);
Decimal operator*(const Decimal& a, const Decimal& b);
Decimal operator/(const Decimal& a, const Decimal& b);
Decimal operator-(const Decimal& a);

} // namespace foundation

template <> struct std::hash<foundation::Decimal> {
    std::size_t operator()(const foundation::Decimal& d) const noexcept { return d.hash(); }
};
