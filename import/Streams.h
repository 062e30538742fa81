// Byte streams that the delimited-text reader reads from and the writer writes to: files and memory.
// Failures are kept as a message that names the file, so a caller can tell an unreadable file from an empty
// one.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Opens a file for reading only when it is a regular file once links are followed. A directory, pipe,
// socket or device is refused before it is opened, so nothing can block on it or read it without end.
// The descriptor (close-on-exec), or -1 with `error` set to a message that names the file.
int openRegularFile(const std::string& path, std::string& error);
// The same test without keeping the file open: nullopt when the file can be read, else the message.
std::optional<std::string> regularFileProblem(const std::string& path);

class InputStream {
  public:
    virtual ~InputStream() = default;
    // False when the source cannot be opened; errorMessage() says why.
    virtual bool open() = 0;
    // Reads up to `capacity` bytes: the count read, 0 at the end of the input, -1 on a read error.
    virtual std::ptrdiff_t read(char* buffer, std::size_t capacity) = 0;
    virtual void close() {}
    virtual std::string errorMessage() const { return {}; }
};

class OutputStream {
  public:
    virtual ~OutputStream() = default;
    virtual bool open() = 0;
    virtual bool isOpen() const = 0;
    // False when not every byte could be written.
    virtual bool write(const char* bytes, std::size_t length) = 0;
    // Flushes and closes; false when buffered bytes could not be written or the close failed.
    virtual bool close() = 0;
    virtual std::string errorMessage() const { return {}; }
};

class FileInputStream final : public InputStream {
  public:
    explicit FileInputStream(std::string path);
    ~FileInputStream() override;
    bool open() override;
    std::ptrdiff_t read(char* buffer, std::size_t capacity) override;
    void close() override;
    std::string errorMessage() const override { return error_; }

  private:
    std::string path_;
    int fd_ = -1;
    std::string error_;
};

class DataInputStream final : public InputStream {
  public:
    explicit DataInputStream(std::string bytes) : bytes_(std::move(bytes)) {}
    bool open() override { return true; }
    std::ptrdiff_t read(char* buffer, std::size_t capacity) override;

  private:
    std::string bytes_;
    std::size_t offset_ = 0;
};

class FileOutputStream final : public OutputStream {
  public:
    // Replaces any file at the path when opened.
    explicit FileOutputStream(std::string path);
    ~FileOutputStream() override;
    bool open() override;
    bool isOpen() const override { return file_ != nullptr; }
    bool write(const char* bytes, std::size_t length) override;
    bool close() override;
    std::string errorMessage() const override { return error_; }

  private:
    void fail(const char* what, int errnum);

    std::string path_;
    std::FILE* file_ = nullptr;
    std::string error_;
};

// Appends to a string that the caller owns and that outlives the stream.
class StringOutputStream final : public OutputStream {
  public:
    explicit StringOutputStream(std::string& sink) : sink_(sink) {}
    bool open() override {
        open_ = true;
        return true;
    }
    bool isOpen() const override { return open_; }
    bool write(const char* bytes, std::size_t length) override;
    bool close() override {
        open_ = false;
        return true;
    }

  private:
    std::string& sink_;
    bool open_ = false;
};
