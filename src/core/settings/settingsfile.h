#pragma once

#include "core/settings/appfolder.h"
#include "core/store/atomicfile.h"

#include <QString>

namespace velmora {

/** Where SettingsFile places a file name that has no folder part. */
enum class SettingsFolder
{
    Application, ///< the application folder (ApplicationFolder())
    UserConfig,  ///< the per-user configuration folder (stands in for the Windows folder)
    Current,     ///< the name alone, relative to the current folder at each access
};

/**
 * The settings file: sections and key=value lines, read and written through
 * to the file on every call.
 *
 * Every window that keeps settings owns an instance; all of them resolve to
 * one file, named after the program file with ".ini" and lying in the
 * application folder. Nothing is cached: each read reads the file anew and
 * each write re-reads it, changes one key and replaces the whole file
 * atomically (WriteFileAtomically), so instances on one file see each other's writes at
 * once and an interrupted write never leaves a damaged file.
 *
 * File format:
 * - UTF-8, an optional byte order mark is skipped. Lines end with LF or CR LF;
 *   a CR alone at the very end of the file ends the last line too.
 * - "[section]" starts a section, "key=value" sets a key. Blanks (spaces and
 *   tabs) around section names, keys and values are ignored; section and key
 *   names compare without regard to case. When a section or key occurs more
 *   than once, the first key found wins.
 * - Every other line (";" and "#" comments, blank lines, lines that are not
 *   valid UTF-8 or hold NUL bytes, keys before the first section) is ignored
 *   on read and kept byte for byte on write.
 * - A write replaces the first matching key line, or adds the key after the
 *   last key of the section's first occurrence, or adds the section at the
 *   end of the file. Other lines keep their bytes and their order. Added lines
 *   end like the file's first line; a new file gets LF line ends.
 *
 * A symbolic link in the place of the file is handled by linkRule(): by
 * default a write replaces the link itself, never writing through it. The
 * program's settings file is used with LinkRule::FollowToExistingFile (a person
 * may keep the settings elsewhere on purpose): a write replaces the existing
 * file the link points to and never creates one. A link is read through either
 * way; one that points to nothing reads as a missing file.
 *
 * Errors never throw and never stop the program: a missing file, one that
 * cannot be read, one larger than MaxFileSize or not a plain file gives the
 * defaults on read. A write returns false when it cannot be done, leaving the
 * previous file as it was: the file cannot be written or replaced, it is
 * unreadable or oversized, a name is empty or unusable (a section containing
 * "]", a key containing "=" or starting with "[", ";" or "#"), or a section,
 * key or value contains a line break or NUL, which would forge other lines.
 *
 * Not thread-safe; the user-interface thread alone uses the settings.
 */
class SettingsFile
{
  public:
    /** Files larger than this many bytes are neither read nor rewritten. */
    static constexpr qint64 MaxFileSize = 1024 * 1024;

    /**
     * The file name starts empty and the default folder is the application folder; call
     * useProgramFileName() after setting them to get the default file name. programFile
     * is the program file whose name and folder the default settings file follows.
     */
    explicit SettingsFile(const QString &programFile = ProgramFilePath());

    /** The file name as set; empty until set or until useProgramFileName() fills it. */
    QString fileName() const { return m_fileName; }
    /** Stores the name and resolves the path; nothing is read or created yet. */
    void setFileName(const QString &fileName);

    SettingsFolder defaultFolder() const { return m_defaultFolder; }
    /** Stores the placement and resolves the path again from the file name. */
    void setDefaultFolder(SettingsFolder defaultFolder);

    /**
     * Completes the settings after their properties are set: an empty file name
     * becomes the program file's name with its extension replaced by ".ini".
     */
    void useProgramFileName();

    /**
     * The resolved path of the settings file: the file name itself when it has a
     * folder part, otherwise placed by defaultFolder(). Empty while the file name is.
     */
    QString path() const { return m_path; }

    /**
     * The key's value as a whole decimal integer with optional sign; the
     * default when the key is missing, the value is not such a number or lies
     * outside the range of int.
     */
    int ReadInteger(const QString &section, const QString &key, int defaultValue) const;
    /** Writes the decimal text of value. False when the value could not be stored. */
    bool WriteInteger(const QString &section, const QString &key, int value);

    /**
     * The key's value, or defaultValue when the key is missing. A value of two
     * characters that is "" or ｢｣ (half-width corner brackets) reads as the
     * empty text; a longer value enclosed in "…" or ｢…｣ loses its first and
     * last character, which keeps blanks at its ends.
     */
    QString ReadString(const QString &section, const QString &key, const QString &defaultValue) const;
    /**
     * Writes value unchanged, without quotes (blanks at its ends are therefore
     * lost on read unless the caller quotes it). A key that already holds the
     * value leaves the file untouched. False when the value could not be stored.
     */
    bool WriteString(const QString &section, const QString &key, const QString &value);

    LinkRule linkRule() const { return m_linkRule; }
    /** How a write treats a symbolic link in the place of the file; LinkRule::Replace by default. */
    void setLinkRule(LinkRule rule) { m_linkRule = rule; }

    /** Why the last write failed, in Japanese (empty after a write that succeeded). */
    QString errorString() const { return m_error; }

  private:
    void resolvePath();

    QString m_programFile;
    QString m_fileName;
    SettingsFolder m_defaultFolder = SettingsFolder::Application;
    QString m_path;
    LinkRule m_linkRule = LinkRule::Replace;
    QString m_error;
};

} // namespace velmora
