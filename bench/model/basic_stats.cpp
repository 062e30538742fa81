// The statistics cache of every column of a 100,000-row workspace (basicStatsForColumn) against a bare
// scan that selects the same cell texts and converts them with strtod. Numeric columns carry the
// target (at most 3x); columns of words and of dates are reported with the same baseline.
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
#include "model/Model.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using benchtiming::seconds;

constexpr int kRows = 100000;
constexpr int kRuns = 3;

using benchworkspace::openModel;

using Maker = std::function<std::string(std::mt19937_64&, int column)>;

void makeWorkspace(const std::string& file, int columns, const Maker& make) {
    auto m = openModel(file);
    m->setMetadataValue(".", "decimalSeparator");
    std::mt19937_64 rng(5);
    benchworkspace::writeRows(*m, benchworkspace::numberedNames(columns), kRows, [&](int64_t) {
        std::vector<std::string> data(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c)
            data[size_t(c)] = make(rng, c);
        return data;
    });
}

std::string number(std::mt19937_64& rng, int column) {
    const auto v = static_cast<long>(rng() % 2000000) - 1000000;
    // Some columns whole numbers, some with two decimals, a few empty cells.
    if (rng() % 50 == 0)
        return "";
    if (column % 3 == 0)
        return std::to_string(v);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%ld.%02ld", v / 100, std::labs(v % 100));
    return buffer;
}

std::string word(std::mt19937_64& rng, int column) {
    static const char* words[] = {"apple", "Category B", "male", "female",  "n/a",  "yes",     "no",
                                  "Paris", "blue",       "Ohio", "control", "high", "low-dose"};
    const auto pick = rng() % 13;
    return std::string(words[pick]) + (column % 2 ? " " + std::to_string(rng() % 100) : "");
}

std::string date(std::mt19937_64& rng, int column) {
    char buffer[32];
    const int y = 1990 + static_cast<int>(rng() % 35), m = 1 + static_cast<int>(rng() % 12),
              d = 1 + static_cast<int>(rng() % 28);
    if (column % 2)
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", y, m, d);
    else
        std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", m, d, y);
    return buffer;
}

struct Result {
    double model, bare;
    double inMemory, inMemoryBare; // the same work on cells already fetched
};

Result measure(const std::string& file, int columns) {
    auto model = openModel(file);
    auto cols = model->columns();
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT \"data\" FROM \"Cell\" WHERE \"colNum\" = ?", -1, &select, nullptr);
    double sink = 0;
    std::vector<double> throughModel, bare;
    for (int run = 0; run < kRuns; ++run) {
        throughModel.push_back(seconds([&] {
            for (auto& c : cols)
                model->basicStatsForColumn(*c);
            sink += static_cast<double>(cols.front()->obs().value_or(0));
        }));
        model->managedObjectContext()->reset(); // unsaved: each run computes afresh
        cols = model->columns();
        bare.push_back(seconds([&] {
            for (int c = 0; c < columns; ++c) {
                sqlite3_bind_int(select, 1, c);
                double sum = 0;
                while (sqlite3_step(select) == SQLITE_ROW) {
                    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(select, 0));
                    char* end = nullptr;
                    const double v = std::strtod(text ? text : "", &end);
                    if (end && *end == 0 && end != text)
                        sum += v;
                }
                sqlite3_reset(select);
                sink += sum;
            }
        }));
    }
    sqlite3_finalize(select);
    sqlite3_close(db);

    // Without the store: the statistics of cells in memory against strtod over their texts.
    double inMemory = 0, inMemoryBare = 0;
    for (auto& c : cols) {
        auto cells = model->cellsForColumn(*c);
        inMemory += seconds([&] { sink += static_cast<double>(model->basicStatsForCells(cells).obs); });
        inMemoryBare += seconds([&] {
            double sum = 0;
            for (const auto& cell : cells) {
                const std::string& text = cell->data();
                char* end = nullptr;
                const double v = std::strtod(text.c_str(), &end);
                if (*end == 0 && end != text.c_str())
                    sum += v;
            }
            sink += sum;
        });
    }
    std::sort(throughModel.begin(), throughModel.end());
    std::sort(bare.begin(), bare.end());
    if (sink == 0.12345)
        std::puts("");
    return {throughModel[kRuns / 2], bare[kRuns / 2], inMemory, inMemoryBare};
}

} // namespace

int main() {
    std::setlocale(LC_ALL, "C"); // strtod of the baseline reads "."
    const benchfiles::ScratchFolder folder("stats");
    struct Kind {
        const char* name;
        int columns;
        Maker make;
    };
    const Kind kinds[] = {{"numbers", 50, number}, {"words", 10, word}, {"dates", 10, date}};
    int status = 0;
    for (const auto& k : kinds) {
        const std::string file = folder.file(std::string(k.name) + ".ov");
        makeWorkspace(file, k.columns, k.make);
        const Result r = measure(file, k.columns);
        const double ratio = r.model / r.bare;
        const bool target = std::string(k.name) == "numbers";
        std::printf(
            "statistics of %d columns x %d rows of %s: basicStatsForColumn %.0f ms, bare SELECT + strtod "
            "%.0f ms, ratio %.2f%s\n",
            k.columns, kRows, k.name, r.model * 1e3, r.bare * 1e3, ratio, target ? " (target <= 3)" : "");
        std::printf("  cells already in memory: basicStatsForCells %.0f ms, strtod %.0f ms, ratio %.2f\n",
                    r.inMemory * 1e3, r.inMemoryBare * 1e3, r.inMemory / r.inMemoryBare);
        if (target && ratio > 3)
            status = 1;
    }
    return status;
}
