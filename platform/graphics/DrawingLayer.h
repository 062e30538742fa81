// An off-screen layer made for a context: drawn into once through its own context, then drawn into
// rects of the target as often as needed. Its calls are kept as vectors, so a PDF stays vector.
#pragma once

#include "platform/graphics/Context.h"

#include <memory>

namespace gfx {

class Recorder;

class DrawingLayer {
  public:
    // A layer of `size` (in the target's user units) for drawing into contexts like `like`.
    DrawingLayer(const Context& like, Size size);
    ~DrawingLayer();
    DrawingLayer(const DrawingLayer&) = delete;
    DrawingLayer& operator=(const DrawingLayer&) = delete;

    Size size() const { return size_; }
    // Draws into the layer; its user space runs over (0, 0, size), y-down like any device.
    Context& context() { return *context_; }
    const Recorder& recording() const { return *recorder_; }

  private:
    Size size_;
    std::unique_ptr<Context> context_;
    Recorder* recorder_;
};

} // namespace gfx
