// Results of the least-squares and logistic fits; field names are the keys the model and the
// regression screen read. Keys present only in the full result (not with an empty sample) are optional.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// ols(y, X): 10 keys, or 9 (no "yhat") when there are no observations.
struct OLSResult {
    std::vector<double> coeffs;
    std::vector<double> variance; // standard error of each coefficient, not its square
    std::vector<double> t;
    std::vector<double> p;
    std::vector<double> residuals; // fitted minus observed
    std::optional<std::vector<double>> yhat;
    std::int64_t N = 0;
    double r2 = 0;
    double r2adj = 0;
    double rmse = 0;
};

// logit(y, X): 17 keys, or 13 (no "yhat", "AICc", "roc", "AUC") when there are no observations.
struct LogitResult {
    std::vector<double> coeffs;
    std::vector<double> variance; // standard errors
    std::vector<double> t;        // Wald z values
    std::vector<double> p;
    std::vector<double> residuals; // p̂ − y
    std::optional<std::vector<double>> yhat;
    std::int64_t N = 0;
    double r2adj = 0; // 1 − LL / LL0
    double LL0 = 0;
    double LL = 0;
    std::int64_t numIter = 0;
    double AIC = 0;
    std::optional<double> AICc;
    bool converged = true;
    std::int64_t numPerfectPredict = 0;
    std::optional<std::vector<std::array<double, 2>>> roc; // [true-positive rate, false-positive rate]
    std::optional<double> AUC;
};
