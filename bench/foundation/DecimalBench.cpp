// Decimal add and multiply against double add and multiply over the same 10^6 values, for operands made
// from doubles by their shortest digits (target: at most 30x) and for full 38-digit operands.
// Prints the median time of each over repeated runs and the ratios.
#include "bench/BenchTiming.h"
#include "platform/foundation/Decimal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

using foundation::Decimal;
using foundation::RoundingMode;

namespace {

using benchtiming::medianSeconds;
using benchtiming::seconds;

constexpr std::size_t kValues = 1000000;
constexpr int kRuns = 15;

template <class T, class Op>
void apply(const std::vector<T>& a, const std::vector<T>& b, std::vector<T>& out, Op op) {
    for (std::size_t i = 0; i < a.size(); ++i)
        out[i] = op(a[i], b[i]);
}

void report(const char* label, const std::vector<Decimal>& a, const std::vector<Decimal>& b,
            const std::vector<double>& x, const std::vector<double>& y) {
    std::vector<Decimal> dout(kValues);
    std::vector<double> out(kValues);
    auto dadd = [](const Decimal& p, const Decimal& q) {
        Decimal r;
        foundation::decimalAdd(r, p, q, RoundingMode::Bankers);
        return r;
    };
    auto dmul = [](const Decimal& p, const Decimal& q) {
        Decimal r;
        foundation::decimalMultiply(r, p, q, RoundingMode::Bankers);
        return r;
    };
    const auto t = medianSeconds(kRuns, {
        [&] { apply(x, y, out, [](double p, double q) { return p + q; }); },
        [&] { apply(a, b, dout, dadd); },
        [&] { apply(x, y, out, [](double p, double q) { return p * q; }); },
        [&] { apply(a, b, dout, dmul); },
    });
    std::printf("%s\n", label);
    std::printf("  double add    %8.3f ms   decimal add    %8.3f ms   ratio %6.1fx\n", t[0] * 1e3, t[1] * 1e3,
                t[1] / t[0]);
    std::printf("  double mul    %8.3f ms   decimal mul    %8.3f ms   ratio %6.1fx\n", t[2] * 1e3, t[3] * 1e3,
                t[3] / t[2]);
}

} // namespace

int main() {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> uniform(-1000, 1000);
    std::vector<double> x(kValues), y(kValues);
    std::vector<Decimal> a(kValues), b(kValues);
    for (std::size_t i = 0; i < kValues; ++i) {
        x[i] = uniform(rng);
        y[i] = uniform(rng);
        a[i] = Decimal::fromDouble(x[i]);
        b[i] = Decimal::fromDouble(y[i]);
    }
    report("operands from doubles by shortest digits (target: at most 30x)", a, b, x, y);

    std::uniform_int_distribution<int> digit(0, 9);
    auto longOperand = [&] {
        std::string s = std::to_string(1 + digit(rng) % 9);
        for (int k = 1; k < 38; ++k)
            s += static_cast<char>('0' + digit(rng));
        s.insert(s.begin() + 1 + digit(rng), '.');
        return Decimal::fromString(s);
    };
    for (std::size_t i = 0; i < kValues; ++i) {
        a[i] = longOperand();
        b[i] = longOperand();
        x[i] = a[i].toDouble();
        y[i] = b[i].toDouble();
    }
    report("38-digit operands (for the record)", a, b, x, y);
    return 0;
}
