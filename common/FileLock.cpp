#include "FileLock.h"

#include "RegularFile.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

bool FileLock::tryLock(int waitMs)
{
    const QDeadlineTimer deadline(waitMs);
    bool setAside = false;
    while (!m_fd.valid()) {
        const Try result = tryOnce();
        if (result == Try::Failed) {
            // Not a lock file of ours: put out of the way once, then ours is made.
            if (setAside || RegularFile::keepAside(m_path, QStringLiteral(".bad")) == m_path)
                return false;
            setAside = true;
        } else if (result == Try::Busy) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(5);
        }
    }
    return true;
}

FileLock::Try FileLock::tryOnce()
{
    const QByteArray path = QFile::encodeName(m_path);
    FileDescriptor fd(
        ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600));
    // Only a lock held is worth waiting for: a folder that cannot be
    // written would hold a close up for nothing.
    if (!fd.valid())
        return errno == EINTR ? Try::Busy : Try::Failed;
    struct stat open = {};
    if (::fstat(fd.get(), &open) != 0 || !S_ISREG(open.st_mode))
        return Try::Failed;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK || errno == EINTR ? Try::Busy : Try::Failed;
    // A holder that removed the file as it let go left this one on a file
    // nobody else will look at: try again on the one at the path.
    struct stat named = {};
    if (::lstat(path.constData(), &named) == 0 && open.st_dev == named.st_dev && open.st_ino == named.st_ino)
        m_fd = std::move(fd);
    return Try::Done;
}

void FileLock::unlock()
{
    if (!m_fd.valid())
        return;
    ::unlink(QFile::encodeName(m_path).constData());
    m_fd.reset();
}
