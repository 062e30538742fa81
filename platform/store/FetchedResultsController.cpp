// Sections by runs of equal key values in the fetch order, and one change notice per main-queue turn.
#include "platform/store/FetchedResultsController.h"

#include "platform/foundation/Dispatch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace store {

FetchedResultsController::FetchedResultsController(FetchRequest request, std::shared_ptr<Context> context,
                                                   std::string sectionNameKeyPath)
    : request_(std::move(request)), context_(std::move(context)), sectionKey_(std::move(sectionNameKeyPath)),
      pending_(std::make_shared<Pending>(Pending{this})) {
    if (context_)
        observer_ = context_->addChangeObserver(request_.entity, [this] { contextChanged(); });
}

FetchedResultsController::~FetchedResultsController() {
    pending_->controller = nullptr;
    if (context_ && observer_)
        context_->removeChangeObserver(observer_);
}

void FetchedResultsController::contextChanged() {
    if (pending_->scheduled)
        return;
    pending_->scheduled = true;
    dispatch::mainQueue().async([pending = pending_] {
        pending->scheduled = false;
        FetchedResultsController* self = pending->controller;
        if (self && self->delegate_)
            self->delegate_->controllerDidChangeContent(*self);
    });
}

namespace {

// A JSON array of integers, as jsonIntegers writes it; nothing for any other text.
std::optional<std::vector<int64_t>> parseIntegers(std::string_view json) {
    std::vector<int64_t> out;
    size_t i = 0;
    auto space = [&] {
        while (i < json.size() && (json[i] == ' ' || json[i] == '\n' || json[i] == '\t' || json[i] == '\r'))
            ++i;
    };
    space();
    if (i >= json.size() || json[i++] != '[')
        return std::nullopt;
    space();
    if (i < json.size() && json[i] == ']') {
        ++i;
    } else {
        for (;;) {
            space();
            const bool negative = i < json.size() && json[i] == '-';
            if (negative)
                ++i;
            const size_t digits = i;
            int64_t v = 0;
            while (i < json.size() && json[i] >= '0' && json[i] <= '9' && i - digits < 18)
                v = v * 10 + (json[i++] - '0');
            if (i == digits || (i < json.size() && json[i] >= '0' && json[i] <= '9'))
                return std::nullopt; // no digits, or too many for an exact integer here
            out.push_back(negative ? -v : v);
            space();
            if (i < json.size() && json[i] == ',') {
                ++i;
                continue;
            }
            if (i < json.size() && json[i] == ']') {
                ++i;
                break;
            }
            return std::nullopt;
        }
    }
    space();
    if (i != json.size())
        return std::nullopt;
    if (!std::is_sorted(out.begin(), out.end()))
        std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

} // namespace

bool FetchedResultsController::fetchPacked(const Entity& entity, int entityIndex) {
    if (!entity.packed)
        return false;
    const Packing& packing = *entity.packed;
    const auto& sorts = request_.sortDescriptors;
    if (sorts.size() != 2 || sorts[0].key != packing.position || !sorts[0].ascending || sorts[1].key != packing.group ||
        !sorts[1].ascending)
        return false;
    if (!sectionKey_.empty() && sectionKey_ != packing.position && sectionKey_ != packing.group)
        return false;
    std::optional<std::vector<int64_t>> positions;
    if (!request_.predicate.empty() || !request_.arguments.empty()) {
        const std::string_view predicate = trimmed(request_.predicate);
        const std::string set = " IN (SELECT value FROM json_each(?))";
        if (request_.arguments.size() != 1 ||
            (predicate != quoted(packing.position) + set && predicate != packing.position + set))
            return false;
        const auto* json = std::get_if<std::string>(&request_.arguments[0]);
        if (!json || !(positions = parseIntegers(*json)))
            return false;
    }
    auto rows = std::make_unique<PackedRows>();
    const size_t limit = request_.fetchLimit > 0 ? size_t(request_.fetchLimit) : 0;
    if (!context_->readPackedRows(entity.name, positions ? &*positions : nullptr, limit, *rows))
        return false;
    mark_ = context_->readMark(entityIndex);
    entity_ = entityIndex;
    const bool byGroup = sectionKey_ == packing.group;
    for (size_t i = 0; i < rows->items.size(); ++i) {
        const auto& item = rows->items[i];
        const int64_t key = byGroup ? item.group : item.position;
        if (sections_.empty() || (!sectionKey_.empty() && std::get<int64_t>(sections_.back().key) != key))
            sections_.push_back({i, 0, sectionKey_.empty() ? Value() : Value(key)});
        ++sections_.back().count;
    }
    made_.assign(rows->items.size(), nullptr);
    packed_ = std::move(rows);
    return true;
}

std::shared_ptr<ManagedObject> FetchedResultsController::makePacked(size_t index) const {
    const Entity& entity = context_->schema().entities[size_t(entity_)];
    const Packing& packing = *entity.packed;
    const auto& item = packed_->items[index];
    // A packed object holds its group, position and value; every other slot is null.
    std::vector<Value> values(size_t(entity.slotCount()));
    const int group = entity.slot(packing.group), position = entity.slot(packing.position),
              text = entity.slot(packing.value);
    values[size_t(group)] = Value(item.group);
    values[size_t(position)] = Value(item.position);
    if (!item.null)
        values[size_t(text)] = Value(std::string(packed_->text(item)));
    if (context_->readMark(entity_) == mark_)
        return context_->objectWithValues(entity_, item.id, std::move(values));
    // The row may have changed since it was read: read it again, where it was, else wherever it is now.
    if (context_->hasStore()) {
        FetchRequest r;
        r.entity = entity.name;
        r.predicate = "\"id\" = ? AND " + quoted(packing.group) + " = ? AND " + quoted(packing.position) + " = ?";
        r.arguments = {Value(item.id), Value(item.group), Value(item.position)};
        auto found = context_->executeFetchRequest(r);
        if (found.empty()) {
            r.predicate = "\"id\" = ?";
            r.arguments.resize(1);
            found = context_->executeFetchRequest(r);
        }
        if (!found.empty())
            return found.front();
        return context_->detachedObject(entity_, item.id, std::move(values), true);
    }
    return context_->detachedObject(entity_, item.id, std::move(values), false);
}

std::shared_ptr<ManagedObject> FetchedResultsController::fetchedObjectAt(size_t index) const {
    if (!packed_)
        return index < objects_.size() ? objects_[index] : nullptr;
    if (index >= made_.size())
        return nullptr;
    if (!made_[index])
        made_[index] = makePacked(index);
    return made_[index];
}

std::shared_ptr<ManagedObject> FetchedObjects::iterator::operator*() const {
    return controller_->fetchedObjectAt(index_);
}

size_t FetchedObjects::size() const {
    return controller_->fetchedCount();
}

std::shared_ptr<ManagedObject> FetchedObjects::operator[](size_t i) const {
    return controller_->fetchedObjectAt(i);
}

std::optional<Error> FetchedResultsController::performFetch() {
    objects_.clear();
    sections_.clear();
    packed_.reset();
    made_.clear();
    entity_ = -1;
    if (!context_)
        return Error{Error::noStore, "No workspace is open", {}, {}};
    // Without a store, the context would answer nothing; that is a failure, not an empty workspace.
    if (!context_->hasStore())
        return Error{Error::noStore, "No workspace is open", {}, {}};
    const Entity* entity = context_->schema().entity(request_.entity);
    const int keySlot = entity && !sectionKey_.empty() ? entity->slot(sectionKey_) : -1;
    if (!sectionKey_.empty() && keySlot < 0)
        return Error{1, "No attribute " + sectionKey_ + " of " + request_.entity, {}, {}};
    if (entity && fetchPacked(*entity, context_->schema().entityIndex(request_.entity)))
        return std::nullopt;
    if (request_.fetchLimit > 0)
        objects_.reserve(size_t(request_.fetchLimit));
    static const Value none;
    auto error = context_->fetchEach(request_, [&](std::shared_ptr<ManagedObject>&& o) {
        const Value& key = keySlot >= 0 ? o->value(keySlot) : none;
        if (sections_.empty() || sections_.back().key != key)
            sections_.push_back({objects_.size(), 0, key});
        ++sections_.back().count;
        objects_.push_back(std::move(o));
    });
    if (error) {
        objects_.clear();
        sections_.clear();
    }
    return error;
}

size_t FetchedResultsController::objectCount(size_t section) const {
    return section < sections_.size() ? sections_[section].count : 0;
}

std::string FetchedResultsController::sectionName(size_t section) const {
    if (section >= sections_.size())
        return {};
    const Value& key = sections_[section].key;
    if (auto* i = std::get_if<int64_t>(&key))
        return std::to_string(*i);
    if (auto* d = std::get_if<double>(&key)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.17g", *d);
        return buf;
    }
    if (auto* t = std::get_if<std::string>(&key))
        return *t;
    return {};
}

int64_t FetchedResultsController::sectionRowNum(size_t section) const {
    return section < sections_.size() ? asInt(sections_[section].key).value_or(0) : 0;
}

std::shared_ptr<ManagedObject> FetchedResultsController::objectAt(size_t item, size_t section) const {
    if (section >= sections_.size() || item >= sections_[section].count)
        return nullptr;
    return fetchedObjectAt(sections_[section].first + item);
}

std::vector<std::shared_ptr<ManagedObject>> FetchedResultsController::sectionObjects(size_t section) const {
    if (section >= sections_.size())
        return {};
    std::vector<std::shared_ptr<ManagedObject>> out;
    out.reserve(sections_[section].count);
    for (size_t i = 0; i < sections_[section].count; ++i)
        out.push_back(fetchedObjectAt(sections_[section].first + i));
    return out;
}

std::string jsonIntegers(const std::vector<int64_t>& values) {
    std::string out = "[";
    out.reserve(values.size() * 7 + 2);
    for (size_t i = 0; i < values.size(); ++i) {
        if (i)
            out += ',';
        out += std::to_string(values[i]);
    }
    return out + "]";
}

} // namespace store
