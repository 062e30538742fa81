// Delimited files in every encoding the reader detects become the same workspace through the importer,
// read back from the store. Fixtures: tests/fixtures/csv/encodings/make.sh (iconv from source.csv).
#include "import/FileImporter.h"

#include "model/Model.h"
#include "tests/import/SavingDelegate.h"
#include "tests/model/StoreFixture.h"

namespace {

using Strings = std::vector<std::string>;
using Table = std::vector<Strings>;

class FileImporterEncodingTest : public StoreTest {
  protected:
    // The column names followed by every row, as stored.
    Table import(const std::string& file, bool header) {
        auto m = mainModel();
        m->openStore(path("W" + std::to_string(++count) + ".ov"));
        m->setWritesWithoutSync(true);
        SavingDelegate delegate(*m);
        FileImporter importer;
        importer.setModel(m.get());
        importer.setDelegate(&delegate);
        importer.createWorkspaceFromText("tests/fixtures/csv/encodings/" + file, header, 0, U',', ".");
        EXPECT_EQ(delegate.code, -1);
        Table out(1);
        for (const auto& column : m->columns())
            out[0].push_back(column->name());
        for (const auto& row : m->rows()) {
            Strings cells(out[0].size());
            for (const auto& cell : m->cellsForRow(*row))
                cells.at(static_cast<size_t>(cell->colNum().value_or(0))) = cell->data();
            out.push_back(cells);
        }
        return out;
    }
    int count = 0;
};

TEST_F(FileImporterEncodingTest, EveryEncodingGivesTheSameWorkspace) {
    const Strings names{"lang", "word", "note"};
    const Strings ascii{"ascii", "plain", "quoted, with comma"};
    const Strings latin1{"latin", "café", "Zürich naïve"};
    const Strings latin2{"latin", "crème \"brûlée\"", "Ærø"};
    const Strings korean1{"korean", "한국어", "서울, 부산"};
    const Strings korean2{"korean", "안녕하세요", "가"};
    const Table all{names, ascii, latin1, latin2, korean1, korean2};
    const Table latin{names, ascii, latin1, latin2};
    const Table korean{names, ascii, korean1, korean2};
    const struct {
        const char* file;
        Table expected;
    } cases[] = {
        {"source.csv", all},      {"utf8-bom.csv", all},       {"utf16be-bom.csv", all},
        {"utf16le-bom.csv", all}, {"utf32be-bom.csv", all},    {"utf32le-bom.csv", all},
        {"macroman.csv", latin},  {"iso-2022-kr.csv", korean},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(import(c.file, true), c.expected);
    }
}

TEST_F(FileImporterEncodingTest, CharactersAcrossChunkBoundariesAndLateMacRoman) {
    const Table split{{"Var1", "Var2"},
                      {std::string(511, 'a') + "é", ""},
                      {"x" + std::string(507, 'b') + "é", "é"},
                      {"end", ""}};
    EXPECT_EQ(import("split-e.csv", false), split);
    const Table late{{"Var1"}, {"naïve"}, {std::string(600, 'c')}, {"café"}};
    EXPECT_EQ(import("late-macroman.csv", false), late);
}

} // namespace
