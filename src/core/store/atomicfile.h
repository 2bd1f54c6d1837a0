#pragma once

#include <string_view>

#include <QString>

namespace velmora {

/**
 * Replaces the file at `path` with `bytes` atomically: the bytes go to a
 * temporary file in the same folder, which is renamed over the old file only
 * when everything was written. On failure the old file stays as it was, no
 * temporary file is left, and `error` (when given) receives a short reason in
 * Japanese when the error is known (a full disk, no permission), else the file
 * system's text. A folder, pipe or device at `path` is refused, never replaced.
 */
bool WriteFileAtomically(const QString &path, std::string_view bytes, QString *error = nullptr);

} // namespace velmora
