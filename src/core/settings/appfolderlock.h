#pragma once

#include <QLockFile>
#include <QString>

namespace velmora {

/**
 * The writers' lock of an application folder: one process at a time imports,
 * fetches results, saves the bets text or exports hits into the folder, so that
 * two of them never rewrite the same course-day or settings file from stale
 * copies. The lock is the file "velmora.lock" in the folder; a lock left behind
 * by a process that no longer runs is taken over. The lock is held until
 * unlock() or the object's end.
 *
 * Taking the lock never waits: the lock path must be absent or a regular file
 * this process can read; a link (never followed), a folder, a pipe or a device
 * there is refused with a message naming what it is and how to clear it.
 */
class AppFolderLock
{
  public:
    explicit AppFolderLock(QString appFolder);

    AppFolderLock(const AppFolderLock &) = delete;
    AppFolderLock &operator=(const AppFolderLock &) = delete;

    /**
     * Takes the lock without waiting (the folder is created when missing). False when
     * another process holds it, or the lock file cannot be made, read or taken over;
     * message() says which.
     */
    bool tryLock();
    void unlock();
    bool isLocked() const { return m_lock.isLocked(); }

    /** Why the last tryLock() failed, in Japanese, naming the folder. */
    const QString &message() const { return m_message; }

    /** The lock file's path. */
    QString path() const;

    static QString lockFileName();

  private:
    QString m_folder;
    QLockFile m_lock;
    QString m_message;
};

} // namespace velmora
