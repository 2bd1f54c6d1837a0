#include "core/jvlink/jvlinkchoice.h"

#include "core/jvlink/bridgejvlink.h"
#include "core/jvlink/localjvlink.h"
#include "core/settings/inigt.h"

#include <QFileInfo>
#include <QProcess>

namespace velmora {

QString JVLinkChoice::description() const
{
    if (!usesBridge())
        return QStringLiteral("使用中のJV-Link：ローカルJV-Link（提供元フォルダのJV-Dataファイルを読み込みます）");
    return QStringLiteral("使用中のJV-Link：JRA-VANのJV-Link（velmora-jvbridge経由：%1）")
        .arg(bridgeCommand.join(QLatin1Char(' ')));
}

QString BridgeBesideProgram(const QString &programFolder)
{
#ifdef Q_OS_WIN
    const QString path = programFolder + QStringLiteral("/velmora-jvbridge.exe");
    if (QFileInfo(path).isFile())
        return path;
#else
    Q_UNUSED(programFolder);
#endif
    return {};
}

JVLinkChoice ChooseJVLink(const QString &appFolder, const std::optional<QString> &override,
                          const QString &defaultBridge)
{
    JVLinkChoice choice;
    if (override) {
        choice.bridgeCommand = QProcess::splitCommand(*override);
        return choice;
    }
    TIniGT ini;
    ini.setFileName(appFolder + QStringLiteral("/JVLink/JVLink.ini"));
    // A character no command holds tells a missing key from an empty one.
    const QString absent(QChar(0x1));
    const QString configured = ini.ReadString(QStringLiteral("JVLink"), QStringLiteral("Bridge"), absent);
    if (configured != absent)
        choice.bridgeCommand = QProcess::splitCommand(configured);
    else if (!defaultBridge.isEmpty())
        choice.bridgeCommand = QStringList{defaultBridge};
    return choice;
}

JVLinkFactory ProgramJVLinkFactory(const QString &appFolder, const JVLinkChoice &choice,
                                   std::function<void(LocalJVLink &)> configureLocal,
                                   std::function<void(BridgeJVLink &)> configureBridge)
{
    if (!choice.usesBridge())
        return LocalJVLinkFactory(appFolder, std::move(configureLocal));
    return [command = choice.bridgeCommand, configureBridge](const QString &className) -> std::unique_ptr<JVLink> {
        if (className != kJVLinkClassName)
            return nullptr;
        auto jvlink = std::make_unique<BridgeJVLink>(command);
        if (configureBridge)
            configureBridge(*jvlink);
        return jvlink;
    };
}

} // namespace velmora
