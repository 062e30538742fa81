// Packed entities: the objects of an entity declared with a Packing are kept by group in records of
// consecutive positions, and shown to SQL under the entity's own name as a table of one row per object.
//
// An import writes whole records through packed_append (below) instead of one object at a time.
//
// File format (two tables per packed entity E, with group attribute G and position attribute P):
//
//   "ERecords" ("key" INTEGER, "first" INTEGER, "ids" BLOB, "texts" BLOB,
//               PRIMARY KEY ("key", "first")) WITHOUT ROWID, indexed also by ("first", "key")
//     One record per group value `key` and run of positions [first, first + runLength), where first is
//     a multiple of runLength. Only positions that hold an object are present; a record holding none
//     is deleted.
//     "ids": the occupied positions and the objects' ids, as runs. Each run is four unsigned LEB128
//       varints: the gap from the end of the previous run (or from first) to the run's first
//       position, the run's length n (at least 1), its first id, and the zigzag-coded step between
//       the ids of consecutive positions. The run covers positions p..p+n-1 with ids id, id+step, ...
//     "texts": for each occupied position in increasing order, a varint v followed by v-1 bytes of
//       UTF-8 text; v = 0 is a null value.
//   "ELoose": the ordinary table of the entity ("id" INTEGER PRIMARY KEY and every attribute and
//     to-one column), for the objects that cannot be packed: a null or negative group or position,
//     a value that is not a text, any other attribute or link set, a second object at a taken
//     position. Indexes declared on the entity are made on this table.
//
// Every SQLite connection of this process (the store's own and any other opened through SQLite here)
// sees E as a table (an eponymous virtual table) with the entity's columns: SELECT, INSERT, UPDATE and
// DELETE work on it as on the ordinary table, within the connection's transaction. A connection's
// changes to records are kept decoded until its next read of E or its commit, then written back whole.
// Records a connection reads stay decoded (within a bound) until the file may have changed: another
// connection's commit, a write of this connection, the end of the write transaction they were read
// in (a rollback, seen through the connection's rollback hook, which the packed tables take). A read
// asks the records of the runs of positions (or the groups) it needs, and finds its positions in them
// by search.
#pragma once

#include "platform/store/Schema.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace store {

std::string packedRecordsTable(const Entity& entity);
std::string packedLooseTable(const Entity& entity);

// Makes the packed entities of the schema tables of every SQLite connection opened afterwards in
// this process (an entity name is registered once; the first registration's shape holds).
void registerPackedEntities(const Schema& schema);

// Writes the changes this connection holds decoded for packed entities into their records.
// SQLite's error code (SQLITE_OK when nothing failed).
int flushPackedRecords(sqlite3* db);

// The largest id among the packed entity's objects as this connection sees them (its unsaved changes
// included), from the records' runs of ids without decoding their objects; 0 when there are none.
// SQLite's error code.
int packedMaxId(sqlite3* db, const Entity& entity, int64_t& out);

// Packs the rows of the ordinary table `source`.E (whose columns are `present`) into main's records
// and loose table of the packed entity E. SQLite's error code, with a message on failure.
int packTable(sqlite3* db, const Entity& entity, const std::string& source, const std::set<std::string>& present,
              std::string& message);

// One record as the format above describes it, for writing whole records (an import, a conversion)
// and for reading a group without going through SQL rows.
class PackedRecordWriter {
  public:
    void clear();
    // Adds an object at a position relative to the record's first; positions must increase.
    void add(int64_t position, int64_t id, const std::string_view* text);
    bool empty() const { return count_ == 0; }
    std::string ids() const;
    const std::string& texts() const { return texts_; }

  private:
    struct Run {
        int64_t position, count, id, step;
    };
    std::vector<Run> runs_;
    std::string texts_;
    size_t count_ = 0;
};

struct PackedCell {
    int64_t position;
    int64_t id;
    bool null;
    std::string_view text; // into the record's texts
};

// Decodes a record's ids and texts into its cells in position order (texts may be empty to decode
// the ids alone, every text then empty). False when the blobs are not a valid record.
bool decodePackedRecord(int64_t first, std::string_view ids, std::string_view texts,
                        std::vector<PackedCell>& out);

void appendVarint(std::string& out, uint64_t v);

// The texts of objects at consecutive positions, in the form of a record's "texts", gathered for
// Context::appendPacked.
class PackedTexts {
  public:
    void add(std::string_view text) {
        appendVarint(bytes_, text.size() + 1);
        bytes_.append(text);
        ++count_;
    }
    void addNull() {
        appendVarint(bytes_, 0);
        ++count_;
    }
    size_t size() const { return count_; }
    const std::string& bytes() const { return bytes_; }
    void clear() {
        bytes_.clear();
        count_ = 0;
    }

  private:
    std::string bytes_;
    size_t count_ = 0;
};

// The SQL function packed_append(entity, key, firstPosition, firstId, idStep, texts), on every
// connection that has the packed tables: objects of the packed entity at the consecutive positions
// firstPosition, firstPosition + 1, ... of group key, with ids firstId, firstId + idStep, ..., their
// texts a PackedTexts' bytes. Each record they fall in is read and written once, merged with the
// objects it holds; an object whose position is taken is kept loose. Answers the number of objects.
inline constexpr const char* packedAppendSql = "SELECT packed_append(?, ?, ?, ?, ?, ?)";

// The objects of one group of the packed entity in position order, read straight from its records
// on this connection (its changes written back first, so its open transaction is seen): `each`
// gets every object's position and text (nullopt for a null value). Nothing is handed out, and the
// answer is false, when the group has objects kept loose (to be read through SQL then) or a record
// cannot be read; SQLite's error code is then in `rc` (SQLITE_OK for loose objects).
struct PackedGroupRead {
    bool complete = false;
    int rc = 0;
};
PackedGroupRead readPackedGroup(sqlite3* db, const Entity& entity, int64_t group,
                                const std::function<void(int64_t position, std::optional<std::string_view> text)>& each);

// The objects of one group as readPackedGroup reads them, gathered for a pass over the whole group:
// the records' texts as read, end to end, and a view into them of each object's text in position
// order (a null value as an empty text); the positions and which values are null only when asked.
// Reading again into the same object reuses its memory.
struct PackedGroupTexts {
    std::string bytes;
    std::vector<std::string_view> texts;
    std::vector<int64_t> positions;
    std::vector<bool> nulls;
    void clear();
};
PackedGroupRead readPackedGroupTexts(sqlite3* db, const Entity& entity, int64_t group, bool withPositions,
                                     PackedGroupTexts& out);

// The objects of every group at the run of positions that holds `position` (the positions whose
// objects share records), read straight from the records as readPackedGroup reads them: `each` gets
// one group at a time in group order, its objects in position order. The cells and their texts hold
// only during the call, which must not use the connection. Nothing is handed out, and the answer is
// false, when an object at those positions is kept loose or a record cannot be read (as above).
PackedGroupRead readPackedRun(sqlite3* db, const Entity& entity, int64_t position,
                              const std::function<void(int64_t group, const std::vector<PackedCell>& cells)>& each);

// Inclusive ranges of positions and groups that a read keeps to (every one by default).
struct PackedBounds {
    int64_t positionLow = INT64_MIN, positionHigh = INT64_MAX;
    int64_t groupLow = INT64_MIN, groupHigh = INT64_MAX;
    bool empty() const { return positionLow > positionHigh || groupLow > groupHigh; }
};

// The objects in (position, group) order from the lowest position, or only at the given positions
// (sorted, without repeats), within `bounds`, at most `limit` of them (0: every one), as a fetch sorted that way reads
// them, but straight from the records that this connection's reads keep decoded: its changes are
// written back first, so its open transaction is seen. Not complete, with nothing in `out`, when an
// object kept loose could be among them or a record cannot be read (SQLite's error code in `rc`).
struct PackedRows {
    struct Item {
        int64_t group, position, id;
        uint32_t textAt, textSize; // into bytes
        bool null;
    };
    std::vector<Item> items;
    std::string bytes; // the texts end to end
    std::string_view text(const Item& item) const { return std::string_view(bytes).substr(item.textAt, item.textSize); }
    void clear() {
        items.clear();
        bytes.clear();
    }
};
PackedGroupRead readPackedRows(sqlite3* db, const Entity& entity, const std::vector<int64_t>* positions, size_t limit,
                               PackedRows& out, const PackedBounds& bounds = {});

} // namespace store
