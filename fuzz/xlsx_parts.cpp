// Fuzz target: the "xlsx" reader's XML parts one at a time. The first byte picks the part (workbook
// relationships, workbook, shared strings, styles, worksheet); the rest is its text, packed with valid
// other parts into a stored (uncompressed) package that is then read whole.
#include "fuzz/ScratchFolder.h"
#include "import/QVXLSXParser.h"
#include "import/SSZipArchive.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Counter final : QVXLSXParserDelegate {
    std::size_t total = 0;
    int endings = 0;
    void parserDidInspectDocument(QVXLSXParser& parser, const std::string&,
                                  const std::vector<XLSXSheet>& sheets) override {
        parser.parseSheet(sheets.front().relationshipId);
    }
    void parserDidCompleteLine(QVXLSXParser&, const std::vector<std::string>& line, std::uint64_t,
                               std::uint64_t) override {
        for (const auto& text : line)
            total += text.size();
    }
    void parserDidCompleteDocument(QVXLSXParser&, const std::string&) override { ++endings; }
    void parserDidFailWithError(QVXLSXParser&, const ImportError&) override { ++endings; }
};

const fs::path& folder() { return fuzzing::scratchFolder("xlsx-parts"); }

const char* const kNames[] = {"xl/_rels/workbook.xml.rels", "xl/workbook.xml", "xl/sharedStrings.xml",
                              "xl/styles.xml", "xl/worksheets/sheet1.xml"};

std::map<std::string, std::string> validParts() {
    return {
        {kNames[0],
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
         R"(</Relationships>)"},
        {kNames[1],
         R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
         R"(<workbookPr date1904="1"/><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {kNames[2], R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
                    R"(<si><t>a</t></si><si><r><t>b</t></r><rPh><t>c</t></rPh></si></sst>)"},
        {kNames[3],
         R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
         R"(<numFmts><numFmt numFmtId="164" formatCode="m/d;@"/></numFmts>)"
         R"(<cellXfs><xf numFmtId="0"/><xf numFmtId="14"/><xf numFmtId="164"/></cellXfs></styleSheet>)"},
        {kNames[4],
         R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
         R"(<dimension ref="A1:C2"/><sheetData><row r="1"><c r="A1" t="s"><v>1</v></c>)"
         R"(<c r="B1" s="1"><v>43831.25</v></c><c r="C1" t="inlineStr"><is><t>i</t></is></c></row>)"
         R"(<row><c s="2"><v>1</v></c><c t="b"><v>1</v></c></row></sheetData></worksheet>)"},
    };
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    auto parts = validParts();
    parts[kNames[data[0] % 5]] = std::string(reinterpret_cast<const char*>(data + 1), size - 1);
    const fs::path file = folder() / "input.xlsx";
    {
        SSZipArchive zip(file.string());
        if (!zip.open())
            std::abort();
        for (const auto& [name, text] : parts)
            zip.writeData(text, name, 0, std::nullopt, false);
        zip.close();
    }
    Counter counter;
    QVXLSXParser::initWithXLSXFile(file.string(), &counter);
    if (counter.endings != 1)
        __builtin_trap(); // every read ends exactly once, in success or failure
    return counter.total == SIZE_MAX ? 1 : 0;
}
