// A stored object: one row of an entity's table, held by the context that fetched or inserted it.
// While someone holds it, its context gives out this same object for its row (uniquing). After a reset
// or the end of its context it is detached: reads return its last values, writes are refused and logged.
#pragma once

#include "platform/store/Schema.h"
#include "platform/store/Value.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace store {

class Context;

// Names a stored object across contexts and threads: its entity and its row id in the workspace file.
struct ObjectId {
    int entity = -1;
    int64_t id = 0;
    explicit operator bool() const { return entity >= 0 && id > 0; }
    bool operator==(const ObjectId&) const = default;
};

class ManagedObject : public std::enable_shared_from_this<ManagedObject> {
  public:
    ManagedObject() = default;
    virtual ~ManagedObject();
    ManagedObject(const ManagedObject&) = delete;
    ManagedObject& operator=(const ManagedObject&) = delete;

    const Entity& entity() const { return *entity_; }
    ObjectId objectID() const { return {entityIndex_, id_}; }
    Context* managedObjectContext() const { return context_; }
    bool isDetached() const { return context_ == nullptr; }
    bool isDeleted() const { return deleted_; }

    // Attribute and to-one values by slot (Entity::slot) or by column name; unknown names read null.
    const Value& value(int slot) const;
    const Value& value(std::string_view name) const;
    // Writes through the context (part of its unsaved changes). False, and logged, when detached.
    bool setValue(int slot, Value v);
    bool setValue(std::string_view name, Value v);

    // Relationships, resolved in the object's context (nothing when detached).
    std::shared_ptr<ManagedObject> toOne(int slot) const;
    bool setToOne(int slot, const ManagedObject* target);
    std::vector<std::shared_ptr<ManagedObject>> toMany(std::string_view name) const;
    bool addToMany(std::string_view name, ManagedObject& target);
    bool removeFromMany(std::string_view name, ManagedObject& target);

  protected:
    // Typed reads and writes for the entity classes.
    std::optional<int64_t> integerAt(int slot) const { return asInt(value(slot)); }
    std::optional<double> doubleAt(int slot) const { return asDouble(value(slot)); }
    std::optional<std::string> textAt(int slot) const { return asText(value(slot)); }
    // The stored text, or an empty one when the value is null or not a text; no copy.
    const std::string& textRef(int slot) const;
    bool setInteger(int slot, std::optional<int64_t> v) { return setValue(slot, v ? Value(*v) : Value()); }
    bool setDouble(int slot, std::optional<double> v) { return setValue(slot, v ? Value(*v) : Value()); }
    bool setText(int slot, std::optional<std::string> v) {
        return setValue(slot, v ? Value(std::move(*v)) : Value());
    }
    // A set of texts kept as a JSON array (sorted, without duplicates).
    std::vector<std::string> textSetAt(int slot) const;
    bool setTextSet(int slot, const std::vector<std::string>& texts);

    // Entity classes keep their slots inline (see StoredObject), so an object is one allocation.
    void useStorage(Value* slots, size_t count) { values_ = std::span<Value>(slots, count); }

  private:
    friend class Context;
    bool refuseDetached(std::string_view what) const;

    const Entity* entity_ = nullptr;
    int64_t id_ = 0;
    Context* context_ = nullptr;
    int entityIndex_ = -1;
    bool deleted_ = false;
    std::span<Value> values_;
    std::unique_ptr<Value[]> ownValues_; // for objects without inline slots

    void ensureSlots(size_t count) {
        if (values_.size() == count)
            return;
        ownValues_ = std::make_unique<Value[]>(count);
        values_ = std::span<Value>(ownValues_.get(), count);
    }
};

// Base of an entity class with N slots held inline.
template <size_t N> class StoredObject : public ManagedObject {
  protected:
    StoredObject() { useStorage(slots_.data(), N); }

  private:
    std::array<Value, N> slots_;
};

// JSON array of strings, as kept by text-set attributes.
std::string encodeTextSet(const std::vector<std::string>& texts);
std::vector<std::string> decodeTextSet(std::string_view json);

} // namespace store
