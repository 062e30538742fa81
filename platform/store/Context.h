// An object context: one SQLite connection to the coordinator's store. Its unsaved changes are its open
// write transaction, so its own fetches and counts see them; save() commits. Every change is also kept
// in a log until it is saved, so that a save that failed (and was rolled back) can be replayed later.
#pragma once

#include "platform/store/Connection.h"
#include "platform/store/Coordinator.h"
#include "platform/store/IdMap.h"
#include "platform/store/ManagedObject.h"
#include "platform/store/PackedTable.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace store {

struct SortDescriptor {
    std::string key; // an attribute name of the fetched entity
    bool ascending = true;
};

// What to fetch: an entity, an SQL condition over its quoted column names with ? placeholders, and
// sort keys. A set of integers is best passed as one JSON array: "rowNum IN (SELECT value FROM
// json_each(?))".
struct FetchRequest {
    std::string entity;
    std::string predicate;
    std::vector<Value> arguments;
    std::vector<SortDescriptor> sortDescriptors;
    int64_t fetchLimit = 0; // 0: no limit
};

// A row of Context::scanRows: the asked-for columns by position, valid during the callback only.
class ScannedRow {
  public:
    explicit ScannedRow(sqlite3_stmt* statement) : statement_(statement) {}
    // An integer, or a double that is a whole number; nothing for other doubles, null or text.
    std::optional<int64_t> integer(int column) const;
    // A text or blob's bytes; nothing for null or a number.
    std::optional<std::string_view> text(int column) const;

  private:
    sqlite3_stmt* statement_;
};

class Context {
  public:
    explicit Context(std::shared_ptr<Coordinator> coordinator);
    ~Context(); // unsaved changes are dropped; held objects are detached
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    const std::shared_ptr<Coordinator>& persistentStoreCoordinator() const { return coordinator_; }
    const Schema& schema() const { return coordinator_->managedObjectModel(); }
    bool hasStore();

    // Inserting. insertNewObject gives a live object; insertRow only writes the row (the bulk path of an
    // import, where nobody holds the new objects), with the given slots set and the others null.
    std::shared_ptr<ManagedObject> insertNewObject(std::string_view entity);
    template <class T> std::shared_ptr<T> insertNewObject() {
        return std::static_pointer_cast<T>(insertNewObject(T::entityName));
    }
    ObjectId insertRow(int entity, const std::vector<int>& slots, std::vector<Value> values);
    // The same for several rows at once, their values one row after another (values.size() a multiple
    // of slots.size()); the rows get consecutive ids. Fewer statements: for an import's rows of cells.
    void insertRows(int entity, const std::vector<int>& slots, std::vector<Value> values);
    // Objects of a packed entity (see PackedTable.h) at consecutive positions of one group from
    // firstPosition, with ids firstId, firstId + idStep, ... (reserved by reserveIds), their values
    // the texts: written as whole records, one change kept with the unsaved changes.
    void appendPacked(int entity, int64_t group, int64_t firstPosition, int64_t firstId, int64_t idStep,
                      const PackedTexts& texts);
    // Reserves the entity's next count ids for the caller's inserts, as that many inserts one after
    // another would take them; the first (0 when no workspace is open).
    int64_t reserveIds(int entity, int64_t count);

    // Deleting, with the delete rules of the relationships that point at the deleted rows.
    void deleteObject(ManagedObject& object);
    void deleteObjects(std::string_view entity, const std::string& predicate = {},
                       std::vector<Value> arguments = {});
    // A set-based change of the caller's (UPDATE ... / DELETE ...) on one entity's table, kept with
    // the unsaved changes; live objects of that entity are refreshed afterwards.
    void executeChange(std::string_view entity, const std::string& sql, std::vector<Value> arguments = {});

    // Reading; a busy lock is waited out, so an empty answer means no match.
    std::vector<std::shared_ptr<ManagedObject>> executeFetchRequest(const FetchRequest& request);
    template <class T> std::vector<std::shared_ptr<T>> fetch(FetchRequest request) {
        request.entity = T::entityName;
        std::vector<std::shared_ptr<T>> out;
        fetchEach(request, [&](std::shared_ptr<ManagedObject>&& o) {
            out.push_back(std::static_pointer_cast<T>(std::move(o)));
        });
        return out;
    }
    // The store's error when the fetch could not run or stopped part-way (also logged); the objects
    // met before a failure have been handed out.
    std::optional<Error> fetchEach(const FetchRequest& request,
                                   const std::function<void(std::shared_ptr<ManagedObject>&&)>& each);
    int64_t countForFetchRequest(const FetchRequest& request);
    // One column of the matching rows, without making objects (DISTINCT when asked).
    std::vector<Value> fetchValues(const FetchRequest& request, std::string_view column, bool distinct);
    // Some columns of the matching rows in storage order, read in one pass over the table without an
    // index and without making objects or values: for reading much of a table at once, where an index
    // would cost a seek per row.
    void scanRows(const FetchRequest& request, const std::vector<std::string_view>& columns,
                  const std::function<void(const ScannedRow&)>& each);
    // The objects of one group of a packed entity (see PackedTable.h) in position order, read straight
    // from its records: no SQL row, value or object per object; this context's unsaved changes are
    // seen. False, with nothing handed out, when the group has objects kept loose, no store is open or
    // the records cannot be read: read the group through a fetch then.
    bool readPackedGroup(std::string_view entity, int64_t group,
                         const std::function<void(int64_t position, std::optional<std::string_view> text)>& each);
    // The same read gathered into `out` for a pass over the whole group (see PackedGroupTexts): the
    // texts in position order, their positions and null values too when asked. False as above, `out`
    // then empty.
    bool readPackedGroupTexts(std::string_view entity, int64_t group, bool withPositions, PackedGroupTexts& out);
    // The objects of every group at the run of positions holding `position` (see PackedTable.h), group
    // by group in group order, each group's (position, text) in position order, texts nullopt for null;
    // the texts hold during the call only, which must not use this context. False, with nothing handed
    // out, as for readPackedGroup (objects kept loose at those positions among the reasons).
    bool readPackedRun(std::string_view entity, int64_t position,
                       const std::function<void(int64_t group, const std::vector<PackedCell>& cells)>& each);
    // The objects of a packed entity in (position, group) order, every one or only those at the given
    // positions (sorted, without repeats), within `bounds`, at most `limit` (0: no limit): what a fetch sorted by
    // position then group reads, straight from the records (see store::readPackedRows), with no SQL
    // row, value or object per object. False, `out` then empty, when objects kept loose could be
    // among them, no store is open or the records cannot be read: fetch them then.
    bool readPackedRows(std::string_view entity, const std::vector<int64_t>* positions, size_t limit,
                        PackedRows& out, const PackedBounds& bounds = {});
    // What this context's reads of an entity's objects may show: a mark taken after a read stays equal
    // while nothing could have changed them since (a change this context records to the entity, a
    // reset, a change of store, another connection's commit).
    struct ReadMark {
        uint64_t generation = 0, resets = 0, changes = 0;
        int64_t dataVersion = -1;
        // The commits of this process's connections when the mark was taken or last confirmed.
        uint64_t commits = 0;
        bool operator==(const ReadMark& o) const {
            return generation == o.generation && resets == o.resets && changes == o.changes &&
                   dataVersion == o.dataVersion;
        }
    };
    ReadMark readMark(int entity);
    // Whether `mark` still holds, as comparing it with a new mark tells; without asking the file while
    // no connection of this process has committed since the mark was taken or last confirmed (which
    // confirming then records in it).
    bool readMarkStands(int entity, ReadMark& mark);
    // The object of a row read with these values (slot by slot) while its mark still holds: the live
    // object, given these values, or a new one registered as live.
    std::shared_ptr<ManagedObject> objectWithValues(int entity, int64_t id, std::vector<Value> values);
    // An object in no context, its values kept for reading: one of a row that is gone from the store
    // (deleted), or one read from a store that is no longer open.
    std::shared_ptr<ManagedObject> detachedObject(int entity, int64_t id, std::vector<Value> values,
                                                  bool deleted) const;
    std::shared_ptr<ManagedObject> existingObjectWithID(ObjectId id);
    template <class T> std::shared_ptr<T> existingObject(ObjectId id) {
        if (id.entity != schema().entityIndex(T::entityName))
            return nullptr;
        return std::static_pointer_cast<T>(existingObjectWithID(id));
    }

    // Observers of the changes this context records (inserts, updates, deletes, cascades), by entity,
    // called on the context's thread right after each change; a reset or a save records none.
    using ChangeObserver = std::function<void()>;
    int addChangeObserver(std::string_view entity, ChangeObserver observer);
    void removeChangeObserver(int id);

    bool hasChanges() const { return !log_.empty(); }
    std::optional<Error> save();
    // Drops the unsaved changes and forgets every object; objects still held elsewhere are detached.
    void reset();
    // Runs a statement outside the change log (a PRAGMA of this connection, say); for tests and tools.
    std::optional<Error> execute(std::string_view sql);
    size_t registeredObjectCount() const;

  private:
    friend class ManagedObject;
    struct Change {
        const std::string* sql;
        std::vector<Value> arguments;
    };

    Connection* connection();
    void dropState();
    void detachAll();
    bool beginWrite();
    // False, saying why in the log, when no workspace is open; else the write is begun, or left to the
    // replay when it cannot begin.
    bool beginInsert(const char* noWorkspace);
    bool apply(const Change& change);
    bool replay();
    // Logs and applies one change; the number of rows it changed (-1 when it could not be applied now).
    int64_t record(const std::string& sql, std::vector<Value> arguments);
    // Makes an attribute change of a packed object through its group and position: done, failed (an
    // error, as a failed statement of the log), or not made (nothing was changed).
    enum class InPlace { kDone, kFailed, kNotTried };
    InPlace updatePackedInPlace(const ManagedObject& object, int slot, const std::string& sql,
                             const std::vector<Value>& arguments);
    const std::string& intern(const std::string& sql);
    int64_t nextId(int entity);
    // The cached INSERT text of the given slots for that many rows.
    const std::string& insertSql(int entity, const std::vector<int>& slots, size_t rows);
    std::string selectColumns(const Entity& e) const;
    std::string whereOrder(const FetchRequest& request, const Entity& e) const;
    std::shared_ptr<ManagedObject> materialize(int entity, sqlite3_stmt* statement);
    // The live object of the row, or a new one registered; its values are the caller's to set.
    std::shared_ptr<ManagedObject> liveObject(int entity, int64_t id);
    void refreshLive(int entity);
    void cascadeFrom(const Entity& deleted, std::vector<int>& touched);
    void refreshTouched(std::vector<int> touched);
    void changed(int entity);

    // Whether the object may be written now: its context still has its store (a store change detaches it).
    bool writable(const ManagedObject& object);
    void updateSlot(ManagedObject& object, int slot);
    void unregister(ManagedObject* object);

    std::shared_ptr<Coordinator> coordinator_;
    std::unique_ptr<Connection> connection_;
    uint64_t generation_ = 0;
    int appliedSync_ = -1;
    std::vector<Change> log_;
    bool needsReplay_ = false; // the log holds changes that the open transaction does not
    std::unordered_set<std::string> sqlTexts_;
    std::unordered_map<int, int64_t> nextIds_;
    // By entity, the mask of the slots set and the row count.
    std::map<std::tuple<int, uint64_t, size_t>, const std::string*> insertSql_;
    std::vector<IdMap> registry_;
    std::vector<uint64_t> changes_; // by entity, the changes recorded
    uint64_t resets_ = 0;
    struct Observer {
        int id;
        int entity;
        ChangeObserver observer;
    };
    std::vector<Observer> observers_;
    int nextObserverId_ = 1;
};

} // namespace store
