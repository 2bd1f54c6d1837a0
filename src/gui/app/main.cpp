// velmora: the desktop program.

#include "core/jvlink/localjvlink.h"
#include "core/jvlink/samplesource.h"
#include "core/settings/appfolder.h"
#include "core/text/sjis.h"
#include "gui/app/desktop.h"
#include "gui/app/fonts.h"
#include "gui/app/guicontext.h"
#include "gui/app/mainwindow.h"
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
    InstallQtTranslations(app);
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
    GuiContext context{messages, desktop,
                       LocalJVLinkFactory(appFolder,
                                          [](LocalJVLink &jvlink) {
                                              jvlink.setSourceMaker(
                                                  BundledSampleMaker(QCoreApplication::applicationDirPath()));
                                              jvlink.setSettingsDialog(JVLinkSettingsDialogOver(
                                                  [] { return QApplication::activeWindow(); }, PlatformFolderPicker()));
                                          }),
                       appFolder};
    if (!JVLinkInstalled(context))
        return 0;

    MainWindow mainForm(context);
    if (!mainForm.EnsureDataFolder())
        return 1;
    QuitAfterFirstPaintWhenAsked(&mainForm);
    mainForm.show();
    return QApplication::exec();
}
