#pragma once

#include "core/jvlink/jvlink.h"

#include <functional>
#include <optional>

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace velmora {

class BridgeJVLink;
class LocalJVLink;

/** Which JV-Link the program uses, the real one through velmora-jvbridge or the local one, and why. */
struct JVLinkChoice
{
    /** What made the choice. */
    enum class Reason
    {
        CommandLine,  ///< --bridge; an empty one asks for the local JV-Link
        SettingsFile, ///< Bridge= in JVLink/JVLink.ini; an empty one asks for the local JV-Link
        Packaged,     ///< the bridge shipped with the program (beside it on Windows, in the package under WSL)
        NoBridge,     ///< Windows or WSL, but no bridge where the program looks for one
        NotWindows,   ///< neither Windows nor WSL: the real JV-Link cannot run here
    };

    /** The bridge program and its arguments; empty for the local JV-Link. */
    QStringList bridgeCommand;
    /** The bridge tried when the first cannot create JV-Link (the 64-bit one); may be empty. */
    QStringList fallbackCommand;
    Reason reason = Reason::NotWindows;
    /** The program runs under WSL. */
    bool underWsl = false;

    bool usesBridge() const { return !bridgeCommand.isEmpty(); }
    /**
     * The line the settings dialogs and the tool show: which JV-Link is in use and why;
     * given the bridge in use, also its build (32 or 64 bits) and the command that runs.
     */
    QString description(const BridgeJVLink *bridge = nullptr) const;
};

/** Where the program runs, as far as the real JV-Link is concerned. */
struct BridgeHost
{
    bool windows = false; ///< Windows itself
    bool wsl = false;     ///< Linux under WSL, which starts Windows programs
    QString bridge;       ///< the bridge shipped with the program (32-bit), or empty
    QString fallback;     ///< the 64-bit bridge shipped beside it, or empty
};

/**
 * Whether this Linux is WSL: the kernel's release (`osRelease`, the text of
 * /proc/sys/kernel/osrelease) names Microsoft, or the `environment` holds WSL's own
 * variables (WSL_DISTRO_NAME, WSL_INTEROP).
 */
bool IsWsl(const QByteArray &osRelease, const QProcessEnvironment &environment);

/**
 * The bridges shipped with the program: "velmora-jvbridge.exe" and the 64-bit
 * "velmora-jvbridge64.exe" beside the program (`programFolder`: Windows and a portable
 * copy) or in an installed package's data folder (`programFolder`/../share/velmora).
 * `host` receives them; when only the 64-bit one is there it is the bridge itself.
 */
void FindPackagedBridges(const QString &programFolder, BridgeHost &host);

/** This program's host: Windows, WSL (IsWsl of this process) or neither, and on the first two its packaged bridges. */
BridgeHost ThisHost(const QString &programFolder);

/**
 * Chooses the JV-Link of the application folder `appFolder`: the command line's
 * `override` when given (a command; an empty one means the local JV-Link), else the
 * key "Bridge" of the section [JVLink] in JVLink/JVLink.ini (a command; empty means
 * the local JV-Link), else the `host`'s packaged bridge (with its 64-bit fallback),
 * else the local JV-Link. Commands are split as a shell would, quotes included.
 */
JVLinkChoice ChooseJVLink(const QString &appFolder, const std::optional<QString> &override, const BridgeHost &host);

/**
 * The program's factory: "JVDTLab.JVLink" gives a BridgeJVLink when `choice` names a
 * bridge, otherwise the LocalJVLink of LocalJVLinkFactory; each is completed by its
 * callback when given.
 */
JVLinkFactory ProgramJVLinkFactory(const QString &appFolder, const JVLinkChoice &choice,
                                   std::function<void(LocalJVLink &)> configureLocal = {},
                                   std::function<void(BridgeJVLink &)> configureBridge = {});

} // namespace velmora
