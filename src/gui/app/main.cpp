// velmora: the desktop program.

#include "core/jvlink/jvlinkchoice.h"
#include "core/jvlink/localjvlink.h"
#include "core/jvlink/samplesource.h"
#include "core/settings/appfolder.h"
#include "core/settings/version.h"
#include "core/text/sjis.h"
#include "gui/app/desktop.h"
#include "gui/app/guicontext.h"
#include "gui/app/mainwindow.h"
#include "gui/app/messages.h"
#include "gui/app/startup.h"
#include "gui/jvlink/jvlinksettings.h"
#include "render/fonts.h"

#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QDir>
#include <QMessageBox>

namespace {

const char *const kUsage = "使い方: velmora [--help | --version]\n"
                           "  JRA-VANのデータで中央競馬の買い目と的中を表示するデスクトッププログラムです。\n"
                           "  Qtのオプション（-platform など）も使えます。\n";

} // namespace

int main(int argc, char *argv[])
{
    using namespace velmora;
    using namespace velmora::gui;

    // Answered before any window system is needed, so that they work anywhere.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n", VersionLine(QStringLiteral("velmora")).toUtf8().constData());
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora"));
    // Qt has taken its own options; the program reads no others.
    if (QApplication::arguments().size() > 1) {
        std::fprintf(stderr, "不明な引数です: %s\n", QApplication::arguments().at(1).toUtf8().constData());
        std::fputs(kUsage, stderr);
        return 2;
    }
    render::InstallFontSubstitutions();
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
    const JVLinkChoice choice = ChooseJVLink(appFolder, std::nullopt, ThisHost(QCoreApplication::applicationDirPath()));
    const auto activeWindow = [] { return QApplication::activeWindow(); };
    GuiContext context{messages, desktop,
                       ProgramJVLinkFactory(
                           appFolder, choice,
                           [&](LocalJVLink &jvlink) {
                               jvlink.setSourceMaker(BundledSampleMaker(QCoreApplication::applicationDirPath()));
                               jvlink.setSettingsDialog(JVLinkSettingsDialogOver(activeWindow, PlatformFolderPicker(),
                                                                                 choice.description()));
                           },
                           [&](BridgeJVLink &jvlink) {
                               jvlink.setSettingsDialog(JVLinkBridgeDialogOver(
                                   activeWindow, [choice, &jvlink] { return choice.description(&jvlink); }));
                               jvlink.setDialogOwner(JVLinkDialogOwner(activeWindow));
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
