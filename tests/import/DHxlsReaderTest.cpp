// The "xls" reader against workbooks from independent writers (expected cells read by xlrd), hand-built
// records, and damaged files that must be refused without a crash.
#include "import/DHxlsReader.h"
#include "import/xls/Workbook.h"
#include "platform/foundation/Log.h"
#include "tests/import/JsonFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

const std::string kDir = "tests/fixtures/xls/";

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<DHcell> allCells(DHxlsReader& reader, size_t sheet) {
    std::vector<DHcell> cells;
    reader.startIterator(sheet);
    for (;;) {
        auto cell = reader.nextCell();
        if (!cell || cell->type == cellBlank)
            break;
        cells.push_back(*cell);
    }
    return cells;
}

// Every workbook made by a writer other than ours, with the cells xlrd read from it.
TEST(DHxlsReader, ReadsWorkbooksAsXlrdDoes) {
    const char* names[] = {"xlwt_basic", "xlwt_1904",  "xlwt_sst_continue", "lo_formulas",
                           "hand_biff5", "hand_biff8", "hand_difat", "gnumeric_basic"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const auto expected = testjson::readFile(kDir + name + ".json");
        std::string error;
        auto reader = DHxlsReader::xlsReaderFromFile(kDir + name + ".xls", &error);
        ASSERT_TRUE(reader) << error;
        std::string wbError;
        auto workbook = xls::Workbook::open(kDir + name + ".xls", wbError);
        ASSERT_TRUE(workbook);

        EXPECT_EQ(reader->is1904(), expected["datemode"].n == 1);
        for (const auto& [id, text] : expected["formats"].o)
            EXPECT_EQ(reader->numFmts().at(std::stoi(id)), text.s);

        const auto& sheets = expected["sheets"].a;
        ASSERT_EQ(reader->numberOfSheets(), sheets.size());
        EXPECT_FALSE(reader->sheetNameAtIndex(sheets.size()));
        for (size_t s = 0; s < sheets.size(); ++s) {
            SCOPED_TRACE(sheets[s]["name"].s);
            EXPECT_EQ(reader->sheetNameAtIndex(s), sheets[s]["name"].s);
            EXPECT_EQ(workbook->sheet(s).visibility, sheets[s]["visibility"].n);
            const auto cells = allCells(*reader, s);
            EXPECT_EQ(reader->sheetError(), "");
            const auto& want = sheets[s]["cells"].a;
            ASSERT_EQ(cells.size(), want.size());
            for (size_t i = 0; i < want.size(); ++i) {
                const auto& w = want[i].a;
                const DHcell& c = cells[i];
                SCOPED_TRACE(c.dump());
                EXPECT_EQ(c.row, w[0].n + 1);
                EXPECT_EQ(c.col, w[1].n + 1);
                EXPECT_EQ(c.colStr, DHcell::columnName(c.col));
                ASSERT_LT(c.xf, reader->xfs().size());
                EXPECT_EQ(reader->xfs()[c.xf], w[4].n);
                const std::string& kind = w[2].s;
                if (kind == "number") {
                    EXPECT_EQ(c.type, cellFloat);
                    EXPECT_EQ(c.val, w[3].n);
                } else if (kind == "text") {
                    EXPECT_EQ(c.type, cellString);
                    EXPECT_EQ(c.str, w[3].s);
                } else if (kind == "bool") {
                    EXPECT_EQ(c.type, cellBool);
                    EXPECT_EQ(c.str, w[3].s);
                } else {
                    EXPECT_EQ(c.type, cellError);
                    EXPECT_EQ(c.str, w[3].s);
                }
            }
        }
    }
}

TEST(DHxlsReader, IteratesRowByRowAndEndsWithTheBlankCell) {
    auto reader = DHxlsReader::xlsReaderFromFile(kDir + "xlwt_basic.xls");
    ASSERT_TRUE(reader);
    // Before any start, iteration is off.
    EXPECT_FALSE(reader->nextCell());

    const auto cells = allCells(*reader, 0);
    ASSERT_FALSE(cells.empty());
    EXPECT_EQ(cells.back().str, "col AA");
    EXPECT_EQ(cells.back().colStr, "AA");
    EXPECT_EQ(cells.back().col, 27);
    EXPECT_EQ(cells[cells.size() - 2].colStr, "J");
    // After the end the blank cell keeps coming.
    auto end = reader->nextCell();
    ASSERT_TRUE(end);
    EXPECT_EQ(end->type, cellBlank);
    EXPECT_EQ(end->row, 0);
    EXPECT_EQ(end->col, 0);

    // A new start starts over.
    reader->startIterator(0);
    EXPECT_EQ(reader->nextCell()->str, "int");

    // The sheet named "Empty ü" has no cell: the blank cell at once.
    reader->startIterator(2);
    EXPECT_EQ(reader->nextCell()->type, cellBlank);
    // A position beyond the sheets, too.
    reader->startIterator(3);
    EXPECT_EQ(reader->nextCell()->type, cellBlank);
    // The not-found position switches iteration off.
    reader->startIterator(DHxlsReader::NotFound);
    EXPECT_FALSE(reader->nextCell());
}

// Numbers from 1 of the last row (65,536) and the last column (IV, 256): the end marker's row 0 is
// never what a real cell carries.
TEST(DHxlsReader, TheLastRowAndColumnAreCellsNotTheEnd) {
    auto reader = DHxlsReader::xlsReaderFromFile(kDir + "hand_last_row.xls");
    ASSERT_TRUE(reader);
    const auto cells = allCells(*reader, 0);
    struct Want {
        uint32_t row, col;
        const char* colStr;
        const char* str;
    };
    const Want want[] = {{1, 1, "A", "1"}, {65536, 1, "A", "65536"}, {65536, 256, "IV", "IV65536"}};
    ASSERT_EQ(cells.size(), std::size(want));
    for (size_t i = 0; i < cells.size(); ++i) {
        SCOPED_TRACE(cells[i].dump());
        EXPECT_EQ(cells[i].row, want[i].row);
        EXPECT_EQ(cells[i].col, want[i].col);
        EXPECT_EQ(cells[i].colStr, want[i].colStr);
        EXPECT_EQ(cells[i].str, want[i].str);
    }
    const auto end = reader->nextCell();
    ASSERT_TRUE(end);
    EXPECT_EQ(end->type, cellBlank);
    EXPECT_EQ(end->row, 0u);
    EXPECT_EQ(reader->cellInWorkSheetIndex(0, 65536, "IV").str, "IV65536");
    EXPECT_EQ(reader->cellInWorkSheetIndex(0, 65536, 1u).val, 65536);
    EXPECT_EQ(reader->cellInWorkSheetIndex(0, 65537, 1u).type, cellBlank);
    EXPECT_EQ(reader->cellInWorkSheetIndex(0, 1, 65537u).type, cellBlank);
}

TEST(DHxlsReader, FindsCellsByPosition) {
    auto reader = DHxlsReader::xlsReaderFromFile(kDir + "xlwt_basic.xls");
    ASSERT_TRUE(reader);
    reader->startIterator(0);
    EXPECT_EQ(reader->cellInWorkSheetIndex(0, 8, uint16_t{10}).str, "far");
    EXPECT_FALSE(reader->nextCell()) << "a look-up switches iteration off";
    EXPECT_EQ(reader->cellInWorkSheetIndex(0, 8, "J").str, "far");
    EXPECT_EQ(reader->cellInWorkSheetIndex(0, 9, "AA").str, "col AA");
    EXPECT_EQ(reader->cellInWorkSheetIndex(0, 2, "C").str, "alpha");
    EXPECT_EQ(reader->cellInWorkSheetIndex(1, 1, "A").str, "secret");
    struct Miss {
        size_t sheet;
        uint16_t row;
        const char* col;
    };
    for (const Miss& m : {Miss{0, 4, "C"}, Miss{0, 1, "a"}, Miss{0, 1, "AAA"}, Miss{0, 1, ""},
                          Miss{0, 0, "A"}, Miss{9, 1, "A"}}) {
        SCOPED_TRACE(m.col);
        EXPECT_EQ(reader->cellInWorkSheetIndex(m.sheet, m.row, m.col).type, cellBlank);
    }
    EXPECT_EQ(reader->cellInWorkSheetIndex(0, 1, uint16_t{0}).type, cellBlank);
}

TEST(DHxlsReader, ColumnNames) {
    const std::pair<unsigned, const char*> cases[] = {{1, "A"},   {26, "Z"},   {27, "AA"},  {52, "AZ"},
                                                      {53, "BA"}, {256, "IV"}, {702, "ZZ"}, {703, "AAA"}};
    for (const auto& [n, name] : cases)
        EXPECT_EQ(DHcell::columnName(n), name);
}

TEST(DHxlsReader, TypesAndTextsOfCells) {
    auto reader = DHxlsReader::xlsReaderFromFile(kDir + "lo_formulas.xls");
    ASSERT_TRUE(reader);
    struct Case {
        uint16_t row, col;
        CellType type;
        const char* str;
        double val;
    };
    const Case cases[] = {
        {2, 1, cellFloat, "2", 2},       // a formula with a number result
        {2, 2, cellString, "abcd", 0},   // a formula with a string result from its STRING record
        {2, 3, cellBool, "1", 1},        // a formula whose result is TRUE
        {4, 3, cellBool, "0", 0},        // ... FALSE
        {2, 4, cellError, "#DIV/0!", 7}, // an error result keeps its literal
        {4, 4, cellError, "#N/A", 42},   {3, 2, cellFloat, "20", 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + "/" + std::to_string(c.col));
        DHcell cell = reader->cellInWorkSheetIndex(0, c.row, c.col);
        EXPECT_EQ(cell.type, c.type);
        EXPECT_EQ(cell.str, c.str);
        EXPECT_EQ(cell.val, c.val);
    }
    // A 9000-character result runs over into CONTINUE records.
    EXPECT_EQ(reader->cellInWorkSheetIndex(0, 4, "B").str.size(), 9000u * 2);

    auto hand = DHxlsReader::xlsReaderFromFile(kDir + "hand_biff8.xls");
    ASSERT_TRUE(hand);
    EXPECT_EQ(hand->cellInWorkSheetIndex(0, 5, "B").str, ""); // empty-text formula
    EXPECT_EQ(hand->cellInWorkSheetIndex(0, 5, "B").type, cellString);
    EXPECT_EQ(hand->cellInWorkSheetIndex(0, 5, "C").val, -0.5);
    EXPECT_EQ(hand->cellInWorkSheetIndex(0, 3, "C").val, 1);          // LABELSST keeps its index
    EXPECT_EQ(hand->cellInWorkSheetIndex(0, 4, "A").type, cellBlank); // MULBLANK gives no cell
    EXPECT_EQ(hand->cellInWorkSheetIndex(0, 6, "B").val, 2);          // the later record wins
}

TEST(DHxlsReader, StyleTablesAndDateSystem) {
    auto basic = DHxlsReader::xlsReaderFromFile(kDir + "xlwt_basic.xls");
    ASSERT_TRUE(basic);
    EXPECT_FALSE(basic->is1904());
    bool euro = false;
    for (const auto& [id, text] : basic->numFmts())
        euro = euro || text == "#,##0.00 \u20ac";
    EXPECT_TRUE(euro) << "a format string with a currency sign keeps its text";
    auto d1904 = DHxlsReader::xlsReaderFromFile(kDir + "xlwt_1904.xls");
    ASSERT_TRUE(d1904);
    EXPECT_TRUE(d1904->is1904());
    EXPECT_EQ(d1904->libaryVersion(), xls::Workbook::version());
    EXPECT_EQ(d1904->title(), "");
}

// lo_summary.xls: LibreOffice saved lo_summary.fods, whose document properties are the expectations.
TEST(DHxlsReader, SummaryStrings) {
    auto reader = DHxlsReader::xlsReaderFromFile(kDir + "lo_summary.xls");
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->title(), "R\u00e9sum\u00e9 title");
    EXPECT_EQ(reader->subject(), "The subject");
    EXPECT_EQ(reader->author(), "Ana Author");
    EXPECT_EQ(reader->lastAuthor(), "Last Editor");
    EXPECT_EQ(reader->keywords(), "alpha");
    EXPECT_EQ(reader->comment(), "A comment");
    for (const std::string& absent : {reader->company(), reader->manager(), reader->category()})
        EXPECT_EQ(absent, "");
}

TEST(DHxlsReader, DumpDescribesACell) {
    DHcell cell;
    cell.type = cellFloat;
    cell.row = 3;
    cell.col = 28;
    cell.colStr = "AB";
    cell.str = "1.5";
    cell.val = 1.5;
    EXPECT_EQ(cell.dump(), "====================\nCellType: cellFloat row=3 col=AB/28\n   string:    1.5\n"
                           "    float:    1.500000\n");
    cell.type = cellError;
    cell.val = 7;
    cell.str = "#DIV/0!";
    EXPECT_EQ(cell.dump(),
              "====================\nCellType: cellError row=3 col=AB/28\n   string:    #DIV/0!\n"
              "    error:    7\n");
    foundation::LogCapture capture;
    cell.show();
    EXPECT_TRUE(capture.contains("CellType: cellError"));
    EXPECT_EQ(DHcell::blankCell().dump(),
              "====================\nCellType: cellBlank row=0 col=/0\n   string:    \n");
}

// Hand-damaged files: each is refused, at opening or when its sheet is read, with a reason.
TEST(DHxlsReader, RefusesDamagedFiles) {
    struct Case {
        const char* file;
        bool opens;
        const char* reason;
    };
    const Case cases[] = {
        {"broken_fat_loop.xls", false, "loops"},
        {"broken_dir_loop.xls", false, "directory chain"},
        {"broken_fat_sector_outside.xls", false, "FAT sector outside"},
        {"broken_fat_count.xls", false, "counts exceed"},
        {"broken_chain_short.xls", false, "chain ends"},
        {"broken_encrypted.xls", false, "encrypted"},
        {"broken_biff4.xls", false, "older than BIFF5"},
        {"broken_no_workbook.xls", false, "no workbook stream"},
        {"broken_record_overrun.xls", true, "past the end"},
        {"broken_sheet_offset.xls", true, "offset outside"},
        {"broken_sheet_not_bof.xls", true, "BOF"},
        {"broken_sst_index.xls", true, "index out of range"},
        {"broken_short_number.xls", true, "short NUMBER"},
        {"missing.xls", false, "could not be opened: No such file or directory"},
        {"", false, "is not a regular file."}, // the fixtures' folder
        {"xlwt_basic.json", false, "not a compound file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::string error;
        auto reader = DHxlsReader::xlsReaderFromFile(kDir + c.file, &error);
        if (!c.opens) {
            EXPECT_FALSE(reader);
            EXPECT_NE(error.find(c.reason), std::string::npos) << error;
            continue;
        }
        ASSERT_TRUE(reader) << error;
        reader->startIterator(0);
        EXPECT_EQ(reader->nextCell()->type, cellBlank) << "a damaged sheet gives no cells";
        EXPECT_NE(reader->sheetError().find(c.reason), std::string::npos) << reader->sheetError();
    }
}

// Allocation chains bent in memory: a loop in the mini-stream table and in the DIFAT chain.
TEST(DHxlsReader, RefusesLoopsInTheMiniTableAndTheDifatChain) {
    auto u32At = [](const std::vector<uint8_t>& b, size_t at) {
        return static_cast<uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (b[at + 3] << 24));
    };
    auto put32 = [](std::vector<uint8_t>& b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    std::string error;

    // hand_biff5.xls keeps its workbook in the mini stream: point its third mini sector back to the first.
    auto mini = fileBytes(kDir + "hand_biff5.xls");
    ASSERT_TRUE(xls::Workbook::openMemory(mini, error)) << error;
    const size_t miniFat = (size_t{u32At(mini, 0x3C)} + 1) * 512;
    ASSERT_EQ(u32At(mini, miniFat + 8), 3u);
    put32(mini, miniFat + 8, 0);
    EXPECT_FALSE(xls::Workbook::openMemory(mini, error));
    EXPECT_EQ(error, "sector chain loops");

    // hand_difat.xls needs one DIFAT sector; claim more FAT sectors than it lists and let it point to itself.
    auto difat = fileBytes(kDir + "hand_difat.xls");
    ASSERT_TRUE(xls::Workbook::openMemory(difat, error)) << error;
    const uint32_t difatSector = u32At(difat, 0x44);
    put32(difat, 0x2C, 109 + 127 + 5); // FAT sectors: beyond one DIFAT sector's 127
    put32(difat, 0x48, 2);             // DIFAT sectors
    put32(difat, (difatSector + 1) * 512 + 127 * 4, difatSector);
    difat.resize(difat.size() + 300 * 512, 0); // room, so the counts themselves are plausible
    EXPECT_FALSE(xls::Workbook::openMemory(difat, error));
    EXPECT_EQ(error, "broken DIFAT chain");
}

// Every prefix and every single flipped byte of small workbooks: refused or read, never a crash.
TEST(DHxlsReader, SurvivesTruncationAndFlippedBytes) {
    for (const char* name : {"xlwt_basic.xls", "hand_biff5.xls"}) {
        SCOPED_TRACE(name);
        const auto good = fileBytes(kDir + name);
        ASSERT_FALSE(good.empty());
        auto exercise = [](std::vector<uint8_t> bytes) {
            std::string error;
            auto wb = xls::Workbook::openMemory(std::move(bytes), error);
            if (!wb)
                return 0;
            size_t cells = 0;
            for (size_t s = 0; s < wb->sheetCount(); ++s)
                if (auto ws = wb->parseWorksheet(s, error))
                    cells += ws->cells().size();
            return 1 + static_cast<int>(cells > 0);
        };
        int refused = 0;
        for (size_t n = 0; n < good.size(); n += 97)
            refused += exercise({good.begin(), good.begin() + static_cast<ptrdiff_t>(n)}) == 0;
        EXPECT_GT(refused, 0);
        for (size_t i = 0; i < good.size(); ++i) {
            auto bytes = good;
            bytes[i] ^= 0xFF;
            exercise(std::move(bytes));
        }
        auto flipped = good;
        flipped[0] ^= 0x01;
        EXPECT_EQ(exercise(flipped), 0) << "a flipped signature byte is not a compound file";
    }
}

} // namespace
