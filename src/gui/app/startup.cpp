#include "gui/app/startup.h"

#include "gui/app/guicontext.h"
#include "gui/app/messages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>

namespace velmora::gui {

namespace {

class QuitAfterPaint : public QObject
{
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return false;
    }
};

} // namespace

void QuitAfterFirstPaintWhenAsked(QWidget *window)
{
    if (qEnvironmentVariableIsSet("VELMORA_QUIT_AFTER_FIRST_PAINT"))
        window->installEventFilter(new QuitAfterPaint(window));
}

bool InstallQtTranslations(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

bool JVLinkInstalled(GuiContext &context)
{
    if (context.jvlinkFactory && context.jvlinkFactory(kJVLinkClassName))
        return true;
    context.messages.beep();
    context.messages.information(
        nullptr, QStringLiteral("JRA-VANのホームページより【JV-Link】を入手し、インストールしてください。"));
    return false;
}

} // namespace velmora::gui
