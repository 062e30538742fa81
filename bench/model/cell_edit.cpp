// One cell edited and saved in a workspace of 100,000 rows x 50 columns, as the Browse screen does it
// (the cell fetched, its text set, the context saved, with the workspace's own sync and journal),
// against one bare SQLite update of a row of a wide table of the same cells (50 text columns) and its
// commit, with the same sync and journal. Medians of cells spread over the table; target <= 5x.
#include "bench/BenchTiming.h"
#include "bench/BenchWorkspace.h"
#include "bench/ScratchFolder.h"
#include "model/Model.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using benchtiming::seconds;

constexpr int kRows = 100000;
constexpr int kCols = 50;
constexpr int kEdits = 41;

std::string cellText(int row, int col) {
    return col % 2 ? std::to_string(row * 7 % 1000) + "." + std::to_string(col % 10)
                   : "category " + std::to_string(row % 17);
}

void check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

double median(std::vector<double> t) {
    std::nth_element(t.begin(), t.begin() + static_cast<long>(t.size() / 2), t.end());
    return t[t.size() / 2];
}

} // namespace

int main() {
    const benchfiles::ScratchFolder folder("cell-edit");
    const std::string workspace = folder.file("w.ov"), wide = folder.file("wide.db");

    // The workspace, written as an import writes it.
    auto model = benchworkspace::openModel(workspace);
    {
        std::vector<std::string> names;
        for (int c = 0; c < kCols; ++c)
            names.push_back("v" + std::to_string(c + 1));
        model->addColumns(names);
        model->setWritesWithoutSync(true);
        const auto columns = model->columns();
        Model::RowBatch batch;
        std::vector<std::string> row(kCols);
        for (int r = 1; r <= kRows; ++r) {
            if (batch.empty())
                batch.start(static_cast<uint64_t>(r), columns);
            for (int c = 0; c < kCols; ++c)
                row[static_cast<size_t>(c)] = cellText(r, c);
            batch.add(row);
            if ((r + 1) % 4096 == 0 || r == kRows) {
                model->addRows(batch);
                model->saveContext();
                model->managedObjectContext()->reset();
                batch.clear();
            }
        }
        model->setWritesWithoutSync(false);
    }
    // The wide table of the same cells, with the workspace's journal and sync.
    sqlite3* db = nullptr;
    check(sqlite3_open(wide.c_str(), &db), db, "open");
    {
        std::string create = "CREATE TABLE t (", insert = "INSERT INTO t VALUES (";
        for (int c = 0; c < kCols; ++c) {
            create += std::string(c ? ", " : "") + "c" + std::to_string(c) + " TEXT";
            insert += c ? ", ?" : "?";
        }
        check(sqlite3_exec(db, (create + ")").c_str(), nullptr, nullptr, nullptr), db, "create");
        check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
        sqlite3_stmt* s = nullptr;
        check(sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &s, nullptr), db, "prepare");
        for (int r = 1; r <= kRows; ++r) {
            std::vector<std::string> texts;
            for (int c = 0; c < kCols; ++c)
                texts.push_back(cellText(r, c));
            for (int c = 0; c < kCols; ++c)
                sqlite3_bind_text(s, c + 1, texts[static_cast<size_t>(c)].c_str(), -1, SQLITE_TRANSIENT);
            check(sqlite3_step(s), db, "insert");
            sqlite3_reset(s);
        }
        sqlite3_finalize(s);
        check(sqlite3_exec(db, "COMMIT; PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL", nullptr,
                           nullptr, nullptr),
              db, "commit");
    }

    std::vector<double> ours, bare;
    sqlite3_stmt* update = nullptr;
    std::vector<sqlite3_stmt*> updates;
    for (int c = 0; c < kCols; ++c) {
        check(sqlite3_prepare_v2(db, ("UPDATE t SET c" + std::to_string(c) + " = ? WHERE rowid = ?").c_str(),
                                 -1, &update, nullptr),
              db, "prepare update");
        updates.push_back(update);
    }
    const auto columns = model->columns();
    for (int k = 0; k < kEdits; ++k) {
        const int row = 1 + (k * 2477 + 50000) % kRows, col = (k * 7) % kCols;
        const std::string text = "edited " + std::to_string(k);
        ours.push_back(seconds([&] {
            auto cells =
                model->cellsForColumn(*columns[static_cast<size_t>(col)], {}, std::vector<int64_t>{row});
            if (cells.size() != 1) {
                std::fprintf(stderr, "cell %d,%d not found\n", row, col);
                std::exit(1);
            }
            cells[0]->setData(text);
            model->saveContext();
        }));
        bare.push_back(seconds([&] {
            check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
            sqlite3_stmt* s = updates[static_cast<size_t>(col)];
            sqlite3_bind_text(s, 1, text.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int64(s, 2, row);
            check(sqlite3_step(s), db, "update");
            sqlite3_reset(s);
            check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
        }));
    }
    for (auto* s : updates)
        sqlite3_finalize(s);
    sqlite3_close(db);
    // The edits were saved: the workspace holds them.
    model->managedObjectContext()->reset();
    const auto check0 = model->cellsForColumn(*model->columns()[0], {}, std::vector<int64_t>{50001});
    if (check0.size() != 1 || check0[0]->data() != "edited 0") {
        std::fprintf(stderr, "the first edit was not saved\n");
        return 1;
    }
    const double a = median(ours), b = median(bare);
    std::printf(
        "one cell edit + save in a %d x %d workspace: %.2f ms; one bare SQLite row update + commit of a "
        "wide table: %.2f ms; ratio %.2f (target <= 5)\n",
        kRows, kCols, a * 1000, b * 1000, a / b);
    return a / b > 5 ? 1 : 0;
}
