// Off-screen layers recorded as vectors and replayed into rects.
#include "platform/graphics/DrawingLayer.h"

#include "platform/graphics/Recorder.h"

namespace gfx {

DrawingLayer::DrawingLayer(const Context& like, Size size) : size_(size) {
    RecordingContext rc = makeRecordingContext(Rect(0, 0, size.width, size.height), like.deviceScale());
    context_ = std::move(rc.context);
    recorder_ = rc.recorder;
}

DrawingLayer::~DrawingLayer() = default;

void Context::drawLayerInRect(const Rect& rect, const DrawingLayer& layer) {
    Size size = layer.size();
    if (!(size.width > 0 && size.height > 0) || !isFinite(rect) || !canDraw("drawLayerInRect"))
        return;
    Rect r = rect.standardized();
    // Layer space -> user space of the rect -> device.
    AffineTransform toUser = AffineTransform::scale(r.width() / size.width, r.height() / size.height)
                                 .concat(AffineTransform::translation(r.minX(), r.minY()));
    AffineTransform m = toUser.concat(state_.ctm);
    saveGState();
    clipToRect(r);
    static_cast<const Recorder&>(layer.recording()).replay(current(), m);
    restoreGState();
}

void Context::drawLayerAtPoint(Point point, const DrawingLayer& layer) {
    drawLayerInRect(Rect(point, layer.size()), layer);
}

} // namespace gfx
