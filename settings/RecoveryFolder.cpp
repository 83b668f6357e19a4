#include "RecoveryFolder.h"

#include "RecoveryFormat.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <atomic>

namespace {

using namespace Qt::StringLiterals;

// Larger than any copy the program writes (seven boxes and a body of a few
// million characters): a bigger file is not one of them.
constexpr qint64 largestCopy = qint64(512) * 1024 * 1024;

// Held only by a live process: a stale lock is one whose process is gone,
// however old a live one is.
std::unique_ptr<QLockFile> lockFor(const QString &copyPath)
{
    auto lock = std::make_unique<QLockFile>(copyPath + ".lock"_L1);
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

std::optional<RecoveryFormat::Copy> readCopy(const QString &path)
{
    QFile file(path);
    if (file.size() > largestCopy || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return RecoveryFormat::decode(file.readAll());
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

std::optional<RecoveryFolder::Leftover> RecoveryFolder::takeLeftover()
{
    if (!m_ownLock)
        return std::nullopt;
    const QFileInfo own(m_ownPath);
    const QDir dir = own.absoluteDir();
    removeOrphanLocks(dir);
    std::optional<Leftover> newest;
    qint64 newestAt = 0;
    std::unique_ptr<QLockFile> newestLock;
    for (const QString &name : dir.entryList({m_pattern}, QDir::Files | QDir::Hidden | QDir::System)) {
        const QString path = dir.filePath(name);
        if (name == own.fileName())
            continue;
        std::unique_ptr<QLockFile> lock = lockFor(path);
        if (!lock)
            continue; // a window still open
        const std::optional<RecoveryFormat::Copy> copy = readCopy(path);
        if (!copy) {
            keepAside(path, ".bad"_L1);
            continue;
        }
        if (newest && copy->takenAtMs <= newestAt) {
            keepAside(path, ".old"_L1);
            continue;
        }
        if (newest)
            keepAside(newest->path, ".old"_L1);
        newest = Leftover{copy->fields, path};
        newestAt = copy->takenAtMs;
        newestLock = std::move(lock);
    }
    if (newestLock)
        m_taken.push_back(std::move(newestLock));
    return newest;
}

// A run killed before it wrote its first copy leaves only its lock file.
void RecoveryFolder::removeOrphanLocks(const QDir &dir) const
{
    for (const QString &name : dir.entryList({m_pattern + ".lock"_L1}, QDir::Files | QDir::Hidden)) {
        const QString copy = dir.filePath(name.chopped(5));
        if (!QFileInfo::exists(copy))
            lockFor(copy); // taken only when stale; let go, it removes the file
    }
}

void RecoveryFolder::keepAside(const QString &path, const QString &suffix) const
{
    QString aside = path + suffix;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = path + u'.' + QString::number(n) + suffix;
    QFile::rename(path, aside);
}
