// The delimited-text road of the importer: reader callbacks to columns and rows, limits, progress,
// and the column analysis that ends every import.
#include "import/FileImporter.h"

#include "import/DHxlsReader.h"
#include "import/DateFormats.h"
#include "import/SerialDate.h"
#include "import/Streams.h"
#include "model/Model.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Tr.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

namespace {

// "Var%d" and "%u" style texts with one number.
std::string withNumber(const std::string& format, std::uint64_t n) {
    for (const char* token : {"%d", "%u"}) {
        auto at = format.find(token);
        if (at != std::string::npos)
            return format.substr(0, at) + std::to_string(n) + format.substr(at + 2);
    }
    return format;
}

ImportError importError(int code) {
    return ImportError{FileImporter::errorDomain, code, {}, {}};
}

// The statistics of the columns numbered nums, read side by side by at most `workers` threads of the
// global queue, each through a Model and a connection of its own on the model's coordinator: what the
// store holds is read, unsaved changes are not. One column's texts per worker are held at a time. A
// column that a worker could not compute is left absent.
std::vector<std::optional<BasicStats>> statisticsSideBySide(const Model& model, const std::vector<std::int64_t>& nums,
                                                            std::size_t workers) {
    std::vector<std::optional<BasicStats>> out(nums.size());
    const auto coordinator = model.persistentStoreCoordinator();
    workers = std::min({workers, nums.size(), dispatch::threadCount()});
    if (!coordinator || workers == 0)
        return out;
    // Worker w takes every workers-th column from the w-th, in one pass that reuses its working memory.
    // A worker that no thread takes up is run by the caller, which works too.
    dispatch::apply(workers, [&](std::size_t w) {
        try {
            Model reader;
            reader.setPersistentStoreCoordinator(coordinator);
            reader.setManagedObjectContext(std::make_shared<store::Context>(coordinator));
            // Each page is read once: a page cache per worker would only add to the import's memory.
            reader.managedObjectContext()->execute("PRAGMA cache_size = -256");
            std::vector<std::int64_t> mine;
            for (std::size_t i = w; i < nums.size(); i += workers)
                mine.push_back(nums[i]);
            std::vector<BasicStats> stats = reader.dictBasicStatsForColumns(mine);
            for (std::size_t k = 0; k < stats.size(); ++k)
                out[w + k * workers] = std::move(stats[k]);
        } catch (...) {
            // Nothing may leave a worker thread; its columns are read again one by one.
        }
    });
    return out;
}

} // namespace

void FileImporter::createWorkspaceFromText(const std::string& path, bool withHeader, std::uint64_t sheet,
                                           char32_t delim, const std::string& decimalSeparator) {
    currentFile_ = path;
    importHasHeader_ = withHeader;
    importIndexSheet_ = sheet;
    ending_ = false;
    completed_ = false;
    // Compared exactly: a workbook extension in capitals is read as delimited text.
    const std::string extension = std::filesystem::path(path).extension().string();
    const bool workbook = extension == ".xlsx" || extension == ".xls";
    // Nothing a reader throws (a failed allocation, a stream error) may end the process or leave the
    // delegate waiting: the import ends as the reader's own failures do.
    try {
        if (model_) {
            // The workbook readers write numbers with ".", whatever separator the user chose for text.
            model_->setMetadataValue(workbook ? std::string(".") : decimalSeparator, "decimalSeparator");
            // Rebuilt on their next use, for the new separator.
            model_->setReadDecimal(nullptr);
            model_->setReadPercent(nullptr);
            model_->setReadCurrency(nullptr);
        }
        if (extension == ".xlsx")
            importXlsx(path);
        else if (extension == ".xls")
            importXls(path);
        else
            importTxt(path, delim);
    } catch (const std::exception& e) {
        endAfterException(workbook, e.what());
    } catch (...) {
        endAfterException(workbook, "an unknown exception");
    }
}

void FileImporter::endAfterException(bool workbook, const std::string& what) {
    foundation::log("Import stopped by an exception: " + what);
    if (completed_)
        return; // the delegate has had its answer
    ImportError error;
    if (workbook) {
        error = workbookError(codeUnsupportedFormat, what);
    } else {
        error = ImportError{CHCSVParser::errorDomain, CHCSVParser::errorCodeUnreadable,
                            "The file \"" + currentFile_ + "\" could not be read: " + what, {}};
    }
    if (!ending_) {
        try {
            finishedCsv(currentFile_, error);
            return;
        } catch (...) {
            foundation::log("The end of the import failed too.");
        }
    }
    // The column analysis or a callback of the end itself threw: only the last callback is left.
    if (completed_ || !delegate_)
        return;
    completed_ = true;
    try {
        delegate_->importerDidCompleteDocument(*this, currentFile_, error);
    } catch (...) {
        foundation::log("The import's last callback failed.");
    }
}

namespace {

// Answers an "xlsx" inspection: the sheet list, or nothing (and why) when the workbook cannot be read.
class XlsxInspection final : public QVXLSXParserDelegate {
  public:
    std::optional<std::vector<WorkbookSheet>> sheets;
    std::optional<ImportError> failure;
    void parserDidInspectDocument(QVXLSXParser&, const std::string&,
                                  const std::vector<XLSXSheet>& found) override {
        sheets.emplace();
        for (const auto& sheet : found)
            sheets->push_back({sheet.name, static_cast<std::uint64_t>(sheet.num)});
    }
    void parserDidFailWithError(QVXLSXParser&, const ImportError& error) override { failure = error; }
};

std::string reasonOf(const ImportError& error) {
    const auto reason = error.userInfo.find("reason");
    return reason != error.userInfo.end() ? reason->second : error.message;
}

// The number as the platform writes a double: shortest round-trip digits, no grouping.
std::string numberText(double value) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

} // namespace

void FileImporter::inspectURL(const std::string& path) {
    inspectionError_.reset();
    const std::string extension = std::filesystem::path(path).extension().string();
    std::optional<std::vector<WorkbookSheet>> sheets;
    if (extension == ".xlsx" || extension == ".xls") {
        // A workbook that cannot be read answers nothing, whatever the reason; inspectionError says it.
        try {
            sheets = inspectWorkbook(path, extension == ".xlsx");
        } catch (const std::exception& e) {
            sheets.reset();
            inspectionError_ = workbookError(codeUnsupportedFormat, e.what());
        } catch (...) {
            sheets.reset();
            inspectionError_ = workbookError(codeUnsupportedFormat, "an unknown exception");
        }
        isInspecting_ = false;
        if (inspectionError_)
            foundation::log("Could not inspect the workbook: " + inspectionError_->description() + " " +
                            reasonOf(*inspectionError_));
    }
    if (delegate_)
        delegate_->importerDidInspectURL(*this, path, sheets);
}

std::optional<std::vector<WorkbookSheet>> FileImporter::inspectWorkbook(const std::string& path, bool xlsx) {
    if (auto problem = regularFileProblem(path)) {
        inspectionError_ = workbookError(codeUnreadableFile, *problem);
        return std::nullopt;
    }
    if (xlsx) {
        isInspecting_ = true;
        XlsxInspection inspection;
        QVXLSXParser::initWithXLSXFile(path, &inspection);
        isInspecting_ = false;
        if (inspection.failure)
            inspectionError_ = workbookError(inspection.failure->code, reasonOf(*inspection.failure));
        return std::move(inspection.sheets);
    }
    std::string why;
    auto reader = DHxlsReader::xlsReaderFromFile(path, &why);
    if (!reader) {
        inspectionError_ = workbookError(codeUnsupportedFormat, why.empty() ? std::string("not a workbook") : why);
        return std::nullopt;
    }
    std::vector<WorkbookSheet> sheets;
    for (std::uint32_t i = 0; i < reader->numberOfSheets(); ++i)
        sheets.push_back({reader->sheetNameAtIndex(i).value_or(""), std::nullopt});
    return sheets;
}

ImportError FileImporter::workbookError(int code, const std::string& reason) {
    ImportError error = importError(code);
    // An unreadable file is told by the reason itself, which names the file.
    error.message =
        code == codeUnreadableFile ? reason : foundation::tr("The file is not a readable workbook.");
    error.userInfo["reason"] = reason;
    return error;
}

void FileImporter::failWorkbook(int code, const std::string& reason) {
    foundation::log("Workbook import failed: " + reason);
    finishedCsv(currentFile_, workbookError(code, reason));
}

void FileImporter::importXls(const std::string& path) {
    if (auto problem = regularFileProblem(path)) {
        failWorkbook(codeUnreadableFile, *problem);
        return;
    }
    std::string why;
    auto reader = DHxlsReader::xlsReaderFromFile(path, &why);
    if (!reader) {
        failWorkbook(codeUnsupportedFormat, why.empty() ? std::string("not a workbook") : why);
        return;
    }
    if (importIndexSheet_ >= reader->numberOfSheets()) {
        failWorkbook(codeUnsupportedFormat, "no sheet at position " + std::to_string(importIndexSheet_));
        return;
    }
    reader->startIterator(static_cast<std::size_t>(importIndexSheet_));
    if (!reader->sheetError().empty()) {
        failWorkbook(codeUnsupportedFormat, reader->sheetError());
        return;
    }
    const workbook::SerialDateWriter dates(reader->is1904());
    std::set<int> customDateIds;
    for (const auto& [id, format] : reader->numFmts())
        if (workbook::isDateFormatCode(format))
            customDateIds.insert(id);

    foundation::log("Parser started!");
    didBeginDocument();
    std::map<std::uint32_t, std::string> collected;
    std::optional<std::uint32_t> currentRowNumber; // none before the first cell
    std::uint64_t lines = 0;
    std::uint32_t widest = 0; // the largest column of the first line: later lines keep columns 1 to widest
    while (!hitRowLimit_) {
        const std::optional<DHcell> next = reader->nextCell();
        const DHcell cell = next ? *next : DHcell::blankCell();
        if (cell.row != currentRowNumber) {
            if (lines > 0) {
                // Fields past the column limit are never stored; one more still tells the limit was hit.
                const std::uint32_t width = std::min<std::uint32_t>(widest, columnLimit + 1);
                std::vector<std::string> line(width);
                for (auto& [col, text] : collected)
                    if (col >= 1 && col <= width)
                        line[col - 1] = std::move(text);
                currentRow_ = std::move(line);
                parserDidCompleteLineNumber(nullptr, lines);
            }
            ++lines;
            collected.clear();
            currentRowNumber = cell.row;
        }
        if (lines == 1)
            widest = std::max(widest, cell.col);
        if (cell.type == cellBlank)
            break;
        std::string text;
        if (cell.type == cellFloat) {
            const auto id = workbook::formatIdForStyle(cell.xf, reader->xfs());
            const bool isDate = id && workbook::isDateFormatId(*id, customDateIds);
            const auto date = isDate ? dates.text(cell.val) : std::nullopt;
            text = date ? *date : numberText(cell.val);
        } else {
            text = cell.str;
        }
        collected[cell.col] = std::move(text);
    }
    foundation::log("Parser ended document: " + currentFile_);
    finishedCsv(currentFile_, importError(codeNormalEnd));
}

void FileImporter::importXlsx(const std::string& path) {
    // The reader answers through the callbacks below before it returns: inspection, then the sheet.
    QVXLSXParser::initWithXLSXFile(path, this);
}

void FileImporter::parserDidInspectDocument(QVXLSXParser& parser, const std::string&,
                                            const std::vector<XLSXSheet>& sheets) {
    didBeginDocument();
    if (importIndexSheet_ >= sheets.size()) {
        failWorkbook(codeUnsupportedFormat, "no sheet at position " + std::to_string(importIndexSheet_));
        return;
    }
    parser.parseSheet(sheets[static_cast<std::size_t>(importIndexSheet_)].relationshipId);
}

void FileImporter::parserDidCompleteLine(QVXLSXParser& parser, const std::vector<std::string>& line,
                                         std::uint64_t, std::uint64_t consecutiveNumber) {
    currentRow_ = line;
    parserDidCompleteLineNumber(nullptr, consecutiveNumber);
    if (hitRowLimit_)
        parser.cancelParsing();
}

void FileImporter::parserDidCompleteDocument(QVXLSXParser&, const std::string&) {
    foundation::log("Parser ended document: " + currentFile_);
    finishedCsv(currentFile_, importError(codeNormalEnd));
}

void FileImporter::parserDidFailWithError(QVXLSXParser&, const ImportError& error) {
    failWorkbook(error.code, reasonOf(error));
}

void FileImporter::importTxt(const std::string& path, char32_t delim) {
    StringEncoding encoding = StringEncoding::Unknown;
    CHCSVParser parser(std::make_unique<FileInputStream>(path), &encoding, delim);
    parser.setSanitizesFields(true);
    parser.setRecognizesBackslashesAsEscapes(false);
    parser.setRecognizesComments(false);
    parser.setDelegate(this);
    parser.parse();
}

void FileImporter::didBeginDocument() {
    if (delegate_)
        delegate_->importerDidStartDocument(*this, currentFile_);
}

bool FileImporter::parserDidBeginDocument(CHCSVParser&) {
    foundation::log("Parser started!");
    didBeginDocument();
    return true;
}

bool FileImporter::parserDidBeginLine(CHCSVParser&, std::uint64_t) {
    currentRow_.clear();
    lineOverflow_ = false;
    return true;
}

bool FileImporter::parserDidReadField(CHCSVParser&, std::string_view field, std::int64_t) {
    if (currentRow_.size() < columnLimit)
        currentRow_.emplace_back(field);
    else
        lineOverflow_ = true;
    return true;
}

bool FileImporter::parserDidEndLine(CHCSVParser& parser, std::uint64_t recordNumber) {
    parserDidCompleteLineNumber(&parser, recordNumber);
    return true;
}

bool FileImporter::parserDidEndDocument(CHCSVParser&) {
    foundation::log("Parser ended document: " + currentFile_);
    finishedCsv(currentFile_, importError(codeNormalEnd));
    return true;
}

bool FileImporter::parserDidFailWithError(CHCSVParser&, const ImportError& error) {
    std::string info = "{";
    for (const auto& [key, value] : error.userInfo)
        info += key + " = " + value + "; ";
    info += "NSLocalizedDescription = " + error.message + "}";
    foundation::log("Parser failed with error: " + error.description() + " " + info);
    finishedCsv(currentFile_, error);
    return true;
}

void FileImporter::parserDidCompleteLineNumber(CHCSVParser* sender, std::uint64_t lineNumber) {
    if (!model_)
        return;
    std::uint64_t r = 0;
    if (lineNumber != 1) {
        r = importHasHeader_ ? lineNumber - 1 : lineNumber;
        // The limit is reached by a record beyond the last one allowed, so a file of exactly that many
        // rows ends normally.
        if (r > rowLimit) {
            hitRowLimit_ = true;
            if (sender)
                sender->cancelParsing();
            currentRow_.clear();
            return;
        }
        addPendingRow(r);
    } else {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < currentRow_.size(); ++i) {
            if (i == columnLimit) {
                hitColLimit_ = true;
                break;
            }
            const std::string& field = currentRow_[i];
            names.push_back(importHasHeader_ && !field.empty() ? field
                                                               : withNumber(foundation::tr("Var%d"), i + 1));
        }
        if (lineOverflow_)
            hitColLimit_ = true;
        model_->addColumns(names);
        columnsForImport_ = model_->columns();
        if (!importHasHeader_)
            addPendingRow(1);
    }
    if (r != 0 && r % progressStep == 0) {
        // The rows held reach into the next record of cells: what is held is written now, and the
        // delegate may save it.
        const std::uint64_t perRecord = Model::rowsPerCellRecord();
        if (!pendingRows_.empty() && pendingRows_.firstRowNum() / perRecord != r / perRecord)
            writePendingRows();
        foundation::log(withNumber("Row: %u", r));
        if (delegate_)
            delegate_->importerDidCompleteLineNumber(*this, r, r);
        // The delegate may have reset the context: no stored object is kept across the callback.
        columnsForImport_ = model_->columns();
    }
    currentRow_.clear();
}

void FileImporter::addPendingRow(std::uint64_t rowNum) {
    if (!pendingRows_.empty() && pendingRows_.endRowNum() != rowNum)
        writePendingRows();
    if (pendingRows_.empty())
        pendingRows_.start(rowNum, columnsForImport_);
    pendingRows_.add(currentRow_);
}

void FileImporter::writePendingRows() {
    if (model_ && !pendingRows_.empty())
        model_->addRows(pendingRows_);
    pendingRows_.clear();
}

void FileImporter::finishedCsv(const std::string& path, ImportError error) {
    writePendingRows();
    ending_ = true;
    if (error.domain == errorDomain && error.code == codeNormalEnd && (hitRowLimit_ || hitColLimit_)) {
        error = importError(codeLimitReached);
        error.userInfo["limit"] = hitColLimit_ && hitRowLimit_ ? "columns,rows"
                                  : hitRowLimit_               ? "rows"
                                                               : "columns";
    }
    columnsForImport_.clear();
    if (delegate_)
        delegate_->importerDidCompleteParsing(*this, path);
    if (model_) {
        model_->setMetadataValue(path, "dataSource");
        analyzeColumns(model_->countColumns(), true);
    }
    completed_ = true;
    if (delegate_)
        delegate_->importerDidCompleteDocument(*this, currentFile_, error);
}

void FileImporter::analyzeColumns(std::uint64_t count, bool withCallbacks) {
    // The columns are read and summed up side by side on the global queue's threads first, each
    // thread on a connection of its own: only what is saved can be read there. The callbacks save and
    // reset; they do not edit cells, so what is read ahead is what each column holds when its turn
    // comes. Each worker holds one column's texts, so the number of workers follows the rows.
    std::vector<std::optional<BasicStats>> stats(count);
    const auto& context = model_->managedObjectContext();
    if (count > 0 && context && !context->hasChanges()) {
        const std::uint64_t rows = std::max<std::uint64_t>(model_->countRows(), 1);
        const std::uint64_t workers = std::max<std::uint64_t>(cellsPerPass_ / rows, 1);
        std::vector<std::int64_t> nums;
        for (std::uint64_t k = 0; k < count; ++k)
            nums.push_back(static_cast<std::int64_t>(k));
        stats = statisticsSideBySide(*model_, nums, static_cast<std::size_t>(workers));
    }
    // Stored one column after another, in order, as they would be one at a time.
    for (std::uint64_t i = 0; i < count; ++i) {
        foundation::log("Column " + std::to_string(i + 1) + " out of " + std::to_string(count));
        auto column = model_->columnNumber(i);
        if (withCallbacks && delegate_) {
            delegate_->importerWillAnalyzeColumnNamed(*this, column ? column->name() : std::string());
            // Fetched again: the delegate may have reset the context.
            column = model_->columnNumber(i);
        }
        if (!column)
            continue;
        if (const auto& read = stats[static_cast<std::size_t>(i)])
            Model::applyBasicStats(*read, *column);
        else
            model_->basicStatsForColumn(*column);
        column->setType(Model::guessTypeOfColumn(*column));
        // Saved column by column: a delegate that resets before the next column without saving must not
        // drop this one's statistics.
        model_->saveContext();
    }
}

void FileImporter::createEmptyWorkspaceWithRows(std::uint64_t rows, std::uint64_t columns) {
    if (!model_)
        return;
    std::vector<std::string> names;
    for (std::uint64_t i = 1; i <= columns; ++i)
        names.push_back(withNumber(foundation::tr("Var%u"), i));
    model_->addColumns(names);
    const std::vector<std::string> data(columns);
    const auto all = model_->columns();
    Model::RowBatch batch;
    const std::uint64_t perRecord = Model::rowsPerCellRecord();
    for (std::uint64_t r = 1; r <= rows; ++r) {
        if (batch.empty())
            batch.start(r, all);
        batch.add(data);
        if ((r + 1) % perRecord == 0 || r == rows) {
            model_->addRows(batch);
            batch.clear();
        }
    }
    model_->setMetadataValue("__EMPTY__", "dataSource");
    analyzeColumns(columns, false);
}
