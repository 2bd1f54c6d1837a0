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
 * The available area (the screen less its panels) of the screen a frame is on: the
 * screen holding its centre, else the one it overlaps most, else the primary screen.
 */
QRect AvailableAreaFor(const QRect &frame);

/**
 * Places a top-level window with its frame's top-left corner at `framePos` and its
 * client area of `clientSize`, as a saved place reads (device-independent pixels),
 * then moves and shrinks it into the available area of the screen it is on, so that
 * a place saved on another screen or at another scale never opens it partly outside.
 */
void PlaceWindow(QWidget *window, const QPoint &framePos, const QSize &clientSize);

/** Centres a top-level window on the available area of `parent`'s screen (or the primary one), wholly inside. */
void CentreOnScreen(QWidget *window, const QWidget *parent);

/**
 * Grows a top-level window's client area by `extra` (negative parts are ignored) as
 * far as its screen's available area allows, moving it left or up where it would
 * otherwise leave that area.
 */
void GrowWindow(QWidget *window, const QSize &extra);

} // namespace velmora::gui
