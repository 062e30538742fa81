// Reads the sheets of a legacy binary workbook ("xls") and hands out their cells one by one.
#include "import/DHxlsReader.h"

#include "import/xls/Workbook.h"
#include "platform/foundation/Log.h"

#include <charconv>

std::string DHcell::columnName(unsigned n) {
    std::string name;
    while (n > 0) {
        const unsigned digit = (n - 1) % 26;
        name.insert(name.begin(), static_cast<char>('A' + digit));
        n = (n - 1) / 26;
    }
    return name;
}

std::string DHcell::dump() const {
    static const char* const names[] = {"cellBlank", "cellString", "cellInteger", "cellFloat",
                                        "cellBool",  "cellError",  "cellUnknown"};
    const char* typeName = (type >= 0 && type <= 5) ? names[type] : "cellUnknown";
    std::string out = "====================\n";
    out += std::string("CellType: ") + typeName + " row=" + std::to_string(row) + " col=" + colStr + "/" +
           std::to_string(col) + "\n";
    out += "   string:    " + str + "\n";
    const auto asLong = static_cast<long>(val);
    switch (type) {
    case cellInteger:
        out += "     long:    " + std::to_string(asLong) + "\n";
        break;
    case cellFloat: {
        char buf[64];
        auto res = std::to_chars(buf, buf + sizeof buf, val, std::chars_format::fixed, 6);
        out += "    float:    " + std::string(buf, res.ptr) + "\n";
        break;
    }
    case cellBool:
        out += "     bool:    " + std::to_string(val != 0 ? 1 : 0) + "\n";
        break;
    case cellError:
        out += "    error:    " + std::to_string(asLong) + "\n";
        break;
    default:
        break;
    }
    return out;
}

void DHcell::show() const {
    foundation::log(dump());
}

std::unique_ptr<DHxlsReader> DHxlsReader::xlsReaderFromFile(const std::string& path, std::string* openError) {
    std::string error;
    auto workbook = xls::Workbook::open(path, error);
    if (!workbook) {
        if (openError)
            *openError = error;
        return nullptr;
    }
    auto reader = std::unique_ptr<DHxlsReader>(new DHxlsReader);
    for (const auto& [id, text] : workbook->formats())
        reader->numFmts_[id] = text;
    for (uint16_t id : workbook->xfFormats())
        reader->xfs_.push_back(id);
    reader->workbook_ = std::move(workbook);
    return reader;
}

DHxlsReader::~DHxlsReader() = default;

uint32_t DHxlsReader::numberOfSheets() const {
    return static_cast<uint32_t>(workbook_->sheetCount());
}

std::optional<std::string> DHxlsReader::sheetNameAtIndex(std::size_t index) const {
    if (index >= workbook_->sheetCount())
        return std::nullopt;
    return workbook_->sheet(index).name;
}

bool DHxlsReader::is1904() const {
    return workbook_->is1904();
}

void DHxlsReader::openSheet(std::size_t index) {
    if (index >= workbook_->sheetCount()) {
        // No sheet there: the iterator answers the end marker at once.
        worksheet_.reset();
        activeSheet_.reset();
        sheetError_ = "sheet index out of range";
        return;
    }
    if (activeSheet_ == index)
        return;
    worksheet_.reset();
    activeSheet_ = index;
    sheetError_.clear();
    worksheet_ = workbook_->parseWorksheet(index, sheetError_);
}

void DHxlsReader::startIterator(std::size_t sheetIndex) {
    if (sheetIndex == NotFound) {
        iterating_ = false;
        return;
    }
    openSheet(sheetIndex);
    iterating_ = true;
    position_ = 0;
}

std::optional<DHcell> DHxlsReader::nextCell() {
    if (!iterating_)
        return std::nullopt;
    if (!worksheet_ || position_ >= worksheet_->cells().size())
        return DHcell::blankCell();
    return cellFrom(worksheet_->cells()[position_++]);
}

DHcell DHxlsReader::cellInWorkSheetIndex(std::size_t sheetIndex, uint32_t row, uint32_t col) {
    iterating_ = false;
    openSheet(sheetIndex);
    if (!worksheet_ || row == 0 || col == 0 || row > 0x10000 || col > 0x10000)
        return DHcell::blankCell();
    const xls::Cell* entry =
        worksheet_->cellAt(static_cast<uint16_t>(row - 1), static_cast<uint16_t>(col - 1));
    return entry ? cellFrom(*entry) : DHcell::blankCell();
}

DHcell DHxlsReader::cellInWorkSheetIndex(std::size_t sheetIndex, uint32_t row, std::string_view colStr) {
    auto letter = [](char c) { return c >= 'A' && c <= 'Z'; };
    unsigned col = 0;
    if (colStr.size() == 1 && letter(colStr[0]))
        col = static_cast<unsigned>(colStr[0] - 'A' + 1);
    else if (colStr.size() == 2 && letter(colStr[0]) && letter(colStr[1]))
        col = 26 * static_cast<unsigned>(colStr[0] - 'A' + 1) + static_cast<unsigned>(colStr[1] - 'A' + 1);
    else
        return DHcell::blankCell();
    return cellInWorkSheetIndex(sheetIndex, row, col);
}

DHcell DHxlsReader::cellFrom(const xls::Cell& entry) const {
    DHcell cell;
    cell.row = uint32_t{entry.row} + 1;
    cell.col = uint32_t{entry.col} + 1;
    cell.colStr = DHcell::columnName(cell.col);
    cell.xf = entry.xf;
    bool haveText = false;
    switch (entry.id) {
    case xls::kFormula:
    case xls::kBoolErr:
        if (entry.l == 0) {
            cell.type = cellFloat;
            cell.val = entry.d;
        } else if (entry.str == "bool") {
            cell.type = cellBool;
            cell.val = entry.d != 0 ? 1 : 0;
            cell.str = entry.d != 0 ? "1" : "0";
            haveText = true;
        } else if (entry.str == "error") {
            cell.type = cellError;
            cell.val = entry.d;
            cell.str = xls::errorLiteral(static_cast<int>(entry.d));
            haveText = true;
        } else {
            cell.type = cellString;
        }
        break;
    case xls::kLabelSst:
    case xls::kLabel:
    case xls::kRString:
        cell.type = cellString;
        cell.val = entry.l;
        break;
    case xls::kNumber:
    case xls::kRk:
        cell.type = cellFloat;
        cell.val = entry.d;
        break;
    default:
        cell.type = cellUnknown;
        break;
    }
    if (!haveText)
        cell.str = entry.str;
    return cell;
}

std::string DHxlsReader::appName() const {
    return workbook_->summary().appName;
}
std::string DHxlsReader::author() const {
    return workbook_->summary().author;
}
std::string DHxlsReader::category() const {
    return workbook_->summary().category;
}
std::string DHxlsReader::comment() const {
    return workbook_->summary().comment;
}
std::string DHxlsReader::company() const {
    return workbook_->summary().company;
}
std::string DHxlsReader::keywords() const {
    return workbook_->summary().keywords;
}
std::string DHxlsReader::lastAuthor() const {
    return workbook_->summary().lastAuthor;
}
std::string DHxlsReader::manager() const {
    return workbook_->summary().manager;
}
std::string DHxlsReader::subject() const {
    return workbook_->summary().subject;
}
std::string DHxlsReader::title() const {
    return workbook_->summary().title;
}
std::string DHxlsReader::libaryVersion() const {
    return xls::Workbook::version();
}
