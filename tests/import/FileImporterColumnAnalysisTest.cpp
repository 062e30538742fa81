// The column analysis that ends an import reads its columns side by side on worker threads: what it
// stores (statistics, guessed types, the objects and their order) is what reading the columns one at a
// time gives, for tables of every shape, and an import stopped during the analysis leaves every column
// either whole or untouched.
#include "import/FileImporter.h"

#include "model/Model.h"
#include "platform/foundation/Dispatch.h"
#include "tests/import/SavingDelegate.h"
#include "tests/model/StoreFixture.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <stdexcept>

namespace {

// Saves and resets as the Workspaces screen does; can stop the import by throwing before a given column.
class ScreenDelegate final : public SavingDelegate {
  public:
    using SavingDelegate::SavingDelegate;
    void importerWillAnalyzeColumnNamed(FileImporter& importer, const std::string& name) override {
        if (analysed++ == throwBefore)
            throw std::runtime_error("stopped");
        SavingDelegate::importerWillAnalyzeColumnNamed(importer, name);
    }
    int analysed = 0;
    int throwBefore = -1;
};

std::string figure(const std::optional<double>& v) {
    if (!v)
        return "-";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", *v);
    return buffer;
}
std::string figure(const std::optional<int64_t>& v) {
    return v ? std::to_string(*v) : "-";
}
std::string figure(const std::optional<std::string>& v) {
    return v ? *v : "-";
}

// Every stored figure of a column, exactly.
std::string figures(const Column& c) {
    std::string out;
    for (const std::string& f :
         {figure(c.obs()), figure(c.obsNumeric()), figure(c.obsDate()), figure(c.levels()), figure(c.levelsDate()),
          figure(c.min()), figure(c.max()), figure(c.mean()), figure(c.sd()), figure(c.pc25()), figure(c.pc50()),
          figure(c.pc75()), figure(c.minDate()), figure(c.maxDate()), figure(c.meanDate()), figure(c.sdDate()),
          figure(c.pc25Date()), figure(c.pc50Date()), figure(c.pc75Date()), figure(c.type())})
        out += f + " ";
    return out;
}

struct Table {
    const char* name;
    const char* decimalSeparator;
    std::function<std::string()> csv;
};

// rows lines of cols fields, field(row, col) each.
std::string csvOf(int rows, int cols, const std::function<std::string(int, int)>& field) {
    std::string out;
    for (int c = 0; c < cols; ++c)
        out += (c ? ",v" : "v") + std::to_string(c);
    out += "\n";
    for (int r = 1; r <= rows; ++r) {
        for (int c = 0; c < cols; ++c)
            out += (c ? "," : "") + field(r, c);
        out += "\n";
    }
    return out;
}

std::string mixedField(int r, int c) {
    switch (c % 8) {
    case 0:
        return std::to_string(r * 37 % 1000) + "." + std::to_string(r % 10);
    case 1:
        return r % 3 ? "yes" : "no";
    case 2:
        return std::to_string(1 + r % 28) + " March 20" + std::to_string(10 + r % 12);
    case 3:
        return "word" + std::to_string(r % 13);
    case 4:
        return r % 5 ? std::to_string(-r) + "e-3" : "n/a"; // numbers with a few words
    case 5:
        return r % 4 ? "" : std::to_string(r); // mostly empty
    case 6:
        return "2021-" + std::to_string(10 + r % 3) + "-1" + std::to_string(r % 10) + " 14:3" + std::to_string(r % 10);
    default:
        return "";
    }
}

const Table kTables[] = {
    {"mixed types", ".", [] { return csvOf(150, 8, mixedField); }},
    {"one column", ".", [] { return csvOf(120, 1, [](int r, int) { return std::to_string(r % 9); }); }},
    {"empty columns", ".", [] { return csvOf(60, 5, [](int r, int c) { return c % 2 ? "" : std::to_string(r); }); }},
    {"no rows", ".", [] { return csvOf(0, 4, mixedField); }},
    {"dates", ".",
     [] {
         return csvOf(200, 4, [](int r, int c) {
             const std::string d = std::to_string(1 + r % 12), m = std::to_string(1 + r % 28);
             switch (c) {
             case 0:
                 return d + "/" + m + "/2021";
             case 1:
                 return "2020-0" + std::to_string(1 + r % 9) + "-" + std::to_string(10 + r % 18);
             case 2:
                 return m + " May 2019 1" + std::to_string(r % 10) + ":05";
             default:
                 return r % 2 ? d + "/" + m + "/2021" : std::string("later");
             }
         });
     }},
    {"many columns", ".", [] { return csvOf(40, 130, [](int r, int c) { return mixedField(r + c, c); }); }},
    {"rows across records", ".",
     [] {
         // Runs of rows end inside the table; the last rows are shorter (their missing fields empty).
         const int rows = static_cast<int>(2 * Model::rowsPerCellRecord() + 5);
         std::string text = csvOf(rows, 6, [](int r, int c) { return mixedField(r * 7 + 3, c); });
         return text + "1.5,yes\n2.5\n";
     }},
    {"comma decimals", ",",
     [] {
         return csvOf(90, 3, [](int r, int c) {
             const std::string n = std::to_string(r % 17) + "," + std::to_string(r % 10);
             return c == 0 ? "\"" + n + "\"" : c == 1 ? "\"-" + n + "e2\"" : std::string(r % 2 ? "a" : "b");
         });
     }},
};

class FileImporterColumnAnalysisTest : public StoreTest {
  protected:
    // Imports the CSV into a new workspace, the analysis holding at most cellsPerPass cells' texts;
    // answers the importer's completion code.
    int import(const std::string& csv, const std::string& file, const char* separator, std::uint64_t cellsPerPass,
               int throwBefore = -1) {
        auto m = mainModel();
        m->openStore(file);
        ScreenDelegate delegate(*m);
        delegate.throwBefore = throwBefore;
        FileImporter importer;
        importer.setModel(m.get());
        importer.setDelegate(&delegate);
        if (cellsPerPass)
            importer.setCellsPerPass(cellsPerPass);
        importer.createWorkspaceFromText(csv, true, 0, U',', separator);
        return delegate.code;
    }
};

TEST_F(FileImporterColumnAnalysisTest, SideBySideStoresWhatOneColumnAtATimeStores) {
    ASSERT_GT(dispatch::threadCount(), 1u);
    for (const Table& table : kTables) {
        SCOPED_TRACE(table.name);
        const std::string csv = path("t.csv");
        std::ofstream(csv, std::ios::binary) << table.csv();
        const std::string together = path(std::string(table.name) + " together.ov");
        const std::string alone = path(std::string(table.name) + " alone.ov");
        ASSERT_EQ(import(csv, together, table.decimalSeparator, 0), -1);
        // One cell per pass: a single worker, one column after another.
        ASSERT_EQ(import(csv, alone, table.decimalSeparator, 1), -1);

        // The same objects, ids, order and figures in both files.
        for (const char* sql : {"SELECT * FROM \"Column\" ORDER BY id", "SELECT * FROM \"Row\" ORDER BY id",
                                "SELECT * FROM \"Metadata\" ORDER BY id",
                                "SELECT id, colNum, rowNum, data FROM \"Cell\" ORDER BY id"}) {
            SCOPED_TRACE(sql);
            EXPECT_EQ(rawRows(together, sql, "", true), rawRows(alone, sql, "", true));
        }

        // Each column's figures are those that reading it alone on the main thread gives.
        auto m = mainModel();
        m->openStore(together);
        const auto columns = m->columns();
        ASSERT_FALSE(columns.empty());
        for (const auto& column : columns) {
            SCOPED_TRACE(column->name());
            const std::string stored = figures(*column);
            EXPECT_NE(column->obs(), std::nullopt);
            Model::applyBasicStats(m->dictBasicStatsForColumn(*column), *column);
            column->setType(Model::guessTypeOfColumn(*column));
            EXPECT_EQ(stored, figures(*column));
        }
        m->managedObjectContext()->reset();
    }
}

TEST_F(FileImporterColumnAnalysisTest, AnImportStoppedDuringTheAnalysisLeavesEachColumnWholeOrUntouched) {
    const std::string csv = path("t.csv");
    std::ofstream(csv, std::ios::binary) << csvOf(300, 8, mixedField);
    const std::string whole = path("whole.ov");
    ASSERT_EQ(import(csv, whole, ".", 0), -1);
    for (const int stopAt : {0, 3, 7}) {
        SCOPED_TRACE(stopAt);
        const std::string file = path("stopped" + std::to_string(stopAt) + ".ov");
        EXPECT_NE(import(csv, file, ".", 0, stopAt), -1);
        // No worker is left reading: the file can be opened, checked and removed.
        EXPECT_EQ(rawRows(file, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
        auto stopped = mainModel();
        stopped->openStore(file);
        auto complete = mainModel();
        complete->openStore(whole);
        EXPECT_EQ(alerts, 0);
        EXPECT_EQ(stopped->countRows(), 300u);
        for (uint64_t i = 0; i < 8; ++i) {
            SCOPED_TRACE(i);
            auto column = stopped->columnNumber(i);
            ASSERT_TRUE(column);
            if (i < static_cast<uint64_t>(stopAt)) {
                EXPECT_EQ(figures(*column), figures(*complete->columnNumber(i)));
            } else {
                EXPECT_EQ(column->obs(), std::nullopt);
                EXPECT_EQ(column->mean(), std::nullopt);
                EXPECT_EQ(column->type().value_or(0), 0);
            }
        }
        stopped.reset();
        EXPECT_TRUE(fs::remove(file));
    }
}

} // namespace
