// The importer's delimited-text road into a real workspace: names, rows, progress, the limits, the
// reader's errors, unreadable and empty files, with a delegate that saves and resets as the screen does.
#include "import/FileImporter.h"

#include "model/Model.h"
#include "platform/foundation/Log.h"
#include "tests/import/SavingDelegate.h"
#include "tests/model/StoreFixture.h"

#include <fstream>

namespace {

// Notes every callback and saves and resets as the Workspaces screen does.
class Recorder final : public SavingDelegate {
  public:
    using SavingDelegate::SavingDelegate;
    void importerDidStartDocument(FileImporter&, const std::string& file) override {
        events.push_back("start " + fs::path(file).filename().string());
    }
    void importerDidCompleteLineNumber(FileImporter& importer, std::uint64_t row,
                                       std::uint64_t consecutive) override {
        events.push_back("row " + std::to_string(row) + " " + std::to_string(consecutive));
        SavingDelegate::importerDidCompleteLineNumber(importer, row, consecutive);
    }
    void importerDidCompleteParsing(FileImporter&, const std::string& path) override {
        events.push_back("parsed " + fs::path(path).filename().string());
    }
    void importerWillAnalyzeColumnNamed(FileImporter& importer, const std::string& name) override {
        events.push_back("analyze " + name);
        SavingDelegate::importerWillAnalyzeColumnNamed(importer, name);
    }
    void importerDidCompleteDocument(FileImporter& importer, const std::string& file,
                                     const ImportError& e) override {
        events.push_back("complete " + std::to_string(e.code));
        error = e;
        SavingDelegate::importerDidCompleteDocument(importer, file, e);
    }
    // Only the events that are not progress, which some tests count instead.
    std::vector<std::string> mainEvents() const {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (!e.starts_with("row "))
                out.push_back(e);
        return out;
    }

    std::vector<std::string> events;
    ImportError error;
};

class FileImporterTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        model = mainModel();
        model->openStore(path("W.ov"));
        model->setWritesWithoutSync(true); // the screen does so for a workspace being imported
        recorder = std::make_unique<Recorder>(*model);
        importer.setModel(model.get());
        importer.setDelegate(recorder.get());
    }

    std::string write(const std::string& name, const std::string& bytes) {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }

    void run(const std::string& file, bool header, char32_t delim = U',') {
        importer.createWorkspaceFromText(file, header, 0, delim, ".");
    }

    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (const auto& c : model->columns())
            out.push_back(c->name());
        return out;
    }

    // The cell texts of a row, in column order.
    std::vector<std::string> row(int64_t num) {
        auto r = model->rowNumber(static_cast<uint64_t>(num));
        if (!r)
            return {"<no row>"};
        std::vector<std::string> out(model->countColumns());
        for (const auto& cell : model->cellsForRow(*r)) {
            int64_t col = cell->colNum().value_or(-1);
            if (col >= 0 && static_cast<size_t>(col) < out.size())
                out[static_cast<size_t>(col)] = cell->data();
        }
        return out;
    }

    using Strings = std::vector<std::string>;
    std::unique_ptr<Model> model;
    std::unique_ptr<Recorder> recorder;
    FileImporter importer;
};

TEST_F(FileImporterTest, HeaderNamesColumnsAndEmptyNamesBecomeVarN) {
    foundation::LogCapture log;
    run(write("h.csv", "age,size,\n31,1.5,x\n40,,y\n"), true);
    EXPECT_EQ(names(), (Strings{"age", "size", "Var3"}));
    EXPECT_EQ(model->countRows(), 2u);
    EXPECT_EQ(row(1), (Strings{"31", "1.5", "x"}));
    EXPECT_EQ(row(2), (Strings{"40", "", "y"}));
    EXPECT_EQ(recorder->events, (Strings{"start h.csv", "parsed h.csv", "analyze age", "analyze size",
                                         "analyze Var3", "complete -1"}));
    EXPECT_EQ(recorder->error.domain, FileImporter::errorDomain);
    EXPECT_TRUE(recorder->error.userInfo.empty());
    EXPECT_EQ(model->metadataValueForKey("dataSource"), path("h.csv"));
    EXPECT_EQ(model->metadataValueForKey("decimalSeparator"), ".");
    EXPECT_EQ(model->columnNumber(0)->type(), 3) << "a numeric column is typed";
    EXPECT_EQ(model->columnNumber(0)->obs(), 2);
    EXPECT_TRUE(log.contains("Parser started!"));
    EXPECT_TRUE(log.contains("Parser ended document: " + path("h.csv")));
    EXPECT_TRUE(log.contains("Column 3 out of 3"));
}

TEST_F(FileImporterTest, WithoutHeaderTheFirstLineIsRowOne) {
    run(write("n.txt", "a,b,c\n1,2\n4,5,6,7\n"), false);
    EXPECT_EQ(names(), (Strings{"Var1", "Var2", "Var3"}));
    EXPECT_EQ(model->countRows(), 3u);
    EXPECT_EQ(row(1), (Strings{"a", "b", "c"}));
    EXPECT_EQ(row(2), (Strings{"1", "2", ""})) << "a short line stores empty cells";
    EXPECT_EQ(row(3), (Strings{"4", "5", "6"})) << "fields past the last column are dropped";
}

TEST_F(FileImporterTest, WorkbookExtensionsInCapitalsAreDelimitedText) {
    run(write("Book.XLSX", "x;y\n1;2\n"), true, U';');
    EXPECT_EQ(names(), (Strings{"x", "y"}));
    EXPECT_EQ(recorder->error.code, -1);
}

TEST_F(FileImporterTest, ProgressEveryHundredRowsWithFreshColumns) {
    std::string text = "v\n";
    for (int i = 1; i <= 250; ++i)
        text += std::to_string(i) + "\n";
    foundation::LogCapture log;
    run(write("p.csv", text), true);
    std::vector<std::string> progress;
    for (const auto& e : recorder->events)
        if (e.starts_with("row "))
            progress.push_back(e);
    EXPECT_EQ(progress, (Strings{"row 100 100", "row 200 200"}));
    EXPECT_TRUE(log.contains("Row: 200"));
    EXPECT_EQ(model->countRows(), 250u);
    EXPECT_EQ(row(250), (Strings{"250"}));
    EXPECT_EQ(row(101), (Strings{"101"})) << "the row after a reset still reaches its column";
}

TEST_F(FileImporterTest, RowLimitIsReachedOnlyBeyondTheLastAllowedRow) {
    struct Case {
        uint64_t rows;
        int code;
        uint64_t stored;
    };
    const Case cases[] = {{99999, -1, 99999}, {100000, -1, 100000}, {100001, 3, 100000}, {150000, 3, 100000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        auto m = mainModel();
        m->openStore(path("rows-" + std::to_string(c.rows) + ".ov"));
        m->setWritesWithoutSync(true); // the screen does so for a workspace being imported
        Recorder r(*m);
        FileImporter imp;
        imp.setModel(m.get());
        imp.setDelegate(&r);
        std::string text = "n\n";
        text.reserve(c.rows * 7);
        for (uint64_t i = 1; i <= c.rows; ++i)
            text += std::to_string(i) + "\n";
        imp.createWorkspaceFromText(write("rows.csv", text), true, 0, U',', ".");
        EXPECT_EQ(r.error.code, c.code);
        EXPECT_EQ(m->countRows(), c.stored);
        EXPECT_EQ(imp.hitRowLimit(), c.code == 3);
        if (c.code == 3) {
            EXPECT_EQ(r.error.userInfo.at("limit"), "rows");
        }
        EXPECT_EQ(r.events.back(), "complete " + std::to_string(c.code));
    }
}

TEST_F(FileImporterTest, FirstLineWiderThanTheColumnLimit) {
    std::string header, data;
    for (int i = 1; i <= 600; ++i) {
        header += (i > 1 ? "," : "") + std::string("c") + std::to_string(i);
        data += (i > 1 ? "," : "") + std::to_string(i);
    }
    run(write("wide.csv", header + "\n" + data + "\n"), true);
    EXPECT_EQ(model->countColumns(), 500u);
    EXPECT_EQ(names().back(), "c500");
    EXPECT_EQ(recorder->error.code, 3);
    EXPECT_EQ(recorder->error.userInfo.at("limit"), "columns");
    auto stored = row(1);
    ASSERT_EQ(stored.size(), 500u);
    EXPECT_EQ(stored.back(), "500");
}

TEST_F(FileImporterTest, ReaderErrorsKeepTheRowsBefore) {
    struct Case {
        const char* name;
        std::string text;
        std::string message;
        Strings lastRow;
        uint64_t rows;
    };
    const Case cases[] = {
        {"delimiter",
         "a,b\n1,2\n3\"x,4\n5,6\n",
         "Unexpected delimiter. Expected ',' (0x2C), but got '\"' (0x22)",
         {"3", ""},
         2},
        {"unclosed quote",
         "a,b\n1,2\n\"3,4\n5,6\n",
         "Unexpected end of input inside a quoted field.",
         {"", ""},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto m = mainModel();
        m->openStore(path(std::string(c.name) + ".ov"));
        m->setWritesWithoutSync(true); // the screen does so for a workspace being imported
        Recorder r(*m);
        FileImporter imp;
        imp.setModel(m.get());
        imp.setDelegate(&r);
        foundation::LogCapture log;
        imp.createWorkspaceFromText(write("e.csv", c.text), true, 0, U',', ".");
        EXPECT_EQ(r.error.code, 1);
        EXPECT_EQ(r.error.domain, CHCSVParser::errorDomain);
        EXPECT_EQ(r.error.message, c.message);
        EXPECT_EQ(m->countRows(), c.rows);
        EXPECT_TRUE(log.contains("Parser failed with error: " + c.message));
        EXPECT_EQ(r.mainEvents(),
                  (Strings{"start e.csv", "parsed e.csv", "analyze a", "analyze b", "complete 1"}));
        model.swap(m);
        EXPECT_EQ(row(2), c.lastRow);
        model.swap(m);
    }
}

TEST_F(FileImporterTest, UnreadableFilesEndWithCodeFourNamingTheFile) {
    fs::create_directories(path("folder.csv"));
    for (const std::string& file : {path("missing.csv"), path("folder.csv")}) {
        SCOPED_TRACE(file);
        auto m = mainModel();
        m->openStore(path(fs::path(file).stem().string() + ".ov"));
        m->setWritesWithoutSync(true); // the screen does so for a workspace being imported
        Recorder r(*m);
        FileImporter imp;
        imp.setModel(m.get());
        imp.setDelegate(&r);
        imp.createWorkspaceFromText(file, true, 0, U',', ".");
        EXPECT_EQ(r.error.code, 4);
        EXPECT_NE(r.error.message.find(file), std::string::npos) << r.error.message;
        EXPECT_EQ(m->countColumns(), 0u) << "not taken for an empty file";
        EXPECT_EQ(r.events.back(), "complete 4");
    }
}

TEST_F(FileImporterTest, EmptyFile) {
    run(write("empty.csv", ""), true);
    EXPECT_EQ(names(), (Strings{"Var1"}));
    EXPECT_EQ(model->countRows(), 0u);
    EXPECT_EQ(recorder->error.code, -1);

    auto m = mainModel();
    m->openStore(path("E2.ov"));
    m->setWritesWithoutSync(true); // the screen does so for a workspace being imported
    FileImporter imp;
    imp.setModel(m.get());
    Recorder r(*m);
    imp.setDelegate(&r);
    imp.createWorkspaceFromText(write("empty.txt", ""), false, 0, U',', ".");
    EXPECT_EQ(m->countColumns(), 1u);
    EXPECT_EQ(m->countRows(), 1u) << "without a header the one empty line is row 1";
}

TEST_F(FileImporterTest, FinalLineBreakAddsNoEmptyRowAndEncodingsAreDetected) {
    using namespace std::string_literals;
    run(write("u16.csv", "\xFF\xFE"
                         "x\0,\0y\0\n\0\xE9\0,\0"
                         "1\0\n\0"s),
        true);
    EXPECT_EQ(names(), (Strings{"x", "y"}));
    EXPECT_EQ(model->countRows(), 1u);
    EXPECT_EQ(row(1), (Strings{"é", "1"}));
}

TEST_F(FileImporterTest, EmptyWorkspace) {
    foundation::LogCapture log;
    importer.createEmptyWorkspaceWithRows(10, 3);
    EXPECT_EQ(names(), (Strings{"Var1", "Var2", "Var3"}));
    EXPECT_EQ(model->countRows(), 10u);
    EXPECT_EQ(row(10), (Strings{"", "", ""}));
    EXPECT_EQ(model->metadataValueForKey("dataSource"), "__EMPTY__");
    EXPECT_TRUE(recorder->events.empty());
    EXPECT_TRUE(log.contains("Column 3 out of 3"));
}

} // namespace
