// The file operations of the Workspaces screen and the workspace requests (list, copy, move, remove,
// make a folder), behind one small interface so that tests can make any of them fail: the tests run as
// root, where permissions never refuse a move or a removal.
#pragma once

#include <string>
#include <system_error>
#include <vector>

class FileOperations {
  public:
    virtual ~FileOperations() = default;

    // The paths of the entries directly inside `folder`, hidden ones included, in no particular order.
    virtual std::vector<std::string> contentsOfDirectory(const std::string& folder, std::error_code& ec);
    // Each answers false and sets `ec` on failure. A copy or move never replaces an existing file.
    virtual bool copyItem(const std::string& from, const std::string& to, std::error_code& ec);
    virtual bool moveItem(const std::string& from, const std::string& to, std::error_code& ec);
    // A file, or a folder with everything in it.
    virtual bool removeItem(const std::string& path, std::error_code& ec);
    // The folder and any missing parents; true when it exists afterwards.
    virtual bool createDirectory(const std::string& path, std::error_code& ec);
    virtual bool fileExists(const std::string& path);
    virtual bool isDirectory(const std::string& path);

    // Removes a workspace file, then the companions the store may leave beside it ("-journal", "-wal",
    // "-shm"): a companion left behind could later be taken for the journal of a new workspace of the
    // same name. False when the workspace itself could not be removed (its companions then stay too).
    bool removeWorkspace(const std::string& path, std::error_code& ec);
    static constexpr const char* companionSuffixes[] = {"-journal", "-wal", "-shm"};

    // The operations on the real file system (once-only shared object).
    static FileOperations& standard();
};
