// Regression with 10 regressors, correlation and a two-sample t-test over a 100,000-row workspace,
// each against reading and parsing the same cells through the Model's own number reader in the same
// run; and the time and iterations of a logistic fit with the same regressors.
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/RegressionWorkspace.h"
#include "bench/ScratchFolder.h"
#include "model/CellReading.h"
#include "model/CellTexts.h"
#include "model/Model.h"
#include "platform/foundation/Locale.h"

#include <functional>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int64_t kRows = 100000;
using benchregression::kAnswer;
using benchregression::kGroup;
using benchregression::kRegressors;
constexpr int kRounds = 5;

// The baseline: each column's cells read and every text parsed by the Model's number reader.
size_t readAndParse(Model& m, const std::vector<int64_t>& columns) {
    size_t numbers = 0;
    cellreading::NumberReader reader(m);
    for (int64_t c : columns) {
        CellTexts cells = columnCellTexts(*m.managedObjectContext(), c);
        for (const auto& text : cells.texts)
            numbers += reader.number(text).has_value();
    }
    return numbers;
}

// Median wall-clock seconds of kRounds runs.
double timed(const std::function<void()>& f) {
    return benchtiming::medianSeconds(kRounds, {f})[0];
}

} // namespace

int main() {
    foundation::setCurrentLocale("en_US");
    namespace fs = std::filesystem;
    const benchfiles::ScratchFolder folder("regression");
    const std::string path = folder.file("Regression.ov");

    const auto opened = benchworkspace::openModel(path);
    Model& m = *opened;
    benchregression::writeWorkspace(m, kRows);

    // A background Model as the analysis screens use.
    const auto background = benchworkspace::backgroundModel(m);
    Model& bg = *background;
    auto y = bg.columnNumber(0);
    std::vector<std::shared_ptr<Column>> xs;
    for (int j = 1; j <= kRegressors; ++j)
        xs.push_back(bg.columnNumber(static_cast<uint64_t>(j)));
    const auto rowsA = bg.rowsWhere(std::vector<WhereClauseObj>{{int64_t(kGroup), FilterEqual, "A", {}}});
    const auto rowsB = bg.rowsWhere(std::vector<WhereClauseObj>{{int64_t(kGroup), FilterEqual, "B", {}}});

    std::vector<int64_t> regressionColumns;
    for (int c = 0; c <= kRegressors; ++c)
        regressionColumns.push_back(c);
    size_t parsed = 0;
    const double baseRegression = timed([&] { parsed = readAndParse(bg, regressionColumns); });
    const double baseTwo = timed([&] { parsed = readAndParse(bg, {1, 2}); });

    RegressionResult linear;
    const double regression = timed([&] { linear = bg.ols(*y, xs, std::nullopt, false, nullptr); });
    std::optional<CorrelationResult> correlation;
    const double correlationTime =
        timed([&] { correlation = bg.correlationResultsForColumn(xs[0].get(), xs[1].get(), std::nullopt); });
    HypothesisTestResult test;
    const double tTest = timed(
        [&] { test = bg.hypothesisTestForColumn(*xs[0], *xs[1], rowsA, rowsB, 0, 0, 1, nullptr, nullptr); });
    const FactorCodes levels{{"yes", 1}, {"no", 0}};
    RegressionResult logistic;
    const double logisticTime =
        timed([&] { logistic = bg.ols(*bg.columnNumber(kAnswer), xs, std::nullopt, true, &levels); });

    std::printf("analysis computations over %lld rows, median of %d rounds (baselines: read + parse the same "
                "columns through the Model's number reader, %zu numbers in the last):\n",
                static_cast<long long>(kRows), kRounds, parsed);
    std::printf(
        "  regression, 10 regressors:  %.3f s  baseline %.3f s  ratio %.2f (target <= 3), N %lld, r2 %.4f\n",
        regression, baseRegression, regression / baseRegression, static_cast<long long>(linear.N),
        linear.r2.value_or(NAN));
    std::printf("  correlation:                %.3f s  baseline %.3f s  ratio %.2f (target <= 3), r %.4f\n",
                correlationTime, baseTwo, correlationTime / baseTwo, correlation ? correlation->r : NAN);
    std::printf("  two-sample t-test:          %.3f s  baseline %.3f s  ratio %.2f (target <= 5), t %.4f\n",
                tTest, baseTwo, tTest / baseTwo, test.t);
    std::printf("  logistic fit, 10 regressors: %.3f s, %lld iterations, converged %d, N %lld, AUC %.4f\n",
                logisticTime, static_cast<long long>(logistic.numIter.value_or(0)),
                logistic.converged.value_or(false) ? 1 : 0, static_cast<long long>(logistic.N),
                logistic.AUC.value_or(NAN));
    return 0;
}
