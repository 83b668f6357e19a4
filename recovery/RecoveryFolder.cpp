#include "RecoveryFolder.h"

#include "RecoveryFormat.h"
#include "RegularFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>

#include <algorithm>
#include <atomic>

namespace {

using namespace Qt::StringLiterals;

// A window open on another machine for this long is not believed: its copy
// is then taken as any run's that ended. Until then it is only named.
constexpr int foreignLockMs = 7 * 24 * 3600 * 1000;

// Held only by a live process: a stale lock is one whose process is gone,
// however old a live one is.
std::unique_ptr<QLockFile> lockFor(const QString &copyPath, int staleMs = 0)
{
    auto lock = std::make_unique<QLockFile>(copyPath + ".lock"_L1);
    lock->setStaleLockTime(staleMs);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

// A lock QLockFile cannot check: written on another machine (by its name,
// or by its machine id for a system installed anew under the same name).
bool lockedElsewhere(const QString &copyPath)
{
    const std::optional<QByteArray> data = RegularFile::read(copyPath + ".lock"_L1, 4096);
    if (!data)
        return false;
    const QList<QByteArray> lines = data->split('\n');
    const QByteArray host = lines.value(2);
    const QByteArray machine = lines.value(3);
    return (!host.isEmpty() && host != QSysInfo::machineHostName().toUtf8())
        || (!machine.isEmpty() && machine != QSysInfo::machineUniqueId());
}

std::optional<RecoveryFormat::Copy> readCopy(const QString &path)
{
    const std::optional<QByteArray> data = RegularFile::read(path, RecoveryFormat::largestCopy);
    return data ? RecoveryFormat::decode(*data) : std::nullopt;
}

bool isNewer(const RecoveryFormat::Copy &a, const RecoveryFormat::Copy &b)
{
    return a.order != b.order ? a.order > b.order : a.takenAtMs > b.takenAtMs;
}

} // namespace

RecoveryFolder::RecoveryFolder(const QString &settingsFile)
{
    const QFileInfo settings(settingsFile);
    const QString prefix = settings.completeBaseName() + ".recovery-"_L1;
    m_pattern = prefix + "*.json"_L1;
    const QString dir = settings.absolutePath();
    QDir().mkpath(dir);
    // The start time tells this run from an earlier one that had its pid;
    // the count, two folders of one process apart.
    static std::atomic<int> made = 0;
    const QString own = dir + u'/' + prefix
        + u"%1-%2-%3.json"_s.arg(QCoreApplication::applicationPid())
              .arg(QDateTime::currentMSecsSinceEpoch())
              .arg(++made);
    m_ownLock = lockFor(own);
    if (m_ownLock)
        m_ownPath = own;
}

RecoveryFolder::~RecoveryFolder() = default;

RecoveryFolder::Found RecoveryFolder::takeLeftovers(const Settings &settings)
{
    Found found;
    if (!m_ownLock)
        return found;
    const QFileInfo own(m_ownPath);
    const QDir dir = own.absoluteDir();
    removeOrphanLocks(dir);
    std::optional<RecoveryFormat::Copy> newest;
    std::unique_ptr<QLockFile> newestLock;
    for (const QString &name : dir.entryList({m_pattern}, QDir::Files | QDir::Hidden | QDir::System)) {
        const QString path = dir.filePath(name);
        if (name == own.fileName())
            continue;
        std::unique_ptr<QLockFile> lock = lockLeftover(path, found);
        if (!lock)
            continue;
        const std::optional<RecoveryFormat::Copy> copy = readCopy(path);
        if (!copy) {
            found.setAside << RegularFile::keepAside(path, ".bad"_L1);
        } else if (copy->stored && settings.hold && settings.hold(copy->fields)) {
            QFile::remove(path); // what it kept is in the settings
        } else if (copy->stored || copy->order < settings.order || (newest && !isNewer(*copy, *newest))) {
            found.setAside << RegularFile::keepAside(path, ".old"_L1);
        } else {
            if (newest)
                found.setAside << RegularFile::keepAside(found.newest->path, ".old"_L1);
            newest = copy;
            found.newest = Leftover{copy->fields, path};
            newestLock = std::move(lock);
        }
    }
    if (newestLock) {
        m_takenLocks << newestLock->fileName();
        m_taken.push_back(std::move(newestLock));
    }
    return found;
}

// Null for a window still open, on this machine or (named in found) on
// another one, unless that one's lock is too old to believe.
std::unique_ptr<QLockFile> RecoveryFolder::lockLeftover(const QString &path, Found &found) const
{
    if (std::unique_ptr<QLockFile> lock = lockFor(path))
        return lock;
    if (!lockedElsewhere(path))
        return nullptr;
    if (std::unique_ptr<QLockFile> lock = lockFor(path, foreignLockMs))
        return lock;
    found.foreign << path;
    return nullptr;
}

bool RecoveryFolder::othersOpen() const
{
    if (!m_ownLock)
        return false;
    const QFileInfo own(m_ownPath);
    const QDir dir = own.absoluteDir();
    const QStringList locks = dir.entryList({m_pattern + ".lock"_L1}, QDir::Files | QDir::Hidden);
    // A stale lock is taken and let go on the way.
    return std::ranges::any_of(locks, [&](const QString &name) {
        const QString path = dir.filePath(name);
        return name != own.fileName() + ".lock"_L1 && !m_takenLocks.contains(path)
            && !lockFor(path.chopped(5));
    });
}

// A run killed before it wrote its first copy leaves only its lock file.
void RecoveryFolder::removeOrphanLocks(const QDir &dir) const
{
    for (const QString &name : dir.entryList({m_pattern + ".lock"_L1}, QDir::Files | QDir::Hidden)) {
        const QString copy = dir.filePath(name.chopped(5));
        if (!QFileInfo::exists(copy) && !QFileInfo(copy).isSymLink())
            lockFor(copy); // taken only when stale; let go, it removes the file
    }
}
