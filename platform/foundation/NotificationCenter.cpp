// Notification delivery over a copy of the observer list, so observers may come and go mid-delivery.
#include "NotificationCenter.h"

#include "platform/foundation/Dispatch.h"

#include <algorithm>
#include <atomic>
#include <cassert>

namespace foundation {

struct ObserverToken::Entry {
    std::string name;
    const void* sender;
    NotificationCenter::Callback callback;
    std::atomic<bool> alive{true};
};

ObserverToken::ObserverToken(NotificationCenter* center, std::shared_ptr<Entry> entry)
    : center_(center), entry_(std::move(entry)) {}

ObserverToken& ObserverToken::operator=(ObserverToken&& other) noexcept {
    if (this != &other) {
        reset();
        center_ = other.center_;
        entry_ = std::move(other.entry_);
        other.center_ = nullptr;
    }
    return *this;
}

ObserverToken::~ObserverToken() { reset(); }

void ObserverToken::reset() {
    if (!entry_)
        return;
    entry_->alive = false;
    if (center_)
        center_->remove(entry_);
    entry_.reset();
    center_ = nullptr;
}

bool ObserverToken::isActive() const { return entry_ && entry_->alive; }

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter* center = new NotificationCenter;
    return *center;
}

ObserverToken NotificationCenter::observe(std::string name, const void* sender, Callback callback) {
    auto entry = std::make_shared<ObserverToken::Entry>();
    entry->name = std::move(name);
    entry->sender = sender;
    entry->callback = std::move(callback);
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
    return ObserverToken(this, std::move(entry));
}

void NotificationCenter::post(const std::string& name, const void* sender, Value userInfo) {
    assert(dispatch::isMainThread() && "notifications are posted on the main thread");
    std::vector<std::shared_ptr<ObserverToken::Entry>> targets;
    {
        std::lock_guard lock(mutex_);
        for (auto& e : entries_)
            if (e->name == name && (e->sender == nullptr || e->sender == sender))
                targets.push_back(e);
    }
    const Notification note{name, sender, std::move(userInfo)};
    for (auto& e : targets)
        if (e->alive)
            e->callback(note);
}

void NotificationCenter::remove(const std::shared_ptr<ObserverToken::Entry>& entry) {
    std::lock_guard lock(mutex_);
    std::erase(entries_, entry);
}

} // namespace foundation
