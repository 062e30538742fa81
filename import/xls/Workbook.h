// The project's reader of legacy binary workbooks: BIFF8 and BIFF5 records inside an OLE2 compound file.
// Open parses the workbook globals; each worksheet is parsed on request into a table of its non-blank cells.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace xls {

// Record ids a cell can carry.
enum RecordId : uint16_t {
    kFormula = 0x0006,
    kRString = 0x00D6,
    kLabelSst = 0x00FD,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kRk = 0x027E,
};

// One cell as the file holds it. `row` and `col` count from 0. For a FORMULA or BOOLERR cell whose
// value is not a number, `l` is 1 and `str` is "bool" or "error" (the value in `d`) or, for a formula,
// its string result; `l` is 0 for a number. A LABELSST cell keeps its shared-string index in `l`.
struct Cell {
    uint16_t id = kBlank;
    uint16_t row = 0;
    uint16_t col = 0;
    uint16_t xf = 0;
    double d = 0;
    int32_t l = 0;
    std::string str; // UTF-8; numbers in their shortest round-trip form
};

struct SheetInfo {
    std::string name;
    uint32_t offset = 0;    // of the sheet's BOF record in the workbook stream
    uint8_t visibility = 0; // 0 visible, 1 hidden, 2 very hidden
    uint8_t type = 0;       // 0 worksheet, 2 chart, 6 macro module
};

// The document summary strings; empty where the file has none.
struct Summary {
    std::string appName, author, category, comment, company, keywords, lastAuthor, manager, subject, title;
};

// A parsed worksheet: its non-blank cells ordered by row, then column; a position written twice keeps
// the later record, as a dense table filled in file order would.
class Worksheet {
  public:
    explicit Worksheet(std::vector<Cell> cells);
    const std::vector<Cell>& cells() const { return cells_; }
    const Cell* cellAt(uint16_t row, uint16_t col) const;
    uint16_t lastRow() const { return lastRow_; }
    uint16_t lastCol() const { return lastCol_; }

  private:
    std::vector<Cell> cells_;
    uint16_t lastRow_ = 0;
    uint16_t lastCol_ = 0;
};

class Workbook {
  public:
    // Opens a file and parses its globals; nullptr with `error` set when it is not a readable workbook
    // (not a compound file, no workbook stream, encrypted, damaged records, BIFF before version 5).
    static std::unique_ptr<Workbook> open(const std::string& path, std::string& error);
    static std::unique_ptr<Workbook> openMemory(std::vector<uint8_t> bytes, std::string& error);

    bool isBiff8() const { return biff8_; }
    size_t sheetCount() const { return sheets_.size(); }
    const SheetInfo& sheet(size_t index) const { return sheets_.at(index); }

    // Parses one sheet; nullptr with `error` set when its records are damaged or the index is out of range.
    std::unique_ptr<Worksheet> parseWorksheet(size_t index, std::string& error) const;

    const std::map<int, std::string>& formats() const { return formats_; } // id -> format string (UTF-8)
    const std::vector<uint16_t>& xfFormats() const { return xfFormats_; }  // format id of each XF record
    bool is1904() const { return is1904_; }
    uint16_t codePage() const { return codePage_; }
    const Summary& summary() const { return summary_; }
    const std::vector<std::string>& sharedStrings() const { return sst_; }

    static const char* version();

  private:
    bool parseGlobals(std::string& error);

    std::vector<uint8_t> stream_;
    bool biff8_ = true;
    uint16_t codePage_ = 1252;
    bool is1904_ = false;
    std::vector<SheetInfo> sheets_;
    std::vector<std::string> sst_;
    std::map<int, std::string> formats_;
    std::vector<uint16_t> xfFormats_;
    Summary summary_;
};

// The text of an error value as a spreadsheet shows it ("#DIV/0!", "#N/A", ...).
std::string errorLiteral(int code);

// The shortest text that reads back as the same double, in the C locale.
std::string numberText(double value);

} // namespace xls
