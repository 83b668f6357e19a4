#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

namespace RegularFile {

std::optional<QByteArray> read(const QString &path, qint64 maxBytes)
{
    // O_NONBLOCK: opening a FIFO for reading would wait for a writer.
    const Descriptor fd(::open(QFile::encodeName(path).constData(),
                               O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat status = {};
    if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)
        || status.st_size > maxBytes)
        return std::nullopt;
    // One byte more than the size: a file that grew meanwhile is refused,
    // never read without end.
    QByteArray data(qsizetype(status.st_size) + 1, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(fd.get(), data.data() + got, size_t(data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        got += n;
    }
    if (got > status.st_size)
        return std::nullopt;
    data.truncate(got);
    return data;
}

QString keepAside(const QString &path, const QString &suffix)
{
    QString aside = path + suffix;
    for (int n = 1; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = path + suffix + u'.' + QString::number(n);
    // Not QFile::rename(), which copies what it cannot rename: a FIFO or a
    // link to a device would be read.
    return ::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) == 0 ? aside
                                                                                                    : path;
}

} // namespace RegularFile
