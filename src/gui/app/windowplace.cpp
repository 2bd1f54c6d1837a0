#include "gui/app/windowplace.h"

#include <algorithm>
#include <cmath>

#include <QElapsedTimer>
#include <QEvent>
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

const QScreen *ScreenFor(const QRect &frame)
{
    if (const QScreen *screen = QGuiApplication::screenAt(frame.center()))
        return screen;
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
    return best;
}

QRect SafeAreaOf(const QScreen &screen)
{
    return DeviceSafeArea(screen.availableGeometry(), screen.devicePixelRatio());
}

/**
 * A window placed before it is shown is placed without its frame, which the window
 * system adds only once it shows the window: a window placed flush with the screen's
 * edge then ends the frame's width past it. This moves it inside once, as soon as the
 * frame is known; a window that gets no frame is left alone, and so is every later move.
 */
class FramedFit : public QObject
{
  public:
    explicit FramedFit(QWidget *window)
        : QObject(window)
        , m_window(window)
    {
        setObjectName(QStringLiteral("FramedFit"));
        window->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (m_done || watched != m_window || !m_window->isVisible() ||
            (type != QEvent::Show && type != QEvent::Move && type != QEvent::Resize))
            return false;
        if (!m_shown.isValid())
            m_shown.start();
        const QMargins margins = FrameMargins(m_window);
        if (!margins.isNull()) {
            m_done = true;
            const QRect frame = m_window->frameGeometry();
            if (!AvailableAreaFor(frame).contains(frame))
                Fit(m_window, frame, margins);
        } else if (m_shown.elapsed() > kFramePatienceMs) {
            m_done = true;
        }
        if (m_done)
            deleteLater();
        return false;
    }

  private:
    static constexpr qint64 kFramePatienceMs = 2000;
    QWidget *m_window;
    QElapsedTimer m_shown;
    bool m_done = false;
};

void FitOnceFramed(QWidget *window)
{
    if (window->isVisible() || window->findChild<QObject *>(QStringLiteral("FramedFit"), Qt::FindDirectChildrenOnly))
        return;
    new FramedFit(window);
}

} // namespace

QRect FitInside(const QRect &frame, const QRect &available, const QSize &minimum)
{
    const QSize size = frame.size().boundedTo(available.size()).expandedTo(minimum);
    const int left = std::max(available.left(), std::min(frame.left(), available.right() + 1 - size.width()));
    const int top = std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - size.height()));
    return {QPoint(left, top), size};
}

QRect DeviceSafeArea(const QRect &available, qreal ratio)
{
    if (ratio <= 0 || qFuzzyCompare(ratio, std::round(ratio)))
        return available;
    // A length of n device-independent pixels was rounded from at least (n - 0.5) * ratio
    // device pixels; one of them goes to the rounding of a window's position and size,
    // one to that of its frame.
    const auto safe = [ratio](int length) {
        const double devicePixels = std::ceil((length - 0.5) * ratio) - 2;
        return std::max(0, static_cast<int>(std::floor(devicePixels / ratio)));
    };
    return {available.topLeft(), QSize(safe(available.width()), safe(available.height()))};
}

QRect AvailableAreaFor(const QRect &frame)
{
    const QScreen *screen = ScreenFor(frame);
    return screen ? SafeAreaOf(*screen) : frame;
}

QRect PlaceBeside(const QRect &anchor, const QSize &size, const QRect &available)
{
    QRect frame(QPoint(anchor.right() + 1, anchor.top()), size);
    if (frame.right() > available.right() && anchor.left() - size.width() >= available.left())
        frame.moveRight(anchor.left() - 1);
    return FitInside(frame, available, size);
}

void PlaceWindow(QWidget *window, const QPoint &framePos, const QSize &clientSize)
{
    const QMargins margins = FrameMargins(window);
    Fit(window, QRect(framePos, clientSize.grownBy(margins)), margins);
    FitOnceFramed(window);
}

void CentreOnScreen(QWidget *window, const QWidget *parent)
{
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QMargins margins = FrameMargins(window);
    const QRect available = SafeAreaOf(*screen);
    QRect frame(QPoint(), window->size().grownBy(margins));
    frame.moveCenter(available.center());
    SetFrame(window, FitInside(frame, available, window->minimumSize().grownBy(margins)), margins);
    FitOnceFramed(window);
}

void MoveBeside(QWidget *window, const QRect &anchor)
{
    const QMargins margins = FrameMargins(window);
    SetFrame(window, PlaceBeside(anchor, window->size().grownBy(margins), AvailableAreaFor(anchor)), margins);
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
