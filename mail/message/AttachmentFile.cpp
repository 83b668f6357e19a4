#include "AttachmentFile.h"

#include <QDateTime>
#include <QFileInfo>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using Stamp = AttachmentFile::Stamp;

QString changedText(const QString &path)
{
    return QStringLiteral(
               "L'allegato %1 è stato modificato durante l'invio: il messaggio non è stato inviato.")
        .arg(path);
}

QString unreadableText(const QString &path)
{
    return QStringLiteral(
               "Impossibile leggere l'allegato %1 durante l'invio: il messaggio non è stato inviato.")
        .arg(path);
}

#ifdef Q_OS_UNIX
qint64 nanoseconds(const timespec &t) { return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

Stamp stampOf(const struct stat &st)
{
    return {qint64(st.st_dev),   qint64(st.st_ino),       qint64(st.st_size),
            qint64(st.st_nlink), nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
}
#endif

} // namespace

AttachmentFile::AttachmentFile(QString path, std::unique_ptr<QFile> file, const Stamp &opened)
    : m_path(std::move(path)), m_file(std::move(file)), m_opened(opened)
{}

std::unique_ptr<AttachmentFile> AttachmentFile::open(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        *error = QStringLiteral("Allegato non trovato: %1.").arg(path);
        return nullptr;
    }
    if (info.isDir()) {
        *error = QStringLiteral("L'allegato %1 è una cartella, non un file.").arg(path);
        return nullptr;
    }
    auto file = std::make_unique<QFile>(path);
    Stamp opened;
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st
    {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool denied = fd < 0 && errno == EACCES;
        if (fd >= 0)
            ::close(fd);
        *error = denied ? QStringLiteral("Impossibile leggere l'allegato %1: permesso negato.").arg(path)
                        : QStringLiteral("L'allegato %1 non è un file normale.").arg(path);
        return nullptr;
    }
    opened = stampOf(st);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
#else
    if (!info.isFile() || !file->open(QIODevice::ReadOnly)) {
#endif
        *error = QStringLiteral("Impossibile leggere l'allegato %1.").arg(path);
        return nullptr;
    }
#ifndef Q_OS_UNIX
    opened.size = file->size();
    opened.modifiedNs = file->fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch() * 1'000'000;
#endif
    return std::unique_ptr<AttachmentFile>(new AttachmentFile(path, std::move(file), opened));
}

bool AttachmentFile::read(char *data, qint64 want, QString *error)
{
    const qint64 got = m_file->read(data, want);
    // A short read is most often a file cut while it was read: say so.
    if (!verify(error))
        return false;
    if (got != want) {
        *error = unreadableText(m_path);
        return false;
    }
    return true;
}

bool AttachmentFile::verify(QString *error) const
{
#ifdef Q_OS_UNIX
    struct stat st
    {};
    if (::fstat(m_file->handle(), &st) != 0) {
        *error = unreadableText(m_path);
        return false;
    }
    const Stamp now = stampOf(st);
    // Deleting the file (or linking it elsewhere) moves its change time but
    // not a byte of what is read through the open descriptor.
    const bool linksMoved = now.links != m_opened.links;
    bool same = now.size == m_opened.size && now.modifiedNs == m_opened.modifiedNs
        && (linksMoved || now.changedNs == m_opened.changedNs);
    // Another file at the path (saved by writing a copy and renaming it over
    // the old one) is the version the user now means; a path that leads
    // nowhere is a deleted file, still read whole.
    struct stat atPath
    {};
    if (same && ::stat(QFile::encodeName(m_path).constData(), &atPath) == 0)
        same = atPath.st_dev == st.st_dev && atPath.st_ino == st.st_ino;
#else
    const bool same = m_file->size() == m_opened.size
        && m_file->fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch() * 1'000'000
            == m_opened.modifiedNs;
#endif
    if (!same)
        *error = changedText(m_path);
    return same;
}
