// The error value that readers, writers and the importer report: a domain, an integer code, a message
// and further keyed information (for example which import limit was reached).
#pragma once

#include <map>
#include <string>

struct ImportError {
    std::string domain;
    int code = 0;
    std::string message; // the localized description
    std::map<std::string, std::string> userInfo;

    // The message, or domain and code when there is none; what logs and alerts show.
    std::string description() const;
    bool operator==(const ImportError&) const = default;
};
