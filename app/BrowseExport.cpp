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
    // Each batch of lines reads one snapshot of the file in one read transaction, rather than taking
    // the file's locks again for every read; the reset that ends a batch ends it too.
    context->execute("BEGIN");
    store::FetchRequest request{Cell::entityName, "\"rowNum\" = ?", {store::Value(int64_t(0))}, {{"colNum", true}},
                                0};
    for (int64_t rowNum : numbers) {
        request.arguments[0] = store::Value(rowNum);
        std::fill(fields.begin(), fields.end(), &empty);
        // The row's cells as values, not objects (which would cost twice the reading): their numbers,
        // from the index alone, then their texts, both in colNum order.
        const auto colNums = context->fetchValues(request, "colNum", false);
        const auto texts = context->fetchValues(request, "data", false);
        for (size_t i = 0; i < colNums.size() && i < texts.size(); ++i) {
            const int64_t colNum = store::asInt(colNums[i]).value_or(-1);
            auto at = std::lower_bound(places.begin(), places.end(), std::make_pair(colNum, size_t(0)));
            if (at != places.end() && at->first == colNum)
                if (const auto* text = std::get_if<std::string>(&texts[i]))
                    fields[at->second] = text;
        }
        for (const std::string* field : fields)
            writer.writeField(*field);
        writer.finishLine();
        ++lines;
        if (lines % 100 == 0) {
            if (progress)
                progress(lines, total);
            context->reset();
            context->execute("BEGIN");
        }
    }
    context->reset();
    return writer.closeStream();
}
