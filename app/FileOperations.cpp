// The file operations on the real file system, and the removal of a workspace with its companions.
#include "app/FileOperations.h"

#include "platform/foundation/Log.h"

#include <filesystem>

namespace fs = std::filesystem;

std::vector<std::string> FileOperations::contentsOfDirectory(const std::string& folder, std::error_code& ec) {
    std::vector<std::string> out;
    ec.clear();
    fs::directory_iterator it(folder, ec);
    if (ec)
        return {};
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            return {};
        out.push_back(it->path().string());
    }
    return out;
}

bool FileOperations::copyItem(const std::string& from, const std::string& to, std::error_code& ec) {
    ec.clear();
    return fs::copy_file(from, to, fs::copy_options::none, ec) && !ec;
}

bool FileOperations::moveItem(const std::string& from, const std::string& to, std::error_code& ec) {
    ec.clear();
    // rename() would silently replace what is at the target.
    if (fileExists(to)) {
        ec = std::make_error_code(std::errc::file_exists);
        return false;
    }
    fs::rename(from, to, ec);
    if (ec != std::errc::cross_device_link)
        return !ec;
    // Another file system: copy, then remove the original only once the copy is whole.
    if (!copyItem(from, to, ec))
        return false;
    if (!removeItem(from, ec)) {
        std::error_code ignored;
        fs::remove(to, ignored);
        return false;
    }
    return true;
}

bool FileOperations::removeItem(const std::string& path, std::error_code& ec) {
    ec.clear();
    const auto removed = fs::remove_all(path, ec);
    if (ec)
        return false;
    if (removed == 0) {
        ec = std::make_error_code(std::errc::no_such_file_or_directory);
        return false;
    }
    return true;
}

bool FileOperations::createDirectory(const std::string& path, std::error_code& ec) {
    ec.clear();
    fs::create_directories(path, ec);
    return !ec && fs::is_directory(path, ec);
}

bool FileOperations::fileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

bool FileOperations::isDirectory(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool FileOperations::removeWorkspace(const std::string& path, std::error_code& ec) {
    if (!removeItem(path, ec))
        return false;
    for (const char* suffix : companionSuffixes) {
        const std::string companion = path + suffix;
        if (!fileExists(companion))
            continue;
        std::error_code companionError;
        if (!removeItem(companion, companionError))
            foundation::log("Unable to delete file: " + companion + ": " + companionError.message());
    }
    return true;
}

FileOperations& FileOperations::standard() {
    static FileOperations operations;
    return operations;
}
