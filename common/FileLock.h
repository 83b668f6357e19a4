#pragma once

#include "FileDescriptor.h"

#include <QString>

// A lock between runs, and between two FileLocks of one process, held on an
// open descriptor (flock): the system lets it go when its process ends,
// however it ends, so a lock is never stale and the file's content is never
// read. A link, a FIFO or a device in the file's place is set aside (renamed
// *.bad), never opened in a way that could block.
class FileLock
{
public:
    explicit FileLock(QString path) : m_path(std::move(path)) {}
    ~FileLock() { unlock(); }
    Q_DISABLE_COPY(FileLock)

    // Takes the lock, waiting at most waitMs while another holds it; creates
    // the file (owner-only) when missing.
    bool tryLock(int waitMs = 0);
    // Lets go; the file goes first. A run that was waiting on it then sees
    // it is no longer the one at the path, and takes a new one.
    void unlock();

private:
    enum class Try { Done, Busy, Failed };
    Try tryOnce();

    QString m_path;
    FileDescriptor m_fd;
};
