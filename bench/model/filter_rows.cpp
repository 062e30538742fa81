// A two-clause filter (a numeric range clause and a case-insensitive text clause) over a 100,000-row
// workspace. Prints rows per second (median of rounds) and, as a baseline measured in the same run,
// a bare read of the same two columns' cells with strtod on the numeric texts.
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
#include "model/Model.h"
#include "platform/foundation/Locale.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using benchtiming::secondsSince;

constexpr int64_t kRows = 100000;
constexpr int kRounds = 5;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The baseline: one statement per column over the same index, the texts converted with strtod.
size_t bareScan(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    size_t kept = 0;
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowNum, data FROM Cell WHERE colNum = ? ORDER BY rowNum", -1, &s, nullptr);
    for (int col : {0, 1}) {
        sqlite3_bind_int(s, 1, col);
        while (sqlite3_step(s) == SQLITE_ROW) {
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
            kept += col == 0 ? std::strtod(text ? text : "", nullptr) > 0 : (text && text[0] == 'e');
        }
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return kept;
}

} // namespace

int main() {
    foundation::setCurrentLocale("en_US");
    namespace fs = std::filesystem;
    const benchfiles::ScratchFolder folder("filter");
    const std::string path = folder.file("Filter.ov");

    const auto opened = benchworkspace::openModel(path);
    Model& m = *opened;
    m.setMetadataValue(".", "decimalSeparator");
    m.addColumns({"x", "group"});
    auto columns = m.columns();
    columns[0]->setType(3);
    columns[1]->setType(1);
    for (int64_t r = 1; r <= kRows; ++r) {
        std::string x = std::to_string(r % 1000) + "." + std::to_string(r % 7);
        m.addRow(static_cast<uint64_t>(r), {r % 97 == 0 ? "" : x, r % 3 ? "Control" : "Éssai"}, columns);
    }
    m.saveContext();

    const std::vector<WhereClauseObj> filter{{0, FilterGreaterOrEqual, "250"}, {1, FilterEqual, "éSSAI"}};
    std::vector<double> filterTimes, bareTimes;
    size_t passed = 0, kept = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto start = std::chrono::steady_clock::now();
        passed = m.rowsWhere(filter).value_or(std::vector<int64_t>{}).size();
        filterTimes.push_back(secondsSince(start));
        start = std::chrono::steady_clock::now();
        kept = bareScan(path);
        bareTimes.push_back(secondsSince(start));
    }
    const double filterSeconds = median(filterTimes), bareSeconds = median(bareTimes);
    std::printf("two-clause filter (x >= 250, group = text) over %lld rows, median of %d rounds:\n",
                static_cast<long long>(kRows), kRounds);
    std::printf("  rowsWhere:              %.0f rows/s (%zu rows pass)\n", kRows / filterSeconds, passed);
    std::printf("  bare scan with strtod:  %.0f rows/s (%zu hits)\n", kRows / bareSeconds, kept);
    std::printf("  rowsWhere time / bare scan time: %.2f\n", filterSeconds / bareSeconds);
    return 0;
}
