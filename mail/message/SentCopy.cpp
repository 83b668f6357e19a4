#include "SentCopy.h"

#include "SentFolder.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The disk is asked to start writing every this many bytes, so that the
// wait for all of it once the server has accepted the message is short.
constexpr qint64 kFlushEvery = qint64(8) << 20;

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
    if (!m_file.valid())
        fail(errno);
}

SentCopy::~SentCopy()
{
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
    while (m_file.valid() && size > 0) {
        const ssize_t n = ::write(m_file.get(), data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail(n < 0 ? errno : ENOSPC);
            return;
        }
        data += n;
        size -= n;
        m_written += n;
    }
    if (m_file.valid() && m_written - m_flushed >= kFlushEvery)
        flushSome();
}

void SentCopy::flushSome()
{
    ::sync_file_range(m_file.get(), m_flushed, m_written - m_flushed, SYNC_FILE_RANGE_WRITE);
    m_flushed = m_written;
}

QString SentCopy::keep()
{
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
