#include "core/store/regularfile.h"

#include <cerrno>
#include <cstring>

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora {

#ifdef Q_OS_UNIX

PathType TypeOfPath(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? PathType::Missing : PathType::Other;
    return S_ISREG(info.st_mode) ? PathType::RegularFile : PathType::Other;
}

ReadStatus ReadRegularFile(const QString &path, qint64 maxSize, QByteArray &bytes, QString *reason)
{
    bytes.clear();
    auto fail = [&](ReadStatus status, int error = 0) {
        if (reason)
            *reason = status != ReadStatus::Failed ? ReadStatusText(status)
                      : error != 0                 ? FileErrorText(error, QString::fromLocal8Bit(strerror(error)))
                                                   : ReadStatusText(status);
        bytes.clear();
        return status;
    };
    // Opened without waiting: a pipe without a writer would otherwise block here for ever.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno == ENOENT ? fail(ReadStatus::Missing) : fail(ReadStatus::Failed, errno);
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return fail(ReadStatus::Failed, errno);
    if (!S_ISREG(info.st_mode))
        return fail(ReadStatus::NotRegular);
    if (info.st_size > maxSize)
        return fail(ReadStatus::TooLarge);
    // Checked to be a regular file, it is read the ordinary way from the same handle.
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return fail(ReadStatus::Failed, errno);
    errno = 0;
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(ReadStatus::Failed, errno);
    // The file may have grown since fstat.
    if (bytes.size() > maxSize)
        return fail(ReadStatus::TooLarge);
    return ReadStatus::Ok;
}

#else

PathType TypeOfPath(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return PathType::Missing;
    return info.isFile() ? PathType::RegularFile : PathType::Other;
}

ReadStatus ReadRegularFile(const QString &path, qint64 maxSize, QByteArray &bytes, QString *reason)
{
    bytes.clear();
    ReadStatus status = ReadStatus::Ok;
    QString why;
    switch (TypeOfPath(path)) {
    case PathType::Missing:
        status = ReadStatus::Missing;
        break;
    case PathType::Other:
        status = ReadStatus::NotRegular;
        break;
    case PathType::RegularFile: {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            status = ReadStatus::Failed;
            why = file.errorString();
        } else if (file.size() > maxSize) {
            status = ReadStatus::TooLarge;
        } else {
            bytes = file.read(maxSize + 1);
            if (file.error() != QFileDevice::NoError) {
                status = ReadStatus::Failed;
                why = file.errorString();
            } else if (bytes.size() > maxSize) {
                status = ReadStatus::TooLarge;
            }
        }
        break;
    }
    }
    if (status != ReadStatus::Ok) {
        bytes.clear();
        if (reason)
            *reason = why.isEmpty() ? ReadStatusText(status) : why;
    }
    return status;
}

#endif

QString ReadStatusText(ReadStatus status)
{
    switch (status) {
    case ReadStatus::Ok:
        return {};
    case ReadStatus::Missing:
        return QStringLiteral("ファイルがありません");
    case ReadStatus::NotRegular:
        return QStringLiteral("通常のファイルではありません（フォルダ、パイプまたはデバイス）");
    case ReadStatus::TooLarge:
        return QStringLiteral("ファイルが大きすぎます");
    case ReadStatus::Failed:
        return QStringLiteral("読み込めません");
    }
    return {};
}

QString FileErrorText(int error, const QString &fallback)
{
    switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("ディスクの空き容量が不足しています");
    case EACCES:
    case EPERM:
        return QStringLiteral("アクセスが許可されていません");
    case EROFS:
        return QStringLiteral("読み取り専用のドライブです");
    case EFBIG:
        return QStringLiteral("ファイルが大きすぎます");
    case EISDIR:
        return QStringLiteral("同じ名前のフォルダがあります");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("フォルダがありません");
    case EIO:
        return QStringLiteral("入出力エラーが発生しました");
    default:
        return fallback.isEmpty() ? QStringLiteral("原因不明のエラー") : fallback;
    }
}

bool IsPlainFileName(const QString &name)
{
    if (name.trimmed().isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QStringLiteral("..")))
        return false;
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph)
            return false;
    }
    return true;
}

} // namespace velmora
