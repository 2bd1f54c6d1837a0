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

QString ApplicationFolder(const QString &programFile)
{
    const QString programFolder = QFileInfo(programFile).absolutePath();
    const QFileInfo programFolderInfo(programFolder);
    if (programFolderInfo.isDir() && programFolderInfo.isWritable())
        return programFolder;

    // Without an application object AppDataLocation lacks the program's name
    // and would point at the shared data folder itself.
    QString userFolder;
    if (QCoreApplication::instance() && !QCoreApplication::applicationName().isEmpty()) {
        userFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    } else {
        const QString shared = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (!shared.isEmpty())
            userFolder = shared + QStringLiteral("/velmora");
    }
    if (userFolder.isEmpty())
        return programFolder;
    QDir().mkpath(userFolder);
    return userFolder;
}

} // namespace velmora
