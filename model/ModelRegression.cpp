// Design matrices from stored columns, the linear and logistic regressions built on them, and the
// single-column summaries of the same interface.
#include "model/CellReading.h"
#include "model/LevelCodes.h"
#include "model/Model.h"
#include "model/RowSetTexts.h"
#include "stats/QVStatistics.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr int64_t kBinary = 2, kDate = 4;

// One column of a design: its rows that gave a value, ascending, and the values.
struct ColumnValues {
    std::vector<int64_t> rows;
    std::vector<double> values;
};

// Seeds the codes of a binary column that has no levels given: the first two distinct texts in the order
// met, turned round when both read as numbers and the second is the smaller, so "0"/"1" and "1"/"2"
// columns keep their meaning whatever row comes first.
FactorCodes firstTwoLevels(Model& model, const std::vector<std::string_view>& texts) {
    FactorCodes codes;
    const std::string_view* first = nullptr;
    const std::string_view* second = nullptr;
    for (const auto& text : texts) {
        if (text.empty())
            continue;
        if (!first) {
            first = &text;
            continue;
        }
        if (text != *first) {
            second = &text;
            break;
        }
    }
    if (!first)
        return codes;
    if (!second) {
        codes.emplace(*first, 0);
        return codes;
    }
    const auto a = model.decimalNumberForString(*first);
    const auto b = model.decimalNumberForString(*second);
    const bool swap = a && b && *b < *a;
    codes.emplace(*first, swap ? 1 : 0);
    codes.emplace(*second, swap ? 0 : 1);
    return codes;
}

// The rows present in every column, ascending.
std::vector<int64_t> commonRows(const std::vector<ColumnValues>& columns) {
    if (columns.empty())
        return {};
    std::vector<int64_t> common = columns.front().rows;
    std::vector<int64_t> next;
    for (size_t c = 1; c < columns.size(); ++c) {
        next.clear();
        std::set_intersection(common.begin(), common.end(), columns[c].rows.begin(), columns[c].rows.end(),
                              std::back_inserter(next));
        common.swap(next);
    }
    return common;
}

std::vector<double> valuesAtRows(const ColumnValues& column, const std::vector<int64_t>& rows) {
    std::vector<double> out;
    out.reserve(rows.size());
    size_t i = 0;
    for (int64_t row : rows) {
        while (column.rows[i] < row)
            ++i;
        out.push_back(column.values[i]);
    }
    return out;
}

// The design of columns given as plain pointers, so that a response handed over by reference reads
// like the regressors.
DesignMatrix designOfColumns(Model& model, const std::vector<const Column*>& columns,
                             const std::optional<std::vector<int64_t>>& rows,
                             const DesignMetadata* metadata) {
    DesignMatrix out;
    std::vector<ColumnValues> read;
    read.reserve(columns.size());
    const auto& context_ = model.managedObjectContext();
    cellreading::NumberReader numbers(model);
    store::PackedGroupTexts buffer; // the records of one column after another
    for (const auto& column : columns) {
        out.names.push_back(column ? column->name() : std::string());
        ColumnValues values;
        if (!column || !context_) {
            read.push_back(std::move(values));
            continue;
        }
        const DesignColumnMetadata* given = nullptr;
        if (metadata)
            if (auto it = metadata->find(column->num()); it != metadata->end())
                given = &it->second;
        const int64_t type = given && given->type ? *given->type : column->type().value_or(0);
        const RowSetTextViews cells(*context_, column->num(), rows, buffer);
        values.rows.reserve(cells.rows().size());
        values.values.reserve(cells.rows().size());
        if (type == kBinary) {
            LevelCodes codes(given && given->levels && !given->levels->empty()
                                 ? *given->levels
                                 : firstTwoLevels(model, cells.texts()));
            for (size_t i = 0; i < cells.rows().size(); ++i) {
                const int64_t code = codes.code(cells.texts()[i]);
                if (!LevelCodes::isOutcome(code))
                    continue;
                values.rows.push_back(cells.rows()[i]);
                values.values.push_back(static_cast<double>(code));
            }
            for (const auto& [text, code] : codes.codes())
                if (code == 1) {
                    out.names.back() = "(" + column->name() + "=" + text + ")";
                    break;
                }
        } else {
            for (size_t i = 0; i < cells.rows().size(); ++i) {
                const auto v =
                    type == kDate ? model.dateForString(cells.texts()[i]) : numbers.number(cells.texts()[i]);
                if (!v)
                    continue;
                values.rows.push_back(cells.rows()[i]);
                values.values.push_back(*v);
            }
        }
        read.push_back(std::move(values));
    }
    const std::vector<int64_t> common = commonRows(read);
    out.Xmat.reserve(read.size());
    for (auto& column : read) {
        // The common rows are among the column's: as many means the same rows.
        if (column.rows.size() == common.size())
            out.Xmat.push_back(std::move(column.values));
        else
            out.Xmat.push_back(valuesAtRows(column, common));
    }
    return out;
}

// What a least-squares and a logistic fit have in common: the coefficients with their errors and tests,
// the residuals, the fitted values and the count of observations used.
template <class Fit> void takeCommonFit(RegressionResult& out, Fit& fit) {
    out.coeffs = std::move(fit.coeffs);
    out.variance = std::move(fit.variance);
    out.t = std::move(fit.t);
    out.p = std::move(fit.p);
    out.residuals = std::move(fit.residuals);
    out.yhat = std::move(fit.yhat).value_or(std::vector<double>{});
    out.N = fit.N;
    out.r2adj = fit.r2adj;
}

} // namespace

DesignMatrix Model::numericOfColumns(const std::vector<std::shared_ptr<Column>>& columns,
                                     const std::optional<std::vector<int64_t>>& rows,
                                     const DesignMetadata* metadata) {
    std::vector<const Column*> plain;
    plain.reserve(columns.size());
    for (const auto& column : columns)
        plain.push_back(column.get());
    return designOfColumns(*this, plain, rows, metadata);
}

RegressionResult Model::olsY(const std::vector<double>& y, std::vector<std::vector<double>> X, bool logit) {
    QVStatistics& stats = functions();
    RegressionResult out;
    out.logistic = logit;
    std::vector<size_t> marked;
    for (size_t j = 0; j < X.size(); ++j) {
        if (stats.sdNormal(X[j]) == 0) {
            out.drop.emplace_back("constant");
            marked.push_back(j);
            continue;
        }
        std::string label = "keep";
        for (size_t m = j + 1; m < X.size(); ++m) {
            if (std::fabs(1 - std::fabs(stats.correlation(X[j], X[m]))) < 1e-10) {
                label = "collinear";
                marked.push_back(j);
                break;
            }
        }
        out.drop.push_back(label);
    }
    for (auto it = marked.rbegin(); it != marked.rend(); ++it)
        X.erase(X.begin() + static_cast<std::ptrdiff_t>(*it));
    // Equal values have no spread, even where their mean, formed in floating point, differs from them by
    // a rounding.
    const bool constant = y.size() > 1 && std::adjacent_find(y.begin(), y.end(), std::not_equal_to<>()) == y.end();
    out.varianceDep = constant ? 0.0 : stats.sdNormal(y);
    X.emplace_back(y.size(), 1.0);
    out.drop.emplace_back("keep");

    if (logit) {
        LogitResult fit = stats.logit(y, X);
        takeCommonFit(out, fit);
        out.LL0 = fit.LL0;
        out.LL = fit.LL;
        out.numIter = fit.numIter;
        out.AIC = fit.AIC;
        out.AICc = fit.AICc.value_or(NAN);
        out.converged = fit.converged;
        out.numPerfectPredict = fit.numPerfectPredict;
        out.roc = fit.roc.value_or(std::vector<std::array<double, 2>>{});
        out.AUC = fit.AUC.value_or(NAN);
    } else {
        OLSResult fit = stats.ols(y, X);
        takeCommonFit(out, fit);
        out.r2 = fit.r2;
        out.rmse = fit.rmse;
    }
    if (!out.coeffs.empty()) {
        for (size_t j : marked) {
            for (auto* v : {&out.coeffs, &out.variance, &out.t, &out.p})
                if (j <= v->size())
                    v->insert(v->begin() + static_cast<std::ptrdiff_t>(j), NAN);
        }
    }
    out.y = y;
    return out;
}

RegressionResult Model::ols(const Column& Y, const std::vector<std::shared_ptr<Column>>& Xs,
                            const std::optional<std::vector<int64_t>>& rows, bool isLogit,
                            const FactorCodes* levels) {
    DesignMetadata metadata;
    if (isLogit) {
        DesignColumnMetadata response{kBinary, std::nullopt};
        if (levels)
            response.levels = *levels;
        metadata.emplace(Y.num(), std::move(response));
    }
    std::vector<const Column*> columns;
    for (const auto& column : Xs)
        columns.push_back(column.get());
    columns.push_back(&Y);
    DesignMatrix design = designOfColumns(*this, columns, rows, isLogit ? &metadata : nullptr);
    std::vector<double> response = std::move(design.Xmat.back());
    std::string nameLHS = std::move(design.names.back());
    design.Xmat.pop_back();
    design.names.pop_back();
    RegressionResult out = olsY(response, std::move(design.Xmat), isLogit);
    out.names = std::move(design.names);
    out.nameLHS = std::move(nameLHS);
    return out;
}

bool Model::regressionTypeOfAnalysis(const Analysis& analysis) {
    return analysis.distribution() == 2;
}

namespace {

// The share of the more frequent of a binary column's levels (of the two least frequent, should an
// edit have left more than two).
double binaryShare(const FrequencyDictionary& frequencies) {
    std::vector<int64_t> counts;
    for (const auto& [text, count] : frequencies)
        if (!text.empty())
            counts.push_back(count);
    if (counts.size() < 2)
        return NAN;
    std::sort(counts.begin(), counts.end());
    return static_cast<double>(counts[1]) / static_cast<double>(counts[0] + counts[1]);
}

} // namespace

double Model::meanOfColumn(const Column& column) {
    if (column.type().value_or(0) == kBinary)
        return binaryShare(frequenciesOfColumn(column));
    return functions().mean(numericOfColumn(column));
}

double Model::sdOfColumn(const Column& column) {
    if (column.type().value_or(0) == kBinary)
        return functions().sdBinomial(meanOfColumn(column));
    return functions().sdNormal(numericOfColumn(column));
}

double Model::skewnessOfColumn(const Column& column) {
    return functions().skewness(numericOfColumn(column));
}

double Model::kurtosisOfColumn(const Column& column) {
    return functions().kurtosis(numericOfColumn(column));
}

uint64_t Model::countOfColumn(const Column& column) {
    return numericOfColumn(column).size();
}

std::map<double, double> Model::percentilesOfColumn(const std::vector<double>& percentiles,
                                                    const Column& column) {
    return functions().percentiles(percentiles, numericOfColumn(column));
}
