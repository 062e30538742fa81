// Per-user settings kept in a small JSON file under the XDG config folder
// ($XDG_CONFIG_HOME/ovrida/defaults.json, else ~/.config/ovrida/defaults.json).
// Every change is read-modify-write of that file, so two windows of the app never lose each other's keys.
#pragma once

#include "platform/foundation/Value.h"

#include <mutex>
#include <optional>
#include <string>

namespace foundation {

class UserDefaults {
public:
    // The shared defaults of this user.
    static UserDefaults& standard();
    // Points standard() at another file (tests); an empty path restores the XDG location.
    static void setStandardPath(std::string path);

    explicit UserDefaults(std::string path);

    std::optional<Value> object(const std::string& key) const;
    std::int64_t integer(const std::string& key) const;  // 0 when absent or not a number
    void set(const std::string& key, Value value);
    void remove(const std::string& key);
    const std::string& path() const { return path_; }

private:
    Value::Dictionary load() const;
    void store(const Value::Dictionary& all);

    std::string path_;
    mutable std::mutex mutex_;
};

} // namespace foundation
