// What a host gives the UI: one clock for animations and timers, and a loop that drains the main queue.
#pragma once

#include "platform/foundation/Dispatch.h"
#include "platform/layers/Animation.h"

#include <atomic>
#include <functional>

namespace ui {

// One time line read by the layers' animations and by the dispatch timers.
class HostClock : public layers::Clock, public dispatch::Clock {
  public:
    double now() const override = 0;
};

// A clock that moves only when the headless host (or a test) moves it.
class VirtualClock : public HostClock {
  public:
    double now() const override { return now_.load(); }
    void set(double seconds) { now_.store(seconds); }
    void advance(double seconds) { now_.store(now_.load() + seconds); }

  private:
    std::atomic<double> now_{0};
};

class Host {
  public:
    virtual ~Host() = default;
    virtual double now() const = 0;
    // Runs what is waiting on the main queue, ticks animations and lays out, without moving time.
    virtual void drain() = 0;
    // Moves time forward (headless: the virtual clock), firing timers and animations on the way.
    virtual void advance(double seconds) = 0;
    // Drains while waiting (in real time, at most `timeoutSeconds`) for the predicate to hold.
    virtual bool runUntil(const std::function<bool()>& predicate, double timeoutSeconds = 10) = 0;
    // Moves time until no timer, finite animation or queued block is left (repeating animations do
    // not count), at most `maxSeconds` of host time. Answers whether it became idle.
    virtual bool waitUntilIdle(double maxSeconds = 60) = 0;
};

} // namespace ui
