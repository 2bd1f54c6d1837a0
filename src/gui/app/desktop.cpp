#include "gui/app/desktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>

namespace velmora::gui {

bool QtDesktop::open(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

void QtDesktop::setClipboardText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

} // namespace velmora::gui
