// User defaults over one JSON file, written through a temporary file and a rename.
#include "UserDefaults.h"

#include "platform/foundation/Json.h"
#include "platform/foundation/Log.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace foundation {
namespace {

std::string xdgPath() {
    std::filesystem::path base;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
        base = x;
    else if (const char* h = std::getenv("HOME"); h && *h)
        base = std::filesystem::path(h) / ".config";
    else
        base = std::filesystem::temp_directory_path();
    return (base / "ovrida" / "defaults.json").string();
}

std::mutex standardMutex;
std::string standardOverride;

} // namespace

UserDefaults& UserDefaults::standard() {
    std::lock_guard lock(standardMutex);
    static UserDefaults* current = nullptr;
    static std::string currentPath;
    const std::string wanted = standardOverride.empty() ? xdgPath() : standardOverride;
    if (!current || currentPath != wanted) {
        // Earlier instances stay alive: callers may hold references to them.
        current = new UserDefaults(wanted);
        currentPath = wanted;
    }
    return *current;
}

void UserDefaults::setStandardPath(std::string path) {
    std::lock_guard lock(standardMutex);
    standardOverride = std::move(path);
}

UserDefaults::UserDefaults(std::string path) : path_(std::move(path)) {}

Value::Dictionary UserDefaults::load() const {
    std::ifstream in(path_, std::ios::binary);
    if (!in)
        return {};
    std::stringstream buffer;
    buffer << in.rdbuf();
    auto v = fromJson(buffer.str());
    if (!v || v->kind() != Value::Kind::Dictionary) {
        log("User defaults at " + path_ + " are unreadable; starting afresh.");
        return {};
    }
    return v->dictionary();
}

void UserDefaults::store(const Value::Dictionary& all) {
    std::error_code ec;
    std::filesystem::path p(path_);
    std::filesystem::create_directories(p.parent_path(), ec);
    auto tmp = p;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << toJson(Value(all));
        if (!out) {
            log("Could not write user defaults to " + tmp.string());
            return;
        }
    }
    std::filesystem::rename(tmp, p, ec);
    if (ec)
        log("Could not write user defaults to " + path_ + ": " + ec.message());
}

std::optional<Value> UserDefaults::object(const std::string& key) const {
    std::lock_guard lock(mutex_);
    auto all = load();
    auto it = all.find(key);
    if (it == all.end())
        return std::nullopt;
    return it->second;
}

std::int64_t UserDefaults::integer(const std::string& key) const {
    auto v = object(key);
    return v && v->isNumber() ? v->toInt64() : 0;
}

void UserDefaults::set(const std::string& key, Value value) {
    std::lock_guard lock(mutex_);
    auto all = load();
    all[key] = std::move(value);
    store(all);
}

void UserDefaults::remove(const std::string& key) {
    std::lock_guard lock(mutex_);
    auto all = load();
    if (all.erase(key))
        store(all);
}

} // namespace foundation
