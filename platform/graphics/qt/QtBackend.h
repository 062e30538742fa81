// The Qt painter backend, for the window's backing store and other Qt hosts (Qt types allowed here).
#pragma once

#include "platform/graphics/Context.h"

#include <QPainter>
#include <QTransform>
#include <memory>

namespace gfx::qt {

// A context drawing with an active painter that the caller owns and keeps alive. `bounds` is the
// drawable area in device units; `scale` the device pixels per unit (for image variants).
std::unique_ptr<Context> makePainterContext(QPainter* painter, const Rect& bounds, double scale = 1);

} // namespace gfx::qt
