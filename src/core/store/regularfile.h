#pragma once

#include <QByteArray>
#include <QString>

namespace velmora {

/** What lies at a path, symbolic links followed. */
enum class PathType
{
    Missing,
    RegularFile,
    Other, ///< a folder, a pipe, a device or a socket
};

PathType TypeOfPath(const QString &path);

/** How a read of a regular file ended. */
enum class ReadStatus
{
    Ok,
    Missing,
    NotRegular, ///< a folder, a pipe, a device or a socket: refused without waiting on it
    TooLarge,   ///< more than the caller's limit
    Failed,     ///< the file system refused; see the reason
};

/**
 * Reads the whole regular file at `path`, at most `maxSize` bytes. Anything else
 * is refused, and a named pipe without a writer never blocks the caller: the
 * file is opened without waiting and checked before a byte is read. `reason`
 * (when given) receives a short Japanese reason for every status but Ok; callers
 * name the path themselves.
 */
ReadStatus ReadRegularFile(const QString &path, qint64 maxSize, QByteArray &bytes, QString *reason = nullptr);

/** The reason of a status of ReadRegularFile, in Japanese; empty for Ok. */
QString ReadStatusText(ReadStatus status);

/**
 * A short Japanese reason for a file-system error number (errno), e.g. "ディスクの
 * 空き容量が不足しています" for a full disk; `fallback` for numbers without one.
 */
QString FileErrorText(int error, const QString &fallback);

/**
 * Whether a name built from record bytes may name a file inside a folder of
 * ours: not empty, no folder separator, no "..", no control character (line
 * breaks, tabs, NUL and the like) and not only blanks.
 */
bool IsPlainFileName(const QString &name);

/**
 * `text` with every character that would not show as itself in a terminal or a
 * list written as a visible escape, so that a name can neither break a line nor
 * hide or move text: line feed, carriage return and tab as \n, \r and \t, other
 * control characters below U+0080 as \xNN, and the other control and format
 * characters, line and paragraph separators and unpaired surrogates as \uNNNN
 * (\UNNNNNNNN above U+FFFF). Everything else, backslashes included, stays as it is.
 * With `keepLineBreaks`, line feeds and CR LF pairs stay too (a CR alone does not):
 * for messages made of several lines.
 */
QString VisibleText(const QString &text, bool keepLineBreaks = false);

/** Whether `bytes` are valid UTF-8 (no stray or overlong bytes, no surrogates). */
bool IsValidUtf8(QByteArrayView bytes);

/**
 * A file name as the file system holds it (bytes that should be UTF-8) made
 * visible: each byte that is not part of valid UTF-8 is written \xNN (lower-case
 * hex, the form VisibleText gives control bytes), the rest is decoded and passed
 * through VisibleText.
 */
QString VisibleFileName(QByteArrayView name);

} // namespace velmora
