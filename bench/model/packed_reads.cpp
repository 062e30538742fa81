// Reads of a 100,000 x 50 workspace kept by column in records:
// 1. The column statistics of the 50 stored columns (as the end of an import computes them) against
//    the same statistics over the same texts already in memory (the target, <= 1.5x).
// 2. A window of 50 rows x 20 columns at row 50,000, fetched as the Browse grid fetches it on a
//    scroll (cell objects in row then column order, the records already read kept), against reading
//    the same 1,000 texts from a wide SQLite table of the same data (the target, <= 5x); the first
//    read of a window, whose records are not yet decoded, is printed beside it.
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
#include "model/Model.h"
#include "platform/foundation/Locale.h"
#include "platform/store/FetchedResultsController.h"

#include <sqlite3.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

using benchtiming::medianSeconds;

constexpr int kRows = 100000;
constexpr int kCols = 50;
constexpr int kWindowRow = 50000, kWindowRows = 50, kWindowCols = 20;
constexpr int kRuns = 5, kWindowRuns = 101;

std::string cellText(int row, int col) {
    switch (col % 5) {
    case 0:
        return "level " + std::to_string(row * (col + 1) % 13);
    case 1:
        return std::to_string(row * (col + 7) % 100003);
    default:
        return std::to_string(row * (col + 3) % 9973) + "." + std::to_string((row + col) % 100);
    }
}

// The workspace, and the same texts by column in memory.
std::vector<std::vector<std::string>> makeWorkspace(Model& m) {
    m.setMetadataValue(".", "decimalSeparator");
    std::vector<std::vector<std::string>> texts(kCols);
    benchworkspace::writeRows(m, benchworkspace::numberedNames(kCols), kRows, [&](int64_t r) {
        std::vector<std::string> data(kCols);
        for (int c = 0; c < kCols; ++c) {
            data[size_t(c)] = cellText(int(r), c);
            texts[size_t(c)].push_back(data[size_t(c)]);
        }
        return data;
    });
    return texts;
}

void makeWideTable(const std::string& file, const std::vector<std::vector<std::string>>& texts) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    std::string create = "CREATE TABLE wide (rowNum INTEGER PRIMARY KEY", insert = "INSERT INTO wide VALUES (?";
    for (int c = 0; c < kCols; ++c) {
        create += ", Var" + std::to_string(c + 1) + " TEXT";
        insert += ", ?";
    }
    sqlite3_exec(db, (create + ")").c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &s, nullptr);
    for (int r = 0; r < kRows; ++r) {
        sqlite3_bind_int64(s, 1, r + 1);
        for (int c = 0; c < kCols; ++c)
            sqlite3_bind_text(s, c + 2, texts[size_t(c)][size_t(r)].data(), int(texts[size_t(c)][size_t(r)].size()),
                              SQLITE_STATIC);
        sqlite3_step(s);
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

volatile size_t sink = 0;

} // namespace

int main() {
    foundation::setCurrentLocale("en_US");
    const benchfiles::ScratchFolder folder("packed-reads");
    const std::string file = folder.file("Reads.ov"), wide = folder.file("wide.sqlite");
    std::printf("making a %d x %d workspace...\n", kRows, kCols);
    std::fflush(stdout);
    auto model = benchworkspace::openModel(file);
    const auto texts = makeWorkspace(*model);
    makeWideTable(wide, texts);
    int status = 0;

    // 1. Column statistics.
    std::vector<int64_t> nums;
    for (const auto& column : model->columns())
        nums.push_back(column->num());
    std::vector<BasicStats> stored, inMemory(kCols);
    const auto statsTimes = medianSeconds(kRuns, {
        [&] { stored = model->dictBasicStatsForColumns(nums); },
        [&] {
            for (int c = 0; c < kCols; ++c) {
                const std::vector<std::string_view> views(texts[size_t(c)].begin(), texts[size_t(c)].end());
                inMemory[size_t(c)] = model->basicStatsForTexts(views);
            }
        },
    });
    bool same = stored.size() == inMemory.size();
    for (size_t c = 0; same && c < stored.size(); ++c)
        same = stored[c].obs == inMemory[c].obs && stored[c].obsNumeric == inMemory[c].obsNumeric &&
               stored[c].levels == inMemory[c].levels && stored[c].mean == inMemory[c].mean &&
               stored[c].sd == inMemory[c].sd && stored[c].pc50 == inMemory[c].pc50;
    const double statsRatio = statsTimes[0] / statsTimes[1];
    std::printf("column statistics of %d stored columns: %.3f s; the same over the texts in memory %.3f s; "
                "ratio %.2f (target <= 1.5); results %s\n",
                kCols, statsTimes[0], statsTimes[1], statsRatio, same ? "identical" : "DIFFER");
    status |= !same || statsRatio > 1.5;

    // 2. The window.
    auto context = model->managedObjectContext();
    store::FetchRequest request{Cell::entityName,
                                "\"rowNum\" BETWEEN ? AND ? AND \"colNum\" < ?",
                                {store::Value(int64_t(kWindowRow)), store::Value(int64_t(kWindowRow + kWindowRows - 1)),
                                 store::Value(int64_t(kWindowCols))},
                                {{"rowNum", true}, {"colNum", true}},
                                0};
    size_t fetched = 0, selected = 0;
    auto fetchWindow = [&] {
        context->reset();
        store::FetchedResultsController controller(request, context, "rowNum");
        controller.performFetch();
        size_t bytes = 0;
        for (const auto& o : controller.fetchedObjects())
            bytes += std::static_pointer_cast<Cell>(o)->data().size();
        fetched = controller.fetchedObjects().size();
        sink = bytes;
    };
    // The first read of a window at another run of rows: its records are decoded then.
    request.arguments[0] = store::Value(int64_t(kWindowRow + 8192));
    request.arguments[1] = store::Value(int64_t(kWindowRow + 8192 + kWindowRows - 1));
    const double firstRead = benchtiming::seconds(fetchWindow);
    request.arguments[0] = store::Value(int64_t(kWindowRow));
    request.arguments[1] = store::Value(int64_t(kWindowRow + kWindowRows - 1));
    sqlite3* db = nullptr;
    sqlite3_open_v2(wide.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::string select = "SELECT ";
    for (int c = 0; c < kWindowCols; ++c)
        select += std::string(c ? ", " : "") + "Var" + std::to_string(c + 1);
    select += " FROM wide WHERE rowNum BETWEEN ?1 AND ?2 ORDER BY rowNum";
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, select.c_str(), -1, &s, nullptr);
    auto readWide = [&] {
        sqlite3_bind_int64(s, 1, kWindowRow);
        sqlite3_bind_int64(s, 2, kWindowRow + kWindowRows - 1);
        size_t bytes = 0, n = 0;
        while (sqlite3_step(s) == SQLITE_ROW)
            for (int c = 0; c < kWindowCols; ++c) {
                std::string text(reinterpret_cast<const char*>(sqlite3_column_text(s, c)), size_t(sqlite3_column_bytes(s, c)));
                bytes += text.size();
                ++n;
            }
        sqlite3_reset(s);
        selected = n;
        sink = bytes;
    };
    const auto windowTimes = medianSeconds(kWindowRuns, {fetchWindow, readWide});
    sqlite3_finalize(s);
    sqlite3_close(db);
    const double windowRatio = windowTimes[0] / windowTimes[1];
    std::printf("window of %d rows x %d columns at row %d (%zu cells; %zu texts from the wide table): %.3f ms "
                "(first read of a window %.3f ms); wide SQLite table %.3f ms; ratio %.2f (target <= 5)\n",
                kWindowRows, kWindowCols, kWindowRow, fetched, selected, windowTimes[0] * 1000, firstRead * 1000,
                windowTimes[1] * 1000, windowRatio);
    status |= fetched != size_t(kWindowRows * kWindowCols) || windowRatio > 5;
    return status;
}
