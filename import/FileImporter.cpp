// The delimited-text road of the importer: reader callbacks to columns and rows, limits, progress,
// and the column analysis that ends every import.
#include "import/FileImporter.h"

#include "import/DHxlsReader.h"
#include "model/Model.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Tr.h"

#include <filesystem>

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

} // namespace

void FileImporter::createWorkspaceFromText(const std::string& path, bool withHeader, std::uint64_t sheet,
                                           char32_t delim, const std::string& decimalSeparator) {
    currentFile_ = path;
    importHasHeader_ = withHeader;
    importIndexSheet_ = sheet;
    if (model_) {
        model_->setMetadataValue(decimalSeparator, "decimalSeparator");
        // Rebuilt on their next use, for the new separator.
        model_->setReadDecimal(nullptr);
        model_->setReadPercent(nullptr);
        model_->setReadCurrency(nullptr);
    }
    // Compared exactly: a workbook extension in capitals is read as delimited text.
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension == ".xlsx")
        importXlsx(path);
    else if (extension == ".xls")
        importXls(path);
    else
        importTxt(path, delim);
}

void FileImporter::inspectURL(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension == ".xlsx") {
        // No reader of this format is part of the importer yet: as when none could be created.
        foundation::log("Could not initialize XLSX parser to inspect file");
        return;
    }
    if (extension != ".xls") {
        if (delegate_)
            delegate_->importerDidInspectURL(*this, path, std::nullopt);
        return;
    }
    std::vector<WorkbookSheet> sheets;
    if (auto reader = DHxlsReader::xlsReaderFromFile(path)) {
        for (std::uint32_t i = 0; i < reader->numberOfSheets(); ++i)
            sheets.push_back({reader->sheetNameAtIndex(i).value_or(""), std::nullopt});
    }
    if (delegate_)
        delegate_->importerDidInspectURL(*this, path, sheets);
}

// The workbook roads are not part of the importer yet: such a file is refused plainly, never read as text.
void FileImporter::importXls(const std::string& path) {
    didBeginDocument();
    ImportError error = importError(codeUnsupportedFormat);
    error.message = foundation::tr("This workbook format cannot be imported yet.");
    finishedCsv(path, error);
}

void FileImporter::importXlsx(const std::string& path) {
    importXls(path);
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
        model_->addRow(r, currentRow_, columnsForImport_);
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
            model_->addRow(1, currentRow_, columnsForImport_);
    }
    if (r != 0 && r % progressStep == 0) {
        foundation::log(withNumber("Row: %u", r));
        if (delegate_)
            delegate_->importerDidCompleteLineNumber(*this, r, r);
        // The delegate may have reset the context: no stored object is kept across the callback.
        columnsForImport_ = model_->columns();
    }
    currentRow_.clear();
}

void FileImporter::finishedCsv(const std::string& path, ImportError error) {
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
    if (delegate_)
        delegate_->importerDidCompleteDocument(*this, currentFile_, error);
}

void FileImporter::analyzeColumns(std::uint64_t count, bool withCallbacks) {
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
    for (std::uint64_t r = 1; r <= rows; ++r)
        model_->addRow(r, data, all);
    model_->setMetadataValue("__EMPTY__", "dataSource");
    analyzeColumns(columns, false);
}
