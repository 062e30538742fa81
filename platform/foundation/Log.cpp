// Log sink: standard error plus any live captures, under one mutex so lines never interleave.
#include "Log.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace foundation {
namespace {
std::mutex& logMutex() {
    static std::mutex m;
    return m;
}
std::vector<LogCapture*>& captures() {
    static std::vector<LogCapture*> c;
    return c;
}
} // namespace

void log(std::string_view line) {
    std::lock_guard lock(logMutex());
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
    for (LogCapture* c : captures())
        c->lines_.emplace_back(line);
}

LogCapture::LogCapture() {
    std::lock_guard lock(logMutex());
    captures().push_back(this);
}

LogCapture::~LogCapture() {
    std::lock_guard lock(logMutex());
    auto& c = captures();
    c.erase(std::remove(c.begin(), c.end(), this), c.end());
}

std::vector<std::string> LogCapture::lines() const {
    std::lock_guard lock(logMutex());
    return lines_;
}

bool LogCapture::contains(std::string_view fragment) const {
    std::lock_guard lock(logMutex());
    return std::any_of(lines_.begin(), lines_.end(),
                       [&](const std::string& l) { return l.find(fragment) != std::string::npos; });
}

} // namespace foundation
