// The Browse screen's export of a 100,000 x 50 workspace, as its task writes it (one row fetched at a
// time, the context reset every 100 lines), against what a user could use instead: the same data in a
// wide SQLite table (one SQL row per row, a text column per column) written as CSV by the sqlite3
// shell (the target, <= 2x); both as MB/s of CSV written, and the two files compared.
#include "app/BrowseExport.h"
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
#include "bench/WideTable.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

// The sqlite3 shell's CSV output of the wide table, with the header line.
bool writeBare(const std::string& wide, const std::string& select, const std::string& out) {
    const std::string command = "sqlite3 -csv -header '" + wide + "' '" + select + "' > '" + out + "'";
    return std::system(command.c_str()) == 0;
}

// The shell ends its lines with CR LF; the screen's file with LF.
std::string withoutReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
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
    const std::string wide = folder.file("wide.sqlite");

    auto model = benchworkspace::openModel(file);
    const std::string select = benchwide::makeWideTable(file, wide) + " ORDER BY \"rowNum\"";
    int64_t progress = 0;
    bool shell = true;
    const auto times = medianSeconds(kRuns, {
        [&] { writeWorkspaceCSV(*model, screenOut, std::nullopt, [&](int64_t, int64_t) { ++progress; }); },
        [&] { shell = writeBare(wide, select, bareOut) && shell; },
    });
    const bool same = shell && readFile(screenOut) == withoutReturns(readFile(bareOut));
    const double mb = double(std::filesystem::file_size(screenOut)) / 1e6;
    const double ratio = times[0] / times[1];
    std::printf("export of %d x %d (%.1f MB of CSV): the screen's task %.2f s (%.1f MB/s), sqlite3 shell from a wide table %.2f s "
                "(%.1f MB/s), ratio %.2f (target <= 2); files %s\n",
                kRows, kCols, mb, times[0], mb / times[0], times[1], mb / times[1], ratio,
                same ? "identical" : "DIFFER");
    return same && progress > 0 && ratio <= 2 ? 0 : 1;
}
