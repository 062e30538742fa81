#include "platform/foundation/Dispatch.h"
#include "platform/foundation/OperationQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using namespace dispatch;

TEST(Dispatch, TheTestBodyIsTheMainThread) {
    EXPECT_TRUE(isMainThread());
    std::atomic<bool> onMain{true};
    std::atomic<bool> done{false};
    globalQueue().async([&] {
        onMain = isMainThread();
        done = true;
    });
    ASSERT_TRUE(runUntil([&] { return done.load(); }));
    EXPECT_FALSE(onMain.load());
}

TEST(Dispatch, WorkerSyncHopsToMainWhileTheTestPumps) {
    std::vector<int> order;
    std::atomic<bool> finished{false};
    globalQueue(Priority::high).async([&] {
        int fromMain = 0;
        mainQueue().sync([&] {
            EXPECT_TRUE(isMainThread());
            order.push_back(1);
            fromMain = 42;
        });
        // The worker resumes only after the main thread ran its block.
        EXPECT_EQ(fromMain, 42);
        mainQueue().async([&] { order.push_back(2); });
        finished = true;
    });
    ASSERT_TRUE(runUntil([&] { return finished.load() && order.size() == 2; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(Dispatch, SyncOnMainFromMainRunsAtOnce) {
    bool ran = false;
    mainQueue().sync([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(Dispatch, SerialQueueRunsOneAtATimeInOrder) {
    auto q = makeSerialQueue("xmlParserSafeQueue");
    EXPECT_EQ(q->label(), "xmlParserSafeQueue");
    std::vector<int> seen;
    std::atomic<int> inside{0};
    std::atomic<bool> overlap{false};
    for (int i = 0; i < 200; ++i)
        q->async([&, i] {
            if (inside.fetch_add(1) != 0)
                overlap = true;
            seen.push_back(i);
            inside.fetch_sub(1);
        });
    // An empty synchronous block waits for everything submitted before it.
    q->sync([] {});
    EXPECT_FALSE(overlap.load());
    ASSERT_EQ(seen.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(seen[i], i);
    bool nested = false;
    q->sync([&] { q->sync([&] { nested = true; }); });
    EXPECT_TRUE(nested);
}

TEST(Dispatch, DelayedBlocksFollowTheManualClockAndCanBeCancelled) {
    ManualClock clock(100);
    setClock(&clock);
    std::vector<std::string> fired;
    after(2.0, mainQueue(), [&] { fired.push_back("two"); });
    after(1.0, mainQueue(), [&] { fired.push_back("one"); });
    auto cancelled = after(1.5, mainQueue(), [&] { fired.push_back("cancelled"); });
    cancelled->cancel();
    EXPECT_TRUE(cancelled->isCancelled());

    drainMainQueue();
    EXPECT_TRUE(fired.empty());
    clock.advance(1.0);
    drainMainQueue();
    EXPECT_EQ(fired, std::vector<std::string>{"one"});
    clock.advance(5.0);
    ASSERT_TRUE(runUntil([&] { return fired.size() == 2; }, 2));
    EXPECT_EQ(fired, (std::vector<std::string>{"one", "two"}));
    setClock(nullptr);
}

TEST(Dispatch, DelayedBlockOnAWorkerQueueFiresWhenTheClockMoves) {
    ManualClock clock(0);
    setClock(&clock);
    std::atomic<bool> fired{false};
    after(10, globalQueue(), [&] { fired = true; });
    EXPECT_FALSE(runUntil([&] { return fired.load(); }, 0.05));
    clock.advance(10);
    EXPECT_TRUE(runUntil([&] { return fired.load(); }, 2));
    setClock(nullptr);
}

TEST(Dispatch, TimerSourceRepeatsUntilCancelled) {
    ManualClock clock(0);
    setClock(&clock);
    int ticks = 0;
    {
        TimerSource timer(mainQueue(), 1.0 / 60, [&] { ++ticks; });
        timer.resume();
        for (int i = 0; i < 10; ++i) {
            clock.advance(1.0 / 60);
            drainMainQueue();
        }
        EXPECT_EQ(ticks, 10);
        timer.cancel();
        clock.advance(1);
        drainMainQueue();
        EXPECT_EQ(ticks, 10);
    }
    // A destroyed timer never fires either.
    {
        TimerSource timer(mainQueue(), 0.5, [&] { ++ticks; });
        timer.resume();
    }
    clock.advance(2);
    drainMainQueue();
    EXPECT_EQ(ticks, 10);
    setClock(nullptr);
}

TEST(Dispatch, ApplyVisitsEveryIndexOnceAndNestsInsideWorkers) {
    std::vector<std::atomic<int>> hits(10000);
    apply(hits.size(), [&](std::size_t i) { hits[i].fetch_add(1); });
    for (auto& h : hits)
        ASSERT_EQ(h.load(), 1);

    // Every pool thread busy with an apply of its own must still finish.
    std::atomic<int> total{0};
    apply(threadCount() * 2, [&](std::size_t) { apply(100, [&](std::size_t) { total.fetch_add(1); }); });
    EXPECT_EQ(total.load(), static_cast<int>(threadCount() * 2 * 100));
    apply(0, [](std::size_t) { FAIL(); });
}

TEST(Dispatch, MainQueueWakeupIsCalledFromPostingThreads) {
    std::atomic<int> wakeups{0};
    setMainQueueWakeup([&] { wakeups.fetch_add(1); });
    std::thread([] { mainQueue().async([] {}); }).join();
    setMainQueueWakeup(nullptr);
    EXPECT_GE(wakeups.load(), 1);
    drainMainQueue();
}

TEST(OperationQueue, CancelledOperationsDoNotRunAndConcurrencyIsCapped) {
    OperationQueue queue(2);
    std::atomic<int> running{0};
    std::atomic<int> maxRunning{0};
    std::atomic<bool> release{false};
    std::atomic<int> ran{0};
    std::vector<std::shared_ptr<Operation>> ops;
    for (int i = 0; i < 6; ++i)
        ops.push_back(queue.addOperationWithBlock([&] {
            int now = running.fetch_add(1) + 1;
            int seen = maxRunning.load();
            while (now > seen && !maxRunning.compare_exchange_weak(seen, now)) {
            }
            while (!release.load())
                std::this_thread::yield();
            running.fetch_sub(1);
            ran.fetch_add(1);
        }));
    // Two run; the four that wait are cancelled and never start.
    while (running.load() < 2)
        std::this_thread::yield();
    queue.cancelAllOperations();
    release = true;
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ran.load(), 2);
    EXPECT_EQ(maxRunning.load(), 2);
    EXPECT_EQ(queue.operationCount(), 0u);
    for (auto& op : ops)
        EXPECT_TRUE(op->isFinished());
}

TEST(OperationQueue, RunningOperationSeesItsCancellation) {
    struct Loop : Operation {
        std::atomic<bool> started{false};
        std::atomic<bool> sawCancel{false};
        void main() override {
            started = true;
            while (!isCancelled())
                std::this_thread::yield();
            sawCancel = true;
        }
    };
    OperationQueue queue(1);
    auto op = std::make_shared<Loop>();
    std::atomic<bool> completed{false};
    op->setCompletionBlock([&] { completed = true; });
    queue.addOperation(op);
    while (!op->started.load())
        std::this_thread::yield();
    queue.cancelAllOperations();
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(op->sawCancel.load());
    EXPECT_TRUE(completed.load());
}

TEST(OperationQueue, RunsOnThreadsOfItsOwnWhileTheGlobalQueuesAreFull) {
    // Every global thread waits for the operation: an operation queued on those threads could never run.
    const size_t threads = threadCount();
    std::atomic<bool> operationRan{false};
    std::atomic<size_t> busy{0}, done{0};
    for (size_t i = 0; i < threads; ++i)
        globalQueue().async([&] {
            ++busy;
            while (!operationRan.load())
                std::this_thread::yield();
            ++done;
        });
    while (busy.load() < threads)
        std::this_thread::yield();
    OperationQueue queue;
    queue.addOperationWithBlock([&] { operationRan = true; });
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(operationRan.load());
    while (done.load() < threads)
        std::this_thread::yield();
}
