// The description of the stored entities: attributes, to-one links (foreign-key columns), to-many
// relationships (the inverse foreign key or a link table), indexes, and the schema version.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace store {

class ManagedObject;

enum class AttributeType {
    Integer, // INTEGER
    Double,  // REAL
    Text,    // TEXT
    Decimal, // TEXT holding the exact decimal digits in the C locale
    Date,    // REAL, seconds since 1970
    Boolean, // INTEGER 0/1
    TextSet, // TEXT holding a JSON array of distinct strings
};

// What happens to a referring row when the row it points to is deleted.
enum class DeleteRule { Nullify, Cascade };

struct Attribute {
    std::string name;
    AttributeType type = AttributeType::Text;
};

// A to-one relationship: an INTEGER column named like the relationship holding the target's id.
struct ToOne {
    std::string name;
    std::string target;
    DeleteRule onTargetDelete = DeleteRule::Nullify;
};

// A to-many relationship. When the inverse is a to-one of the target, the inverse's column is the only
// record of it; otherwise both sides name the same link table, whose two columns are the entity names.
struct ToMany {
    std::string name;
    std::string target;
    std::string inverse;
    std::string linkTable; // empty when the inverse is a to-one
};

struct Index {
    std::string name;
    std::vector<std::string> columns;
    std::string where; // a partial index's condition, or empty
};

// An entity kept packed instead of one SQL row per object (see PackedTable.h): the objects of one
// group (an integer attribute) are stored by their position (another integer attribute) in records
// of runLength consecutive positions, each record holding the ids and one text attribute of its
// objects. Objects that do not fit (no group or position, another attribute set, a taken position)
// are kept one row each in the entity's loose table. Fetches, counts, changes and SQL over the
// entity's name see both as one table.
struct Packing {
    std::string group;    // integer attribute: the first key of a record
    std::string position; // integer attribute: the place within the group
    std::string value;    // text attribute kept in the record
    int runLength = 4096;
};

struct Entity {
    std::string name;
    std::vector<Attribute> attributes;
    std::vector<ToOne> toOne;
    std::vector<ToMany> toMany;
    std::vector<Index> indexes;
    // Makes the object class of this entity; a plain ManagedObject when not set.
    std::function<std::shared_ptr<ManagedObject>()> make;
    std::optional<Packing> packed;

    // Slots number the stored columns after "id": the attributes in order, then the to-one links.
    int slotCount() const { return static_cast<int>(attributes.size() + toOne.size()); }
    int slot(std::string_view column) const; // -1 when there is none
    const std::string& slotName(int slot) const;
    bool isToOneSlot(int slot) const { return slot >= static_cast<int>(attributes.size()); }
    const ToOne& toOneAt(int slot) const { return toOne[static_cast<size_t>(slot) - attributes.size()]; }
    const ToMany* toManyNamed(std::string_view name) const;
};

struct Schema {
    int version = 1; // kept in PRAGMA user_version
    std::vector<Entity> entities;

    const Entity* entity(std::string_view name) const;
    int entityIndex(std::string_view name) const; // -1 when there is none
};

// Quotes an identifier for SQL ("order", "Column" and "Row" are keywords).
std::string quoted(std::string_view identifier);

} // namespace store
