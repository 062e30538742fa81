// Writing the workspace as CSV row by row, fields placed by column number.
#include "app/BrowseExport.h"

#include "import/CHCSVWriter.h"

#include <algorithm>

std::optional<ImportError> writeWorkspaceCSV(Model& model, const std::string& path,
                                             std::optional<std::vector<int64_t>> rows,
                                             const std::function<void(int64_t, int64_t)>& progress) {
    CHCSVWriter writer(path);
    const auto columns = model.columns();
    // The columns' numbers in ascending order, each with its place on the line: a row's cells come
    // sorted by colNum, so each finds its place by a search, and a cell of no column is left out.
    std::vector<std::pair<int64_t, size_t>> places;
    for (size_t k = 0; k < columns.size(); ++k) {
        writer.writeField(columns[k]->name());
        places.emplace_back(columns[k]->num(), k);
    }
    writer.finishLine();
    std::sort(places.begin(), places.end());

    std::vector<int64_t> numbers;
    if (rows) {
        numbers = std::move(*rows);
        std::sort(numbers.begin(), numbers.end());
    } else {
        const auto count = static_cast<int64_t>(model.countRows());
        numbers.reserve(static_cast<size_t>(count));
        for (int64_t r = 1; r <= count; ++r)
            numbers.push_back(r);
    }
    const auto total = static_cast<int64_t>(numbers.size());
    const auto& context = model.managedObjectContext();
    std::vector<const std::string*> fields(columns.size());
    static const std::string empty;
    int64_t lines = 0;
    for (int64_t rowNum : numbers) {
        {
            const auto cells = context->fetch<Cell>({"", "\"rowNum\" = ?", {store::Value(rowNum)}, {{"colNum", true}}, 0});
            std::fill(fields.begin(), fields.end(), &empty);
            for (const auto& cell : cells) {
                const int64_t colNum = cell->colNum().value_or(-1);
                auto at = std::lower_bound(places.begin(), places.end(), std::make_pair(colNum, size_t(0)));
                if (at != places.end() && at->first == colNum)
                    fields[at->second] = &cell->data();
            }
            for (const std::string* field : fields)
                writer.writeField(*field);
            writer.finishLine();
        }
        ++lines;
        if (lines % 100 == 0) {
            if (progress)
                progress(lines, total);
            context->reset();
        }
    }
    return writer.closeStream();
}
