// The notification centre: named notifications posted on the main thread to the observers of that
// name (optionally of one sender only). An observation lasts as long as its token.
#pragma once

#include "platform/foundation/Value.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace foundation {

struct Notification {
    std::string name;
    const void* sender = nullptr;
    Value userInfo;  // a dictionary, or null
};

class NotificationCenter;

// Stops the observation when destroyed or reset. Movable, not copyable.
class ObserverToken {
public:
    ObserverToken() = default;
    ObserverToken(ObserverToken&&) noexcept = default;
    ObserverToken& operator=(ObserverToken&& other) noexcept;
    ~ObserverToken();
    void reset();
    bool isActive() const;

private:
    friend class NotificationCenter;
    struct Entry;
    ObserverToken(NotificationCenter* center, std::shared_ptr<Entry> entry);
    NotificationCenter* center_ = nullptr;
    std::shared_ptr<Entry> entry_;
};

class NotificationCenter {
public:
    using Callback = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // sender nullptr observes every sender.
    [[nodiscard]] ObserverToken observe(std::string name, const void* sender, Callback callback);
    // Delivers synchronously, in the order the observers were added. Observers added during the
    // delivery wait for the next post; observers removed during it are skipped. Main thread only.
    void post(const std::string& name, const void* sender = nullptr, Value userInfo = {});

private:
    friend class ObserverToken;
    void remove(const std::shared_ptr<ObserverToken::Entry>& entry);

    std::mutex mutex_;
    std::vector<std::shared_ptr<ObserverToken::Entry>> entries_;
};

} // namespace foundation
