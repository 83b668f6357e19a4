#include "SentFolder.h"

#include "DiskProblem.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace Qt::StringLiterals;

// Opens the folder name in parent, made owner-only first when missing. The
// program's own folders are never reached through a link (O_NOFOLLOW), nor
// is anything but a folder opened (O_DIRECTORY): no FIFO, no device.
FileDescriptor folderIn(int parent, const char *name, bool followLink)
{
    if (::mkdirat(parent, name, 0700) != 0 && errno != EEXIST)
        return {};
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    return FileDescriptor(::openat(parent, name, flags));
}

// Where the host name must not go as it is: '/' would name a folder and ':'
// starts the flags.
QByteArray hostPart()
{
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0')
        return "localhost";
    QByteArray name(host);
    name.replace("/", "\\057").replace(":", "\\072");
    return name;
}

// A file of tmp/ a crash left: older than this, as the Maildir rules say.
constexpr time_t kLeftOverSeconds = time_t(36) * 60 * 60;

} // namespace

namespace SentFolder {

QString path()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + u"/korvane-client/Inviati"_s;
}

Opened open(const QString &maildir)
{
    Opened opened;
    // The data folder itself is the user's, and may be a link on purpose.
    const QString program = QDir::cleanPath(maildir + u"/.."_s);
    const QString data = QDir::cleanPath(program + u"/.."_s);
    QDir().mkpath(data);
    const FileDescriptor dataFolder(
        ::open(QFile::encodeName(data).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dataFolder.valid()) {
        opened.problem = reason(errno, data);
        return opened;
    }
    const QByteArray programName = QFile::encodeName(QDir(program).dirName());
    const FileDescriptor programFolder = folderIn(dataFolder.get(), programName.constData(), true);
    if (!programFolder.valid()) {
        opened.problem = reason(errno, program);
        return opened;
    }
    const QByteArray maildirName = QFile::encodeName(QDir(maildir).dirName());
    const FileDescriptor folder = folderIn(programFolder.get(), maildirName.constData(), false);
    if (!folder.valid()) {
        opened.problem = reason(errno, maildir);
        return opened;
    }
    // new/ stays empty, but a Maildir is the three of them.
    for (const char *name : {"tmp", "new", "cur"}) {
        FileDescriptor sub = folderIn(folder.get(), name, false);
        if (!sub.valid()) {
            opened.problem = reason(errno, maildir + u'/' + QLatin1StringView(name));
            return opened;
        }
        if (name[0] == 't')
            opened.tmp = std::move(sub);
        else if (name[0] == 'c')
            opened.cur = std::move(sub);
    }
    return opened;
}

QByteArray uniqueName()
{
    static std::atomic<quint64> delivered{0};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const quint64 random = QRandomGenerator::system()->generate64();
    return QByteArray::number(qint64(now.tv_sec)) + ".M" + QByteArray::number(qint64(now.tv_nsec / 1000))
        + 'P' + QByteArray::number(qint64(::getpid())) + 'Q' + QByteArray::number(++delivered) + 'R'
        + QByteArray::number(random, 16) + '.' + hostPart();
}

QString reason(int error, const QString &path) { return diskProblem(QDir::toNativeSeparators(path), error); }

void sweep(const QString &maildir)
{
    const QByteArray tmp = QFile::encodeName(maildir + u"/tmp"_s);
    const int fd = ::open(tmp.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    // closedir() closes fd too.
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(::fdopendir(fd), ::closedir);
    if (!dir) {
        ::close(fd);
        return;
    }
    const time_t before = ::time(nullptr) - kLeftOverSeconds;
    while (const dirent *entry = ::readdir(dir.get())) {
        struct stat status
        {};
        if (::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode))
            continue;
        if (status.st_mtime < before && status.st_atime < before)
            ::unlinkat(fd, entry->d_name, 0);
    }
}

} // namespace SentFolder
