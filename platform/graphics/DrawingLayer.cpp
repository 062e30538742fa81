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
    const Recorder& recording = layer.recording();
    // A layer whose drawing stays inside it needs no clip to its rect.
    const Rect inside = Rect(0, 0, size.width, size.height).insetBy(0.5, 0.5);
    const Rect content = recording.paintedBounds();
    if (content.isNull() || (isFinite(content) && content.minX() >= inside.minX() && content.maxX() <= inside.maxX() &&
                             content.minY() >= inside.minY() && content.maxY() <= inside.maxY())) {
        recording.replayWithoutIdleClips(current(), m);
        return;
    }
    saveGState();
    clipToRect(r);
    recording.replayWithoutIdleClips(current(), m);
    restoreGState();
}

void Context::drawLayerAtPoint(Point point, const DrawingLayer& layer) {
    drawLayerInRect(Rect(point, layer.size()), layer);
}

} // namespace gfx
