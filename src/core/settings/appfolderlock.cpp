#include "core/settings/appfolderlock.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace velmora {
namespace {

// Far longer than a live writer needs between making the lock file and writing its
// process number into it.
constexpr qint64 kUnfinishedLockSeconds = 10;

} // namespace

AppFolderLock::AppFolderLock(QString appFolder)
    : m_folder(std::move(appFolder))
    , m_lock(m_folder + QLatin1Char('/') + lockFileName())
{
    // An import may take minutes: only a lock whose process has ended is stale, never
    // one that is merely old.
    m_lock.setStaleLockTime(0);
}

QString AppFolderLock::lockFileName()
{
    return QStringLiteral("velmora.lock");
}

QString AppFolderLock::path() const
{
    return m_folder + QLatin1Char('/') + lockFileName();
}

bool AppFolderLock::tryLock()
{
    m_message.clear();
    if (m_lock.isLocked())
        return true;
    const QString shown = QDir::toNativeSeparators(m_folder);
    QDir().mkpath(m_folder);
    if (m_lock.tryLock(0))
        return true;
    // A writer puts its process number into the lock file the moment it makes it; one
    // killed in between leaves an empty file, which would otherwise lock the folder
    // for ever. Once it has stood long enough to be nobody's, it is taken over.
    qint64 pid = 0;
    QString host;
    QString application;
    if (m_lock.error() == QLockFile::LockFailedError && !m_lock.getLockInfo(&pid, &host, &application) &&
        QFileInfo(path()).lastModified().secsTo(QDateTime::currentDateTime()) >= kUnfinishedLockSeconds &&
        m_lock.removeStaleLockFile() && m_lock.tryLock(0))
        return true;
    switch (m_lock.error()) {
    case QLockFile::LockFailedError: {
        const QString holder = m_lock.getLockInfo(&pid, &host, &application)
                                   ? QStringLiteral("別のVelmora（プロセス番号 %1）").arg(pid)
                                   : QStringLiteral("別のVelmora");
        m_message = QStringLiteral("%1がフォルダ「%2」にデータを書き込んでいます。"
                                   "その処理が終わってから、もう一度実行してください。")
                        .arg(holder, shown);
        break;
    }
    case QLockFile::PermissionError:
        m_message =
            QStringLiteral("フォルダ「%1」にロックファイル「%2」を作成できません（アクセスが許可されていません）。")
                .arg(shown, lockFileName());
        break;
    default:
        m_message = QStringLiteral("フォルダ「%1」にロックファイル「%2」を作成できません。").arg(shown, lockFileName());
        break;
    }
    return false;
}

void AppFolderLock::unlock()
{
    m_lock.unlock();
}

} // namespace velmora
