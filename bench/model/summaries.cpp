// The one-variable summary of a numeric column, a 20 x 20 two-way table and a grouped summary over
// 20 groups on a 100,000-row workspace, each against reading and parsing the same cells through the
// Model's own number reader in the same run.
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
#include "model/CellReading.h"
#include "model/CellTexts.h"
#include "model/Model.h"
#include "platform/foundation/Locale.h"

#include <functional>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int64_t kRows = 100000;
constexpr int kRounds = 5;

// The baseline: each column's cells read and every text parsed by the Model's number reader.
size_t readAndParse(Model& m, const std::vector<int64_t>& columns) {
    size_t numbers = 0;
    cellreading::NumberReader reader(m);
    for (int64_t c : columns) {
        CellTexts cells = columnCellTexts(*m.managedObjectContext(), c);
        for (const auto& text : cells.texts)
            numbers += reader.number(text).has_value();
    }
    return numbers;
}

// The texts alone: words with digits ("Region 5") go to the full locale reader in the baseline above,
// so the plain read is printed too, as the stricter yardstick.
size_t readOnly(Model& m, const std::vector<int64_t>& columns) {
    size_t cells = 0;
    for (int64_t c : columns)
        cells += columnCellTexts(*m.managedObjectContext(), c).texts.size();
    return cells;
}

// Median wall-clock seconds of kRounds runs.
double timed(const std::function<void()>& f) {
    return benchtiming::medianSeconds(kRounds, {f})[0];
}

} // namespace

int main() {
    foundation::setCurrentLocale("en_US");
    namespace fs = std::filesystem;
    const benchfiles::ScratchFolder folder("summaries");
    const std::string path = folder.file("Summaries.ov");

    const auto opened = benchworkspace::openModel(path);
    Model& m = *opened;
    m.setWritesWithoutSync(true);
    m.setMetadataValue(".", "decimalSeparator");
    // Columns by num: 0 x (numbers with two decimals), 1 region (20 levels), 2 product (20 levels).
    m.addColumns({"x", "region", "product"});
    auto columns = m.columns();
    columns[0]->setType(3);
    columns[1]->setType(1);
    columns[2]->setType(1);
    std::mt19937_64 random(7);
    std::normal_distribution<double> normal(50, 12);
    std::vector<std::string> row(3);
    for (int64_t r = 1; r <= kRows; ++r) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.2f", normal(random));
        row[0] = r % 97 == 0 ? "" : buffer;
        row[1] = "Region " + std::to_string(random() % 20 + 1);
        row[2] = "Product " + std::to_string(std::min(random() % 20, random() % 20) + 1);
        m.addRow(static_cast<uint64_t>(r), row, columns);
    }
    for (auto& c : columns)
        m.basicStatsForColumn(*c);
    m.saveContext();
    m.setWritesWithoutSync(false);

    // A background Model as the analysis screens use.
    const auto background = benchworkspace::backgroundModel(m);
    Model& bg = *background;
    auto x = bg.columnNumber(0), region = bg.columnNumber(1), product = bg.columnNumber(2);

    size_t parsed = 0;
    const double baseOne = timed([&] { parsed = readAndParse(bg, {0}); });
    const double baseTwoWay = timed([&] { parsed = readAndParse(bg, {1, 2}); });
    const double baseGroups = timed([&] { parsed = readAndParse(bg, {1, 0}); });
    size_t cells = 0;
    const double readTwoWay = timed([&] { cells = readOnly(bg, {1, 2}); });
    const double readGroups = timed([&] { cells = readOnly(bg, {1, 0}); });

    VariableDetailResult detail;
    const double detailTime = timed([&] { detail = bg.varDetailForColumn(*x, std::nullopt); });
    TwoWayTableResult table;
    const double tableTime =
        timed([&] { table = bg.twoWayTabOfColumn(*region, *product, 20, 0, false, std::nullopt); });
    GroupSummaryResult groups;
    const double groupTime = timed([&] { groups = bg.tabColumn(*region, *x, 20, std::nullopt); });

    std::printf("summaries over %lld rows, median of %d rounds (baselines: read + parse the same columns "
                "through the Model's number reader, %zu numbers in the last):\n",
                static_cast<long long>(kRows), kRounds, parsed);
    std::printf("  variable detail, numeric:  %.3f s  baseline %.3f s  ratio %.2f (target <= 5), sd %.4f\n",
                detailTime, baseOne, detailTime / baseOne, detail.sd.value_or(NAN));
    std::printf("  two-way table, %zu x %zu:   %.3f s  baseline %.3f s  ratio %.2f (target <= 3), chi %.2f\n",
                table.freqs.size(), table.freqs.empty() ? 0 : table.freqs[0].size(), tableTime, baseTwoWay,
                tableTime / baseTwoWay, table.chisq);
    std::printf("  grouped summary, %zu groups: %.3f s  baseline %.3f s  ratio %.2f (target <= 5), F %.3f\n",
                groups.summary.size(), groupTime, baseGroups, groupTime / baseGroups, groups.F);
    std::printf("  against reading the texts alone (%zu cells): two-way table ratio %.2f, grouped summary "
                "ratio %.2f\n",
                cells, tableTime / readTwoWay, groupTime / readGroups);
    return 0;
}
