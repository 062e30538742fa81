// The import writes a column's cells of many rows as whole records. A file imported that way means what
// the same rows stored one object at a time mean: the same cells with the same ids, rows, records,
// column statistics and types, whatever the number of rows around the records' boundaries.
#include "import/FileImporter.h"

#include "model/Model.h"
#include "tests/import/SavingDelegate.h"
#include "tests/model/StoreFixture.h"

#include <fstream>

namespace {

// Row r of the table (from 1): numbers, words with empty, quoted and accented texts, and a third
// field that some lines leave out.
std::vector<std::string> line(int r) {
    std::vector<std::string> fields{std::to_string(r * 7 % 1000) + "." + std::to_string(r % 10),
                                    r % 5 == 0   ? ""
                                    : r % 5 == 1 ? "a, \"quoted\"\nword"
                                    : r % 5 == 2 ? "caf\xc3\xa9"
                                                 : "w" + std::to_string(r % 13)};
    if (r % 7 != 3)
        fields.push_back(r % 2 ? "yes" : "no");
    if (r % 11 == 4)
        fields.push_back("past the header");
    return fields;
}

std::string csvField(const std::string& f) {
    if (f.find_first_of(",\"\n") == std::string::npos)
        return f;
    std::string out = "\"";
    for (char c : f)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

using FileImporterRecordsTest = StoreTest;

TEST_F(FileImporterRecordsTest, RecordsWrittenWholeMeanWhatObjectsOneByOneMean) {
    struct Case {
        int rows;
        bool header;
    };
    const Case cases[] = {
        {1, true},     {99, true},   {100, false}, {4095, true},  {4096, true},
        {4097, false}, {4101, true}, {8191, true}, {8300, false},
    };
    const std::string queries[] = {
        "SELECT \"id\", \"colNum\", \"rowNum\", \"data\", \"row\", \"column\" FROM \"Cell\" ORDER BY \"id\"",
        "SELECT \"key\", \"first\", hex(\"ids\"), hex(\"texts\") FROM \"CellRecords\" ORDER BY \"key\", "
        "\"first\"",
        "SELECT * FROM \"CellLoose\"",
        "SELECT * FROM \"Row\" ORDER BY \"id\"",
        "SELECT * FROM \"Column\" ORDER BY \"id\"",
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.rows) + (c.header ? " rows after a header" : " rows"));
        const std::string csv = path("t" + std::to_string(c.rows) + ".csv");
        {
            std::ofstream out(csv, std::ios::binary);
            if (c.header)
                out << "n,word,answer\n";
            for (int r = 1; r <= c.rows; ++r) {
                const auto fields = line(r);
                for (size_t i = 0; i < fields.size(); ++i)
                    out << (i ? "," : "") << csvField(fields[i]);
                out << "\n";
            }
        }
        const std::string imported = path("imported" + std::to_string(c.rows) + ".ov");
        {
            auto m = mainModel();
            m->openStore(imported);
            SavingDelegate delegate(*m);
            FileImporter importer;
            importer.setModel(m.get());
            importer.setDelegate(&delegate);
            importer.createWorkspaceFromText(csv, c.header, 0, U',', ".");
            EXPECT_EQ(delegate.code, -1);
            m->closeStores();
        }
        // The same rows one object at a time, saved every 100 rows, then each column's statistics.
        const std::string oneByOne = path("objects" + std::to_string(c.rows) + ".ov");
        {
            auto m = mainModel();
            m->openStore(oneByOne);
            m->addColumns(c.header ? std::vector<std::string>{"n", "word", "answer"}
                                   : std::vector<std::string>{"Var1", "Var2", "Var3"});
            for (int r = 1; r <= c.rows; ++r) {
                m->addRow(static_cast<uint64_t>(r), line(r), m->columns());
                if (r % 100 == 0) {
                    m->saveContext();
                    m->managedObjectContext()->reset();
                }
            }
            m->saveContext();
            for (const auto& column : m->columns()) {
                m->basicStatsForColumn(*column);
                column->setType(Model::guessTypeOfColumn(*column));
                m->saveContext();
            }
            m->closeStores();
        }
        for (const auto& q : queries) {
            SCOPED_TRACE(q);
            const auto expected = rawRows(oneByOne, q, "", true);
            EXPECT_EQ(rawRows(imported, q, "", true), expected);
        }
        EXPECT_EQ(rawInt(imported, "SELECT count(*) FROM \"Cell\""), 3LL * c.rows);
        EXPECT_EQ(rawInt(imported, "SELECT count(*) FROM \"CellRecords\" WHERE \"first\" % 4096 <> 0"), 0);
    }
}

// Rows that the import adds beside cells already stored (a second import into the same workspace, an
// empty table filled in) keep the stored cells; a row already at a position goes beside it, as an
// object inserted there would.
TEST_F(FileImporterRecordsTest, RowsAddedOverStoredCellsKeepThem) {
    auto m = mainModel();
    m->openStore(path("W.ov"));
    m->addColumns({"a", "b"});
    const auto columns = m->columns();
    for (int r : {2, 5000})
        m->addRow(static_cast<uint64_t>(r), {"old" + std::to_string(r), "x"}, columns);
    m->saveContext();
    Model::RowBatch batch;
    batch.start(4090, columns);
    for (int r = 4090; r <= 5001; ++r)
        batch.add({"new" + std::to_string(r), "y"});
    m->addRows(batch);
    m->saveContext();
    m->managedObjectContext()->reset();
    const auto cells = m->cellsForColumn(*m->columnNumber(0), {{"rowNum", true}, {"id", true}});
    std::vector<std::string> texts;
    for (const auto& cell : cells)
        if (cell->rowNum() == 2 || cell->rowNum() == 4095 || cell->rowNum() == 4096 ||
            cell->rowNum() == 5000 || cell->rowNum() == 5001)
            texts.push_back(std::to_string(cell->rowNum().value_or(-1)) + "=" + cell->data());
    EXPECT_EQ(texts, (std::vector<std::string>{"2=old2", "4095=new4095", "4096=new4096", "5000=old5000",
                                               "5000=new5000", "5001=new5001"}));
    EXPECT_EQ(cells.size(), 2u + (5001 - 4090 + 1));
    EXPECT_EQ(rawInt(path("W.ov"), "SELECT count(*) FROM \"CellLoose\""), 2);
}

// Cells written whole are found by their ids alone (an edit or a delete looks a cell up that way), in
// the first and later records, in their runs of ids and at their ends; an edit lands on its cell only.
TEST_F(FileImporterRecordsTest, CellsWrittenWholeAreFoundAndEditedByTheirIds) {
    auto m = mainModel();
    const std::string file = path("W.ov");
    m->openStore(file);
    m->addColumns({"a", "b", "c"});
    const auto columns = m->columns();
    Model::RowBatch batch;
    batch.start(1, columns);
    for (int r = 1; r <= 5000; ++r)
        batch.add({"a" + std::to_string(r), "b" + std::to_string(r), "c" + std::to_string(r)});
    m->addRows(batch);
    m->saveContext();
    // A cell kept loose beside them: a second object at a taken place.
    m->addRow(7, {"again"}, {columns[0]});
    m->saveContext();
    const int64_t firstId = rawInt(file, "SELECT min(\"id\") FROM \"Cell\"");
    struct Case {
        const char* name;
        int64_t id;
        std::string expected; // colNum:rowNum:data, or "" for no cell
    };
    const Case cases[] = {
        {"the first cell", firstId, "0:1:a1"},
        {"the next column of the first row", firstId + 1, "1:1:b1"},
        {"the second row", firstId + 3, "0:2:a2"},
        {"the last row of the first record", firstId + 3 * 4094 + 2, "2:4095:c4095"},
        {"the first row of the second record", firstId + 3 * 4095, "0:4096:a4096"},
        {"the last cell", firstId + 3 * 4999 + 2, "2:5000:c5000"},
        {"the loose cell", firstId + 3 * 5000, "0:7:again"},
        {"past the last", firstId + 3 * 5000 + 1, ""},
        {"before the first", firstId - 1, ""},
    };
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT \"colNum\", \"rowNum\", \"data\" FROM \"Cell\" WHERE \"id\" = ?",
                                 -1, &s, nullptr),
              SQLITE_OK);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sqlite3_reset(s);
        sqlite3_bind_int64(s, 1, c.id);
        std::string found;
        if (sqlite3_step(s) == SQLITE_ROW)
            found = std::to_string(sqlite3_column_int64(s, 0)) + ":" +
                    std::to_string(sqlite3_column_int64(s, 1)) + ":" +
                    reinterpret_cast<const char*>(sqlite3_column_text(s, 2));
        EXPECT_EQ(found, c.expected);
    }
    sqlite3_finalize(s);
    sqlite3_close(db);

    for (int r : {1, 4095, 4096, 5000})
        m->cellsForColumn(*columns[1], {}, std::vector<int64_t>{r})[0]->setData("edited");
    m->saveContext();
    m->managedObjectContext()->reset();
    int edited = 0;
    for (const auto& column : m->columns())
        for (const auto& cell : m->cellsForColumn(*column, {{"rowNum", true}, {"id", true}})) {
            const int64_t r = cell->rowNum().value_or(0);
            const bool wasEdited = column->num() == 1 && (r == 1 || r == 4095 || r == 4096 || r == 5000);
            edited += wasEdited;
            if (!wasEdited && !(column->num() == 0 && r == 7 && cell->data() == "again")) {
                ASSERT_EQ(cell->data(),
                          std::string(1, static_cast<char>('a' + column->num())) + std::to_string(r));
            } else if (wasEdited) {
                EXPECT_EQ(cell->data(), "edited");
            }
        }
    EXPECT_EQ(edited, 4);
}

} // namespace
