// Reads the sheets of a legacy binary workbook ("xls") and hands out their cells one by one.
// Built on the project's own workbook reader in import/xls/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xls {
class Workbook;
class Worksheet;
struct Cell;
} // namespace xls

enum CellType { cellBlank = 0, cellString, cellInteger, cellFloat, cellBool, cellError, cellUnknown };

// One cell of a sheet. Booleans carry the text "1" or "0" and error values their literal ("#DIV/0!"),
// so an import stores what the spreadsheet showed.
struct DHcell {
    CellType type = cellBlank;
    // Wide enough for the last row (65,536) and beyond the last column of the format, so that no real
    // cell can carry the blank cell's 0, which marks the end of a sheet.
    uint32_t row = 0; // from 1; 0 for the blank cell
    uint32_t col = 0; // from 1; 0 for the blank cell
    std::string colStr;
    std::string str;
    double val = 0;
    uint16_t xf = 0;

    // A position without a cell; also the iterator's end marker.
    static DHcell blankCell() { return {}; }
    // "A".."Z", then "AA".."AZ", "BA"...: the name of column n (from 1); "" for 0.
    static std::string columnName(unsigned n);

    std::string dump() const;
    void show() const;
};

class DHxlsReader {
  public:
    // The sheet position that switches iteration off (the largest signed size).
    static constexpr std::size_t NotFound = static_cast<std::size_t>(PTRDIFF_MAX);

    // nullptr when the file is not a readable workbook; `openError` (optional) then says why.
    static std::unique_ptr<DHxlsReader> xlsReaderFromFile(const std::string& path,
                                                          std::string* openError = nullptr);
    ~DHxlsReader();

    uint32_t numberOfSheets() const;
    std::optional<std::string> sheetNameAtIndex(std::size_t index) const;

    void startIterator(std::size_t sheetIndex);
    // The next non-blank cell, the blank cell at the end, or nullopt when iteration is off.
    std::optional<DHcell> nextCell();

    DHcell cellInWorkSheetIndex(std::size_t sheetIndex, uint32_t row, uint32_t col);
    DHcell cellInWorkSheetIndex(std::size_t sheetIndex, uint32_t row, std::string_view colStr);

    const std::map<int, std::string>& numFmts() const { return numFmts_; }
    const std::vector<int>& xfs() const { return xfs_; }
    bool is1904() const;

    std::string appName() const;
    std::string author() const;
    std::string category() const;
    std::string comment() const;
    std::string company() const;
    std::string keywords() const;
    std::string lastAuthor() const;
    std::string manager() const;
    std::string subject() const;
    std::string title() const;
    std::string libaryVersion() const;

    // Why the last sheet opened could not be read; empty when it was read. A damaged sheet yields
    // no cells (the iterator ends at once), so an importer asks here to tell it from an empty sheet.
    const std::string& sheetError() const { return sheetError_; }

  private:
    DHxlsReader() = default;
    void openSheet(std::size_t index);
    DHcell cellFrom(const xls::Cell& entry) const;

    std::unique_ptr<xls::Workbook> workbook_;
    std::unique_ptr<xls::Worksheet> worksheet_;
    std::optional<std::size_t> activeSheet_;
    bool iterating_ = false;
    std::size_t position_ = 0;
    std::map<int, std::string> numFmts_;
    std::vector<int> xfs_;
    std::string sheetError_;
};
