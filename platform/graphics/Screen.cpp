// The process-wide screen scale and resources folder.
#include "platform/graphics/Screen.h"

#include <atomic>
#include <cmath>
#include <mutex>

namespace gfx {

namespace {
std::atomic<double> gScale{1.0};

struct Folder {
    std::mutex mutex;
    std::string path = "resources";
};
Folder& folder() {
    static Folder shared;
    return shared;
}
} // namespace

double largestScreenScale() {
    return gScale.load(std::memory_order_relaxed);
}

void setLargestScreenScale(double scale) {
    if (std::isfinite(scale) && scale > 0)
        gScale.store(scale, std::memory_order_relaxed);
}

std::string resourcesFolder() {
    std::lock_guard lock(folder().mutex);
    return folder().path;
}

void setResourcesFolder(std::string path) {
    std::lock_guard lock(folder().mutex);
    folder().path = std::move(path);
}

} // namespace gfx
