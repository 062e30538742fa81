// The registry of analysis kinds.
#include "analysis/AnalysisKinds.h"

#include "platform/foundation/Tr.h"

#include <algorithm>

using foundation::tr;

namespace {

// Distribution 2 (binomial) makes its own kind; every other distribution counts as the default.
int64_t kindDistribution(int64_t distribution) {
    return distribution == 2 ? 2 : 0;
}

// Regression models and hypothesis tests are two kinds each, told apart by the distribution.
bool splitByDistribution(int64_t type) {
    return type == 4 || type == 5;
}

} // namespace

AnalysisKinds& AnalysisKinds::shared() {
    static AnalysisKinds kinds;
    return kinds;
}

void AnalysisKinds::add(AnalysisKind kind) {
    remove(kind.title);
    kinds_.push_back(std::move(kind));
}

void AnalysisKinds::remove(const std::string& title) {
    std::erase_if(kinds_, [&](const AnalysisKind& k) { return k.title == title; });
}

std::vector<AnalysisKind> AnalysisKinds::kinds() const {
    std::vector<AnalysisKind> out = kinds_;
    std::stable_sort(out.begin(), out.end(), [](const AnalysisKind& a, const AnalysisKind& b) {
        return a.type != b.type ? a.type < b.type : a.distribution < b.distribution;
    });
    return out;
}

std::optional<AnalysisKind> AnalysisKinds::kindTitled(const std::string& title) const {
    for (const auto& kind : kinds_)
        if (kind.title == title)
            return kind;
    return std::nullopt;
}

std::optional<AnalysisKind> AnalysisKinds::kindOf(int64_t type, int64_t distribution) const {
    for (const auto& kind : kinds())
        if (kind.type == type && kind.makeScreen &&
            (!splitByDistribution(type) || kindDistribution(kind.distribution) == kindDistribution(distribution)))
            return kind;
    return std::nullopt;
}

std::string AnalysisKinds::titleOf(int64_t type, int64_t distribution) const {
    if (auto kind = kindOf(type, distribution))
        return tr(kind->title);
    const bool binomial = kindDistribution(distribution) == 2;
    switch (type) {
    case 1:
        return tr("Two way table");
    case 3:
        return tr("Correlation");
    case 4:
        return binomial ? tr("Logistic Regression Model") : tr("Linear Regression Model");
    case 5:
        return binomial ? tr("Hypothesis Test of Proportions") : tr("Hypothesis Test of Means");
    default:
        return tr("Type: Unknown");
    }
}
