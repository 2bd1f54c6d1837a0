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
 * Whether the program file lies in the folder an installation puts programs in
 * (the install prefix's bin folder, e.g. /usr/bin): such a copy belongs to the
 * system, not to the person who runs it.
 */
bool IsInstalledCopy(const QString &programFile = ProgramFilePath());

/** The folder an installation puts the programs in (the install prefix's bin folder). */
QString InstalledProgramsFolder();

/**
 * The folder of the files that come with the program for every user: the help,
 * the sample course-days (`sample/`) and the Windows bridge. For an installed
 * copy the install prefix's share/velmora; otherwise the program's own folder.
 */
QString SharedFilesFolder(const QString &programFile = ProgramFilePath());

/**
 * The folder that holds the program's own files: the settings file, the data
 * folder `Data`, `TXT`, `HPupload` and the ticker text.
 *
 * This is the program file's folder, so that a copy of the program carries its
 * data and settings with it (portable layout). An installed copy
 * (IsInstalledCopy), whoever runs it, and a copy whose folder is not writable
 * use the per-user application data folder instead, created when missing. The
 * result has no trailing separator. Nothing fails: when even the per-user
 * folder cannot be found, the program file's folder is returned and later
 * writes there report their failure.
 */
QString ApplicationFolder(const QString &programFile = ProgramFilePath());

} // namespace velmora
