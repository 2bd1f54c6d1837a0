#pragma once

#include <string_view>

#include <QString>

namespace velmora {

/** What a replacing write does when the path it replaces is a symbolic link. */
enum class LinkRule
{
    /**
     * The link itself is replaced by the new file; whatever it pointed to is left
     * alone. Nothing is written outside the folder of the path.
     */
    Replace,
    /**
     * A link to an existing regular file has that file replaced (the link stays); a
     * link to nothing is refused, so that no file is ever created where it points.
     * For files a person may have linked on purpose, such as the settings file.
     */
    FollowToExistingFile,
};

/**
 * Replaces the file at `path` with `bytes` atomically: the bytes go to a
 * temporary file (created exclusively, never through a link) in the folder of the
 * file being replaced, which is renamed over it only when everything was written
 * and synced. On failure the old file stays as it was, no temporary file is
 * left, and `error` (when given) receives a short reason in Japanese when the
 * error is known (a full disk, no permission), else the file system's text. A
 * folder, pipe or device at `path` is refused, never replaced; a symbolic link is
 * handled by `links`. An existing file's permissions are kept; a new file gets
 * the usual ones (0666 less the umask).
 */
bool WriteFileAtomically(const QString &path, std::string_view bytes, QString *error = nullptr,
                         LinkRule links = LinkRule::Replace);

} // namespace velmora
