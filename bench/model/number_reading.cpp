// 1,000,000 texts of a numeric column (integers, decimals of a few places, negatives, zeros, doubles
// written with 17 digits, exponents) through the workspace's number reader, in a "." and a ","
// workspace, against the same reader forced through the locale's readers (the road every text took
// before plain texts were read directly) and bare std::from_chars on the same texts (in "." form).
// Targets: at least 10x the locale readers' texts per second, at most 2x std::from_chars's time.
// Also the texts of a column of words, which the reader turns away for want of a digit.
#include "bench/BenchTiming.h"
#include "model/ModelText.h"
#include "platform/foundation/Locale.h"

#include <charconv>
#include <cstdio>
#include <fast_float/fast_float.h>
#include <random>
#include <string>
#include <vector>

namespace {

using benchtiming::medianSeconds;

constexpr std::size_t kTexts = 1000000;
constexpr int kRuns = 7;

std::vector<std::string> numericColumn() {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> unit(0, 1);
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<uint64_t>(n)); };
    auto shortest = [](double v) {
        char buffer[64];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
        return std::string(buffer, end);
    };
    auto fixed = [](double v, int places) {
        char buffer[64];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, places).ptr;
        return std::string(buffer, end);
    };
    std::vector<std::string> texts;
    texts.reserve(kTexts);
    for (std::size_t i = 0; i < kTexts; ++i) {
        switch (pick(20)) {
        case 0: case 1: case 2: case 3:
            texts.push_back(std::to_string(pick(100000)));
            break;
        case 4: case 5: case 6: case 7: case 8: case 9:
            texts.push_back(fixed(unit(rng) * 1000, 1 + pick(3)));
            break;
        case 10: case 11: case 12: case 13:
            texts.push_back(fixed(-unit(rng) * 100, 2));
            break;
        case 14: case 15: case 16:
            texts.push_back(shortest(unit(rng) * 100 - 50));
            break;
        case 17:
            texts.push_back(shortest(unit(rng) * 1e-7));
            break;
        default:
            texts.push_back(pick(2) ? "0" : "0.0");
            break;
        }
    }
    return texts;
}

std::vector<std::string> withSeparator(std::vector<std::string> texts, char separator) {
    for (std::string& t : texts)
        for (char& c : t)
            if (c == '.')
                c = separator;
    return texts;
}

std::vector<std::string> wordColumn() {
    const char* words[] = {"apple", "Category B", "male", "female", "n/a", "yes", "no", "the sun",
                           "Paris", "blue", "control", "not recorded", "high", "low-dose", "Zürich"};
    std::mt19937_64 rng(13);
    std::vector<std::string> texts;
    texts.reserve(kTexts);
    for (std::size_t i = 0; i < kTexts; ++i)
        texts.push_back(words[rng() % std::size(words)]);
    return texts;
}

template <class Read>
std::size_t readAll(const std::vector<std::string>& texts, Read read, double& sum) {
    std::size_t numbers = 0;
    double s = 0;
    for (const std::string& t : texts)
        if (auto v = read(t)) {
            ++numbers;
            s += *v;
        }
    sum = s;
    return numbers;
}

std::optional<double> bareFromChars(const std::string& t) {
    double v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size())
        return std::nullopt;
    return v;
}

std::optional<double> bareFastFloat(const std::string& t) {
    double v = 0;
    const auto [end, ec] = fast_float::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size())
        return std::nullopt;
    return v;
}

} // namespace

int main() {
    foundation::setCurrentLocale("en_US");
    const std::vector<std::string> dots = numericColumn();
    const std::vector<std::string> commas = withSeparator(dots, ',');
    const std::vector<std::string> words = wordColumn();
    ModelText dot([] { return std::optional<std::string>("."); });
    ModelText comma([] { return std::optional<std::string>(","); }); // through fr_FR
    std::size_t counts[7] = {};
    double sums[7] = {};
    const auto t = medianSeconds(kRuns, {
        [&] { counts[0] = readAll(dots, [&](const std::string& s) { return dot.decimalNumberByReaders(s); }, sums[0]); },
        [&] { counts[1] = readAll(dots, [&](const std::string& s) { return dot.decimalNumberForString(s); }, sums[1]); },
        [&] { counts[2] = readAll(dots, bareFromChars, sums[2]); },
        [&] { counts[3] = readAll(dots, bareFastFloat, sums[3]); },
        [&] { counts[4] = readAll(commas, [&](const std::string& s) { return comma.decimalNumberByReaders(s); }, sums[4]); },
        [&] { counts[5] = readAll(commas, [&](const std::string& s) { return comma.decimalNumberForString(s); }, sums[5]); },
        [&] { counts[6] = readAll(words, [&](const std::string& s) { return dot.decimalNumberByReaders(s); }, sums[6]); },
    });
    double wordSum = 0;
    const double wordSeconds = medianSeconds(kRuns, {[&] {
        readAll(words, [&](const std::string& s) { return dot.decimalNumberForString(s); }, wordSum);
    }})[0];
    bool agree = true;
    for (int v : {1, 2, 3, 4, 5})
        agree = agree && counts[v] == counts[0] && sums[v] == sums[0];
    const double n = static_cast<double>(kTexts);
    std::printf("numeric column of %zu texts (%zu numbers, sums %s), median of %d runs:\n", kTexts, counts[0],
                agree ? "identical" : "DIFFER", kRuns);
    std::printf("  locale readers (\".\")    %12.0f texts/s\n", n / t[0]);
    std::printf("  decimalNumberForString  %12.0f texts/s   %6.1fx the locale readers (target >= 10)\n",
                n / t[1], t[0] / t[1]);
    std::printf("  bare std::from_chars    %12.0f texts/s   reader time / from_chars time %.2f (target <= 2)\n",
                n / t[2], t[1] / t[2]);
    std::printf("  bare fast_float         %12.0f texts/s\n", n / t[3]);
    std::printf("  locale readers (\",\")    %12.0f texts/s\n", n / t[4]);
    std::printf("  decimalNumberForString  %12.0f texts/s   %6.1fx the locale readers (target >= 10)\n",
                n / t[5], t[4] / t[5]);
    std::printf("  reader time / from_chars time (\",\") %.2f (target <= 2)\n", t[5] / t[2]);
    std::printf("word column: locale readers %.0f texts/s, decimalNumberForString %.0f texts/s (%.1fx)\n",
                n / t[6], n / wordSeconds, t[6] / wordSeconds);
    const bool ok = agree && t[0] / t[1] >= 10 && t[1] / t[2] <= 2 && t[4] / t[5] >= 10 && t[5] / t[2] <= 2;
    return ok ? 0 : 1;
}
