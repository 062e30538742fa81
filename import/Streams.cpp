// File and memory byte streams over POSIX descriptors and stdio.
#include "import/Streams.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::string errnoText(int errnum) {
    char buffer[256];
    // The GNU variant returns the text, which may or may not be in the buffer.
    return strerror_r(errnum, buffer, sizeof buffer);
}

} // namespace

FileInputStream::FileInputStream(std::string path) : path_(std::move(path)) {}

FileInputStream::~FileInputStream() {
    close();
}

bool FileInputStream::open() {
    if (fd_ >= 0)
        return true;
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ >= 0)
        return true;
    error_ = "The file \"" + path_ + "\" could not be opened: " + errnoText(errno);
    return false;
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
