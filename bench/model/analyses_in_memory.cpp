// Each analysis over a 100,000-row workspace against the same computation on the same texts already in
// memory: there the texts are parsed with std::from_chars, the rows a model would use picked, and the
// Model's own computation run on the numbers (target: at most 2x each). Reading the columns from the
// store should cost little beside parsing them. The results of both roads are compared too. Times are
// this thread's processor time (both roads run on it alone), steadier than wall-clock time on a shared
// machine.
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/RegressionWorkspace.h"
#include "bench/ScratchFolder.h"
#include "model/Model.h"
#include "platform/foundation/Locale.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace benchregression;

constexpr int64_t kRows = 100000;
constexpr int kRounds = 7;

std::optional<double> parsed(std::string_view text) {
    double v = 0;
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || at != end)
        return std::nullopt;
    return v;
}

// The rows (0-based) where every one of the columns reads as a number, and those numbers by column.
std::vector<std::vector<double>> numbersOfRows(const Texts& texts, const std::vector<size_t>& columns) {
    std::vector<std::vector<double>> out(columns.size());
    std::vector<double> row(columns.size());
    for (size_t r = 0; r < size_t(kRows); ++r) {
        bool whole = true;
        for (size_t k = 0; whole && k < columns.size(); ++k) {
            const auto v = parsed(texts[columns[k]][r]);
            whole = v.has_value();
            row[k] = v.value_or(0);
        }
        if (!whole)
            continue;
        for (size_t k = 0; k < columns.size(); ++k)
            out[k].push_back(row[k]);
    }
    return out;
}

std::vector<double> numbersOf(const std::vector<std::string>& column, const std::string* onlyWhere,
                              const std::vector<std::string>* group) {
    std::vector<double> out;
    for (size_t r = 0; r < column.size(); ++r)
        if (!onlyWhere || (*group)[r] == *onlyWhere)
            if (auto v = parsed(column[r]))
                out.push_back(*v);
    return out;
}

struct Figure {
    const char* name;
    std::function<void()> stored, inMemory;
    std::function<bool()> same; // both roads gave the same result
};

bool close(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(a));
}

bool sameFit(const RegressionResult& a, const RegressionResult& b) {
    if (a.N != b.N || a.coeffs.size() != b.coeffs.size())
        return false;
    for (size_t i = 0; i < a.coeffs.size(); ++i)
        if (!close(a.coeffs[i], b.coeffs[i]))
            return false;
    return true;
}

} // namespace

int main() {
    foundation::setCurrentLocale("en_US");
    const benchfiles::ScratchFolder folder("analyses-in-memory");
    const auto opened = benchworkspace::openModel(folder.file("Analyses.ov"));
    Model& m = *opened;
    Texts texts;
    writeWorkspace(m, kRows, &texts);

    // A background Model as the analysis screens use.
    const auto background = benchworkspace::backgroundModel(m);
    Model& bg = *background;
    const auto y = bg.columnNumber(0);
    std::vector<std::shared_ptr<Column>> xs;
    for (int j = 1; j <= kRegressors; ++j)
        xs.push_back(bg.columnNumber(uint64_t(j)));
    const auto answer = bg.columnNumber(kAnswer);
    const auto rowsA = bg.rowsWhere(std::vector<WhereClauseObj>{{int64_t(kGroup), FilterEqual, "A", {}}});
    const auto rowsB = bg.rowsWhere(std::vector<WhereClauseObj>{{int64_t(kGroup), FilterEqual, "B", {}}});
    const FactorCodes levels{{"yes", 1}, {"no", 0}};
    const std::string a = "A", b = "B";
    std::vector<size_t> regression;
    for (int j = 1; j <= kRegressors; ++j)
        regression.push_back(size_t(j));

    RegressionResult linear, linearMemory, logistic, logisticMemory, simpleMemory;
    std::optional<CorrelationResult> correlation;
    CorrelationOfData correlationMemory;
    HypothesisTestResult two, twoMemory, paired, pairedMemory, one, oneMemory;
    const Figure figures[] = {
        {"linear regression, 10 regressors",
         [&] { linear = bg.ols(*y, xs, std::nullopt, false, nullptr); },
         [&] {
             auto design = numbersOfRows(texts, [&] {
                 auto all = regression;
                 all.push_back(0);
                 return all;
             }());
             std::vector<double> response = std::move(design.back());
             design.pop_back();
             linearMemory = bg.olsY(response, std::move(design), false);
         },
         [&] { return sameFit(linear, linearMemory); }},
        {"logistic regression, 10 regressors",
         [&] { logistic = bg.ols(*answer, xs, std::nullopt, true, &levels); },
         [&] {
             auto design = numbersOfRows(texts, regression);
             std::vector<double> response;
             response.reserve(size_t(kRows));
             for (const auto& text : texts[kAnswer])
                 response.push_back(text == "yes" ? 1 : 0);
             logisticMemory = bg.olsY(response, std::move(design), true);
         },
         [&] { return sameFit(logistic, logisticMemory); }},
        {"correlation with its fitted line",
         [&] { correlation = bg.correlationResultsForColumn(xs[0].get(), xs[1].get(), std::nullopt); },
         [&] {
             auto pair = numbersOfRows(texts, {1, 2});
             correlationMemory = bg.correlationOfData(pair);
             simpleMemory = bg.olsY(pair[1], {pair[0]}, false);
         },
         [&] {
             return correlation && close(correlation->r, correlationMemory.r) &&
                    correlation->coeffs.size() == simpleMemory.coeffs.size() &&
                    close(correlation->coeffs[0], simpleMemory.coeffs[0]);
         }},
        {"two-sample t-test",
         [&] { two = bg.hypothesisTestForColumn(*xs[0], *xs[1], rowsA, rowsB, 0, 0, 1, nullptr, nullptr); },
         [&] {
             twoMemory = bg.hypothesisTestForSampleX(numbersOf(texts[1], &a, &texts[kGroup]),
                                                     numbersOf(texts[2], &b, &texts[kGroup]), 0, 0, 1);
         },
         [&] { return close(two.t, twoMemory.t) && close(two.p, twoMemory.p); }},
        {"paired t-test",
         [&] { paired = bg.hypothesisTestForColumnWithPairedColumn(*xs[0], *xs[1], std::nullopt, 0, 0, 1, nullptr, nullptr); },
         [&] {
             const auto pair = numbersOfRows(texts, {1, 2});
             std::vector<double> differences(pair[0].size());
             for (size_t i = 0; i < differences.size(); ++i)
                 differences[i] = pair[0][i] - pair[1][i];
             pairedMemory = bg.hypothesisForSample(differences, 0, 0, 0, 1, true);
         },
         [&] { return close(paired.t, pairedMemory.t) && close(paired.p, pairedMemory.p); }},
        {"one-sample t-test",
         [&] { one = bg.hypothesisTestForColumn(*y, 0.0, std::nullopt, 0, 0, 1, nullptr); },
         [&] { oneMemory = bg.hypothesisForSample(numbersOf(texts[0], nullptr, nullptr), 0, 0, 0, 1, false); },
         [&] { return close(one.t, oneMemory.t) && close(one.p, oneMemory.p); }},
    };

    std::printf("analyses over %lld rows against the same computation on the texts in memory (parsed with "
                "from_chars), processor time, median of %d rounds:\n",
                static_cast<long long>(kRows), kRounds);
    int status = 0;
    for (const auto& f : figures) {
        const auto times = benchtiming::medianProcessorSeconds(kRounds, {f.stored, f.inMemory}, CLOCK_THREAD_CPUTIME_ID);
        const double ratio = times[0] / times[1];
        const bool same = f.same();
        std::printf("  %-36s stored %8.1f ms   in memory %8.1f ms   ratio %5.2fx (target <= 2); results %s\n", f.name,
                    times[0] * 1e3, times[1] * 1e3, ratio, same ? "the same" : "DIFFER");
        std::fflush(stdout);
        status |= !same || ratio > 2;
    }
    return status;
}
