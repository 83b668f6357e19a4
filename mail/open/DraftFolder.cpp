#include "DraftFolder.h"

#include "mail/message/DiskProblem.h"
#include "mail/message/Unprintable.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace Qt::StringLiterals;

constexpr qsizetype kMostNameBytes = 200;
constexpr qsizetype kLongestExtension = 16;
constexpr int kTries = 100;

// name with " (n)" before its extension.
QString numbered(const QString &name, int n)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    const qsizetype at = dot > 0 && name.size() - dot <= kLongestExtension ? dot : name.size();
    return name.left(at) + u" (%1)"_s.arg(n) + name.mid(at);
}

} // namespace

DraftFolder::~DraftFolder()
{
    if (m_kept || !m_folder.valid())
        return;
    for (const QByteArray &name : std::as_const(m_made))
        ::unlinkat(m_folder.get(), name.constData(), 0);
    ::unlinkat(m_parent.get(), m_folderName.constData(), AT_REMOVEDIR);
}

bool DraftFolder::fail(const QString &path)
{
    m_problem = diskProblem(QDir::toNativeSeparators(path), errno);
    return false;
}

// The data folder is the user's and may be a link; Allegati and what is in
// it are the program's own.
bool DraftFolder::makeFolder()
{
    const QString data = QDir::cleanPath(m_root + u"/.."_s);
    QDir().mkpath(data);
    const FileDescriptor dataFolder(
        ::open(QFile::encodeName(data).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const QByteArray rootName = QFile::encodeName(QDir(m_root).dirName());
    if (!dataFolder.valid()
        || (::mkdirat(dataFolder.get(), rootName.constData(), 0700) != 0 && errno != EEXIST))
        return fail(dataFolder.valid() ? m_root : data);
    m_parent = FileDescriptor(
        ::openat(dataFolder.get(), rootName.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!m_parent.valid())
        return fail(m_root);
    const QByteArray stamp = QDateTime::currentDateTime().toString(u"yyyy-MM-dd_HH-mm-ss"_s).toLatin1() + '_'
        + QByteArray::number(qint64(::getpid())) + '_';
    for (int i = 0; i < kTries; ++i) {
        const QByteArray name = stamp + QByteArray::number(QRandomGenerator::global()->bounded(1000000));
        if (::mkdirat(m_parent.get(), name.constData(), 0700) != 0) {
            if (errno == EEXIST)
                continue;
            break;
        }
        m_folder = FileDescriptor(
            ::openat(m_parent.get(), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        m_folderName = name;
        m_path = m_root + u'/' + QFile::decodeName(name);
        return m_folder.valid() || fail(m_path);
    }
    return fail(m_root);
}

DraftFolder::NewFile DraftFolder::add(const QString &name)
{
    if (!m_folder.valid() && (!m_problem.isEmpty() || !makeFolder()))
        return {};
    const QString safe = safeName(name);
    for (int n = 1; n <= kTries; ++n) {
        const QString candidate = n == 1 ? safe : numbered(safe, n);
        const QByteArray native = QFile::encodeName(candidate);
        FileDescriptor fd(::openat(m_folder.get(), native.constData(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd.valid()) {
            m_made << native;
            return {std::move(fd), m_path + u'/' + candidate};
        }
        if (errno != EEXIST)
            break;
    }
    fail(m_path + u'/' + safe);
    return {};
}

QString DraftFolder::safeName(const QString &name)
{
    QString kept = name.mid(std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\')) + 1);
    kept.removeIf([](QChar c) { return isUnprintable(c.unicode()); });
    kept.replace(u';', u'_');
    kept = kept.trimmed();
    while (kept.startsWith(u'.'))
        kept = kept.mid(1).trimmed();
    if (kept.isEmpty())
        return u"allegato"_s;
    const qsizetype dot = kept.lastIndexOf(u'.');
    const qsizetype at = dot > 0 && kept.size() - dot <= kLongestExtension ? dot : kept.size();
    QString stem = kept.left(at);
    const QString extension = kept.mid(at);
    while (!stem.isEmpty() && (stem + extension).toUtf8().size() > kMostNameBytes) {
        stem.chop(stem.size() > 1 && stem.back().isLowSurrogate() ? 2 : 1);
    }
    return stem.trimmed().isEmpty() ? u"allegato"_s + extension : stem.trimmed() + extension;
}
