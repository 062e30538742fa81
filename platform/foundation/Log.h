// Free-form logging to standard error, as the system log of the app; no levels.
// Tests capture lines with LogCapture to check that a wording was written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace foundation {

// Writes one line (a trailing newline is added). Safe from any thread.
void log(std::string_view line);

// While alive, every logged line is also recorded here (still written to standard error).
// Captures nest; each sees the lines logged during its lifetime.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const;
    bool contains(std::string_view fragment) const;

private:
    friend void log(std::string_view line);
    std::vector<std::string> lines_;
};

} // namespace foundation
