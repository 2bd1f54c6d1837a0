#pragma once

#include "core/jvlink/jvlink.h"

#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

namespace velmora {

class BridgeJVLink;
class LocalJVLink;

/** Which JV-Link the program uses: the real one through velmora-jvbridge, or the local one. */
struct JVLinkChoice
{
    /** The bridge program and its arguments; empty for the local JV-Link. */
    QStringList bridgeCommand;

    bool usesBridge() const { return !bridgeCommand.isEmpty(); }
    /** The line the settings dialogs show: which JV-Link is in use. */
    QString description() const;
};

/** The bridge beside the program ("velmora-jvbridge.exe" in `programFolder`) on Windows when it exists, else empty. */
QString BridgeBesideProgram(const QString &programFolder);

/**
 * Chooses the JV-Link of the application folder `appFolder`: the command line's
 * `override` when given (a command; an empty one means the local JV-Link), else the
 * key "Bridge" of the section [JVLink] in JVLink/JVLink.ini (a command; empty means
 * the local JV-Link), else `defaultBridge` (a program path) when it is not empty,
 * else the local JV-Link. Commands are split as a shell would, quotes included.
 */
JVLinkChoice ChooseJVLink(const QString &appFolder, const std::optional<QString> &override,
                          const QString &defaultBridge);

/**
 * The program's factory: "JVDTLab.JVLink" gives a BridgeJVLink when `choice` names a
 * bridge, otherwise the LocalJVLink of LocalJVLinkFactory; each is completed by its
 * callback when given.
 */
JVLinkFactory ProgramJVLinkFactory(const QString &appFolder, const JVLinkChoice &choice,
                                   std::function<void(LocalJVLink &)> configureLocal = {},
                                   std::function<void(BridgeJVLink &)> configureBridge = {});

} // namespace velmora
