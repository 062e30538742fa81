// Stored objects: values by slot, writes through the owning context, relationships, text sets as JSON.
#include "platform/store/ManagedObject.h"
#include "platform/foundation/Json.h"

#include "platform/foundation/Log.h"
#include "platform/store/Context.h"

#include <algorithm>

namespace store {

namespace {
const Value nullValue;
const std::string emptyText;
} // namespace

const std::string& ManagedObject::textRef(int slot) const {
    const auto* text = std::get_if<std::string>(&value(slot));
    return text ? *text : emptyText;
}

ManagedObject::~ManagedObject() {
    if (context_)
        context_->unregister(this);
}

const Value& ManagedObject::value(int slot) const {
    if (slot < 0 || static_cast<size_t>(slot) >= values_.size())
        return nullValue;
    return values_[static_cast<size_t>(slot)];
}

const Value& ManagedObject::value(std::string_view name) const {
    return entity_ ? value(entity_->slot(name)) : nullValue;
}

bool ManagedObject::refuseDetached(std::string_view what) const {
    if (context_ && context_->writable(*this))
        return false;
    foundation::log("Cannot change " + std::string(what) + " of a " +
                    (entity_ ? entity_->name : "stored object") + " that is no longer in its context (" +
                    (deleted_ ? "deleted" : "detached") + ")");
    return true;
}

bool ManagedObject::setValue(int slot, Value v) {
    if (slot < 0 || static_cast<size_t>(slot) >= values_.size())
        return false;
    if (refuseDetached(entity_->slotName(slot)))
        return false;
    values_[static_cast<size_t>(slot)] = std::move(v);
    context_->updateSlot(*this, slot);
    return true;
}

bool ManagedObject::setValue(std::string_view name, Value v) {
    return entity_ && setValue(entity_->slot(name), std::move(v));
}

std::shared_ptr<ManagedObject> ManagedObject::toOne(int slot) const {
    auto id = asInt(value(slot));
    if (!id || !context_ || !entity_->isToOneSlot(slot))
        return nullptr;
    int target = context_->schema().entityIndex(entity_->toOneAt(slot).target);
    return context_->existingObjectWithID({target, *id});
}

bool ManagedObject::setToOne(int slot, const ManagedObject* target) {
    if (slot < 0 || !entity_->isToOneSlot(slot))
        return false;
    return setValue(slot, target ? Value(target->id_) : Value());
}

std::vector<std::shared_ptr<ManagedObject>> ManagedObject::toMany(std::string_view name) const {
    const ToMany* r = entity_ ? entity_->toManyNamed(name) : nullptr;
    if (!r || !context_)
        return {};
    FetchRequest request;
    request.entity = r->target;
    if (r->linkTable.empty()) {
        request.predicate = quoted(r->inverse) + " = ?";
    } else {
        request.predicate = "\"id\" IN (SELECT " + quoted(r->target) + " FROM " + quoted(r->linkTable) +
                            " WHERE " + quoted(entity_->name) + " = ?)";
    }
    request.arguments = {Value(id_)};
    request.sortDescriptors = {{"id", true}};
    return context_->executeFetchRequest(request);
}

bool ManagedObject::addToMany(std::string_view name, ManagedObject& target) {
    const ToMany* r = entity_ ? entity_->toManyNamed(name) : nullptr;
    if (!r || refuseDetached(name))
        return false;
    if (r->linkTable.empty())
        return target.setToOne(target.entity().slot(r->inverse), this);
    context_->record("INSERT OR IGNORE INTO " + quoted(r->linkTable) + " (" + quoted(entity_->name) + ", " +
                         quoted(r->target) + ") VALUES (?, ?)",
                     {Value(id_), Value(target.id_)});
    return true;
}

bool ManagedObject::removeFromMany(std::string_view name, ManagedObject& target) {
    const ToMany* r = entity_ ? entity_->toManyNamed(name) : nullptr;
    if (!r || refuseDetached(name))
        return false;
    if (r->linkTable.empty()) {
        int slot = target.entity().slot(r->inverse);
        if (asInt(target.value(slot)) != id_)
            return false;
        return target.setToOne(slot, nullptr);
    }
    context_->record("DELETE FROM " + quoted(r->linkTable) + " WHERE " + quoted(entity_->name) + " = ? AND " +
                         quoted(r->target) + " = ?",
                     {Value(id_), Value(target.id_)});
    return true;
}

std::vector<std::string> ManagedObject::textSetAt(int slot) const {
    auto text = textAt(slot);
    return text ? decodeTextSet(*text) : std::vector<std::string>{};
}

bool ManagedObject::setTextSet(int slot, const std::vector<std::string>& texts) {
    return setValue(slot, Value(encodeTextSet(texts)));
}

std::string encodeTextSet(const std::vector<std::string>& texts) {
    std::vector<std::string> sorted(texts);
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    foundation::Value::Array items(sorted.begin(), sorted.end());
    return foundation::toJson(foundation::Value(std::move(items)));
}

// Reads the arrays written above and by SQL tools (json_array); text that is not such an array gives
// nothing, and members that are not texts are passed over.
std::vector<std::string> decodeTextSet(std::string_view json) {
    std::vector<std::string> out;
    auto parsed = foundation::fromJson(json);
    if (!parsed)
        return out;
    for (const auto& item : parsed->array())
        if (item.kind() == foundation::Value::Kind::String)
            out.push_back(item.string());
    return out;
}

} // namespace store
