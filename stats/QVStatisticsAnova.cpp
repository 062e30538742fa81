// One-way analysis of variance over groups of numbers, with a binomial variant for 0/1 data, and the
// keyed forms of the table-test results.
#include "platform/foundation/Decimal.h"
#include "platform/foundation/Value.h"
#include "stats/QVStatistics.h"

#include <cmath>

namespace {

// mean - G in decimal arithmetic with bankers' rounding: the group and grand means of values typed
// with few decimals then differ by their decimal digits, not by the doubles' binary residue.
double decimalDifference(double mean, double grand) {
    using foundation::Decimal;
    Decimal difference;
    foundation::decimalSubtract(difference, Decimal::fromDouble(mean), Decimal::fromDouble(grand),
                                foundation::RoundingMode::Bankers);
    return difference.toDouble();
}

} // namespace

AnovaResult QVStatistics::anova(const std::vector<std::vector<double>>& groups, bool isBinary) const {
    AnovaResult result;
    result.summary.reserve(groups.size());
    for (const auto& group : groups) {
        AnovaGroupSummary g;
        g.obs = group.size();
        if (group.empty()) {
            g.mean = NAN;
            g.sd = NAN;
        } else {
            g.mean = mean(group);
            g.sd = isBinary ? sdBinomial(g.mean) : sdNormal(group);
        }
        result.summary.push_back(g);
    }

    double k = 0, N = 0, SSW = 0, weighted = 0;
    for (const auto& g : result.summary) {
        if (g.obs == 0)
            continue;
        const double obs = static_cast<double>(g.obs);
        k += 1;
        N += obs;
        // A single observation has no spread of its own (its sd is NaN): it adds to the between-group
        // sum only, as in the usual decomposition, instead of turning F into NaN.
        if (g.obs > 1)
            SSW += g.sd * g.sd * (obs - 1);
        weighted += g.mean * obs;
    }
    const double G = weighted / N;
    double SSB = 0;
    for (const auto& g : result.summary) {
        if (g.obs == 0)
            continue;
        const double d = decimalDifference(g.mean, G);
        SSB += static_cast<double>(g.obs) * d * d;
    }
    result.F = (SSB / (k - 1)) / (SSW / (N - k));
    result.p = fcdf(result.F, k - 1, N - k);
    return result;
}

foundation::Value ChiResult::toValue() const {
    return foundation::Value::Dictionary{{"chi", chi}, {"df", df}, {"p", p}};
}

foundation::Value AnovaGroupSummary::toValue() const {
    if (obs == 0) {
        const auto nan = foundation::Decimal::notANumber();
        return foundation::Value::Dictionary{{"obs", obs}, {"mean", nan}, {"sd", nan}};
    }
    return foundation::Value::Dictionary{{"obs", obs}, {"mean", mean}, {"sd", sd}};
}

foundation::Value AnovaResult::toValue() const {
    foundation::Value::Array groups;
    groups.reserve(summary.size());
    for (const auto& g : summary)
        groups.push_back(g.toValue());
    return foundation::Value::Dictionary{{"summary", std::move(groups)}, {"F", F}, {"p", p}};
}
