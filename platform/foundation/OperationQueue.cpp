// Operation queue over worker threads of its own.
#include "OperationQueue.h"

#include <algorithm>

namespace dispatch {

OperationQueue::OperationQueue(int maxConcurrent) : maxConcurrent_(maxConcurrent < 1 ? 1 : maxConcurrent) {}

OperationQueue::~OperationQueue() {
    cancelAllOperations();
    waitUntilAllOperationsAreFinished();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    work_.notify_all();
    for (auto& worker : workers_)
        worker.join();
}

void OperationQueue::addOperation(std::shared_ptr<Operation> operation) {
    std::lock_guard lock(mutex_);
    waiting_.push_back(std::move(operation));
    startMore();
}

std::shared_ptr<Operation> OperationQueue::addOperationWithBlock(Block block) {
    auto op = std::make_shared<BlockOperation>(std::move(block));
    addOperation(op);
    return op;
}

void OperationQueue::cancelAllOperations() {
    std::lock_guard lock(mutex_);
    for (auto& op : waiting_)
        op->cancel();
    for (auto& op : running_)
        op->cancel();
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [&] { return waiting_.empty() && running_.empty(); });
}

std::size_t OperationQueue::operationCount() const {
    std::lock_guard lock(mutex_);
    return waiting_.size() + running_.size();
}

void OperationQueue::setMaxConcurrentOperationCount(int n) {
    std::lock_guard lock(mutex_);
    maxConcurrent_ = n < 1 ? 1 : n;
    startMore();
}

void OperationQueue::startMore() {
    // A worker for each operation that may start now and finds no idle worker, within the cap.
    const size_t startable =
        std::min(waiting_.size(), size_t(std::max(0, maxConcurrent_ - int(running_.size()))));
    while (size_t(waitingWorkers_) < startable && workers_.size() < size_t(maxConcurrent_)) {
        workers_.emplace_back([this] { work(); });
        ++waitingWorkers_;
    }
    work_.notify_all();
}

void OperationQueue::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [&] {
            return stopping_ || (!waiting_.empty() && int(running_.size()) < maxConcurrent_);
        });
        if (stopping_)
            return;
        --waitingWorkers_;
        auto op = std::move(waiting_.front());
        waiting_.pop_front();
        running_.push_back(op);
        lock.unlock();
        if (!op->isCancelled())
            op->main();
        op->finished_.store(true);
        if (op->completion_)
            op->completion_();
        lock.lock();
        std::erase(running_, op);
        ++waitingWorkers_;
        if (waiting_.empty() && running_.empty())
            idle_.notify_all();
        else
            work_.notify_all();
    }
}

} // namespace dispatch
