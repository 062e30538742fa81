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
    benchworkspace::writeRows(*m, benchworkspace::numberedNames(kCols), kRows, [](int64_t r) {
        std::vector<std::string> data(kCols);
        for (int c = 0; c < kCols; ++c)
            data[size_t(c)] = c % 5 == 4 ? (r % 7 ? "level " + std::to_string(r % 13) : "a, b")
                                         : std::to_string(r * (c + 3) % 9973) + "." + std::to_string(c);
        return data;
    });
}

// The sqlite3 shell's CSV output of the wide table, with the header line.
bool writeBare(const std::string& wide, const std::string& select, const std::string& out) {
    const std::string command = "sqlite3 -csv -header '" + wide + "' '" + select + "' > '" + out + "'";
    return std::system(command.c_str()) == 0;
}

// The shell ends its lines with CR LF; the screen's file with LF. The header lines differ by design
// (the wide table's columns are c1, c2, ...), so only the lines after them are compared.
std::string withoutReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

std::string body(const std::string& text) {
    const size_t end = text.find('\n');
    return end == std::string::npos ? std::string() : text.substr(end + 1);
}

// The fields of each line of a CSV text: quoted fields may hold commas, doubled quotes and line breaks.
std::vector<std::vector<std::string>> csvFields(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.push_back(std::move(field));
            field.clear();
        } else if (c == '\n') {
            fields.push_back(std::move(field));
            field.clear();
            lines.push_back(std::move(fields));
            fields.clear();
        } else {
            field += c;
        }
    }
    return lines;
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
    // The shell quotes fields the screen leaves bare (those with spaces): the files are compared field
    // by field as CSV readers read them.
    const auto screenLines = csvFields(body(readFile(screenOut)));
    const auto bareLines = csvFields(body(withoutReturns(readFile(bareOut))));
    const bool same = shell && screenLines == bareLines;
    if (!same) {
        const auto part = std::mismatch(screenLines.begin(), screenLines.end(), bareLines.begin(), bareLines.end());
        auto show = [](const std::vector<std::vector<std::string>>& lines, auto at) {
            std::string out;
            if (at != lines.end())
                for (const auto& field : *at)
                    out += "[" + field + "]";
            return out.substr(0, 160);
        };
        std::printf("line %zu: the screen's %s\nthe shell's %s\n", size_t(part.first - screenLines.begin()) + 2,
                    show(screenLines, part.first).c_str(), show(bareLines, part.second).c_str());
    }
    const double mb = double(std::filesystem::file_size(screenOut)) / 1e6;
    const double ratio = times[0] / times[1];
    std::printf("export of %d x %d (%.1f MB of CSV): the screen's task %.2f s (%.1f MB/s), sqlite3 shell from a wide table %.2f s "
                "(%.1f MB/s), ratio %.2f (target <= 2); files %s\n",
                kRows, kCols, mb, times[0], mb / times[0], times[1], mb / times[1], ratio,
                same ? "identical" : "DIFFER");
    return same && progress > 0 && ratio <= 2 ? 0 : 1;
}
