// Dispatch queues: the main queue (drained by whichever host runs the process), global concurrent
// queues on one fixed thread pool, serial queues, delayed blocks, repeating timers and parallel loops.
//
// The main thread is the thread that first uses this layer (normally main() or a test's body) unless a
// host claims it with setMainThread(). Time comes from an injectable clock so tests control "now".
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace dispatch {

using Block = std::function<void()>;

// Seconds on a monotonic scale; only differences matter.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

// A clock that moves only when told to; advancing it lets due timers fire.
class ManualClock : public Clock {
public:
    explicit ManualClock(double start = 0) : now_(start) {}
    double now() const override;
    void advance(double seconds);
    void set(double seconds);

private:
    std::atomic<double> now_;
};

// Replaces the clock for every timer (nullptr restores the steady clock). The caller keeps it alive.
void setClock(Clock* clock);
double now();

class Queue {
public:
    virtual ~Queue() = default;
    virtual void async(Block block) = 0;
    // Runs the block on the queue and waits for it. On the queue's own thread (the main queue from the
    // main thread) it runs at once, so a main-thread caller never deadlocks.
    virtual void sync(Block block) = 0;
    virtual std::string label() const = 0;
};

enum class Priority { high, normal, low, background };

Queue& mainQueue();
Queue& globalQueue(Priority priority = Priority::normal);
std::shared_ptr<Queue> makeSerialQueue(std::string label);

bool isMainThread();
// A host that runs the main loop on another thread than the first user claims it here.
void setMainThread();

// Runs every block waiting on the main queue and every due main-queue timer; returns how many ran.
// Only the main thread drains.
std::size_t drainMainQueue();

// Pumps the main queue until the predicate holds or the timeout (real seconds) passes; tests use
// this instead of sleeping. Returns the predicate's last answer.
bool runUntil(const std::function<bool()>& predicate, double timeoutSeconds = 10);

// Called whenever a block or timer lands on the main queue, from any thread; a host that sleeps in
// its own event loop installs a wake-up here. Must be cheap and thread-safe.
void setMainQueueWakeup(std::function<void()> wakeup);

// When the earliest main-queue timer falls due, on the clock's scale (infinity when none): a host
// that sleeps schedules a drain for then. Main-queue timers fire only inside drainMainQueue.
double nextMainTimerDeadline();

// Cancels a delayed block or stops a timer source when cancel() is called (not on destruction).
class Cancellable {
public:
    virtual ~Cancellable() = default;
    virtual void cancel() = 0;
    virtual bool isCancelled() const = 0;
};

// Runs the block on the queue once `delay` seconds of the clock have passed.
std::shared_ptr<Cancellable> after(double delay, Queue& queue, Block block);

// A repeating timer: the handler runs on the queue every interval seconds from resume() until cancel().
class TimerSource : public Cancellable {
public:
    TimerSource(Queue& queue, double interval, Block handler);
    ~TimerSource() override;
    void resume();
    void cancel() override;
    bool isCancelled() const override;

private:
    struct State;
    std::shared_ptr<State> state_;
};

// Runs body(i) for i in [0, count) spread over the global queue's threads; returns when all are done.
void apply(std::size_t count, const std::function<void(std::size_t)>& body);

// Number of worker threads behind the global queues.
std::size_t threadCount();

// Waits until every worker of the global queues is free at one moment, so every task started on them
// before has ended: one waiting block per worker, all running at once, can only run when nothing else
// holds a thread. `pump` drains the main queue meanwhile until its predicate holds or the time passes
// (a host's runUntil, or runUntil above), so a task that waits for the main thread goes on. False when
// the workers were not all taken within the time.
bool waitForIdleWorkers(const std::function<bool(const std::function<bool()>&, double)>& pump,
                        double timeoutSeconds, Priority priority = Priority::high);

} // namespace dispatch
