#pragma once

// Files written only inside the folder they belong to: a link planted where the dump
// writes is never followed, whatever it points to.

#include <filesystem>
#include <string>

namespace velmora::jvbridge {

/** What a path names, its last part not followed when that is a link (or another reparse point on Windows). */
enum class PathKind
{
    Missing,
    Folder,
    File,
    Link,
    Other,
};
PathKind KindOfPath(const std::filesystem::path &path);

/**
 * Writes `bytes` to `target` through a file created anew in `folder` (named after
 * `target` with ".part", or with a number before it while that name is taken: nothing
 * that is there, a link included, is opened), then renamed to `target`, which replaces
 * `target` itself when that is a link. Returns false on any error, leaving nothing of
 * the new file behind. `folder` and `target` must be on one volume.
 */
bool WriteByRename(const std::filesystem::path &target, const std::string &bytes, const std::filesystem::path &folder);

} // namespace velmora::jvbridge
