// Fuzz target: the "xlsx" reader on arbitrary bytes as a whole package: inspection, then every sheet.
#include "fuzz/ScratchFolder.h"
#include "import/QVXLSXParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Counter final : QVXLSXParserDelegate {
    std::size_t total = 0;
    int endings = 0;
    void parserDidInspectDocument(QVXLSXParser& parser, const std::string&,
                                  const std::vector<XLSXSheet>& sheets) override {
        for (const auto& sheet : sheets)
            total += sheet.name.size();
        // The sheet list is read from two parts, and nothing else of the package is written.
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(parser.pathExtract(), ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            const std::string part = fs::relative(it->path(), parser.pathExtract()).generic_string();
            if (!it->is_directory() && part != "xl/workbook.xml" && part != "xl/_rels/workbook.xml.rels")
                __builtin_trap();
        }
    }
    void parserDidCompleteLine(QVXLSXParser&, const std::vector<std::string>& line, std::uint64_t,
                               std::uint64_t) override {
        for (const auto& text : line)
            total += text.size();
    }
    void parserDidCompleteDocument(QVXLSXParser&, const std::string&) override { ++endings; }
    void parserDidFailWithError(QVXLSXParser&, const ImportError&) override { ++endings; }
};

const fs::path& folder() { return fuzzing::scratchFolder("xlsx"); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path file = folder() / "input.xlsx";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    Counter counter;
    auto parser = QVXLSXParser::initWithXLSXFile(file.string(), &counter);
    if (parser->inspected()) {
        // Every sheet with a reader of its own, as each import makes one.
        for (const auto& sheet : parser->sheets()) {
            Counter each;
            auto again = QVXLSXParser::initWithXLSXFile(file.string(), &each);
            again->parseSheet(sheet.relationshipId);
            if (each.endings != 1)
                __builtin_trap(); // reading a sheet ends exactly once
        }
    } else if (counter.endings != 1) {
        __builtin_trap(); // a failed inspection still answers
    }
    const std::string extracted = parser->pathExtract();
    parser.reset();
    if (!extracted.empty() && fs::exists(extracted))
        __builtin_trap(); // the private folder goes with the reader
    return counter.total == SIZE_MAX ? 1 : 0;
}
