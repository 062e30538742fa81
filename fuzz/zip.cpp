// Fuzz target: zip extraction of arbitrary bytes into a private temporary folder, nested archives on;
// afterwards nothing may exist outside that folder and no link may have been made.
#include "import/SSZipArchive.h"
#include "fuzz/ScratchFolder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path& base = fuzzing::scratchFolder("zip");
    const fs::path archive = base / "input.zip";
    const fs::path dest = base / "out";
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    // An odd size unpacks with the seed archive's password, so the decrypting path is reached too
    // (a trailing byte after the archive leaves it readable).
    const SSZipArchive::Password password =
        (size & 1) ? SSZipArchive::Password("secret") : SSZipArchive::Password();
    ImportError error;
    SSZipArchive::unzipFileAtPath(archive.string(), dest.string(), true, true, 1, password, &error, nullptr,
                                  {}, {});
    SSZipArchive::isFilePasswordProtectedAtPath(archive.string());
    SSZipArchive::isPasswordValidForArchiveAtPath(archive.string(), "secret", &error);
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dest, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_symlink())
            __builtin_trap(); // links are never created
    for (const auto& entry : fs::directory_iterator(base, ec))
        if (entry.path() != archive && entry.path() != dest)
            __builtin_trap(); // nothing lands beside the destination
    fs::remove_all(dest, ec);
    return 0;
}
