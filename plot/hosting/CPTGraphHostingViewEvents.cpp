// The hosting view turns one-finger touches into the graph's pointing-device events and pinches into
// scaling of the interactive plot spaces.
#include "plot/hosting/CPTGraphHostingView.h"

#include "plot/graph/CPTPlotArea.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTPlotSpace.h"

#include <algorithm>
#include <cmath>

namespace {
bool isFinitePoint(ui::Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }
} // namespace

CGPoint CPTGraphHostingView::graphPointForViewPoint(ui::Point point) {
    hostedGraph_->setFrame(bounds());
    hostedGraph_->layoutIfNeeded();
    // Collapsed, graph and view share their origin and the graph grows upward; expanded, the
    // view's layer flips it.
    if (collapsesLayers_)
        return CGPoint{point.x, frame().size.height - point.y};
    return hostedGraph_->convertPointFromLayer(point, &layer());
}

CPTEvent CPTGraphHostingView::graphEvent(const ui::Touch& touch, const ui::Event& event) const {
    CPTEvent graphEvent;
    graphEvent.timestamp = event.timestamp;
    graphEvent.locationInHostingView = touch.locationInView(this);
    graphEvent.uiEvent = &event;
    return graphEvent;
}

// The touch of this view that the event is about, if it is the one whose begin the graph saw.
ui::Touch* CPTGraphHostingView::forwardedTouchIn(const ui::Touches& touches) const {
    if (!forwardedTouch_)
        return nullptr;
    auto it = std::find(touches.begin(), touches.end(), forwardedTouch_);
    return it == touches.end() ? nullptr : *it;
}

void CPTGraphHostingView::touchesBegan(const ui::Touches& touches, const ui::Event& event) {
    if (forwardedTouch_ && hostedGraph_) {
        // A second finger turns the gesture into a pinch: the graph's drag ends here.
        CPTEvent cancel = graphEvent(*forwardedTouch_, event);
        forwardedTouch_ = nullptr;
        hostedGraph_->pointingDeviceCancelledEvent(cancel);
    }
    forwardedTouch_ = nullptr;
    if (hostedGraph_ && event.allTouches.size() == 1 && touches.size() == 1) {
        ui::Touch* touch = touches.front();
        const CPTEvent graphEvent = this->graphEvent(*touch, event);
        if (!isFinitePoint(graphEvent.locationInHostingView))
            return ui::View::touchesBegan(touches, event);
        forwardedTouch_ = touch;
        if (hostedGraph_->pointingDeviceDownEvent(graphEvent, graphPointForViewPoint(graphEvent.locationInHostingView)))
            return;
    }
    ui::View::touchesBegan(touches, event);
}

void CPTGraphHostingView::touchesMoved(const ui::Touches& touches, const ui::Event& event) {
    ui::Touch* touch = hostedGraph_ ? forwardedTouchIn(touches) : nullptr;
    if (touch) {
        const CPTEvent graphEvent = this->graphEvent(*touch, event);
        if (isFinitePoint(graphEvent.locationInHostingView) &&
            hostedGraph_->pointingDeviceDraggedEvent(graphEvent, graphPointForViewPoint(graphEvent.locationInHostingView)))
            return;
    }
    ui::View::touchesMoved(touches, event);
}

void CPTGraphHostingView::touchesEnded(const ui::Touches& touches, const ui::Event& event) {
    ui::Touch* touch = hostedGraph_ ? forwardedTouchIn(touches) : nullptr;
    if (touch) {
        forwardedTouch_ = nullptr;
        const CPTEvent graphEvent = this->graphEvent(*touch, event);
        if (isFinitePoint(graphEvent.locationInHostingView) &&
            hostedGraph_->pointingDeviceUpEvent(graphEvent, graphPointForViewPoint(graphEvent.locationInHostingView)))
            return;
        if (!isFinitePoint(graphEvent.locationInHostingView) && hostedGraph_->pointingDeviceCancelledEvent(graphEvent))
            return;
    }
    ui::View::touchesEnded(touches, event);
}

void CPTGraphHostingView::touchesCancelled(const ui::Touches& touches, const ui::Event& event) {
    ui::Touch* touch = hostedGraph_ ? forwardedTouchIn(touches) : nullptr;
    if (touch) {
        forwardedTouch_ = nullptr;
        if (hostedGraph_->pointingDeviceCancelledEvent(graphEvent(*touch, event)))
            return;
    }
    ui::View::touchesCancelled(touches, event);
}

// --- the pinch

void CPTGraphHostingView::setAllowPinchScaling(bool allow) {
    if (allow == allowPinchScaling_)
        return;
    allowPinchScaling_ = allow;
    if (allow) {
        auto recognizer = std::make_shared<ui::PinchGestureRecognizer>(
            [this](ui::GestureRecognizer& r) { handlePinchGesture(static_cast<ui::PinchGestureRecognizer&>(r)); });
        pinchGestureRecognizer_ = recognizer.get();
        addGestureRecognizer(std::move(recognizer));
        return;
    }
    if (pinchGestureRecognizer_) {
        removeGestureRecognizer(pinchGestureRecognizer_);
        pinchGestureRecognizer_ = nullptr;
    }
}

void CPTGraphHostingView::handlePinchGesture(ui::PinchGestureRecognizer& recognizer) {
    const double scale = recognizer.scale();
    recognizer.setScale(1.0);
    if (!hostedGraph_)
        return;
    const ui::Point location = recognizer.locationInView(this);
    if (!isFinitePoint(location))
        return;
    const CGPoint graphPoint = graphPointForViewPoint(location);
    const auto& frame = hostedGraph_->plotAreaFrame();
    const auto area = frame ? frame->plotArea() : nullptr;
    if (!area)
        return;
    const CGPoint point = area->convertPointFromLayer(graphPoint, hostedGraph_.get());
    for (const auto& space : hostedGraph_->allPlotSpaces()) {
        if (space && space->allowsUserInteraction())
            space->scaleBy(scale, point);
    }
}
