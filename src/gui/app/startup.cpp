#include "gui/app/startup.h"

#include "gui/app/guicontext.h"
#include "gui/app/messages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace velmora::gui {

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
