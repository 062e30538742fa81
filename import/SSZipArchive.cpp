// Unpacks zip archives into a folder entry by entry (and writes archives) over minizip and zlib.
#include "import/SSZipArchive.h"

#include "import/ZipCrypto.h"
#include "import/xls/Text.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Tr.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr size_t kChunk = 4096;
// Unpacking moves whole parts of a workbook: fewer, larger reads and writes cost less per byte.
constexpr size_t kUnpackChunk = 1 << 16;

void zipLog(const std::string& line) {
    foundation::log("[SSZipArchive] " + line);
}

ImportError zipError(int code, const char* description) {
    return ImportError{SSZipArchive::ErrorDomain, code, foundation::tr(description), {}};
}

// Entries made under Unix (3) or macOS (19) carry a Unix mode in the high half of their attributes.
bool isUnixEntry(const unz_file_info64& info) {
    return (info.version >> 8) == 3 || (info.version >> 8) == 19;
}

// DOS date bits: year from 1980 in 25-31, month 21-24, day 16-20, hour 11-15, minute 5-10, seconds/2 0-4.
std::time_t dosDateToTime(unsigned long dos) {
    std::tm t{};
    t.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
    t.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
    t.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
    t.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
    t.tm_min = static_cast<int>((dos >> 5) & 0x3F);
    t.tm_sec = static_cast<int>(dos & 0x1F) * 2;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

std::string entryName(const unz_file_info64& info, std::string raw) {
    if (auto nul = raw.find('\0'); nul != std::string::npos)
        raw.resize(nul);
    const bool dos = (info.version >> 8) == 0;
    const bool utf8Flag = info.flag & 0x800;
    if (dos && !utf8Flag)
        return xls::codePageToUtf8(raw, 437);
    if (xls::isValidUtf8(raw))
        return raw;
    // Not UTF-8 after all: read the bytes as the commonest legacy encoding; that never fails, so the
    // hexadecimal form is only a guard for a conversion that produced nothing.
    std::string guessed = xls::codePageToUtf8(raw, 1252);
    return guessed.empty() && !raw.empty() ? SSZipArchive::hexString(raw) : guessed;
}

// A file that could not be written. Only a lack of space is told as such: any other cause is named,
// with the entry, since "check your free space" would send the user the wrong way.
ImportError writeFailure(const std::string& entry, const std::string& why) {
    return ImportError{SSZipArchive::ErrorDomain, SSZipArchive::ErrorCodeFailedToWriteFile,
                       foundation::tr("Failed to write file") + " \"" + entry + "\": " + why, {}};
}

ImportError writeFailure(const std::string& entry, int err) {
    if (err == ENOSPC || err == EDQUOT)
        return zipError(SSZipArchive::ErrorCodeFailedToWriteFile, "Failed to write file (check your free space)");
    return writeFailure(entry, std::strerror(err));
}

bool makeDirectories(const std::string& path, std::string& why) {
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec) {
        why = ec.message();
        return false;
    }
    return true;
}

// True when `path` (which exists) resolves to a place inside `root`: a symbolic link already present
// in the destination must not carry an entry elsewhere.
bool staysInside(const std::string& path, const std::string& root) {
    char resolvedPath[PATH_MAX];
    char resolvedRoot[PATH_MAX];
    if (!realpath(path.c_str(), resolvedPath) || !realpath(root.c_str(), resolvedRoot))
        return false;
    const std::string p = resolvedPath;
    const std::string r = resolvedRoot;
    return p == r ||
           (p.size() > r.size() && p.compare(0, r.size(), r) == 0 && (p[r.size()] == '/' || r == "/"));
}

void setModificationDate(const std::string& path, std::time_t date, bool& ok) {
    timespec times[2];
    times[0].tv_sec = date;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    ok = utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

// An archive holding nothing but its end record (with an optional comment) and no entries.
bool isEmptyArchive(const std::string& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec || size < 22 || size > 22 + 0xFFFF)
        return false;
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 22 || bytes.size() > 22 + 0xFFFF || bytes.compare(0, 4, "PK\x05\x06") != 0)
        return false;
    auto u16 = [&](size_t at) {
        return static_cast<unsigned>(static_cast<uint8_t>(bytes[at])) |
               (static_cast<unsigned>(static_cast<uint8_t>(bytes[at + 1])) << 8);
    };
    return u16(8) == 0 && u16(10) == 0 && 22 + u16(20) == bytes.size();
}

bool hasExtensionZip(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".zip";
}

// Reads the current entry's contents: through minizip, or, for an encrypted entry opened with a
// password, as raw bytes decrypted here and inflated with zlib, checked against the recorded CRC.
class EntryReader {
  public:
    explicit EntryReader(unzFile zip) : zip_(zip) {}
    ~EntryReader() {
        if (inflating_)
            inflateEnd(&zs_);
    }
    EntryReader(const EntryReader&) = delete;
    EntryReader& operator=(const EntryReader&) = delete;

    int open(const unz_file_info64& info, const SSZipArchive::Password& password) {
        if (!password || !(info.flag & 1))
            return password ? unzOpenCurrentFilePassword(zip_, password->c_str()) : unzOpenCurrentFile(zip_);
        int level = 0;
        if (unzOpenCurrentFile2(zip_, &method_, &level, 1) != UNZ_OK)
            return UNZ_BADZIPFILE;
        if (method_ != 0 && method_ != Z_DEFLATED)
            return UNZ_BADZIPFILE;
        uint8_t header[12];
        if (unzReadCurrentFile(zip_, header, sizeof header) != 12)
            return UNZ_BADZIPFILE;
        crypto_.emplace(*password);
        const uint8_t check = (info.flag & 8) ? static_cast<uint8_t>((info.dosDate >> 8) & 0xFF)
                                              : static_cast<uint8_t>(info.crc >> 24);
        if (!crypto_->acceptHeader(header, check))
            return UNZ_BADZIPFILE; // wrong password
        expectedCrc_ = static_cast<uint32_t>(info.crc);
        if (method_ == Z_DEFLATED) {
            if (inflateInit2(&zs_, -MAX_WBITS) != Z_OK)
                return UNZ_INTERNALERROR;
            inflating_ = true;
        }
        return UNZ_OK;
    }

    // Bytes read, 0 at the end, or a negative error.
    int read(char* out, unsigned size) {
        if (!crypto_)
            return unzReadCurrentFile(zip_, out, size);
        if (method_ == 0) {
            const int n = unzReadCurrentFile(zip_, out, size);
            if (n > 0) {
                crypto_->decrypt(reinterpret_cast<uint8_t*>(out), static_cast<size_t>(n));
                crc_ = static_cast<uint32_t>(
                    crc32(crc_, reinterpret_cast<const Bytef*>(out), static_cast<uInt>(n)));
            }
            return n;
        }
        zs_.next_out = reinterpret_cast<Bytef*>(out);
        zs_.avail_out = size;
        while (zs_.avail_out > 0 && !ended_) {
            if (zs_.avail_in == 0) {
                const int n = unzReadCurrentFile(zip_, in_, sizeof in_);
                if (n <= 0)
                    return n < 0 ? n : UNZ_ERRNO; // the data stops before the stream ends
                crypto_->decrypt(in_, static_cast<size_t>(n));
                zs_.next_in = in_;
                zs_.avail_in = static_cast<uInt>(n);
            }
            const int r = inflate(&zs_, Z_NO_FLUSH);
            if (r == Z_STREAM_END)
                ended_ = true;
            else if (r != Z_OK)
                return UNZ_ERRNO;
        }
        const unsigned produced = size - zs_.avail_out;
        crc_ = static_cast<uint32_t>(crc32(crc_, reinterpret_cast<const Bytef*>(out), produced));
        return static_cast<int>(produced);
    }

    int close() {
        const int ret = unzCloseCurrentFile(zip_);
        if (crypto_ && ret == UNZ_OK && crc_ != expectedCrc_)
            return UNZ_CRCERROR;
        return ret;
    }

  private:
    unzFile zip_;
    int method_ = 0;
    std::optional<ZipCrypto> crypto_;
    z_stream zs_{};
    bool inflating_ = false;
    bool ended_ = false;
    uint32_t crc_ = 0;
    uint32_t expectedCrc_ = 0;
    uint8_t in_[kChunk];
};

} // namespace

bool SSZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination) {
    return unzipFileAtPath(path, destination, static_cast<SSZipArchiveDelegate*>(nullptr));
}

bool SSZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination,
                                   SSZipArchiveDelegate* delegate) {
    return unzipFileAtPath(path, destination, true, true, std::nullopt, nullptr, delegate);
}

bool SSZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
                                   const Password& password, ImportError* error) {
    return unzipFileAtPath(path, destination, true, overwrite, password, error, nullptr);
}

bool SSZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
                                   const Password& password, ImportError* error,
                                   SSZipArchiveDelegate* delegate) {
    return unzipFileAtPath(path, destination, true, overwrite, password, error, delegate);
}

bool SSZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
                                   const Password& password, ProgressHandler progressHandler,
                                   CompletionHandler completionHandler) {
    return unzipFileAtPath(path, destination, true, overwrite, password, nullptr, nullptr,
                           std::move(progressHandler), std::move(completionHandler));
}

bool SSZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination,
                                   ProgressHandler progressHandler, CompletionHandler completionHandler) {
    return unzipFileAtPath(path, destination, true, true, std::nullopt, nullptr, nullptr,
                           std::move(progressHandler), std::move(completionHandler));
}

bool SSZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination,
                                   bool preserveAttributes, bool overwrite, const Password& password,
                                   ImportError* error, SSZipArchiveDelegate* delegate) {
    return unzipFileAtPath(path, destination, preserveAttributes, overwrite, password, error, delegate, {},
                           {});
}

bool SSZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination,
                                   bool preserveAttributes, bool overwrite, const Password& password,
                                   ImportError* error, SSZipArchiveDelegate* delegate,
                                   ProgressHandler progressHandler, CompletionHandler completionHandler) {
    return unzipFileAtPath(path, destination, preserveAttributes, overwrite, 0, password, error, delegate,
                           std::move(progressHandler), std::move(completionHandler));
}

bool SSZipArchive::unzipFileAtPath(const std::string& path, const std::string& destination,
                                   bool preserveAttributes, bool overwrite, int nestedZipLevel,
                                   const Password& password, ImportError* error,
                                   SSZipArchiveDelegate* delegate, ProgressHandler progressHandler,
                                   CompletionHandler completionHandler) {
    return unzip(path, destination, preserveAttributes, overwrite, nestedZipLevel, password, error, delegate,
                 std::move(progressHandler), std::move(completionHandler), nullptr);
}

bool SSZipArchive::unzipEntriesAtPath(const std::string& path, const std::string& destination,
                                      const std::set<std::string>& names, ImportError* error) {
    return unzip(path, destination, true, true, 0, std::nullopt, error, nullptr, {}, {}, &names);
}

bool SSZipArchive::unzip(const std::string& path, const std::string& destination, bool preserveAttributes,
                         bool overwrite, int nestedZipLevel, const Password& password, ImportError* error,
                         SSZipArchiveDelegate* delegate, ProgressHandler progressHandler,
                         CompletionHandler completionHandler, const std::set<std::string>* only) {
    std::optional<ImportError> failure;
    auto finish = [&](bool success) {
        if (completionHandler)
            completionHandler(path, success, failure);
        if (error && failure)
            *error = *failure;
        return success;
    };
    if (path.empty() || destination.empty()) {
        failure = zipError(ErrorCodeInvalidArguments, "received invalid argument(s)");
        return finish(false);
    }
    std::error_code sizeError;
    const unsigned long long total = fs::file_size(path, sizeError);
    unzFile zip = unzOpen64(path.c_str());
    if (!zip && isEmptyArchive(path)) {
        // minizip refuses an archive without entries; it is a valid package that unpacks to nothing.
        unz_global_info64 none{};
        if (delegate) {
            delegate->zipArchiveWillUnzipArchiveAtPath(path, none);
            delegate->zipArchiveProgressEvent(0, total);
            delegate->zipArchiveDidUnzipArchiveAtPath(path, none, destination);
            delegate->zipArchiveProgressEvent(total, total);
        }
        return finish(true);
    }
    if (!zip) {
        failure = zipError(ErrorCodeFailedOpenZipFile, "failed to open zip file");
        return finish(false);
    }

    unz_global_info64 globalInfo{};
    unzGetGlobalInfo64(zip, &globalInfo);
    const std::set<long> chosen = only ? chooseEntries(zip, *only) : std::set<long>();
    int ret = unzGoToFirstFile(zip);
    if (ret != UNZ_OK && ret != UNZ_END_OF_LIST_OF_FILE) {
        unzClose(zip);
        failure = zipError(ErrorCodeFailedOpenFileInZip, "failed to open first file in zip file");
        return finish(false);
    }
    if (delegate) {
        delegate->zipArchiveWillUnzipArchiveAtPath(path, globalInfo);
        delegate->zipArchiveProgressEvent(0, total);
    }

    const long totalFiles = static_cast<long>(globalInfo.number_entry);
    unsigned long long currentPosition = 0;
    uint64_t unpackedBytes = 0;
    long index = 0;
    bool success = true;
    struct Folder {
        std::string path;
        std::time_t modDate;
    };
    std::vector<Folder> folders;
    std::vector<char> buffer(kUnpackChunk);

    while (ret == UNZ_OK) {
        // The record comes first: how to open an entry depends on whether it is encrypted.
        unz_file_info64 fileInfo{};
        ret = unzGetCurrentFileInfo64(zip, &fileInfo, nullptr, 0, nullptr, 0, nullptr, 0);
        std::string rawName(fileInfo.size_filename, '\0');
        if (ret == UNZ_OK)
            ret = unzGetCurrentFileInfo64(zip, &fileInfo, rawName.data(), static_cast<uLong>(rawName.size()),
                                          nullptr, 0, nullptr, 0);
        if (ret != UNZ_OK) {
            failure = zipError(ErrorCodeFileInfoNotLoadable, "failed to retrieve info for file");
            success = false;
            break;
        }
        auto nextEntry = [&] {
            ++index;
            ret = unzGoToNextFile(zip);
        };
        if (only && !chosen.count(index)) {
            // Passed over by its directory record alone: never opened, inflated nor written.
            nextEntry();
            continue;
        }
        EntryReader entry(zip);
        ret = entry.open(fileInfo, password);
        if (ret != UNZ_OK) {
            failure = zipError(ErrorCodeFailedOpenFileInZip, "failed to open file in zip file");
            success = false;
            entry.close();
            break;
        }
        if (delegate && !delegate->zipArchiveShouldUnzipFileAtIndex(index, totalFiles, path, fileInfo)) {
            success = false;
            entry.close();
            break;
        }
        if (delegate)
            delegate->zipArchiveWillUnzipFileAtIndex(index, totalFiles, path, fileInfo);
        currentPosition += fileInfo.compressed_size;
        if (delegate)
            delegate->zipArchiveProgressEvent(currentPosition, total);

        const std::string name = entryName(fileInfo, rawName);

        if (name.rfind("__MACOSX/", 0) == 0) {
            entry.close();
            nextEntry();
            continue;
        }
        const mode_t unixMode = static_cast<mode_t>(fileInfo.external_fa >> 16);
        if (isUnixEntry(fileInfo) && S_ISLNK(unixMode)) {
            // A link could point anywhere on the device; its target is never followed nor created.
            zipLog("Skipped symbolic link entry \"" + name + "\"");
            entry.close();
            nextEntry();
            continue;
        }
        const uint64_t declared = fileInfo.uncompressed_size;
        if ((declared > kMaxEntryBytes &&
             declared / kMaxExpansion >= std::max<uint64_t>(fileInfo.compressed_size, 1)) ||
            declared > kMaxArchiveBytes - std::min(unpackedBytes, kMaxArchiveBytes)) {
            zipLog("Refused entry \"" + name + "\": it expands beyond the safe limits");
            failure = zipError(ErrorCodeArchiveTooLarge, "archive expands beyond the safe limits");
            success = false;
            entry.close();
            break;
        }

        std::string safe = sanitizedPath(name);
        if (safe.empty())
            safe = std::to_string(index);
        const std::string fullPath = (fs::path(destination) / safe).string();
        const std::time_t modDate = dosDateToTime(fileInfo.dosDate);
        const bool isDirectory = !name.empty() && (name.back() == '/' || name.back() == '\\');

        if (isDirectory) {
            std::string why;
            if (!makeDirectories(fullPath, why))
                zipLog("Error: " + why);
            else if (!staysInside(fullPath, destination))
                zipLog("Error: folder \"" + name + "\" resolves outside the destination");
            else
                folders.push_back({fullPath, modDate});
        } else {
            const std::string parent = fs::path(fullPath).parent_path().string();
            std::string why;
            if (!makeDirectories(parent, why))
                zipLog("Error: " + why);
            struct stat existing {};
            const bool exists = lstat(fullPath.c_str(), &existing) == 0;
            if (!exists || overwrite) {
                if (!staysInside(parent, destination)) {
                    zipLog("Error: entry \"" + name + "\" resolves outside the destination");
                    failure = writeFailure(name, foundation::tr("its folder leads outside the destination"));
                    success = false;
                    entry.close();
                    break;
                }
                if (exists && S_ISLNK(existing.st_mode))
                    unlink(fullPath.c_str());
                const int fd =
                    ::open(fullPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
                if (fd < 0) {
                    const int err = errno;
                    zipLog("Failed to write file at \"" + fullPath + "\": " + std::strerror(err));
                    // A full device when creating is the platform's own error, as a caller may expect.
                    failure = err == ENOSPC ? ImportError{PosixErrorDomain, ENOSPC, std::strerror(ENOSPC), {}}
                                            : writeFailure(name, err);
                    success = false;
                    entry.close();
                    break;
                }
                uint64_t written = 0;
                for (;;) {
                    const int n = entry.read(buffer.data(), static_cast<unsigned>(buffer.size()));
                    if (n == 0)
                        break;
                    if (n < 0) {
                        failure = zipError(ErrorCodeFileContentNotReadable,
                                           "failed to read contents of file entry");
                        break;
                    }
                    written += static_cast<uint64_t>(n);
                    // The recorded size may lie: what is actually inflated is held to the same limits.
                    if (written > declared || unpackedBytes + written > kMaxArchiveBytes) {
                        zipLog("Refused entry \"" + name + "\": it expands beyond its recorded size");
                        failure =
                            zipError(ErrorCodeArchiveTooLarge, "archive expands beyond the safe limits");
                        break;
                    }
                    const char* p = buffer.data();
                    size_t left = static_cast<size_t>(n);
                    while (left > 0) {
                        const ssize_t w = ::write(fd, p, left);
                        if (w < 0 && errno == EINTR)
                            continue;
                        if (w <= 0) {
                            const int err = w < 0 ? errno : EIO;
                            zipLog("Failed to write file at \"" + fullPath + "\": " + std::strerror(err));
                            failure = writeFailure(name, err);
                            break;
                        }
                        p += w;
                        left -= static_cast<size_t>(w);
                    }
                    if (failure)
                        break;
                }
                ::close(fd);
                unpackedBytes += written;
                if (failure) {
                    success = false;
                    entry.close();
                    break;
                }
                if (nestedZipLevel > 0 && hasExtensionZip(fullPath)) {
                    if (unzipFileAtPath(fullPath, parent, preserveAttributes, overwrite, nestedZipLevel - 1,
                                        password, nullptr, nullptr, {}, {})) {
                        std::error_code ec;
                        fs::remove(fullPath, ec);
                    }
                }
                if (preserveAttributes && fs::exists(fullPath)) {
                    bool ok = true;
                    setModificationDate(fullPath, modDate, ok);
                    if (!ok)
                        zipLog("Failed to set attributes - whilst setting modification date");
                    const mode_t permissions = unixMode & 0777;
                    if (isUnixEntry(fileInfo) && permissions != 0) {
                        // Only plain read/write and execute survive: no set-id bits, no world-writable files.
                        const mode_t mode = (permissions & 0111) ? 0755 : 0644;
                        if (chmod(fullPath.c_str(), mode) != 0)
                            zipLog("Failed to set attributes - whilst setting permissions");
                    }
                }
            }
        }

        ret = entry.close();
        if (ret == UNZ_CRCERROR) {
            failure = zipError(ErrorCodeFileInfoNotLoadable, "crc check failed for file");
            success = false;
            break;
        }
        if (delegate && !delegate->zipArchiveDidUnzipFileAtIndex(index, totalFiles, path, fileInfo))
            delegate->zipArchiveDidUnzipFileAtIndexUnzippedFilePath(index, totalFiles, path, fullPath);
        if (progressHandler)
            progressHandler(name, fileInfo, index, totalFiles);
        nextEntry();
    }
    // A directory that breaks off between entries is damaged, not finished.
    if (success && ret != UNZ_END_OF_LIST_OF_FILE) {
        failure = zipError(ErrorCodeFailedOpenFileInZip, "failed to open file in zip file");
        success = false;
    }
    unzClose(zip);

    if (preserveAttributes) {
        for (const auto& folder : folders) {
            bool ok = true;
            setModificationDate(folder.path, folder.modDate, ok);
            if (!ok) {
                zipLog("Set attributes failed for directory: " + folder.path + ".");
                zipLog("Error setting directory file modification date attribute: " +
                       std::string(std::strerror(errno)));
            }
        }
    }
    if (success && delegate) {
        delegate->zipArchiveDidUnzipArchiveAtPath(path, globalInfo, destination);
        delegate->zipArchiveProgressEvent(total, total);
    }
    return finish(success);
}

std::string SSZipArchive::sanitizedPath(std::string_view name) {
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&] {
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    };
    for (char c : name) {
        if (c == '/' || c == '\\')
            flush();
        else
            part += c;
    }
    flush();
    std::string out;
    for (const auto& p : parts) {
        if (!out.empty())
            out += '/';
        out += p;
    }
    return out;
}

std::set<long> SSZipArchive::chooseEntries(unzFile zip, const std::set<std::string>& names) {
    std::map<std::string, long> last; // safe name -> the last entry that would write that file
    long index = 0;
    for (int ret = unzGoToFirstFile(zip); ret == UNZ_OK; ret = unzGoToNextFile(zip), ++index) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        std::string raw(info.size_filename, '\0');
        if (unzGetCurrentFileInfo64(zip, &info, raw.data(), static_cast<uLong>(raw.size()), nullptr, 0, nullptr,
                                    0) != UNZ_OK)
            break;
        const std::string name = entryName(info, raw);
        const bool folder = !name.empty() && (name.back() == '/' || name.back() == '\\');
        const bool link = isUnixEntry(info) && S_ISLNK(static_cast<mode_t>(info.external_fa >> 16));
        if (folder || link || name.rfind("__MACOSX/", 0) == 0)
            continue;
        const std::string safe = sanitizedPath(name);
        if (names.count(safe))
            last[safe] = index;
    }
    std::set<long> chosen;
    for (const auto& [name, at] : last)
        chosen.insert(at);
    return chosen;
}

bool SSZipArchive::isFilePasswordProtectedAtPath(const std::string& path) {
    unzFile zip = unzOpen64(path.c_str());
    if (!zip)
        return false;
    bool protectedEntry = false;
    int ret = unzGoToFirstFile(zip);
    while (ret == UNZ_OK && !protectedEntry) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK &&
            (info.flag & 1))
            protectedEntry = true;
        else if (unzOpenCurrentFile(zip) != UNZ_OK)
            protectedEntry = true; // opens only with a password
        else
            unzCloseCurrentFile(zip);
        ret = unzGoToNextFile(zip);
    }
    unzClose(zip);
    return protectedEntry;
}

bool SSZipArchive::isPasswordValidForArchiveAtPath(const std::string& path, const std::string& password,
                                                   ImportError* error) {
    auto fail = [&](int code, const char* description) {
        if (error)
            *error = zipError(code, description);
        return false;
    };
    unzFile zip = unzOpen64(path.c_str());
    if (!zip)
        return fail(ErrorCodeFailedOpenZipFile, "failed to open zip file");
    int ret = unzGoToFirstFile(zip);
    if (ret == UNZ_END_OF_LIST_OF_FILE) {
        unzClose(zip);
        return true; // nothing is protected in an empty archive
    }
    unz_file_info64 info{};
    if (ret != UNZ_OK || unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        unzClose(zip);
        return fail(ErrorCodeFileInfoNotLoadable, "failed to retrieve info for file");
    }
    bool valid = false;
    {
        EntryReader entry(zip);
        if (entry.open(info, password.empty() ? Password{} : Password{password}) != UNZ_OK) {
            entry.close();
            unzClose(zip);
            return fail(ErrorCodeFailedOpenFileInZip, "failed to open first file in zip file");
        }
        // Reading the whole first entry settles it: a wrong password fails to inflate or fails the CRC.
        std::vector<char> buffer(kChunk);
        int n = 0;
        while ((n = entry.read(buffer.data(), static_cast<unsigned>(buffer.size()))) > 0) {
        }
        const int closed = entry.close();
        if (n < 0)
            fail(ErrorCodeFileContentNotReadable, "failed to read contents of file entry");
        else if (closed == UNZ_CRCERROR)
            fail(ErrorCodeFileInfoNotLoadable, "crc check failed for file");
        else
            valid = true;
    }
    unzClose(zip);
    return valid;
}

bool SSZipArchive::createZipFileAtPath(const std::string& path, const std::vector<std::string>& paths,
                                       const Password& password, CreateProgressHandler progressHandler) {
    SSZipArchive archive(path);
    if (!archive.open())
        return false;
    bool ok = true;
    unsigned long done = 0;
    for (const auto& file : paths) {
        ok = archive.writeFile(file, password) && ok;
        if (progressHandler)
            progressHandler(++done, paths.size());
    }
    return archive.close() && ok;
}

bool SSZipArchive::createZipFileAtPath(const std::string& path, const std::string& directoryPath,
                                       bool keepParentDirectory, const Password& password, bool aes,
                                       int compressionLevel, CreateProgressHandler progressHandler) {
    std::error_code ec;
    std::vector<fs::path> items;
    for (auto it = fs::recursive_directory_iterator(directoryPath, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        items.push_back(it->path());
    if (ec)
        return false;
    std::sort(items.begin(), items.end());
    SSZipArchive archive(path);
    if (!archive.open())
        return false;
    const std::string parentName = fs::path(directoryPath).lexically_normal().filename().string();
    bool ok = true;
    if (keepParentDirectory)
        ok = archive.writeFolderAtPath(directoryPath, parentName, password);
    unsigned long done = 0;
    for (const auto& item : items) {
        std::string relative = fs::relative(item, directoryPath, ec).generic_string();
        if (keepParentDirectory)
            relative = parentName + "/" + relative;
        if (fs::is_directory(item, ec)) {
            if (fs::is_empty(item, ec))
                ok = archive.writeFolderAtPath(item.string(), relative, password) && ok;
        } else {
            ok = archive.writeFileAtPath(item.string(), relative, compressionLevel, password, aes) && ok;
        }
        if (progressHandler)
            progressHandler(++done, items.size());
    }
    return archive.close() && ok;
}

SSZipArchive::SSZipArchive(std::string path) : path_(std::move(path)) {}

SSZipArchive::~SSZipArchive() {
    if (zip_)
        zipClose(zip_, nullptr);
}

bool SSZipArchive::open() {
    if (zip_)
        return false;
    zip_ = zipOpen64(path_.c_str(), APPEND_STATUS_CREATE);
    return zip_ != nullptr;
}

bool SSZipArchive::writeFolderAtPath(const std::string& path, const std::string& folderName,
                                     const Password& password) {
    zip_fileinfo info{};
    zipInfoSetAttributesOfItemAtPath(info, path);
    std::string name = folderName;
    if (name.empty() || name.back() != '/')
        name += '/';
    return writeEntry({}, name, info, 0, password, false);
}

bool SSZipArchive::writeFile(const std::string& path, const Password& password) {
    return writeFileAtPath(path, fs::path(path).filename().string(), password);
}

bool SSZipArchive::writeFileAtPath(const std::string& path, const std::string& fileName,
                                   const Password& password) {
    return writeFileAtPath(path, fileName, Z_DEFAULT_COMPRESSION, password, false);
}

bool SSZipArchive::writeFileAtPath(const std::string& path, const std::string& fileName, int compressionLevel,
                                   const Password& password, bool aes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return false;
    zip_fileinfo info{};
    zipInfoSetAttributesOfItemAtPath(info, path);
    return writeEntry(data, fileName, info, compressionLevel, password, aes);
}

bool SSZipArchive::writeData(std::string_view data, const std::string& filename, const Password& password) {
    return writeData(data, filename, Z_DEFAULT_COMPRESSION, password, false);
}

bool SSZipArchive::writeData(std::string_view data, const std::string& filename, int compressionLevel,
                             const Password& password, bool aes) {
    zip_fileinfo info{};
    zipInfoSetDate(info, std::time(nullptr));
    info.external_fa = static_cast<uLong>(S_IFREG | 0644) << 16;
    return writeEntry(data, filename, info, compressionLevel, password, aes);
}

bool SSZipArchive::writeEntry(std::string_view data, const std::string& name, const zip_fileinfo& info,
                              int compressionLevel, const Password& password, bool aes) {
    if (!zip_)
        return false;
    if (aes && password) {
        // The packaged minizip offers only the traditional zip encryption.
        zipLog("AES encryption is not available; entry \"" + name + "\" not written");
        return false;
    }
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    const uLong unixMadeBy = (3u << 8) | 20u;
    const uLong utf8Names = 0x800;
    const bool zip64 = data.size() >= 0xFFFFFFFFull;
    if (!password) {
        if (zipOpenNewFileInZip4_64(zip_, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                    compressionLevel, 0, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0,
                                    unixMadeBy, utf8Names, zip64) != ZIP_OK)
            return false;
        bool ok = true;
        for (size_t at = 0; at < data.size() && ok; at += kChunk) {
            const size_t n = std::min(kChunk, data.size() - at);
            ok = zipWriteInFileInZip(zip_, data.data() + at, static_cast<unsigned>(n)) == ZIP_OK;
        }
        return zipCloseFileInZip(zip_) == ZIP_OK && ok;
    }
    // Encrypted: deflate and encrypt here, and hand minizip the finished bytes.
    std::string packed;
    z_stream zs{};
    if (deflateInit2(&zs, compressionLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    packed.resize(deflateBound(&zs, static_cast<uLong>(data.size())));
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(packed.data());
    zs.avail_out = static_cast<uInt>(packed.size());
    const int r = deflate(&zs, Z_FINISH);
    packed.resize(zs.total_out);
    deflateEnd(&zs);
    if (r != Z_STREAM_END)
        return false;
    ZipCrypto crypto(*password);
    std::string body = crypto.header(static_cast<uint32_t>(crc));
    crypto.encrypt(reinterpret_cast<uint8_t*>(packed.data()), packed.size());
    body += packed;
    if (zipOpenNewFileInZip4_64(zip_, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                compressionLevel, 1, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0,
                                unixMadeBy, utf8Names | 1, zip64) != ZIP_OK)
        return false;
    bool ok = true;
    for (size_t at = 0; at < body.size() && ok; at += kChunk) {
        const size_t n = std::min(kChunk, body.size() - at);
        ok = zipWriteInFileInZip(zip_, body.data() + at, static_cast<unsigned>(n)) == ZIP_OK;
    }
    return zipCloseFileInZipRaw64(zip_, data.size(), crc) == ZIP_OK && ok;
}

bool SSZipArchive::close() {
    if (!zip_)
        return false;
    const bool ok = zipClose(zip_, nullptr) == ZIP_OK;
    zip_ = nullptr;
    return ok;
}

void SSZipArchive::zipInfoSetAttributesOfItemAtPath(zip_fileinfo& info, const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        zipInfoSetDate(info, std::time(nullptr));
        return;
    }
    zipInfoSetDate(info, st.st_mtime);
    const mode_t type = S_ISDIR(st.st_mode) ? S_IFDIR : S_IFREG;
    info.external_fa = static_cast<uLong>(type | (st.st_mode & 0777)) << 16;
    if (S_ISDIR(st.st_mode))
        info.external_fa |= 0x10; // the DOS folder flag
}

void SSZipArchive::zipInfoSetDate(zip_fileinfo& info, std::time_t date) {
    std::tm t{};
    localtime_r(&date, &t);
    info.tmz_date.tm_sec = static_cast<uInt>(t.tm_sec);
    info.tmz_date.tm_min = static_cast<uInt>(t.tm_min);
    info.tmz_date.tm_hour = static_cast<uInt>(t.tm_hour);
    info.tmz_date.tm_mday = static_cast<uInt>(t.tm_mday);
    info.tmz_date.tm_mon = static_cast<uInt>(t.tm_mon);
    info.tmz_date.tm_year = static_cast<uInt>(t.tm_year + 1900);
    info.dosDate = 0;
}

std::string SSZipArchive::base64RFC4648(std::string_view data) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < data.size(); i += 3) {
        const uint32_t v = (static_cast<uint8_t>(data[i]) << 16) | (static_cast<uint8_t>(data[i + 1]) << 8) |
                           static_cast<uint8_t>(data[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i < data.size()) {
        uint32_t v = static_cast<uint8_t>(data[i]) << 16;
        if (i + 1 < data.size())
            v |= static_cast<uint8_t>(data[i + 1]) << 8;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < data.size() ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string SSZipArchive::hexString(std::string_view data) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(data.size() * 2);
    for (unsigned char c : data) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}
