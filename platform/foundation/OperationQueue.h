// Operation queues: units of work that can be cancelled before or while they run, executed on threads
// of the queue's own with a cap on how many run at once. Their own threads, not the global pool's: an
// operation may wait for work it handed to the global queues without holding a thread that work needs.
#pragma once

#include "platform/foundation/Dispatch.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace dispatch {

class Operation {
public:
    virtual ~Operation() = default;
    // Long operations look at isCancelled() between steps and return early.
    virtual void main() = 0;
    // An operation that blocks while it waits (for a callback, say) overrides this to wake up; the
    // override calls the base first.
    virtual void cancel() { cancelled_.store(true); }
    bool isCancelled() const { return cancelled_.load(); }
    bool isFinished() const { return finished_.load(); }
    // Runs after main() (or instead of it when cancelled before starting), on the worker thread.
    void setCompletionBlock(Block block) { completion_ = std::move(block); }

private:
    friend class OperationQueue;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> finished_{false};
    Block completion_;
};

class BlockOperation : public Operation {
public:
    explicit BlockOperation(Block block) : block_(std::move(block)) {}
    void main() override { block_(); }

private:
    Block block_;
};

class OperationQueue {
public:
    explicit OperationQueue(int maxConcurrent = 4);
    ~OperationQueue();  // cancels what waits and waits for what runs
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    void addOperation(std::shared_ptr<Operation> operation);
    std::shared_ptr<Operation> addOperationWithBlock(Block block);
    void cancelAllOperations();
    void waitUntilAllOperationsAreFinished();
    std::size_t operationCount() const;
    void setMaxConcurrentOperationCount(int n);

private:
    void startMore();  // with mutex_ held
    void work();       // a worker thread's loop

    mutable std::mutex mutex_;
    std::condition_variable idle_;
    std::condition_variable work_;
    std::deque<std::shared_ptr<Operation>> waiting_;
    std::vector<std::shared_ptr<Operation>> running_;
    // Made as operations need them, up to the cap; they end with the queue.
    std::vector<std::thread> workers_;
    int waitingWorkers_ = 0;
    bool stopping_ = false;
    int maxConcurrent_;
};

} // namespace dispatch
