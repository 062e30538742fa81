// Hypothesis tests of means and proportions (one sample, two samples, paired), the default and valid
// tests of a design, and the tests' display names and statistic labels.
#include "model/CellReading.h"
#include "model/LevelCodes.h"
#include "model/Model.h"
#include "model/RowSetTexts.h"
#include "platform/foundation/Tr.h"
#include "stats/Distributions.h"
#include "stats/QVStatistics.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int64_t kDate = 4;
constexpr uint64_t kProportions = 2;
constexpr uint64_t kZ = 0, kT = 1, kExact = 2, kChi = 3, kMcNemar = 4;

DensityCurve zeroCurve() {
    return [](double) { return 0.0; };
}

void setZeroCurves(HypothesisTestResult& r) {
    r.pdfSample1 = r.pdfSample2 = r.pdfDiff1 = r.pdfDiff2 = zeroCurve();
}

// Two-sided from a one-sided tail p1, or the one side asked for: the side that the difference points
// away from keeps p1, the other gets its complement.
double pFromTail(double p1, double d, uint64_t tails) {
    switch (tails) {
    case 0:
        return 2 * p1;
    case 1:
        return d > 0 ? 1 - p1 : p1;
    case 2:
        return d < 0 ? 1 - p1 : p1;
    default:
        return NAN;
    }
}

// A share of the n trials as a whole count; a negative share counts as none, and a share beyond all
// trials as one more than n (no probability), which keeps far-off chart points in range.
uint64_t successes(double n, double x) {
    const double k = round_nearest(n * x);
    if (!(k > 0))
        return 0;
    if (k > n)
        return static_cast<uint64_t>(n) + 1;
    return static_cast<uint64_t>(k);
}

// The codes of a proportion's texts: the given levels, a new text the next code. Empty texts and
// codes other than 0 and 1 are missing: a proportion has two outcomes.
std::vector<double> proportionCodes(const std::vector<std::string_view>& texts, const FactorCodes* levels) {
    LevelCodes codes(levels ? *levels : FactorCodes{});
    std::vector<double> out;
    out.reserve(texts.size());
    for (const auto& text : texts) {
        const int64_t code = codes.code(text);
        if (LevelCodes::isOutcome(code))
            out.push_back(static_cast<double>(code));
    }
    return out;
}

std::vector<double> sampleOfColumn(Model& model, const Column& column,
                                   const std::optional<std::vector<int64_t>>& rows, uint64_t distribution,
                                   const FactorCodes* levels) {
    const auto& context = model.managedObjectContext();
    if (!context)
        return {};
    const RowSetTextViews cells(*context, column.num(), rows);
    if (distribution == kProportions)
        return proportionCodes(cells.texts(), levels);
    std::vector<double> out;
    out.reserve(cells.texts().size());
    if (column.type().value_or(0) == kDate) {
        for (const auto& text : cells.texts())
            if (auto v = model.dateForString(text))
                out.push_back(*v);
        return out;
    }
    cellreading::NumberReader numbers(model);
    for (const auto& text : cells.texts())
        if (auto v = numbers.number(text))
            out.push_back(*v);
    return out;
}

// Box-plot percentiles and the kernel density of one sample.
void describeSample(QVStatistics& stats, const std::vector<double>& sample, double sd,
                    std::optional<std::map<double, double>>& box,
                    std::optional<std::vector<KDensityPoint>>& density) {
    if (sample.empty()) {
        box.emplace();
        density.emplace();
        return;
    }
    box = stats.percentiles({0, 25, 50, 75, 100}, sample);
    density = stats.kdensity(sample, sd, (*box)[0], (*box)[100]);
}

} // namespace

HypothesisTestResult Model::hypothesisForSample(const std::vector<double>& sample, double expected,
                                                uint64_t distribution, uint64_t tails, uint64_t test,
                                                bool paired) {
    QVStatistics& stats = functions();
    HypothesisTestResult r;
    r.shape = HypothesisTestResult::Shape::OneSample;
    const double n = static_cast<double>(sample.size());
    const double m = stats.mean(sample);
    const double sd = distribution == kProportions ? stats.sdBinomial(m) : stats.sdNormal(sample);
    const double se = sd / std::sqrt(n);
    const double d = m - expected;
    r.obsX = sample.size();
    r.meanX = m;
    r.sdX = sd;
    r.seX = se;
    r.diff = d;
    r.seDiff = se;

    switch (test) {
    case kZ: {
        const double z = d / se;
        r.t = z;
        r.df = 0;
        r.p = pFromTail(stats.normcdfz(-std::fabs(z)), d, tails);
        r.pdfSample1 = [m, se](double x) { return norm_pdf(x, m, se); };
        r.pdfSample2 = [expected, se](double x) { return norm_pdf(x, expected, se); };
        r.pdfDiff1 = [d, se](double x) { return norm_pdf(x, d, se); };
        r.pdfDiff2 = [se](double x) { return norm_pdf(x, 0, se); };
        break;
    }
    case kT: {
        const double t = d / se;
        const double df = n - 1;
        r.t = t;
        r.df = df;
        r.p = pFromTail(stats.tcdf(-std::fabs(t), df), d, tails);
        r.pdfSample1 = [m, se, df](double x) { return t_pdf(x, m, se, df); };
        r.pdfSample2 = [expected, se, df](double x) { return t_pdf(x, expected, se, df); };
        r.pdfDiff1 = [d, se, df](double x) { return t_pdf(x, d, se, df); };
        r.pdfDiff2 = [se, df](double x) { return t_pdf(x, 0, se, df); };
        break;
    }
    case kExact: {
        const int obs = static_cast<int>(n);
        const double k = round_nearest(m * n);
        const double c = stats.bicdf(static_cast<int>(k), expected, obs);
        const double S = 2 * (1 - c);
        double p = S;
        if (tails == 1 || tails == 2) {
            p = S / 2;
            if ((d > 0 && tails == 1) || (d < 0 && tails == 2))
                p = std::min(1.0,
                             1 - S / 2 +
                                 binom_pmf(static_cast<uint64_t>(obs), static_cast<uint64_t>(k), expected));
        } else if (tails != 0) {
            p = NAN;
        }
        r.t = 0;
        r.df = 0;
        r.p = p;
        const auto trials = static_cast<uint64_t>(obs);
        r.pdfSample1 =
            r.pdfDiff1 = [trials, n, m](double x) { return binom_pmf(trials, successes(n, x), m); };
        r.pdfSample2 = r.pdfDiff2 = [trials, n, expected](double x) {
            return binom_pmf(trials, successes(n, x), expected);
        };
        break;
    }
    case kChi: {
        const double e1 = round_nearest(expected * n);
        const double e0 = n - e1;
        const double o1 = round_nearest(m * n);
        const double chi = (o1 - e1) * (o1 - e1) / e1 + ((n - o1) - e0) * ((n - o1) - e0) / e0;
        const double Q = stats.chicdf(chi, 1);
        r.t = chi;
        r.df = 1;
        r.p = tails == 0 ? Q : pFromTail(Q / 2, d, tails);
        const int obs = static_cast<int>(n);
        r.pdfSample1 = [obs, m](double x) { return chi1_pdf(obs, x, m); };
        r.pdfSample2 = [obs, expected](double x) { return chi1_pdf(obs, x, expected); };
        r.pdfDiff1 = [obs, d](double x) { return chi1_pdf(obs, x, d); };
        r.pdfDiff2 = [obs](double x) { return chi1_pdf(obs, x, 0); };
        break;
    }
    default:
        // Not a test of one sample: nothing was tested, so nothing is claimed.
        setZeroCurves(r);
        break;
    }
    describeSample(stats, sample, sd, r.boxX, r.densityX);
    r.testName = nameForTest(test, tails, paired ? 2 : 1, paired);
    r.statName = statForTest(test);
    return r;
}

HypothesisTestResult Model::hypothesisTestForSampleX(const std::vector<double>& x,
                                                     const std::vector<double>& y, uint64_t distribution,
                                                     uint64_t tails, uint64_t test) {
    QVStatistics& stats = functions();
    HypothesisTestResult r;
    r.shape = HypothesisTestResult::Shape::TwoSample;
    const double nX = static_cast<double>(x.size()), nY = static_cast<double>(y.size());
    const double mX = stats.mean(x), mY = stats.mean(y);
    const bool proportions = distribution == kProportions;
    const double sdX = proportions ? stats.sdBinomial(mX) : stats.sdNormal(x);
    const double sdY = proportions ? stats.sdBinomial(mY) : stats.sdNormal(y);
    const double seX = sdX / std::sqrt(nX), seY = sdY / std::sqrt(nY);
    const double d = mX - mY;
    const double seD = std::sqrt(seX * seX + seY * seY);
    r.obsX = x.size();
    r.obsY = y.size();
    r.meanX = mX;
    r.meanY = mY;
    r.sdX = sdX;
    r.sdY = sdY;
    r.seX = seX;
    r.seY = seY;
    r.diff = d;
    r.seDiff = seD;

    switch (test) {
    case kChi: {
        const double oX = round_nearest(mX * nX), oY = round_nearest(mY * nY);
        const ChiResult chi = stats.chiForFrequencyMatrix({{oX, nX - oX}, {oY, nY - oY}});
        r.t = chi.chi;
        r.df = chi.df;
        if (tails == 0) {
            r.p = chi.p;
        } else if (tails == 1 || tails == 2) {
            const double h = chi.p / 2;
            r.p = (tails == 1 && d > 0) || (tails == 2 && d < 0) ? 1 - h : h;
        }
        const int obsX = static_cast<int>(nX), obsY = static_cast<int>(nY);
        r.pdfSample1 = [obsX, mX](double v) { return std::min(chi1_pdf(obsX, v, mX), 10.0); };
        r.pdfSample2 = [obsY, mY](double v) { return std::min(chi1_pdf(obsY, v, mY), 10.0); };
        r.pdfDiff1 = [obsX, d](double v) { return std::min(chi1_pdf(obsX, v, d), 10.0); };
        r.pdfDiff2 = [obsX](double v) { return std::min(chi1_pdf(obsX, v, 0), 10.0); };
        break;
    }
    case kT: {
        const double a = sdX * sdX / nX, b = sdY * sdY / nY;
        const double df = (a + b) * (a + b) / (a * a / (nX - 1) + b * b / (nY - 1));
        const double t = d / seD;
        r.t = t;
        r.df = df;
        r.p = pFromTail(stats.tcdf(-std::fabs(t), df), d, tails);
        const double dfX = nX - 1, dfY = nY - 1;
        r.pdfSample1 = [mX, seX, dfX](double v) { return t_pdf(v, mX, seX, dfX); };
        r.pdfSample2 = [mY, seY, dfY](double v) { return t_pdf(v, mY, seY, dfY); };
        r.pdfDiff1 = [d, seD, df](double v) { return t_pdf(v, d, seD, df); };
        r.pdfDiff2 = [seD, df](double v) { return t_pdf(v, 0, seD, df); };
        break;
    }
    case kZ: {
        const double z = d / seD;
        r.t = z;
        r.df = -1;
        r.p = pFromTail(stats.normcdfz(-std::fabs(z)), d, tails);
        r.pdfSample1 = [mX, seX](double v) { return norm_pdf(v, mX, seX); };
        r.pdfSample2 = [mY, seY](double v) { return norm_pdf(v, mY, seY); };
        r.pdfDiff1 = [d, seD](double v) { return norm_pdf(v, d, seD); };
        r.pdfDiff2 = [seD](double v) { return norm_pdf(v, 0, seD); };
        break;
    }
    default:
        setZeroCurves(r);
        break;
    }
    describeSample(stats, x, sdX, r.boxX, r.densityX);
    describeSample(stats, y, sdY, r.boxY, r.densityY);
    r.testName = nameForTest(test, tails, 2, false);
    r.statName = statForTest(test);
    return r;
}

HypothesisTestResult Model::hypothesisTestForBinomialSample(const std::vector<int64_t>& x,
                                                            const std::vector<int64_t>& withPairedSample,
                                                            uint64_t tails, uint64_t test) {
    QVStatistics& stats = functions();
    HypothesisTestResult r;
    r.shape = HypothesisTestResult::Shape::PairedProportions;
    int64_t counts[2][2] = {{0, 0}, {0, 0}};
    const size_t n = std::min(x.size(), withPairedSample.size());
    for (size_t i = 0; i < n; ++i) {
        const int64_t a = x[i], b = withPairedSample[i];
        if ((a == 0 || a == 1) && (b == 0 || b == 1))
            ++counts[a][b];
    }
    r.x0y0 = counts[0][0];
    r.x0y1 = counts[0][1];
    r.x1y0 = counts[1][0];
    r.x1y1 = counts[1][1];
    const double b = static_cast<double>(counts[0][1]), c = static_cast<double>(counts[1][0]);
    const double N = b + c;
    const int discordant = static_cast<int>(N);

    switch (test) {
    case kMcNemar: {
        const double chi = (b - c) * (b - c) / N;
        const double Q = stats.chicdf(chi, 1);
        r.t = chi;
        r.df = 1;
        if (tails == 0) {
            r.p = Q;
        } else if (tails == 1 || tails == 2) {
            const double h = Q / 2;
            r.p = (tails == 1 && b - c > 0) || (tails == 2 && b - c < 0) ? 1 - h : h;
        }
        const double share = b / N;
        r.pdfSample1 = r.pdfDiff1 = [discordant, share](double v) {
            return std::min(chi1_pdf(discordant, v, share), 10.0);
        };
        r.pdfSample2 =
            r.pdfDiff2 = [discordant](double v) { return std::min(chi1_pdf(discordant, v, 0.5), 10.0); };
        break;
    }
    case kExact: {
        const double c2 = stats.bicdf(static_cast<int>(b), 0.5, discordant);
        const double S = 2 * (1 - c2);
        if (tails == 0) {
            r.p = S;
        } else if (tails == 1 || tails == 2) {
            r.p = S / 2;
            if ((tails == 1 && b > c) || (tails == 2 && b < c))
                r.p = std::min(1.0, 1 - S / 2 +
                                        binom_pmf(static_cast<uint64_t>(N), static_cast<uint64_t>(b), 0.5));
        }
        r.t = 0;
        r.df = 0;
        const auto trials = static_cast<uint64_t>(N);
        const double share = b / N;
        r.pdfSample1 =
            r.pdfDiff1 = [trials, N, share](double v) { return binom_pmf(trials, successes(N, v), share); };
        r.pdfSample2 = r.pdfDiff2 = [trials, N](double v) { return binom_pmf(trials, successes(N, v), 0.5); };
        break;
    }
    default:
        setZeroCurves(r);
        break;
    }
    r.testName = nameForTest(test, tails, 2, true);
    r.statName = statForTest(test);
    return r;
}

Model::PairedFactors Model::twoByTwoPairedFactorX(const Column& x, const Column& y,
                                                  const FactorCodes* levelsX, const FactorCodes* levelsY,
                                                  const std::optional<std::vector<int64_t>>& rows) {
    PairedFactors out;
    out.Xmat.resize(2);
    LevelCodes codesX(levelsX ? *levelsX : FactorCodes{});
    LevelCodes codesY(levelsY ? *levelsY : FactorCodes{});
    if (context_) {
        CellTexts a = cellTextsForRows(*context_, x.num(), rows);
        CellTexts b = cellTextsForRows(*context_, y.num(), rows);
        // Pairs are the two texts of one row; a row with an empty text on either side is no pair.
        size_t i = 0, j = 0;
        while (i < a.rows.size() && j < b.rows.size()) {
            if (a.rows[i] < b.rows[j]) {
                ++i;
                continue;
            }
            if (b.rows[j] < a.rows[i]) {
                ++j;
                continue;
            }
            if (!a.texts[i].empty() && !b.texts[j].empty()) {
                out.Xmat[0].push_back(codesX.code(a.texts[i]));
                out.Xmat[1].push_back(codesY.code(b.texts[j]));
            }
            ++i;
            ++j;
        }
    }
    out.code = {codesX.codes(), codesY.codes()};
    return out;
}

HypothesisTestResult Model::hypothesisTestForColumn(const Column& column, std::optional<double> expectedValue,
                                                    const std::optional<std::vector<int64_t>>& rows,
                                                    uint64_t distribution, uint64_t tails, uint64_t test,
                                                    const FactorCodes* levels) {
    const std::vector<double> sample = sampleOfColumn(*this, column, rows, distribution, levels);
    return hypothesisForSample(sample, expectedValue.value_or(0), distribution, tails, test, false);
}

HypothesisTestResult Model::hypothesisTestForColumn(const Column& x, const Column& y,
                                                    const std::optional<std::vector<int64_t>>& rowsX,
                                                    const std::optional<std::vector<int64_t>>& rowsY,
                                                    uint64_t distribution, uint64_t tails, uint64_t test,
                                                    const FactorCodes* levelsX, const FactorCodes* levelsY) {
    const std::vector<double> sampleX = sampleOfColumn(*this, x, rowsX, distribution, levelsX);
    const std::vector<double> sampleY = sampleOfColumn(*this, y, rowsY, distribution, levelsY);
    return hypothesisTestForSampleX(sampleX, sampleY, distribution, tails, test);
}

HypothesisTestResult Model::hypothesisTestForColumnWithPairedColumn(
    const Column& x, const Column& y, const std::optional<std::vector<int64_t>>& rows, uint64_t distribution,
    uint64_t tails, uint64_t test, const FactorCodes* levelsX, const FactorCodes* levelsY) {
    if (distribution == kProportions) {
        PairedFactors f = twoByTwoPairedFactorX(x, y, levelsX, levelsY, rows);
        return hypothesisTestForBinomialSample(f.Xmat[0], f.Xmat[1], tails, test);
    }
    DesignMatrix design = numericOfColumns(
        {columnNumber(static_cast<uint64_t>(x.num())), columnNumber(static_cast<uint64_t>(y.num()))}, rows);
    std::vector<double> differences(design.Xmat[0].size());
    for (size_t i = 0; i < differences.size(); ++i)
        differences[i] = design.Xmat[0][i] - design.Xmat[1][i];
    return hypothesisForSample(differences, 0, distribution, tails, test, true);
}

uint64_t Model::testForDistribution(uint64_t distribution, uint64_t samples, bool paired, uint64_t) {
    if (distribution <= 1)
        return kT;
    if (distribution == kProportions) {
        if (samples == 1)
            return kExact;
        return paired ? kMcNemar : kChi;
    }
    return kZ;
}

std::vector<uint64_t> Model::validTestsForDistribution(uint64_t distribution, uint64_t samples, bool paired) {
    // Both kinds of means offer the t-test, which is also their default.
    if (distribution <= 1)
        return {kZ, kT};
    if (distribution == kProportions) {
        if (samples == 1)
            return {kExact};
        if (paired)
            return {kMcNemar, kExact};
        return {kZ, kChi};
    }
    return {kZ};
}

std::string Model::statForTest(uint64_t test) {
    switch (test) {
    case kZ:
        return "Z";
    case kT:
        return "t";
    case kChi:
    case kMcNemar:
        return "χ²";
    default:
        return "!";
    }
}

std::optional<std::string> Model::nameForTest(uint64_t test, uint64_t tails, uint64_t samples, bool paired) {
    if (tails > 2 || test > kMcNemar)
        return std::nullopt;
    const bool one = tails != 0;
    // Columns: one sample, two samples, paired.
    static const char* const names[5][2][3] = {
        {{"One sample two tail z-test", "Two sample two tail z-test", "Paired two tail z-test"},
         {"One sample one tail z-test", "Two sample one tail z-test", "Paired one tail z-test"}},
        {{"One sample two tail t-test", "Welch's two sample two tail t-test", "Paired two tail t-test"},
         {"One sample one tail t-test", "Welch's two sample one tail t-test", "Paired one tail t-test"}},
        {{"One sample two tail binomial test", "One sample two tail binomial test",
          "One sample two tail binomial test"},
         {"One sample one tail binomial test", "One sample one tail binomial test",
          "One sample one tail binomial test"}},
        {{"One sample two tail Chi-square test", "Two sample two tail Chi-square test",
          "Paired two tail Chi-square test"},
         {"One sample one tail Chi-square test", "Two sample one tail Chi-square test",
          "Paired one tail Chi-square test"}},
        {{"Paired two tail McNemar's Chi-squared test", "Paired two tail McNemar's Chi-squared test",
          "Paired two tail McNemar's Chi-squared test"},
         {"Paired one tail McNemar's Chi-squared test", "Paired one tail McNemar's Chi-squared test",
          "Paired one tail McNemar's Chi-squared test"}},
    };
    const int column = samples == 1 ? 0 : (paired ? 2 : 1);
    return foundation::tr(names[test][one ? 1 : 0][column]);
}
