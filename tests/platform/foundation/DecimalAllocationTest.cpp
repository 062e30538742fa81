// Decimal arithmetic, comparison and the numeric conversions must not touch the heap: plots run them
// for every data point while drawing. A replaced global operator new counts allocations.
#include "platform/foundation/Decimal.h"

// The sanitizers bring their own allocator; counting is meaningful only in the normal build.
#ifndef OVRIDA_SANITIZED

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return ::operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

using foundation::Decimal;
using foundation::RoundingMode;

TEST(DecimalAllocation, ArithmeticAllocatesNothing) {
    // Operands that take the fast paths and the wide ones (38 digits, far-apart exponents, big divisors).
    const Decimal operands[] = {
        Decimal::fromString("0.1"),
        Decimal::fromString("-123.456"),
        Decimal::fromString("99999999999999999999999999999999999999e127"),
        Decimal::fromString("12345678901234567890123456789012345678e-100"),
        Decimal::fromString("1e-128"),
        Decimal::fromString("12345678901234567890123456789"),
        Decimal::notANumber(),
        Decimal{},
    };
    const long before = allocations.load();
    Decimal r;
    double sink = 0;
    for (const Decimal& a : operands)
        for (const Decimal& b : operands)
            for (int mode = 0; mode < 4; ++mode) {
                const auto m = static_cast<RoundingMode>(mode);
                foundation::decimalAdd(r, a, b, m);
                foundation::decimalSubtract(r, a, b, m);
                foundation::decimalMultiply(r, a, b, m);
                foundation::decimalDivide(r, a, b, m);
                foundation::decimalRound(r, a, 2, m);
                foundation::decimalMultiplyByPowerOf10(r, a, -3, m);
                Decimal x = a, y = b;
                foundation::decimalNormalize(x, y, m);
                sink += static_cast<int>(foundation::decimalCompare(a, b));
                sink += a.toDouble() + static_cast<double>(a.toInt64()) + static_cast<double>(a.hash() & 1u);
                sink += Decimal::fromDouble(sink * 1e-3).toDouble();
                sink += Decimal::fromInt64(mode).toDouble();
            }
    EXPECT_EQ(allocations.load(), before);
    volatile double keep = sink; // the loop's results must not be optimised away
    (void)keep;
}

#endif // OVRIDA_SANITIZED
