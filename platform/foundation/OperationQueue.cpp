// Operation queue over the global thread pool.
#include "OperationQueue.h"

namespace dispatch {

OperationQueue::OperationQueue(int maxConcurrent) : maxConcurrent_(maxConcurrent < 1 ? 1 : maxConcurrent) {}

OperationQueue::~OperationQueue() {
    cancelAllOperations();
    waitUntilAllOperationsAreFinished();
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
    while (static_cast<int>(running_.size()) < maxConcurrent_ && !waiting_.empty()) {
        auto op = std::move(waiting_.front());
        waiting_.pop_front();
        running_.push_back(op);
        globalQueue().async([this, op] {
            if (!op->isCancelled())
                op->main();
            finish(op);
        });
    }
}

void OperationQueue::finish(const std::shared_ptr<Operation>& op) {
    op->finished_.store(true);
    if (op->completion_)
        op->completion_();
    std::lock_guard lock(mutex_);
    std::erase(running_, op);
    startMore();
    if (waiting_.empty() && running_.empty())
        idle_.notify_all();
}

} // namespace dispatch
