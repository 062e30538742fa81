// Least squares through a QR factorisation and logistic regression by iteratively reweighted least
// squares. The numbers are read once into plain column-major buffers handed to BLAS and LAPACK.
#include "stats/LeastSquares.h"
#include "stats/QVStatistics.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/Value.h"

#include <algorithm>
#include <cblas.h>
#include <cmath>
#include <cstdio>
#include <dlfcn.h>
#include <functional>
#include <limits>
#include <memory>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kMaxLogitUpdates = 200;
// A fitted probability closer than this to 0 or 1 counts as a perfect prediction.
constexpr double kSaturatedProbability = 1e-8;

// BLAS runs on the calling thread alone. The fits are tall and narrow (many rows, a few regressors), where
// helper threads gain little, and a threaded OpenBLAS keeps its helpers spinning after every call, taking
// cores from the interface and from other computations on a busy machine; a single thread also gives the
// same digits whatever the number of cores. Set once, before the first BLAS call of the process. A BLAS
// without the OpenBLAS setting is left as it is.
void useOneBlasThread() {
    static const bool once = [] {
        using SetThreads = void (*)(int);
        if (auto set = reinterpret_cast<SetThreads>(dlsym(RTLD_DEFAULT, "openblas_set_num_threads")))
            set(1);
        return true;
    }();
    (void)once;
}

bool columnsMatch(const std::vector<std::vector<double>>& columns, std::size_t n) {
    return std::all_of(columns.begin(), columns.end(), [n](const auto& c) { return c.size() == n; });
}

void logInfo(const char* format, int value) {
    char line[96];
    std::snprintf(line, sizeof line, format, value);
    foundation::log(line);
}

// No rows, fewer rows than regressors, or columns of unequal length: LAPACK is never asked (its
// argument checks would fail and the buffers would hold garbage). Coefficient arrays keep one
// NaN per regressor so that the caller's names and drop labels still line up with them.
OLSResult undefinedOLS(std::size_t n, std::size_t k) {
    OLSResult r;
    r.N = static_cast<std::int64_t>(n);
    r.coeffs.assign(k, kNaN);
    r.variance.assign(k, kNaN);
    r.t.assign(k, kNaN);
    r.p.assign(k, kNaN);
    if (n == 0)
        return r; // the empty sample's reduced shape: no "yhat", zero fit measures
    r.residuals.assign(n, kNaN);
    r.yhat = std::vector<double>(n, kNaN);
    r.r2 = r.r2adj = r.rmse = kNaN;
    return r;
}

LogitResult undefinedLogit(std::size_t n, std::size_t k) {
    LogitResult r;
    r.N = static_cast<std::int64_t>(n);
    r.coeffs.assign(k, kNaN);
    r.variance.assign(k, kNaN);
    r.t.assign(k, kNaN);
    r.p.assign(k, kNaN);
    if (n == 0)
        return r; // the empty sample's reduced shape, "converged" as for a fit with nothing to do
    r.residuals.assign(n, kNaN);
    r.yhat = std::vector<double>(n, kNaN);
    r.converged = false;
    r.numIter = 0;
    r.numPerfectPredict = 0;
    r.r2adj = r.LL0 = r.LL = r.AIC = kNaN;
    r.AICc = kNaN;
    r.roc = std::vector<std::array<double, 2>>{};
    r.AUC = kNaN;
    return r;
}

// ROC over 100 probability thresholds j / 99, walked from threshold 0 (every observation called
// positive) upward; repeated points are skipped and the area is summed by trapezoids.
void rocCurve(const std::vector<double>& y, const std::vector<double>& p, LogitResult& r) {
    const std::size_t n = y.size();
    double counts[100][2] = {};
    // Each observation falls into every bin j <= 99·p: count it at its highest bin, then sum downward.
    for (std::size_t i = 0; i < n; ++i) {
        const double top = 99.0 * p[i];
        if (!(top >= 0))
            continue;
        const int highest = top >= 99 ? 99 : static_cast<int>(top);
        counts[highest][y[i] == 1 ? 0 : 1] += 1;
    }
    for (int j = 98; j >= 0; --j) {
        counts[j][0] += counts[j + 1][0];
        counts[j][1] += counts[j + 1][1];
    }
    const double positives = counts[0][0];
    const double negatives = static_cast<double>(n) - positives;
    std::vector<std::array<double, 2>> roc;
    double auc = 0;
    double prev[2] = {-1, -1};
    for (const auto& bin : counts) {
        if (bin[0] == prev[0] && bin[1] == prev[1])
            continue;
        const double tpr = bin[0] / positives;
        const double fpr = bin[1] / negatives;
        if (prev[0] != -1 || prev[1] != -1) {
            const double tprPrev = prev[0] / positives;
            const double fprPrev = prev[1] / negatives;
            auc += std::fabs(fpr - fprPrev) * (std::min(tpr, tprPrev) + std::fabs(tpr - tprPrev) / 2);
        }
        roc.push_back({tpr, fpr});
        prev[0] = bin[0];
        prev[1] = bin[1];
    }
    r.roc = std::move(roc);
    r.AUC = auc;
}

foundation::Value numbers(const std::vector<double>& values) {
    return foundation::Value::Array(values.begin(), values.end());
}

} // namespace

foundation::Value OLSResult::toValue() const {
    foundation::Value::Dictionary d = {
        {"coeffs", numbers(coeffs)},
        {"variance", numbers(variance)},
        {"t", numbers(t)},
        {"p", numbers(p)},
        {"residuals", numbers(residuals)},
        {"N", N},
        {"r2", r2},
        {"r2adj", r2adj},
        {"rmse", rmse},
    };
    if (yhat)
        d.emplace("yhat", numbers(*yhat));
    return d;
}

foundation::Value LogitResult::toValue() const {
    foundation::Value::Dictionary d = {
        {"coeffs", numbers(coeffs)},
        {"variance", numbers(variance)},
        {"t", numbers(t)},
        {"p", numbers(p)},
        {"residuals", numbers(residuals)},
        {"N", N},
        {"r2adj", r2adj},
        {"LL0", LL0},
        {"LL", LL},
        {"numIter", numIter},
        {"AIC", AIC},
        {"converged", converged},
        {"numPerfectPredict", numPerfectPredict},
    };
    if (yhat)
        d.emplace("yhat", numbers(*yhat));
    if (AICc)
        d.emplace("AICc", *AICc);
    if (roc) {
        foundation::Value::Array points;
        for (const auto& point : *roc)
            points.emplace_back(foundation::Value::Array{point[0], point[1]});
        d.emplace("roc", std::move(points));
    }
    if (AUC)
        d.emplace("AUC", *AUC);
    return d;
}

OLSResult QVStatistics::ols(const std::vector<double>& y,
                            const std::vector<std::vector<double>>& with) const {
    const std::size_t n = y.size();
    const std::size_t k = with.size();
    if (n == 0 || n < k || !columnsMatch(with, n))
        return undefinedOLS(n, k);
    useOneBlasThread();

    // The factorisation overwrites its matrix, so it gets a copy; the fitted values are formed
    // afterwards from the caller's columns, which are already doubles and unchanged. The copy is
    // filled before it is read, so it is not zeroed first: at 100,000 rows allocating, clearing and
    // copying a second matrix cost as much as the factorisation itself.
    std::vector<double> b(y);
    const auto a = std::make_unique_for_overwrite<double[]>(n * k);
    leastsquares::copyColumnMajor(with, n, a.get());

    const int m = static_cast<int>(n);
    const int cols = static_cast<int>(k);
    const int nrhs = 1;
    int info = 0;
    // With no regressor every value is its own residual; the solver's quick return would zero them.
    if (k > 0) {
        int lwork = -1;
        double workSize = 0;
        dgels_("N", &m, &cols, &nrhs, a.get(), &m, b.data(), &m, &workSize, &lwork, &info, 1);
        if (info != 0)
            logInfo("regression finished with error, info=%d", info);
        lwork = std::max(1, static_cast<int>(workSize));
        std::vector<double> work(static_cast<std::size_t>(lwork));
        dgels_("N", &m, &cols, &nrhs, a.get(), &m, b.data(), &m, work.data(), &lwork, &info, 1);
        if (info != 0)
            logInfo("regression finished with error, info=%d", info);
    }

    OLSResult r;
    r.N = static_cast<std::int64_t>(n);
    r.coeffs.assign(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(k));
    const double rssRoot = cblas_dnrm2(m - cols, b.data() + k, 1);
    const double rss = rssRoot * rssRoot;
    const double s2 = rss / static_cast<double>(n - k);

    // (R'R)⁻¹ = R⁻¹R⁻ᵀ, so the variance factor of coefficient j is the squared norm of row j of R⁻¹.
    dtrtri_("U", "N", &cols, a.get(), &m, &info, 1, 1);
    const double df = std::max(static_cast<double>(n - k), 1.0);
    r.variance.resize(k);
    r.t.resize(k);
    r.p.resize(k);
    for (std::size_t j = 0; j < k; ++j) {
        const double c = cblas_dnrm2(cols - static_cast<int>(j), a.get() + j + j * n, m);
        const double se = std::sqrt(c * s2 * c);
        const double t = r.coeffs[j] / se;
        r.variance[j] = se;
        r.t[j] = t;
        r.p[j] = 2 * (1 - tcdf(std::fabs(t), df));
    }

    std::vector<double> yhat(n, 0.0);
    for (std::size_t j = 0; j < k; ++j) {
        const double bj = r.coeffs[j];
        const double* column = with[j].data();
        for (std::size_t i = 0; i < n; ++i)
            yhat[i] += bj * column[i];
    }
    r.residuals.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        r.residuals[i] = yhat[i] - y[i];
    r.yhat = std::move(yhat);

    const double v = variance(y, false);
    const double dn = static_cast<double>(n);
    // A constant y leaves no variation to explain: the share explained is undefined, not the minus
    // infinity that a residual sum off zero by rounding, divided by a variance of 0, would give.
    if (std::adjacent_find(y.begin(), y.end(), std::not_equal_to<>()) == y.end()) {
        r.r2 = r.r2adj = kNaN;
    } else {
        r.r2 = 1 - (rss / dn) / (v * (dn - 1) / dn);
        r.r2adj = 1 - s2 / v;
    }
    r.rmse = std::sqrt(s2);
    return r;
}

LogitResult QVStatistics::logit(const std::vector<double>& y,
                                const std::vector<std::vector<double>>& with) const {
    const std::size_t n = y.size();
    const std::size_t k = with.size();
    if (n == 0 || n < k || !columnsMatch(with, n))
        return undefinedLogit(n, k);
    useOneBlasThread();

    const int m = static_cast<int>(n);
    const int cols = static_cast<int>(k);
    const int ldc = std::max(cols, 1); // BLAS rejects a leading dimension of 0 even for an empty matrix
    std::vector<double> x(n * k);
    std::vector<double> xw(n * k);
    leastsquares::copyColumnMajor(with, n, x.data());
    std::vector<double> beta(k);
    std::vector<double> eta(n);
    std::vector<double> p(n);
    std::vector<double> w(n);
    std::vector<double> z(n);
    std::vector<double> pPrev(n, -1.0);
    std::vector<double> c(k * k);
    std::vector<double> v(k);

    LogitResult r;
    r.N = static_cast<std::int64_t>(n);
    r.converged = false;
    r.numIter = kMaxLogitUpdates;
    double ll = 0;
    double ll0 = 0;
    for (int iter = 0;; ++iter) {
        cblas_dgemv(CblasColMajor, CblasNoTrans, m, cols, 1.0, x.data(), m, beta.data(), 1, 0.0, eta.data(),
                    1);
        double delta = 0;
        ll = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double pi = 1 / (1 + std::exp(-eta[i]));
            const double qi = 1 - pi;
            const double wi = std::max(pi * qi, 1e-13);
            p[i] = pi;
            w[i] = wi;
            z[i] = wi * eta[i] + (y[i] - pi); // the working response, already weighted
            delta += std::fabs(pi - pPrev[i]);
            ll += y[i] * std::log(std::max(pi, 1e-10)) + (1 - y[i]) * std::log(std::max(qi, 1e-10));
        }
        if (iter == 0)
            ll0 = ll;
        if (delta < static_cast<double>(n) * 1e-10) {
            logInfo("logit converged in iteration %d", iter);
            r.converged = true;
            r.numIter = iter;
            break;
        }

        // Newton step: β ← (X'WX)⁻¹ X'(Wη + y − p).
        std::copy(p.begin(), p.end(), pPrev.begin());
        cblas_dgemv(CblasColMajor, CblasTrans, m, cols, 1.0, x.data(), m, z.data(), 1, 0.0, v.data(), 1);
        for (std::size_t i = 0; i < n; ++i) {
            const double root = std::sqrt(w[i]);
            for (std::size_t j = 0; j < k; ++j)
                xw[i + j * n] = x[i + j * n] * root;
        }
        cblas_dsyrk(CblasColMajor, CblasUpper, CblasTrans, cols, m, 1.0, xw.data(), m, 0.0, c.data(), ldc);
        int info = 0;
        dpotrf_("U", &cols, c.data(), &ldc, &info, 1);
        dpotri_("U", &cols, c.data(), &ldc, &info, 1);
        cblas_dsymv(CblasColMajor, CblasUpper, cols, 1.0, c.data(), ldc, v.data(), 1, 0.0, beta.data(), 1);
        if (iter == kMaxLogitUpdates - 1) {
            foundation::log("logit did not converge");
            break;
        }
    }

    // Probabilities that are 0 or 1 as far as the fit can tell. On separated data they saturate, and the
    // iterations stop once their changes are below the tolerance, with each still some 1e-10 short of 0
    // or 1 and hardly ever there exactly: counting exact values alone would let such a fit pass as sound.
    r.numPerfectPredict = std::count_if(p.begin(), p.end(), [](double pi) {
        return pi < kSaturatedProbability || pi > 1 - kSaturatedProbability;
    });
    r.coeffs = beta;
    r.variance.resize(k);
    r.t.resize(k);
    r.p.resize(k);
    for (std::size_t j = 0; j < k; ++j) {
        const double se = std::sqrt(c[j + j * k]);
        const double zj = beta[j] / se;
        r.variance[j] = se;
        r.t[j] = zj;
        r.p[j] = 2 * (1 - normcdfz(std::fabs(zj)));
    }

    const double dk = static_cast<double>(k);
    r.LL = ll;
    r.LL0 = ll0;
    r.AIC = -2 * ll + 2 * dk;
    r.AICc = r.AIC + 2 * dk * (dk + 1) / (static_cast<double>(n) - dk - 1);
    r.r2adj = 1 - ll / ll0;
    r.residuals.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        r.residuals[i] = p[i] - y[i];
    rocCurve(y, p, r);
    r.yhat = std::move(p);
    return r;
}
