#include "SentCopy.h"

#include "SentFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace {

// What O_DIRECT asks of a block's address, size and place in the file.
constexpr qint64 kAlignment = 4096;

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

} // namespace

SentCopy::SentCopy(const QString &maildir) : m_maildir(maildir)
{
    SentFolder::Opened folder = SentFolder::open(maildir);
    if (!folder.problem.isEmpty()) {
        m_problem = folder.problem;
        return;
    }
    m_tmp = std::move(folder.tmp);
    m_cur = std::move(folder.cur);
    m_name = SentFolder::uniqueName();
    m_file = FileDescriptor(::openat(m_tmp.get(), m_name.constData(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!m_file.valid()) {
        fail(errno);
        return;
    }
    // A file system that takes no O_DIRECT (tmpfs) gets the bytes through the page cache.
    m_direct = setDirect(m_file.get(), true);
    try {
        m_writer = std::thread([this] { writeOut(); });
    } catch (const std::system_error &) {
        fail(EAGAIN);
    }
}

SentCopy::~SentCopy()
{
    finish(true);
    if (m_file.valid())
        ::unlinkat(m_tmp.get(), m_name.constData(), 0);
}

void SentCopy::fail(int error)
{
    m_problem = SentFolder::reason(error, m_maildir + QStringLiteral("/tmp/") + QString::fromLatin1(m_name));
    if (m_file.valid())
        ::unlinkat(m_tmp.get(), m_name.constData(), 0);
    m_file.reset();
}

void SentCopy::write(const char *data, qint64 size)
{
    while (size > 0) {
        if (!m_filling.data && !takeBlock())
            return;
        const qint64 take = std::min(size, kBlockBytes - m_filling.size);
        std::memcpy(m_filling.data.get() + m_filling.size, data, size_t(take));
        m_filling.size += take;
        data += take;
        size -= take;
        if (m_filling.size == kBlockBytes)
            queueBlock();
    }
}

bool SentCopy::takeBlock()
{
    std::unique_lock lock(m_lock);
    m_changed.wait(lock,
                   [this] { return !m_free.empty() || m_blocks < kMostBlocks || m_error != 0 || m_closed; });
    if (m_error != 0 || m_closed || !m_writer.joinable())
        return false;
    if (!m_free.empty()) {
        m_filling = std::move(m_free.back());
        m_free.pop_back();
    } else {
        m_filling.data.reset(static_cast<char *>(std::aligned_alloc(kAlignment, kBlockBytes)));
        if (!m_filling.data)
            return false;
        ++m_blocks;
    }
    m_filling.size = 0;
    return true;
}

void SentCopy::queueBlock()
{
    {
        const std::lock_guard guard(m_lock);
        m_full.push_back(std::move(m_filling));
    }
    m_filling = {};
    m_changed.notify_all();
}

void SentCopy::finish(bool drop)
{
    if (!drop && m_filling.data && m_filling.size > 0)
        queueBlock();
    {
        const std::lock_guard guard(m_lock);
        m_closed = true;
        if (drop)
            m_full.clear();
    }
    m_changed.notify_all();
    if (m_writer.joinable())
        m_writer.join();
}

void SentCopy::writeOut()
{
    for (;;) {
        Block block;
        {
            std::unique_lock lock(m_lock);
            m_changed.wait(lock, [this] { return !m_full.empty() || m_closed; });
            if (m_full.empty())
                return;
            block = std::move(m_full.front());
            m_full.pop_front();
        }
        const bool written = writeBlock(block);
        const int error = written ? 0 : errno;
        {
            const std::lock_guard guard(m_lock);
            m_error = error;
            m_free.push_back(std::move(block));
        }
        m_changed.notify_all();
        if (!written)
            return;
    }
}

// Only the last block is short: its whole pages go straight to the disk,
// the rest of it through the page cache. A device that wants another
// alignment gets the page cache from there on.
bool SentCopy::writeBlock(const Block &block)
{
    const int fd = m_file.get();
    qint64 done = 0;
    if (m_direct) {
        const qint64 whole = block.size / kAlignment * kAlignment;
        done = writeSome(fd, block.data.get(), whole);
        if (done < whole && errno != EINVAL)
            return false;
        if (done < block.size) {
            m_direct = false;
            if (!setDirect(fd, false))
                return false;
        }
    }
    return writeSome(fd, block.data.get() + done, block.size - done) == block.size - done;
}

QString SentCopy::keep()
{
    finish(false);
    if (m_file.valid() && m_error != 0)
        fail(m_error);
    if (!m_file.valid())
        return m_problem;
    // On the disk before it has a name in cur/: a reader never finds half a copy there.
    if (::fdatasync(m_file.get()) != 0) {
        fail(errno);
        return m_problem;
    }
    const QByteArray kept = m_name + ":2,S";
    if (!moveInto(m_tmp.get(), m_name, m_cur.get(), kept)) {
        fail(errno);
        return m_problem;
    }
    m_file.reset();
    ::fsync(m_cur.get());
    m_keptPath = m_maildir + QStringLiteral("/cur/") + QString::fromLatin1(kept);
    return {};
}
