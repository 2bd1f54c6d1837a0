#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace velmora::gui {

/**
 * A window's frame rectangle `frame` moved, and shrunk where it is larger, so that
 * it lies wholly inside `available`; it is never made smaller than `minimum`. All in
 * device-independent pixels.
 */
QRect FitInside(const QRect &frame, const QRect &available, const QSize &minimum = {});

/**
 * The part of a screen's available area `available` (device-independent pixels) that a
 * window may fill without passing the screen's edges in device pixels at scale `ratio`.
 * At a fractional scale the screen's size is rounded to whole device-independent pixels,
 * and so are a window's position, size and frame on their way back to device pixels: a
 * window flush with the rounded right or bottom edge can end a device pixel or two past
 * the screen. The area keeps clear of those pixels; at a whole scale it is `available`.
 */
QRect DeviceSafeArea(const QRect &available, qreal ratio);

/**
 * The available area (the screen less its panels) of the screen a frame is on: the
 * screen holding its centre, else the one it overlaps most, else the primary screen;
 * the part of it that is safe at the screen's scale (DeviceSafeArea).
 */
QRect AvailableAreaFor(const QRect &frame);

/**
 * Where a frame of `size` goes beside `anchor` (a rectangle on the screen, such as a grid
 * row): right of it with the tops level, or left of it when the right side has no room,
 * moved up or down as far as needed to lie inside `available`. All in device-independent
 * pixels.
 */
QRect PlaceBeside(const QRect &anchor, const QSize &size, const QRect &available);

/**
 * Places a top-level window with its frame's top-left corner at `framePos` and its
 * client area of `clientSize`, as a saved place reads (device-independent pixels),
 * then moves and shrinks it into the available area of the screen it is on, so that
 * a place saved on another screen or at another scale never opens it partly outside.
 */
void PlaceWindow(QWidget *window, const QPoint &framePos, const QSize &clientSize);

/** Centres a top-level window on the available area of `parent`'s screen (or the primary one), wholly inside. */
void CentreOnScreen(QWidget *window, const QWidget *parent);

/** Moves a top-level window beside `anchor` (global coordinates) by PlaceBeside, inside the anchor's screen. */
void MoveBeside(QWidget *window, const QRect &anchor);

/**
 * Grows a top-level window's client area by `extra` (negative parts are ignored) as
 * far as its screen's available area allows, moving it left or up where it would
 * otherwise leave that area.
 */
void GrowWindow(QWidget *window, const QSize &extra);

} // namespace velmora::gui
