#pragma once

#include "FileDescriptor.h"

#include <QString>

// A lock between runs held on an open descriptor (flock): the system lets
// it go when its process ends, however it ends, so a lock is never stale
// and nothing is guessed from the file's content, which is never read. The
// file is the program's own: a link, a FIFO or a device in its place is set
// aside (renamed *.bad), never opened in a way that could block.
class FileLock
{
public:
    explicit FileLock(QString path) : m_path(std::move(path)) {}
    // Lets go, as unlock() does.
    ~FileLock() { unlock(); }
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Takes the lock, waiting at most waitMs while another holds it; creates
    // the file (owner-only) when missing. Also between two FileLocks of one
    // process.
    bool tryLock(int waitMs = 0);
    // Lets go; the file goes first. A run that was waiting on it then sees
    // it is no longer the one at the path, and takes a new one.
    void unlock();
    bool isLocked() const { return m_fd.valid(); }
    QString fileName() const { return m_path; }

    // Whether another holds the lock at path now (nothing is created).
    static bool isHeld(const QString &path);

private:
    enum class Try { Taken, Busy, Failed, Again };
    Try tryOnce();

    QString m_path;
    FileDescriptor m_fd;
};
