// Waiting until the global queues' workers are idle: every task started on them so far has ended. For the
// screen tests and the screen benchmarks, which time or check a screen only once earlier runs are over.
#pragma once

#include "platform/foundation/Dispatch.h"
#include "platform/host/HeadlessHost.h"

#include <functional>

namespace workers {

// Drains the host's main queue meanwhile (or the process's, without a host), which the tasks' hops
// need. False when the workers were not all taken within the time.
inline bool waitIdle(host::HeadlessHost* host, double timeoutSeconds) {
    return dispatch::waitForIdleWorkers(
        [host](const std::function<bool()>& predicate, double timeout) {
            return host ? host->runUntil(predicate, timeout) : dispatch::runUntil(predicate, timeout);
        },
        timeoutSeconds);
}

} // namespace workers
