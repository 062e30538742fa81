// Writing the workspace as CSV, rows read a run of rows at a time, fields placed by column number.
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
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    const auto total = static_cast<int64_t>(numbers.size());
    const auto& context = model.managedObjectContext();
    const size_t width = columns.size();
    int64_t lines = 0;
    // The rows go in batches, one run of rows (those whose cells share records) at a time: the run's
    // records are read straight, column by column, or, where some of its cells are kept apart from
    // them, by one query for its rows in row then column order. Either way each record is read once,
    // not searched once per row, and each batch reads one snapshot of the file.
    const store::Entity* cells = context->schema().entity(Cell::entityName);
    const int64_t runLength = cells && cells->packed ? std::max(1, cells->packed->runLength) : 4096;
    std::string arena; // the batch's texts
    std::vector<std::pair<size_t, uint32_t>> spans; // each field's offset and length in arena
    store::FetchRequest request{Cell::entityName,
                                "\"rowNum\" BETWEEN ?1 AND ?2",
                                {store::Value(int64_t(0)), store::Value(int64_t(0))},
                                {{"rowNum", true}, {"colNum", true}},
                                0};
    auto place = [&](int64_t colNum) -> std::optional<size_t> {
        auto at = std::lower_bound(places.begin(), places.end(), std::make_pair(colNum, size_t(0)));
        if (at == places.end() || at->first != colNum)
            return std::nullopt;
        return at->second;
    };
    auto keep = [&](size_t line, size_t k, std::string_view text) {
        spans[line * width + k] = {arena.size(), static_cast<uint32_t>(text.size())};
        arena.append(text);
    };
    for (auto batchBegin = numbers.begin(); batchBegin != numbers.end();) {
        const int64_t run = *batchBegin / runLength;
        const auto batchEnd = std::find_if(batchBegin, numbers.end(), [&](int64_t n) { return n / runLength != run; });
        const auto count = static_cast<size_t>(batchEnd - batchBegin);
        arena.clear();
        spans.assign(count * width, {0, 0});
        const bool straight =
            context->readPackedRun(Cell::entityName, *batchBegin, [&](int64_t colNum, const std::vector<store::PackedCell>& run) {
                const auto k = place(colNum);
                if (!k)
                    return;
                // Both in ascending order: one walk pairs the cells with the batch's rows.
                auto row = batchBegin;
                for (const auto& cell : run) {
                    while (row != batchEnd && *row < cell.position)
                        ++row;
                    if (row == batchEnd)
                        break;
                    if (*row == cell.position && !cell.null)
                        keep(static_cast<size_t>(row - batchBegin), *k, cell.text);
                }
            });
        if (!straight) {
            arena.clear();
            spans.assign(count * width, {0, 0});
            request.arguments[0] = store::Value(*batchBegin);
            request.arguments[1] = store::Value(*(batchEnd - 1));
            context->execute("BEGIN");
            int64_t lastRow = -1;
            size_t line = 0;
            bool wanted = false;
            context->scanRows(request, {"rowNum", "colNum", "data"}, [&](const store::ScannedRow& row) {
                const int64_t rowNum = row.integer(0).value_or(-1);
                if (rowNum != lastRow) {
                    lastRow = rowNum;
                    auto at = std::lower_bound(batchBegin, batchEnd, rowNum);
                    wanted = at != batchEnd && *at == rowNum;
                    line = static_cast<size_t>(at - batchBegin);
                }
                if (!wanted)
                    return;
                const auto text = row.text(2);
                if (const auto k = place(row.integer(1).value_or(-1)); k && text)
                    keep(line, *k, *text);
            });
            context->reset();
        }
        for (size_t l = 0; l < count; ++l) {
            for (size_t k = 0; k < width; ++k) {
                const auto [offset, length] = spans[l * width + k];
                writer.writeField(std::string_view(arena).substr(offset, length));
            }
            writer.finishLine();
            ++lines;
            if (lines % 100 == 0 && progress)
                progress(lines, total);
        }
        batchBegin = batchEnd;
    }
    return writer.closeStream();
}
