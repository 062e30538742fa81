// Reads the committed reference tables of tests/fixtures/stats: one routine call per line,
// "name arg1 arg2 ... value".
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct ReferenceRow {
    std::string name;
    std::vector<double> args;
    double value = 0;
    std::string line;
};

inline std::vector<ReferenceRow> readReferenceTable(const std::string& path) {
    std::vector<ReferenceRow> rows;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        ReferenceRow row;
        row.line = line;
        if (!(fields >> row.name))
            continue;
        std::string token;
        while (fields >> token)
            row.args.push_back(std::stod(token)); // tests run in the C locale
        if (row.args.empty())
            continue;
        row.value = row.args.back();
        row.args.pop_back();
        rows.push_back(row);
    }
    return rows;
}

// |a - b| / |b|, or |a - b| when b is 0.
inline double relativeDistance(double a, double b) {
    const double d = a > b ? a - b : b - a;
    const double m = b < 0 ? -b : b;
    return m == 0 ? d : d / m;
}
