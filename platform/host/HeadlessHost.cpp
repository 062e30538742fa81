// The headless loop: drain, tick animations, lay out; time moves only when asked.
#include "platform/host/HeadlessHost.h"

#include "platform/foundation/Dispatch.h"
#include "platform/graphics/Screen.h"
#include "platform/ui/Environment.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace host {

namespace {
constexpr double kFrame = 1.0 / 60;

} // namespace

double nextFiniteAnimationEnd(const layers::Layer& layer) {
    double end = std::numeric_limits<double>::infinity();
    for (const std::string& key : layer.animationKeys()) {
        const layers::Animation* a = layer.animationForKey(key);
        // Repeating and kept animations never end, so they never hold up idleness.
        if (!a || std::isinf(a->repeatCount) || !a->removedOnCompletion)
            continue;
        end = std::min(end, a->beginTime.value_or(0) + a->activeDuration());
    }
    for (const auto& sub : layer.sublayers())
        end = std::min(end, nextFiniteAnimationEnd(*sub));
    return end;
}

HeadlessHost::HeadlessHost(gfx::Size screen, ui::UserInterfaceIdiom idiom)
    : clock_(std::make_shared<ui::VirtualClock>()), wakeup_(std::make_shared<Wakeup>()) {
    dispatch::setMainThread();
    dispatch::setClock(clock_.get());
    dispatch::setMainQueueWakeup([w = wakeup_] {
        {
            std::lock_guard lock(w->mutex);
            w->woken = true;
        }
        w->cv.notify_all();
    });
    ui::Application::shared().setClock(clock_);
    ui::Application::shared().setHost(this);
    // No screen here: the scale stays whatever the process (or a test) set.
    gfx::setResourcesFolder(ui::Environment::shared().resourcesFolder);
    window_ = std::make_shared<ui::Window>(gfx::Rect{0, 0, screen.width, screen.height});
    window_->setBackgroundColor(gfx::Color::white());
    window_->setTraitCollection(ui::TraitCollection::forScreen(idiom, screen));
    window_->makeKeyAndVisible();
}

HeadlessHost::~HeadlessHost() {
    // Blocks still queued belong to this host's views: run them while those views still exist.
    dispatch::drainMainQueue();
    window_.reset();
    dispatch::setMainQueueWakeup({});
    dispatch::setClock(nullptr);
    ui::Application::shared().setClock(nullptr);
    ui::Application::shared().setHost(nullptr);
}

void HeadlessHost::drain() {
    // Completions may queue more work: keep going until a pass does nothing (bounded, in case a
    // block re-queues itself forever).
    for (int pass = 0; pass < 1000; ++pass) {
        // Ticking first: finished animations queue their completions for the drain below.
        window_->layer().tickAnimations();
        window_->layoutIfNeeded();
        size_t ran = dispatch::drainMainQueue();
        if (ran == 0)
            return;
    }
}

void HeadlessHost::advance(double seconds) {
    double target = clock_->now() + std::max(0.0, seconds);
    drain();
    while (clock_->now() < target) {
        double next = std::min(target, clock_->now() + kFrame);
        double deadline = dispatch::nextMainTimerDeadline();
        if (deadline > clock_->now() && deadline < next)
            next = deadline;
        clock_->set(next);
        drain();
    }
}

bool HeadlessHost::runUntil(const std::function<bool()>& predicate, double timeoutSeconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    for (;;) {
        drain();
        if (predicate())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return predicate();
        std::unique_lock lock(wakeup_->mutex);
        wakeup_->cv.wait_for(lock, std::chrono::milliseconds(10), [&] { return wakeup_->woken; });
        wakeup_->woken = false;
    }
}

double HeadlessHost::nextAnimationEnd() const {
    return nextFiniteAnimationEnd(window_->layer());
}

bool HeadlessHost::waitUntilIdle(double maxSeconds) {
    double limit = clock_->now() + maxSeconds;
    for (;;) {
        drain();
        double next = std::min(dispatch::nextMainTimerDeadline(), nextAnimationEnd());
        if (std::isinf(next))
            return true;
        if (next > limit) {
            advance(limit - clock_->now());
            return false;
        }
        // A hair past the end, so the tick sees the animation as over.
        advance(std::max(0.0, next - clock_->now()) + 1e-6);
    }
}

} // namespace host
