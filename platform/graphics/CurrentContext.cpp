// One stack per thread, so drawing on a worker never sees the main thread's context.
#include "platform/graphics/CurrentContext.h"

#include "platform/foundation/Log.h"

#include <vector>

namespace gfx {

namespace {
std::vector<Context*>& stack() {
    thread_local std::vector<Context*> contexts;
    return contexts;
}
} // namespace

void pushCurrentContext(Context& context) {
    stack().push_back(&context);
}

void popCurrentContext() {
    auto& contexts = stack();
    if (contexts.empty()) {
        foundation::log("gfx: popCurrentContext without a pushed context ignored");
        return;
    }
    contexts.pop_back();
}

Context* currentContext() {
    const auto& contexts = stack();
    return contexts.empty() ? nullptr : contexts.back();
}

} // namespace gfx
