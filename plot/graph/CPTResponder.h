// The pointing-device interface of layers and plot spaces, and the event record it passes around.
#pragma once

#include "plot/foundation/CPTUtilities.h"

// One touch as the framework sees it. The originating user-interface event travels along untouched,
// for the hosting view's side of the road; nothing under plot/ looks into it.
struct CPTEvent {
    double timestamp = 0;
    CGPoint locationInHostingView; // in the hosting view's own (y-down) coordinates
    const void* uiEvent = nullptr;
};

// Each operation answers whether it handled the event. Points are in the graph layer's coordinates.
class CPTResponder {
  public:
    virtual ~CPTResponder() = default;
    virtual bool pointingDeviceDownEvent(const CPTEvent& event, CGPoint interactionPoint) = 0;
    virtual bool pointingDeviceUpEvent(const CPTEvent& event, CGPoint interactionPoint) = 0;
    virtual bool pointingDeviceDraggedEvent(const CPTEvent& event, CGPoint interactionPoint) = 0;
    virtual bool pointingDeviceCancelledEvent(const CPTEvent& event) = 0;
};
