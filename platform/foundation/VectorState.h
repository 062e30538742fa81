// The upper halves of the processor's 256-bit vector registers, which drawing code of the system's
// libraries may leave in use. While they are, every plain (SSE) floating-point instruction of ours runs
// many times slower on some processors, until something clears them. Code that hands back from such a
// library clears them, so the work that follows runs at full speed.
#pragma once

namespace foundation {

// Clears the upper halves of the vector registers where the processor has them; nothing elsewhere.
void clearUpperVectorState();

// Whether the upper halves are in use now; false where the processor cannot tell.
bool upperVectorStateInUse();

// Whether upperVectorStateInUse() can tell on this processor.
bool canReadUpperVectorState();

} // namespace foundation
