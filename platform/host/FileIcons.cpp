// File icons by type, loaded from the app's own icons in the resources folder.
#include "platform/foundation/Log.h"
#include "platform/host/Services.h"

#include <algorithm>
#include <filesystem>

namespace host {

namespace {
// The lower-case extension, or "" for anything that could not name an icon file (a path in disguise).
std::string iconName(const std::string& extension) {
    std::string name;
    for (char c : extension) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return {};
        name += c;
    }
    return name;
}
} // namespace

std::optional<gfx::Image> FileIconService::iconForPath(const std::string& path) {
    auto extension = std::filesystem::path(path).extension().string();
    if (!extension.empty())
        extension.erase(0, 1); // the dot
    return iconForExtension(extension);
}

std::optional<gfx::Image> ResourceFileIconService::iconForExtension(const std::string& extension) {
    auto name = iconName(extension);
    if (!name.empty())
        if (auto icon = load(name))
            return icon;
    return load("document");
}

std::optional<gfx::Image> ResourceFileIconService::load(const std::string& name) {
    if (auto it = loaded_.find(name); it != loaded_.end())
        return it->second;
    auto path = (std::filesystem::path(folder_) / "icons" / (name + ".png")).string();
    // Only @2x variants are shipped: a sharper screen still gets those rather than the small ones.
    auto image = gfx::Image::loadPNG(path, std::min(scale_, 2.0));
    if (!image && name == "document")
        foundation::log("icons: no generic icon at " + path);
    loaded_[name] = image;
    return image;
}

} // namespace host
