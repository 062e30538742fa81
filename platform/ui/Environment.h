// Where the app finds and keeps things: the resources folder, the documents folder (XDG documents
// folder + "Ovrida", or --documents DIR), a per-process temporary folder, and the version.
#pragma once

#include <string>

namespace ui {

struct Environment {
    std::string resourcesFolder = "resources";
    std::string documentsFolder;
    std::string temporaryFolder;
    std::string version = "0.1";

    // The process's environment (once-only shared object, set up by main() or a test).
    static Environment& shared();
    // $XDG_DOCUMENTS_DIR, else the user-dirs file's entry, else ~/Documents; then "Ovrida" inside it.
    static std::string defaultDocumentsFolder();
    // $TMPDIR (else /tmp) and a folder of this process, made on first use.
    static std::string defaultTemporaryFolder();
};

} // namespace ui
