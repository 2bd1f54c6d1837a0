#include "gui/views/devicepixels.h"

#include <cmath>

#include <QPainter>

namespace velmora::gui {

QRect DevicePixelRect(const QRectF &logical, const QTransform &toDevice)
{
    const QRectF device = toDevice.mapRect(logical);
    const QPoint topLeft(qRound(device.left()), qRound(device.top()));
    const QPoint end(qRound(device.right()), qRound(device.bottom()));
    return {topLeft, QSize(end.x() - topLeft.x(), end.y() - topLeft.y())};
}

int EvenRowHeight(int designed, qreal ratio)
{
    for (int height = designed; height <= designed + 4; ++height) {
        const qreal device = height * ratio;
        if (std::abs(device - std::round(device)) < 0.01)
            return height;
    }
    return designed;
}

DevicePixelPainting::DevicePixelPainting(QPainter &painter)
    : m_painter(painter)
    , m_toDevice(painter.deviceTransform())
{
    m_painter.save();
    // The world transform that cancels the rest of the way to the device (the widget's
    // offset and the screen's scale): painter coordinates become device pixels.
    m_painter.setWorldTransform(m_toDevice.inverted() * m_painter.worldTransform());
    m_painter.setRenderHint(QPainter::Antialiasing, false);
}

DevicePixelPainting::~DevicePixelPainting()
{
    m_painter.restore();
}

QRect DevicePixelPainting::map(const QRectF &logical) const
{
    return DevicePixelRect(logical, m_toDevice);
}

QRect DevicePixelPainting::widgetPixels(const QSize &size) const
{
    const QPointF origin = m_toDevice.map(QPointF(0, 0));
    return {qRound(origin.x()), qRound(origin.y()), qRound(size.width() * ratio()), qRound(size.height() * ratio())};
}

QRectF DevicePixelPainting::toLogical(const QRect &device) const
{
    return m_toDevice.inverted().mapRect(QRectF(device));
}

int DevicePixelPainting::lineWidth() const
{
    return std::max(1, static_cast<int>(std::floor(ratio())));
}

} // namespace velmora::gui
