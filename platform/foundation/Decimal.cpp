// Decimal arithmetic: exact integer work on the mantissas, then one rounding to 38 digits.
// Common cases stay in 128-bit integers; wider intermediates use a fixed 384-bit integer on the stack,
// so no operation allocates.
#include "platform/foundation/Decimal.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace foundation {
namespace {

using u128 = unsigned __int128;
using u64 = std::uint64_t;

constexpr u128 makePow10(int n) {
    u128 v = 1;
    for (int i = 0; i < n; ++i)
        v *= 10;
    return v;
}

template <std::size_t... I> constexpr auto pow10Table(std::index_sequence<I...>) {
    return std::array<u128, sizeof...(I)>{makePow10(static_cast<int>(I))...};
}

// 10^0 ... 10^38; 10^38 itself is the first mantissa that no longer fits 38 digits.
constexpr auto kPow10 = pow10Table(std::make_index_sequence<39>{});
constexpr u128 kLimit = kPow10[38];
constexpr u64 kPow10_19 = 10000000000000000000ull;

constexpr u64 pow10u64(int n) {
    return static_cast<u64>(kPow10[n]);
}

int bitLength(u128 v) {
    const u64 hi = static_cast<u64>(v >> 64);
    if (hi != 0)
        return 128 - std::countl_zero(hi);
    return 64 - std::countl_zero(static_cast<u64>(v));
}

// Number of decimal digits of v > 0 (v may exceed 38 digits: a mantissa read from foreign bytes).
int digits128(u128 v) {
    const int b = bitLength(v);
    int d = ((b - 1) * 1233 >> 12) + 1; // never above the true count
    while (d < 39 && v >= kPow10[d])
        ++d;
    return d;
}

bool divisibleBy10(u128 v) {
    const u64 hi = static_cast<u64>(v >> 64);
    const u64 lo = static_cast<u64>(v);
    if (hi == 0)
        return lo % 10 == 0;
    // 2^64 = 6 (mod 10)
    return ((hi % 10) * 6 + lo % 10) % 10 == 0;
}

u128 div10(u128 v) {
    if ((v >> 64) == 0)
        return static_cast<u64>(v) / 10;
    return v / 10;
}

// An unsigned integer of six 64-bit limbs, least significant first: wide enough for a product of two
// mantissas, a mantissa shifted by 76 digits, and a dividend scaled for 39 quotient digits.
struct Wide {
    static constexpr int kLimbs = 6;
    u64 w[kLimbs] = {};

    static Wide from(u128 v) {
        Wide r;
        r.w[0] = static_cast<u64>(v);
        r.w[1] = static_cast<u64>(v >> 64);
        return r;
    }
    bool fits128() const {
        for (int i = 2; i < kLimbs; ++i)
            if (w[i] != 0)
                return false;
        return true;
    }
    u128 low128() const { return (static_cast<u128>(w[1]) << 64) | w[0]; }
    bool isZero() const {
        for (u64 x : w)
            if (x != 0)
                return false;
        return true;
    }
    int bitLength() const {
        for (int i = kLimbs - 1; i >= 0; --i)
            if (w[i] != 0)
                return 64 * i + 64 - std::countl_zero(w[i]);
        return 0;
    }
    bool bit(int i) const { return (w[i / 64] >> (i % 64)) & 1u; }
    void setBit(int i) { w[i / 64] |= u64{1} << (i % 64); }

    void mulSmall(u64 m) {
        u64 carry = 0;
        for (u64& x : w) {
            const u128 p = static_cast<u128>(x) * m + carry;
            x = static_cast<u64>(p);
            carry = static_cast<u64>(p >> 64);
        }
    }
    void mulPow10(int n) {
        for (; n >= 19; n -= 19)
            mulSmall(kPow10_19);
        if (n > 0)
            mulSmall(pow10u64(n));
    }
    // Divides in place and answers the remainder.
    u64 divSmall(u64 d) {
        u64 rem = 0;
        for (int i = kLimbs - 1; i >= 0; --i) {
            const u128 cur = (static_cast<u128>(rem) << 64) | w[i];
            w[i] = static_cast<u64>(cur / d);
            rem = static_cast<u64>(cur % d);
        }
        return rem;
    }
    void add(const Wide& o) {
        u64 carry = 0;
        for (int i = 0; i < kLimbs; ++i) {
            const u128 s = static_cast<u128>(w[i]) + o.w[i] + carry;
            w[i] = static_cast<u64>(s);
            carry = static_cast<u64>(s >> 64);
        }
    }
    // Requires *this >= o.
    void sub(const Wide& o) {
        u64 borrow = 0;
        for (int i = 0; i < kLimbs; ++i) {
            const u128 d = static_cast<u128>(w[i]) - o.w[i] - borrow;
            w[i] = static_cast<u64>(d);
            borrow = static_cast<u64>(d >> 64) & 1u;
        }
    }
    friend int compare(const Wide& a, const Wide& b) {
        for (int i = kLimbs - 1; i >= 0; --i)
            if (a.w[i] != b.w[i])
                return a.w[i] < b.w[i] ? -1 : 1;
        return 0;
    }
};

Wide mulWide(u128 a, u128 b) {
    const u64 a0 = static_cast<u64>(a), a1 = static_cast<u64>(a >> 64);
    const u64 b0 = static_cast<u64>(b), b1 = static_cast<u64>(b >> 64);
    Wide r;
    const u128 p00 = static_cast<u128>(a0) * b0;
    const u128 p01 = static_cast<u128>(a0) * b1;
    const u128 p10 = static_cast<u128>(a1) * b0;
    const u128 p11 = static_cast<u128>(a1) * b1;
    r.w[0] = static_cast<u64>(p00);
    u128 mid = (p00 >> 64) + static_cast<u64>(p01) + static_cast<u64>(p10);
    r.w[1] = static_cast<u64>(mid);
    u128 high = (mid >> 64) + (p01 >> 64) + (p10 >> 64) + static_cast<u64>(p11);
    r.w[2] = static_cast<u64>(high);
    r.w[3] = static_cast<u64>((high >> 64) + (p11 >> 64));
    return r;
}

// Quotient in place, remainder answered; the divisor may be any nonzero 128-bit value.
u128 divWide(Wide& n, u128 d) {
    if ((d >> 64) == 0)
        return n.divSmall(static_cast<u64>(d));
    Wide q;
    u128 r = 0;
    for (int i = n.bitLength() - 1; i >= 0; --i) {
        // r < d < 2^128, so the shifted value is below 2^129; wrapping arithmetic still gives r - d.
        const bool carry = (r >> 127) != 0;
        r = (r << 1) | static_cast<u128>(n.bit(i));
        if (carry || r >= d) {
            r -= d;
            q.setBit(i);
        }
    }
    n = q;
    return r;
}

int digitsWide(const Wide& v) {
    if (v.fits128())
        return digits128(v.low128());
    int d = ((v.bitLength() - 1) * 1233 >> 12) + 1;
    Wide p = Wide::from(1);
    p.mulPow10(d);
    while (d < 116 && compare(v, p) >= 0) { // 2^384 < 10^116
        ++d;
        p.mulSmall(10);
    }
    return d;
}

struct Parts {
    u128 m = 0;
    int e = 0;
    bool neg = false;
};

Parts unpack(const Decimal& d) {
    Parts p;
    p.m = d.mantissaValue();
    p.e = d.exponent();
    p.neg = d.isNegative() && p.m != 0;
    return p;
}

void pack(Decimal& out, u128 m, int e, bool neg, bool compact) {
    out.header = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out.mantissa, &m, sizeof out.mantissa);
    } else {
        for (int i = 0; i < 8; ++i)
            out.mantissa[i] = static_cast<std::uint16_t>(m >> (16 * i));
    }
    if (m == 0 && e == 0)
        return; // zero is all-zero bytes
    const int length = (bitLength(m) + 15) / 16;
    out.header = (static_cast<std::uint32_t>(static_cast<std::uint8_t>(e))) |
                 (static_cast<std::uint32_t>(length) << 8) |
                 (static_cast<std::uint32_t>(neg && m != 0) << 12) |
                 (static_cast<std::uint32_t>(compact && m != 0) << 13);
}

void setNaN(Decimal& out) {
    out = Decimal{};
    out.header = 0x1000u;
}

enum class Tail { Exact, Below, Half, Above };

bool roundsAway(u128 q, Tail tail, bool neg, RoundingMode mode) {
    if (tail == Tail::Exact)
        return false;
    switch (mode) {
    case RoundingMode::Plain:
        return tail == Tail::Half || tail == Tail::Above;
    case RoundingMode::Bankers:
        return tail == Tail::Above || (tail == Tail::Half && (static_cast<u64>(q) & 1u));
    case RoundingMode::Down:
        return neg;
    case RoundingMode::Up:
        return !neg;
    }
    return false;
}

CalculationError overflow(Decimal& out) {
    setNaN(out);
    return CalculationError::Overflow;
}

// Writes m x 10^e (m < 10^38 or exactly 10^38, e >= minExponent) in compact form; `inexact` tells
// that digits were rounded away on the way here.
CalculationError packChecked(Decimal& out, u128 m, int e, bool neg, bool inexact) {
    if (m == kLimit) {
        m = kPow10[37];
        ++e;
    }
    if (m == 0) {
        out = Decimal{};
        return inexact ? CalculationError::Underflow : CalculationError::None;
    }
    while (e < Decimal::maxExponent && divisibleBy10(m)) {
        m = div10(m);
        ++e;
    }
    // A value beyond the largest exponent still fits while its mantissa has room for the zeros.
    while (e > Decimal::maxExponent && m < kPow10[37]) {
        m *= 10;
        --e;
    }
    if (e > Decimal::maxExponent)
        return overflow(out);
    pack(out, m, e, neg, true);
    return inexact ? CalculationError::LossOfPrecision : CalculationError::None;
}

// Divides M by 10^drop and answers where the dropped digits (and a sticky remainder below them, when
// `sticky`) lie against half a unit of the last digit kept.
Tail dropDigits(Wide& M, int drop, bool sticky) {
    if (drop <= 0)
        return sticky ? Tail::Below : Tail::Exact;
    if (drop > 116) { // beyond every digit M can have
        const bool nonZero = sticky || !M.isZero();
        M = Wide{};
        return nonZero ? Tail::Below : Tail::Exact;
    }
    bool lowNonZero = sticky;
    int remaining = drop;
    for (; remaining > 19; remaining -= 19)
        lowNonZero |= M.divSmall(kPow10_19) != 0;
    const u64 r = M.divSmall(pow10u64(remaining));
    const u64 half = 5 * pow10u64(remaining - 1);
    if (r > half || (r == half && lowNonZero))
        return Tail::Above;
    if (r == half)
        return Tail::Half;
    return r != 0 || lowNonZero ? Tail::Below : Tail::Exact;
}

// Rounds the exact value (M, or a little more than M in magnitude when `sticky`) x 10^e to at most
// 38 digits, to an exponent no smaller than minExponent, and dropping at least `minDrop` digits.
CalculationError finishWide(Decimal& out, Wide M, bool sticky, int e, bool neg, RoundingMode mode,
                            int minDrop = 0) {
    if (M.isZero() && !sticky) {
        out = Decimal{};
        return CalculationError::None;
    }
    const int D = M.isZero() ? 0 : digitsWide(M);
    const int drop = std::max({D - Decimal::maxDigits, Decimal::minExponent - e, minDrop, 0});
    const Tail tail = dropDigits(M, drop, sticky);
    u128 q = M.low128();
    if (roundsAway(q, tail, neg, mode))
        ++q;
    return packChecked(out, q, e + drop, neg, tail != Tail::Exact);
}

// The exact result m x 10^e: the common case packs at once, the rest is rounded.
CalculationError finish(Decimal& out, u128 m, int e, bool neg, RoundingMode mode) {
    if (m < kLimit && e >= Decimal::minExponent)
        return packChecked(out, m, e, neg, false);
    return finishWide(out, Wide::from(m), false, e, neg, mode);
}

bool eitherNaN(Decimal& result, const Decimal& a, const Decimal& b) {
    if (!a.isNaN() && !b.isNaN())
        return false;
    setNaN(result);
    return true;
}

CalculationError addParts(Decimal& result, Parts a, Parts b, RoundingMode mode) {
    if (a.m == 0)
        return finish(result, b.m, b.e, b.neg, mode);
    if (b.m == 0)
        return finish(result, a.m, a.e, a.neg, mode);
    if (a.e < b.e)
        std::swap(a, b);
    const int d = a.e - b.e;
    if (d <= 38 && a.m < kPow10[38 - d] && b.m < kLimit) {
        const u128 A = a.m * kPow10[d];
        if (a.neg == b.neg)
            return finish(result, A + b.m, b.e, a.neg, mode);
        if (A >= b.m)
            return finish(result, A - b.m, b.e, a.neg, mode);
        return finish(result, b.m - A, b.e, b.neg, mode);
    }
    // Too far apart to line up exactly: b lies below the last digit that can matter, so it only
    // decides the direction of rounding (a sticky unit below a shifted by 39 digits).
    const bool far = d > 76;
    const int shift = far ? 39 : d;
    Wide A = Wide::from(a.m);
    A.mulPow10(shift);
    const int e = a.e - shift;
    if (far) {
        if (a.neg != b.neg)
            A.sub(Wide::from(1));
        return finishWide(result, A, true, e, a.neg, mode);
    }
    const Wide B = Wide::from(b.m);
    if (a.neg == b.neg) {
        A.add(B);
        return finishWide(result, A, false, e, a.neg, mode);
    }
    if (compare(A, B) >= 0) {
        A.sub(B);
        return finishWide(result, A, false, e, a.neg, mode);
    }
    Wide R = B;
    R.sub(A);
    return finishWide(result, R, false, e, b.neg, mode);
}

// Magnitude order of two nonzero parts.
int compareMagnitude(const Parts& a, const Parts& b) {
    const int da = digits128(a.m) + a.e;
    const int db = digits128(b.m) + b.e;
    if (da != db)
        return da < db ? -1 : 1;
    if (a.e == b.e)
        return a.m == b.m ? 0 : (a.m < b.m ? -1 : 1);
    // Same leading position: bring the larger exponent down to the smaller one.
    Wide A = Wide::from(a.m), B = Wide::from(b.m);
    if (a.e > b.e)
        A.mulPow10(a.e - b.e);
    else
        B.mulPow10(b.e - a.e);
    return compare(A, B);
}

// Reads digits of text into a rounded mantissa and exponent; false when the text is not a number.
bool parseNumber(std::string_view text, Decimal& out) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    bool neg = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        neg = text[i] == '-';
        ++i;
    }
    u128 m = 0;
    int kept = 0; // significant digits in m
    long exp = 0; // decimal exponent adjustment from the digits themselves
    int firstDropped = -1;
    bool anyDigit = false;
    bool seenPoint = false;
    for (; i < n; ++i) {
        const char c = text[i];
        if (c == '.') {
            if (seenPoint)
                return false;
            seenPoint = true;
            continue;
        }
        if (c < '0' || c > '9')
            break;
        anyDigit = true;
        const int digit = c - '0';
        if (kept == 0 && digit == 0) {
            if (seenPoint)
                --exp;
            continue;
        }
        if (kept < Decimal::maxDigits) {
            m = m * 10 + static_cast<unsigned>(digit);
            ++kept;
            if (seenPoint)
                --exp;
        } else {
            if (firstDropped < 0)
                firstDropped = digit;
            if (!seenPoint)
                ++exp;
        }
    }
    if (!anyDigit)
        return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool expNeg = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            expNeg = text[i] == '-';
            ++i;
        }
        if (i == n)
            return false;
        long value = 0;
        for (; i < n; ++i) {
            const char c = text[i];
            if (c < '0' || c > '9')
                return false;
            value = std::min(value * 10 + (c - '0'), 1'000'000L); // far beyond any representable value
        }
        exp += expNeg ? -value : value;
    }
    if (i != n)
        return false;
    if (m == 0) {
        out = Decimal{};
        return true;
    }
    // Plain rounding of the digits beyond 38.
    if (firstDropped >= 5)
        ++m;
    const long clamped = std::clamp(exp, -100'000L, 100'000L);
    finish(out, m, static_cast<int>(clamped), neg, RoundingMode::Plain);
    return true;
}

} // namespace

unsigned __int128 Decimal::mantissaValue() const {
    const int len = length();
    if (len == 0)
        return 0;
    u128 m = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&m, mantissa, sizeof m);
    } else {
        for (int i = 7; i >= 0; --i)
            m = (m << 16) | mantissa[i];
    }
    if (len < 8)
        m &= (static_cast<u128>(1) << (16 * len)) - 1;
    return m;
}

Decimal Decimal::notANumber() {
    Decimal d;
    setNaN(d);
    return d;
}

Decimal Decimal::fromUInt64(std::uint64_t value) {
    Decimal d;
    packChecked(d, value, 0, false, false);
    return d;
}

Decimal Decimal::fromInt64(std::int64_t value) {
    Decimal d;
    const u64 magnitude = value < 0 ? u64{0} - static_cast<u64>(value) : static_cast<u64>(value);
    packChecked(d, magnitude, 0, value < 0, false);
    return d;
}

Decimal Decimal::fromDouble(double value) {
    if (!std::isfinite(value))
        return notANumber();
    if (value == 0)
        return Decimal{};
    // Shortest digits that read back as the same double, e.g. "1e-07", "3.0000000000000004e-01".
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    Decimal d;
    if (!parseNumber(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)), d))
        return notANumber();
    return d;
}

Decimal Decimal::fromString(std::string_view text) {
    Decimal d;
    if (!parseNumber(text, d))
        return notANumber();
    return d;
}

Decimal Decimal::fromParts(unsigned __int128 mantissa, int exponent, bool negative) {
    Decimal d;
    finish(d, mantissa, std::clamp(exponent, -100'000, 100'000), negative, RoundingMode::Plain);
    return d;
}

double Decimal::toDouble() const {
    if (isNaN())
        return std::numeric_limits<double>::quiet_NaN();
    const Parts p = unpack(*this);
    if (p.m == 0)
        return 0.0;
    // Both factors exact in a double, so one correctly rounded operation.
    static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (p.m < (u128{1} << 53) && p.e >= -22 && p.e <= 22) {
        const double m = static_cast<double>(static_cast<u64>(p.m));
        const double v = p.e >= 0 ? m * kExact[p.e] : m / kExact[-p.e];
        return p.neg ? -v : v;
    }
    char buf[64];
    char* end = buf;
    if (p.neg)
        *end++ = '-';
    // Digits of the mantissa, most significant first.
    char digits[40];
    int nd = 0;
    for (u128 m = p.m; m != 0; m = div10(m))
        digits[nd++] = static_cast<char>('0' + static_cast<int>(m % 10));
    while (nd > 0)
        *end++ = digits[--nd];
    *end++ = 'e';
    end = std::to_chars(end, buf + sizeof buf, p.e).ptr;
    double v = 0;
    std::from_chars(buf, end, v);
    return v;
}

std::int64_t Decimal::toInt64() const {
    if (isNaN())
        return 0;
    const Parts p = unpack(*this);
    u128 mag = 0;
    if (p.e >= 0) {
        if (p.m != 0 && digits128(p.m) + p.e > 20)
            mag = ~u128{0};
        else
            mag = p.m * kPow10[p.e];
    } else if (p.e >= -38) {
        mag = p.m / kPow10[-p.e];
    }
    constexpr u128 kMax = static_cast<u128>(std::numeric_limits<std::int64_t>::max());
    if (p.neg)
        return mag > kMax ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(mag);
    return mag > kMax ? std::numeric_limits<std::int64_t>::max() : static_cast<std::int64_t>(mag);
}

std::uint64_t Decimal::toUInt64() const {
    if (isNaN())
        return 0;
    const Parts p = unpack(*this);
    if (p.neg)
        return 0;
    u128 mag = 0;
    if (p.e >= 0) {
        if (p.m != 0 && digits128(p.m) + p.e > 20)
            return std::numeric_limits<std::uint64_t>::max();
        mag = p.m * kPow10[p.e];
    } else if (p.e >= -38) {
        mag = p.m / kPow10[-p.e];
    }
    return mag > std::numeric_limits<std::uint64_t>::max() ? std::numeric_limits<std::uint64_t>::max()
                                                           : static_cast<std::uint64_t>(mag);
}

std::string Decimal::toString() const {
    if (isNaN())
        return "NaN";
    const Parts p = unpack(*this);
    if (p.m == 0)
        return "0";
    char digits[40];
    int nd = 0;
    for (u128 m = p.m; m != 0; m = div10(m))
        digits[nd++] = static_cast<char>('0' + static_cast<int>(m % 10));
    std::string s;
    s.reserve(static_cast<std::size_t>(nd + std::abs(p.e) + 3));
    if (p.neg)
        s += '-';
    const int pointAt = nd + p.e; // digits before the decimal point
    if (pointAt <= 0) {
        s += "0.";
        s.append(static_cast<std::size_t>(-pointAt), '0');
        while (nd > 0)
            s += digits[--nd];
        return s;
    }
    for (int k = 0; nd > 0; ++k) {
        if (k == pointAt)
            s += '.';
        s += digits[--nd];
    }
    if (p.e > 0)
        s.append(static_cast<std::size_t>(p.e), '0');
    return s;
}

std::size_t Decimal::hash() const {
    if (isNaN())
        return 0x9e3779b97f4a7c15ull;
    Parts p = unpack(*this);
    if (p.m == 0)
        return 0;
    while (divisibleBy10(p.m)) {
        p.m = div10(p.m);
        ++p.e;
    }
    u64 h = static_cast<u64>(p.m) * 0x9e3779b97f4a7c15ull;
    h ^= static_cast<u64>(p.m >> 64) + 0x7f4a7c159e3779b9ull + (h << 6) + (h >> 2);
    h ^= static_cast<u64>(static_cast<std::int64_t>(p.e)) * 0xff51afd7ed558ccdull + (p.neg ? 1 : 0);
    return static_cast<std::size_t>(h ^ (h >> 29));
}

ComparisonResult decimalCompare(const Decimal& a, const Decimal& b) {
    const bool an = a.isNaN(), bn = b.isNaN();
    if (an || bn) {
        if (an && bn)
            return ComparisonResult::Same;
        return an ? ComparisonResult::Ascending : ComparisonResult::Descending;
    }
    const Parts pa = unpack(a), pb = unpack(b);
    const int sa = pa.m == 0 ? 0 : (pa.neg ? -1 : 1);
    const int sb = pb.m == 0 ? 0 : (pb.neg ? -1 : 1);
    if (sa != sb)
        return sa < sb ? ComparisonResult::Ascending : ComparisonResult::Descending;
    if (sa == 0)
        return ComparisonResult::Same;
    int c = compareMagnitude(pa, pb);
    if (sa < 0)
        c = -c;
    return c == 0 ? ComparisonResult::Same
                  : (c < 0 ? ComparisonResult::Ascending : ComparisonResult::Descending);
}

bool operator==(const Decimal& a, const Decimal& b) {
    return decimalCompare(a, b) == ComparisonResult::Same;
}

std::weak_ordering operator<=>(const Decimal& a, const Decimal& b) {
    switch (decimalCompare(a, b)) {
    case ComparisonResult::Ascending:
        return std::weak_ordering::less;
    case ComparisonResult::Same:
        return std::weak_ordering::equivalent;
    case ComparisonResult::Descending:
        break;
    }
    return std::weak_ordering::greater;
}

CalculationError decimalAdd(Decimal& result, const Decimal& a, const Decimal& b, RoundingMode mode) {
    if (eitherNaN(result, a, b))
        return CalculationError::None;
    return addParts(result, unpack(a), unpack(b), mode);
}

CalculationError decimalSubtract(Decimal& result, const Decimal& a, const Decimal& b, RoundingMode mode) {
    if (eitherNaN(result, a, b))
        return CalculationError::None;
    Parts pb = unpack(b);
    pb.neg = !pb.neg && pb.m != 0;
    return addParts(result, unpack(a), pb, mode);
}

CalculationError decimalMultiply(Decimal& result, const Decimal& a, const Decimal& b, RoundingMode mode) {
    if (eitherNaN(result, a, b))
        return CalculationError::None;
    const Parts pa = unpack(a), pb = unpack(b);
    if (pa.m == 0 || pb.m == 0) {
        result = Decimal{};
        return CalculationError::None;
    }
    const int e = pa.e + pb.e;
    const bool neg = pa.neg != pb.neg;
    if ((pa.m >> 64) == 0 && (pb.m >> 64) == 0)
        return finish(result, static_cast<u128>(static_cast<u64>(pa.m)) * static_cast<u64>(pb.m), e, neg,
                      mode);
    return finishWide(result, mulWide(pa.m, pb.m), false, e, neg, mode);
}

CalculationError decimalDivide(Decimal& result, const Decimal& a, const Decimal& b, RoundingMode mode) {
    if (eitherNaN(result, a, b))
        return CalculationError::None;
    const Parts pa = unpack(a), pb = unpack(b);
    if (pb.m == 0) {
        setNaN(result);
        return CalculationError::DivideByZero;
    }
    if (pa.m == 0) {
        result = Decimal{};
        return CalculationError::None;
    }
    // Scale the dividend so the quotient has at least 39 digits; the remainder then only tells
    // whether anything lies below them.
    const int shift = std::max(0, digits128(pb.m) + 39 - digits128(pa.m));
    Wide n = Wide::from(pa.m);
    n.mulPow10(shift);
    const u128 rem = divWide(n, pb.m);
    return finishWide(result, n, rem != 0, pa.e - pb.e - shift, pa.neg != pb.neg, mode);
}

CalculationError decimalMultiplyByPowerOf10(Decimal& result, const Decimal& a, int power, RoundingMode mode) {
    if (a.isNaN()) {
        setNaN(result);
        return CalculationError::None;
    }
    const Parts p = unpack(a);
    return finish(result, p.m, p.e + std::clamp(power, -100'000, 100'000), p.neg, mode);
}

CalculationError decimalRound(Decimal& result, const Decimal& number, int scale, RoundingMode mode) {
    if (number.isNaN()) {
        setNaN(result);
        return CalculationError::None;
    }
    const Parts p = unpack(number);
    if (scale == decimalNoScale)
        return finish(result, p.m, p.e, p.neg, mode);
    const int target = -std::clamp(scale, -100'000, 100'000);
    const int minDrop = std::max(0, target - p.e);
    const CalculationError err = finishWide(result, Wide::from(p.m), false, p.e, p.neg, mode, minDrop);
    // Dropping digits (down to 0) is what rounding at a scale is for; only overflow is worth reporting.
    return err == CalculationError::Overflow ? err : CalculationError::None;
}

CalculationError decimalNormalize(Decimal& a, Decimal& b, RoundingMode mode) {
    if (a.isNaN() || b.isNaN())
        return CalculationError::None;
    Parts pa = unpack(a), pb = unpack(b);
    Parts& hi = pa.e >= pb.e ? pa : pb;
    Parts& lo = pa.e >= pb.e ? pb : pa;
    if (hi.e == lo.e)
        return CalculationError::None;
    // Lower the larger exponent as far as its mantissa has room...
    if (hi.m == 0) {
        hi.e = lo.e;
    } else {
        const int s = std::min(hi.e - lo.e, std::max(0, Decimal::maxDigits - digits128(hi.m)));
        hi.m *= kPow10[s];
        hi.e -= s;
    }
    // ...and round the other one to it where that was not enough.
    CalculationError err = CalculationError::None;
    if (hi.e > lo.e) {
        Wide w = Wide::from(lo.m);
        const Tail tail = dropDigits(w, hi.e - lo.e, false);
        lo.m = w.low128();
        if (roundsAway(lo.m, tail, lo.neg, mode))
            ++lo.m;
        lo.e = hi.e;
        if (tail != Tail::Exact)
            err = CalculationError::LossOfPrecision;
    }
    pack(a, pa.m, pa.e, pa.neg, false);
    pack(b, pb.m, pb.e, pb.neg, false);
    return err;
}

void decimalCompact(Decimal& number) {
    if (number.isNaN())
        return;
    const Parts p = unpack(number);
    finish(number, p.m, p.e, p.neg, RoundingMode::Plain);
}

std::string decimalString(const Decimal& number) {
    return number.toString();
}

Decimal operator+(const Decimal& a, const Decimal& b) {
    Decimal r;
    decimalAdd(r, a, b, RoundingMode::Plain);
    return r;
}

Decimal operator-(const Decimal& a, const Decimal& b) {
    Decimal r;
    decimalSubtract(r, a, b, RoundingMode::Plain);
    return r;
}

Decimal operator*(const Decimal& a, const Decimal& b) {
    Decimal r;
    decimalMultiply(r, a, b, RoundingMode::Plain);
    return r;
}

Decimal operator/(const Decimal& a, const Decimal& b) {
    Decimal r;
    decimalDivide(r, a, b, RoundingMode::Plain);
    return r;
}

Decimal operator-(const Decimal& a) {
    if (a.isNaN() || a.mantissaValue() == 0)
        return a.isNaN() ? a : Decimal{};
    Decimal r = a;
    r.header ^= 1u << 12;
    return r;
}

} // namespace foundation
