// The Browse screen's export of a 100,000 x 50 workspace, as its task writes it (one row fetched at a
// time, the context reset every 100 lines), against one prepared statement reading the same cells in
// (rowNum, colNum) order into the same CSV writer (the target, <= 2x); both as MB/s of CSV written.
#include "app/BrowseExport.h"
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
#include "import/CHCSVWriter.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using benchtiming::medianSeconds;

constexpr int kRows = 100000;
constexpr int kCols = 50;
constexpr int kRuns = 5;

void makeWorkspace(const std::string& file) {
    auto m = benchworkspace::openModel(file);
    m->setWritesWithoutSync(true);
    std::vector<std::string> names;
    for (int c = 0; c < kCols; ++c)
        names.push_back("Var" + std::to_string(c + 1));
    m->addColumns(names);
    auto columns = m->columns();
    std::vector<std::string> data(kCols);
    for (int r = 1; r <= kRows; ++r) {
        for (int c = 0; c < kCols; ++c)
            data[size_t(c)] = c % 5 == 4 ? (r % 7 ? "level " + std::to_string(r % 13) : "a, b")
                                         : std::to_string(r * (c + 3) % 9973) + "." + std::to_string(c);
        m->addRow(uint64_t(r), data, columns);
        if (r % 1000 == 0) {
            m->saveContext();
            m->managedObjectContext()->reset();
            columns = m->columns();
        }
    }
    m->saveContext();
    m->setWritesWithoutSync(false);
}

// The floor: the same cells in one pass of one statement, the header line first.
void writeBare(const std::string& file, const std::string& out) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    CHCSVWriter writer(out);
    sqlite3_stmt* names = nullptr;
    sqlite3_prepare_v2(db, "SELECT \"name\" FROM \"Column\" ORDER BY \"order\"", -1, &names, nullptr);
    while (sqlite3_step(names) == SQLITE_ROW)
        writer.writeField(std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(names, 0)),
                                           size_t(sqlite3_column_bytes(names, 0))));
    sqlite3_finalize(names);
    writer.finishLine();
    sqlite3_stmt* cells = nullptr;
    sqlite3_prepare_v2(db, "SELECT \"rowNum\", \"data\" FROM \"Cell\" ORDER BY \"rowNum\", \"colNum\"", -1, &cells,
                       nullptr);
    int64_t row = -1;
    while (sqlite3_step(cells) == SQLITE_ROW) {
        const int64_t r = sqlite3_column_int64(cells, 0);
        if (row >= 0 && r != row)
            writer.finishLine();
        row = r;
        writer.writeField(std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(cells, 1)),
                                           size_t(sqlite3_column_bytes(cells, 1))));
    }
    if (row >= 0)
        writer.finishLine();
    sqlite3_finalize(cells);
    writer.closeStream();
    sqlite3_close(db);
}

std::string readFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::string out;
    if (!f)
        return out;
    char buffer[1 << 16];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        out.append(buffer, n);
    std::fclose(f);
    return out;
}

} // namespace

// A workspace file may be named to measure it instead of a new one (kept as it is: only read).
int main(int argc, char** argv) {
    const benchfiles::ScratchFolder folder("export");
    std::string file = folder.file("export.ov");
    if (argc > 1) {
        file = argv[1];
    } else {
        std::printf("making a %d x %d workspace...\n", kRows, kCols);
        std::fflush(stdout);
        makeWorkspace(file);
    }
    const std::string screenOut = folder.file("screen.csv"), bareOut = folder.file("bare.csv");

    auto model = benchworkspace::openModel(file);
    int64_t progress = 0;
    const auto times = medianSeconds(kRuns, {
        [&] { writeWorkspaceCSV(*model, screenOut, std::nullopt, [&](int64_t, int64_t) { ++progress; }); },
        [&] { writeBare(file, bareOut); },
    });
    const bool same = readFile(screenOut) == readFile(bareOut);
    const double mb = double(std::filesystem::file_size(screenOut)) / 1e6;
    const double ratio = times[0] / times[1];
    std::printf("export of %d x %d (%.1f MB of CSV): the screen's task %.2f s (%.1f MB/s), one statement %.2f s "
                "(%.1f MB/s), ratio %.2f (target <= 2); files %s\n",
                kRows, kCols, mb, times[0], mb / times[0], times[1], mb / times[1], ratio,
                same ? "identical" : "DIFFER");
    return same && progress > 0 && ratio <= 2 ? 0 : 1;
}
