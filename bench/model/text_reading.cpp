// 1,000,000 cell texts through the workspace's number reader and its date reader.
// Mix: a third numbers, a third dates in the reader's forms, a third words, shuffled. Prints
// texts per second of each (median of rounds) and their ratio (target: dates at most 3x numbers).
#include "model/ModelText.h"
#include "platform/foundation/Locale.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kTexts = 1000000;
constexpr int kRounds = 5;

// Appends the parts; GCC 12 warns wrongly (-Wrestrict) about chains of string operator+.
std::string cat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view part : parts)
        out.append(part);
    return out;
}

std::vector<std::string> makeTexts() {
    std::mt19937_64 rng(7);
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<uint64_t>(n)); };
    auto two = [](int v) {
        const char digits[3] = {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10), 0};
        return std::string(digits);
    };
    const char* months[] = {"Jan", "February", "Mar", "April", "May", "June", "Jul", "August", "Sept", "Oct"};
    const char* weekdays[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday"};
    const char* words[] = {"apple", "Category B", "male",         "female", "n/a",      "yes",
                           "no",    "the sun",    "Paris",        "blue",   "Group 3",  "may be",
                           "Ohio",  "control",    "not recorded", "high",   "low-dose", "A12"};
    std::vector<std::string> texts;
    texts.reserve(kTexts);
    for (std::size_t i = 0; i < kTexts; ++i) {
        const int d = 1 + pick(28), m = 1 + pick(12), y = 1990 + pick(35);
        const int h = pick(24), mi = pick(60);
        switch (i % 3) {
        case 0: // numbers
            switch (pick(5)) {
            case 0:
                texts.push_back(std::to_string(pick(100000)));
                break;
            case 1:
                texts.push_back(cat({std::to_string(pick(1000)), ".", std::to_string(pick(100))}));
                break;
            case 2:
                texts.push_back(cat({"-", std::to_string(pick(100)), ".", two(pick(100))}));
                break;
            case 3:
                texts.push_back(
                    cat({std::to_string(1 + pick(99)), ",", std::to_string(100 + pick(900)), ".5"}));
                break;
            default:
                texts.push_back(cat({std::to_string(pick(100)), "%"}));
                break;
            }
            break;
        case 1: // dates
            switch (pick(8)) {
            case 0:
                texts.push_back(cat({two(m), "/", two(d), "/", std::to_string(y)}));
                break;
            case 1:
                texts.push_back(
                    cat({two(m), "/", two(d), "/", std::to_string(y), ", ", two(h), ":", two(mi)}));
                break;
            case 2:
                texts.push_back(
                    cat({std::to_string(y), "-", two(m), "-", two(d), "T", two(h), ":", two(mi)}));
                break;
            case 3:
                texts.push_back(cat({std::to_string(d), " ", months[pick(10)], " ", std::to_string(y)}));
                break;
            case 4:
                texts.push_back(
                    cat({std::string(months[pick(10)]), " ", std::to_string(d), ", ", std::to_string(y)}));
                break;
            case 5:
                texts.push_back(cat({std::string("next "), weekdays[pick(5)]}));
                break;
            case 6:
                texts.push_back(cat({two(h), ":", two(mi)}));
                break;
            default:
                texts.push_back(cat({"due ", std::to_string(d), " ", months[pick(10)]}));
                break;
            }
            break;
        default: // words
            texts.push_back(words[pick(18)]);
            break;
        }
    }
    std::shuffle(texts.begin(), texts.end(), rng);
    return texts;
}

} // namespace

int main() {
    setenv("TZ", "Europe/Berlin", 1);
    foundation::reloadLocalTimeZone();
    foundation::setCurrentLocale("en_US");
    const std::vector<std::string> texts = makeTexts();

    ModelText text([] { return std::optional<std::string>("."); });
    auto reader = std::make_unique<foundation::DateReader>();
    reader->setNow([] { return 1620208800.0; }); // Wednesday 5 May 2021, 12:00 in Berlin
    text.setDetectDate(std::move(reader));

    std::vector<double> numberTimes, dateTimes;
    std::size_t numbers = 0, dates = 0;
    for (int round = 0; round < kRounds; ++round) {
        numbers = 0;
        dates = 0;
        auto start = std::chrono::steady_clock::now();
        for (const std::string& t : texts)
            numbers += text.decimalNumberForString(t).has_value();
        numberTimes.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        start = std::chrono::steady_clock::now();
        for (const std::string& t : texts)
            dates += text.dateForString(t).has_value();
        dateTimes.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(numberTimes.begin(), numberTimes.end());
    std::sort(dateTimes.begin(), dateTimes.end());
    const double numberSeconds = numberTimes[kRounds / 2], dateSeconds = dateTimes[kRounds / 2];
    std::printf("cell texts %zu (a third numbers, a third dates, a third words), median of %d rounds:\n",
                kTexts, kRounds);
    std::printf("  decimalNumberForString: %.0f texts/s (%zu numbers)\n", kTexts / numberSeconds, numbers);
    std::printf("  dateForString:          %.0f texts/s (%zu dates)\n", kTexts / dateSeconds, dates);
    const double ratio = dateSeconds / numberSeconds;
    std::printf("  date reader time / number reader time: %.2f (target <= 3)\n", ratio);
    return ratio <= 3 ? 0 : 1;
}
