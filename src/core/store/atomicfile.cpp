#include "core/store/atomicfile.h"

#include "core/store/regularfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora {
namespace {

bool Fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

bool FailWithErrno(QString *error, int code, const QString &fallback = {})
{
    return Fail(error,
                FileErrorText(code, fallback.isEmpty() ? QString::fromLocal8Bit(std::strerror(code)) : fallback));
}

QString DanglingLinkText()
{
    return QStringLiteral("リンク先のファイルがありません");
}

#ifdef Q_OS_UNIX

/** A temporary file being written: closed, and removed, unless it was renamed into place. */
struct TemporaryFile
{
    int fd = -1;
    QByteArray path;

    ~TemporaryFile()
    {
        if (fd >= 0)
            ::close(fd);
        if (!path.isEmpty())
            ::unlink(path.constData());
    }
};

/**
 * Creates a new file beside `target` under an unused name. O_EXCL never opens
 * something that is already there, a link planted under the name included.
 */
bool CreateBeside(const QByteArray &target, TemporaryFile &temp)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray candidate = target + '.';
        for (int i = 0; i < 6; ++i)
            candidate += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
        const int fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            temp.fd = fd;
            temp.path = std::move(candidate);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

bool WriteAll(int fd, std::string_view bytes)
{
    const char *data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

#endif

} // namespace

#ifdef Q_OS_UNIX

bool WriteFileAtomically(const QString &path, std::string_view bytes, QString *error, LinkRule links)
{
    // rename() replaces the name it is given, never what a link there points to: the
    // file replaced is `target`, which only a followed link moves elsewhere.
    QByteArray target = QFile::encodeName(path);
    struct stat info;
    bool keepMode = false;
    if (::lstat(target.constData(), &info) == 0) {
        if (S_ISLNK(info.st_mode) && links == LinkRule::FollowToExistingFile) {
            if (::stat(target.constData(), &info) != 0)
                return errno == ENOENT ? Fail(error, DanglingLinkText()) : FailWithErrno(error, errno);
            if (!S_ISREG(info.st_mode))
                return Fail(error, ReadStatusText(ReadStatus::NotRegular));
            char *resolved = ::realpath(target.constData(), nullptr);
            if (!resolved)
                return FailWithErrno(error, errno);
            target = resolved;
            std::free(resolved);
            keepMode = true;
        } else if (S_ISREG(info.st_mode)) {
            keepMode = true;
        } else if (!S_ISLNK(info.st_mode)) {
            // The rename would put a file in the place of a folder, a pipe or a device
            // that something else relies on.
            return Fail(error, ReadStatusText(ReadStatus::NotRegular));
        }
    } else if (errno != ENOENT) {
        return FailWithErrno(error, errno);
    }

    TemporaryFile temp;
    if (!CreateBeside(target, temp))
        return FailWithErrno(error, errno);
    if (keepMode && ::fchmod(temp.fd, info.st_mode & 0777) != 0)
        return FailWithErrno(error, errno);
    if (!WriteAll(temp.fd, bytes))
        return FailWithErrno(error, errno);
        // On the disk before it takes the old file's place (the data: the name comes with
        // the rename); file systems that cannot sync say so with EINVAL.
#ifdef Q_OS_LINUX
    const int synced = ::fdatasync(temp.fd);
#else
    const int synced = ::fsync(temp.fd);
#endif
    if (synced != 0 && errno != EINVAL && errno != ENOTSUP)
        return FailWithErrno(error, errno);
    if (::close(std::exchange(temp.fd, -1)) != 0)
        return FailWithErrno(error, errno);
    if (::rename(temp.path.constData(), target.constData()) != 0)
        return FailWithErrno(error, errno);
    temp.path.clear();
    return true;
}

#else

bool WriteFileAtomically(const QString &path, std::string_view bytes, QString *error, LinkRule links)
{
    // Links are rare on Windows (making one takes a privilege); QSaveFile writes
    // through them to their target.
    if (TypeOfPath(path) == PathType::Other)
        return Fail(error, ReadStatusText(ReadStatus::NotRegular));
    if (links == LinkRule::FollowToExistingFile && TypeOfPath(path) == PathType::Missing && QFileInfo(path).isSymLink())
        return Fail(error, DanglingLinkText());
    QSaveFile file(path);
    // Qt words a full disk as "Unknown error": the error number, taken right after the
    // call that failed, gives the reason a person can act on.
    auto fail = [&] { return FailWithErrno(error, errno, file.errorString()); };
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    // commit() does not see an error of the last buffered write (a full disk, a size
    // limit) and would rename a cut file into place: flush and check first. An
    // uncommitted QSaveFile removes its temporary file when it is destroyed.
    const auto size = static_cast<qint64>(bytes.size());
    errno = 0;
    if (file.write(bytes.data(), size) != size || !file.flush())
        return fail();
    errno = 0;
    if (!file.commit())
        return fail();
    return true;
}

#endif

} // namespace velmora
