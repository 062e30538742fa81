// Dispatch: one fixed thread pool behind every global and serial queue, a FIFO for the main queue,
// and one timer thread that hands due blocks to their queues.
#include "Dispatch.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <future>
#include <limits>
#include <map>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <mutex>
#include <thread>
#include <vector>

namespace dispatch {
namespace {

// The thread that runs static initialisation is the process's main thread.
std::thread::id& mainThreadId() {
    static std::thread::id id = std::this_thread::get_id();
    return id;
}
const std::thread::id initialMainThread = mainThreadId();
std::mutex mainThreadMutex;

thread_local const Queue* currentQueue = nullptr;

struct SteadyClock : Clock {
    double now() const override {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    }
};

SteadyClock steadyClock;
std::atomic<Clock*> activeClock{&steadyClock};

// ---- thread pool ---------------------------------------------------------------------------

class ThreadPool {
public:
    explicit ThreadPool(std::size_t n) {
#ifdef __GLIBC__
        // Memory a task frees stays with the process for the next task instead of going back to the
        // system, which the next task (an analysis run of 100,000 rows) would take again page by page:
        // workers allocate from the heap the main thread uses (a heap of their own was released as soon
        // as it emptied), blocks of up to 32 MB come from that heap rather than from mappings of their
        // own, and up to 64 MB of free memory stays at its top. Runs on a worker were a fifth slower than
        // the same work on the main thread, and a screen's result showed up to a third later.
        mallopt(M_ARENA_MAX, 1);
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
        for (std::size_t i = 0; i < n; ++i)
            std::thread([this] { work(); }).detach();
        size_ = n;
    }
    void submit(Priority p, Block b) {
        {
            std::lock_guard lock(mutex_);
            queues_[static_cast<int>(p)].push_back(std::move(b));
        }
        cv_.notify_one();
    }
    std::size_t size() const { return size_; }

private:
    void work() {
        for (;;) {
            Block b;
            {
                std::unique_lock lock(mutex_);
                cv_.wait(lock, [&] { return hasWork(); });
                for (auto& q : queues_) {
                    if (q.empty())
                        continue;
                    b = std::move(q.front());
                    q.pop_front();
                    break;
                }
            }
            b();
        }
    }
    bool hasWork() const {
        return std::any_of(std::begin(queues_), std::end(queues_), [](auto& q) { return !q.empty(); });
    }
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Block> queues_[4];
    std::size_t size_ = 0;
};

ThreadPool& pool() {
    // Never destroyed: workers may still run while the process exits.
    static ThreadPool* p = new ThreadPool(std::max(4u, std::thread::hardware_concurrency()));
    return *p;
}

// ---- queues --------------------------------------------------------------------------------

class MainQueue : public Queue {
public:
    void async(Block block) override {
        std::function<void()> wake;
        {
            std::lock_guard lock(mutex_);
            blocks_.push_back(std::move(block));
            wake = wakeup_;
        }
        cv_.notify_all();
        if (wake)
            wake();
    }
    void sync(Block block) override {
        if (isMainThread()) {
            block();
            return;
        }
        std::promise<void> done;
        auto finished = done.get_future();
        async([&] {
            block();
            done.set_value();
        });
        finished.wait();
    }
    std::string label() const override { return "main"; }

    std::size_t drain() {
        std::size_t ran = 0;
        // Blocks posted while draining wait for the next drain, so a block that re-posts itself
        // cannot starve the caller.
        std::deque<Block> batch;
        {
            std::lock_guard lock(mutex_);
            batch.swap(blocks_);
        }
        const Queue* previous = currentQueue;
        currentQueue = this;
        for (auto& b : batch) {
            b();
            ++ran;
        }
        currentQueue = previous;
        return ran;
    }
    // Waits for a posted block or the deadline (real seconds), whichever comes first.
    void waitForWork(double seconds) {
        std::unique_lock lock(mutex_);
        const auto wakes = wakes_;
        cv_.wait_for(lock, std::chrono::duration<double>(seconds),
                     [&] { return !blocks_.empty() || wakes_ != wakes; });
    }
    // Wakes a waiting runUntil and the host without posting anything.
    void wake() {
        std::function<void()> w;
        {
            std::lock_guard lock(mutex_);
            ++wakes_;
            w = wakeup_;
        }
        cv_.notify_all();
        if (w)
            w();
    }
    void setWakeup(std::function<void()> w) {
        std::lock_guard lock(mutex_);
        wakeup_ = std::move(w);
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Block> blocks_;
    std::function<void()> wakeup_;
    std::uint64_t wakes_ = 0;
};

MainQueue& theMainQueue() {
    static MainQueue* q = new MainQueue;
    return *q;
}

class GlobalQueue : public Queue {
public:
    explicit GlobalQueue(Priority p) : priority_(p) {}
    void async(Block block) override {
        pool().submit(priority_, [this, b = std::move(block)] {
            const Queue* previous = currentQueue;
            currentQueue = this;
            b();
            currentQueue = previous;
        });
    }
    // A concurrent queue may run a synchronous block on the caller's thread.
    void sync(Block block) override { block(); }
    std::string label() const override { return "global"; }

private:
    Priority priority_;
};

class SerialQueue : public Queue, public std::enable_shared_from_this<SerialQueue> {
public:
    explicit SerialQueue(std::string label) : label_(std::move(label)) {}
    void async(Block block) override {
        bool start = false;
        {
            std::lock_guard lock(mutex_);
            blocks_.push_back(std::move(block));
            if (!running_) {
                running_ = true;
                start = true;
            }
        }
        if (start)
            pool().submit(Priority::normal, [self = shared_from_this()] { self->run(); });
    }
    void sync(Block block) override {
        if (currentQueue == this) {
            block();
            return;
        }
        std::promise<void> done;
        auto finished = done.get_future();
        async([&] {
            block();
            done.set_value();
        });
        finished.wait();
    }
    std::string label() const override { return label_; }

private:
    void run() {
        const Queue* previous = currentQueue;
        currentQueue = this;
        for (;;) {
            Block b;
            {
                std::lock_guard lock(mutex_);
                if (blocks_.empty()) {
                    running_ = false;
                    break;
                }
                b = std::move(blocks_.front());
                blocks_.pop_front();
            }
            b();
        }
        currentQueue = previous;
    }
    std::string label_;
    std::mutex mutex_;
    std::deque<Block> blocks_;
    bool running_ = false;
};

// ---- timers --------------------------------------------------------------------------------

struct TimerEntry {
    Queue* queue;
    Block block;
    std::shared_ptr<std::atomic<bool>> cancelled;
};

class TimerService {
public:
    TimerService() {
        std::thread([this] { loop(); }).detach();
    }
    void schedule(double deadline, Queue& queue, Block block, std::shared_ptr<std::atomic<bool>> cancelled) {
        const bool onMain = &queue == &theMainQueue();
        {
            std::lock_guard lock(mutex_);
            (onMain ? mainEntries_ : entries_)
                .emplace(deadline, TimerEntry{&queue, std::move(block), std::move(cancelled)});
        }
        if (onMain)
            theMainQueue().wake();
        else
            cv_.notify_all();
    }
    double nextMainDeadline() {
        std::lock_guard lock(mutex_);
        return mainEntries_.empty() ? std::numeric_limits<double>::infinity() : mainEntries_.begin()->first;
    }
    void poke() { cv_.notify_all(); }

    // Main-queue timers fire only here, on the main thread, inside a drain: a test that advanced a
    // manual clock sees them in its next drain, and their order with posted blocks is fixed.
    std::size_t fireDueOnMain() {
        std::vector<TimerEntry> due;
        {
            std::lock_guard lock(mutex_);
            const double t = now();
            for (auto it = mainEntries_.begin(); it != mainEntries_.end() && it->first <= t;) {
                due.push_back(std::move(it->second));
                it = mainEntries_.erase(it);
            }
        }
        std::size_t ran = 0;
        for (auto& e : due) {
            if (e.cancelled->load())
                continue;
            e.block();
            ++ran;
        }
        return ran;
    }

private:
    void loop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (entries_.empty()) {
                cv_.wait(lock);
                continue;
            }
            const double t = now();
            auto first = entries_.begin();
            if (first->first > t) {
                double wait = first->first - t;
                // A clock other than the steady one may jump; look again soon.
                if (activeClock.load() != &steadyClock)
                    wait = std::min(wait, 0.02);
                cv_.wait_for(lock, std::chrono::duration<double>(wait));
                continue;
            }
            TimerEntry e = std::move(first->second);
            entries_.erase(first);
            lock.unlock();
            if (!e.cancelled->load()) {
                auto cancelled = e.cancelled;
                e.queue->async([b = std::move(e.block), cancelled] {
                    if (!cancelled->load())
                        b();
                });
            }
            lock.lock();
        }
    }
    std::mutex mutex_;
    std::condition_variable cv_;
    std::multimap<double, TimerEntry> entries_;      // worker queues: fired by the timer thread
    std::multimap<double, TimerEntry> mainEntries_;  // main queue: fired by drainMainQueue
};

TimerService& timers() {
    static TimerService* t = new TimerService;
    return *t;
}

class DelayedBlock : public Cancellable {
public:
    std::shared_ptr<std::atomic<bool>> flag = std::make_shared<std::atomic<bool>>(false);
    void cancel() override { flag->store(true); }
    bool isCancelled() const override { return flag->load(); }
};

} // namespace

double ManualClock::now() const { return now_; }

void ManualClock::advance(double seconds) { set(now_.load() + seconds); }

void ManualClock::set(double seconds) {
    now_.store(seconds);
    timers().poke();
    theMainQueue().wake();
}

void setClock(Clock* clock) {
    activeClock.store(clock ? clock : &steadyClock);
    timers().poke();
}

double now() { return activeClock.load()->now(); }

Queue& mainQueue() { return theMainQueue(); }

Queue& globalQueue(Priority priority) {
    static GlobalQueue* queues[4] = {new GlobalQueue(Priority::high), new GlobalQueue(Priority::normal),
                                     new GlobalQueue(Priority::low), new GlobalQueue(Priority::background)};
    return *queues[static_cast<int>(priority)];
}

std::shared_ptr<Queue> makeSerialQueue(std::string label) {
    return std::make_shared<SerialQueue>(std::move(label));
}

bool isMainThread() {
    std::lock_guard lock(mainThreadMutex);
    return std::this_thread::get_id() == mainThreadId();
}

void setMainThread() {
    std::lock_guard lock(mainThreadMutex);
    mainThreadId() = std::this_thread::get_id();
}

std::size_t drainMainQueue() {
    std::size_t ran = timers().fireDueOnMain();
    return ran + theMainQueue().drain();
}

bool runUntil(const std::function<bool()>& predicate, double timeoutSeconds) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + duration_cast<steady_clock::duration>(duration<double>(timeoutSeconds));
    for (;;) {
        drainMainQueue();
        if (predicate())
            return true;
        const auto left = steady_clock::now();
        if (left >= deadline)
            return predicate();
        // Wake for posted blocks at once; look at timers and the predicate every few milliseconds.
        theMainQueue().waitForWork(std::min(0.005, duration<double>(deadline - left).count()));
    }
}

void setMainQueueWakeup(std::function<void()> wakeup) { theMainQueue().setWakeup(std::move(wakeup)); }

double nextMainTimerDeadline() { return timers().nextMainDeadline(); }

std::shared_ptr<Cancellable> after(double delay, Queue& queue, Block block) {
    auto handle = std::make_shared<DelayedBlock>();
    timers().schedule(now() + std::max(0.0, delay), queue, std::move(block), handle->flag);
    return handle;
}

struct TimerSource::State : std::enable_shared_from_this<State> {
    Queue* queue;
    double interval;
    Block handler;
    std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);
    bool resumed = false;

    void scheduleNext(double deadline) {
        std::weak_ptr<State> weak = weak_from_this();
        timers().schedule(deadline, *queue, [weak, deadline] {
            auto self = weak.lock();
            if (!self || self->cancelled->load())
                return;
            self->handler();
            // Keep the cadence of the first deadline, but never fall behind by more than one beat.
            double next = deadline + self->interval;
            if (next < now())
                next = now() + self->interval;
            self->scheduleNext(next);
        }, cancelled);
    }
};

TimerSource::TimerSource(Queue& queue, double interval, Block handler) : state_(std::make_shared<State>()) {
    state_->queue = &queue;
    state_->interval = std::max(interval, 1e-4);
    state_->handler = std::move(handler);
}

TimerSource::~TimerSource() { cancel(); }

void TimerSource::resume() {
    if (state_->resumed || state_->cancelled->load())
        return;
    state_->resumed = true;
    state_->scheduleNext(now() + state_->interval);
}

void TimerSource::cancel() { state_->cancelled->store(true); }

bool TimerSource::isCancelled() const { return state_->cancelled->load(); }

void apply(std::size_t count, const std::function<void(std::size_t)>& body) {
    if (count == 0)
        return;
    struct Shared {
        std::atomic<std::size_t> next{0};
        std::atomic<std::size_t> done{0};
        std::size_t count;
        const std::function<void(std::size_t)>* body;
        std::mutex mutex;
        std::condition_variable cv;
    };
    auto shared = std::make_shared<Shared>();
    shared->count = count;
    shared->body = &body;
    auto runSome = [](const std::shared_ptr<Shared>& s) {
        for (;;) {
            std::size_t i = s->next.fetch_add(1);
            if (i >= s->count)
                return;
            (*s->body)(i);
            if (s->done.fetch_add(1) + 1 == s->count) {
                std::lock_guard lock(s->mutex);
                s->cv.notify_all();
            }
        }
    };
    const std::size_t helpers = std::min(count, pool().size()) - 1;
    for (std::size_t h = 0; h < helpers; ++h)
        pool().submit(Priority::high, [shared, runSome] { runSome(shared); });
    // The caller works too, so a nested apply inside a pool thread always finishes.
    runSome(shared);
    std::unique_lock lock(shared->mutex);
    shared->cv.wait(lock, [&] { return shared->done.load() == count; });
}

std::size_t threadCount() { return pool().size(); }

bool waitForIdleWorkers(const std::function<bool(const std::function<bool()>&, double)>& pump,
                        double timeoutSeconds, Priority priority) {
    const std::size_t threads = threadCount();
    auto running = std::make_shared<std::atomic<std::size_t>>(0);
    auto release = std::make_shared<std::atomic<bool>>(false);
    for (std::size_t i = 0; i < threads; ++i)
        globalQueue(priority).async([running, release, threads] {
            ++*running;
            while (!*release && *running < threads)
                std::this_thread::yield();
        });
    const bool idle = pump([&] { return running->load() == threads; }, timeoutSeconds);
    *release = true;
    return idle;
}

} // namespace dispatch
