// Writing a report's files: each is written afresh beside its path and moved onto the path only when
// whole, so a failed export never leaves half a file where the last good one was.
#pragma once

#include "import/CHCSVWriter.h"

#include <functional>
#include <optional>
#include <string>

namespace reportfiles {

// `write` fills the file it is given (the path with ".new" added); when it answers true and the file
// holds something, the file replaces the one at `path`. False otherwise: the path is untouched and the
// fresh file removed.
bool writeFresh(const std::string& path, const std::function<bool(const std::string& fresh)>& write);
// The lines `lines` writes, as a CSV file at `path` (afresh, as above); a failed write is logged.
bool writeCSV(const std::string& path, const std::function<void(CHCSVWriter&)>& lines);
// The file `name` in the temporary folder written by `write` (its path logged through `logFormat`, a
// text with one %@), then read back; nothing when there is no temporary folder or anything failed.
std::optional<std::string> exportData(const std::string& name, const std::string& logFormat,
                                      const std::function<bool(const std::string& path)>& write);

} // namespace reportfiles
