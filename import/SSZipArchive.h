// Unpacks zip archives into a folder entry by entry (and writes archives) over minizip and zlib.
// Unpacking never writes outside its destination: names are resolved under it, symbolic-link entries
// are skipped, modes are reduced to 0644/0755, and archives that expand beyond safe limits are refused.
#pragma once

#include "import/ImportError.h"

#include <unzip.h>
#include <zip.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// Every method is optional: the defaults do nothing (and let every entry through).
class SSZipArchiveDelegate {
  public:
    virtual ~SSZipArchiveDelegate() = default;
    virtual void zipArchiveWillUnzipArchiveAtPath(const std::string& path, const unz_global_info64& zipInfo) {
    }
    virtual void zipArchiveDidUnzipArchiveAtPath(const std::string& path, const unz_global_info64& zipInfo,
                                                 const std::string& unzippedPath) {}
    virtual bool zipArchiveShouldUnzipFileAtIndex(long fileIndex, long totalFiles,
                                                  const std::string& archivePath,
                                                  const unz_file_info64& fileInfo) {
        return true;
    }
    virtual void zipArchiveWillUnzipFileAtIndex(long fileIndex, long totalFiles,
                                                const std::string& archivePath,
                                                const unz_file_info64& fileInfo) {}
    // Answers false when not implemented; the unpacker then sends the unzippedFilePath form instead.
    virtual bool zipArchiveDidUnzipFileAtIndex(long fileIndex, long totalFiles,
                                               const std::string& archivePath,
                                               const unz_file_info64& fileInfo) {
        return false;
    }
    virtual void zipArchiveDidUnzipFileAtIndexUnzippedFilePath(long fileIndex, long totalFiles,
                                                               const std::string& archivePath,
                                                               const std::string& unzippedFilePath) {}
    virtual void zipArchiveProgressEvent(unsigned long long loaded, unsigned long long total) {}
};

class SSZipArchive {
  public:
    static constexpr const char* ErrorDomain = "SSZipArchiveErrorDomain";
    static constexpr const char* PosixErrorDomain = "NSPOSIXErrorDomain";
    enum ErrorCode : int {
        ErrorCodeFailedOpenZipFile = -1,
        ErrorCodeFailedOpenFileInZip = -2,
        ErrorCodeFileInfoNotLoadable = -3,
        ErrorCodeFileContentNotReadable = -4,
        ErrorCodeFailedToWriteFile = -5,
        ErrorCodeInvalidArguments = -6,
        ErrorCodeArchiveTooLarge = -7, // an entry or the whole archive expands beyond the safe limits
    };
    // An entry is refused when it expands more than this factor and beyond kMaxEntryBytes ...
    static constexpr uint64_t kMaxExpansion = 200;
    static constexpr uint64_t kMaxEntryBytes = 64ull << 20;
    // ... and an archive when its entries together exceed this.
    static constexpr uint64_t kMaxArchiveBytes = 4ull << 30;

    using ProgressHandler = std::function<void(const std::string& entry, const unz_file_info64& zipInfo,
                                               long entryNumber, long total)>;
    using CompletionHandler =
        std::function<void(const std::string& path, bool succeeded, const std::optional<ImportError>& error)>;
    using CreateProgressHandler = std::function<void(unsigned long entryNumber, unsigned long total)>;
    using Password = std::optional<std::string>;

    // Unpacking. Every form ends in the last one; an absent password means none.
    static bool unzipFileAtPath(const std::string& path, const std::string& destination);
    static bool unzipFileAtPath(const std::string& path, const std::string& destination,
                                SSZipArchiveDelegate* delegate);
    static bool unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
                                const Password& password, ImportError* error);
    static bool unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
                                const Password& password, ImportError* error, SSZipArchiveDelegate* delegate);
    static bool unzipFileAtPath(const std::string& path, const std::string& destination, bool overwrite,
                                const Password& password, ProgressHandler progressHandler,
                                CompletionHandler completionHandler);
    static bool unzipFileAtPath(const std::string& path, const std::string& destination,
                                ProgressHandler progressHandler, CompletionHandler completionHandler);
    static bool unzipFileAtPath(const std::string& path, const std::string& destination,
                                bool preserveAttributes, bool overwrite, const Password& password,
                                ImportError* error, SSZipArchiveDelegate* delegate);
    static bool unzipFileAtPath(const std::string& path, const std::string& destination,
                                bool preserveAttributes, bool overwrite, const Password& password,
                                ImportError* error, SSZipArchiveDelegate* delegate,
                                ProgressHandler progressHandler, CompletionHandler completionHandler);
    static bool unzipFileAtPath(const std::string& path, const std::string& destination,
                                bool preserveAttributes, bool overwrite, int nestedZipLevel,
                                const Password& password, ImportError* error, SSZipArchiveDelegate* delegate,
                                ProgressHandler progressHandler, CompletionHandler completionHandler);

    // Unpacks only the entries whose safe names (as sanitizedPath gives them) are listed, each once: of
    // several entries with one name, the last, which a full unpacking would leave in place. Every other
    // entry is passed over by its directory record alone, so it costs nothing and cannot fail the
    // unpacking; the limits and refusals of a full unpacking hold for what is unpacked. Overwrites and
    // keeps dates and modes, as unzipFileAtPath with a delegate does.
    static bool unzipEntriesAtPath(const std::string& path, const std::string& destination,
                                   const std::set<std::string>& names, ImportError* error);

    // Password checks.
    static bool isFilePasswordProtectedAtPath(const std::string& path);
    static bool isPasswordValidForArchiveAtPath(const std::string& path, const std::string& password,
                                                ImportError* error);

    // Archives from a list of files (stored under their file names) or from a folder's contents.
    static bool createZipFileAtPath(const std::string& path, const std::vector<std::string>& paths,
                                    const Password& password = std::nullopt,
                                    CreateProgressHandler progressHandler = {});
    static bool createZipFileAtPath(const std::string& path, const std::string& directoryPath,
                                    bool keepParentDirectory = false, const Password& password = std::nullopt,
                                    bool aes = false, int compressionLevel = -1,
                                    CreateProgressHandler progressHandler = {});

    // Writing an archive entry by entry.
    explicit SSZipArchive(std::string path);
    ~SSZipArchive();
    SSZipArchive(const SSZipArchive&) = delete;
    SSZipArchive& operator=(const SSZipArchive&) = delete;

    bool open();
    bool writeFolderAtPath(const std::string& path, const std::string& folderName, const Password& password);
    bool writeFile(const std::string& path, const Password& password);
    bool writeFileAtPath(const std::string& path, const std::string& fileName, const Password& password);
    bool writeFileAtPath(const std::string& path, const std::string& fileName, int compressionLevel,
                         const Password& password, bool aes);
    bool writeData(std::string_view data, const std::string& filename, const Password& password);
    bool writeData(std::string_view data, const std::string& filename, int compressionLevel,
                   const Password& password, bool aes);
    bool close();

    // Data helpers: standard base64 with padding, and capital hexadecimal digits.
    static std::string base64RFC4648(std::string_view data);
    static std::string hexString(std::string_view data);

    // An entry name made safe: backslashes as slashes, "." and ".." resolved so the name cannot leave
    // the destination; "" when nothing is left.
    static std::string sanitizedPath(std::string_view name);

  private:
    static bool unzip(const std::string& path, const std::string& destination, bool preserveAttributes,
                      bool overwrite, int nestedZipLevel, const Password& password, ImportError* error,
                      SSZipArchiveDelegate* delegate, ProgressHandler progressHandler,
                      CompletionHandler completionHandler, const std::set<std::string>* only);
    // The indexes of the entries unzipEntriesAtPath unpacks from an open archive.
    static std::set<long> chooseEntries(unzFile zip, const std::set<std::string>& names);
    bool writeEntry(std::string_view data, const std::string& name, const zip_fileinfo& info,
                    int compressionLevel, const Password& password, bool aes);
    static void zipInfoSetAttributesOfItemAtPath(zip_fileinfo& info, const std::string& path);
    static void zipInfoSetDate(zip_fileinfo& info, std::time_t date);

    std::string path_;
    zipFile zip_ = nullptr;
};
