#include "gui/app/windowplace.h"

#include <algorithm>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace velmora::gui {
namespace {

/** The frame around the client area: known once the window system has framed the window, else none. */
QMargins FrameMargins(const QWidget *window)
{
    if (window->isVisible())
        return {window->geometry().left() - window->frameGeometry().left(),
                window->geometry().top() - window->frameGeometry().top(),
                window->frameGeometry().right() - window->geometry().right(),
                window->frameGeometry().bottom() - window->geometry().bottom()};
    return window->windowHandle() ? window->windowHandle()->frameMargins() : QMargins();
}

/** Gives the window the frame rectangle `frame` (its client area inside `margins`). */
void SetFrame(QWidget *window, const QRect &frame, const QMargins &margins)
{
    window->resize(frame.size().shrunkBy(margins));
    window->move(frame.topLeft());
}

void Fit(QWidget *window, const QRect &frame, const QMargins &margins)
{
    const QRect fitted =
        FitInside(frame, AvailableAreaFor(frame), window->minimumSize().expandedTo(QSize(1, 1)).grownBy(margins));
    SetFrame(window, fitted, margins);
}

} // namespace

QRect FitInside(const QRect &frame, const QRect &available, const QSize &minimum)
{
    const QSize size = frame.size().boundedTo(available.size()).expandedTo(minimum);
    const int left = std::max(available.left(), std::min(frame.left(), available.right() + 1 - size.width()));
    const int top = std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - size.height()));
    return {QPoint(left, top), size};
}

QRect AvailableAreaFor(const QRect &frame)
{
    if (const QScreen *screen = QGuiApplication::screenAt(frame.center()))
        return screen->availableGeometry();
    const QScreen *best = QGuiApplication::primaryScreen();
    qint64 bestOverlap = 0;
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect overlap = screen->availableGeometry().intersected(frame);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (!overlap.isEmpty() && area > bestOverlap) {
            best = screen;
            bestOverlap = area;
        }
    }
    return best ? best->availableGeometry() : frame;
}

void PlaceWindow(QWidget *window, const QPoint &framePos, const QSize &clientSize)
{
    const QMargins margins = FrameMargins(window);
    Fit(window, QRect(framePos, clientSize.grownBy(margins)), margins);
}

void CentreOnScreen(QWidget *window, const QWidget *parent)
{
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QMargins margins = FrameMargins(window);
    QRect frame(QPoint(), window->size().grownBy(margins));
    frame.moveCenter(screen->availableGeometry().center());
    SetFrame(window, FitInside(frame, screen->availableGeometry(), window->minimumSize().grownBy(margins)), margins);
}

void GrowWindow(QWidget *window, const QSize &extra)
{
    const QSize growth = extra.expandedTo(QSize(0, 0));
    if (growth == QSize(0, 0))
        return;
    const QMargins margins = FrameMargins(window);
    Fit(window, QRect(window->frameGeometry().topLeft(), (window->size() + growth).grownBy(margins)), margins);
}

} // namespace velmora::gui
