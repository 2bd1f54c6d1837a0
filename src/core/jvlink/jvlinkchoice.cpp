#include "core/jvlink/jvlinkchoice.h"

#include "core/jvlink/bridgejvlink.h"
#include "core/jvlink/localjvlink.h"
#include "core/settings/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace velmora {
namespace {

const QString kBridge32 = QStringLiteral("velmora-jvbridge.exe");
const QString kBridge64 = QStringLiteral("velmora-jvbridge64.exe");

QString WhyLocal(JVLinkChoice::Reason reason)
{
    switch (reason) {
    case JVLinkChoice::Reason::CommandLine:
        return QStringLiteral("--bridge が空のため");
    case JVLinkChoice::Reason::SettingsFile:
        return QStringLiteral("JVLink/JVLink.ini の Bridge= が空のため");
    case JVLinkChoice::Reason::NoBridge:
        return QStringLiteral("velmora-jvbridge.exe が見つからないため");
    case JVLinkChoice::Reason::Packaged:
    case JVLinkChoice::Reason::NotWindows:
        break;
    }
    return QStringLiteral("JRA-VANのJV-LinkはWindowsかWSLでしか使えないため");
}

QString WhyBridge(JVLinkChoice::Reason reason, bool underWsl)
{
    switch (reason) {
    case JVLinkChoice::Reason::CommandLine:
        return QStringLiteral("--bridge の指定");
    case JVLinkChoice::Reason::SettingsFile:
        return QStringLiteral("JVLink/JVLink.ini の Bridge= の指定");
    default:
        return underWsl ? QStringLiteral("WSLからWindowsで実行") : QStringLiteral("本ソフトに同梱");
    }
}

} // namespace

QString JVLinkChoice::description(const BridgeJVLink *bridge) const
{
    const QString inUse = QStringLiteral("使用中のJV-Link：");
    if (!usesBridge())
        return inUse + QStringLiteral("ローカルJV-Link（%1。提供元フォルダのJV-Dataファイルを読み込みます）")
                           .arg(WhyLocal(reason));
    const QString build =
        bridge && bridge->bitness() > 0 ? QStringLiteral("%1ビット版の").arg(bridge->bitness()) : QString();
    const QStringList &command = bridge ? bridge->command() : bridgeCommand;
    return inUse + QStringLiteral("JRA-VANのJV-Link（%1velmora-jvbridge経由、%2：%3）")
                       .arg(build, WhyBridge(reason, underWsl), command.join(QLatin1Char(' ')));
}

bool IsWsl(const QByteArray &osRelease, const QProcessEnvironment &environment)
{
    return osRelease.toLower().contains("microsoft") || environment.contains(QStringLiteral("WSL_DISTRO_NAME")) ||
           environment.contains(QStringLiteral("WSL_INTEROP"));
}

void FindPackagedBridges(const QString &programFolder, BridgeHost &host)
{
    for (const QString &folder : {programFolder, programFolder + QStringLiteral("/../share/velmora")}) {
        const QString bridge32 = folder + QLatin1Char('/') + kBridge32;
        const QString bridge64 = folder + QLatin1Char('/') + kBridge64;
        const bool has32 = QFileInfo(bridge32).isFile();
        const bool has64 = QFileInfo(bridge64).isFile();
        if (!has32 && !has64)
            continue;
        host.bridge = QDir::cleanPath(QFileInfo(has32 ? bridge32 : bridge64).absoluteFilePath());
        host.fallback = has32 && has64 ? QDir::cleanPath(QFileInfo(bridge64).absoluteFilePath()) : QString();
        return;
    }
}

BridgeHost ThisHost(const QString &programFolder)
{
    BridgeHost host;
#ifdef Q_OS_WIN
    host.windows = true;
#else
    QFile release(QStringLiteral("/proc/sys/kernel/osrelease"));
    host.wsl = IsWsl(release.open(QIODevice::ReadOnly) ? release.read(256) : QByteArray(),
                     QProcessEnvironment::systemEnvironment());
#endif
    if (host.windows || host.wsl)
        FindPackagedBridges(programFolder, host);
    return host;
}

JVLinkChoice ChooseJVLink(const QString &appFolder, const std::optional<QString> &override, const BridgeHost &host)
{
    JVLinkChoice choice;
    choice.underWsl = host.wsl;
    if (override) {
        choice.bridgeCommand = QProcess::splitCommand(*override);
        choice.reason = JVLinkChoice::Reason::CommandLine;
        return choice;
    }
    SettingsFile ini;
    ini.setFileName(appFolder + QStringLiteral("/JVLink/JVLink.ini"));
    // A character no command holds tells a missing key from an empty one.
    const QString absent(QChar(0x1));
    const QString configured = ini.ReadString(QStringLiteral("JVLink"), QStringLiteral("Bridge"), absent);
    if (configured != absent) {
        choice.bridgeCommand = QProcess::splitCommand(configured);
        choice.reason = JVLinkChoice::Reason::SettingsFile;
    } else if (!host.bridge.isEmpty()) {
        choice.bridgeCommand = QStringList{host.bridge};
        if (!host.fallback.isEmpty())
            choice.fallbackCommand = QStringList{host.fallback};
        choice.reason = JVLinkChoice::Reason::Packaged;
    } else {
        choice.reason = host.windows || host.wsl ? JVLinkChoice::Reason::NoBridge : JVLinkChoice::Reason::NotWindows;
    }
    return choice;
}

JVLinkFactory ProgramJVLinkFactory(const QString &appFolder, const JVLinkChoice &choice,
                                   std::function<void(LocalJVLink &)> configureLocal,
                                   std::function<void(BridgeJVLink &)> configureBridge)
{
    if (!choice.usesBridge())
        return LocalJVLinkFactory(appFolder, std::move(configureLocal));
    return [command = choice.bridgeCommand, fallback = choice.fallbackCommand,
            configureBridge](const QString &className) -> std::unique_ptr<JVLink> {
        if (className != kJVLinkClassName)
            return nullptr;
        auto jvlink = std::make_unique<BridgeJVLink>(command, BridgeTimeouts{}, fallback);
        if (configureBridge)
            configureBridge(*jvlink);
        return jvlink;
    };
}

} // namespace velmora
