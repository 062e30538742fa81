// The Browse screen's data export: the open workspace's cells as CSV, written on the Model of the task
// that runs it, one row read at a time so that memory stays flat however large the workspace.
#pragma once

#include "import/ImportError.h"
#include "model/Model.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A header line of the column names in display order, then one line per row: rows nothing writes every
// row (1 to countRows), otherwise the given row numbers in ascending order, whatever order they came in.
// Each field is the text of the row's cell whose colNum is the num of that line's column ("" where the
// row has none). After every 100th data line `progress` hears the lines written and the total, then the
// Model's context is reset. Answers the writer's failure, if any, once the file is closed.
std::optional<ImportError> writeWorkspaceCSV(Model& model, const std::string& path,
                                             std::optional<std::vector<int64_t>> rows,
                                             const std::function<void(int64_t lines, int64_t total)>& progress);
