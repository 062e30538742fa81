// Keyed archives: an in-memory tree of objects and entries, its byte form, and a strict reader.
#include "platform/foundation/KeyedArchive.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <set>

namespace foundation {
namespace archive {

enum Tag : std::uint8_t {
    Nil = 0,
    Bool = 1,
    Int32 = 2,
    Int64 = 3,
    UInt64 = 4,
    Double = 5,
    Bytes = 6,
    String = 7,
    DecimalTag = 8,
    ObjectTag = 9,
    Array = 10,
    Reference = 11,
    Conditional = 12,
};

struct Entry {
    Tag tag = Nil;
    std::int64_t i = 0;
    std::uint64_t u = 0;
    double d = 0;
    std::vector<std::uint8_t> bytes; // bytes and strings
    Decimal decimal;
    std::shared_ptr<Object> object;
    std::vector<Entry> items;
    const void* identity = nullptr; // a conditional reference while writing
};

struct Object {
    std::string className;
    std::map<std::string, Entry, std::less<>> entries;
};

// The objects of an archive being written: the root first, then the shared objects by identity.
struct WriteState {
    std::vector<std::shared_ptr<Object>> table;
    std::map<const void*, std::uint32_t> indices;
};

struct State {
    bool failed = false;
    std::string error;
    std::vector<std::shared_ptr<const Object>> table; // version 2: the objects held by reference
    struct Decoded {
        std::type_index type;
        std::shared_ptr<void> object;
    };
    std::map<const Object*, Decoded> decoded;
    std::set<const Object*> inProgress;
    int depth = 0;
    struct Link {
        const Object* owner;
        const Object* target;
        std::type_index type;
        std::function<void(const std::shared_ptr<void>&)> link;
    };
    std::vector<Link> links;
};

} // namespace archive

namespace {

using archive::Entry;
using archive::Object;
using archive::Tag;

constexpr char kMagic[4] = {'O', 'V', 'K', 'A'};
constexpr std::uint8_t kVersion = 2;
constexpr std::uint8_t kTreeVersion = 1; // no references
constexpr int kMaxDepth = 64;
const std::string kEmpty;

// ---- writing

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}

void put64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    for (int k = 0; k < 8; ++k)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}

void putString(std::vector<std::uint8_t>& out, std::string_view s) {
    put32(out, static_cast<std::uint32_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
}

void writeObject(std::vector<std::uint8_t>& out, const Object& object, const archive::WriteState& writes);

void writeEntry(std::vector<std::uint8_t>& out, const Entry& e, const archive::WriteState& writes) {
    if (e.tag == archive::Conditional) {
        const auto it = writes.indices.find(e.identity);
        if (it == writes.indices.end()) {
            out.push_back(archive::Nil); // nobody holds the object: no reference
        } else {
            out.push_back(archive::Conditional);
            put32(out, it->second);
        }
        return;
    }
    out.push_back(e.tag);
    switch (e.tag) {
    case archive::Nil:
        break;
    case archive::Bool:
        out.push_back(e.i != 0 ? 1 : 0);
        break;
    case archive::Int32:
        put32(out, static_cast<std::uint32_t>(e.i));
        break;
    case archive::Int64:
        put64(out, static_cast<std::uint64_t>(e.i));
        break;
    case archive::UInt64:
        put64(out, e.u);
        break;
    case archive::Double:
        put64(out, std::bit_cast<std::uint64_t>(e.d));
        break;
    case archive::Bytes:
    case archive::String:
        put32(out, static_cast<std::uint32_t>(e.bytes.size()));
        out.insert(out.end(), e.bytes.begin(), e.bytes.end());
        break;
    case archive::DecimalTag: {
        std::uint8_t raw[20];
        std::memcpy(raw, &e.decimal, sizeof raw);
        out.insert(out.end(), raw, raw + sizeof raw);
        break;
    }
    case archive::ObjectTag:
        writeObject(out, *e.object, writes);
        break;
    case archive::Array:
        put32(out, static_cast<std::uint32_t>(e.items.size()));
        for (const Entry& item : e.items)
            writeEntry(out, item, writes);
        break;
    case archive::Reference:
    case archive::Conditional:
        put32(out, static_cast<std::uint32_t>(e.u));
        break;
    }
}

void writeObject(std::vector<std::uint8_t>& out, const Object& object, const archive::WriteState& writes) {
    putString(out, object.className);
    put32(out, static_cast<std::uint32_t>(object.entries.size()));
    for (const auto& [key, entry] : object.entries) {
        putString(out, key);
        writeEntry(out, entry, writes);
    }
}

Entry entryForValue(const Value& v) {
    Entry e;
    switch (v.kind()) {
    case Value::Kind::Null:
        break;
    case Value::Kind::Integer:
        e.tag = archive::Int64;
        e.i = v.toInt64();
        break;
    case Value::Kind::Unsigned:
        e.tag = archive::UInt64;
        e.u = v.toUInt64();
        break;
    case Value::Kind::Double:
        e.tag = archive::Double;
        e.d = v.toDouble();
        break;
    case Value::Kind::Bool:
        e.tag = archive::Bool;
        e.i = v.toBool() ? 1 : 0;
        break;
    case Value::Kind::Decimal:
        e.tag = archive::DecimalTag;
        e.decimal = v.toDecimal();
        break;
    case Value::Kind::String:
        e.tag = archive::String;
        e.bytes.assign(v.string().begin(), v.string().end());
        break;
    case Value::Kind::Array:
        e.tag = archive::Array;
        for (const Value& item : v.array())
            e.items.push_back(entryForValue(item));
        break;
    case Value::Kind::Dictionary:
        e.tag = archive::ObjectTag;
        e.object = std::make_shared<Object>();
        e.object->className = "NSDictionary";
        for (const auto& [key, item] : v.dictionary())
            e.object->entries[key] = entryForValue(item);
        break;
    }
    return e;
}

// ---- reading

class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}

    // The version, or 0 when the data is not an archive of a version we read.
    std::uint8_t magic() {
        if (data_.size() < 5 || std::memcmp(data_.data(), kMagic, 4) != 0 ||
            (data_[4] != kVersion && data_[4] != kTreeVersion))
            return 0;
        pos_ = 5;
        return data_[4];
    }
    bool atEnd() const { return pos_ == data_.size(); }

    // Version 2: the count of objects, each at least a class name and a count long.
    bool tableSize(std::uint32_t& n) {
        if (!u32(n) || n == 0 || n > remaining() / 8)
            return false;
        tableSize_ = n;
        return true;
    }

    bool object(Object& out, int depth) {
        if (depth > kMaxDepth || !string(out.className))
            return false;
        std::uint32_t count = 0;
        if (!u32(count) || count > remaining() / 5) // a key and a tag take at least 5 bytes
            return false;
        for (std::uint32_t k = 0; k < count; ++k) {
            std::string key;
            Entry entry;
            if (!string(key) || !this->entry(entry, depth))
                return false;
            if (!out.entries.emplace(std::move(key), std::move(entry)).second)
                return false; // a key twice
        }
        return true;
    }

  private:
    std::size_t remaining() const { return data_.size() - pos_; }

    bool u8(std::uint8_t& v) {
        if (remaining() < 1)
            return false;
        v = data_[pos_++];
        return true;
    }
    bool u32(std::uint32_t& v) {
        if (remaining() < 4)
            return false;
        v = 0;
        for (int k = 0; k < 4; ++k)
            v |= static_cast<std::uint32_t>(data_[pos_ + k]) << (8 * k);
        pos_ += 4;
        return true;
    }
    bool u64(std::uint64_t& v) {
        if (remaining() < 8)
            return false;
        v = 0;
        for (int k = 0; k < 8; ++k)
            v |= static_cast<std::uint64_t>(data_[pos_ + k]) << (8 * k);
        pos_ += 8;
        return true;
    }
    bool raw(std::vector<std::uint8_t>& out) {
        std::uint32_t n = 0;
        if (!u32(n) || n > remaining())
            return false;
        out.assign(data_.begin() + static_cast<std::ptrdiff_t>(pos_),
                   data_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
        pos_ += n;
        return true;
    }
    bool string(std::string& out) {
        std::uint32_t n = 0;
        if (!u32(n) || n > remaining())
            return false;
        out.assign(reinterpret_cast<const char*>(data_.data() + pos_), n);
        pos_ += n;
        return true;
    }

    bool entry(Entry& e, int depth) {
        std::uint8_t tag = 0;
        if (!u8(tag))
            return false;
        e.tag = static_cast<Tag>(tag);
        switch (tag) {
        case archive::Nil:
            return true;
        case archive::Bool: {
            std::uint8_t b = 0;
            if (!u8(b) || b > 1)
                return false;
            e.i = b;
            return true;
        }
        case archive::Int32: {
            std::uint32_t v = 0;
            if (!u32(v))
                return false;
            e.i = static_cast<std::int32_t>(v);
            return true;
        }
        case archive::Int64: {
            std::uint64_t v = 0;
            if (!u64(v))
                return false;
            e.i = static_cast<std::int64_t>(v);
            return true;
        }
        case archive::UInt64:
            return u64(e.u);
        case archive::Double: {
            std::uint64_t v = 0;
            if (!u64(v))
                return false;
            e.d = std::bit_cast<double>(v);
            return true;
        }
        case archive::Bytes:
        case archive::String:
            return raw(e.bytes);
        case archive::DecimalTag:
            if (remaining() < sizeof(Decimal))
                return false;
            std::memcpy(&e.decimal, data_.data() + pos_, sizeof(Decimal));
            pos_ += sizeof(Decimal);
            return true;
        case archive::ObjectTag:
            e.object = std::make_shared<Object>();
            return object(*e.object, depth + 1);
        case archive::Array: {
            std::uint32_t n = 0;
            if (depth + 1 > kMaxDepth || !u32(n) || n > remaining()) // every entry takes a byte
                return false;
            e.items.resize(n);
            for (Entry& item : e.items)
                if (!entry(item, depth + 1))
                    return false;
            return true;
        }
        case archive::Reference:
        case archive::Conditional: {
            std::uint32_t index = 0;
            if (!u32(index) || index >= tableSize_) // version 1 has no objects to refer to
                return false;
            e.u = index;
            return true;
        }
        default:
            return false;
        }
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    std::uint32_t tableSize_ = 0;
};

} // namespace

// ---- archiver

KeyedArchiver::KeyedArchiver(std::string className)
    : root_(std::make_shared<Object>()), writes_(std::make_shared<archive::WriteState>()) {
    root_->className = std::move(className);
    writes_->table.push_back(root_);
}

KeyedArchiver::KeyedArchiver(std::string className, std::shared_ptr<archive::WriteState> writes)
    : root_(std::make_shared<Object>()), writes_(std::move(writes)) {
    root_->className = std::move(className);
}
KeyedArchiver::~KeyedArchiver() = default;
KeyedArchiver::KeyedArchiver(KeyedArchiver&&) noexcept = default;
KeyedArchiver& KeyedArchiver::operator=(KeyedArchiver&&) noexcept = default;

namespace {
Entry& slot(Object& object, std::string_view key) {
    Entry& e = object.entries[std::string(key)];
    e = Entry{};
    return e;
}
} // namespace

void KeyedArchiver::encodeBool(bool value, std::string_view key) {
    Entry& e = slot(*root_, key);
    e.tag = archive::Bool;
    e.i = value ? 1 : 0;
}

void KeyedArchiver::encodeInt32(std::int32_t value, std::string_view key) {
    Entry& e = slot(*root_, key);
    e.tag = archive::Int32;
    e.i = value;
}

void KeyedArchiver::encodeInt64(std::int64_t value, std::string_view key) {
    Entry& e = slot(*root_, key);
    e.tag = archive::Int64;
    e.i = value;
}

void KeyedArchiver::encodeDouble(double value, std::string_view key) {
    Entry& e = slot(*root_, key);
    e.tag = archive::Double;
    e.d = value;
}

void KeyedArchiver::encodeBytes(std::span<const std::uint8_t> bytes, std::string_view key) {
    Entry& e = slot(*root_, key);
    e.tag = archive::Bytes;
    e.bytes.assign(bytes.begin(), bytes.end());
}

void KeyedArchiver::encodeString(std::string_view value, std::string_view key) {
    Entry& e = slot(*root_, key);
    e.tag = archive::String;
    e.bytes.assign(value.begin(), value.end());
}

void KeyedArchiver::encodeDecimal(const Decimal& value, std::string_view key) {
    Entry& e = slot(*root_, key);
    e.tag = archive::DecimalTag;
    e.decimal = value;
}

void KeyedArchiver::encodeValue(const Value& value, std::string_view key) {
    slot(*root_, key) = entryForValue(value);
}

void KeyedArchiver::encodeObject(std::string_view className, std::string_view key,
                                 const std::function<void(KeyedArchiver&)>& encode) {
    KeyedArchiver nested{std::string(className), writes_};
    if (encode)
        encode(nested);
    Entry& e = slot(*root_, key);
    e.tag = archive::ObjectTag;
    e.object = nested.root_;
}

void KeyedArchiver::encodeSharedObject(const void* identity, std::string_view className, std::string_view key,
                                       const std::function<void(KeyedArchiver&)>& encode) {
    if (identity == nullptr) {
        slot(*root_, key);
        return;
    }
    archive::WriteState& writes = *writes_;
    auto it = writes.indices.find(identity);
    if (it == writes.indices.end()) {
        const auto index = static_cast<std::uint32_t>(writes.table.size());
        it = writes.indices.emplace(identity, index).first;
        KeyedArchiver nested{std::string(className), writes_};
        writes.table.push_back(nested.root_); // its place is taken before its own shared objects
        if (encode)
            encode(nested);
    }
    Entry& e = slot(*root_, key);
    e.tag = archive::Reference;
    e.u = it->second;
}

void KeyedArchiver::encodeConditionalObject(const void* identity, std::string_view key) {
    Entry& e = slot(*root_, key);
    if (identity == nullptr)
        return;
    e.tag = archive::Conditional;
    e.identity = identity;
}

void KeyedArchiver::setRootIdentity(const void* identity) {
    if (identity != nullptr)
        writes_->indices[identity] = 0;
}

std::vector<std::uint8_t> KeyedArchiver::encodedData() const {
    std::vector<std::uint8_t> out(kMagic, kMagic + 4);
    out.push_back(kVersion);
    put32(out, static_cast<std::uint32_t>(writes_->table.size()));
    for (const auto& object : writes_->table)
        writeObject(out, *object, *writes_);
    return out;
}

// ---- unarchiver

KeyedUnarchiver::KeyedUnarchiver(std::span<const std::uint8_t> data)
    : state_(std::make_shared<archive::State>()) {
    Reader reader(data);
    const std::uint8_t version = reader.magic();
    std::uint32_t count = 1;
    bool readable = version != 0 && (version == kTreeVersion || reader.tableSize(count));
    std::vector<std::shared_ptr<const Object>> table;
    for (std::uint32_t k = 0; readable && k < count; ++k) {
        auto object = std::make_shared<Object>();
        readable = reader.object(*object, 0);
        table.push_back(std::move(object));
    }
    if (!readable || !reader.atEnd()) {
        object_ = std::make_shared<Object>();
        failWithError("The data is not a readable archive.");
        return;
    }
    object_ = table.front();
    state_->table = std::move(table);
}

KeyedUnarchiver::KeyedUnarchiver(std::shared_ptr<const Object> object, std::shared_ptr<archive::State> state)
    : object_(std::move(object)), state_(std::move(state)) {}

bool KeyedUnarchiver::failed() const {
    return state_->failed;
}
const std::string& KeyedUnarchiver::error() const {
    return state_->error;
}

void KeyedUnarchiver::failWithError(const std::string& message) {
    if (state_->failed)
        return; // the first cause is the one worth reporting
    state_->failed = true;
    state_->error = message;
}

const std::string& KeyedUnarchiver::className() const {
    return object_ ? object_->className : kEmpty;
}

bool KeyedUnarchiver::containsValueForKey(std::string_view key) const {
    return object_->entries.find(key) != object_->entries.end();
}

namespace {
const Entry* lookup(const Object& object, std::string_view key) {
    const auto it = object.entries.find(key);
    return it == object.entries.end() ? nullptr : &it->second;
}

std::string wrongType(std::string_view key, const char* wanted) {
    return "The value for key \"" + std::string(key) + "\" is not " + wanted + ".";
}

// The integer of an entry, when it is one and fits in [lo, hi].
std::optional<std::int64_t> integerOf(const Entry& e, std::int64_t lo, std::int64_t hi) {
    std::int64_t v = 0;
    if (e.tag == archive::Int32 || e.tag == archive::Int64)
        v = e.i;
    else if (e.tag == archive::UInt64 &&
             e.u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        v = static_cast<std::int64_t>(e.u);
    else
        return std::nullopt;
    if (v < lo || v > hi)
        return std::nullopt;
    return v;
}
} // namespace

bool KeyedUnarchiver::decodeBoolForKey(std::string_view key) {
    const Entry* e = lookup(*object_, key);
    if (e == nullptr || failed())
        return false;
    if (e->tag != archive::Bool) {
        failWithError(wrongType(key, "a boolean"));
        return false;
    }
    return e->i != 0;
}

std::int32_t KeyedUnarchiver::decodeInt32ForKey(std::string_view key) {
    const Entry* e = lookup(*object_, key);
    if (e == nullptr || failed())
        return 0;
    const auto v =
        integerOf(*e, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
    if (!v) {
        failWithError(wrongType(key, "a 32-bit integer"));
        return 0;
    }
    return static_cast<std::int32_t>(*v);
}

std::int64_t KeyedUnarchiver::decodeInt64ForKey(std::string_view key) {
    const Entry* e = lookup(*object_, key);
    if (e == nullptr || failed())
        return 0;
    const auto v =
        integerOf(*e, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max());
    if (!v) {
        failWithError(wrongType(key, "an integer"));
        return 0;
    }
    return *v;
}

double KeyedUnarchiver::decodeDoubleForKey(std::string_view key) {
    const Entry* e = lookup(*object_, key);
    if (e == nullptr || failed())
        return 0;
    if (e->tag != archive::Double) {
        failWithError(wrongType(key, "a double"));
        return 0;
    }
    return e->d;
}

std::vector<std::uint8_t> KeyedUnarchiver::decodeBytesForKey(std::string_view key) {
    const Entry* e = lookup(*object_, key);
    if (e == nullptr || failed())
        return {};
    if (e->tag != archive::Bytes) {
        failWithError(wrongType(key, "bytes"));
        return {};
    }
    return e->bytes;
}

std::string KeyedUnarchiver::decodeStringForKey(std::string_view key) {
    const Entry* e = lookup(*object_, key);
    if (e == nullptr || failed())
        return {};
    if (e->tag != archive::String) {
        failWithError(wrongType(key, "a string"));
        return {};
    }
    return std::string(e->bytes.begin(), e->bytes.end());
}

Decimal KeyedUnarchiver::decodeDecimalForKey(std::string_view key) {
    const Entry* e = lookup(*object_, key);
    if (e == nullptr || failed())
        return Decimal::notANumber();
    if (e->tag != archive::DecimalTag) {
        failWithError(wrongType(key, "a decimal"));
        return Decimal::notANumber();
    }
    return e->decimal;
}

namespace {
std::optional<Value> valueOf(const Entry& e) {
    switch (e.tag) {
    case archive::Nil:
        return Value();
    case archive::Bool:
        return Value(e.i != 0);
    case archive::Int32:
    case archive::Int64:
        return Value(e.i);
    case archive::UInt64:
        return Value(e.u);
    case archive::Double:
        return Value(e.d);
    case archive::String:
        return Value(std::string(e.bytes.begin(), e.bytes.end()));
    case archive::DecimalTag:
        return Value(e.decimal);
    case archive::Array: {
        Value::Array items;
        for (const Entry& item : e.items) {
            auto v = valueOf(item);
            if (!v)
                return std::nullopt;
            items.push_back(std::move(*v));
        }
        return Value(std::move(items));
    }
    case archive::ObjectTag: {
        if (e.object->className != "NSDictionary")
            return std::nullopt;
        Value::Dictionary members;
        for (const auto& [key, item] : e.object->entries) {
            auto v = valueOf(item);
            if (!v)
                return std::nullopt;
            members.emplace(key, std::move(*v));
        }
        return Value(std::move(members));
    }
    default:
        return std::nullopt;
    }
}
} // namespace

Value KeyedUnarchiver::decodeValueForKey(std::string_view key) {
    const Entry* e = lookup(*object_, key);
    if (e == nullptr || failed())
        return Value();
    auto v = valueOf(*e);
    if (!v) {
        failWithError(wrongType(key, "a value"));
        return Value();
    }
    return std::move(*v);
}

std::optional<std::string> KeyedUnarchiver::classNameForKey(std::string_view key) const {
    const Entry* e = lookup(*object_, key);
    if (e == nullptr)
        return std::nullopt;
    if (e->tag == archive::ObjectTag)
        return e->object->className;
    if (e->tag == archive::Reference)
        return state_->table[e->u]->className;
    return std::nullopt;
}

std::optional<KeyedUnarchiver>
KeyedUnarchiver::decodeObjectForKey(std::string_view key, std::initializer_list<std::string_view> classes) {
    const Entry* e = lookup(*object_, key);
    if (e == nullptr || failed() || e->tag == archive::Nil)
        return std::nullopt;
    if (e->tag != archive::ObjectTag) {
        failWithError(wrongType(key, "an object"));
        return std::nullopt;
    }
    for (std::string_view allowed : classes)
        if (allowed == e->object->className)
            return KeyedUnarchiver(e->object, state_);
    failWithError("The object for key \"" + std::string(key) + "\" has the unexpected class \"" +
                  e->object->className + "\".");
    return std::nullopt;
}

namespace {
bool allowed(std::initializer_list<std::string_view> classes, const std::string& className) {
    for (std::string_view name : classes)
        if (name == className)
            return true;
    return false;
}

std::string unexpectedClass(std::string_view key, const std::string& className) {
    return "The object for key \"" + std::string(key) + "\" has the unexpected class \"" + className + "\".";
}
} // namespace

std::shared_ptr<void> KeyedUnarchiver::decodeSharedObjectForKey(std::string_view key,
                                                                std::initializer_list<std::string_view> classes,
                                                                std::type_index type, const Decoder& decode) {
    const Entry* e = lookup(*object_, key);
    if (e == nullptr || failed() || e->tag == archive::Nil)
        return nullptr;
    if (e->tag != archive::ObjectTag && e->tag != archive::Reference) {
        failWithError(wrongType(key, "an object"));
        return nullptr;
    }
    std::shared_ptr<const Object> object =
        e->tag == archive::ObjectTag ? std::shared_ptr<const Object>(e->object) : state_->table[e->u];
    if (!allowed(classes, object->className)) {
        failWithError(unexpectedClass(key, object->className));
        return nullptr;
    }
    return decodeObject(object, type, decode);
}

std::shared_ptr<void> KeyedUnarchiver::decodeObject(const std::shared_ptr<const Object>& object,
                                                    std::type_index type, const Decoder& decode) {
    archive::State& state = *state_;
    if (const auto it = state.decoded.find(object.get()); it != state.decoded.end()) {
        if (it->second.type != type) {
            failWithError("An object of class \"" + object->className + "\" is read as two different kinds.");
            return nullptr;
        }
        return it->second.object;
    }
    if (state.inProgress.count(object.get()) != 0) {
        failWithError("An object of class \"" + object->className + "\" holds itself.");
        return nullptr;
    }
    if (state.depth >= kMaxObjectDepth) {
        failWithError("The objects nest deeper than " + std::to_string(kMaxObjectDepth) + " levels.");
        return nullptr;
    }
    state.inProgress.insert(object.get());
    ++state.depth;
    std::shared_ptr<void> result;
    try {
        KeyedUnarchiver coder(object, state_);
        result = decode(coder);
    } catch (const std::exception& ex) {
        failWithError(ex.what());
    }
    --state.depth;
    state.inProgress.erase(object.get());
    if (failed() || !result)
        return nullptr;
    state.decoded.emplace(object.get(), archive::State::Decoded{type, result});
    return result;
}

void KeyedUnarchiver::decodeConditionalObjectForKey(std::string_view key,
                                                    std::initializer_list<std::string_view> classes,
                                                    std::type_index type,
                                                    std::function<void(const std::shared_ptr<void>&)> link) {
    const Entry* e = lookup(*object_, key);
    if (e == nullptr || failed() || e->tag == archive::Nil)
        return;
    if (e->tag != archive::Conditional) {
        failWithError(wrongType(key, "a conditional reference"));
        return;
    }
    const Object* target = state_->table[e->u].get();
    if (!allowed(classes, target->className)) {
        failWithError(unexpectedClass(key, target->className));
        return;
    }
    state_->links.push_back(archive::State::Link{object_.get(), target, type, std::move(link)});
}

std::shared_ptr<void> KeyedUnarchiver::decodeRootObjectAs(std::initializer_list<std::string_view> classes,
                                                          std::type_index type, const Decoder& decode) {
    archive::State& state = *state_;
    std::shared_ptr<void> result;
    if (!failed() && !allowed(classes, object_->className))
        failWithError("The archive's root has the unexpected class \"" + object_->className + "\".");
    if (!failed())
        result = decodeObject(object_, type, decode);
    // A link is set only between objects that the decoded objects hold (more than this record of them).
    auto held = [&state](const Object* object) -> const archive::State::Decoded* {
        const auto it = state.decoded.find(object);
        return it == state.decoded.end() || it->second.object.use_count() < 2 ? nullptr : &it->second;
    };
    for (const archive::State::Link& link : state.links) {
        if (failed())
            break;
        const archive::State::Decoded* owner = held(link.owner);
        const archive::State::Decoded* target = held(link.target);
        if (owner == nullptr || target == nullptr)
            continue;
        if (target->type != link.type) {
            failWithError("A conditional reference names an object of another kind.");
            break;
        }
        try {
            link.link(target->object);
        } catch (const std::exception& ex) {
            failWithError(ex.what());
        }
    }
    state.links.clear();
    state.decoded.clear();
    if (failed())
        return nullptr;
    return result;
}

} // namespace foundation
