#include "FileLock.h"

#include "RegularFile.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace {

constexpr int pollMs = 5;

FileDescriptor openLockFile(const QString &path, int create)
{
    return FileDescriptor(::open(QFile::encodeName(path).constData(),
                                 O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | create, 0600));
}

bool isRegular(int fd)
{
    struct stat status = {};
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

// Whether path still names the file fd has open: a holder that removed it
// as it let go leaves the waiters on a file nobody else will look at.
bool stillAtPath(int fd, const QString &path)
{
    struct stat open = {};
    struct stat named = {};
    return ::fstat(fd, &open) == 0 && ::lstat(QFile::encodeName(path).constData(), &named) == 0
        && open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

} // namespace

bool FileLock::tryLock(int waitMs)
{
    if (isLocked())
        return true;
    const QDeadlineTimer deadline(waitMs);
    bool setAside = false;
    for (;;) {
        switch (tryOnce()) {
        case Try::Taken:
            return true;
        case Try::Again:
            continue;
        case Try::Failed:
            // Not a lock file of ours: put out of the way once, then ours is made.
            if (setAside || RegularFile::keepAside(m_path, QStringLiteral(".bad")) == m_path)
                return false;
            setAside = true;
            continue;
        case Try::Busy:
            break;
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(pollMs);
    }
}

FileLock::Try FileLock::tryOnce()
{
    FileDescriptor fd = openLockFile(m_path, O_CREAT);
    if (!fd.valid())
        return errno == ELOOP || errno == ENXIO || errno == EISDIR ? Try::Failed : Try::Busy;
    if (!isRegular(fd.get()))
        return Try::Failed;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK || errno == EINTR ? Try::Busy : Try::Failed;
    if (!stillAtPath(fd.get(), m_path))
        return Try::Again;
    m_fd = std::move(fd);
    return Try::Taken;
}

void FileLock::unlock()
{
    if (!isLocked())
        return;
    ::unlink(QFile::encodeName(m_path).constData());
    m_fd.reset();
}

bool FileLock::isHeld(const QString &path)
{
    const FileDescriptor fd = openLockFile(path, 0);
    if (!fd.valid() || !isRegular(fd.get()))
        return false;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    return false; // let go as the descriptor closes
}
