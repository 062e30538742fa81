// The regression benchmarks' workspace of 13 columns: y, x1..x10, group and answer. y is linear in the
// x's with noise (empty on every 101st row), group alternates A and B, and answer is yes or no around a
// logistic score of the x's; the same seed each time.
#pragma once

#include "bench/BenchWorkspace.h"
#include "model/Model.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace benchregression {

constexpr int kRegressors = 10;
// Columns by number: 0 y, 1..10 x1..x10, 11 group, 12 answer.
constexpr size_t kGroup = 11, kAnswer = 12;

using Texts = std::vector<std::vector<std::string>>; // by column, then row

inline std::string decimal(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", v);
    return buffer;
}

// Writes the rows into the open workspace (numbers with "." as decimal separator; the x's and y typed
// numeric, group nominal, answer binary) and, where asked, keeps the same texts by column in `texts`.
inline void writeWorkspace(Model& m, int64_t rows, Texts* texts = nullptr) {
    m.setMetadataValue(".", "decimalSeparator");
    std::vector<std::string> names{"y"};
    for (int j = 1; j <= kRegressors; ++j)
        names.push_back("x" + std::to_string(j));
    names.push_back("group");
    names.push_back("answer");
    if (texts)
        texts->assign(names.size(), {});
    std::mt19937_64 random(42);
    std::normal_distribution<double> normal(0, 1);
    benchworkspace::writeRows(m, names, rows, [&](int64_t r) {
        std::vector<std::string> row(names.size());
        double y = 5, eta = -0.5;
        for (int j = 1; j <= kRegressors; ++j) {
            const double x = 10 * normal(random) + j;
            row[size_t(j)] = decimal(x);
            y += 0.1 * j * x;
            eta += (j % 2 ? 0.02 : -0.015) * x;
        }
        y += 3 * normal(random);
        row[0] = r % 101 == 0 ? "" : decimal(y);
        row[kGroup] = r % 2 ? "A" : "B";
        row[kAnswer] = normal(random) < eta ? "yes" : "no";
        if (texts)
            for (size_t c = 0; c < row.size(); ++c)
                (*texts)[c].push_back(row[c]);
        return row;
    });
    auto columns = m.columns();
    for (int c = 0; c <= kRegressors; ++c)
        columns[size_t(c)]->setType(3);
    columns[kGroup]->setType(1);
    columns[kAnswer]->setType(2);
    m.saveContext();
}

} // namespace benchregression
