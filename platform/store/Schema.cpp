// Lookups over the entity description.
#include "platform/store/Schema.h"

namespace store {

int Entity::slot(std::string_view column) const {
    for (size_t i = 0; i < attributes.size(); ++i)
        if (attributes[i].name == column)
            return static_cast<int>(i);
    for (size_t i = 0; i < toOne.size(); ++i)
        if (toOne[i].name == column)
            return static_cast<int>(attributes.size() + i);
    return -1;
}

const std::string& Entity::slotName(int slot) const {
    if (isToOneSlot(slot))
        return toOneAt(slot).name;
    return attributes[static_cast<size_t>(slot)].name;
}

const ToMany* Entity::toManyNamed(std::string_view name) const {
    for (const auto& r : toMany)
        if (r.name == name)
            return &r;
    return nullptr;
}

const Entity* Schema::entity(std::string_view name) const {
    int i = entityIndex(name);
    return i < 0 ? nullptr : &entities[static_cast<size_t>(i)];
}

int Schema::entityIndex(std::string_view name) const {
    for (size_t i = 0; i < entities.size(); ++i)
        if (entities[i].name == name)
            return static_cast<int>(i);
    return -1;
}

std::string quoted(std::string_view identifier) {
    std::string out = "\"";
    for (char c : identifier) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

} // namespace store
