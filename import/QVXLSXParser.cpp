// The "xlsx" reader: package relationships, workbook, shared strings, styles and one worksheet, each
// read by a streaming expat pass on the calling thread, one after the other.
#include "import/QVXLSXParser.h"

#include "import/DateFormats.h"
#include "import/SSZipArchive.h"
#include "import/SerialDate.h"
#include "import/Streams.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Tr.h"

#include <expat.h>

#include <cerrno>
#include <charconv>
#include <exception>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr char kSeparator = '|';
constexpr std::string_view kMainTransitional = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view kMainStrict = "http://purl.oclc.org/ooxml/spreadsheetml/main";
constexpr std::string_view kPackageRels = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr std::string_view kOfficeRelsTransitional =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view kOfficeRelsStrict = "http://purl.oclc.org/ooxml/officeDocument/relationships";
constexpr std::string_view kWorksheetTransitional =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
constexpr std::string_view kWorksheetStrict =
    "http://purl.oclc.org/ooxml/officeDocument/relationships/worksheet";

struct Name {
    std::string_view ns;
    std::string_view local;
};

Name split(const char* name) {
    std::string_view text(name);
    const auto at = text.rfind(kSeparator);
    if (at == std::string_view::npos)
        return {{}, text};
    return {text.substr(0, at), text.substr(at + 1)};
}

// The local name of a spreadsheet element, or "" for elements of any other namespace. Asked for every
// element of a worksheet, so the name is read once: its namespace is one of two known texts.
std::string_view sheetLocal(const char* name) {
    for (const std::string_view ns : {kMainTransitional, kMainStrict})
        if (std::strncmp(name, ns.data(), ns.size()) == 0 && name[ns.size()] == kSeparator)
            return name + ns.size() + 1;
    return {};
}

// An attribute without a namespace (the only kind the spreadsheet parts use for their own data).
const char* attribute(const char** atts, std::string_view wanted) {
    for (; atts && *atts; atts += 2)
        if (wanted == atts[0])
            return atts[1];
    return nullptr;
}

const char* relationshipIdAttribute(const char** atts) {
    for (; atts && *atts; atts += 2) {
        const Name n = split(atts[0]);
        if (n.local == "id" && (n.ns == kOfficeRelsTransitional || n.ns == kOfficeRelsStrict))
            return atts[1];
    }
    return nullptr;
}

std::optional<std::int64_t> integer(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

int intOr(const char* text, int fallback) {
    if (!text)
        return fallback;
    const auto v = integer(text);
    return v && *v >= 0 && *v <= INT32_MAX ? static_cast<int>(*v) : fallback;
}

// The part a relationship target names: a leading "/" starts at the package root, anything else
// beside the workbook in "xl/"; "" when the target leaves the package or names nothing.
std::string resolveTarget(std::string_view target) {
    std::vector<std::string> parts;
    if (!target.empty() && target.front() == '/')
        target.remove_prefix(1);
    else
        parts.push_back("xl");
    while (!target.empty()) {
        const auto slash = target.find('/');
        const std::string_view segment = target.substr(0, slash);
        target = slash == std::string_view::npos ? std::string_view() : target.substr(slash + 1);
        if (segment.empty() || segment == ".")
            continue;
        if (segment == "..") {
            if (parts.empty())
                return {};
            parts.pop_back();
            continue;
        }
        parts.emplace_back(segment);
    }
    std::string joined;
    for (const auto& part : parts)
        joined += (joined.empty() ? "" : "/") + part;
    return joined == "xl" && target.empty() && parts.size() == 1 ? std::string() : joined;
}

} // namespace

// What one pass keeps between expat's callbacks.
struct QVXLSXParser::Pass {
    enum class Kind { Rels, Workbook, SharedStrings, Styles, Sheet };
    Pass(Kind kind, QVXLSXParser* reader) : kind(kind), reader(reader) {}
    Kind kind;
    QVXLSXParser* reader;
    XML_Parser xml = nullptr;
    bool refused = false; // a document type declaration: never part of a package
    bool stoppedByCancel = false;
    std::exception_ptr thrown; // what a callback threw; the pass stopped there
    std::string text;

    // Shared strings.
    bool inItem = false;
    int phonetic = 0;
    bool inText = false;
    // Styles.
    bool inNumFmts = false;
    bool inCellXfs = false;
    // Worksheet.
    const workbook::SerialDateWriter* dates = nullptr;
    int firstCol = 0, lastCol = 0; // the delivered columns, from the dimension or the first row
    bool haveCols = false;
    bool isFirstRow = true;
    bool inRow = false;
    std::int64_t rowNumber = 0;
    std::uint64_t rowInternal = 0;
    int cellCol = 0;
    int prevCol = 0;
    enum class CellKind { Number, SharedString, InlineString, Other }; // from the cell's "t"
    CellKind cellKind = CellKind::Number;
    bool cellIsDate = false;
    bool inValue = false;
    bool inInline = false;
    bool inInlineText = false;
    std::string value;
    bool haveValue = false;
    std::string inlineText;
    std::vector<std::pair<int, std::string>> cells;
    std::vector<std::string> line;

    void collect(const char* s, int len) {
        const bool wanted = kind == Kind::SharedStrings ? inText : (inValue || inInlineText);
        if (wanted)
            text.append(s, static_cast<std::size_t>(len));
    }
    template <typename F> void guarded(F&& handler) {
        if (thrown)
            return;
        try {
            handler();
        } catch (...) {
            thrown = std::current_exception();
            XML_StopParser(xml, XML_FALSE);
        }
    }
    void start(const char* name, const char** atts);
    void end(const char* name);
    void endRow();
};

void QVXLSXParser::Pass::start(const char* name, const char** atts) {
    switch (kind) {
    case Kind::Rels: {
        const Name n = split(name);
        if (n.ns != kPackageRels || n.local != "Relationship")
            return;
        const char* type = attribute(atts, "Type");
        const char* target = attribute(atts, "Target");
        const char* id = attribute(atts, "Id");
        const char* mode = attribute(atts, "TargetMode");
        if (!type || !target || !id || (mode && std::string_view(mode) == "External"))
            return;
        if (type != kWorksheetTransitional && type != kWorksheetStrict)
            return;
        std::string part = resolveTarget(target);
        if (part.empty()) {
            foundation::log(std::string("xlsx: relationship target outside the package refused: ") + target);
            return;
        }
        reader->workbookRels_.emplace_back(id, std::move(part));
        return;
    }
    case Kind::Workbook: {
        const std::string_view local = sheetLocal(name);
        if (local == "sheet") {
            const char* sheetName = attribute(atts, "name");
            const char* id = relationshipIdAttribute(atts);
            if (!id)
                return;
            XLSXSheet sheet{sheetName ? sheetName : "", 0, id};
            std::string_view idText(id);
            if (idText.starts_with("rId"))
                sheet.num = integer(idText.substr(3)).value_or(0);
            reader->sheets_.push_back(std::move(sheet));
        } else if (local == "workbookPr") {
            const char* flag = attribute(atts, "date1904");
            if (flag && (std::string_view(flag) == "1" || std::string_view(flag) == "true"))
                reader->is1904_ = true;
        }
        return;
    }
    case Kind::SharedStrings: {
        const std::string_view local = sheetLocal(name);
        if (local == "si") {
            inItem = true;
            phonetic = 0;
            text.clear();
        } else if (local == "rPh") {
            ++phonetic;
        } else if (local == "t" && inItem && phonetic == 0) {
            inText = true;
        }
        return;
    }
    case Kind::Styles: {
        const std::string_view local = sheetLocal(name);
        if (local == "numFmts") {
            inNumFmts = true;
        } else if (local == "numFmt" && inNumFmts) {
            const char* code = attribute(atts, "formatCode");
            const int id = intOr(attribute(atts, "numFmtId"), -1);
            if (code && id >= 0 && workbook::isDateFormatCode(code))
                reader->dateFormats_.insert(id);
        } else if (local == "cellXfs") {
            inCellXfs = true;
            reader->styles_.clear();
        } else if (local == "xf" && inCellXfs) {
            reader->styles_.push_back(intOr(attribute(atts, "numFmtId"), 0));
        }
        return;
    }
    case Kind::Sheet:
        break;
    }

    if (reader->cancelled_) {
        stoppedByCancel = true;
        XML_StopParser(xml, XML_FALSE);
        return;
    }
    const std::string_view local = sheetLocal(name);
    if (local.empty())
        return;
    if (local == "c" && inRow) {
        // One pass over the attributes: this runs for every cell.
        const char* ref = nullptr;
        const char* type = nullptr;
        const char* style = nullptr;
        for (const char** a = atts; a && *a; a += 2) {
            if (a[0][0] == '\0' || a[0][1] != '\0')
                continue;
            if (a[0][0] == 'r')
                ref = a[1];
            else if (a[0][0] == 't')
                type = a[1];
            else if (a[0][0] == 's')
                style = a[1];
        }
        int col = 0;
        if (ref) {
            std::string_view letters(ref);
            std::size_t n = 0;
            while (n < letters.size() &&
                   ((letters[n] >= 'A' && letters[n] <= 'Z') || (letters[n] >= 'a' && letters[n] <= 'z')))
                ++n;
            col = n == 0 ? 0 : QVXLSXParser::columnNumber(letters.substr(0, n));
            if (n == 0)
                col = prevCol + 1;
        } else {
            col = prevCol + 1;
        }
        cellCol = col;
        if (col > 0)
            prevCol = col;
        const std::string_view t = type ? type : "";
        cellKind = t.empty() || t == "n" ? CellKind::Number
                   : t == "s"            ? CellKind::SharedString
                   : t == "inlineStr"    ? CellKind::InlineString
                                         : CellKind::Other;
        cellIsDate = false;
        if (cellKind == CellKind::Number) {
            const int s = intOr(style, 0);
            if (s >= 1) {
                const auto id = workbook::formatIdForStyle(static_cast<std::size_t>(s), reader->styles_);
                cellIsDate = id && workbook::isDateFormatId(*id, reader->dateFormats_);
            }
        }
        haveValue = false;
        value.clear();
        inlineText.clear();
    } else if (local == "v" && cellCol != 0) {
        inValue = true;
        text.clear();
    } else if (local == "is" && cellCol != 0) {
        inInline = true;
        phonetic = 0;
    } else if (local == "rPh" && inInline) {
        ++phonetic;
    } else if (local == "t" && inInline && phonetic == 0) {
        inInlineText = true;
        text.clear();
    } else if (local == "row") {
        inRow = true;
        const auto r = integer(attribute(atts, "r") ? attribute(atts, "r") : "");
        rowNumber = r && *r > 0 ? *r : rowNumber + 1;
        ++rowInternal;
        cells.clear();
        prevCol = 0;
    } else if (local == "dimension" && rowInternal == 0) {
        const char* ref = attribute(atts, "ref");
        if (!ref)
            return;
        const std::string_view range(ref);
        const auto colon = range.find(':');
        if (colon == std::string_view::npos)
            return; // one cell says nothing about the sheet's width
        auto lettersOf = [](std::string_view cell) {
            std::size_t n = 0;
            while (n < cell.size() && cell[n] >= 'A' && cell[n] <= 'Z')
                ++n;
            return QVXLSXParser::columnNumber(cell.substr(0, n));
        };
        const int first = lettersOf(range.substr(0, colon));
        const int last = lettersOf(range.substr(colon + 1));
        if (first == 0 || last == 0 || first > last || range.substr(0, colon) == range.substr(colon + 1))
            return;
        firstCol = first;
        lastCol = last;
        haveCols = true;
    }
}

void QVXLSXParser::Pass::end(const char* name) {
    switch (kind) {
    case Kind::Rels:
    case Kind::Workbook:
        return;
    case Kind::SharedStrings: {
        const std::string_view local = sheetLocal(name);
        if (local == "t") {
            inText = false;
        } else if (local == "rPh") {
            --phonetic;
        } else if (local == "si" && inItem) {
            inItem = false;
            reader->sharedStrings_.push_back(std::move(text));
            text.clear();
        }
        return;
    }
    case Kind::Styles: {
        const std::string_view local = sheetLocal(name);
        if (local == "numFmts")
            inNumFmts = false;
        else if (local == "cellXfs")
            inCellXfs = false;
        return;
    }
    case Kind::Sheet:
        break;
    }

    const std::string_view local = sheetLocal(name);
    if (local == "v" && inValue) {
        inValue = false;
        if (cellKind == CellKind::SharedString) {
            const auto index = integer(text);
            if (index && *index >= 0 && static_cast<std::uint64_t>(*index) < reader->sharedStrings_.size())
                value = reader->sharedStrings_[static_cast<std::size_t>(*index)];
            else
                value = "parse error";
        } else if (cellIsDate) {
            const auto serial = workbook::SerialDateWriter::number(text);
            const auto date = serial ? dates->text(*serial) : std::nullopt;
            value = date ? *date : text;
        } else {
            value = text;
        }
        haveValue = true;
        text.clear();
    } else if (local == "t" && inInlineText) {
        inInlineText = false;
        inlineText += text;
        text.clear();
    } else if (local == "rPh" && inInline) {
        --phonetic;
    } else if (local == "is") {
        inInline = false;
    } else if (local == "c" && cellCol != 0) {
        if (cellKind == CellKind::InlineString) {
            value = std::move(inlineText);
            haveValue = true;
        }
        if (haveValue && cellCol > 0 && cellCol <= QVXLSXParser::maxColumn)
            cells.emplace_back(cellCol, std::move(value));
        cellCol = 0;
        cellKind = CellKind::Number;
        haveValue = false;
    } else if (local == "row" && inRow) {
        inRow = false;
        endRow();
    }
}

void QVXLSXParser::Pass::endRow() {
    if (isFirstRow) {
        isFirstRow = false;
        if (!haveCols) {
            int widest = 0;
            for (const auto& cell : cells)
                widest = std::max(widest, cell.first);
            firstCol = 1;
            lastCol = widest;
            haveCols = true;
        }
    }
    line.assign(static_cast<std::size_t>(lastCol >= firstCol ? lastCol - firstCol + 1 : 0), std::string());
    for (auto& [col, text] : cells)
        if (col >= firstCol && col <= lastCol)
            line[static_cast<std::size_t>(col - firstCol)] = std::move(text);
    cells.clear();
    reader->delegate_->parserDidCompleteLine(*reader, line, static_cast<std::uint64_t>(rowNumber),
                                             rowInternal);
}

namespace {

enum class PassResult { Done, Cancelled, Failed, Unreadable };

// Streams one file through expat with the pass's handlers.
PassResult runPass(QVXLSXParser::Pass& pass, const std::string& file, std::string& message) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) {
        message = "cannot open part " + fs::path(file).filename().string();
        return PassResult::Unreadable;
    }
    XML_Parser xml = XML_ParserCreateNS(nullptr, kSeparator);
    pass.xml = xml;
    XML_SetUserData(xml, &pass);
    // An exception must not unwind through the XML library: it stops the pass and is thrown again
    // once the parser and the file are released.
    XML_SetElementHandler(
        xml,
        [](void* data, const XML_Char* name, const XML_Char** atts) {
            auto* pass = static_cast<QVXLSXParser::Pass*>(data);
            pass->guarded([&] { pass->start(name, atts); });
        },
        [](void* data, const XML_Char* name) {
            auto* pass = static_cast<QVXLSXParser::Pass*>(data);
            pass->guarded([&] { pass->end(name); });
        });
    XML_SetCharacterDataHandler(xml, [](void* data, const XML_Char* s, int len) {
        auto* pass = static_cast<QVXLSXParser::Pass*>(data);
        pass->guarded([&] { pass->collect(s, len); });
    });
    // Packages carry no document type; refusing one keeps entity expansion out entirely.
    XML_SetStartDoctypeDeclHandler(xml,
                                   [](void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
                                       auto* pass = static_cast<QVXLSXParser::Pass*>(data);
                                       pass->refused = true;
                                       XML_StopParser(pass->xml, XML_FALSE);
                                   });
    PassResult result = PassResult::Done;
    for (;;) {
        constexpr int kChunk = 1 << 16;
        void* buffer = XML_GetBuffer(xml, kChunk);
        if (!buffer) {
            message = "out of memory";
            result = PassResult::Failed;
            break;
        }
        const std::size_t got = std::fread(buffer, 1, kChunk, in);
        if (std::ferror(in)) {
            message = "cannot read part " + fs::path(file).filename().string();
            result = PassResult::Unreadable;
            break;
        }
        const bool last = got < static_cast<std::size_t>(kChunk);
        if (XML_ParseBuffer(xml, static_cast<int>(got), last) == XML_STATUS_ERROR) {
            if (pass.stoppedByCancel) {
                result = PassResult::Cancelled;
            } else {
                message = pass.refused ? std::string("document type declaration in ")
                                       : std::string(XML_ErrorString(XML_GetErrorCode(xml))) + " at line " +
                                             std::to_string(XML_GetCurrentLineNumber(xml)) + " of ";
                message += fs::path(file).filename().string();
                result = PassResult::Failed;
            }
            break;
        }
        if (last)
            break;
    }
    XML_ParserFree(xml);
    pass.xml = nullptr;
    std::fclose(in);
    if (pass.thrown)
        std::rethrow_exception(pass.thrown);
    return result;
}

} // namespace

std::unique_ptr<QVXLSXParser> QVXLSXParser::initWithXLSXFile(const std::string& path,
                                                             QVXLSXParserDelegate* delegate) {
    std::unique_ptr<QVXLSXParser> parser(new QVXLSXParser(path, delegate));
    parser->run();
    return parser;
}

QVXLSXParser::QVXLSXParser(std::string path, QVXLSXParserDelegate* delegate)
    : pathXLSX_(std::move(path)), delegate_(delegate) {}

QVXLSXParser::~QVXLSXParser() {
    removeFolder();
}

std::string QVXLSXParser::columnName(int n) {
    std::string name;
    while (n > 0) {
        const int rest = (n - 1) % 26;
        name.insert(name.begin(), static_cast<char>('A' + rest));
        n = (n - 1) / 26;
    }
    return name;
}

int QVXLSXParser::columnNumber(std::string_view letters) {
    int n = 0;
    for (char c : letters) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z')
            return 0;
        n = n * 26 + (c - 'A' + 1);
        if (n > maxColumn)
            return 0;
    }
    return n;
}

void QVXLSXParser::fail(int code, const std::string& message) {
    foundation::log("xlsx: " + message + " (" + pathXLSX_ + ")");
    removeFolder();
    if (finished_)
        return;
    finished_ = true;
    // An unreadable file is told by the message itself, which names the file.
    const std::string text =
        code == codeUnreadableFile ? message : foundation::tr("The file is not a readable workbook.");
    delegate_->parserDidFailWithError(*this, ImportError{errorDomain, code, text, {{"reason", message}}});
}

void QVXLSXParser::removeFolder() {
    if (pathExtract_.empty())
        return;
    std::error_code ec;
    fs::remove_all(pathExtract_, ec);
    if (ec)
        foundation::log("xlsx: " + ec.message() + ", " + pathExtract_);
    pathExtract_.clear();
}

std::string QVXLSXParser::partFile(const std::string& partName) const {
    return pathExtract_ + "/" + partName;
}

void QVXLSXParser::run() {
    if (auto problem = regularFileProblem(pathXLSX_)) {
        fail(codeUnreadableFile, *problem);
        return;
    }
    if (!unpack())
        return;
    if (!parseRelsFile() || !inspect())
        return;
    if (sheets_.empty()) {
        fail(codeNotAWorkbook, "the workbook lists no worksheet");
        return;
    }
    inspected_ = true;
    delegate_->parserDidInspectDocument(*this, pathXLSX_, sheets_);
}

bool QVXLSXParser::unpack() {
    std::error_code ec;
    std::string pattern = (fs::temp_directory_path(ec) / "org.ovrida.xlsx.XXXXXX").string();
    if (ec || !mkdtemp(pattern.data())) {
        const std::string why = ec ? ec.message() : std::string(std::strerror(errno));
        fail(codeUnreadableFile,
             "The file \"" + pathXLSX_ + "\" could not be unpacked: no temporary folder (" + why + ")");
        return false;
    }
    pathExtract_ = pattern;
    // The sheet list needs these two; the parts of a sheet are unpacked when it is read.
    return extract({"xl/_rels/workbook.xml.rels", "xl/workbook.xml"});
}

bool QVXLSXParser::extract(std::set<std::string> parts) {
    for (const auto& part : extracted_)
        parts.erase(part);
    if (parts.empty())
        return true;
    // Only the parts read are written: other entries of the package cost nothing and cannot fail it.
    ImportError error;
    if (!SSZipArchive::unzipEntriesAtPath(pathXLSX_, pathExtract_, parts, &error)) {
        fail(codeNotAWorkbook, "cannot unpack: " + error.description());
        return false;
    }
    extracted_.insert(parts.begin(), parts.end());
    return true;
}

bool QVXLSXParser::parseRelsFile() {
    workbookRels_.clear();
    Pass pass(Pass::Kind::Rels, this);
    std::string message;
    if (runPass(pass, partFile("xl/_rels/workbook.xml.rels"), message) != PassResult::Done) {
        fail(codeNotAWorkbook, message);
        return false;
    }
    return true;
}

bool QVXLSXParser::inspect() {
    sheets_.clear();
    Pass pass(Pass::Kind::Workbook, this);
    std::string message;
    if (runPass(pass, partFile("xl/workbook.xml"), message) != PassResult::Done) {
        fail(codeNotAWorkbook, message);
        return false;
    }
    return true;
}

bool QVXLSXParser::parseSharedStrings() {
    sharedStrings_.clear();
    const std::string file = partFile("xl/sharedStrings.xml");
    std::error_code ec;
    if (!fs::exists(file, ec))
        return true; // no shared strings: a workbook of numbers only
    Pass pass(Pass::Kind::SharedStrings, this);
    std::string message;
    if (runPass(pass, file, message) != PassResult::Done) {
        fail(codeNotAWorkbook, message);
        return false;
    }
    return true;
}

bool QVXLSXParser::parseStyleFile() {
    dateFormats_.clear();
    styles_.clear();
    const std::string file = partFile("xl/styles.xml");
    std::error_code ec;
    if (!fs::exists(file, ec))
        return true; // no styles: no cell is a date
    Pass pass(Pass::Kind::Styles, this);
    std::string message;
    if (runPass(pass, file, message) != PassResult::Done) {
        fail(codeNotAWorkbook, message);
        return false;
    }
    return true;
}

bool QVXLSXParser::parseData(const std::string& partPath) {
    const workbook::SerialDateWriter dates(is1904_);
    Pass pass(Pass::Kind::Sheet, this);
    pass.dates = &dates;
    std::string message;
    const PassResult result = runPass(pass, partFile(partPath), message);
    if (result == PassResult::Failed || result == PassResult::Unreadable) {
        fail(codeNotAWorkbook, message);
        return false;
    }
    return true;
}

void QVXLSXParser::parseSheetNumber(std::uint64_t num) {
    for (const auto& sheet : sheets_)
        if (sheet.num > 0 && static_cast<std::uint64_t>(sheet.num) == num) {
            parseSheet(sheet.relationshipId);
            return;
        }
    fail(codeNotAWorkbook, "no sheet numbered " + std::to_string(num));
}

void QVXLSXParser::parseSheet(const std::string& relationshipId) {
    if (finished_)
        return;
    if (!inspected_) {
        fail(codeNotAWorkbook, "the workbook was not inspected");
        return;
    }
    std::string part;
    for (const auto& [id, target] : workbookRels_)
        if (id == relationshipId) {
            part = target;
            break;
        }
    if (part.empty()) {
        fail(codeNotAWorkbook, "no worksheet for the relationship \"" + relationshipId + "\"");
        return;
    }
    if (!extract({"xl/sharedStrings.xml", "xl/styles.xml", part}))
        return;
    std::error_code ec;
    if (!fs::is_regular_file(partFile(part), ec)) {
        fail(codeNotAWorkbook, "the worksheet part " + part + " is missing");
        return;
    }
    if (!parseSharedStrings() || !parseStyleFile() || !parseData(part))
        return;
    removeFolder();
    finished_ = true;
    delegate_->parserDidCompleteDocument(*this, pathXLSX_);
}
