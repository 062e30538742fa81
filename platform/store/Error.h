// A store failure as a value: what went wrong, SQLite's code, and the file it concerns.
// The model layer logs it in its fixed wording and raises the one store-error hook.
#pragma once

#include <string>

namespace store {

struct Error {
    int code = 0;        // SQLite's extended result code, or one of the codes below
    std::string message; // what failed, in plain words
    std::string path;    // the workspace file concerned (may be empty)
    std::string reason;  // SQLite's own message, when there is one

    // Codes of our own for failures found before SQLite reads the file.
    static constexpr int notAWorkspace = 1001;
    static constexpr int newerWorkspace = 1002;
    static constexpr int noStore = 1003;

    // "store error 26: file is not a database" (the first part of the logged line).
    std::string description() const;
    // "{path = /x/y.ov; reason = ...}" (the second part of the logged line).
    std::string userInfo() const;
};

} // namespace store
