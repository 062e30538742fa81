// The current drawing context of each thread: a stack that text and image drawing push a context onto
// while they draw through code that only asks for "the current context".
#pragma once

namespace gfx {

class Context;

// Makes `context` the current one of the calling thread until the matching pop.
void pushCurrentContext(Context& context);
// Restores the context that was current before the last push; popping an empty stack does nothing.
void popCurrentContext();
// The calling thread's current context; nullptr when none was pushed.
Context* currentContext();

} // namespace gfx
