#include "core/settings/appfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmora {

QString ProgramFilePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

QString InstalledProgramsFolder()
{
    return QStringLiteral(VELMORA_INSTALL_BINDIR);
}

bool IsInstalledCopy(const QString &programFile)
{
    const QString folder = QFileInfo(programFile).absolutePath();
    if (QDir::cleanPath(folder) == QDir::cleanPath(InstalledProgramsFolder()))
        return true;
    // The same folder reached through a link (/bin and /usr/bin on merged systems).
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(InstalledProgramsFolder()).canonicalFilePath();
}

QString SharedFilesFolder(const QString &programFile)
{
    return IsInstalledCopy(programFile) ? QStringLiteral(VELMORA_INSTALL_DATADIR)
                                        : QFileInfo(programFile).absolutePath();
}

QString ApplicationFolder(const QString &programFile)
{
    const QString programFolder = QFileInfo(programFile).absolutePath();
    const QFileInfo programFolderInfo(programFolder);
    // Run as root, an installed copy would otherwise fill the system's program folder.
    if (!IsInstalledCopy(programFile) && programFolderInfo.isDir() && programFolderInfo.isWritable())
        return programFolder;

    // One folder for every program of Velmora (the desktop program and the tool share
    // their data), whatever each program file is called.
    const QString shared = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString userFolder = shared.isEmpty() ? QString() : shared + QStringLiteral("/velmora");
    if (userFolder.isEmpty())
        return programFolder;
    QDir().mkpath(userFolder);
    return userFolder;
}

} // namespace velmora
