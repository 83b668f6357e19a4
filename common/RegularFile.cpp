#include "RegularFile.h"

#include "CommonTexts.h"
#include "FileDescriptor.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using RegularFile::Links;
using RegularFile::Status;

QByteArray nativePath(const QString &path) { return QFile::encodeName(path); }

Status statusOf(const struct stat &status, qint64 maxBytes)
{
    if (!S_ISREG(status.st_mode))
        return Status::Special;
    return status.st_size > maxBytes ? Status::TooLarge : Status::Regular;
}

// O_NONBLOCK: opening a FIFO for reading would wait for a writer. O_NOFOLLOW
// where links are refused: the open itself fails on one, so nothing can be
// swapped in between a look and the open.
FileDescriptor openForReading(const QString &path, Links links)
{
    int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (links == Links::Refuse)
        flags |= O_NOFOLLOW;
    return FileDescriptor(::open(nativePath(path).constData(), flags));
}

bool readAll(int fd, QByteArray &data, qint64 size)
{
    // One byte more than the size: a file that grew meanwhile is refused,
    // never read without end.
    data.resize(qsizetype(size) + 1);
    qsizetype got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(fd, data.data() + got, size_t(data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += n;
    }
    data.truncate(got);
    return got <= size;
}

// Small enough that a writer asked to stop during a write of several
// megabytes stops within one piece.
constexpr qsizetype pieceSize = qsizetype(256) * 1024;

bool writeAll(int fd, const QByteArray &data, const std::function<bool()> &stop)
{
    qsizetype done = 0;
    while (done < data.size()) {
        if (stop && stop())
            return false;
        const ssize_t n = ::write(fd, data.constData() + done, size_t(qMin(pieceSize, data.size() - done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

namespace RegularFile {

Status status(const QString &path, qint64 maxBytes, Links links)
{
    struct stat found = {};
    if (::lstat(nativePath(path).constData(), &found) != 0)
        return errno == ENOENT ? Status::Missing : Status::Unreadable;
    if (!S_ISLNK(found.st_mode))
        return statusOf(found, maxBytes);
    if (links == Links::Refuse)
        return Status::Link;
    if (::stat(nativePath(path).constData(), &found) != 0)
        return errno == ENOENT ? Status::Missing : Status::Unreadable;
    return statusOf(found, maxBytes);
}

// Nothing for the statuses of a file that was used.
QString describe(Status status)
{
    switch (status) {
    case Status::Regular:
    case Status::Missing:
        return {};
    case Status::Link:
        return commonText(CommonText::FileIsLink);
    case Status::Special:
        return commonText(CommonText::FileNotRegular);
    case Status::TooLarge:
        return commonText(CommonText::FileTooLarge);
    case Status::Unreadable:
        return commonText(CommonText::FileUnreadable);
    }
    return {};
}

std::optional<QByteArray> read(const QString &path, qint64 maxBytes, Links links)
{
    const FileDescriptor fd = openForReading(path, links);
    struct stat found = {};
    if (!fd.valid() || ::fstat(fd.get(), &found) != 0 || statusOf(found, maxBytes) != Status::Regular)
        return std::nullopt;
    QByteArray data;
    if (!readAll(fd.get(), data, found.st_size))
        return std::nullopt;
    return data;
}

bool write(const QString &path, const QByteArray &data, const std::function<bool()> &stop)
{
    QByteArray temporary = nativePath(path + QStringLiteral(".new-XXXXXX"));
    const FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.valid())
        return false;
    // mkostemp makes the file owner-only, and it is opened, never looked up again.
    const bool written = writeAll(fd.get(), data, stop) && ::fsync(fd.get()) == 0;
    if (written && !(stop && stop()) && ::rename(temporary.constData(), nativePath(path).constData()) == 0)
        return true;
    const int error = errno; // why, for the caller to tell
    ::unlink(temporary.constData());
    errno = error;
    return false;
}

bool append(const QString &path, const QByteArray &line)
{
    // O_NONBLOCK: a FIFO without a reader fails the open instead of waiting.
    const FileDescriptor fd(::open(nativePath(path).constData(),
                                   O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600));
    struct stat found = {};
    if (!fd.valid() || ::fstat(fd.get(), &found) != 0 || !S_ISREG(found.st_mode))
        return false;
    char last = '\n';
    if (found.st_size > 0 && ::pread(fd.get(), &last, 1, found.st_size - 1) != 1)
        last = '\n';
    return writeAll(fd.get(), last == '\n' ? line : '\n' + line, {});
}

QString keepAside(const QString &path, const QString &suffix)
{
    QString aside = path + suffix;
    for (int n = 1; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = path + suffix + u'.' + QString::number(n);
    // Not QFile::rename(), which copies what it cannot rename: a FIFO or a
    // link to a device would be read.
    return ::rename(nativePath(path).constData(), nativePath(aside).constData()) == 0 ? aside : path;
}

} // namespace RegularFile
