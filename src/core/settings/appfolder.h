#pragma once

#include <QString>

namespace velmora {

/**
 * The absolute path of the running program file.
 *
 * Taken from the application object when one exists; otherwise (command-line
 * tools and tests that create none) from the target of /proc/self/exe. Empty
 * when neither is available.
 */
QString ProgramFilePath();

/**
 * The folder that holds the program's own files: the settings file, the data
 * folder `Data`, `TXT`, `HPupload` and the ticker text.
 *
 * This is the program file's folder, so that a copy of the program carries its
 * data and settings with it (portable layout). When that folder is not
 * writable, as when the program is installed system-wide, the per-user
 * application data folder is used instead and created when missing. The
 * result has no trailing separator. Nothing fails: when even the per-user
 * folder cannot be found, the program file's folder is returned and later
 * writes there report their failure.
 */
QString ApplicationFolder(const QString &programFile = ProgramFilePath());

} // namespace velmora
