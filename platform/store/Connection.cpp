// SQLite connection: busy locks are waited out with a growing pause; a long wait is logged, never failed.
#include "platform/store/Connection.h"

#include "platform/foundation/Log.h"

#include <sqlite3.h>

#include <atomic>

#include <chrono>
#include <string_view>
#include <thread>

namespace store {

namespace {

// Waits between lock attempts; returns only when the lock was given. A deadlock between two writers
// cannot arise because every write transaction begins IMMEDIATE and no read is held across a write.
void pauseForLock(int attempt) {
    int ms = attempt < 10 ? 1 : attempt < 50 ? 5 : 20;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    if (attempt > 0 && attempt % 500 == 0)
        foundation::log("Workspace store is busy; still waiting for another task to save");
}

int onBusy(void*, int attempt) {
    pauseForLock(attempt);
    return 1;
}

bool isBusy(int rc) {
    return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
}

std::atomic<uint64_t> commits{0};

int countCommit(void*) {
    commits.fetch_add(1, std::memory_order_release);
    return 0; // the commit goes on
}

} // namespace

uint64_t Connection::commitsInProcess() {
    return commits.load(std::memory_order_acquire);
}

std::unique_ptr<Connection> Connection::open(const std::string& path, bool create, Error& error) {
    std::unique_ptr<Connection> c(new Connection());
    c->path_ = path;
    // A connection belongs to one context, used by one thread at a time: no per-call mutex.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.c_str(), &c->db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        error = c->error("Cannot open the workspace file");
        return nullptr;
    }
    sqlite3_extended_result_codes(c->db_, 1);
    sqlite3_busy_handler(c->db_, onBusy, nullptr);
    sqlite3_commit_hook(c->db_, countCommit, nullptr);
    // One save of an import (100 rows of up to 500 cells) dirties a leaf of the column index per column
    // besides the new rows, some 4 MB of pages; in SQLite's default 2 MB cache they would be written out
    // in the middle of the transaction and read back again, row after row.
    sqlite3_exec(c->db_, "PRAGMA cache_size = -8192", nullptr, nullptr, nullptr);
    return c;
}

Connection::~Connection() {
    for (auto& [sql, statement] : statements_)
        sqlite3_finalize(statement);
    if (db_ && !sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
}

sqlite3_stmt* Connection::prepare(const std::string& sql, Error& error) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) {
        sqlite3_reset(it->second);
        sqlite3_clear_bindings(it->second);
        return it->second;
    }
    sqlite3_stmt* statement = nullptr;
    for (int attempt = 0;; ++attempt) {
        int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                    &statement, nullptr);
        if (rc == SQLITE_OK)
            break;
        if (!isBusy(rc)) {
            error = this->error("Cannot prepare a statement");
            error.reason += " [" + sql + "]";
            return nullptr;
        }
        pauseForLock(attempt);
    }
    statements_.emplace(sql, statement);
    return statement;
}

int Connection::step(sqlite3_stmt* statement) {
    for (int attempt = 0;; ++attempt) {
        int rc = sqlite3_step(statement);
        if (!isBusy(rc))
            return rc;
        // The busy handler declined (a possible deadlock) or a shared-cache lock: start over later.
        sqlite3_reset(statement);
        pauseForLock(attempt);
    }
}

int Connection::exec(std::string_view sql) {
    std::string text(sql);
    for (int attempt = 0;; ++attempt) {
        int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr);
        if (!isBusy(rc))
            return rc == SQLITE_OK ? 0 : sqlite3_extended_errcode(db_);
        pauseForLock(attempt);
    }
}

Value Connection::scalar(const std::string& sql, Error& error) {
    sqlite3_stmt* statement = prepare(sql, error);
    if (!statement)
        return {};
    int rc = step(statement);
    Value v;
    if (rc == SQLITE_ROW)
        v = column(statement, 0);
    else if (rc != SQLITE_DONE)
        error = this->error("Cannot read the workspace file");
    sqlite3_reset(statement);
    return v;
}

bool Connection::inTransaction() const {
    return db_ && !sqlite3_get_autocommit(db_);
}

int Connection::lastErrorCode() const {
    return sqlite3_extended_errcode(db_);
}

Error Connection::error(std::string message) const {
    Error e;
    e.message = std::move(message);
    e.path = path_;
    if (db_) {
        e.code = sqlite3_extended_errcode(db_);
        e.reason = sqlite3_errmsg(db_);
    } else {
        e.code = SQLITE_NOMEM;
    }
    return e;
}

void Connection::bind(sqlite3_stmt* statement, int index, const Value& value) {
    switch (value.index()) {
    case 1:
        sqlite3_bind_int64(statement, index, std::get<int64_t>(value));
        break;
    case 2:
        sqlite3_bind_double(statement, index, std::get<double>(value));
        break;
    case 3: {
        const auto& s = std::get<std::string>(value);
        sqlite3_bind_text(statement, index, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        break;
    }
    default:
        sqlite3_bind_null(statement, index);
    }
}

namespace {

// A text or blob value's bytes (UTF-8 for a text). A UTF-8 text is taken as its bytes: asked as a
// text it would first get room for a terminator, which reallocates the value of every row.
std::string_view valueBytes(sqlite3_value* v, int type) {
    const bool asBytes = type == SQLITE_BLOB || sqlite3_value_encoding(v) == SQLITE_UTF8;
    const void* p = asBytes ? sqlite3_value_blob(v) : static_cast<const void*>(sqlite3_value_text(v));
    const auto n = static_cast<size_t>(sqlite3_value_bytes(v));
    return p ? std::string_view(static_cast<const char*>(p), n) : std::string_view();
}

} // namespace

// A row's values are read through the column's value object: one call to find the column instead
// of one per question asked of it. A connection is used by one thread at a time.
Value Connection::column(sqlite3_stmt* statement, int index) {
    sqlite3_value* v = sqlite3_column_value(statement, index);
    const int type = sqlite3_value_type(v);
    switch (type) {
    case SQLITE_INTEGER:
        return Value(static_cast<int64_t>(sqlite3_value_int64(v)));
    case SQLITE_FLOAT:
        return Value(sqlite3_value_double(v));
    case SQLITE_TEXT:
    case SQLITE_BLOB:
        return Value(std::string(valueBytes(v, type)));
    default:
        return Value();
    }
}

void Connection::columnInto(sqlite3_stmt* statement, int index, Value& out) {
    sqlite3_value* v = sqlite3_column_value(statement, index);
    const int type = sqlite3_value_type(v);
    switch (type) {
    case SQLITE_INTEGER:
        out.emplace<int64_t>(sqlite3_value_int64(v));
        return;
    case SQLITE_FLOAT:
        out.emplace<double>(sqlite3_value_double(v));
        return;
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
        const std::string_view bytes = valueBytes(v, type);
        if (auto* s = std::get_if<std::string>(&out))
            s->assign(bytes);
        else
            out.emplace<std::string>(bytes);
        return;
    }
    default:
        out.emplace<std::monostate>();
    }
}

std::string Error::description() const {
    std::string out = "store error " + std::to_string(code);
    if (!message.empty())
        out += ": " + message;
    return out;
}

std::string Error::userInfo() const {
    std::string out = "{";
    if (!path.empty())
        out += "path = " + path;
    if (!reason.empty())
        out += std::string(out.size() > 1 ? "; " : "") + "reason = " + reason;
    return out + "}";
}

} // namespace store
