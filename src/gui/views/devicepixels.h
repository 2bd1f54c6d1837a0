#pragma once

#include <QRect>
#include <QTransform>

class QPainter;

namespace velmora::gui {

/**
 * The device pixels that the rectangle `logical` covers under `toDevice`, each edge
 * rounded to a whole pixel: rectangles that meet in device-independent pixels meet in
 * device pixels too, without a gap or an overlap, whatever the scale.
 */
QRect DevicePixelRect(const QRectF &logical, const QTransform &toDevice);

/**
 * The height, in device-independent pixels, of a grid row designed `designed` pixels
 * tall at scale `ratio`: the least height from `designed` up that is a whole number of
 * device pixels (16 at 1.5 for 15), so that all rows are equally tall; `designed` when
 * none is within a few pixels.
 */
int EvenRowHeight(int designed, qreal ratio);

/**
 * While it lives, `painter` draws in whole device pixels: coordinates are device pixels
 * and fillRect() of a QRect covers exactly its pixels, so that grid lines and frames are
 * one device pixel wide and evenly placed at fractional scales. Drawing that should
 * scale (text) is done after it has gone.
 */
class DevicePixelPainting
{
  public:
    explicit DevicePixelPainting(QPainter &painter);
    ~DevicePixelPainting();
    DevicePixelPainting(const DevicePixelPainting &) = delete;
    DevicePixelPainting &operator=(const DevicePixelPainting &) = delete;

    /** The device pixels of a rectangle in the painter's own coordinates (DevicePixelRect). */
    QRect map(const QRectF &logical) const;
    /** The pixels Qt gives a widget of `size` painted by this painter: its origin and size each rounded. */
    QRect widgetPixels(const QSize &size) const;
    /** A rectangle of device pixels in the painter's own coordinates, for clipping what is drawn afterwards. */
    QRectF toLogical(const QRect &device) const;
    /** Device pixels per device-independent pixel. */
    qreal ratio() const { return m_toDevice.m11(); }
    /** The width of a one-pixel line of the design, in whole device pixels: 1 below a scale of 2. */
    int lineWidth() const;

  private:
    QPainter &m_painter;
    QTransform m_toDevice;
};

} // namespace velmora::gui
