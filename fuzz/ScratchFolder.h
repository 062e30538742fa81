// One private scratch folder per fuzzing process, made on first use and removed when the process ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzzing {

// prefix names the target ("zip" gives /tmp/ovrida-fuzz-zip-XXXXXX); one folder per process.
inline const std::filesystem::path& scratchFolder(const char* prefix) {
    struct Folder {
        std::filesystem::path path;
        explicit Folder(const char* prefix) {
            std::string pattern =
                (std::filesystem::temp_directory_path() / (std::string("ovrida-fuzz-") + prefix + "-XXXXXX")).string();
            if (!mkdtemp(pattern.data()))
                std::abort();
            path = pattern;
        }
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static const Folder folder(prefix);
    return folder.path;
}

} // namespace fuzzing
