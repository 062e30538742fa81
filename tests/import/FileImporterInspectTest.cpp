// Inspection lists a workbook's sheets before an import and nothing for a text file; a workbook extension
// never sends the file to the text reader, in either call.
#include "import/FileImporter.h"

#include "model/Model.h"
#include "platform/foundation/Log.h"
#include "tests/model/StoreFixture.h"

namespace {

class InspectionRecorder final : public FileImporterDelegate {
  public:
    void importerDidInspectURL(FileImporter&, const std::string& file,
                               const std::optional<std::vector<WorkbookSheet>>& s) override {
        ++calls;
        url = file;
        sheets = s;
    }
    void importerDidStartDocument(FileImporter&, const std::string&) override { events.push_back("start"); }
    void importerDidCompleteLineNumber(FileImporter&, std::uint64_t, std::uint64_t) override {
        events.push_back("row");
    }
    void importerDidCompleteParsing(FileImporter&, const std::string&) override {
        events.push_back("parsed");
    }
    void importerWillAnalyzeColumnNamed(FileImporter&, const std::string&) override {
        events.push_back("analyze");
    }
    void importerDidCompleteDocument(FileImporter&, const std::string&, const ImportError& e) override {
        events.push_back("complete " + std::to_string(e.code));
    }
    int calls = 0;
    std::string url;
    std::optional<std::vector<WorkbookSheet>> sheets;
    std::vector<std::string> events;
};

TEST(FileImporterInspect, SheetsOfAnXlsWorkbookNothingForText) {
    const std::string xls = "tests/fixtures/xls/xlwt_basic.xls";
    struct Case {
        std::string file;
        std::optional<std::vector<WorkbookSheet>> sheets;
    } cases[] = {
        {xls, std::vector<WorkbookSheet>{{"Data", {}}, {"Hidden", {}}, {"Empty ü", {}}}},
        {"tests/fixtures/xlsx/openpyxl_basic.xlsx", std::vector<WorkbookSheet>{{"Data", 1}, {"Second", 2}}},
        // A workbook that cannot be read answers nothing.
        {"tests/fixtures/xls/broken_no_workbook.xls", std::nullopt},
        {"tests/fixtures/xlsx/missing.xlsx", std::nullopt},
        {"tests/fixtures/zip/truncated.zip.xlsx", std::nullopt},
        {"tests/fixtures/csv/encodings/source.csv", std::nullopt},
        {"tests/fixtures/xls/XLWT_BASIC.XLS", std::nullopt}, // compared exactly: capitals are text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        InspectionRecorder recorder;
        FileImporter importer; // an inspection has no Model
        importer.setDelegate(&recorder);
        importer.inspectURL(c.file);
        EXPECT_EQ(recorder.calls, 1);
        EXPECT_EQ(recorder.url, c.file);
        EXPECT_EQ(recorder.sheets, c.sheets);
    }
}

} // namespace
