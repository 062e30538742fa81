// Workbook packages made in the tests: the parts of a one-sheet workbook, sheets written from rows, and
// a package zipped from named parts.
#pragma once

#include "import/SSZipArchive.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace xlsxpackage {

inline const char* const kWorkbookRels =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(</Relationships>)";
inline const char* const kWorkbook =
    R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)";

// Part name -> contents.
using Parts = std::map<std::string, std::string>;

inline std::string sheetXml(const std::string& body, const std::string& before = "") {
    return R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)" + before +
           "<sheetData>" + body + "</sheetData></worksheet>";
}

// A one-column sheet: the header "n", then the numbers 1 to `rows`.
inline std::string numberedSheet(int rows) {
    std::string body = R"(<row r="1"><c r="A1" t="inlineStr"><is><t>n</t></is></c></row>)";
    for (int r = 2; r <= rows + 1; ++r)
        body += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" +
                std::to_string(r - 1) + "</v></c></row>";
    return sheetXml(body);
}

// The relationships, the workbook and this sheet as its only worksheet.
inline Parts oneSheet(const std::string& sheet) {
    return {{"xl/_rels/workbook.xml.rels", kWorkbookRels},
            {"xl/workbook.xml", kWorkbook},
            {"xl/worksheets/sheet1.xml", sheet}};
}

inline std::string writePackage(const std::string& file, const Parts& parts) {
    SSZipArchive zip(file);
    EXPECT_TRUE(zip.open());
    for (const auto& [name, text] : parts)
        EXPECT_TRUE(zip.writeData(text, name, std::nullopt));
    EXPECT_TRUE(zip.close());
    return file;
}

} // namespace xlsxpackage
