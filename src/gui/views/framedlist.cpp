#include "gui/views/framedlist.h"

#include "gui/views/devicepixels.h"

#include <QPaintEvent>
#include <QPainter>

namespace velmora::gui {

FramedList::FramedList(QWidget *parent)
    : QListWidget(parent)
{
    setFrameShape(QFrame::NoFrame);
    setViewportMargins(1, 1, 1, 1);
}

bool FramedList::event(QEvent *event)
{
    const bool handled = QListWidget::event(event);
    if (event->type() != QEvent::Paint)
        return handled;
    QPainter painter(this);
    const DevicePixelPainting device(painter);
    // The pixels the widget really has on the screen, so that no edge is cut off.
    const QRect pixels = device.widgetPixels(size());
    const int line = device.lineWidth();
    painter.fillRect(pixels, palette().color(QPalette::Base));
    const QColor frame = palette().color(QPalette::Window).darker(140);
    painter.fillRect(QRect(pixels.left(), pixels.top(), pixels.width(), line), frame);
    painter.fillRect(QRect(pixels.left(), pixels.bottom() - line + 1, pixels.width(), line), frame);
    painter.fillRect(QRect(pixels.left(), pixels.top(), line, pixels.height()), frame);
    painter.fillRect(QRect(pixels.right() - line + 1, pixels.top(), line, pixels.height()), frame);
    return true;
}

} // namespace velmora::gui
