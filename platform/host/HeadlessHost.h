// The headless host: one window with no screen, the main queue drained by our own loop, and a virtual
// clock that only tests move. Used by the driver-based tests and by `--headless`.
#pragma once

#include "platform/ui/Host.h"
#include "platform/ui/Window.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace host {

// When the earliest finite animation in the layer's subtree ends (infinity when none runs); repeating
// and kept animations never end, so they never keep a host from being idle.
double nextFiniteAnimationEnd(const layers::Layer& layer);

class HeadlessHost : public ui::Host {
  public:
    // Claims the calling thread as the main thread and installs the virtual clock for timers and
    // animations; one host at a time.
    explicit HeadlessHost(gfx::Size screen = {1024, 768},
                          ui::UserInterfaceIdiom idiom = ui::UserInterfaceIdiom::Pad);
    ~HeadlessHost() override;
    HeadlessHost(const HeadlessHost&) = delete;
    HeadlessHost& operator=(const HeadlessHost&) = delete;

    ui::Window& window() { return *window_; }
    ui::VirtualClock& clock() { return *clock_; }

    double now() const override { return clock_->now(); }
    void drain() override;
    void advance(double seconds) override;
    bool runUntil(const std::function<bool()>& predicate, double timeoutSeconds = 10) override;
    bool waitUntilIdle(double maxSeconds = 60) override;

    // When the next finite animation in the window ends (infinity when none runs).
    double nextAnimationEnd() const;

  private:
    std::shared_ptr<ui::VirtualClock> clock_;
    std::shared_ptr<ui::Window> window_;
    struct Wakeup {
        std::mutex mutex;
        std::condition_variable cv;
        bool woken = false;
    };
    std::shared_ptr<Wakeup> wakeup_;
};

} // namespace host
