#include "core/store/regularfile.h"

#include <algorithm>
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
    // Checked to be a regular file, it is read from the same handle straight into a
    // buffer of the size fstat gave, one byte more to notice a file that has grown.
    bytes.resize(static_cast<qsizetype>(info.st_size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > maxSize)
                return fail(ReadStatus::TooLarge);
            bytes.resize(static_cast<qsizetype>(std::min<qint64>(2 * static_cast<qint64>(filled), maxSize + 1)));
        }
        const ssize_t got = ::read(fd, bytes.data() + filled, static_cast<size_t>(bytes.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(ReadStatus::Failed, errno);
        if (got == 0)
            break;
        filled += static_cast<qsizetype>(got);
    }
    bytes.resize(filled);
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

namespace {

/** Characters that show as nothing, or move or break the text around them. */
bool IsInvisible(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

/** The escape of a character, or with `rawByte` of a byte that is not part of UTF-8. */
QString Escaped(char32_t c, bool rawByte = false)
{
    if (rawByte)
        return QStringLiteral("\\x%1").arg(static_cast<uint>(c), 2, 16, QLatin1Char('0'));
    switch (c) {
    case U'\n':
        return QStringLiteral("\\n");
    case U'\r':
        return QStringLiteral("\\r");
    case U'\t':
        return QStringLiteral("\\t");
    default:
        break;
    }
    if (c < 0x80)
        return QStringLiteral("\\x%1").arg(static_cast<uint>(c), 2, 16, QLatin1Char('0'));
    if (c <= 0xFFFF)
        return QStringLiteral("\\u%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0'));
    return QStringLiteral("\\U%1").arg(static_cast<uint>(c), 8, 16, QLatin1Char('0'));
}

void AppendVisible(QString &out, char32_t c, bool keepLineBreaks)
{
    // An unpaired surrogate is no character at all.
    if ((c >= 0xD800 && c <= 0xDFFF) || (IsInvisible(c) && !(keepLineBreaks && c == U'\n')))
        out += Escaped(c);
    else
        out += QString::fromUcs4(&c, 1);
}

/** The length of the valid UTF-8 sequence at the start of `bytes` and its code point; 0 when it is not one. */
int Utf8Sequence(QByteArrayView bytes, char32_t &code)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    int length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and code points past U+10FFFF are not UTF-8.
    if (code < minimum || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

} // namespace

bool IsPlainFileName(const QString &name)
{
    if (name.trimmed().isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QStringLiteral("..")))
        return false;
    for (const QChar c : name) {
        if (IsInvisible(c.unicode()))
            return false;
    }
    return true;
}

QString VisibleText(const QString &text, bool keepLineBreaks)
{
    QString visible;
    visible.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            AppendVisible(visible, QChar::surrogateToUcs4(c, text[i + 1]), keepLineBreaks);
            ++i;
        } else if (keepLineBreaks && c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            // A CR alone would send the cursor back over the line; before an LF it ends the line.
            visible += c;
        } else {
            AppendVisible(visible, c.unicode(), keepLineBreaks);
        }
    }
    return visible;
}

bool IsValidUtf8(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t code = 0;
        const int length = Utf8Sequence(bytes.sliced(i), code);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

QString VisibleFileName(QByteArrayView name)
{
    QString visible;
    visible.reserve(name.size());
    for (qsizetype i = 0; i < name.size();) {
        char32_t code = 0;
        const int length = Utf8Sequence(name.sliced(i), code);
        if (length == 0) {
            visible += Escaped(static_cast<unsigned char>(name[i]), true);
            ++i;
        } else {
            AppendVisible(visible, code, false);
            i += length;
        }
    }
    return visible;
}

} // namespace velmora
