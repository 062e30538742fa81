// The Qt side of fonts and laid-out text: the 72-dpi reference device, our font table and the
// layouts a Qt painter draws (for the Qt backends only).
#pragma once

#include "platform/graphics/Text.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <QTextLayout>
#include <memory>
#include <vector>

namespace gfx::qt {

// Makes sure a Qt GUI application exists (fonts and painting need one); headless when no display.
void ensureGuiApplication();
// The device text is laid out against: 72 dpi, so one point is one unit.
QPaintDevice* referenceDevice();
QFont toQFont(const Font& font);
QFont toQFont(const TextAttributes& attributes);

} // namespace gfx::qt

namespace gfx {

struct TextLayout::Impl {
    struct PlainLine {
        std::unique_ptr<QTextLayout> layout;
        QPointF position;
    };
    // Plain text
    std::vector<PlainLine> plain;
    QColor color;
    bool clip = false;
    // Rich text
    std::unique_ptr<QTextDocument> document;
    Size size;
    Size maxSize;
    std::vector<TextLayout::Line> lines;

    void draw(QPainter& painter, QPointF origin) const;
};

} // namespace gfx
