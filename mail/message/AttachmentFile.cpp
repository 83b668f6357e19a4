#include "AttachmentFile.h"

#include "MessageTexts.h"

#include <QFileInfo>

#include <cerrno>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using Stamp = AttachmentFile::Stamp;

#ifdef Q_OS_UNIX
qint64 nanoseconds(const timespec &t) { return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

Stamp stampOf(const struct stat &st)
{
    return {qint64(st.st_dev), qint64(st.st_ino), qint64(st.st_size), nanoseconds(st.st_mtim),
            nanoseconds(st.st_ctim)};
}

// The open descriptor of the regular file at path, or -1 with errno set
// (ENODEV for anything but a regular file).
int openRegular(const QString &path, struct stat *st)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
        ::close(fd);
        errno = ENODEV;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}
#endif

} // namespace

AttachmentFile::AttachmentFile(QString path, std::unique_ptr<QFile> file, const Stamp &opened)
    : m_path(std::move(path)), m_file(std::move(file)), m_opened(opened)
{}

std::unique_ptr<AttachmentFile> AttachmentFile::open(const QString &path, QString *error,
                                                     bool *outOfDescriptors)
{
    if (outOfDescriptors)
        *outOfDescriptors = false;
    const QFileInfo info(path);
    if (!info.exists()) {
        *error = messageText(MessageText::AttachmentMissing).arg(path);
        return nullptr;
    }
    if (info.isDir()) {
        *error = messageText(MessageText::AttachmentIsFolder).arg(path);
        return nullptr;
    }
    auto file = std::make_unique<QFile>(path);
    Stamp opened;
#ifdef Q_OS_UNIX
    struct stat st
    {};
    const int fd = openRegular(path, &st);
    if (fd < 0) {
        const int cause = errno;
        if (outOfDescriptors)
            *outOfDescriptors = cause == EMFILE || cause == ENFILE;
        *error = cause == EACCES ? messageText(MessageText::AttachmentDenied).arg(path)
                                 : messageText(MessageText::AttachmentNotRegular).arg(path);
        return nullptr;
    }
    opened = stampOf(st);
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
#else
    if (!info.isFile() || !file->open(QIODevice::ReadOnly)) {
#endif
        *error = messageText(MessageText::AttachmentUnreadable).arg(path);
        return nullptr;
    }
#ifndef Q_OS_UNIX
    opened.size = file->size();
    opened.modifiedNs = file->fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch() * 1'000'000;
#endif
    return std::unique_ptr<AttachmentFile>(new AttachmentFile(path, std::move(file), opened));
}

bool AttachmentFile::descriptorsToSpare(int count)
{
#ifdef Q_OS_UNIX
    std::vector<int> taken;
    while (int(taken.size()) < count) {
        const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            break;
        taken.push_back(fd);
    }
    const bool enough = int(taken.size()) == count;
    for (const int fd : taken)
        ::close(fd);
    return enough;
#else
    Q_UNUSED(count);
    return true;
#endif
}

bool AttachmentFile::read(char *data, qint64 want, QString *error)
{
    return readAndCheck(data, want, true, error);
}

bool AttachmentFile::scan(char *data, qint64 want, QString *error)
{
    return readAndCheck(data, want, false, error);
}

bool AttachmentFile::readAndCheck(char *data, qint64 want, bool sent, QString *error)
{
    const qint64 got = m_file->read(data, want);
    if (sent && got > 0) {
        m_readDigest.add(QByteArrayView(data, got));
        m_readSoFar += got;
    }
    // A short read is most often a file cut while it was read: say so.
    if (!verify(error))
        return false;
    if (got != want) {
        *error = messageText(MessageText::AttachmentUnreadableWhileSent).arg(m_path);
        return false;
    }
    return true;
}

bool AttachmentFile::rewind(QString *error)
{
    if (!m_file->seek(0)) {
        *error = messageText(MessageText::AttachmentUnreadable).arg(m_path);
        return false;
    }
    m_readSoFar = 0;
    m_readDigest = {};
    return true;
}

bool AttachmentFile::verify(QString *error)
{
#ifdef Q_OS_UNIX
    struct stat st
    {};
    if (::fstat(m_file->handle(), &st) != 0) {
        *error = messageText(MessageText::AttachmentUnreadableWhileSent).arg(m_path);
        return false;
    }
    const Stamp now = stampOf(st);
    bool same = now.size == m_opened.size && now.modifiedNs == m_opened.modifiedNs;
    // Another file at the path (saved by writing a copy and renaming it over
    // the old one) is the version the user now means; a path that leads
    // nowhere is a deleted file, still read whole.
    struct stat atPath
    {};
    if (same && ::stat(QFile::encodeName(m_path).constData(), &atPath) == 0)
        same = atPath.st_dev == st.st_dev && atPath.st_ino == st.st_ino;
    // Only the change time moved: a link added or removed, a tag, new
    // permissions leave every byte as it was, which the bytes decide.
    if (same && now.changedNs != m_opened.changedNs) {
        same = readSoFarUnchanged();
        if (same)
            m_opened = now;
    }
#else
    const bool same = m_file->size() == m_opened.size
        && m_file->fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch() * 1'000'000
            == m_opened.modifiedNs;
#endif
    if (!same)
        *error = messageText(MessageText::AttachmentChanged).arg(m_path);
    return same;
}

// Reads the part already read once more, through the same descriptor and
// without moving its position, and compares it with what was read then.
bool AttachmentFile::readSoFarUnchanged() const
{
#ifdef Q_OS_UNIX
    ByteDigest again;
    QByteArray piece(qsizetype(1) << 20, Qt::Uninitialized);
    for (qint64 at = 0; at < m_readSoFar;) {
        const qint64 want = std::min<qint64>(piece.size(), m_readSoFar - at);
        const ssize_t got = ::pread(m_file->handle(), piece.data(), size_t(want), off_t(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        again.add(QByteArrayView(piece.constData(), got));
        at += got;
    }
    return again.value() == m_readDigest.value();
#else
    return true;
#endif
}
