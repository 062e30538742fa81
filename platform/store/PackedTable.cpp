// The packed entities' records, their codec and the virtual table that shows them to SQL as rows.
#include "platform/store/PackedTable.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>

namespace store {

std::string packedRecordsTable(const Entity& entity) {
    return entity.name + "Records";
}

std::string packedLooseTable(const Entity& entity) {
    return entity.name + "Loose";
}

// ---------------------------------------------------------------------------------------------------
// Codec

void appendVarint(std::string& out, uint64_t v) {
    while (v >= 0x80) {
        out += static_cast<char>((v & 0x7f) | 0x80);
        v >>= 7;
    }
    out += static_cast<char>(v);
}

namespace {

bool readVarint(const unsigned char*& p, const unsigned char* end, uint64_t& v) {
    v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (p == end)
            return false;
        unsigned char b = *p++;
        v |= uint64_t(b & 0x7f) << shift;
        if (!(b & 0x80))
            return true;
    }
    return false;
}

uint64_t zigzag(int64_t v) {
    return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63);
}

int64_t unzigzag(uint64_t v) {
    return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1);
}

} // namespace

void PackedRecordWriter::clear() {
    runs_.clear();
    texts_.clear();
    count_ = 0;
}

void PackedRecordWriter::add(int64_t position, int64_t id, const std::string_view* text) {
    ++count_;
    if (!text) {
        appendVarint(texts_, 0);
    } else {
        appendVarint(texts_, text->size() + 1);
        texts_.append(text->data(), text->size());
    }
    if (!runs_.empty()) {
        Run& r = runs_.back();
        if (r.position + r.count == position) {
            if (r.count == 1) {
                r.step = id - r.id;
                r.count = 2;
                return;
            }
            if (r.id + r.count * r.step == id) {
                ++r.count;
                return;
            }
        }
    }
    runs_.push_back({position, 1, id, 0});
}

std::string PackedRecordWriter::ids() const {
    // Positions are relative to the record's first position; each gap to the previous run's end.
    std::string out;
    int64_t end = 0;
    for (const auto& r : runs_) {
        appendVarint(out, static_cast<uint64_t>(r.position - end));
        appendVarint(out, static_cast<uint64_t>(r.count));
        appendVarint(out, zigzag(r.id));
        appendVarint(out, zigzag(r.step));
        end = r.position + r.count;
    }
    return out;
}

namespace {

// One run of a record's ids: `count` objects at consecutive positions from `at` (counted from the
// record's first position) with the ids firstId, firstId + step, ...
struct IdRun {
    int64_t at, count, firstId, step;
};

// Walks the runs of a record's ids in order until `visit` returns false; false when the ids are damaged
// before the walk ends.
template <class Visit>
bool walkIdRuns(std::string_view ids, Visit&& visit) {
    auto* p = reinterpret_cast<const unsigned char*>(ids.data());
    auto* end = p + ids.size();
    int64_t at = 0;
    while (p < end) {
        uint64_t gap, count, id, step;
        if (!readVarint(p, end, gap) || !readVarint(p, end, count) || !readVarint(p, end, id) ||
            !readVarint(p, end, step) || count == 0 || count > (uint64_t(1) << 31) || gap > (uint64_t(1) << 31))
            return false;
        at += static_cast<int64_t>(gap);
        if (!visit(IdRun{at, static_cast<int64_t>(count), unzigzag(id), unzigzag(step)}))
            return true;
        at += static_cast<int64_t>(count);
    }
    return true;
}

} // namespace

bool decodePackedRecord(int64_t first, std::string_view ids, std::string_view texts,
                        std::vector<PackedCell>& out) {
    out.clear();
    const bool whole = walkIdRuns(ids, [&](const IdRun& r) {
        for (int64_t k = 0; k < r.count; ++k)
            out.push_back({first + r.at + k, r.firstId + k * r.step, false, {}});
        return true;
    });
    if (!whole)
        return false;
    if (texts.empty() && !out.empty())
        return true; // ids only
    auto* t = reinterpret_cast<const unsigned char*>(texts.data());
    auto* tend = t + texts.size();
    for (auto& c : out) {
        uint64_t v;
        if (!readVarint(t, tend, v))
            return false;
        if (v == 0) {
            c.null = true;
            continue;
        }
        if (static_cast<uint64_t>(tend - t) < v - 1)
            return false;
        c.text = std::string_view(reinterpret_cast<const char*>(t), v - 1);
        t += v - 1;
    }
    return t == tend;
}

namespace {

// The position of the object with the given id in a record's ids, found from the runs without listing
// their objects; nothing when the record does not hold it or its ids are damaged.
std::optional<int64_t> packedPositionOfId(int64_t first, std::string_view ids, int64_t wanted) {
    std::optional<int64_t> found;
    const bool whole = walkIdRuns(ids, [&](const IdRun& r) {
        const int64_t offset = wanted - r.firstId, s = r.step;
        if (s == 0 ? offset == 0 : offset % s == 0 && offset / s >= 0 && offset / s < r.count) {
            found = first + r.at + (s == 0 ? 0 : offset / s);
            return false;
        }
        return true;
    });
    return whole ? found : std::nullopt;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Registry

namespace {

struct Shape {
    std::string name;
    std::vector<std::string> columns; // "id", then the slots
    std::vector<std::string> types;
    int group = 0, position = 0, value = 0; // column indexes (slot + 1)
    int64_t runLength = 4096;
    std::string records, loose;
    std::string declaration;
};

// The shapes and their lock live as long as the process: a connection opened by a worker thread
// while the program exits still registers its tables, after static objects would have been destroyed.
std::mutex& registryLock() {
    static auto* lock = new std::mutex;
    return *lock;
}
std::vector<std::unique_ptr<Shape>>& registry() {
    static auto* shapes = new std::vector<std::unique_ptr<Shape>>;
    return *shapes;
}

int64_t firstOf(int64_t position, int64_t runLength) {
    return position - position % runLength; // positions of packed objects are never negative
}

constexpr int64_t kMaxKey = (int64_t(1) << 31) - 1;

int64_t packedRowid(int64_t key, int64_t position) {
    return (key << 31) | position;
}

// ---------------------------------------------------------------------------------------------------
// The virtual table

struct Decoded {
    std::vector<int64_t> ids; // by position - first; 0: empty
    std::vector<std::string> texts;
    std::vector<uint8_t> nulls;
    bool dirty = false;

    void ensure(size_t n) {
        if (ids.size() < n) {
            ids.resize(n, 0);
            texts.resize(n);
            nulls.resize(n, 0);
        }
    }
};

// A record read for reading, shared by the read cache and the cursors holding its cells. Its ids are
// kept as their runs, which place every cell without decoding it; its cells are decoded in position
// order as far as reads have needed them, so that a read of a run's first rows decodes only those.
class ReadRecord {
  public:
    // False when the ids are damaged.
    bool read(int64_t first, std::string_view ids, std::string_view texts, bool withTexts) {
        withTexts_ = withTexts;
        texts_.assign(texts);
        runs_.clear();
        cells_.clear();
        count_ = textAt_ = 0;
        good_ = SIZE_MAX;
        return walkIdRuns(ids, [&](const IdRun& r) {
            runs_.push_back({first + r.at, r.count, r.firstId, r.step, count_});
            count_ += static_cast<size_t>(r.count);
            return true;
        });
    }
    bool withTexts() const { return withTexts_; }
    size_t count() const { return count_; }
    // What the record holds in the read cache, the same whatever has been decoded of it.
    size_t bytes() const { return texts_.size() + count_ * sizeof(PackedCell) + runs_.size() * sizeof(Run) + 64; }

    // The index of the first cell at a position at least p (count() when there is none).
    size_t lowerBound(int64_t p) const {
        auto r = std::lower_bound(runs_.begin(), runs_.end(), p,
                                  [](const Run& run, int64_t q) { return run.position + run.count <= q; });
        if (r == runs_.end())
            return count_;
        return r->index + static_cast<size_t>(std::max<int64_t>(0, p - r->position));
    }
    size_t upperBound(int64_t p) const { return p == INT64_MAX ? count_ : lowerBound(p + 1); }
    int64_t positionAt(size_t i) const {
        const Run& r = runOf(i);
        return r.position + static_cast<int64_t>(i - r.index);
    }
    // Cell i (below count()), decoded with those before it when not yet; null when the texts are
    // damaged before its end. Valid until the next call.
    const PackedCell* cell(size_t i) {
        if (i >= cells_.size())
            decodeThrough(i);
        return i < cells_.size() && i < good_ ? &cells_[i] : nullptr;
    }

  private:
    struct Run {
        int64_t position, count, firstId, step;
        size_t index; // of its first cell
    };
    const Run& runOf(size_t i) const {
        auto r = std::upper_bound(runs_.begin(), runs_.end(), i, [](size_t k, const Run& run) { return k < run.index; });
        return *(r - 1);
    }
    void decodeThrough(size_t i) {
        if (good_ != SIZE_MAX || i >= count_)
            return;
        // In steps of a few hundred cells, the cells a read of a window of rows needs next.
        const size_t to = std::min(count_, std::max(i + 1, cells_.size() + 256));
        cells_.reserve(to);
        auto* begin = reinterpret_cast<const unsigned char*>(texts_.data());
        auto* t = begin + textAt_;
        auto* tend = begin + texts_.size();
        for (size_t k = cells_.size(); k < to; ++k) {
            const Run& r = runOf(k);
            const auto offset = static_cast<int64_t>(k - r.index);
            PackedCell c{r.position + offset, r.firstId + offset * r.step, false, {}};
            if (!texts_.empty()) { // an empty texts blob gives the ids alone, every text empty
                uint64_t v;
                if (!readVarint(t, tend, v) || (v > 0 && static_cast<uint64_t>(tend - t) < v - 1)) {
                    good_ = cells_.size(); // the cells before the damage stay readable
                    return;
                }
                if (v == 0) {
                    c.null = true;
                } else {
                    c.text = std::string_view(reinterpret_cast<const char*>(t), v - 1);
                    t += v - 1;
                }
            }
            cells_.push_back(c);
        }
        textAt_ = static_cast<size_t>(t - begin);
        // Every cell decoded: the texts must end with the last one's, or that one cannot be trusted.
        if (cells_.size() == count_ && !texts_.empty() && textAt_ != texts_.size())
            good_ = count_ - 1;
    }

    bool withTexts_ = false;
    std::string texts_;
    std::vector<Run> runs_;
    size_t count_ = 0;
    std::vector<PackedCell> cells_; // the first cells, positions absolute, texts into texts_
    size_t textAt_ = 0;             // where the next cell's text begins
    size_t good_ = SIZE_MAX;        // the cells below this index are whole (all, until damage is found)
};

// What the read cache's records were read under: another connection's commit changes the file's
// data version, this connection's own writes its count of changes, and the end of the write
// transaction they were read in (committed or rolled back) its transaction state.
struct ReadStamp {
    unsigned dataVersion = 0;
    int64_t changes = -1;
    bool inWrite = false;
};

// The records read stay decoded, up to this size, while the file is unchanged, so that reads by row
// (each asking one position of every group) decode each record once.
constexpr size_t kReadCacheBytes = size_t(64) << 20;

struct Vtab : sqlite3_vtab {
    const Shape* shape = nullptr;
    sqlite3* db = nullptr;
    std::map<std::pair<int64_t, int64_t>, Decoded> cache;
    size_t cachedCells = 0;
    std::map<std::pair<int64_t, int64_t>, std::shared_ptr<ReadRecord>> readCache;
    size_t readBytes = 0;
    ReadStamp readStamp;
    std::unordered_map<std::string, sqlite3_stmt*> statements;
    // The cursors' statements between their uses, by SQL text: each query opens a cursor of its own,
    // and preparing its statements anew would cost more than a small window's read.
    std::unordered_multimap<std::string, sqlite3_stmt*> idle;
    Vtab* nextOpen = nullptr;

    ~Vtab() {
        for (auto& [sql, s] : statements)
            sqlite3_finalize(s);
        for (auto& [sql, s] : idle)
            sqlite3_finalize(s);
    }

    // Makes `s` a statement of `sql` for a cursor, reset and with no bindings: the one it holds when
    // its text is the same, else one kept idle, else a new one (what it held is kept idle).
    int borrow(sqlite3_stmt*& s, std::string& current, const std::string& sql) {
        if (s && current == sql) {
            sqlite3_reset(s);
            sqlite3_clear_bindings(s);
            return SQLITE_OK;
        }
        giveBack(s, current);
        current = sql;
        if (auto it = idle.find(sql); it != idle.end()) {
            s = it->second;
            idle.erase(it);
            return SQLITE_OK;
        }
        return sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
    }
    void giveBack(sqlite3_stmt*& s, std::string& sql) {
        if (!s)
            return;
        constexpr size_t kIdleStatements = 32;
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
        if (idle.size() < kIdleStatements)
            idle.emplace(std::move(sql), s);
        else
            sqlite3_finalize(s);
        s = nullptr;
        sql.clear();
    }

    sqlite3_stmt* statement(const std::string& sql) {
        auto it = statements.find(sql);
        if (it != statements.end()) {
            sqlite3_reset(it->second);
            sqlite3_clear_bindings(it->second);
            return it->second;
        }
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) {
            setError(sqlite3_errmsg(db));
            return nullptr;
        }
        statements.emplace(sql, s);
        return s;
    }

    void setError(const char* message) {
        sqlite3_free(zErrMsg);
        zErrMsg = sqlite3_mprintf("%s", message);
    }

    ReadStamp currentStamp() const {
        ReadStamp stamp;
        sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, &stamp.dataVersion);
        stamp.changes = sqlite3_total_changes64(db);
        stamp.inWrite = sqlite3_txn_state(db, "main") == SQLITE_TXN_WRITE;
        return stamp;
    }
    // Drops the decoded records when the file may have changed since they were read.
    void checkReadCache() {
        ReadStamp now = currentStamp();
        const bool same = now.dataVersion == readStamp.dataVersion && now.changes == readStamp.changes &&
                          (!readStamp.inWrite || now.inWrite);
        if (!same)
            clearReadCache();
        readStamp = now;
    }
    void clearReadCache() {
        readCache.clear();
        readBytes = 0;
    }
    int readRecord(int64_t key, int64_t first, bool needText, std::shared_ptr<ReadRecord>& out);
    int flush();
    int load(int64_t key, int64_t first, Decoded*& out);
    int removePacked(int64_t key, int64_t position);
    int insert(sqlite3_value** values, sqlite3_int64* rowid);
    int looseInsert(sqlite3_value** values, sqlite3_int64* rowid);
    bool packable(sqlite3_value** values) const;
};

bool packableValues(const Shape& shape, sqlite3_value** values);

bool Vtab::packable(sqlite3_value** values) const {
    return packableValues(*shape, values);
}

// The vtabs open on each connection, so that flushPackedRecords can find them.
std::mutex openMutex;
std::unordered_multimap<sqlite3*, Vtab*>& openTables() {
    static std::unordered_multimap<sqlite3*, Vtab*> tables;
    return tables;
}

int Vtab::load(int64_t key, int64_t first, Decoded*& out) {
    auto it = cache.find({key, first});
    if (it != cache.end()) {
        out = &it->second;
        return SQLITE_OK;
    }
    if (cachedCells > 1u << 21) {
        // Bounded memory: write back what is held and start again.
        if (int rc = flush(); rc != SQLITE_OK)
            return rc;
        cache.clear();
        cachedCells = 0;
    }
    Decoded d;
    sqlite3_stmt* s = statement("SELECT \"ids\", \"texts\" FROM " + quoted(shape->records) +
                                " WHERE \"key\" = ?1 AND \"first\" = ?2");
    if (!s)
        return SQLITE_ERROR;
    sqlite3_bind_int64(s, 1, key);
    sqlite3_bind_int64(s, 2, first);
    int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        std::string_view ids(static_cast<const char*>(sqlite3_column_blob(s, 0)),
                             static_cast<size_t>(sqlite3_column_bytes(s, 0)));
        std::string_view texts(static_cast<const char*>(sqlite3_column_blob(s, 1)),
                               static_cast<size_t>(sqlite3_column_bytes(s, 1)));
        std::vector<PackedCell> cells;
        if (!decodePackedRecord(0, ids, texts, cells)) {
            sqlite3_reset(s);
            setError("a packed record is damaged");
            return SQLITE_CORRUPT;
        }
        if (!cells.empty())
            d.ensure(static_cast<size_t>(cells.back().position + 1));
        for (const auto& c : cells) {
            auto i = static_cast<size_t>(c.position);
            d.ids[i] = c.id;
            d.nulls[i] = c.null;
            d.texts[i].assign(c.text);
        }
        cachedCells += cells.size();
        rc = SQLITE_OK;
    } else if (rc == SQLITE_DONE) {
        rc = SQLITE_OK;
    } else {
        rc = sqlite3_errcode(db);
    }
    sqlite3_reset(s);
    if (rc != SQLITE_OK)
        return rc;
    out = &cache.emplace(std::make_pair(key, first), std::move(d)).first->second;
    return SQLITE_OK;
}

int Vtab::readRecord(int64_t key, int64_t first, bool needText, std::shared_ptr<ReadRecord>& out) {
    if (auto it = readCache.find({key, first}); it != readCache.end() && (it->second->withTexts() || !needText)) {
        out = it->second;
        return SQLITE_OK;
    }
    sqlite3_stmt* s = statement(std::string("SELECT \"ids\"") + (needText ? ", \"texts\"" : "") + " FROM " +
                                quoted(shape->records) + " WHERE \"key\" = ?1 AND \"first\" = ?2");
    if (!s)
        return SQLITE_ERROR;
    sqlite3_bind_int64(s, 1, key);
    sqlite3_bind_int64(s, 2, first);
    auto record = std::make_shared<ReadRecord>();
    int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
        std::string_view ids(static_cast<const char*>(sqlite3_column_blob(s, 0)),
                             static_cast<size_t>(sqlite3_column_bytes(s, 0)));
        std::string_view texts;
        if (needText)
            texts = std::string_view(static_cast<const char*>(sqlite3_column_blob(s, 1)),
                                     static_cast<size_t>(sqlite3_column_bytes(s, 1)));
        rc = record->read(first, ids, texts, needText) ? SQLITE_OK : SQLITE_CORRUPT;
        if (rc != SQLITE_OK)
            setError("a packed record is damaged");
    } else if (rc == SQLITE_DONE) {
        rc = SQLITE_OK; // gone since the run's records were listed: no cells
    } else {
        rc = sqlite3_errcode(db);
    }
    sqlite3_reset(s);
    if (rc != SQLITE_OK)
        return rc;
    if (record->bytes() <= kReadCacheBytes) {
        if (auto it = readCache.find({key, first}); it != readCache.end()) {
            readBytes -= it->second->bytes();
            readCache.erase(it);
        }
        // Full: the records of other runs of positions go first, since reads by row ask every group
        // of one run in turn; then, if that is not room enough, all of them.
        if (readBytes + record->bytes() > kReadCacheBytes) {
            for (auto it = readCache.begin(); it != readCache.end();) {
                if (it->first.second != first) {
                    readBytes -= it->second->bytes();
                    it = readCache.erase(it);
                } else {
                    ++it;
                }
            }
            if (readBytes + record->bytes() > kReadCacheBytes)
                clearReadCache();
        }
        readCache[{key, first}] = record;
        readBytes += record->bytes();
    }
    out = std::move(record);
    return SQLITE_OK;
}

int Vtab::flush() {
    bool any = false;
    for (const auto& [k, d] : cache)
        any = any || d.dirty;
    if (!any)
        return SQLITE_OK;
    // The records written here leave the read cache; the others stay as they were read.
    checkReadCache();
    struct Restamp {
        Vtab& tab;
        ~Restamp() { tab.readStamp = tab.currentStamp(); }
    } restamp{*this};
    PackedRecordWriter w;
    for (auto& [k, d] : cache) {
        if (!d.dirty)
            continue;
        if (auto it = readCache.find(k); it != readCache.end()) {
            readBytes -= it->second->bytes();
            readCache.erase(it);
        }
        w.clear();
        for (size_t i = 0; i < d.ids.size(); ++i)
            if (d.ids[i]) {
                std::string_view t(d.texts[i]);
                w.add(static_cast<int64_t>(i), d.ids[i], d.nulls[i] ? nullptr : &t);
            }
        sqlite3_stmt* s;
        if (w.empty()) {
            s = statement("DELETE FROM " + quoted(shape->records) + " WHERE \"key\" = ?1 AND \"first\" = ?2");
        } else {
            s = statement("INSERT OR REPLACE INTO " + quoted(shape->records) +
                          " (\"key\", \"first\", \"ids\", \"texts\") VALUES (?1, ?2, ?3, ?4)");
        }
        if (!s)
            return SQLITE_ERROR;
        sqlite3_bind_int64(s, 1, k.first);
        sqlite3_bind_int64(s, 2, k.second);
        if (!w.empty()) {
            std::string ids = w.ids();
            sqlite3_bind_blob(s, 3, ids.data(), static_cast<int>(ids.size()), SQLITE_TRANSIENT);
            sqlite3_bind_blob(s, 4, w.texts().data(), static_cast<int>(w.texts().size()), SQLITE_STATIC);
        }
        int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if (rc != SQLITE_DONE) {
            rc = sqlite3_errcode(db);
            setError(sqlite3_errmsg(db));
            return rc ? rc : SQLITE_ERROR;
        }
        d.dirty = false;
    }
    return SQLITE_OK;
}

bool packableValues(const Shape& shape, sqlite3_value** values) {
    const size_t n = shape.columns.size();
    for (size_t c = 0; c < n; ++c) {
        sqlite3_value* v = values[c];
        const int type = sqlite3_value_type(v);
        if (static_cast<int>(c) == 0 || static_cast<int>(c) == shape.group ||
            static_cast<int>(c) == shape.position) {
            if (type != SQLITE_INTEGER)
                return false;
            int64_t i = sqlite3_value_int64(v);
            if (c == 0 ? i <= 0 : (i < 0 || i > kMaxKey))
                return false;
        } else if (static_cast<int>(c) == shape.value) {
            if (type != SQLITE_NULL && type != SQLITE_TEXT)
                return false;
        } else if (type != SQLITE_NULL) {
            return false;
        }
    }
    return true;
}

int Vtab::looseInsert(sqlite3_value** values, sqlite3_int64* rowid) {
    std::string cols, marks;
    for (size_t c = 0; c < shape->columns.size(); ++c) {
        cols += (c ? ", " : "") + quoted(shape->columns[c]);
        marks += c ? ", ?" : "?";
    }
    sqlite3_stmt* s = statement("INSERT INTO " + quoted(shape->loose) + " (" + cols + ") VALUES (" + marks + ")");
    if (!s)
        return SQLITE_ERROR;
    for (size_t c = 0; c < shape->columns.size(); ++c)
        sqlite3_bind_value(s, static_cast<int>(c + 1), values[c]);
    int rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) {
        rc = sqlite3_extended_errcode(db);
        setError(sqlite3_errmsg(db));
        return rc ? rc : SQLITE_ERROR;
    }
    *rowid = -1 - sqlite3_last_insert_rowid(db);
    return SQLITE_OK;
}

int Vtab::insert(sqlite3_value** values, sqlite3_int64* rowid) {
    if (packable(values)) {
        const int64_t key = sqlite3_value_int64(values[shape->group]);
        const int64_t position = sqlite3_value_int64(values[shape->position]);
        const int64_t first = firstOf(position, shape->runLength);
        Decoded* d = nullptr;
        if (int rc = load(key, first, d); rc != SQLITE_OK)
            return rc;
        const auto i = static_cast<size_t>(position - first);
        d->ensure(i + 1);
        if (!d->ids[i]) {
            d->ids[i] = sqlite3_value_int64(values[0]);
            sqlite3_value* v = values[shape->value];
            d->nulls[i] = sqlite3_value_type(v) == SQLITE_NULL;
            d->texts[i].assign(reinterpret_cast<const char*>(sqlite3_value_text(v) ? sqlite3_value_text(v)
                                                                                 : reinterpret_cast<const unsigned char*>("")),
                               static_cast<size_t>(sqlite3_value_bytes(v)));
            d->dirty = true;
            ++cachedCells;
            *rowid = packedRowid(key, position);
            return SQLITE_OK;
        }
    }
    return looseInsert(values, rowid);
}

int Vtab::removePacked(int64_t key, int64_t position) {
    Decoded* d = nullptr;
    if (int rc = load(key, firstOf(position, shape->runLength), d); rc != SQLITE_OK)
        return rc;
    const auto i = static_cast<size_t>(position - firstOf(position, shape->runLength));
    if (i < d->ids.size() && d->ids[i]) {
        d->ids[i] = 0;
        d->texts[i].clear();
        d->texts[i].shrink_to_fit();
        d->nulls[i] = 0;
        d->dirty = true;
    }
    return SQLITE_OK;
}

// ---------------------------------------------------------------------------------------------------
// Cursor: the packed objects and the loose rows, merged in the order asked for.

enum Order { kAnyOrder, kGroupMajor, kPositionMajor };

struct Plan {
    bool haveKey = false;
    int64_t key = 0;
    int64_t keyLo = 0, keyHi = INT64_MAX; // the groups asked for; one group when haveKey
    int64_t posLo = 0, posHi = INT64_MAX;
    bool haveId = false;
    int64_t id = 0;
    bool packedNone = false; // a constraint no packed object meets
    bool needText = true;
    Order order = kAnyOrder;
    // The positions and the groups of an IN list, sorted and without repeats, when one was given
    // (its values that no packed object can hold left out); `firsts` the runs holding the positions.
    std::optional<std::vector<int64_t>> positions, keys;
    std::vector<int64_t> firsts;

    // Whether the record of group key and run first may hold an object asked for.
    bool wants(int64_t key, int64_t first) const {
        return (!keys || std::binary_search(keys->begin(), keys->end(), key)) &&
               (!positions || std::binary_search(firsts.begin(), firsts.end(), first));
    }
};

struct Cursor : sqlite3_vtab_cursor {
    Plan plan;
    // The packed objects of the current record(s).
    struct Item {
        int64_t key, position, id;
        const char* text;
        uint32_t length;
        bool null;
    };
    std::vector<Item> items;
    size_t at = 0;
    std::vector<std::shared_ptr<ReadRecord>> held; // the records items point into
    sqlite3_stmt* records = nullptr;                      // the (key, first) of the records to read
    bool recordsDone = true;
    std::string recordsSql;
    // Position order: the first record of the next run of positions, read ahead, and the records of
    // the present run, each with its next and end cell within the plan, handed out a few positions
    // at a time in (position, group) order.
    bool havePending = false;
    int64_t pendingKey = 0, pendingFirst = 0;
    struct RunRecord {
        int64_t key;
        std::shared_ptr<ReadRecord> record;
        size_t next, end;
    };
    std::vector<RunRecord> run;
    // The loose rows.
    sqlite3_stmt* loose = nullptr;
    std::string looseSql;
    bool looseRow = false;
    bool onLoose = false;
    bool eof = true;
    std::vector<PackedCell> scratch;

    ~Cursor() {
        sqlite3_finalize(records);
        sqlite3_finalize(loose);
    }
    Vtab& vtab() const { return *static_cast<Vtab*>(pVtab); }
};

// The cells of a record within the plan's positions, as indexes into its cells.
std::pair<size_t, size_t> planned(const Cursor& c, const ReadRecord& record) {
    const size_t from = record.lowerBound(c.plan.posLo);
    return {from, std::max(from, record.upperBound(c.plan.posHi))};
}

// The first cell from index i (below end) at a position the plan asks for: i itself without a list
// of positions; end when there is none.
size_t nextPlanned(const Plan& plan, const ReadRecord& record, size_t i, size_t end) {
    if (!plan.positions)
        return i;
    const auto& wanted = *plan.positions;
    while (i < end) {
        const int64_t p = record.positionAt(i);
        auto w = std::lower_bound(wanted.begin(), wanted.end(), p);
        if (w == wanted.end())
            return end;
        if (*w == p)
            return i;
        i = std::max(i + 1, record.lowerBound(*w));
    }
    return end;
}

// Adds cell i of a record to items when the plan asks for it; SQLITE_CORRUPT when it cannot be decoded.
int addItem(Cursor& c, int64_t key, ReadRecord& record, size_t i) {
    const PackedCell* cell = record.cell(i);
    if (!cell) {
        c.vtab().setError("a packed record is damaged");
        return SQLITE_CORRUPT;
    }
    if (!c.plan.haveId || cell->id == c.plan.id)
        c.items.push_back(
            {key, cell->position, cell->id, cell->text.data(), static_cast<uint32_t>(cell->text.size()), cell->null});
    return SQLITE_OK;
}

// Group order: adds one record's objects within the plan to items.
int addRecord(Cursor& c, int64_t key, int64_t first) {
    std::shared_ptr<ReadRecord> record;
    if (int rc = c.vtab().readRecord(key, first, c.plan.needText, record); rc != SQLITE_OK)
        return rc;
    const auto [from, to] = planned(c, *record);
    const size_t before = c.items.size();
    for (size_t i = nextPlanned(c.plan, *record, from, to); i < to; i = nextPlanned(c.plan, *record, i + 1, to))
        if (int rc = addItem(c, key, *record, i); rc != SQLITE_OK)
            return rc;
    if (c.items.size() > before)
        c.held.push_back(std::move(record));
    return SQLITE_OK;
}

// Position order: reads the records of the next run of positions into run. False at the end.
int loadRun(Cursor& c, bool& loaded) {
    c.run.clear();
    loaded = false;
    int64_t runFirst = -1;
    auto add = [&](int64_t key, int64_t first) {
        std::shared_ptr<ReadRecord> record;
        if (int rc = c.vtab().readRecord(key, first, c.plan.needText, record); rc != SQLITE_OK)
            return rc;
        const auto [from, to] = planned(c, *record);
        const size_t next = nextPlanned(c.plan, *record, from, to);
        if (next < to)
            c.run.push_back({key, std::move(record), next, to});
        return SQLITE_OK;
    };
    if (c.havePending) {
        c.havePending = false;
        runFirst = c.pendingFirst;
        loaded = true;
        if (int rc = add(c.pendingKey, c.pendingFirst); rc != SQLITE_OK)
            return rc;
    }
    while (!c.recordsDone) {
        int rc = sqlite3_step(c.records);
        if (rc == SQLITE_DONE) {
            c.recordsDone = true;
            break;
        }
        if (rc != SQLITE_ROW)
            return rc;
        const int64_t key = sqlite3_column_int64(c.records, 0), first = sqlite3_column_int64(c.records, 1);
        if (!c.plan.wants(key, first))
            continue;
        if (runFirst >= 0 && first != runFirst) {
            c.havePending = true;
            c.pendingKey = key;
            c.pendingFirst = first;
            break;
        }
        runFirst = first;
        loaded = true;
        if (int rc2 = add(key, first); rc2 != SQLITE_OK)
            return rc2;
    }
    return SQLITE_OK;
}

// Reads the next objects into items: one record in group order; in position order, the objects of
// the present run's records at the next few positions, sorted by position then group.
int fillItems(Cursor& c) {
    c.items.clear();
    c.held.clear();
    c.at = 0;
    if (c.plan.order != kPositionMajor) {
        while (!c.recordsDone && c.items.empty()) {
            int rc = sqlite3_step(c.records);
            if (rc == SQLITE_DONE) {
                c.recordsDone = true;
                break;
            }
            if (rc != SQLITE_ROW)
                return rc;
            const int64_t key = sqlite3_column_int64(c.records, 0), first = sqlite3_column_int64(c.records, 1);
            if (!c.plan.wants(key, first))
                continue;
            if (int rc2 = addRecord(c, key, first); rc2 != SQLITE_OK)
                return rc2;
        }
        return SQLITE_OK;
    }
    constexpr int64_t kPositionsAtOnce = 64;
    constexpr size_t kObjectsAtOnce = 256;
    while (c.items.empty()) {
        int64_t lowest = INT64_MAX;
        for (const auto& r : c.run)
            if (r.next < r.end)
                lowest = std::min(lowest, r.record->positionAt(r.next));
        if (lowest == INT64_MAX) {
            bool loaded = false;
            if (int rc = loadRun(c, loaded); rc != SQLITE_OK)
                return rc;
            if (!loaded)
                return SQLITE_OK;
            continue;
        }
        // The run's records come in group order, each in position order: taking each position from
        // every record in turn gives (position, group) order without a sort. A few hundred objects at
        // a time: a read that stops early (a limit) decodes little beyond what it hands out.
        const int64_t limit = lowest + kPositionsAtOnce;
        for (int64_t p = lowest; p < limit && c.items.size() < kObjectsAtOnce; ++p)
            for (auto& r : c.run)
                for (; r.next < r.end && r.record->positionAt(r.next) == p;
                     r.next = nextPlanned(c.plan, *r.record, r.next + 1, r.end))
                    if (int rc = addItem(c, r.key, *r.record, r.next); rc != SQLITE_OK)
                        return rc;
    }
    return SQLITE_OK;
}

// Where a loose row's value of a column falls in SQL's order against a packed object's integer:
// negative before, 0 equal, positive after. Null comes before numbers, texts and blobs after them.
int looseAgainst(sqlite3_stmt* loose, int column, int64_t packed) {
    switch (sqlite3_column_type(loose, column)) {
    case SQLITE_NULL:
        return -1;
    case SQLITE_INTEGER: {
        const int64_t v = sqlite3_column_int64(loose, column);
        return v < packed ? -1 : v > packed ? 1 : 0;
    }
    case SQLITE_FLOAT: {
        const double v = sqlite3_column_double(loose, column), p = static_cast<double>(packed);
        return v < p ? -1 : v > p ? 1 : 0;
    }
    default:
        return 1;
    }
}

// Compares the current packed item with the current loose row in the cursor's order; true when the
// packed item comes first.
bool packedFirst(Cursor& c) {
    const Shape& shape = *c.vtab().shape;
    const Cursor::Item& i = c.items[c.at];
    const int byGroup = looseAgainst(c.loose, shape.group, i.key);
    const int byPosition = looseAgainst(c.loose, shape.position, i.position);
    if (c.plan.order == kGroupMajor) {
        if (byGroup != 0)
            return byGroup > 0;
        if (byPosition != 0)
            return byPosition > 0;
    } else if (c.plan.order == kPositionMajor) {
        if (byPosition != 0)
            return byPosition > 0;
        if (byGroup != 0)
            return byGroup > 0;
    }
    return looseAgainst(c.loose, 0, i.id) > 0;
}

int settle(Cursor& c) {
    if (c.at >= c.items.size())
        if (int rc = fillItems(c); rc != SQLITE_OK)
            return rc;
    const bool packed = c.at < c.items.size();
    if (!packed && !c.looseRow) {
        c.eof = true;
        return SQLITE_OK;
    }
    c.eof = false;
    if (!packed)
        c.onLoose = true;
    else if (!c.looseRow)
        c.onLoose = false;
    else
        c.onLoose = c.plan.order == kAnyOrder ? false : !packedFirst(c);
    return SQLITE_OK;
}

int stepLoose(Cursor& c) {
    int rc = sqlite3_step(c.loose);
    c.looseRow = rc == SQLITE_ROW;
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return rc;
    return SQLITE_OK;
}

// xBestIndex's plan travels in idxStr: one letter per argument.
//   k group =, p position =, g position >=, G position >, l position <=, L position <, i id =,
//   a group >=, A group >, b group <=, B group <, K group IN, P position IN (a list taken whole)
// and idxNum: bit 0 no packed object can match, bits 1-2 the order, bit 3 the texts are not needed.

int xBestIndex(sqlite3_vtab* tab, sqlite3_index_info* info) {
    const Shape& shape = *static_cast<Vtab*>(tab)->shape;
    std::string letters;
    int argument = 0;
    bool keyEq = false, keyIn = false, posEq = false, idEq = false, posRange = false, keyRange = false;
    bool keyList = false, posList = false;
    int flags = 0;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (!c.usable)
            continue;
        char letter = 0;
        // An IN list on the group or the position is taken whole, its values read in xFilter: the
        // records it needs are then read once each, in the order asked for.
        const bool list = c.op == SQLITE_INDEX_CONSTRAINT_EQ && sqlite3_vtab_in(info, i, -1) &&
                          (c.iColumn == shape.group ? !keyList : c.iColumn == shape.position && !posList);
        if (list) {
            letter = c.iColumn == shape.group ? 'K' : 'P';
            (c.iColumn == shape.group ? keyList : posList) = true;
            sqlite3_vtab_in(info, i, 1);
        } else if (c.iColumn == shape.group && c.op == SQLITE_INDEX_CONSTRAINT_EQ && !keyEq) {
            letter = 'k';
            keyEq = true;
            keyIn = sqlite3_vtab_in(info, i, -1) != 0;
        } else if (c.iColumn == shape.group) {
            switch (c.op) {
            case SQLITE_INDEX_CONSTRAINT_GE:
                letter = 'a';
                break;
            case SQLITE_INDEX_CONSTRAINT_GT:
                letter = 'A';
                break;
            case SQLITE_INDEX_CONSTRAINT_LE:
                letter = 'b';
                break;
            case SQLITE_INDEX_CONSTRAINT_LT:
                letter = 'B';
                break;
            default:
                break;
            }
            keyRange = keyRange || letter != 0;
        } else if (c.iColumn == shape.position) {
            switch (c.op) {
            case SQLITE_INDEX_CONSTRAINT_EQ:
                letter = 'p';
                posEq = true;
                break;
            case SQLITE_INDEX_CONSTRAINT_GE:
                letter = 'g';
                posRange = true;
                break;
            case SQLITE_INDEX_CONSTRAINT_GT:
                letter = 'G';
                posRange = true;
                break;
            case SQLITE_INDEX_CONSTRAINT_LE:
                letter = 'l';
                posRange = true;
                break;
            case SQLITE_INDEX_CONSTRAINT_LT:
                letter = 'L';
                posRange = true;
                break;
            default:
                break;
            }
        } else if (c.iColumn == 0 && c.op == SQLITE_INDEX_CONSTRAINT_EQ && !idEq) {
            letter = 'i';
            idEq = true;
        } else if (c.iColumn > 0 && c.iColumn != shape.group && c.iColumn != shape.position &&
                   c.iColumn != shape.value && c.op == SQLITE_INDEX_CONSTRAINT_ISNOTNULL) {
            flags |= 1; // only loose rows have other columns set
            info->aConstraintUsage[i].omit = 1;
            continue;
        }
        if (!letter)
            continue;
        letters += letter;
        info->aConstraintUsage[i].argvIndex = ++argument;
        // xFilter meets these exactly, for packed objects and loose rows alike: SQLite need not check
        // them again on every row (an IN list, which SQLite may hand over value by value, excepted).
        if (list || c.op != SQLITE_INDEX_CONSTRAINT_EQ || !sqlite3_vtab_in(info, i, -1))
            info->aConstraintUsage[i].omit = 1;
    }
    // The order this cursor can give: by group then position, or by position then group, ids last.
    Order order = kAnyOrder;
    int n = info->nOrderBy;
    while (n > 0 && info->aOrderBy[n - 1].iColumn == 0 && !info->aOrderBy[n - 1].desc)
        --n;
    bool ascending = true;
    for (int i = 0; i < n; ++i)
        ascending = ascending && !info->aOrderBy[i].desc;
    if (ascending && n > 0) {
        const int first = info->aOrderBy[0].iColumn, second = n > 1 ? info->aOrderBy[1].iColumn : -1;
        if (n == 2 && first == shape.group && second == shape.position)
            order = kGroupMajor;
        else if (n == 1 && first == shape.position && keyEq && !keyIn)
            order = kGroupMajor;
        else if (n == 2 && first == shape.position && second == shape.group)
            order = kPositionMajor;
        else if (n == 1 && first == shape.group)
            order = kGroupMajor;
    }
    if (order != kAnyOrder)
        info->orderByConsumed = 1;
    flags |= order << 1;
    const uint64_t textColumn = shape.value < 63 ? uint64_t(1) << shape.value : 0;
    if (textColumn && !(info->colUsed & textColumn))
        flags |= 8;
    info->idxNum = flags;
    info->idxStr = sqlite3_mprintf("%s", letters.c_str());
    info->needToFreeIdxStr = 1;
    double cost = 1e7;
    if (keyEq && posEq)
        cost = 20;
    else if (idEq)
        cost = 2000;
    else if (keyEq && posRange)
        cost = 1000;
    else if ((keyEq || keyList) && posList)
        cost = 1000;
    else if (keyEq)
        cost = 1e5;
    else if (posEq)
        cost = 5000;
    else if (posList)
        cost = 1e5;
    else if (posRange)
        cost = 1e6;
    if ((keyRange || keyList) && !keyEq)
        cost *= 0.5; // fewer groups than all of them
    if (flags & 1)
        cost = std::min(cost, 100.0);
    info->estimatedCost = cost;
    info->estimatedRows = static_cast<sqlite3_int64>(cost);
    return SQLITE_OK;
}

bool integerArgument(sqlite3_value* v, int64_t& out);

// The values of an IN list: the whole numbers a packed object can hold, sorted and without repeats,
// and, when asked for the loose rows, every value as a JSON array, blobs apart in hex (JSON has none).
struct InList {
    std::vector<int64_t> whole;
    std::string json, blobs;
};

void appendJsonValue(std::string& out, sqlite3_value* v) {
    out += out.size() > 1 ? "," : "";
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        out += std::to_string(sqlite3_value_int64(v));
        break;
    case SQLITE_FLOAT: {
        const double d = sqlite3_value_double(v);
        char buf[32];
        if (std::isinf(d))
            std::snprintf(buf, sizeof buf, "%s", d > 0 ? "9e999" : "-9e999");
        else
            std::snprintf(buf, sizeof buf, "%.17g", d);
        out += buf;
        break;
    }
    default: { // a text
        const auto* t = reinterpret_cast<const unsigned char*>(sqlite3_value_text(v));
        const int n = sqlite3_value_bytes(v);
        out += '"';
        for (int k = 0; k < n; ++k) {
            const unsigned char ch = t[k];
            if (ch == '"' || ch == '\\') {
                out += '\\';
                out += static_cast<char>(ch);
            } else if (ch < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", ch);
                out += buf;
            } else {
                out += static_cast<char>(ch);
            }
        }
        out += '"';
        break;
    }
    }
}

int readInList(sqlite3_value* handle, bool forLoose, InList& out) {
    out.json = "[";
    out.blobs = "[";
    sqlite3_value* v = nullptr;
    int rc;
    for (rc = sqlite3_vtab_in_first(handle, &v); rc == SQLITE_OK && v; rc = sqlite3_vtab_in_next(handle, &v)) {
        int type = sqlite3_value_type(v);
        // The columns are integers: SQL compares a text that reads as a number with them as that number.
        if (type == SQLITE_TEXT)
            type = sqlite3_value_numeric_type(v);
        int64_t n = 0;
        if (type == SQLITE_INTEGER) {
            n = sqlite3_value_int64(v);
            if (n >= 0 && n <= kMaxKey)
                out.whole.push_back(n);
        } else if (type == SQLITE_FLOAT && integerArgument(v, n) && n >= 0 && n <= kMaxKey) {
            out.whole.push_back(n);
        }
        if (!forLoose)
            continue;
        if (type == SQLITE_BLOB) {
            static const char digits[] = "0123456789ABCDEF";
            const auto* b = static_cast<const unsigned char*>(sqlite3_value_blob(v));
            out.blobs += out.blobs.size() > 1 ? ",\"" : "\"";
            for (int k = 0; k < sqlite3_value_bytes(v); ++k) {
                out.blobs += digits[b[k] >> 4];
                out.blobs += digits[b[k] & 15];
            }
            out.blobs += '"';
        } else if (type != SQLITE_NULL) { // null equals nothing
            appendJsonValue(out.json, v);
        }
    }
    out.json += "]";
    out.blobs += "]";
    if (rc != SQLITE_OK && rc != SQLITE_DONE)
        return rc;
    if (!std::is_sorted(out.whole.begin(), out.whole.end())) // SQLite hands most lists over sorted
        std::sort(out.whole.begin(), out.whole.end());
    out.whole.erase(std::unique(out.whole.begin(), out.whole.end()), out.whole.end());
    return SQLITE_OK;
}

bool integerArgument(sqlite3_value* v, int64_t& out) {
    if (sqlite3_value_type(v) == SQLITE_INTEGER) {
        out = sqlite3_value_int64(v);
        return true;
    }
    if (sqlite3_value_type(v) == SQLITE_FLOAT) {
        double d = sqlite3_value_double(v);
        if (d >= -9.2e18 && d <= 9.2e18 && d == static_cast<double>(static_cast<int64_t>(d))) {
            out = static_cast<int64_t>(d);
            return true;
        }
    }
    return false;
}

int xFilter(sqlite3_vtab_cursor* cursor, int idxNum, const char* idxStr, int argc, sqlite3_value** argv) {
    auto& c = *static_cast<Cursor*>(cursor);
    Vtab& tab = c.vtab();
    const Shape& shape = *tab.shape;
    // Reads see this connection's own changes: write back what is held.
    tab.checkReadCache();
    if (int rc = tab.flush(); rc != SQLITE_OK)
        return rc;
    // Most workspaces keep no object loose: their reads then skip the loose table's query.
    bool anyLoose = true;
    if (sqlite3_stmt* s = tab.statement("SELECT EXISTS (SELECT 1 FROM " + quoted(shape.loose) + ")")) {
        const int rc = sqlite3_step(s);
        anyLoose = rc != SQLITE_ROW || sqlite3_column_int(s, 0) != 0;
        sqlite3_reset(s);
        if (rc != SQLITE_ROW)
            return sqlite3_errcode(tab.db) ? sqlite3_errcode(tab.db) : SQLITE_ERROR;
    } else {
        return SQLITE_ERROR;
    }
    Plan plan;
    plan.packedNone = idxNum & 1;
    plan.order = static_cast<Order>((idxNum >> 1) & 3);
    plan.needText = !(idxNum & 8);
    // The loose rows' conditions, with the same arguments.
    std::string where;
    // Each argument is a value of the query or, for an IN list, a JSON array of its values.
    struct LooseArg {
        sqlite3_value* value;
        std::string json;
    };
    std::vector<LooseArg> looseArgs;
    auto cond = [&](const std::string& sql, sqlite3_value* v) {
        where += (where.empty() ? " WHERE " : " AND ") + sql;
        looseArgs.push_back({v, {}});
    };
    const std::string g = quoted(shape.columns[static_cast<size_t>(shape.group)]);
    const std::string p = quoted(shape.columns[static_cast<size_t>(shape.position)]);
    for (int i = 0; i < argc && idxStr && idxStr[i]; ++i) {
        sqlite3_value* v = argv[i];
        if (idxStr[i] == 'K' || idxStr[i] == 'P') {
            const bool onGroup = idxStr[i] == 'K';
            InList list;
            if (int rc = readInList(v, anyLoose, list); rc != SQLITE_OK)
                return rc;
            const std::string& column = onGroup ? g : p;
            std::string sql = column + " IN (SELECT value FROM json_each(?))";
            if (list.blobs != "[]")
                sql = "(" + sql + " OR (typeof(" + column + ") = 'blob' AND hex(" + column +
                      ") IN (SELECT value FROM json_each(?))))";
            where += (where.empty() ? " WHERE " : " AND ") + sql;
            looseArgs.push_back({nullptr, std::move(list.json)});
            if (list.blobs != "[]")
                looseArgs.push_back({nullptr, std::move(list.blobs)});
            (onGroup ? plan.keys : plan.positions) = std::move(list.whole);
            continue;
        }
        // The columns are integers: SQL compares a text that reads as a number with them as that number.
        if (sqlite3_value_type(v) == SQLITE_TEXT)
            sqlite3_value_numeric_type(v);
        int64_t n = 0;
        const bool whole = integerArgument(v, n);
        const bool isNumber = sqlite3_value_type(v) == SQLITE_INTEGER || sqlite3_value_type(v) == SQLITE_FLOAT;
        switch (idxStr[i]) {
        case 'k':
            cond(g + " = ?", v);
            if (whole) {
                plan.haveKey = true;
                plan.key = n;
            } else {
                plan.packedNone = true;
            }
            break;
        case 'p':
            cond(p + " = ?", v);
            if (whole) {
                plan.posLo = std::max(plan.posLo, n);
                plan.posHi = std::min(plan.posHi, n);
            } else {
                plan.packedNone = true;
            }
            break;
        case 'i':
            cond("\"id\" = ?", v);
            if (whole) {
                plan.haveId = true;
                plan.id = n;
            } else {
                plan.packedNone = true;
            }
            break;
        case 'g':
        case 'G':
        case 'l':
        case 'L':
        case 'a':
        case 'A':
        case 'b':
        case 'B': {
            const char letter = idxStr[i];
            const bool onGroup = letter == 'a' || letter == 'A' || letter == 'b' || letter == 'B';
            const bool lower = letter == 'g' || letter == 'G' || letter == 'a' || letter == 'A';
            const bool strict = letter == 'G' || letter == 'L' || letter == 'A' || letter == 'B';
            int64_t& lo = onGroup ? plan.keyLo : plan.posLo;
            int64_t& hi = onGroup ? plan.keyHi : plan.posHi;
            cond((onGroup ? g : p) + (lower ? (strict ? " > ?" : " >= ?") : (strict ? " < ?" : " <= ?")), v);
            if (!isNumber) {
                // Numbers sort before texts and blobs and after null: a text bound keeps every
                // number (<) or none (>); a null bound matches nothing.
                if (sqlite3_value_type(v) == SQLITE_NULL || lower)
                    plan.packedNone = true;
                break;
            }
            double d = sqlite3_value_double(v);
            if (lower) {
                double bound = strict ? std::floor(d) + 1 : std::ceil(d);
                if (bound > 9e18)
                    plan.packedNone = true;
                else if (bound > static_cast<double>(lo))
                    lo = static_cast<int64_t>(bound);
            } else {
                double bound = strict ? std::ceil(d) - 1 : std::floor(d);
                if (bound < -9e18)
                    plan.packedNone = true;
                else if (bound < static_cast<double>(hi))
                    hi = static_cast<int64_t>(bound);
            }
            break;
        }
        default:
            break;
        }
    }
    if (plan.haveKey) {
        plan.keyLo = std::max(plan.keyLo, plan.key);
        plan.keyHi = std::min(plan.keyHi, plan.key);
    }
    // A list keeps what the bounds allow, and narrows them to its first and last value.
    auto narrow = [&](std::optional<std::vector<int64_t>>& list, int64_t& lo, int64_t& hi) {
        if (!list)
            return;
        std::erase_if(*list, [&](int64_t v) { return v < lo || v > hi; });
        if (list->empty()) {
            plan.packedNone = true;
            return;
        }
        lo = list->front();
        hi = list->back();
    };
    narrow(plan.keys, plan.keyLo, plan.keyHi);
    narrow(plan.positions, plan.posLo, plan.posHi);
    if (plan.positions)
        for (int64_t position : *plan.positions)
            if (plan.firsts.empty() || plan.firsts.back() != firstOf(position, shape.runLength))
                plan.firsts.push_back(firstOf(position, shape.runLength));
    if (plan.posLo > plan.posHi || plan.posHi < 0 || plan.keyLo > plan.keyHi || plan.keyHi < 0 ||
        plan.keyLo > kMaxKey || (plan.haveId && plan.id <= 0))
        plan.packedNone = true;
    plan.posLo = std::max<int64_t>(plan.posLo, 0);
    plan.keyLo = std::max<int64_t>(plan.keyLo, 0);
    plan.keyHi = std::min(plan.keyHi, kMaxKey);

    // An id alone: find its record from the ids, which are read without the texts.
    if (plan.haveId && !plan.packedNone && !plan.haveKey) {
        sqlite3_stmt* s = tab.statement("SELECT \"key\", \"first\", \"ids\" FROM " + quoted(shape.records) +
                                        " WHERE \"key\" BETWEEN ?1 AND ?2");
        if (!s)
            return SQLITE_ERROR;
        sqlite3_bind_int64(s, 1, plan.keyLo);
        sqlite3_bind_int64(s, 2, plan.keyHi);
        bool found = false;
        int rc;
        while (!found && (rc = sqlite3_step(s)) == SQLITE_ROW) {
            std::string_view ids(static_cast<const char*>(sqlite3_column_blob(s, 2)),
                                 static_cast<size_t>(sqlite3_column_bytes(s, 2)));
            if (auto position = packedPositionOfId(sqlite3_column_int64(s, 1), ids, plan.id)) {
                plan.haveKey = true;
                plan.key = plan.keyLo = plan.keyHi = sqlite3_column_int64(s, 0);
                plan.posLo = std::max(plan.posLo, *position);
                plan.posHi = std::min(plan.posHi, *position);
                found = true;
            }
        }
        sqlite3_reset(s);
        if (!found)
            plan.packedNone = true;
    }
    c.plan = plan;

    // The packed records: listed by (key, first) from the keys alone, each then taken from the read
    // cache or read and decoded.
    c.items.clear();
    c.held.clear();
    c.at = 0;
    c.recordsDone = true;
    c.havePending = false;
    c.run.clear();
    if (!plan.packedNone) {
        const int64_t firstLo = firstOf(plan.posLo, shape.runLength);
        const int64_t firstHi = plan.posHi == INT64_MAX ? INT64_MAX : firstOf(plan.posHi, shape.runLength);
        const bool someKeys = plan.keyLo > 0 || plan.keyHi < kMaxKey;
        std::string sql = std::string("SELECT \"key\", \"first\"") + " FROM " + quoted(shape.records) +
                          " WHERE \"first\" BETWEEN ?1 AND ?2" +
                          (plan.haveKey ? " AND \"key\" = ?3" : someKeys ? " AND \"key\" BETWEEN ?3 AND ?4" : "") +
                          (plan.order == kPositionMajor ? " ORDER BY \"first\", \"key\"" : " ORDER BY \"key\", \"first\"");
        if (int rc = tab.borrow(c.records, c.recordsSql, sql); rc != SQLITE_OK)
            return rc;
        sqlite3_bind_int64(c.records, 1, firstLo);
        sqlite3_bind_int64(c.records, 2, firstHi);
        if (plan.haveKey) {
            sqlite3_bind_int64(c.records, 3, plan.key);
        } else if (someKeys) {
            sqlite3_bind_int64(c.records, 3, plan.keyLo);
            sqlite3_bind_int64(c.records, 4, plan.keyHi);
        }
        c.recordsDone = false;
    }

    // The loose rows.
    if (!anyLoose) {
        c.looseRow = false;
        return settle(c);
    }
    std::string cols;
    for (size_t i = 0; i < shape.columns.size(); ++i)
        cols += (i ? ", " : "") + quoted(shape.columns[i]);
    std::string order;
    if (plan.order == kGroupMajor)
        order = " ORDER BY " + g + ", " + p + ", \"id\"";
    else if (plan.order == kPositionMajor)
        order = " ORDER BY " + p + ", " + g + ", \"id\"";
    if (int rc = tab.borrow(c.loose, c.looseSql,
                             "SELECT " + cols + " FROM " + quoted(shape.loose) + where + order);
        rc != SQLITE_OK)
        return rc;
    for (size_t i = 0; i < looseArgs.size(); ++i) {
        const LooseArg& a = looseArgs[i];
        if (a.value)
            sqlite3_bind_value(c.loose, static_cast<int>(i + 1), a.value);
        else
            sqlite3_bind_text(c.loose, static_cast<int>(i + 1), a.json.data(), static_cast<int>(a.json.size()),
                              SQLITE_TRANSIENT);
    }
    if (int rc = stepLoose(c); rc != SQLITE_OK)
        return rc;
    return settle(c);
}

int xNext(sqlite3_vtab_cursor* cursor) {
    auto& c = *static_cast<Cursor*>(cursor);
    if (c.onLoose) {
        if (int rc = stepLoose(c); rc != SQLITE_OK)
            return rc;
    } else {
        ++c.at;
    }
    return settle(c);
}

int xEof(sqlite3_vtab_cursor* cursor) {
    return static_cast<Cursor*>(cursor)->eof;
}

int xColumn(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int column) {
    auto& c = *static_cast<Cursor*>(cursor);
    if (c.onLoose) {
        sqlite3_result_value(context, sqlite3_column_value(c.loose, column));
        return SQLITE_OK;
    }
    const Shape& shape = *c.vtab().shape;
    const Cursor::Item& i = c.items[c.at];
    if (column == 0)
        sqlite3_result_int64(context, i.id);
    else if (column == shape.group)
        sqlite3_result_int64(context, i.key);
    else if (column == shape.position)
        sqlite3_result_int64(context, i.position);
    else if (column == shape.value && !i.null)
        sqlite3_result_text(context, i.length ? i.text : "", static_cast<int>(i.length), SQLITE_TRANSIENT);
    else
        sqlite3_result_null(context);
    return SQLITE_OK;
}

int xRowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* rowid) {
    auto& c = *static_cast<Cursor*>(cursor);
    if (c.onLoose)
        *rowid = -1 - sqlite3_column_int64(c.loose, 0);
    else
        *rowid = packedRowid(c.items[c.at].key, c.items[c.at].position);
    return SQLITE_OK;
}

int xOpen(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    *out = new Cursor();
    return SQLITE_OK;
}

int xClose(sqlite3_vtab_cursor* cursor) {
    auto* c = static_cast<Cursor*>(cursor);
    c->vtab().giveBack(c->records, c->recordsSql);
    c->vtab().giveBack(c->loose, c->looseSql);
    delete c;
    return SQLITE_OK;
}

// A rollback also undoes what this connection wrote to the records directly, beside the tables (its
// own writes through them reach xRollback): the records it read since may hold such writes, and a
// later read must not find them, even when a new transaction has begun before it.
void dropReadsOnRollback(void* db) {
    std::lock_guard lock(openMutex);
    auto range = openTables().equal_range(static_cast<sqlite3*>(db));
    for (auto it = range.first; it != range.second; ++it)
        it->second->clearReadCache();
}

int xConnect(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** out, char**) {
    const auto* shape = static_cast<const Shape*>(aux);
    if (int rc = sqlite3_declare_vtab(db, shape->declaration.c_str()); rc != SQLITE_OK)
        return rc;
    auto* tab = new Vtab();
    tab->shape = shape;
    tab->db = db;
    {
        std::lock_guard lock(openMutex);
        openTables().emplace(db, tab);
    }
    sqlite3_rollback_hook(db, dropReadsOnRollback, db);
    *out = tab;
    return SQLITE_OK;
}

int xDisconnect(sqlite3_vtab* t) {
    auto* tab = static_cast<Vtab*>(t);
    {
        std::lock_guard lock(openMutex);
        auto range = openTables().equal_range(tab->db);
        for (auto it = range.first; it != range.second; ++it)
            if (it->second == tab) {
                openTables().erase(it);
                break;
            }
    }
    delete tab;
    return SQLITE_OK;
}

int xUpdate(sqlite3_vtab* t, int argc, sqlite3_value** argv, sqlite3_int64* rowid) {
    auto* tab = static_cast<Vtab*>(t);
    const Shape& shape = *tab->shape;
    auto removeOld = [&](sqlite3_int64 old) -> int {
        if (old >= 0)
            return tab->removePacked(old >> 31, old & kMaxKey);
        sqlite3_stmt* s = tab->statement("DELETE FROM " + quoted(shape.loose) + " WHERE \"id\" = ?1");
        if (!s)
            return SQLITE_ERROR;
        sqlite3_bind_int64(s, 1, -1 - old);
        int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if (rc != SQLITE_DONE) {
            tab->setError(sqlite3_errmsg(tab->db));
            return sqlite3_extended_errcode(tab->db);
        }
        return SQLITE_OK;
    };
    if (argc == 1)
        return removeOld(sqlite3_value_int64(argv[0]));
    sqlite3_value** values = argv + 2;
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return tab->insert(values, rowid);
    const sqlite3_int64 old = sqlite3_value_int64(argv[0]);
    if (old >= 0 && tab->packable(values)) {
        const int64_t key = sqlite3_value_int64(values[shape.group]),
                      position = sqlite3_value_int64(values[shape.position]);
        if (packedRowid(key, position) == old) {
            Decoded* d = nullptr;
            const int64_t first = firstOf(position, shape.runLength);
            if (int rc = tab->load(key, first, d); rc != SQLITE_OK)
                return rc;
            const auto i = static_cast<size_t>(position - first);
            d->ensure(i + 1);
            sqlite3_value* v = values[shape.value];
            d->ids[i] = sqlite3_value_int64(values[0]);
            d->nulls[i] = sqlite3_value_type(v) == SQLITE_NULL;
            const unsigned char* text = sqlite3_value_text(v);
            d->texts[i].assign(text ? reinterpret_cast<const char*>(text) : "",
                               static_cast<size_t>(sqlite3_value_bytes(v)));
            d->dirty = true;
            return SQLITE_OK;
        }
    }
    if (old < 0 && !tab->packable(values)) {
        // A loose row stays loose: rewrite it in place (its id may change).
        std::string sets;
        for (size_t c = 0; c < shape.columns.size(); ++c)
            sets += (c ? ", " : "") + quoted(shape.columns[c]) + " = ?" + std::to_string(c + 1);
        sqlite3_stmt* s = tab->statement("UPDATE " + quoted(shape.loose) + " SET " + sets + " WHERE \"id\" = ?" +
                                         std::to_string(shape.columns.size() + 1));
        if (!s)
            return SQLITE_ERROR;
        for (size_t c = 0; c < shape.columns.size(); ++c)
            sqlite3_bind_value(s, static_cast<int>(c + 1), values[c]);
        sqlite3_bind_int64(s, static_cast<int>(shape.columns.size() + 1), -1 - old);
        int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if (rc != SQLITE_DONE) {
            tab->setError(sqlite3_errmsg(tab->db));
            return sqlite3_extended_errcode(tab->db);
        }
        return SQLITE_OK;
    }
    if (int rc = removeOld(old); rc != SQLITE_OK)
        return rc;
    sqlite3_int64 ignored = 0;
    return tab->insert(values, &ignored);
}

int xBegin(sqlite3_vtab*) {
    return SQLITE_OK;
}

int xSync(sqlite3_vtab* t) {
    return static_cast<Vtab*>(t)->flush();
}

int xCommit(sqlite3_vtab* t) {
    auto* tab = static_cast<Vtab*>(t);
    tab->cache.clear();
    tab->cachedCells = 0;
    return SQLITE_OK;
}

int xRollback(sqlite3_vtab* t) {
    static_cast<Vtab*>(t)->clearReadCache();
    return xCommit(t);
}

sqlite3_module makeModule() {
    sqlite3_module m{};
    m.iVersion = 1;
    m.xCreate = nullptr; // eponymous only: the table exists in every connection under the entity's name
    m.xConnect = xConnect;
    m.xBestIndex = xBestIndex;
    m.xDisconnect = xDisconnect;
    m.xDestroy = xDisconnect;
    m.xOpen = xOpen;
    m.xClose = xClose;
    m.xFilter = xFilter;
    m.xNext = xNext;
    m.xEof = xEof;
    m.xColumn = xColumn;
    m.xRowid = xRowid;
    m.xUpdate = xUpdate;
    m.xBegin = xBegin;
    m.xSync = xSync;
    m.xCommit = xCommit;
    m.xRollback = xRollback;
    return m;
}

const sqlite3_module packedModule = makeModule();

// packed_append(entity, key, firstPosition, firstId, idStep, texts): see PackedTable.h.
void packedAppend(sqlite3_context* context, int, sqlite3_value** argv) {
    sqlite3* db = sqlite3_context_db_handle(context);
    const Shape* shape = nullptr;
    {
        std::lock_guard lock(registryLock());
        const auto* name = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        for (const auto& s : registry())
            if (name && s->name == name)
                shape = s.get();
    }
    if (!shape) {
        sqlite3_result_error(context, "packed_append: no packed entity of that name", -1);
        return;
    }
    for (int i = 1; i <= 4; ++i)
        if (sqlite3_value_type(argv[i]) != SQLITE_INTEGER) {
            sqlite3_result_error(context, "packed_append: a key, position or id that is not an integer", -1);
            return;
        }
    const int64_t key = sqlite3_value_int64(argv[1]), firstPosition = sqlite3_value_int64(argv[2]),
                  firstId = sqlite3_value_int64(argv[3]), step = sqlite3_value_int64(argv[4]);
    std::string_view incoming(static_cast<const char*>(sqlite3_value_blob(argv[5])),
                              static_cast<size_t>(sqlite3_value_bytes(argv[5])));
    struct Incoming {
        int64_t position, id;
        bool null;
        std::string_view text;
    };
    // Kept from call to call: an import calls this once per column for every run of rows, and fresh
    // buffers of that size would cost their pages again each time.
    thread_local std::vector<Incoming> objects;
    objects.clear();
    {
        auto* p = reinterpret_cast<const unsigned char*>(incoming.data());
        auto* end = p + incoming.size();
        int64_t i = 0;
        while (p < end) {
            uint64_t v;
            if (!readVarint(p, end, v) || (v > 0 && static_cast<uint64_t>(end - p) < v - 1)) {
                sqlite3_result_error(context, "packed_append: damaged texts", -1);
                return;
            }
            Incoming o{firstPosition + i, firstId + i * step, v == 0, {}};
            if (v > 0) {
                o.text = std::string_view(reinterpret_cast<const char*>(p), v - 1);
                p += v - 1;
            }
            objects.push_back(o);
            ++i;
        }
    }
    const auto n = static_cast<int64_t>(objects.size());
    if (n > 0 && (firstId <= 0 || firstId + (n - 1) * step <= 0)) {
        sqlite3_result_error(context, "packed_append: an id out of range", -1);
        return;
    }
    // Objects whose group or positions no record can hold are all kept loose.
    const bool packable = key >= 0 && key <= kMaxKey && firstPosition >= 0 && firstPosition + n - 1 <= kMaxKey;
    // What this connection holds decoded of the entity is written first and forgotten: its records
    // change below.
    std::vector<Vtab*> tabs;
    {
        std::lock_guard lock(openMutex);
        auto range = openTables().equal_range(db);
        for (auto it = range.first; it != range.second; ++it)
            if (it->second->shape == shape)
                tabs.push_back(it->second);
    }
    for (auto* tab : tabs) {
        if (int rc = tab->flush(); rc != SQLITE_OK) {
            sqlite3_result_error_code(context, rc);
            return;
        }
        tab->cache.clear();
        tab->cachedCells = 0;
    }
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* write = nullptr;
    sqlite3_stmt* loose = nullptr;
    auto cleanup = [&] {
        sqlite3_finalize(read);
        sqlite3_finalize(write);
        sqlite3_finalize(loose);
    };
    auto fail = [&] {
        sqlite3_result_error(context, sqlite3_errmsg(db), -1);
        sqlite3_result_error_code(context, sqlite3_extended_errcode(db) ? sqlite3_extended_errcode(db) : SQLITE_ERROR);
        cleanup();
    };
    const std::string readSql =
        "SELECT \"ids\", \"texts\" FROM " + quoted(shape->records) + " WHERE \"key\" = ?1 AND \"first\" = ?2";
    const std::string writeSql = "INSERT OR REPLACE INTO " + quoted(shape->records) +
                                 " (\"key\", \"first\", \"ids\", \"texts\") VALUES (?1, ?2, ?3, ?4)";
    if (sqlite3_prepare_v2(db, readSql.c_str(), -1, &read, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, writeSql.c_str(), -1, &write, nullptr) != SQLITE_OK) {
        fail();
        return;
    }
    thread_local std::vector<PackedCell> existing;
    thread_local std::string oldIds, oldTexts;
    thread_local std::vector<const Incoming*> displaced;
    thread_local PackedRecordWriter w;
    displaced.clear();
    size_t at = 0;
    if (!packable)
        for (const auto& o : objects)
            displaced.push_back(&o);
    while (packable && at < objects.size()) {
        const int64_t first = firstOf(objects[at].position, shape->runLength);
        size_t end = at;
        while (end < objects.size() && objects[end].position < first + shape->runLength)
            ++end;
        sqlite3_reset(read);
        sqlite3_bind_int64(read, 1, key);
        sqlite3_bind_int64(read, 2, first);
        existing.clear();
        int rc = sqlite3_step(read);
        if (rc == SQLITE_ROW) {
            oldIds.assign(static_cast<const char*>(sqlite3_column_blob(read, 0)),
                          static_cast<size_t>(sqlite3_column_bytes(read, 0)));
            oldTexts.assign(static_cast<const char*>(sqlite3_column_blob(read, 1)),
                            static_cast<size_t>(sqlite3_column_bytes(read, 1)));
            if (!decodePackedRecord(0, oldIds, oldTexts, existing)) {
                sqlite3_result_error(context, "a packed record is damaged", -1);
                sqlite3_result_error_code(context, SQLITE_CORRUPT);
                cleanup();
                return;
            }
        } else if (rc != SQLITE_DONE) {
            fail();
            return;
        }
        sqlite3_reset(read);
        // Merged by position; an object already at a position keeps it.
        w.clear();
        size_t e = 0;
        auto addExisting = [&] {
            const PackedCell& c = existing[e++];
            w.add(c.position, c.id, c.null ? nullptr : &c.text);
        };
        for (size_t k = at; k < end; ++k) {
            const int64_t rel = objects[k].position - first;
            while (e < existing.size() && existing[e].position < rel)
                addExisting();
            if (e < existing.size() && existing[e].position == rel) {
                displaced.push_back(&objects[k]);
                continue;
            }
            w.add(rel, objects[k].id, objects[k].null ? nullptr : &objects[k].text);
        }
        while (e < existing.size())
            addExisting();
        const std::string ids = w.ids();
        sqlite3_bind_int64(write, 1, key);
        sqlite3_bind_int64(write, 2, first);
        sqlite3_bind_blob(write, 3, ids.data(), static_cast<int>(ids.size()), SQLITE_STATIC);
        sqlite3_bind_blob(write, 4, w.texts().data(), static_cast<int>(w.texts().size()), SQLITE_STATIC);
        rc = sqlite3_step(write);
        sqlite3_reset(write);
        if (rc != SQLITE_DONE) {
            fail();
            return;
        }
        at = end;
    }
    if (!displaced.empty()) {
        std::string cols, marks;
        for (size_t c = 0; c < shape->columns.size(); ++c) {
            cols += (c ? ", " : "") + quoted(shape->columns[c]);
            marks += c ? ", ?" : "?";
        }
        const std::string looseSql = "INSERT INTO " + quoted(shape->loose) + " (" + cols + ") VALUES (" + marks + ")";
        if (sqlite3_prepare_v2(db, looseSql.c_str(), -1, &loose, nullptr) != SQLITE_OK) {
            fail();
            return;
        }
        for (const Incoming* o : displaced) {
            sqlite3_reset(loose);
            sqlite3_clear_bindings(loose);
            sqlite3_bind_int64(loose, 1, o->id);
            sqlite3_bind_int64(loose, shape->group + 1, key);
            sqlite3_bind_int64(loose, shape->position + 1, o->position);
            if (!o->null)
                sqlite3_bind_text(loose, shape->value + 1, o->text.data(), static_cast<int>(o->text.size()),
                                  SQLITE_STATIC);
            if (sqlite3_step(loose) != SQLITE_DONE) {
                fail();
                return;
            }
        }
    }
    cleanup();
    sqlite3_result_int64(context, static_cast<int64_t>(objects.size()));
}

int registerOn(sqlite3* db, const char**, const sqlite3_api_routines*) {
    std::lock_guard lock(registryLock());
    for (const auto& shape : registry())
        sqlite3_create_module_v2(db, shape->name.c_str(), &packedModule, shape.get(), nullptr);
    sqlite3_create_function_v2(db, "packed_append", 6, SQLITE_UTF8 | SQLITE_DIRECTONLY, nullptr, packedAppend,
                               nullptr, nullptr, nullptr);
    return SQLITE_OK;
}

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

} // namespace

void registerPackedEntities(const Schema& schema) {
    bool added = false;
    {
        std::lock_guard lock(registryLock());
        for (const auto& e : schema.entities) {
            if (!e.packed)
                continue;
            bool known = false;
            for (const auto& s : registry())
                known = known || s->name == e.name;
            if (known)
                continue;
            auto shape = std::make_unique<Shape>();
            shape->name = e.name;
            shape->columns.push_back("id");
            shape->types.push_back("INTEGER");
            for (int slot = 0; slot < e.slotCount(); ++slot) {
                shape->columns.push_back(e.slotName(slot));
                shape->types.push_back(e.isToOneSlot(slot) ? "INTEGER"
                                                           : sqlType(e.attributes[static_cast<size_t>(slot)].type));
            }
            shape->group = e.slot(e.packed->group) + 1;
            shape->position = e.slot(e.packed->position) + 1;
            shape->value = e.slot(e.packed->value) + 1;
            shape->runLength = std::max(1, e.packed->runLength);
            shape->records = packedRecordsTable(e);
            shape->loose = packedLooseTable(e);
            shape->declaration = "CREATE TABLE x(";
            for (size_t i = 0; i < shape->columns.size(); ++i)
                shape->declaration += (i ? ", " : "") + quoted(shape->columns[i]) + " " + shape->types[i];
            shape->declaration += ")";
            registry().push_back(std::move(shape));
            added = true;
        }
    }
    static std::once_flag once;
    if (added)
        std::call_once(once, [] {
            sqlite3_auto_extension(reinterpret_cast<void (*)()>(registerOn));
        });
}

int packTable(sqlite3* db, const Entity& entity, const std::string& source, const std::set<std::string>& present,
              std::string& message) {
    const Shape* shape = nullptr;
    {
        std::lock_guard lock(registryLock());
        for (const auto& s : registry())
            if (s->name == entity.name)
                shape = s.get();
    }
    if (!shape) {
        message = "the entity is not packed";
        return SQLITE_ERROR;
    }
    const size_t width = shape->columns.size();
    std::string cols, names, marks;
    for (size_t c = 0; c < width; ++c) {
        const std::string& name = shape->columns[c];
        cols += std::string(c ? ", " : "") + (present.count(name) ? quoted(name) : "NULL");
        names += (c ? ", " : "") + quoted(name);
        marks += c ? ", ?" : "?";
    }
    const std::string g = shape->columns[static_cast<size_t>(shape->group)],
                      p = shape->columns[static_cast<size_t>(shape->position)];
    std::string order = " ORDER BY " + (present.count(g) ? quoted(g) : "NULL") + ", " +
                        (present.count(p) ? quoted(p) : "NULL") + ", \"id\"";
    sqlite3_stmt *read = nullptr, *record = nullptr, *loose = nullptr;
    auto fail = [&](int rc) {
        message = sqlite3_errmsg(db);
        sqlite3_finalize(read);
        sqlite3_finalize(record);
        sqlite3_finalize(loose);
        return rc ? rc : SQLITE_ERROR;
    };
    if (sqlite3_prepare_v2(db, ("SELECT " + cols + " FROM " + quoted(source) + "." + quoted(entity.name) + order).c_str(),
                           -1, &read, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, ("INSERT INTO main." + quoted(shape->records) + " VALUES (?, ?, ?, ?)").c_str(), -1,
                           &record, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, ("INSERT INTO main." + quoted(shape->loose) + " (" + names + ") VALUES (" + marks + ")").c_str(),
                           -1, &loose, nullptr) != SQLITE_OK)
        return fail(sqlite3_errcode(db));
    PackedRecordWriter w;
    int64_t key = -1, first = -1, last = -1;
    auto writeRecord = [&]() -> int {
        if (w.empty())
            return SQLITE_OK;
        std::string ids = w.ids();
        sqlite3_bind_int64(record, 1, key);
        sqlite3_bind_int64(record, 2, first);
        sqlite3_bind_blob(record, 3, ids.data(), static_cast<int>(ids.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(record, 4, w.texts().data(), static_cast<int>(w.texts().size()), SQLITE_STATIC);
        int rc = sqlite3_step(record);
        sqlite3_reset(record);
        w.clear();
        return rc == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db);
    };
    std::vector<sqlite3_value*> values(width);
    int rc;
    while ((rc = sqlite3_step(read)) == SQLITE_ROW) {
        for (size_t c = 0; c < width; ++c)
            values[c] = sqlite3_column_value(read, static_cast<int>(c));
        bool packed = packableValues(*shape, values.data());
        if (packed) {
            const int64_t k = sqlite3_value_int64(values[static_cast<size_t>(shape->group)]);
            const int64_t pos = sqlite3_value_int64(values[static_cast<size_t>(shape->position)]);
            const int64_t f = firstOf(pos, shape->runLength);
            if (k != key || f != first) {
                if (int e = writeRecord(); e != SQLITE_OK)
                    return fail(e);
                key = k;
                first = f;
                last = -1;
            }
            if (pos == last) {
                packed = false; // a second object at a taken position
            } else {
                sqlite3_value* v = values[static_cast<size_t>(shape->value)];
                std::string_view text;
                if (sqlite3_value_type(v) != SQLITE_NULL)
                    text = std::string_view(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                            static_cast<size_t>(sqlite3_value_bytes(v)));
                w.add(pos - f, sqlite3_value_int64(values[0]),
                      sqlite3_value_type(v) == SQLITE_NULL ? nullptr : &text);
                last = pos;
            }
        }
        if (!packed) {
            for (size_t c = 0; c < width; ++c)
                sqlite3_bind_value(loose, static_cast<int>(c + 1), values[c]);
            int e = sqlite3_step(loose);
            sqlite3_reset(loose);
            if (e != SQLITE_DONE)
                return fail(sqlite3_errcode(db));
        }
    }
    if (rc != SQLITE_DONE)
        return fail(rc);
    if (int e = writeRecord(); e != SQLITE_OK)
        return fail(e);
    sqlite3_finalize(read);
    sqlite3_finalize(record);
    sqlite3_finalize(loose);
    return SQLITE_OK;
}

int packedMaxId(sqlite3* db, const Entity& entity, int64_t& out) {
    out = 0;
    if (int rc = flushPackedRecords(db); rc != SQLITE_OK)
        return rc;
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db, ("SELECT max(\"id\") FROM " + quoted(packedLooseTable(entity))).c_str(), -1, &s,
                                nullptr);
    if (rc == SQLITE_OK && (rc = sqlite3_step(s)) == SQLITE_ROW) {
        out = sqlite3_column_int64(s, 0);
        rc = SQLITE_OK;
    }
    sqlite3_finalize(s);
    s = nullptr;
    if (rc != SQLITE_OK)
        return rc;
    rc = sqlite3_prepare_v2(db, ("SELECT \"ids\" FROM " + quoted(packedRecordsTable(entity))).c_str(), -1, &s,
                            nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(s)) == SQLITE_ROW) {
        rc = SQLITE_OK;
        const std::string_view ids(static_cast<const char*>(sqlite3_column_blob(s, 0)),
                                   static_cast<size_t>(sqlite3_column_bytes(s, 0)));
        const bool whole = walkIdRuns(ids, [&](const IdRun& r) {
            out = std::max({out, r.firstId, r.firstId + (r.count - 1) * r.step});
            return true;
        });
        if (!whole)
            rc = SQLITE_CORRUPT;
    }
    sqlite3_finalize(s);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

namespace {

// Reads packed records straight from the records table in one snapshot, after this connection's
// changes are written back: first asks whether any loose object matches `looseWhere` (then nothing
// is read and the answer is not complete), then hands each record matching `recordsWhere` to
// `record` as (key, first, ids, texts), in the order of `order`. Both conditions take the same
// arguments. `record` answers false for a damaged record.
PackedGroupRead readPackedRecords(
    sqlite3* db, const Entity& entity, const std::string& recordsWhere, const std::string& looseWhere,
    const std::string& order, const std::vector<int64_t>& arguments,
    const std::function<bool(int64_t key, int64_t first, std::string_view ids, std::string_view texts)>& record) {
    PackedGroupRead out;
    if (!entity.packed)
        return out;
    if ((out.rc = flushPackedRecords(db)) != SQLITE_OK)
        return out;
    // One snapshot for both reads, unless a transaction already gives one.
    const bool own = sqlite3_get_autocommit(db) != 0;
    if (own && (out.rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr)) != SQLITE_OK)
        return out;
    auto bind = [&](sqlite3_stmt* s) {
        for (size_t i = 0; i < arguments.size(); ++i)
            sqlite3_bind_int64(s, static_cast<int>(i + 1), arguments[i]);
    };
    bool loose = false;
    sqlite3_stmt* s = nullptr;
    out.rc = sqlite3_prepare_v2(
        db, ("SELECT EXISTS (SELECT 1 FROM " + quoted(packedLooseTable(entity)) + " WHERE " + looseWhere + ")").c_str(),
        -1, &s, nullptr);
    if (out.rc == SQLITE_OK) {
        bind(s);
        out.rc = sqlite3_step(s);
        loose = out.rc == SQLITE_ROW && sqlite3_column_int(s, 0) != 0;
        out.rc = out.rc == SQLITE_ROW ? SQLITE_OK : out.rc;
    }
    sqlite3_finalize(s);
    s = nullptr;
    if (out.rc == SQLITE_OK && !loose)
        out.rc = sqlite3_prepare_v2(db,
                                    ("SELECT \"key\", \"first\", \"ids\", \"texts\" FROM " +
                                     quoted(packedRecordsTable(entity)) + " WHERE " + recordsWhere + " ORDER BY " + order)
                                        .c_str(),
                                    -1, &s, nullptr);
    if (s) {
        bind(s);
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            std::string_view ids(static_cast<const char*>(sqlite3_column_blob(s, 2)),
                                 static_cast<size_t>(sqlite3_column_bytes(s, 2)));
            std::string_view texts(static_cast<const char*>(sqlite3_column_blob(s, 3)),
                                   static_cast<size_t>(sqlite3_column_bytes(s, 3)));
            if (!record(sqlite3_column_int64(s, 0), sqlite3_column_int64(s, 1), ids, texts)) {
                rc = SQLITE_CORRUPT;
                break;
            }
        }
        out.rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
        sqlite3_finalize(s);
    }
    if (own)
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    out.complete = out.rc == SQLITE_OK && !loose;
    return out;
}

} // namespace

PackedGroupRead readPackedGroupTexts(sqlite3* db, const Entity& entity, int64_t group, bool withPositions,
                                     PackedGroupTexts& out) {
    out.clear();
    if (!entity.packed)
        return {};
    // The texts blobs are kept as read, end to end; their views are made once every blob is in, since
    // appending may move the bytes. Each record's object count comes from its ids.
    struct Segment {
        size_t begin, end, count;
    };
    std::vector<Segment> segments;
    const std::string key = quoted(entity.packed->group) + " = ?1";
    PackedGroupRead read = readPackedRecords(
        db, entity, "\"key\" = ?1", key, "\"first\"", {group},
        [&](int64_t, int64_t first, std::string_view ids, std::string_view texts) {
            size_t count = 0;
            const bool whole = walkIdRuns(ids, [&](const IdRun& r) {
                count += static_cast<size_t>(r.count);
                if (withPositions)
                    for (int64_t k = 0; k < r.count; ++k)
                        out.positions.push_back(first + r.at + k);
                return true;
            });
            if (!whole)
                return false;
            segments.push_back({out.bytes.size(), out.bytes.size() + texts.size(), count});
            out.bytes.append(texts);
            return true;
        });
    if (!read.complete) {
        out.clear();
        return read;
    }
    size_t total = 0;
    for (const auto& segment : segments)
        total += segment.count;
    out.texts.reserve(total);
    if (withPositions)
        out.nulls.reserve(total);
    auto* base = reinterpret_cast<const unsigned char*>(out.bytes.data());
    for (const auto& segment : segments) {
        const unsigned char *t = base + segment.begin, *tend = base + segment.end;
        bool valid = true;
        for (size_t k = 0; valid && k < segment.count; ++k) {
            uint64_t v;
            valid = readVarint(t, tend, v) && static_cast<uint64_t>(tend - t) >= (v == 0 ? 0 : v - 1);
            if (!valid)
                break;
            const size_t length = v == 0 ? 0 : static_cast<size_t>(v - 1);
            out.texts.emplace_back(reinterpret_cast<const char*>(t), length);
            if (withPositions)
                out.nulls.push_back(v == 0);
            t += length;
        }
        if (!valid || t != tend) {
            out.clear();
            return {false, SQLITE_CORRUPT};
        }
    }
    return read;
}

void PackedGroupTexts::clear() {
    bytes.clear();
    texts.clear();
    positions.clear();
    nulls.clear();
}

PackedGroupRead readPackedGroup(sqlite3* db, const Entity& entity, int64_t group,
                                const std::function<void(int64_t, std::optional<std::string_view>)>& each) {
    PackedGroupTexts read;
    const PackedGroupRead out = readPackedGroupTexts(db, entity, group, true, read);
    // Handed out once the read is over, so that `each` may read the store itself.
    if (out.complete)
        for (size_t k = 0; k < read.texts.size(); ++k)
            each(read.positions[k], read.nulls[k] ? std::nullopt : std::optional<std::string_view>(read.texts[k]));
    return out;
}

PackedGroupRead readPackedRun(sqlite3* db, const Entity& entity, int64_t position,
                              const std::function<void(int64_t group, const std::vector<PackedCell>& cells)>& each) {
    if (!entity.packed || position < 0)
        return {};
    const int64_t runLength = std::max(1, entity.packed->runLength);
    const int64_t first = firstOf(position, runLength);
    std::vector<PackedCell> cells;
    return readPackedRecords(db, entity, "\"first\" = ?1",
                             quoted(entity.packed->position) + " BETWEEN ?1 AND ?1 + " + std::to_string(runLength - 1),
                             "\"key\"", {first},
                             [&](int64_t key, int64_t recordFirst, std::string_view ids, std::string_view texts) {
                                 if (!decodePackedRecord(recordFirst, ids, texts, cells))
                                     return false;
                                 each(key, cells);
                                 return true;
                             });
}

namespace {

// The table of the entity on this connection, connected first when no statement has named it yet.
Vtab* openTable(sqlite3* db, const Entity& entity) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        {
            std::lock_guard lock(openMutex);
            auto range = openTables().equal_range(db);
            for (auto it = range.first; it != range.second; ++it)
                if (it->second->shape->name == entity.name)
                    return it->second;
        }
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, ("SELECT 1 FROM " + quoted(entity.name) + " LIMIT 0").c_str(), -1, &s, nullptr);
        sqlite3_finalize(s);
    }
    return nullptr;
}

// Adds the objects of one run's records (in group order) at the wanted positions to out, in
// (position, group) order, until it holds limit objects.
int addRunRows(std::vector<std::pair<int64_t, std::shared_ptr<ReadRecord>>>& records, int64_t first, int64_t runLength,
               const std::vector<int64_t>* positions, size_t limit, const PackedBounds& bounds, PackedRows& out) {
    std::vector<size_t> next(records.size(), 0);
    if (!positions && bounds.positionLow > first)
        for (size_t k = 0; k < records.size(); ++k)
            next[k] = records[k].second->lowerBound(bounds.positionLow);
    const int64_t end = first + runLength;
    auto wanted = positions ? std::lower_bound(positions->begin(), positions->end(), std::max(first, bounds.positionLow))
                            : std::vector<int64_t>::const_iterator{};
    while (out.items.size() < limit) {
        int64_t p = INT64_MAX;
        if (positions) {
            if (wanted == positions->end() || *wanted >= end)
                break;
            p = *wanted++;
        } else {
            for (size_t k = 0; k < records.size(); ++k)
                if (next[k] < records[k].second->count())
                    p = std::min(p, records[k].second->positionAt(next[k]));
            if (p == INT64_MAX)
                break;
        }
        if (p > bounds.positionHigh)
            break;
        for (size_t k = 0; k < records.size() && out.items.size() < limit; ++k) {
            ReadRecord& record = *records[k].second;
            if (positions)
                next[k] = std::max(next[k], record.lowerBound(p));
            if (next[k] >= record.count() || record.positionAt(next[k]) != p)
                continue;
            const PackedCell* cell = record.cell(next[k]++);
            if (!cell)
                return SQLITE_CORRUPT;
            out.items.push_back({records[k].first, p, cell->id, static_cast<uint32_t>(out.bytes.size()),
                                 static_cast<uint32_t>(cell->text.size()), cell->null});
            out.bytes.append(cell->text);
        }
    }
    return SQLITE_OK;
}

} // namespace

PackedGroupRead readPackedRows(sqlite3* db, const Entity& entity, const std::vector<int64_t>* positions, size_t limit,
                               PackedRows& out, const PackedBounds& bounds) {
    out.clear();
    PackedGroupRead read;
    if (!entity.packed)
        return read;
    if (limit == 0)
        limit = SIZE_MAX;
    Vtab* tab = openTable(db, entity);
    if (!tab)
        return {false, SQLITE_ERROR};
    if ((read.rc = flushPackedRecords(db)) != SQLITE_OK)
        return read;
    // One snapshot for every read, unless a transaction already gives one.
    const bool own = sqlite3_get_autocommit(db) != 0;
    if (own && (read.rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr)) != SQLITE_OK)
        return read;
    const int64_t runLength = std::max(1, entity.packed->runLength);
    int64_t from = positions ? (positions->empty() ? INT64_MAX : firstOf(std::max<int64_t>(0, positions->front()), runLength)) : 0;
    if (bounds.empty())
        from = INT64_MAX;
    else if (from != INT64_MAX && bounds.positionLow > from)
        from = firstOf(bounds.positionLow, runLength);
    // No record starting past this holds a wanted position.
    const int64_t last = positions && !positions->empty() ? std::min(positions->back(), bounds.positionHigh) : bounds.positionHigh;
    int rc = SQLITE_OK;
    if (from != INT64_MAX) {
        sqlite3_stmt* s = tab->statement("SELECT \"key\", \"first\" FROM " + quoted(tab->shape->records) +
                                         " WHERE \"first\" >= ?1 ORDER BY \"first\", \"key\"");
        if (!s)
            rc = SQLITE_ERROR;
        else
            sqlite3_bind_int64(s, 1, from);
        std::vector<std::pair<int64_t, std::shared_ptr<ReadRecord>>> run;
        int64_t runFirst = -1;
        bool checked = false;
        while (rc == SQLITE_OK && out.items.size() < limit) {
            const int step = sqlite3_step(s);
            if (step != SQLITE_ROW && step != SQLITE_DONE) {
                rc = step;
                break;
            }
            if (!checked) {
                // The read has begun: the records kept decoded hold only while the file is unchanged.
                tab->checkReadCache();
                checked = true;
            }
            int64_t first = step == SQLITE_ROW ? sqlite3_column_int64(s, 1) : INT64_MAX;
            if (first > last)
                first = INT64_MAX;
            if (first != runFirst && !run.empty()) {
                rc = addRunRows(run, runFirst, runLength, positions, limit, bounds, out);
                run.clear();
            }
            if (first == INT64_MAX || rc != SQLITE_OK)
                break;
            runFirst = first;
            if (positions) {
                auto w = std::lower_bound(positions->begin(), positions->end(), first);
                if (w == positions->end() || *w >= first + runLength)
                    continue; // no wanted position in this run
            }
            if (const int64_t group = sqlite3_column_int64(s, 0); group < bounds.groupLow || group > bounds.groupHigh)
                continue;
            std::shared_ptr<ReadRecord> record;
            rc = tab->readRecord(sqlite3_column_int64(s, 0), first, true, record);
            if (rc == SQLITE_OK && record->count() > 0)
                run.emplace_back(sqlite3_column_int64(s, 0), std::move(record));
        }
        if (s)
            sqlite3_reset(s);
    }
    // Loose objects come into the order among these (or after them, when all were taken): the read
    // cannot stand for the fetch then.
    bool loose = false;
    if (rc == SQLITE_OK) {
        const bool full = out.items.size() >= limit;
        const std::string& position = tab->shape->columns[static_cast<size_t>(tab->shape->position)];
        sqlite3_stmt* s = tab->statement(
            "SELECT EXISTS (SELECT 1 FROM " + quoted(tab->shape->loose) +
            (full ? " WHERE " + quoted(position) + " IS NULL OR " + quoted(position) + " <= ?1)" : ")"));
        if (!s) {
            rc = SQLITE_ERROR;
        } else {
            if (full)
                sqlite3_bind_int64(s, 1, out.items.back().position);
            const int step = sqlite3_step(s);
            loose = step != SQLITE_ROW || sqlite3_column_int(s, 0) != 0;
            if (step != SQLITE_ROW)
                rc = step;
            sqlite3_reset(s);
        }
    }
    if (own)
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    read.rc = rc;
    read.complete = rc == SQLITE_OK && !loose;
    if (!read.complete)
        out.clear();
    return read;
}

int flushPackedRecords(sqlite3* db) {
    std::vector<Vtab*> tabs;
    {
        std::lock_guard lock(openMutex);
        auto range = openTables().equal_range(db);
        for (auto it = range.first; it != range.second; ++it)
            tabs.push_back(it->second);
    }
    for (auto* tab : tabs)
        if (int rc = tab->flush(); rc != SQLITE_OK)
            return rc;
    return SQLITE_OK;
}

} // namespace store
