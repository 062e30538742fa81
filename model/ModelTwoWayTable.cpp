// Cross-tabulation of two variables: counts of each pair of levels with the rarer levels merged into
// "Others", shares of the grand, row or column totals, and Pearson's chi-square with Cramér's V and phi.
#include "model/Model.h"
#include "model/RowSetTexts.h"
#include "model/TextLevels.h"
#include "stats/QVStatistics.h"

#include <algorithm>
#include <unordered_map>

namespace {

// The texts of two columns paired by row number; a row lacking a cell in either column is left out.
struct PairedTexts {
    std::vector<const std::string*> a, b;
};

PairedTexts pairByRow(const CellTexts& a, const CellTexts& b) {
    PairedTexts out;
    out.a.reserve(std::min(a.rows.size(), b.rows.size()));
    out.b.reserve(out.a.capacity());
    size_t j = 0;
    for (size_t i = 0; i < a.rows.size() && j < b.rows.size(); ++i) {
        while (j < b.rows.size() && b.rows[j] < a.rows[i])
            ++j;
        if (j < b.rows.size() && b.rows[j] == a.rows[i]) {
            out.a.push_back(&a.texts[i]);
            out.b.push_back(&b.texts[j]);
        }
    }
    return out;
}

// The level lists of a variable: the top - 1 most frequent and "Others" when there are more than top
// levels; and the index in those lists of every text counted.
struct Margin {
    LevelLists lists;
    std::unordered_map<std::string_view, size_t> index;
};

Margin marginOf(const textlevels::Counts& counts, uint64_t top) {
    Margin m;
    m.lists = textlevels::kept(counts, top);
    const size_t kept = m.lists.levels.size();
    const bool merged = counts.size() > top && top > 0;
    // Keyed by views into the counts' own keys, which outlive the lists handed back.
    for (size_t i = 0; i < kept; ++i)
        m.index.emplace(counts.find(m.lists.levels[i])->first, i);
    if (!merged)
        return m;
    // The last kept level gives its place to "Others", which takes its count and every other one's.
    const size_t others = kept - 1;
    int64_t total = 0;
    for (const auto& entry : counts)
        total += entry.second;
    int64_t keptTotal = 0;
    for (size_t i = 0; i < others; ++i)
        keptTotal += m.lists.counts[i];
    m.index.erase(std::string_view(m.lists.levels[others]));
    m.lists.levels[others] = foundation::tr("Others");
    m.lists.counts[others] = total - keptTotal;
    for (const auto& entry : counts)
        m.index.try_emplace(entry.first, others);
    return m;
}

} // namespace

TwoWayTableResult Model::twoWayTabOfColumn(const Column& a, const Column& b, uint64_t top, int64_t percents,
                                           bool includeMissing,
                                           const std::optional<std::vector<int64_t>>& rows) {
    TwoWayTableResult r;
    if (!context_)
        return r;
    const CellTexts textsA = cellTextsForRows(*context_, a.num(), rows);
    const CellTexts textsB = cellTextsForRows(*context_, b.num(), rows);
    const PairedTexts pairs = pairByRow(textsA, textsB);

    // Only rows that count: with missing values excluded, a row empty on either side is not one.
    std::vector<size_t> counted;
    counted.reserve(pairs.a.size());
    textlevels::Counts countsA, countsB;
    for (size_t i = 0; i < pairs.a.size(); ++i) {
        const std::string& x = *pairs.a[i];
        const std::string& y = *pairs.b[i];
        if (!includeMissing && (x.empty() || y.empty()))
            continue;
        counted.push_back(i);
        ++countsA[x];
        ++countsB[y];
    }
    if (counted.empty())
        return r; // no table: the test values stay NaN

    // At least one level is kept, "Others" being one.
    top = std::max<uint64_t>(top, 1);
    const Margin A = marginOf(countsA, top), B = marginOf(countsB, top);
    const size_t nA = A.lists.levels.size(), nB = B.lists.levels.size();
    r.freqs.assign(nA, std::vector<int64_t>(nB, 0));
    for (size_t i : counted)
        ++r.freqs[A.index.at(*pairs.a[i])][B.index.at(*pairs.b[i])];
    r.arrayA = A.lists;
    r.arrayB = B.lists;

    for (int64_t c : A.lists.counts)
        r.sumTotal += static_cast<double>(c);
    r.percs.assign(nA, std::vector<double>(nB, 0.0));
    for (size_t i = 0; i < nA; ++i)
        for (size_t j = 0; j < nB; ++j) {
            double denominator = r.sumTotal;
            if (percents == 1)
                denominator = static_cast<double>(A.lists.counts[i]);
            else if (percents == 2)
                denominator = static_cast<double>(B.lists.counts[j]);
            r.percs[i][j] = static_cast<double>(r.freqs[i][j]) / denominator;
        }
    for (int64_t c : A.lists.counts)
        r.percsA.push_back(percents == 1 ? 1.0 : static_cast<double>(c) / r.sumTotal);
    for (int64_t c : B.lists.counts)
        r.percsB.push_back(percents == 2 ? 1.0 : static_cast<double>(c) / r.sumTotal);

    auto& f = functions();
    std::vector<std::vector<double>> matrix(nA, std::vector<double>(nB));
    for (size_t i = 0; i < nA; ++i)
        for (size_t j = 0; j < nB; ++j)
            matrix[i][j] = static_cast<double>(r.freqs[i][j]);
    std::vector<double> rowTotals(A.lists.counts.begin(), A.lists.counts.end());
    std::vector<double> colTotals(B.lists.counts.begin(), B.lists.counts.end());
    const ChiResult chi = f.chiForFrequencyMatrix(matrix, rowTotals, colTotals);
    r.chisq = chi.chi;
    r.df = chi.df;
    r.p = chi.p;
    r.v = f.cramersVForChi(chi.chi, r.sumTotal, static_cast<double>(nA), static_cast<double>(nB));
    r.phi = f.phiForFrequencyMatrix(matrix);
    return r;
}
