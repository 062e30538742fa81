// Resolving the documents and temporary folders from the user's environment.
#include "platform/ui/Environment.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace ui {

namespace {
std::string home() {
    const char* h = std::getenv("HOME");
    return h && *h ? h : "/tmp";
}

// The XDG_DOCUMENTS_DIR line of ~/.config/user-dirs.dirs ("$HOME/Documents" style), or empty.
std::string fromUserDirs() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string path = (config && *config ? std::string(config) : home() + "/.config") + "/user-dirs.dirs";
    std::ifstream in(path);
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = home() + value.substr(5);
        return value;
    }
    return {};
}
} // namespace

Environment& Environment::shared() {
    static Environment env = [] {
        Environment e;
        if (const char* r = std::getenv("OVRIDA_RESOURCES"); r && *r)
            e.resourcesFolder = r;
        e.documentsFolder = defaultDocumentsFolder();
        e.temporaryFolder = defaultTemporaryFolder();
        return e;
    }();
    return env;
}

std::string Environment::defaultDocumentsFolder() {
    std::string base;
    if (const char* d = std::getenv("XDG_DOCUMENTS_DIR"); d && *d)
        base = d;
    if (base.empty())
        base = fromUserDirs();
    if (base.empty())
        base = home() + "/Documents";
    return base + "/Ovrida";
}

std::string Environment::defaultTemporaryFolder() {
    const char* t = std::getenv("TMPDIR");
    std::string folder = std::string(t && *t ? t : "/tmp") + "/ovrida-" + std::to_string(::getpid());
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}

} // namespace ui
