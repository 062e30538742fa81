// One SQLite connection with its prepared statements, and the lock discipline every connection follows:
// a busy lock is waited out (never reported), statements are reset as soon as their rows are read.
#pragma once

#include "platform/store/Error.h"
#include "platform/store/Value.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace store {

class Connection {
  public:
    // Opens the file read-write (and creates it when asked). Nothing is read or written yet.
    static std::unique_ptr<Connection> open(const std::string& path, bool create, Error& error);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const std::string& path() const { return path_; }
    // How many transactions the connections of this process have committed, of any file: while it
    // stays the same, no other connection here has changed what this one reads.
    static uint64_t commitsInProcess();
    sqlite3* handle() const { return db_; }

    // A cached statement for this SQL text, reset and with its bindings cleared.
    sqlite3_stmt* prepare(const std::string& sql, Error& error);
    // sqlite3_step that waits out busy locks; SQLITE_ROW, SQLITE_DONE or an error code.
    int step(sqlite3_stmt* statement);
    // Runs SQL without results (several statements allowed); 0 on success, else the error code.
    int exec(std::string_view sql);
    // Runs one statement and returns the first column of its first row (null when none).
    Value scalar(const std::string& sql, Error& error);

    bool inTransaction() const;
    int lastErrorCode() const;
    Error error(std::string message) const;

    static void bind(sqlite3_stmt* statement, int index, const Value& value);
    static Value column(sqlite3_stmt* statement, int index);
    // The same, written into an existing value (a text reuses the value's storage).
    static void columnInto(sqlite3_stmt* statement, int index, Value& out);

  private:
    Connection() = default;
    sqlite3* db_ = nullptr;
    std::string path_;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;
};

} // namespace store
