// Where the app finds and keeps things: the resources folder, the documents folder (XDG documents
// folder + "Ovrida", or --documents DIR), a per-process temporary folder, and the version; the app's
// own images by name.
#pragma once

#include "platform/graphics/Image.h"

#include <optional>
#include <string>

namespace ui {

struct Environment {
    std::string resourcesFolder = "resources";
    std::string documentsFolder;
    std::string temporaryFolder;
    // The project's version, as the build configures it.
    std::string version;
    // Pixels per point of the screen: at 2 and above the "@2x" images are preferred.
    double scale = 1;

    // The process's environment (once-only shared object, set up by main() or a test).
    static Environment& shared();
    // $XDG_DOCUMENTS_DIR, else the user-dirs file's entry, else ~/Documents; then "Ovrida" inside it.
    static std::string defaultDocumentsFolder();
    // A new private folder (mode 0700, a name mkdtemp chose, "ovrida-XXXXXX") in $TMPDIR, else /tmp;
    // empty when none could be made. Each call makes another; the app removes its own when it ends.
    static std::string defaultTemporaryFolder();
};

// The image "icons/<name>.png" of the resources folder ("@2x" preferred at a scale of 2 and above),
// read once and kept; nothing for a name the folder lacks or one that is not a plain file name.
// Main thread only.
std::optional<gfx::Image> imageNamed(const std::string& name);

} // namespace ui
