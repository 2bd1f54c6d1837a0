// velmora: the desktop program.

#include "core/jvlink/jvlinkchoice.h"
#include "core/jvlink/localjvlink.h"
#include "core/settings/appfolder.h"
#include "core/text/sjis.h"
#include "gen/samplesource.h"
#include "gui/app/desktop.h"
#include "gui/app/fonts.h"
#include "gui/app/guicontext.h"
#include "gui/app/mainunit.h"
#include "gui/app/messages.h"
#include "gui/app/startup.h"
#include "gui/jvlink/jvlinksettings.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    using namespace velmora;
    using namespace velmora::gui;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora"));
    InstallFontSubstitutions();
    if (!Cp932Available()) {
        QMessageBox::critical(nullptr, QStringLiteral("Velmora"),
                              QStringLiteral("Shift-JIS(CP932)の文字コード変換が使用できません。"
                                             "Qtのインストールを確認してください。"));
        return 1;
    }

    const QString appFolder = ApplicationFolder();
    QDir::setCurrent(appFolder);
    QtMessageBoxes messages;
    QtDesktop desktop;
    const JVLinkChoice choice =
        ChooseJVLink(appFolder, std::nullopt, BridgeBesideProgram(QCoreApplication::applicationDirPath()));
    const auto activeWindow = [] { return QApplication::activeWindow(); };
    GuiContext context{messages, desktop,
                       ProgramJVLinkFactory(
                           appFolder, choice,
                           [&](LocalJVLink &jvlink) {
                               jvlink.setSourceMaker(gen::LayOutSampleSource);
                               jvlink.setSettingsDialog(JVLinkSettingsDialogOver(activeWindow, PlatformFolderPicker()));
                           },
                           [&](BridgeJVLink &jvlink) {
                               jvlink.setSettingsDialog(JVLinkBridgeDialogOver(activeWindow, choice.description()));
                           }),
                       appFolder};
    if (!JVLinkInstalled(context))
        return 0;

    TMainForm mainForm(context);
    if (!mainForm.EnsureDataFolder())
        return 1;
    mainForm.show();
    return QApplication::exec();
}
