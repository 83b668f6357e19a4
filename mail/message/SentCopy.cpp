#include "SentCopy.h"

#include "SentFolder.h"
#include "common/FileDescriptor.h"

#include <QByteArray>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

// What O_DIRECT asks of a block's address, size and place in the file.
constexpr qint64 kAlignment = 4096;

using BlockData = std::unique_ptr<char, void (*)(void *)>;

struct Block
{
    BlockData data{nullptr, &std::free};
    qint64 size = 0;
};

// How many of size bytes went out before a write failed (errno says why).
qint64 writeSome(int fd, const char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            break;
        }
        done += n;
    }
    return done;
}

bool setDirect(int fd, bool on)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags != -1 && ::fcntl(fd, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0;
}

// Into cur/ under its new name, never over a file already there.
bool moveInto(int tmp, const QByteArray &name, int cur, const QByteArray &kept)
{
    if (::renameat2(tmp, name.constData(), cur, kept.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without that kind of rename: a second name, then the
    // first one taken away, as the Maildir rules first had it.
    if (::linkat(tmp, name.constData(), cur, kept.constData(), 0) != 0)
        return false;
    ::unlinkat(tmp, name.constData(), 0);
    return true;
}

} // namespace

// What the copy's thread and the send share, under lock; the thread keeps
// it alive as long as it runs, so a send that stopped waiting for it can go.
struct SentCopy::Writer
{
    QString maildir;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Block> full;
    std::vector<Block> free;
    int blocks = 0;
    bool closed = false;  // no more blocks come
    bool keep = false;    // the server took the message
    bool givenUp = false; // the send stopped waiting: nothing is kept
    bool failed = false;
    bool done = false;
    QString problem;
    QString keptPath;

    // The thread's own.
    FileDescriptor tmp;
    FileDescriptor cur;
    FileDescriptor file;
    QByteArray name;
    bool direct = false;

    void run();
    bool open();
    bool writeOut();
    bool writeBlock(const Block &block);
    void end(bool keepIt);
    // The reason of a failure of what is at path, for errno; false.
    bool fail(const QString &path);
};

void SentCopy::Writer::run()
{
    const bool written = open() && writeOut();
    bool keepIt = false;
    {
        const std::lock_guard guard(lock);
        failed = failed || !written;
        keepIt = written && keep && !givenUp;
    }
    end(keepIt);
    {
        const std::lock_guard guard(lock);
        done = true;
    }
    changed.notify_all();
}

bool SentCopy::Writer::open()
{
    SentFolder::Opened folder = SentFolder::open(maildir);
    if (!folder.problem.isEmpty()) {
        const std::lock_guard guard(lock);
        problem = folder.problem;
        return false;
    }
    tmp = std::move(folder.tmp);
    cur = std::move(folder.cur);
    name = SentFolder::uniqueName();
    file = FileDescriptor(
        ::openat(tmp.get(), name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.valid())
        return fail(maildir + QStringLiteral("/tmp/") + QString::fromLatin1(name));
    // A file system that takes no O_DIRECT (tmpfs) gets the bytes through the page cache.
    direct = setDirect(file.get(), true);
    return true;
}

// The blocks as they come, until no more come; false when a write failed.
bool SentCopy::Writer::writeOut()
{
    for (;;) {
        Block block;
        {
            std::unique_lock hold(lock);
            changed.wait(hold, [this] { return !full.empty() || closed; });
            if (full.empty())
                return true;
            block = std::move(full.front());
            full.pop_front();
        }
        const bool written = writeBlock(block);
        if (!written)
            fail(maildir + QStringLiteral("/tmp/") + QString::fromLatin1(name));
        {
            const std::lock_guard guard(lock);
            failed = failed || !written;
            free.push_back(std::move(block));
        }
        changed.notify_all();
        if (!written)
            return false;
    }
}

// Only the last block is short: its whole pages go straight to the disk,
// the rest of it through the page cache. A device that wants another
// alignment gets the page cache from there on.
bool SentCopy::Writer::writeBlock(const Block &block)
{
    const int fd = file.get();
    qint64 written = 0;
    if (direct) {
        const qint64 whole = block.size / kAlignment * kAlignment;
        written = writeSome(fd, block.data.get(), whole);
        if (written < whole && errno != EINVAL)
            return false;
        if (written < block.size) {
            direct = false;
            if (!setDirect(fd, false))
                return false;
        }
    }
    return writeSome(fd, block.data.get() + written, block.size - written) == block.size - written;
}

// Kept: on the disk before it has a name in cur/, so that a reader never
// finds half a copy there. Not kept: gone.
void SentCopy::Writer::end(bool keepIt)
{
    if (!file.valid())
        return;
    const QByteArray kept = name + ":2,S";
    const QString keptAt = maildir + QStringLiteral("/cur/") + QString::fromLatin1(kept);
    if (!keepIt || ::fdatasync(file.get()) != 0 || !moveInto(tmp.get(), name, cur.get(), kept)) {
        if (keepIt)
            fail(maildir + QStringLiteral("/tmp/") + QString::fromLatin1(name));
        ::unlinkat(tmp.get(), name.constData(), 0);
        return;
    }
    ::fsync(cur.get());
    const std::lock_guard guard(lock);
    if (givenUp) // told as not kept meanwhile: nor is it
        ::unlinkat(cur.get(), kept.constData(), 0);
    else
        keptPath = keptAt;
}

bool SentCopy::Writer::fail(const QString &path)
{
    const QString why = SentFolder::reason(errno, path);
    const std::lock_guard guard(lock);
    if (problem.isEmpty())
        problem = why;
    return false;
}

SentCopy::SentCopy(const QString &maildir) : m_writer(std::make_shared<Writer>())
{
    m_writer->maildir = maildir;
    try {
        m_thread = std::thread([writer = m_writer] { writer->run(); });
    } catch (const std::system_error &) {
        m_writer->problem = SentFolder::reason(EAGAIN, maildir);
        m_writer->failed = m_writer->done = true;
        m_stopped = true;
    }
}

SentCopy::~SentCopy()
{
    Writer &w = *m_writer;
    std::unique_lock hold(w.lock);
    w.closed = true;
    w.full.clear();
    w.changed.notify_all();
    // A disk that does not answer keeps its thread, not this one.
    const bool done = w.changed.wait_for(hold, kKeepWait, [&w] { return w.done; });
    hold.unlock();
    if (!m_thread.joinable())
        return;
    if (done)
        m_thread.join();
    else
        m_thread.detach();
}

void SentCopy::write(const char *data, qint64 size)
{
    while (size > 0 && !m_stopped) {
        if (!m_filling && !takeBlock()) {
            m_stopped = true;
            return;
        }
        const qint64 take = std::min(size, kBlockBytes - m_filled);
        std::memcpy(m_filling.get() + m_filled, data, size_t(take));
        m_filled += take;
        data += take;
        size -= take;
        if (m_filled == kBlockBytes)
            queueBlock();
    }
}

bool SentCopy::takeBlock()
{
    Writer &w = *m_writer;
    std::unique_lock hold(w.lock);
    const auto start = std::chrono::steady_clock::now();
    const bool ready = w.changed.wait_for(hold, kMostWaited - m_waited, [&w] {
        return !w.free.empty() || w.blocks < kMostBlocks || w.failed || w.closed;
    });
    m_waited += std::chrono::steady_clock::now() - start;
    if (!ready) {
        // The disk cannot keep up with the send: the send goes on without it.
        w.givenUp = w.closed = w.failed = true;
        w.full.clear();
        w.problem = SentFolder::reason(ETIMEDOUT, w.maildir);
        w.changed.notify_all();
        return false;
    }
    if (w.failed || w.closed)
        return false;
    if (!w.free.empty()) {
        m_filling = std::move(w.free.back().data);
        w.free.pop_back();
    } else {
        m_filling.reset(static_cast<char *>(std::aligned_alloc(kAlignment, kBlockBytes)));
        if (!m_filling)
            return false;
        ++w.blocks;
    }
    m_filled = 0;
    return true;
}

void SentCopy::queueBlock()
{
    Writer &w = *m_writer;
    {
        const std::lock_guard guard(w.lock);
        Block block;
        block.data = std::move(m_filling);
        block.size = m_filled;
        w.full.push_back(std::move(block));
    }
    m_filled = 0;
    w.changed.notify_all();
}

QString SentCopy::keep()
{
    if (m_filling && m_filled > 0 && !m_stopped)
        queueBlock();
    Writer &w = *m_writer;
    std::unique_lock hold(w.lock);
    w.keep = !m_stopped;
    w.closed = true;
    w.changed.notify_all();
    if (!w.changed.wait_for(hold, kKeepWait, [&w] { return w.done; })) {
        w.givenUp = true;
        return SentFolder::reason(ETIMEDOUT, w.maildir);
    }
    m_keptPath = w.keptPath;
    return m_keptPath.isEmpty() ? w.problem : QString();
}
