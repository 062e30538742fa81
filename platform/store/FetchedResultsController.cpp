// Sections by runs of equal key values in the fetch order, and one change notice per main-queue turn.
#include "platform/store/FetchedResultsController.h"

#include "platform/foundation/Dispatch.h"

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

std::optional<Error> FetchedResultsController::performFetch() {
    objects_.clear();
    sections_.clear();
    if (!context_)
        return Error{Error::noStore, "No workspace is open", {}, {}};
    // Without a store, the context would answer nothing; that is a failure, not an empty workspace.
    if (!context_->hasStore())
        return Error{Error::noStore, "No workspace is open", {}, {}};
    const Entity* entity = context_->schema().entity(request_.entity);
    const int keySlot = entity && !sectionKey_.empty() ? entity->slot(sectionKey_) : -1;
    if (!sectionKey_.empty() && keySlot < 0)
        return Error{1, "No attribute " + sectionKey_ + " of " + request_.entity, {}, {}};
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
    return objects_[sections_[section].first + item];
}

std::vector<std::shared_ptr<ManagedObject>> FetchedResultsController::sectionObjects(size_t section) const {
    if (section >= sections_.size())
        return {};
    const auto first = objects_.begin() + std::ptrdiff_t(sections_[section].first);
    return {first, first + std::ptrdiff_t(sections_[section].count)};
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
