// Reads an "xlsx" workbook: unpacks the parts it reads into a private temporary folder, lists its sheets,
// and delivers one worksheet row by row (dates recognised by the shared workbook rule), streaming each part.
#pragma once

#include "import/ImportError.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

class QVXLSXParser;

// One sheet of the workbook, in workbook order. `relationshipId` is the key by which the sheet is
// read; `num` is the number in an id of the form "rIdN" (0 for other ids).
struct XLSXSheet {
    std::string name;
    std::int64_t num = 0;
    std::string relationshipId;
    bool operator==(const XLSXSheet&) const = default;
};

// Sent without asking first: the delegate implements every callback on its road. Every run ends in
// exactly one of parserDidCompleteDocument and parserDidFailWithError (inspection failures end in the
// latter too, and then no sheet list is sent).
class QVXLSXParserDelegate {
  public:
    virtual ~QVXLSXParserDelegate() = default;
    virtual void parserDidInspectDocument(QVXLSXParser& parser, const std::string& path,
                                          const std::vector<XLSXSheet>& sheets) = 0;
    // The row's texts (one per delivered column), the sheet's own row number, the count of rows met.
    virtual void parserDidCompleteLine(QVXLSXParser& parser, const std::vector<std::string>& line,
                                       std::uint64_t number, std::uint64_t consecutiveNumber) {}
    virtual void parserDidCompleteDocument(QVXLSXParser& parser, const std::string& path) {}
    // Code 2: not a readable workbook; code 4: the file cannot be read. Rows already delivered stay.
    virtual void parserDidFailWithError(QVXLSXParser& parser, const ImportError& error) {}
};

class QVXLSXParser {
  public:
    static constexpr const char* errorDomain = "org.ovrida.Ovrida.xlsx";
    static constexpr int codeNotAWorkbook = 2;
    static constexpr int codeUnreadableFile = 4;
    // Column numbers beyond the widest sheet a spreadsheet holds ("XFD") are not cells.
    static constexpr int maxColumn = 16384;

    // Unpacks and inspects the workbook; the delegate has been answered (sheet list or failure) when
    // this returns, and may already have read a sheet from its inspection callback.
    static std::unique_ptr<QVXLSXParser> initWithXLSXFile(const std::string& path,
                                                          QVXLSXParserDelegate* delegate);
    ~QVXLSXParser();
    QVXLSXParser(const QVXLSXParser&) = delete;
    QVXLSXParser& operator=(const QVXLSXParser&) = delete;

    // Reads the sheet with this relationship id, or with this "num"; rows, then the end (or a failure).
    void parseSheet(const std::string& relationshipId);
    void parseSheetNumber(std::uint64_t num);
    // Stops the worksheet pass at the next element; the document then ends normally.
    void cancelParsing() { cancelled_ = true; }

    const std::string& pathXLSX() const { return pathXLSX_; }
    const std::vector<XLSXSheet>& sheets() const { return sheets_; }
    bool inspected() const { return inspected_; }
    bool is1904() const { return is1904_; }
    // The folder the package was unpacked into; removed with the parser (and when a sheet ends).
    const std::string& pathExtract() const { return pathExtract_; }

    // "A".."Z", "AA".. for n from 1; and back (0 when the text has no letters or lies beyond maxColumn).
    static std::string columnName(int n);
    static int columnNumber(std::string_view letters);

    // Parse state shared with the XML callbacks.
    struct Pass;

  private:
    QVXLSXParser(std::string path, QVXLSXParserDelegate* delegate);
    void run();
    bool unpack();
    // Unpacks these parts of the package, those not unpacked yet, into pathExtract.
    bool extract(std::set<std::string> parts);
    bool parseRelsFile();
    bool inspect();
    bool parseSharedStrings();
    bool parseStyleFile();
    bool parseData(const std::string& partPath);
    void fail(int code, const std::string& message);
    void removeFolder();
    std::string partFile(const std::string& partName) const;

    std::string pathXLSX_;
    QVXLSXParserDelegate* delegate_ = nullptr;
    std::string pathExtract_;
    std::set<std::string> extracted_; // parts unpacked so far (present or not in the package)
    std::vector<XLSXSheet> sheets_;
    std::vector<std::pair<std::string, std::string>> workbookRels_; // relationship id → part name
    std::vector<std::string> sharedStrings_;
    std::vector<int> styles_;
    std::set<int> dateFormats_;
    bool is1904_ = false;
    bool inspected_ = false;
    bool cancelled_ = false;
    bool finished_ = false; // the delegate has had its last callback
};
