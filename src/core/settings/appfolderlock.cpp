#include "core/settings/appfolderlock.h"

#include <cerrno>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora {
namespace {

// Far longer than a live writer needs between making the lock file and writing its
// process number into it.
constexpr qint64 kUnfinishedLockSeconds = 10;

// A lock file holds a process number, a program name, a host name and a boot id.
constexpr qint64 kMaxLockFileSize = 4096;

QString ClearAndRetry()
{
    return QStringLiteral("「%1」を削除してから、もう一度実行してください。").arg(AppFolderLock::lockFileName());
}

QString NotAFileMessage(const QString &shownFolder, const QString &what)
{
    return QStringLiteral("フォルダ「%1」のロックファイル「%2」が通常のファイルではなく、%3になっています。")
               .arg(shownFolder, AppFolderLock::lockFileName(), what) +
           ClearAndRetry();
}

QString NoPermissionMessage(const QString &shownFolder)
{
    return QStringLiteral("フォルダ「%1」のロックファイル「%2」を読み込めません（アクセスが許可されていません）。"
                          "「%2」の所有者とアクセス権を確かめるか、")
               .arg(shownFolder, AppFolderLock::lockFileName()) +
           ClearAndRetry();
}

#ifdef Q_OS_UNIX

/**
 * Why the lock path cannot hold the lock, or nothing when it can: it is absent, or a
 * regular file small enough to be a lock file, which this process may read. Looked
 * at without following a link and without waiting: QLockFile opens an existing lock
 * file the ordinary way to read its owner, which blocks for ever on a named pipe and
 * reads without end from a link to a device.
 */
QString LockPathProblem(const QString &path, const QString &shownFolder)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info;
    if (::lstat(native.constData(), &info) != 0)
        return errno == ENOENT ? QString() : NoPermissionMessage(shownFolder);
    const auto kindOf = [](mode_t mode) {
        return S_ISLNK(mode)    ? QStringLiteral("シンボリックリンク")
               : S_ISDIR(mode)  ? QStringLiteral("フォルダ")
               : S_ISFIFO(mode) ? QStringLiteral("名前付きパイプ")
               : S_ISSOCK(mode) ? QStringLiteral("ソケット")
                                : QStringLiteral("デバイス");
    };
    if (!S_ISREG(info.st_mode))
        return NotAFileMessage(shownFolder, kindOf(info.st_mode));
    const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT)
            return {};
        return errno == ELOOP ? NotAFileMessage(shownFolder, kindOf(S_IFLNK)) : NoPermissionMessage(shownFolder);
    }
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    if (!regular)
        return NotAFileMessage(shownFolder, kindOf(info.st_mode));
    if (info.st_size > kMaxLockFileSize)
        return QStringLiteral("フォルダ「%1」の「%2」はVelmoraのロックファイルではありません（大きすぎます）。")
                   .arg(shownFolder, AppFolderLock::lockFileName()) +
               ClearAndRetry();
    return {};
}

/** Whether process `pid` of this machine has ended. */
bool HasEnded(qint64 pid, const QString &host)
{
    return pid > 0 && host == QSysInfo::machineHostName() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

#else

QString LockPathProblem(const QString &path, const QString &shownFolder)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return NotAFileMessage(shownFolder, QStringLiteral("シンボリックリンク"));
    if (info.exists() && !info.isFile())
        return NotAFileMessage(shownFolder, QStringLiteral("フォルダ"));
    return {};
}

bool HasEnded(qint64, const QString &)
{
    return false;
}

#endif

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
    m_message = LockPathProblem(path(), shown);
    if (!m_message.isEmpty())
        return false;
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
        // QLockFile takes over the lock of an ended process by removing it, which takes
        // the right to write the file and the folder.
        if (m_lock.getLockInfo(&pid, &host, &application) && HasEnded(pid, host)) {
            m_message = QStringLiteral("フォルダ「%1」のロックファイル「%2」は終了したプロセス（プロセス番号 %3）が"
                                       "残したものですが、削除できません（アクセスが許可されていません）。")
                            .arg(shown, lockFileName())
                            .arg(pid) +
                        ClearAndRetry();
            break;
        }
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
