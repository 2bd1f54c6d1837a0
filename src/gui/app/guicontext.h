#pragma once

#include "core/jvlink/jvlink.h"
#include "core/settings/appfolderlock.h"
#include "core/settings/settingsfile.h"
#include "core/text/sjis.h"

#include <memory>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>

class QWidget;

namespace velmora::gui {

class MessageBoxes;
class Desktop;
class PrinterProvider;

/**
 * What the windows need of the world, passed in by the start-up code (tests pass
 * their own): message boxes, the desktop, the JV-Link factory and the
 * application folder. The windows own none of it.
 */
struct GuiContext
{
    MessageBoxes &messages;
    Desktop &desktop;
    JVLinkFactory jvlinkFactory;
    QString appFolder;
    /** The printers; the main window uses the platform's when none is given. */
    PrinterProvider *printers = nullptr;

    QString dataDir() const { return appFolder + QStringLiteral("/Data"); }

    /**
     * Takes the writers' lock of the application folder for an import, a result fetch,
     * a text save or a hit export. When another Velmora process is writing there (or
     * the lock cannot be made) the user is told so in an exclamation box and nothing
     * comes back; the caller then changes nothing.
     */
    std::unique_ptr<AppFolderLock> lockForWriting(QWidget *parent) const;

    /**
     * The program's settings file, "velmora.ini" in the application folder; each window
     * keeps its own. A link there to an existing file is followed.
     */
    SettingsFile settings() const
    {
        SettingsFile ini(appFolder + QStringLiteral("/velmora"));
        ini.useProgramFileName();
        ini.setLinkRule(LinkRule::FollowToExistingFile);
        return ini;
    }
};

/** A CP932 text of the core as a QString. */
inline QString Qs(const std::string &cp932)
{
    return FromSjis(cp932);
}

inline QStringList QsList(const std::vector<std::string> &cp932)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(cp932.size()));
    for (const std::string &text : cp932)
        list.append(FromSjis(text));
    return list;
}

} // namespace velmora::gui
