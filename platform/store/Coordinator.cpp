// Store checks before SQLite touches the file, table creation and the additive upgrade of older files.
#include "platform/store/Coordinator.h"

#include "platform/store/Connection.h"
#include "platform/store/PackedTable.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

const char* sqlType(AttributeType t) {
    switch (t) {
    case AttributeType::Integer:
    case AttributeType::Boolean:
        return "INTEGER";
    case AttributeType::Double:
    case AttributeType::Date:
        return "REAL";
    default:
        return "TEXT";
    }
}

struct LinkTable {
    std::string name, left, right;
};

std::vector<LinkTable> linkTables(const Schema& schema) {
    std::vector<LinkTable> out;
    std::set<std::string> seen;
    for (const auto& e : schema.entities)
        for (const auto& r : e.toMany)
            if (!r.linkTable.empty() && seen.insert(r.linkTable).second)
                out.push_back({r.linkTable, e.name, r.target});
    return out;
}

uint32_t bigEndian(const unsigned char* p, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

// Refuses, before SQLite opens it, a file that is not an SQLite database at all: SQLite would write into
// it if a stale journal lay beside it. Nothing for an empty file (a new workspace).
std::optional<Error> checkMagic(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || st.st_size == 0)
        return std::nullopt;
    Error e;
    e.path = path;
    e.code = Error::notAWorkspace;
    e.message = "The file is not a workspace";
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        e.code = SQLITE_CANTOPEN;
        e.message = "Cannot open the workspace file";
        e.reason = std::strerror(errno);
        return e;
    }
    unsigned char h[100] = {};
    size_t n = std::fread(h, 1, sizeof h, f);
    std::fclose(f);
    if (n < sizeof h || std::memcmp(h, "SQLite format 3", 16) != 0) {
        e.reason = "no database header";
        return e;
    }
    return std::nullopt;
}

// Refuses a database file that is shorter than its header says: SQLite would report the damage only at
// some later read, or read the missing pages as empty ones. Asked only once SQLite has rolled back an
// interrupted save (whose journal restores what the file lacks) and while a read lock keeps any writer
// out, so a save in progress elsewhere is never taken for damage.
std::optional<Error> checkLength(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || st.st_size == 0)
        return std::nullopt;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::nullopt; // SQLite has the file open; its own reads report what is wrong
    unsigned char h[100] = {};
    size_t n = std::fread(h, 1, sizeof h, f);
    std::fclose(f);
    if (n < sizeof h)
        return std::nullopt;
    uint64_t pageSize = bigEndian(h + 16, 2);
    if (pageSize == 1)
        pageSize = 65536;
    uint32_t changeCounter = bigEndian(h + 24, 4), pages = bigEndian(h + 28, 4),
             validFor = bigEndian(h + 92, 4);
    if (changeCounter == validFor && pages > 0 && pageSize * pages > static_cast<uint64_t>(st.st_size)) {
        Error e;
        e.path = path;
        e.code = SQLITE_CORRUPT;
        e.message = "The workspace file is damaged";
        e.reason = "the file is shorter than its header says (truncated)";
        return e;
    }
    return std::nullopt;
}

} // namespace

// The table that holds an entity's rows one each: the loose table of a packed entity.
static std::string rowTable(const Entity& e) {
    return e.packed ? packedLooseTable(e) : e.name;
}

std::vector<std::string> createStatements(const Schema& schema) {
    std::vector<std::string> out;
    for (const auto& e : schema.entities) {
        std::string sql = "CREATE TABLE IF NOT EXISTS " + quoted(rowTable(e)) + " (\"id\" INTEGER PRIMARY KEY";
        for (const auto& a : e.attributes)
            sql += ", " + quoted(a.name) + " " + sqlType(a.type);
        for (const auto& r : e.toOne)
            sql += ", " + quoted(r.name) + " INTEGER";
        out.push_back(sql + ")");
        if (e.packed) {
            const std::string records = packedRecordsTable(e);
            out.push_back("CREATE TABLE IF NOT EXISTS " + quoted(records) +
                          " (\"key\" INTEGER NOT NULL, \"first\" INTEGER NOT NULL, \"ids\" BLOB NOT NULL, "
                          "\"texts\" BLOB NOT NULL, PRIMARY KEY (\"key\", \"first\")) WITHOUT ROWID");
            out.push_back("CREATE INDEX IF NOT EXISTS " + quoted(records + "ByFirst") + " ON " + quoted(records) +
                          " (\"first\", \"key\")");
        }
    }
    for (const auto& l : linkTables(schema)) {
        out.push_back("CREATE TABLE IF NOT EXISTS " + quoted(l.name) + " (" + quoted(l.left) +
                      " INTEGER NOT NULL, " + quoted(l.right) + " INTEGER NOT NULL, PRIMARY KEY (" +
                      quoted(l.left) + ", " + quoted(l.right) + ")) WITHOUT ROWID");
        out.push_back("CREATE INDEX IF NOT EXISTS " + quoted(l.name + "_" + l.right) + " ON " +
                      quoted(l.name) + " (" + quoted(l.right) + ")");
    }
    for (const auto& e : schema.entities)
        for (const auto& i : e.indexes) {
            std::string cols;
            for (const auto& c : i.columns)
                cols += (cols.empty() ? "" : ", ") + quoted(c);
            out.push_back("CREATE INDEX IF NOT EXISTS " + quoted(i.name) + " ON " + quoted(rowTable(e)) + " (" +
                          cols + ")" + (i.where.empty() ? "" : " WHERE " + i.where));
        }
    return out;
}

namespace {

bool syncPath(const std::string& path, bool directory) {
    int fd = ::open(path.c_str(), (directory ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Rewrites a workspace whose packed entities are still ordinary tables into a new file beside it,
// then puts that file in its place. The old file is only read until the new one is complete and on
// disk, so an interruption leaves it as it was (and the half-written file is removed next time).
std::optional<Error> convertToPacked(const std::string& path, const Schema& schema,
                                     const std::map<std::string, std::set<std::string>>& tables) {
    const std::string partial = path + "-packing";
    std::remove(partial.c_str());
    std::remove((partial + "-journal").c_str());
    Error error;
    error.path = path;
    error.message = "Cannot convert the workspace to the current layout";
    sqlite3* db = nullptr;
    auto fail = [&](std::string reason) {
        if (db) {
            error.code = sqlite3_extended_errcode(db);
            if (reason.empty())
                reason = sqlite3_errmsg(db);
            sqlite3_close_v2(db);
        }
        if (!error.code)
            error.code = SQLITE_ERROR;
        error.reason = std::move(reason);
        std::remove(partial.c_str());
        std::remove((partial + "-journal").c_str());
        return error;
    };
    if (sqlite3_open_v2(partial.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        return fail("");
    sqlite3_busy_timeout(db, 60000);
    // The new file is private until it is renamed into place: no journal is needed for it.
    if (sqlite3_exec(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -65536",
                     nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail("");
    {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, "ATTACH DATABASE ?1 AS \"old\"", -1, &s, nullptr) != SQLITE_OK)
            return fail("");
        sqlite3_bind_text(s, 1, path.c_str(), -1, SQLITE_TRANSIENT);
        int rc = sqlite3_step(s);
        sqlite3_finalize(s);
        if (rc != SQLITE_DONE)
            return fail("");
    }
    if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail("");
    std::set<std::string> packedNames;
    for (const auto& e : schema.entities)
        if (e.packed)
            packedNames.insert(e.name);
    // Everything else as it is: tables with their rows, then indexes, views and triggers.
    struct Item {
        std::string type, name, table, sql;
    };
    std::vector<Item> items;
    {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db,
                               "SELECT type, name, tbl_name, sql FROM \"old\".sqlite_schema WHERE sql IS NOT NULL "
                               "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY type != 'table'",
                               -1, &s, nullptr) != SQLITE_OK)
            return fail("");
        while (sqlite3_step(s) == SQLITE_ROW) {
            auto text = [&](int i) {
                auto* t = sqlite3_column_text(s, i);
                return std::string(t ? reinterpret_cast<const char*>(t) : "");
            };
            items.push_back({text(0), text(1), text(2), text(3)});
        }
        sqlite3_finalize(s);
    }
    for (const auto& item : items) {
        if (packedNames.count(item.table))
            continue;
        if (sqlite3_exec(db, item.sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            return fail("");
        if (item.type == "table" &&
            sqlite3_exec(db,
                         ("INSERT INTO main." + quoted(item.name) + " SELECT * FROM \"old\"." + quoted(item.name)).c_str(),
                         nullptr, nullptr, nullptr) != SQLITE_OK)
            return fail("");
    }
    Schema packedOnly;
    for (const auto& e : schema.entities)
        if (e.packed)
            packedOnly.entities.push_back(e);
    for (const auto& sql : createStatements(packedOnly))
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            return fail("");
    for (const auto& e : packedOnly.entities) {
        auto t = tables.find(e.name);
        if (t == tables.end())
            continue;
        std::string message;
        if (packTable(db, e, "old", t->second, message) != SQLITE_OK)
            return fail(message);
    }
    if (sqlite3_exec(db, ("PRAGMA main.user_version = " + std::to_string(schema.version)).c_str(), nullptr, nullptr,
                     nullptr) != SQLITE_OK ||
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, "DETACH DATABASE \"old\"", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail("");
    sqlite3_close_v2(db);
    db = nullptr;
    const std::string folder = path.find('/') == std::string::npos ? "." : path.substr(0, path.rfind('/') + 1);
    if (!syncPath(partial, false))
        return fail(std::strerror(errno));
    if (std::rename(partial.c_str(), path.c_str()) != 0)
        return fail(std::strerror(errno));
    syncPath(folder, true);
    return std::nullopt;
}

} // namespace

Coordinator::Coordinator(std::shared_ptr<const Schema> schema) : schema_(std::move(schema)) {
    registerPackedEntities(*schema_);
}

std::optional<Error> Coordinator::addStore(const std::string& path) {
    if (auto e = checkMagic(path))
        return e;
    Error error;
    auto c = Connection::open(path, true, error);
    if (!c)
        return error;

    // Existing tables and their columns. Reading them is the first real read of the file: SQLite takes
    // its read lock and rolls back a save that was interrupted (its journal is still beside the file),
    // so the file is whole again before the store's own check of its length, made under the same lock.
    std::map<std::string, std::set<std::string>> tables;
    {
        if (c->exec("BEGIN") != 0)
            return c->error("Cannot read the workspace file");
        sqlite3_stmt* s = c->prepare("SELECT name FROM sqlite_schema WHERE type = 'table'", error);
        if (!s) {
            c->exec("ROLLBACK");
            return error;
        }
        int rc;
        while ((rc = c->step(s)) == SQLITE_ROW)
            tables[reinterpret_cast<const char*>(sqlite3_column_text(s, 0))];
        sqlite3_reset(s);
        std::optional<Error> damaged;
        if (rc != SQLITE_DONE)
            damaged = c->error("The file is not a workspace");
        else
            damaged = checkLength(path);
        c->exec("ROLLBACK");
        if (damaged)
            return damaged;
    }
    for (auto& [name, columns] : tables) {
        sqlite3_stmt* s = c->prepare("SELECT name FROM pragma_table_info(?)", error);
        if (!s)
            return error;
        sqlite3_bind_text(s, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        while (c->step(s) == SQLITE_ROW)
            columns.insert(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        sqlite3_reset(s);
    }
    Value version = c->scalar("PRAGMA user_version", error);
    if (error.code)
        return error;
    int64_t userVersion = asInt(version).value_or(0);
    if (userVersion == 0 && !tables.empty()) {
        error = {Error::notAWorkspace, "The file is not a workspace", path, "a database of another program"};
        return error;
    }
    if (userVersion > schema_->version) {
        error = {Error::newerWorkspace, "The workspace was written by a newer release", path,
                 "schema version " + std::to_string(userVersion)};
        return error;
    }

    // An older layout of packed entities: rewritten once into a new file, then opened as usual.
    for (const auto& e : schema_->entities)
        if (e.packed && tables.count(e.name)) {
            c.reset();
            if (auto failed = convertToPacked(path, *schema_, tables))
                return failed;
            return addStore(path);
        }

    // The upgrade only adds: tables, columns (null in existing rows) and indexes.
    std::vector<std::string> changes;
    for (const auto& e : schema_->entities) {
        auto t = tables.find(rowTable(e));
        if (t == tables.end())
            continue;
        for (int slot = 0; slot < e.slotCount(); ++slot) {
            const auto& name = e.slotName(slot);
            if (t->second.count(name))
                continue;
            const char* type =
                e.isToOneSlot(slot) ? "INTEGER" : sqlType(e.attributes[static_cast<size_t>(slot)].type);
            changes.push_back("ALTER TABLE " + quoted(rowTable(e)) + " ADD COLUMN " + quoted(name) + " " + type);
        }
    }
    bool complete = changes.empty() && userVersion == schema_->version;
    for (const auto& e : schema_->entities)
        complete = complete && tables.count(rowTable(e)) && (!e.packed || tables.count(packedRecordsTable(e)));
    for (const auto& l : linkTables(*schema_))
        complete = complete && tables.count(l.name);
    if (!complete) {
        auto creates = createStatements(*schema_);
        // Tables first, then the added columns, then indexes (which may name added columns).
        std::vector<std::string> all;
        for (auto& s : creates)
            if (s.rfind("CREATE TABLE", 0) == 0)
                all.push_back(s);
        all.insert(all.end(), changes.begin(), changes.end());
        for (auto& s : creates)
            if (s.rfind("CREATE INDEX", 0) == 0)
                all.push_back(s);
        all.push_back("PRAGMA user_version = " + std::to_string(schema_->version));
        if (c->exec("BEGIN IMMEDIATE") != 0)
            return c->error("Cannot write the workspace file");
        for (const auto& s : all)
            if (c->exec(s) != 0) {
                Error e = c->error("Cannot create the workspace tables");
                c->exec("ROLLBACK");
                return e;
            }
        if (c->exec("COMMIT") != 0) {
            Error e = c->error("Cannot create the workspace tables");
            c->exec("ROLLBACK");
            return e;
        }
    }
    if (c->exec("PRAGMA journal_mode = DELETE") != 0)
        return c->error("Cannot set the journal mode");

    std::lock_guard lock(mutex_);
    stores_ = {path};
    ++generation_;
    return std::nullopt;
}

std::vector<Error> Coordinator::removeStores() {
    std::lock_guard lock(mutex_);
    if (!stores_.empty())
        ++generation_;
    stores_.clear();
    return {};
}

std::vector<std::string> Coordinator::stores() const {
    std::lock_guard lock(mutex_);
    return stores_;
}

std::optional<std::string> Coordinator::firstStore() const {
    std::lock_guard lock(mutex_);
    if (stores_.empty())
        return std::nullopt;
    return stores_.front();
}

void Coordinator::setSynchronous(bool on) {
    bool was = synchronous_.exchange(on);
    if (!on || was)
        return;
    // Commits made without sync may still sit in the page cache: write them out now.
    for (const auto& path : stores()) {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace store
