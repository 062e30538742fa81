// A report's files written afresh and moved into place, and read back for mail.
#include "analysis/ReportFiles.h"

#include "app/TextFormat.h"
#include "platform/foundation/Log.h"
#include "platform/ui/Environment.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace reportfiles {

namespace {

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

} // namespace

bool writeFresh(const std::string& path, const std::function<bool(const std::string& fresh)>& write) {
    const std::string fresh = path + ".new";
    std::error_code ec;
    if (write(fresh)) {
        const auto size = fs::file_size(fresh, ec);
        if (!ec && size > 0 && fs::is_regular_file(fresh, ec)) {
            fs::rename(fresh, path, ec);
            if (!ec)
                return true;
        }
    }
    fs::remove(fresh, ec);
    return false;
}

bool writeCSV(const std::string& path, const std::function<void(CHCSVWriter&)>& lines) {
    return writeFresh(path, [&](const std::string& fresh) {
        CHCSVWriter writer(fresh);
        lines(writer);
        if (auto error = writer.closeStream()) {
            foundation::log("Writing CSV failed: " + error->description());
            return false;
        }
        return true;
    });
}

std::optional<std::string> exportData(const std::string& name, const std::string& logFormat,
                                      const std::function<bool(const std::string& path)>& write) {
    const std::string folder = ui::Environment::shared().temporaryFolder;
    if (folder.empty())
        return std::nullopt;
    const std::string path = (fs::path(folder) / name).string();
    foundation::log(formatText(logFormat, {path}));
    if (!write(path))
        return std::nullopt;
    return readFile(path);
}

} // namespace reportfiles
