// File and memory byte streams over POSIX descriptors and stdio.
#include "import/Streams.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string errnoText(int errnum) {
    char buffer[256];
    // The GNU variant returns the text, which may or may not be in the buffer.
    return strerror_r(errnum, buffer, sizeof buffer);
}

std::string notRegular(const std::string& path) {
    return "The file \"" + path + "\" is not a regular file.";
}

std::string notOpened(const std::string& path, int errnum) {
    return "The file \"" + path + "\" could not be opened: " + errnoText(errnum);
}

} // namespace

int openRegularFile(const std::string& path, std::string& error) {
    // Looked at before opening: opening a pipe waits for a writer, and opening some devices acts on them.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = notOpened(path, errno);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        error = notRegular(path);
        return -1;
    }
    // Non-blocking and checked again once open, in case another file took the name in between.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = notOpened(path, errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = notRegular(path);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

std::optional<std::string> regularFileProblem(const std::string& path) {
    std::string error;
    const int fd = openRegularFile(path, error);
    if (fd < 0)
        return error;
    ::close(fd);
    return std::nullopt;
}

FileInputStream::FileInputStream(std::string path) : path_(std::move(path)) {}

FileInputStream::~FileInputStream() {
    close();
}

bool FileInputStream::open() {
    if (fd_ >= 0)
        return true;
    fd_ = openRegularFile(path_, error_);
    return fd_ >= 0;
}

std::ptrdiff_t FileInputStream::read(char* buffer, std::size_t capacity) {
    if (fd_ < 0) {
        if (error_.empty())
            error_ = "The file \"" + path_ + "\" is not open";
        return -1;
    }
    for (;;) {
        ssize_t n = ::read(fd_, buffer, capacity);
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        error_ = "The file \"" + path_ + "\" could not be read: " + errnoText(errno);
        return -1;
    }
}

void FileInputStream::close() {
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
}

std::ptrdiff_t DataInputStream::read(char* buffer, std::size_t capacity) {
    std::size_t n = std::min(capacity, bytes_.size() - offset_);
    std::memcpy(buffer, bytes_.data() + offset_, n);
    offset_ += n;
    return static_cast<std::ptrdiff_t>(n);
}

FileOutputStream::FileOutputStream(std::string path) : path_(std::move(path)) {}

FileOutputStream::~FileOutputStream() {
    close();
}

void FileOutputStream::fail(const char* what, int errnum) {
    if (error_.empty())
        error_ = "The file \"" + path_ + "\" could not be " + what + ": " + errnoText(errnum);
}

bool FileOutputStream::open() {
    if (file_)
        return true;
    file_ = std::fopen(path_.c_str(), "wb");
    if (file_)
        return true;
    fail("created", errno);
    return false;
}

bool FileOutputStream::write(const char* bytes, std::size_t length) {
    if (!file_) {
        if (error_.empty())
            error_ = "The file \"" + path_ + "\" is not open";
        return false;
    }
    if (std::fwrite(bytes, 1, length, file_) == length)
        return true;
    fail("written", errno);
    return false;
}

bool FileOutputStream::close() {
    if (!file_)
        return true;
    bool ok = std::fflush(file_) == 0;
    if (!ok)
        fail("written", errno);
    if (std::fclose(file_) != 0 && ok) {
        fail("closed", errno);
        ok = false;
    }
    file_ = nullptr;
    return ok;
}

bool StringOutputStream::write(const char* bytes, std::size_t length) {
    if (!open_)
        return false;
    sink_.append(bytes, length);
    return true;
}
