// Object context over one connection: the write transaction, the replayable change log, uniquing by
// row id with non-owning entries, fetches, counts and deletes with their relationship rules.
#include "platform/store/Context.h"

#include "platform/foundation/Log.h"
#include "platform/store/PackedTable.h"

#include <sqlite3.h>

#include <algorithm>

namespace store {

Context::Context(std::shared_ptr<Coordinator> coordinator) : coordinator_(std::move(coordinator)) {
    registry_.resize(schema().entities.size());
    changes_.resize(schema().entities.size());
}

Context::~Context() {
    detachAll();
    connection_.reset(); // rolls back what was not saved
}

bool Context::hasStore() {
    return connection() != nullptr;
}

Connection* Context::connection() {
    uint64_t g = coordinator_->generation();
    if (g == generation_)
        return connection_.get();
    // The coordinator's store changed: what this context held belongs to the old file.
    dropState();
    connection_.reset();
    appliedSync_ = -1;
    generation_ = g;
    auto path = coordinator_->firstStore();
    if (!path)
        return nullptr;
    Error error;
    connection_ = Connection::open(*path, false, error);
    if (!connection_)
        foundation::log("Cannot open a connection to the workspace: " + error.description() + ", " +
                        error.userInfo());
    return connection_.get();
}

void Context::dropState() {
    if (connection_ && connection_->inTransaction())
        connection_->exec("ROLLBACK");
    log_.clear();
    needsReplay_ = false;
    nextIds_.clear();
    detachAll();
}

void Context::detachAll() {
    ++resets_;
    for (auto& map : registry_) {
        map.forEach([](int64_t, ManagedObject* object) { object->context_ = nullptr; });
        map.clear();
    }
}

void Context::reset() {
    connection();
    dropState();
}

size_t Context::registeredObjectCount() const {
    size_t n = 0;
    for (const auto& map : registry_)
        n += map.size();
    return n;
}

bool Context::beginWrite() {
    if (connection_->inTransaction())
        return true;
    int sync = coordinator_->synchronous() ? 1 : 0;
    if (sync != appliedSync_ &&
        connection_->exec(sync ? "PRAGMA synchronous = FULL" : "PRAGMA synchronous = OFF") == 0)
        appliedSync_ = sync;
    // IMMEDIATE takes the write lock now (waiting for another writer to commit), so that a write can
    // never find itself in a lock cycle with a reader that wants to write too.
    return connection_->exec("BEGIN IMMEDIATE") == 0;
}

const std::string& Context::intern(const std::string& sql) {
    return *sqlTexts_.insert(sql).first;
}

bool Context::apply(const Change& change) {
    Error error;
    sqlite3_stmt* s = connection_->prepare(*change.sql, error);
    if (!s)
        return false;
    for (size_t i = 0; i < change.arguments.size(); ++i)
        Connection::bind(s, static_cast<int>(i + 1), change.arguments[i]);
    int rc = connection_->step(s);
    sqlite3_reset(s);
    return rc == SQLITE_DONE || rc == SQLITE_ROW;
}

bool Context::replay() {
    if (connection_->inTransaction())
        connection_->exec("ROLLBACK");
    if (!beginWrite())
        return false;
    for (const auto& c : log_)
        if (!apply(c))
            return false;
    needsReplay_ = false;
    return true;
}

int64_t Context::record(const std::string& sql, std::vector<Value> arguments) {
    log_.push_back({&intern(sql), std::move(arguments)});
    if (needsReplay_)
        return -1;
    // A failed statement (disk full, I/O error) stays in the log; the save replays it and reports.
    if (!beginWrite() || !apply(log_.back())) {
        needsReplay_ = true;
        return -1;
    }
    return sqlite3_changes64(connection_->handle());
}

int64_t Context::nextId(int entity) {
    auto it = nextIds_.find(entity);
    if (it != nextIds_.end())
        return it->second++;
    const Entity& e = schema().entities[static_cast<size_t>(entity)];
    int64_t next = 1;
    if (int64_t max = 0; e.packed && packedMaxId(connection_->handle(), e, max) == SQLITE_OK) {
        // Read from the records' runs of ids: a scan of the table would decode every object.
        next = max + 1;
    } else {
        Error error;
        next = asInt(connection_->scalar("SELECT max(\"id\") FROM " + quoted(e.name), error)).value_or(0) + 1;
    }
    nextIds_[entity] = next + 1;
    return next;
}

const std::string& Context::insertSql(int entity, const std::vector<int>& slots, size_t rows) {
    // The mask stands for the slots only when they come in increasing order, each below 64; other lists
    // (none today) get their text made again each time rather than another list's text.
    uint64_t mask = 0;
    bool exact = true;
    int previous = -1;
    for (int s : slots) {
        if (s <= previous || s >= 64)
            exact = false;
        else
            mask |= uint64_t(1) << s;
        previous = s;
    }
    const auto key = std::make_tuple(entity, mask, rows);
    if (exact)
        if (auto it = insertSql_.find(key); it != insertSql_.end())
            return *it->second;
    const Entity& e = schema().entities[static_cast<size_t>(entity)];
    std::string cols = "\"id\"", marks = "(?";
    for (int s : slots) {
        cols += ", " + quoted(e.slotName(s));
        marks += ", ?";
    }
    marks += ")";
    // OR FAIL: a statement of several rows that may stop at a taken id would otherwise keep a journal of
    // its own to undo its earlier rows. A failure is handled like any other (the save replays the log
    // from the start and reports), so keeping those rows in the open transaction changes nothing.
    std::string sql = std::string(rows == 1 ? "INSERT" : "INSERT OR FAIL") + " INTO " + quoted(e.name) +
                      " (" + cols + ") VALUES " + marks;
    for (size_t r = 1; r < rows; ++r)
        sql += ", " + marks;
    const std::string& text = intern(sql);
    if (exact)
        insertSql_.emplace(key, &text);
    return text;
}

bool Context::beginInsert(const char* noWorkspace) {
    if (!connection()) {
        foundation::log(noWorkspace);
        return false;
    }
    if (!needsReplay_ && !beginWrite())
        needsReplay_ = true;
    return true;
}

ObjectId Context::insertRow(int entity, const std::vector<int>& slots, std::vector<Value> values) {
    if (!beginInsert("No workspace is open: the new object is not stored"))
        return {};
    const std::string& sql = insertSql(entity, slots, 1);
    int64_t id = nextId(entity);
    std::vector<Value> arguments;
    arguments.reserve(values.size() + 1);
    arguments.emplace_back(std::in_place_type<int64_t>, id);
    for (auto& v : values)
        arguments.push_back(std::move(v));
    log_.push_back({&sql, std::move(arguments)});
    if (!needsReplay_ && !apply(log_.back()))
        needsReplay_ = true;
    changed(entity);
    return {entity, id};
}

void Context::insertRows(int entity, const std::vector<int>& slots, std::vector<Value> values) {
    const size_t width = slots.size();
    if (width == 0 || values.empty() || values.size() % width != 0)
        return;
    if (!beginInsert("No workspace is open: the new objects are not stored"))
        return;
    // Bounded statements: few bound values each, and few distinct texts to prepare.
    constexpr size_t rowsPerStatement = 64;
    const size_t rows = values.size() / width;
    for (size_t first = 0; first < rows; first += rowsPerStatement) {
        const size_t n = std::min(rowsPerStatement, rows - first);
        const std::string& sql = insertSql(entity, slots, n);
        std::vector<Value> arguments;
        arguments.reserve(n * (width + 1));
        for (size_t r = first; r < first + n; ++r) {
            arguments.emplace_back(std::in_place_type<int64_t>, nextId(entity));
            for (size_t k = 0; k < width; ++k)
                arguments.push_back(std::move(values[r * width + k]));
        }
        log_.push_back({&sql, std::move(arguments)});
        if (!needsReplay_ && !apply(log_.back()))
            needsReplay_ = true;
    }
    changed(entity);
}

int64_t Context::reserveIds(int entity, int64_t count) {
    if (!connection())
        return 0;
    const int64_t first = nextId(entity);
    nextIds_[entity] = first + std::max<int64_t>(count, 1);
    return first;
}

void Context::appendPacked(int entity, int64_t group, int64_t firstPosition, int64_t firstId, int64_t idStep,
                           const PackedTexts& texts) {
    if (texts.size() == 0)
        return;
    if (!beginInsert("No workspace is open: the new objects are not stored"))
        return;
    log_.push_back({&intern(packedAppendSql),
                    {Value(schema().entities[static_cast<size_t>(entity)].name), Value(group), Value(firstPosition),
                     Value(firstId), Value(idStep), Value(texts.bytes())}});
    if (!needsReplay_ && !apply(log_.back()))
        needsReplay_ = true;
    changed(entity);
}

std::shared_ptr<ManagedObject> Context::insertNewObject(std::string_view entityName) {
    int entity = schema().entityIndex(entityName);
    if (entity < 0)
        return nullptr;
    ObjectId id = insertRow(entity, {}, {});
    if (!id)
        return nullptr;
    const Entity& e = schema().entities[static_cast<size_t>(entity)];
    auto object = e.make ? e.make() : std::make_shared<ManagedObject>();
    object->entity_ = &e;
    object->entityIndex_ = entity;
    object->id_ = id.id;
    object->context_ = this;
    object->ensureSlots(static_cast<size_t>(e.slotCount()));
    registry_[static_cast<size_t>(entity)].put(id.id, object.get());
    return object;
}

bool Context::writable(const ManagedObject& object) {
    return connection() && object.context_ == this;
}

void Context::updateSlot(ManagedObject& object, int slot) {
    const Entity& e = object.entity();
    const std::string sql =
        "UPDATE " + quoted(e.name) + " SET " + quoted(e.slotName(slot)) + " = ? WHERE \"id\" = ?";
    std::vector<Value> arguments{object.values_[static_cast<size_t>(slot)], Value(object.id_)};
    switch (e.packed && !needsReplay_ ? updatePackedInPlace(object, slot, sql, arguments) : InPlace::kNotTried) {
    case InPlace::kDone:
        log_.push_back({&intern(sql), std::move(arguments)});
        break;
    case InPlace::kFailed:
        // As for any failed statement: the log keeps it and the save replays the log and reports.
        log_.push_back({&intern(sql), std::move(arguments)});
        needsReplay_ = true;
        break;
    case InPlace::kNotTried:
        record(sql, std::move(arguments));
        break;
    }
    changed(object.entityIndex_);
}

Context::InPlace Context::updatePackedInPlace(const ManagedObject& object, int slot, const std::string& sql,
                                  const std::vector<Value>& arguments) {
    // A packed object is found from its id alone only by searching its group's records one by one; the
    // group and position it holds name its record at once. They may be out of date (another context
    // moved it): the update then changes nothing and the caller makes it by id (kNotTried). The log keeps the
    // update by id, which a replay can always make.
    const Entity& e = object.entity();
    const int group = e.slot(e.packed->group), position = e.slot(e.packed->position);
    if (slot == group || slot == position || group < 0 || position < 0)
        return InPlace::kNotTried;
    const auto key = asInt(object.values_[static_cast<size_t>(group)]);
    const auto at = asInt(object.values_[static_cast<size_t>(position)]);
    if (!key || !at)
        return InPlace::kNotTried;
    if (!beginWrite())
        return InPlace::kFailed;
    const std::string& narrowed =
        intern(sql + " AND " + quoted(e.packed->group) + " = ? AND " + quoted(e.packed->position) + " = ?");
    std::vector<Value> narrowedArguments = arguments;
    narrowedArguments.emplace_back(*key);
    narrowedArguments.emplace_back(*at);
    if (!apply({&narrowed, std::move(narrowedArguments)}))
        return InPlace::kFailed;
    return sqlite3_changes64(connection_->handle()) == 1 ? InPlace::kDone : InPlace::kNotTried;
}

void Context::unregister(ManagedObject* object) {
    registry_[static_cast<size_t>(object->entityIndex_)].erase(object->id_, object);
}

std::string Context::selectColumns(const Entity& e) const {
    std::string cols = "\"id\"";
    for (int s = 0; s < e.slotCount(); ++s)
        cols += ", " + quoted(e.slotName(s));
    return cols;
}

std::string Context::whereOrder(const FetchRequest& request, const Entity& e) const {
    std::string sql;
    if (!request.predicate.empty())
        sql += " WHERE " + request.predicate;
    std::string order;
    for (const auto& d : request.sortDescriptors) {
        if (d.key != "id" && e.slot(d.key) < 0) {
            foundation::log("Unknown sort key " + d.key + " of " + e.name);
            continue;
        }
        order += (order.empty() ? " ORDER BY " : ", ") + quoted(d.key) + (d.ascending ? " ASC" : " DESC");
    }
    sql += order;
    if (request.fetchLimit > 0)
        sql += " LIMIT " + std::to_string(request.fetchLimit);
    return sql;
}

std::shared_ptr<ManagedObject> Context::liveObject(int entity, int64_t id) {
    const Entity& e = schema().entities[static_cast<size_t>(entity)];
    auto& map = registry_[static_cast<size_t>(entity)];
    std::shared_ptr<ManagedObject> object;
    if (ManagedObject* live = map.find(id))
        object = live->weak_from_this().lock(); // empty while that object is being destroyed
    if (!object) {
        object = e.make ? e.make() : std::make_shared<ManagedObject>();
        object->entity_ = &e;
        object->entityIndex_ = entity;
        object->id_ = id;
        object->context_ = this;
        object->ensureSlots(static_cast<size_t>(e.slotCount()));
        map.put(id, object.get());
    }
    return object;
}

std::shared_ptr<ManagedObject> Context::objectWithValues(int entity, int64_t id, std::vector<Value> values) {
    auto object = liveObject(entity, id);
    for (size_t s = 0; s < values.size() && s < object->values_.size(); ++s)
        object->values_[s] = std::move(values[s]);
    return object;
}

std::shared_ptr<ManagedObject> Context::detachedObject(int entity, int64_t id, std::vector<Value> values,
                                                       bool deleted) const {
    const Entity& e = schema().entities[static_cast<size_t>(entity)];
    auto object = e.make ? e.make() : std::make_shared<ManagedObject>();
    object->entity_ = &e;
    object->entityIndex_ = entity;
    object->id_ = id;
    object->deleted_ = deleted;
    object->ensureSlots(static_cast<size_t>(e.slotCount()));
    for (size_t s = 0; s < values.size() && s < object->values_.size(); ++s)
        object->values_[s] = std::move(values[s]);
    return object;
}

Context::ReadMark Context::readMark(int entity) {
    ReadMark mark;
    // Taken before the file is asked: a commit in between makes the next check ask again.
    mark.commits = Connection::commitsInProcess();
    Connection* c = connection();
    mark.generation = generation_;
    mark.resets = resets_;
    if (entity >= 0 && static_cast<size_t>(entity) < changes_.size())
        mark.changes = changes_[static_cast<size_t>(entity)];
    if (c) {
        Error error;
        mark.dataVersion = asInt(c->scalar("PRAGMA data_version", error)).value_or(-1);
    }
    return mark;
}

bool Context::readMarkStands(int entity, ReadMark& mark) {
    const uint64_t changes =
        entity >= 0 && static_cast<size_t>(entity) < changes_.size() ? changes_[static_cast<size_t>(entity)] : 0;
    if (mark.commits == Connection::commitsInProcess() && mark.generation == generation_ && mark.resets == resets_ &&
        mark.changes == changes)
        return true;
    const ReadMark now = readMark(entity);
    if (!(now == mark))
        return false;
    mark.commits = now.commits;
    return true;
}

std::shared_ptr<ManagedObject> Context::materialize(int entity, sqlite3_stmt* statement) {
    const Entity& e = schema().entities[static_cast<size_t>(entity)];
    auto object = liveObject(entity, sqlite3_column_int64(statement, 0));
    // The row is at least as new as the object: this context's own changes are already in it.
    for (int s = 0; s < e.slotCount(); ++s)
        Connection::columnInto(statement, s + 1, object->values_[static_cast<size_t>(s)]);
    return object;
}

std::vector<std::shared_ptr<ManagedObject>> Context::executeFetchRequest(const FetchRequest& request) {
    std::vector<std::shared_ptr<ManagedObject>> out;
    fetchEach(request, [&](std::shared_ptr<ManagedObject>&& o) { out.push_back(std::move(o)); });
    return out;
}

std::optional<Error> Context::fetchEach(const FetchRequest& request,
                                        const std::function<void(std::shared_ptr<ManagedObject>&&)>& each) {
    int entity = schema().entityIndex(request.entity);
    if (entity < 0)
        return Error{SQLITE_ERROR, "No entity named " + request.entity, coordinator_->firstStore().value_or(""), {}};
    if (!connection())
        return Error{Error::noStore, "No workspace is open", {}, {}};
    const Entity& e = schema().entities[static_cast<size_t>(entity)];
    Error error;
    sqlite3_stmt* s = connection_->prepare(
        "SELECT " + selectColumns(e) + " FROM " + quoted(e.name) + whereOrder(request, e), error);
    if (!s) {
        foundation::log("Fetch failed: " + error.description() + ", " + error.userInfo());
        return error;
    }
    for (size_t i = 0; i < request.arguments.size(); ++i)
        Connection::bind(s, static_cast<int>(i + 1), request.arguments[i]);
    int rc;
    while ((rc = connection_->step(s)) == SQLITE_ROW)
        each(materialize(entity, s));
    std::optional<Error> failed;
    if (rc != SQLITE_DONE) {
        failed = connection_->error("Fetch failed");
        foundation::log("Fetch failed: " + failed->description() + ", " + failed->userInfo());
    }
    sqlite3_reset(s);
    return failed;
}

int64_t Context::countForFetchRequest(const FetchRequest& request) {
    auto values = fetchValues(request, "count(*)", false);
    return values.empty() ? 0 : asInt(values.front()).value_or(0);
}

std::vector<Value> Context::fetchValues(const FetchRequest& request, std::string_view column, bool distinct) {
    std::vector<Value> out;
    const Entity* e = schema().entity(request.entity);
    if (!e || !connection())
        return out;
    std::string col = column == "count(*)" ? std::string(column) : quoted(column);
    Error error;
    sqlite3_stmt* s = connection_->prepare(std::string("SELECT ") + (distinct ? "DISTINCT " : "") + col +
                                               " FROM " + quoted(e->name) + whereOrder(request, *e),
                                           error);
    if (!s) {
        foundation::log("Fetch failed: " + error.description() + ", " + error.userInfo());
        return out;
    }
    for (size_t i = 0; i < request.arguments.size(); ++i)
        Connection::bind(s, static_cast<int>(i + 1), request.arguments[i]);
    while (connection_->step(s) == SQLITE_ROW)
        out.push_back(Connection::column(s, 0));
    sqlite3_reset(s);
    return out;
}

std::optional<int64_t> ScannedRow::integer(int column) const {
    switch (sqlite3_column_type(statement_, column)) {
    case SQLITE_INTEGER:
        return sqlite3_column_int64(statement_, column);
    case SQLITE_FLOAT: {
        const double d = sqlite3_column_double(statement_, column);
        // Whole numbers only, and within range (the cast would be undefined beyond it).
        if (d >= -9.2e18 && d <= 9.2e18 && d == static_cast<double>(static_cast<int64_t>(d)))
            return static_cast<int64_t>(d);
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<std::string_view> ScannedRow::text(int column) const {
    const int type = sqlite3_column_type(statement_, column);
    if (type != SQLITE_TEXT && type != SQLITE_BLOB)
        return std::nullopt;
    auto* p = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    auto n = static_cast<size_t>(sqlite3_column_bytes(statement_, column));
    return p ? std::string_view(p, n) : std::string_view();
}

void Context::scanRows(const FetchRequest& request, const std::vector<std::string_view>& columns,
                       const std::function<void(const ScannedRow&)>& each) {
    const Entity* e = schema().entity(request.entity);
    if (!e || columns.empty() || !connection())
        return;
    std::string cols;
    for (auto column : columns)
        cols += (cols.empty() ? "" : ", ") + quoted(column);
    Error error;
    sqlite3_stmt* s = connection_->prepare(
        "SELECT " + cols + " FROM " + quoted(e->name) + " NOT INDEXED" + whereOrder(request, *e), error);
    if (!s) {
        foundation::log("Fetch failed: " + error.description() + ", " + error.userInfo());
        return;
    }
    for (size_t i = 0; i < request.arguments.size(); ++i)
        Connection::bind(s, static_cast<int>(i + 1), request.arguments[i]);
    const ScannedRow row(s);
    int rc;
    while ((rc = connection_->step(s)) == SQLITE_ROW)
        each(row);
    if (rc != SQLITE_DONE)
        foundation::log("Fetch failed: " + connection_->error("").description() + ", " +
                        connection_->error("").userInfo());
    sqlite3_reset(s);
}

namespace {

// Whether a read of packed records handed out everything; a failure is logged.
bool completeRead(const Entity& e, const PackedGroupRead& read) {
    if (read.rc != SQLITE_OK)
        foundation::log("Fetch failed: the records of " + e.name + " cannot be read (" + sqlite3_errstr(read.rc) + ")");
    return read.complete;
}

} // namespace

bool Context::readPackedGroup(std::string_view entityName, int64_t group,
                              const std::function<void(int64_t, std::optional<std::string_view>)>& each) {
    const Entity* e = schema().entity(entityName);
    if (!e || !e->packed || !connection())
        return false;
    const PackedGroupRead read = store::readPackedGroup(connection_->handle(), *e, group, each);
    return completeRead(*e, read);
}

bool Context::readPackedGroupTexts(std::string_view entityName, int64_t group, bool withPositions,
                                   PackedGroupTexts& out) {
    out.clear();
    const Entity* e = schema().entity(entityName);
    if (!e || !e->packed || !connection())
        return false;
    const PackedGroupRead read = store::readPackedGroupTexts(connection_->handle(), *e, group, withPositions, out);
    return completeRead(*e, read);
}

bool Context::readPackedRun(std::string_view entityName, int64_t position,
                            const std::function<void(int64_t, const std::vector<PackedCell>&)>& each) {
    const Entity* e = schema().entity(entityName);
    if (!e || !e->packed || !connection())
        return false;
    const PackedGroupRead read = store::readPackedRun(connection_->handle(), *e, position, each);
    return completeRead(*e, read);
}

bool Context::readPackedRows(std::string_view entityName, const std::vector<int64_t>* positions, size_t limit,
                             PackedRows& out, const PackedBounds& bounds) {
    out.clear();
    const Entity* e = schema().entity(entityName);
    if (!e || !e->packed || !connection())
        return false;
    return completeRead(*e, store::readPackedRows(connection_->handle(), *e, positions, limit, out, bounds));
}

std::shared_ptr<ManagedObject> Context::existingObjectWithID(ObjectId id) {
    if (!id || static_cast<size_t>(id.entity) >= schema().entities.size())
        return nullptr;
    if (ManagedObject* live = registry_[static_cast<size_t>(id.entity)].find(id.id))
        if (auto object = live->weak_from_this().lock())
            return object;
    FetchRequest r;
    r.entity = schema().entities[static_cast<size_t>(id.entity)].name;
    r.predicate = "\"id\" = ?";
    r.arguments = {Value(id.id)};
    auto found = executeFetchRequest(r);
    return found.empty() ? nullptr : found.front();
}

void Context::refreshLive(int entity) {
    auto& map = registry_[static_cast<size_t>(entity)];
    if (map.empty())
        return;
    const Entity& e = schema().entities[static_cast<size_t>(entity)];
    Error error;
    sqlite3_stmt* s = connection_->prepare(
        "SELECT " + selectColumns(e) + " FROM " + quoted(e.name) + " WHERE \"id\" = ?", error);
    if (!s)
        return;
    std::vector<ManagedObject*> gone;
    map.forEach([&](int64_t id, ManagedObject* object) {
        sqlite3_reset(s);
        sqlite3_bind_int64(s, 1, id);
        if (connection_->step(s) == SQLITE_ROW) {
            for (int k = 0; k < e.slotCount(); ++k)
                Connection::columnInto(s, k + 1, object->values_[static_cast<size_t>(k)]);
        } else {
            gone.push_back(object);
        }
    });
    sqlite3_reset(s);
    for (auto* object : gone) {
        map.erase(object->id_, object);
        object->deleted_ = true;
        object->context_ = nullptr;
    }
}

void Context::cascadeFrom(const Entity& deleted, std::vector<int>& touched) {
    const auto& entities = schema().entities;
    std::string orphan = " NOT IN (SELECT \"id\" FROM " + quoted(deleted.name) + ")";
    for (size_t k = 0; k < entities.size(); ++k) {
        const Entity& other = entities[k];
        for (const auto& r : other.toOne) {
            if (r.target != deleted.name)
                continue;
            std::string cond = " WHERE " + quoted(r.name) + " IS NOT NULL AND " + quoted(r.name) + orphan;
            // Live objects are re-read only where a rule changed rows: deleting cells one by one
            // must not re-read every cell that a caller holds.
            if (r.onTargetDelete == DeleteRule::Cascade) {
                if (record("DELETE FROM " + quoted(other.name) + cond, {}) != 0) {
                    touched.push_back(static_cast<int>(k));
                    cascadeFrom(other, touched);
                }
            } else if (record("UPDATE " + quoted(other.name) + " SET " + quoted(r.name) + " = NULL" + cond,
                              {}) != 0) {
                touched.push_back(static_cast<int>(k));
            }
        }
    }
    for (const auto& r : deleted.toMany)
        if (!r.linkTable.empty())
            record("DELETE FROM " + quoted(r.linkTable) + " WHERE " + quoted(deleted.name) + orphan, {});
}

void Context::deleteObjects(std::string_view entityName, const std::string& predicate,
                            std::vector<Value> arguments) {
    int entity = schema().entityIndex(entityName);
    if (entity < 0 || !connection())
        return;
    const Entity& e = schema().entities[static_cast<size_t>(entity)];
    std::vector<int> touched;
    if (record("DELETE FROM " + quoted(e.name) + (predicate.empty() ? "" : " WHERE " + predicate),
               std::move(arguments)) != 0) {
        touched.push_back(entity);
        cascadeFrom(e, touched);
    }
    refreshTouched(std::move(touched));
}

int Context::addChangeObserver(std::string_view entity, ChangeObserver observer) {
    const int index = schema().entityIndex(entity);
    if (index < 0 || !observer)
        return 0;
    observers_.push_back({nextObserverId_, index, std::move(observer)});
    return nextObserverId_++;
}

void Context::removeChangeObserver(int id) {
    std::erase_if(observers_, [id](const Observer& o) { return o.id == id; });
}

void Context::changed(int entity) {
    if (entity >= 0 && static_cast<size_t>(entity) < changes_.size())
        ++changes_[static_cast<size_t>(entity)];
    if (observers_.empty())
        return;
    // A copy: an observer may remove itself or add another.
    auto observers = observers_;
    for (const auto& o : observers)
        if (o.entity == entity)
            o.observer();
}

void Context::deleteObject(ManagedObject& object) {
    if (object.context_ != this || !writable(object))
        return;
    const Entity& e = object.entity();
    record("DELETE FROM " + quoted(e.name) + " WHERE \"id\" = ?", {Value(object.id_)});
    const int entity = object.entityIndex_;
    registry_[static_cast<size_t>(entity)].erase(object.id_, &object);
    object.deleted_ = true;
    object.context_ = nullptr;
    changed(entity);
    std::vector<int> touched;
    cascadeFrom(e, touched);
    refreshTouched(std::move(touched));
}

void Context::refreshTouched(std::vector<int> touched) {
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    for (int k : touched)
        refreshLive(k);
    for (int k : touched)
        changed(k);
}

void Context::executeChange(std::string_view entityName, const std::string& sql,
                            std::vector<Value> arguments) {
    int entity = schema().entityIndex(entityName);
    if (entity < 0 || !connection())
        return;
    record(sql, std::move(arguments));
    refreshLive(entity);
    changed(entity);
}

std::optional<Error> Context::save() {
    if (!connection()) {
        if (log_.empty())
            return std::nullopt;
        return Error{Error::noStore, "No workspace is open", {}, {}};
    }
    if (log_.empty())
        return std::nullopt;
    if (needsReplay_ && !replay()) {
        Error e = connection_->error("Cannot save the workspace");
        if (connection_->inTransaction())
            connection_->exec("ROLLBACK");
        needsReplay_ = true;
        return e;
    }
    if (connection_->exec("COMMIT") != 0) {
        Error e = connection_->error("Cannot save the workspace");
        if (connection_->inTransaction())
            connection_->exec("ROLLBACK");
        needsReplay_ = true;
        // Put the unsaved changes back in the transaction, so this context keeps seeing them.
        if (!replay() && connection_->inTransaction())
            connection_->exec("ROLLBACK");
        return e;
    }
    log_.clear();
    nextIds_.clear();
    return std::nullopt;
}

std::optional<Error> Context::execute(std::string_view sql) {
    if (!connection())
        return Error{Error::noStore, "No workspace is open", {}, {}};
    if (connection_->exec(sql) != 0)
        return connection_->error("Statement failed");
    return std::nullopt;
}

} // namespace store
