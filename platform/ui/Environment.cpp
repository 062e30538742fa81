// Resolving the documents and temporary folders from the user's environment; the app's images.
#include "platform/ui/Environment.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>
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
        e.version = OVRIDA_VERSION;
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
    // A fresh folder that only this user can enter, never one found there: a predictable name in a
    // shared folder could have been made first by someone else, who would then read every export.
    const char* t = std::getenv("TMPDIR");
    std::string pattern = std::string(t && *t ? t : "/tmp") + "/ovrida-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return {};
    return pattern;
}

std::optional<gfx::Image> imageNamed(const std::string& name) {
    // Names come from texts too (the glossary's image references): nothing that climbs out of the folder.
    if (name.empty() || name.front() == '.' || name.find_first_of("/\\") != std::string::npos)
        return std::nullopt;
    const Environment& env = Environment::shared();
    // Keyed by folder and scale as well, so a test that moves the resources never sees stale images.
    static std::map<std::tuple<std::string, double, std::string>, std::optional<gfx::Image>> loaded;
    auto key = std::make_tuple(env.resourcesFolder, env.scale, name);
    if (auto it = loaded.find(key); it != loaded.end())
        return it->second;
    auto path = std::filesystem::path(env.resourcesFolder) / "icons" / (name + ".png");
    auto image = gfx::Image::loadPNG(path.string(), env.scale);
    loaded.emplace(key, image);
    return image;
}

} // namespace ui
