// Sections by runs of equal key values in the fetch order, and one change notice per main-queue turn.
#include "platform/store/FetchedResultsController.h"

#include "platform/foundation/Dispatch.h"

#include <algorithm>
#include <cctype>
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

// What a predicate asks of a packed entity's objects, when it is only a conjunction of bounds on
// their position and group against integer arguments ("x BETWEEN ? AND ?", "x < ?", "x <= ?",
// "x > ?", "x >= ?", "x = ?") and a position set ("x IN (SELECT value FROM json_each(?))"), each
// argument a bare "?" taken in order. Nothing for any other predicate: SQL answers it then.
struct PackedQuery {
    std::optional<std::vector<int64_t>> positions;
    PackedBounds bounds;
};

std::optional<PackedQuery> packedQuery(std::string_view predicate, const std::vector<Value>& arguments,
                                       const Packing& packing) {
    PackedQuery query;
    size_t at = 0, argument = 0;
    auto space = [&] {
        while (at < predicate.size() && std::isspace(static_cast<unsigned char>(predicate[at])))
            ++at;
    };
    // The next token: a name (quotes taken off), an operator, "?", or a parenthesis; empty at the end.
    auto token = [&]() -> std::string_view {
        space();
        if (at >= predicate.size())
            return {};
        const size_t start = at;
        const char c = predicate[at];
        if (c == '"') {
            const size_t close = predicate.find('"', at + 1);
            if (close == std::string_view::npos)
                return predicate.substr(start, 1); // never a name: the predicate is not taken
            at = close + 1;
            return predicate.substr(start + 1, close - start - 1);
        }
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            while (at < predicate.size() &&
                   (std::isalnum(static_cast<unsigned char>(predicate[at])) || predicate[at] == '_'))
                ++at;
            return predicate.substr(start, at - start);
        }
        ++at;
        if ((c == '<' || c == '>') && at < predicate.size() && predicate[at] == '=')
            ++at;
        return predicate.substr(start, at - start);
    };
    auto keyword = [](std::string_view t, std::string_view word) {
        return t.size() == word.size() && std::equal(t.begin(), t.end(), word.begin(), [](char a, char b) {
                   return std::toupper(static_cast<unsigned char>(a)) == b;
               });
    };
    auto integer = [&]() -> std::optional<int64_t> {
        if (token() != "?" || argument >= arguments.size())
            return std::nullopt;
        const auto* v = std::get_if<int64_t>(&arguments[argument++]);
        return v ? std::optional<int64_t>(*v) : std::nullopt;
    };
    if (trimmed(predicate).empty())
        return arguments.empty() ? std::optional<PackedQuery>(query) : std::nullopt;
    for (;;) {
        const std::string_view name = token();
        const bool position = name == packing.position, group = name == packing.group;
        if (!position && !group)
            return std::nullopt;
        int64_t& low = position ? query.bounds.positionLow : query.bounds.groupLow;
        int64_t& high = position ? query.bounds.positionHigh : query.bounds.groupHigh;
        const std::string_view op = token();
        if (keyword(op, "BETWEEN")) {
            const auto from = integer();
            if (!from || !keyword(token(), "AND"))
                return std::nullopt;
            const auto to = integer();
            if (!to)
                return std::nullopt;
            low = std::max(low, *from);
            high = std::min(high, *to);
        } else if (keyword(op, "IN")) {
            for (std::string_view word : {"(", "SELECT", "VALUE", "FROM", "JSON_EACH", "("})
                if (!keyword(token(), word))
                    return std::nullopt;
            if (!position || query.positions || token() != "?" || argument >= arguments.size())
                return std::nullopt;
            const auto* json = std::get_if<std::string>(&arguments[argument++]);
            if (!json || !(query.positions = parseIntegers(*json)) || token() != ")" || token() != ")")
                return std::nullopt;
        } else if (op == "<" || op == "<=" || op == ">" || op == ">=" || op == "=") {
            const auto v = integer();
            if (!v)
                return std::nullopt;
            if (op == "<" && *v == INT64_MIN)
                low = INT64_MAX, high = INT64_MIN; // below every integer: nothing
            else if (op == "<")
                high = std::min(high, *v - 1);
            else if (op == ">" && *v == INT64_MAX)
                low = INT64_MAX, high = INT64_MIN;
            else if (op == ">")
                low = std::max(low, *v + 1);
            if (op == "<=" || op == "=")
                high = std::min(high, *v);
            if (op == ">=" || op == "=")
                low = std::max(low, *v);
        } else {
            return std::nullopt;
        }
        const std::string_view next = token();
        if (next.empty())
            break;
        if (!keyword(next, "AND"))
            return std::nullopt;
    }
    if (argument != arguments.size())
        return std::nullopt;
    return query;
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
    const auto query = packedQuery(request_.predicate, request_.arguments, packing);
    if (!query)
        return false;
    auto rows = std::make_unique<PackedRows>();
    const size_t limit = request_.fetchLimit > 0 ? size_t(request_.fetchLimit) : 0;
    if (!context_->readPackedRows(entity.name, query->positions ? &*query->positions : nullptr, limit, *rows,
                                  query->bounds))
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

std::vector<Value> FetchedResultsController::packedValues(size_t index) const {
    const Entity& entity = context_->schema().entities[size_t(entity_)];
    const Packing& packing = *entity.packed;
    const auto& item = packed_->items[index];
    // A packed object holds its group, position and value; every other slot is null.
    std::vector<Value> values(size_t(entity.slotCount()));
    values[size_t(entity.slot(packing.group))] = Value(item.group);
    values[size_t(entity.slot(packing.position))] = Value(item.position);
    if (!item.null)
        values[size_t(entity.slot(packing.value))] = Value(std::string(packed_->text(item)));
    return values;
}

void FetchedResultsController::makePacked(size_t index) const {
    if (context_->readMarkStands(entity_, mark_)) {
        made_[index] = context_->objectWithValues(entity_, packed_->items[index].id, packedValues(index));
        return;
    }
    const Entity& entity = context_->schema().entities[size_t(entity_)];
    const Packing& packing = *entity.packed;
    const auto& item = packed_->items[index];
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
        made_[index] = !found.empty() ? found.front() : context_->detachedObject(entity_, item.id, packedValues(index), true);
        return;
    }
    made_[index] = context_->detachedObject(entity_, item.id, packedValues(index), false);
}

std::shared_ptr<ManagedObject> FetchedResultsController::fetchedObjectAt(size_t index) const {
    if (!packed_)
        return index < objects_.size() ? objects_[index] : nullptr;
    if (index >= made_.size())
        return nullptr;
    if (!made_[index])
        makePacked(index);
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
