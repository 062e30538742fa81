// Waiting until the global queues' workers are idle: every task started on them so far has ended. For the
// screen tests and the screen benchmarks, which time or check a screen only once earlier runs are over.
#pragma once

#include "platform/foundation/Dispatch.h"
#include "platform/host/HeadlessHost.h"

#include <atomic>
#include <memory>
#include <thread>

namespace workers {

// One waiting block per worker thread, all running at once, can only run when nothing else holds a
// thread. Drains the host's main queue meanwhile (or the process's, without a host), which the tasks'
// hops need. False when the workers were not all taken within the time.
inline bool waitIdle(host::HeadlessHost* host, double timeoutSeconds) {
    const size_t threads = dispatch::threadCount();
    auto running = std::make_shared<std::atomic<size_t>>(0);
    auto release = std::make_shared<std::atomic<bool>>(false);
    for (size_t i = 0; i < threads; ++i)
        dispatch::globalQueue(dispatch::Priority::high).async([running, release, threads] {
            ++*running;
            while (!*release && *running < threads)
                std::this_thread::yield();
        });
    auto allRunning = [&] { return running->load() == threads; };
    const bool idle =
        host ? host->runUntil(allRunning, timeoutSeconds) : dispatch::runUntil(allRunning, timeoutSeconds);
    *release = true;
    return idle;
}

} // namespace workers
