#include "platform/foundation/VectorState.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#define OVRIDA_X86_VECTOR_STATE 1
#endif

namespace foundation {

#ifdef OVRIDA_X86_VECTOR_STATE

namespace {

// AVX usable: the processor has it and the system saves its registers (OSXSAVE, XCR0 bits 1 and 2).
bool hasAVX() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return false;
    if (!(c & bit_OSXSAVE) || !(c & bit_AVX))
        return false;
    unsigned lo = 0, hi = 0;
    asm volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    return (lo & 6) == 6;
}

// XGETBV with ECX = 1 (the registers' in-use bits) is available.
bool hasInUseBits() {
    if (!hasAVX())
        return false;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid_count(0xd, 1, &a, &b, &c, &d))
        return false;
    return (a & 4) != 0;
}

} // namespace

void clearUpperVectorState() {
    static const bool avx = hasAVX();
    if (avx)
        asm volatile("vzeroupper" ::: "memory");
}

bool canReadUpperVectorState() {
    static const bool inUseBits = hasInUseBits();
    return inUseBits;
}

bool upperVectorStateInUse() {
    if (!canReadUpperVectorState())
        return false;
    unsigned lo = 0, hi = 0;
    asm volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1));
    // Bit 2: the upper halves of the sixteen 256-bit registers.
    return (lo & 4) != 0;
}

#else

void clearUpperVectorState() {}
bool canReadUpperVectorState() {
    return false;
}
bool upperVectorStateInUse() {
    return false;
}

#endif

} // namespace foundation
