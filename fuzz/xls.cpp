// Fuzz target: the "xls" reader on arbitrary bytes (compound file, records, every sheet, every cell).
#include "import/DHxlsReader.h"
#include "import/xls/Workbook.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    auto workbook = xls::Workbook::openMemory(std::vector<uint8_t>(data, data + size), error);
    if (!workbook)
        return 0;
    size_t total = 0;
    for (size_t s = 0; s < workbook->sheetCount(); ++s) {
        total += workbook->sheet(s).name.size();
        auto sheet = workbook->parseWorksheet(s, error);
        if (!sheet)
            continue;
        for (const auto& cell : sheet->cells()) {
            total += cell.str.size();
            if (sheet->cellAt(cell.row, cell.col) == nullptr)
                __builtin_trap(); // every cell must be found at its own position
        }
    }
    for (const auto& [id, text] : workbook->formats())
        total += text.size() + static_cast<size_t>(id);
    return total == SIZE_MAX ? 1 : 0;
}
