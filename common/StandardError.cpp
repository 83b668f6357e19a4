#include "StandardError.h"

#include <QByteArray>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#else
#include <cstdio>
#endif

namespace {

std::atomic<bool> silenced{false};
std::mutex writing; // keeps lines whole where sends overlap

#ifdef Q_OS_UNIX
// False once the line can never be written: EPIPE, EBADF and the like.
// A full non-blocking pipe only loses this line.
bool writeAll(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(STDERR_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote >= 0)
            done += wrote;
        else if (errno == EAGAIN || errno == EWOULDBLOCK)
            return true;
        else if (errno != EINTR)
            return false;
    }
    return true;
}
#else
bool writeAll(const QByteArray &bytes)
{
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr) == size_t(bytes.size())
        && std::fflush(stderr) == 0;
}
#endif

} // namespace

void StandardError::setUpProcess()
{
#ifdef Q_OS_UNIX
    std::signal(SIGPIPE, SIG_IGN);
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        // open() takes the lowest free number: this one, when it is closed.
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF && ::open("/dev/null", O_RDWR) != fd)
            return;
    }
#endif
}

void StandardError::echoLine(QByteArrayView line)
{
    if (silenced.load(std::memory_order_relaxed))
        return;
    QByteArray bytes = line.toByteArray();
    bytes.append('\n');
    const std::lock_guard guard(writing);
    if (!silenced.load(std::memory_order_relaxed) && !writeAll(bytes))
        silenced.store(true, std::memory_order_relaxed);
}
