// Fills the open workspace of a Model from an outside table: the first line becomes the columns, every
// further line a row, within the column and row limits; progress every 100 rows; at the end each
// column's cached statistics and guessed type. Completion is an error value: code -1 a normal end,
// 3 a limit (user information "limit": "rows", "columns" or "columns,rows"), otherwise the reader's error.
#pragma once

#include "import/CHCSVParser.h"
#include "import/ImportError.h"
#include "import/QVXLSXParser.h"
#include "model/Model.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class FileImporter;

// Sent without asking first: the delegate of an import implements every import callback.
// One sheet of a workbook as an inspection lists it: its name, and for an "xlsx" workbook the number of
// its relationship, which the import is then given.
struct WorkbookSheet {
    std::string name;
    std::optional<std::uint64_t> num;
    bool operator==(const WorkbookSheet&) const = default;
};

class FileImporterDelegate {
  public:
    virtual ~FileImporterDelegate() = default;
    // Once per inspection: the workbook's sheets (empty when it cannot be read), nothing for a text file.
    virtual void importerDidInspectURL(FileImporter& importer, const std::string& file,
                                       const std::optional<std::vector<WorkbookSheet>>& sheets) {}
    virtual void importerDidStartDocument(FileImporter& importer, const std::string& file) {}
    // After each stored row whose number is a non-zero multiple of 100; the delegate may save and reset
    // the Model's context here.
    virtual void importerDidCompleteLineNumber(FileImporter& importer, std::uint64_t row,
                                               std::uint64_t consecutiveNumber) {}
    virtual void importerDidCompleteParsing(FileImporter& importer, const std::string& path) {}
    // Before each column's statistics; the delegate may save and reset the Model's context here.
    virtual void importerWillAnalyzeColumnNamed(FileImporter& importer, const std::string& name) {}
    virtual void importerDidCompleteDocument(FileImporter& importer, const std::string& file,
                                             const ImportError& error) {}
};

class FileImporter : public CHCSVParserDelegate, public QVXLSXParserDelegate {
  public:
    static constexpr const char* errorDomain = "org.ovrida.Ovrida";
    static constexpr int codeNormalEnd = -1;
    static constexpr int codeLimitReached = 3;
    static constexpr int codeUnsupportedFormat = 2; // not a readable workbook
    static constexpr int codeUnreadableFile = 4;
    static constexpr std::size_t columnLimit = 500;
    static constexpr std::uint64_t rowLimit = 100000;
    static constexpr std::uint64_t progressStep = 100;

    FileImporter() = default;

    // Not owned: the caller keeps both alive for the import.
    Model* model() const { return model_; }
    void setModel(Model* model) { model_ = model; }
    FileImporterDelegate* delegate() const { return delegate_; }
    void setDelegate(FileImporterDelegate* delegate) { delegate_ = delegate; }
    // How many cells' texts the column analysis may hold at once: it reads as many columns side by side
    // as that allows (and the global queue has threads for).
    std::uint64_t cellsPerPass() const { return cellsPerPass_; }
    void setCellsPerPass(std::uint64_t cells) { cellsPerPass_ = cells ? cells : 1; }

    const std::string& currentFile() const { return currentFile_; }
    bool importHasHeader() const { return importHasHeader_; }
    std::uint64_t importIndexSheet() const { return importIndexSheet_; }
    const std::vector<std::string>& currentRow() const { return currentRow_; }
    void setCurrentRow(std::vector<std::string> row) { currentRow_ = std::move(row); }
    bool isInspecting() const { return isInspecting_; }
    bool hitRowLimit() const { return hitRowLimit_; }
    bool hitColLimit() const { return hitColLimit_; }

    // Runs a whole import into the Model's open workspace; returns after importerDidCompleteDocument.
    // The format follows the path's extension, compared exactly: "xlsx", "xls", else delimited text.
    void createWorkspaceFromText(const std::string& path, bool withHeader, std::uint64_t sheet,
                                 char32_t delim, const std::string& decimalSeparator);
    // R rows of C empty cells, named Var1 to VarC; no delegate callback.
    void createEmptyWorkspaceWithRows(std::uint64_t rows, std::uint64_t columns);

    // Lists the sheets of a workbook and answers with importerDidInspectURL before it returns.
    void inspectURL(const std::string& path);
    // Why the last inspection of a workbook found no sheet list (set before its answer is sent): code 4
    // an unreadable file, whose message names it; 2 not a readable workbook. Nothing after a success.
    const std::optional<ImportError>& inspectionError() const { return inspectionError_; }

    // The format drivers, chosen by the extension.
    void importTxt(const std::string& path, char32_t delim);
    void importXls(const std::string& path);
    void importXlsx(const std::string& path);
    void didBeginDocument();
    // Stores one line (currentRow) with its line number from 1; `sender` is the reader to stop at the
    // row limit, or null for a reader that watches hitRowLimit itself.
    void parserDidCompleteLineNumber(CHCSVParser* sender, std::uint64_t lineNumber);
    void finishedCsv(const std::string& path, ImportError error);

    // As the delimited-text reader's delegate.
    bool parserDidBeginDocument(CHCSVParser& parser) override;
    bool parserDidBeginLine(CHCSVParser& parser, std::uint64_t recordNumber) override;
    bool parserDidReadField(CHCSVParser& parser, std::string_view field, std::int64_t index) override;
    bool parserDidEndLine(CHCSVParser& parser, std::uint64_t recordNumber) override;
    bool parserDidEndDocument(CHCSVParser& parser) override;
    bool parserDidFailWithError(CHCSVParser& parser, const ImportError& error) override;

    // As the "xlsx" reader's delegate.
    void parserDidInspectDocument(QVXLSXParser& parser, const std::string& path,
                                  const std::vector<XLSXSheet>& sheets) override;
    void parserDidCompleteLine(QVXLSXParser& parser, const std::vector<std::string>& line,
                               std::uint64_t number, std::uint64_t consecutiveNumber) override;
    void parserDidCompleteDocument(QVXLSXParser& parser, const std::string& path) override;
    void parserDidFailWithError(QVXLSXParser& parser, const ImportError& error) override;

  private:
    // Ends a workbook import that could not be read: code 2 not a readable workbook, 4 an unreadable
    // file (the reason then names the file and is the message).
    void failWorkbook(int code, const std::string& reason);
    static ImportError workbookError(int code, const std::string& reason);
    std::optional<std::vector<WorkbookSheet>> inspectWorkbook(const std::string& path, bool xlsx);
    void endAfterException(bool workbook, const std::string& what);
    void analyzeColumns(std::uint64_t count, bool withCallbacks);

    Model* model_ = nullptr;
    FileImporterDelegate* delegate_ = nullptr;
    std::string currentFile_;
    bool importHasHeader_ = false;
    std::uint64_t importIndexSheet_ = 0;
    std::vector<std::string> currentRow_;
    bool lineOverflow_ = false; // the line being read had more fields than the column limit
    std::vector<std::shared_ptr<Column>> columnsForImport_;
    // Rows read but not yet handed to the Model: written together, each column's cells of them as
    // whole records, at the progress report that ends a record's run of rows (so that a save every
    // progress step does not rewrite every column's last record), and at the end.
    Model::RowBatch pendingRows_;
    void addPendingRow(std::uint64_t rowNum);
    void writePendingRows();
    bool isInspecting_ = false;
    bool hitRowLimit_ = false;
    bool hitColLimit_ = false;
    std::optional<ImportError> inspectionError_;
    bool ending_ = false;    // the end of the import (finishedCsv) has begun
    bool completed_ = false; // importerDidCompleteDocument has been sent
    std::uint64_t cellsPerPass_ = 4000000; // some 50 MB of short texts
};
