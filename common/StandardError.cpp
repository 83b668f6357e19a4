#include "StandardError.h"

#include "CommonTexts.h"

#include <QByteArray>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <mutex>
#include <thread>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#else
#include <cstdio>
#endif

namespace {

// What a reader that stopped may leave queued; a send's whole transcript is
// far smaller.
constexpr qsizetype queueLimit = qsizetype(4) * 1024 * 1024;
constexpr auto drainBound = std::chrono::seconds(2);

// Made once and never destroyed: the writer may still be blocked in write()
// when the program ends, and must not find its queue gone.
struct Echo
{
    std::mutex lock;
    std::condition_variable changed;
    std::deque<QByteArray> queue; // guarded by lock
    qsizetype queuedBytes = 0;    // guarded by lock
    qint64 dropped = 0;           // guarded by lock
    bool writing = false;         // guarded by lock
    bool writerStarted = false;   // guarded by lock
    bool silenced = false;        // guarded by lock
};

Echo &echo()
{
    static Echo *const made = new Echo;
    return *made;
}

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

// Where lines were left out, a line says how many, in their place.
void queueDropCount(Echo &e)
{
    if (e.dropped == 0)
        return;
    QByteArray note = commonText(CommonText::EchoLinesLost).arg(e.dropped).toUtf8();
    note.append('\n');
    e.dropped = 0;
    e.queuedBytes += note.size();
    e.queue.push_back(std::move(note));
}

void writeQueued()
{
    Echo &e = echo();
    std::unique_lock guard(e.lock);
    for (;;) {
        e.changed.wait(guard, [&e] { return !e.queue.empty(); });
        const QByteArray next = std::move(e.queue.front());
        e.queue.pop_front();
        e.queuedBytes -= next.size();
        e.writing = true;
        guard.unlock();
        const bool ok = writeAll(next);
        guard.lock();
        e.writing = false;
        if (!ok) {
            e.silenced = true;
            e.queue.clear();
            e.queuedBytes = 0;
        }
        e.changed.notify_all();
    }
}

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
    QByteArray bytes = line.toByteArray();
    bytes.append('\n');
    Echo &e = echo();
    const std::lock_guard guard(e.lock);
    if (e.silenced)
        return;
    if (e.queuedBytes + bytes.size() > queueLimit) {
        ++e.dropped;
        return;
    }
    queueDropCount(e);
    e.queuedBytes += bytes.size();
    e.queue.push_back(std::move(bytes));
    if (!e.writerStarted) {
        // Detached: nobody joins a thread that may be blocked on a reader.
        std::thread(writeQueued).detach();
        e.writerStarted = true;
    }
    e.changed.notify_all();
}

bool StandardError::drain(std::chrono::milliseconds bound)
{
    Echo &e = echo();
    std::unique_lock guard(e.lock);
    if (!e.silenced && e.writerStarted)
        queueDropCount(e);
    e.changed.notify_all();
    return e.changed.wait_for(guard, bound, [&e] { return e.silenced || (e.queue.empty() && !e.writing); });
}

StandardError::DrainAtExit::~DrainAtExit() { drain(drainBound); }
