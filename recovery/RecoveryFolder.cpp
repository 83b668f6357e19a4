#include "RecoveryFolder.h"

#include "FileLock.h"
#include "RecoveryFormat.h"
#include "RegularFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>

namespace {

using namespace Qt::StringLiterals;

// Held only by a live window: the system lets go of it when its process ends.
std::unique_ptr<FileLock> lockFor(const QString &copyPath)
{
    auto lock = std::make_unique<FileLock>(copyPath + ".lock"_L1);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

std::optional<RecoveryFormat::Copy> readCopy(const QString &path)
{
    const std::optional<QByteArray> data = RegularFile::read(path, RecoveryFormat::largestCopy);
    return data ? RecoveryFormat::decode(*data) : std::nullopt;
}

struct Draft
{
    RecoveryFormat::Copy copy;
    QString path;
    std::unique_ptr<FileLock> lock;
};

bool isNewer(const Draft &a, const Draft &b)
{
    return a.copy.order != b.copy.order ? a.copy.order > b.copy.order : a.copy.takenAtMs > b.copy.takenAtMs;
}

} // namespace

RecoveryFolder::RecoveryFolder(const QString &settingsFile)
{
    const QFileInfo settings(settingsFile);
    const QString prefix = settings.completeBaseName() + ".recovery-"_L1;
    m_pattern = prefix + "*.json"_L1;
    m_dir = settings.absolutePath();
    QDir().mkpath(m_dir);
    // The start time tells this run from an earlier one that had its pid;
    // the count, two folders of one process apart.
    static std::atomic<int> made = 0;
    const QString own = m_dir + u'/' + prefix
        + u"%1-%2-%3.json"_s.arg(QCoreApplication::applicationPid())
              .arg(QDateTime::currentMSecsSinceEpoch())
              .arg(++made);
    m_ownLock = lockFor(own);
    if (m_ownLock)
        m_ownPath = own;
}

// The locks go with their files.
RecoveryFolder::~RecoveryFolder() = default;

RecoveryFolder::Found RecoveryFolder::takeLeftovers(const Settings &settings)
{
    Found found;
    if (!m_ownLock)
        return found;
    removeOrphanLocks();
    std::vector<Draft> drafts;
    const QDir dir(m_dir);
    for (const QString &name : dir.entryList({m_pattern}, QDir::Files | QDir::Hidden | QDir::System)) {
        const QString path = dir.filePath(name);
        std::unique_ptr<FileLock> lock = path == m_ownPath ? nullptr : lockFor(path);
        if (!lock)
            continue;
        std::optional<RecoveryFormat::Copy> copy = readCopy(path);
        if (!copy) {
            found.setAside << RegularFile::keepAside(path, ".bad"_L1);
        } else if (copy->sent || (settings.hold && settings.hold(copy->fields))) {
            QFile::remove(path); // nothing in it is lost
        } else {
            drafts.push_back({std::move(*copy), path, std::move(lock)});
        }
    }
    std::ranges::sort(drafts, isNewer);
    auto draft = drafts.begin();
    // With no store known, any draft is newer than what the settings hold.
    if (draft != drafts.end() && (settings.order == 0 || draft->copy.order > settings.order)) {
        found.newest = Leftover{draft->copy.fields, draft->path};
        hold(std::move(draft->lock));
        ++draft;
    }
    // Let go as drafts goes, so that the window each is offered to can take it.
    for (; draft != drafts.end() && found.offered.size() < mostOffered; ++draft)
        found.offered << draft->path;
    return found;
}

std::optional<RecoveryFolder::Leftover> RecoveryFolder::takeOffered(const QString &path)
{
    // Only a copy of this folder, named as copies are, and not this window's own.
    const QFileInfo offered(path);
    if (!m_ownLock || offered.absolutePath() != m_dir || path == m_ownPath
        || !QDir::match(m_pattern, offered.fileName()))
        return std::nullopt;
    std::unique_ptr<FileLock> lock = lockFor(offered.absoluteFilePath());
    if (!lock)
        return std::nullopt;
    std::optional<RecoveryFormat::Copy> copy = readCopy(offered.absoluteFilePath());
    if (!copy)
        return std::nullopt;
    hold(std::move(lock));
    return Leftover{copy->fields, offered.absoluteFilePath()};
}

void RecoveryFolder::hold(std::unique_ptr<FileLock> lock) { m_taken.push_back(std::move(lock)); }

bool RecoveryFolder::othersOpen() const
{
    if (!m_ownLock)
        return false;
    const QDir dir(m_dir);
    const QStringList locks = dir.entryList({m_pattern + ".lock"_L1}, QDir::Files | QDir::Hidden);
    return std::ranges::any_of(locks, [&](const QString &name) {
        const QString path = dir.filePath(name);
        const bool ours = path == m_ownLock->fileName()
            || std::ranges::any_of(m_taken, [&](const auto &lock) { return lock->fileName() == path; });
        return !ours && FileLock::isHeld(path);
    });
}

// A window killed before it wrote its first copy leaves only its lock file.
void RecoveryFolder::removeOrphanLocks() const
{
    const QDir dir(m_dir);
    for (const QString &name : dir.entryList({m_pattern + ".lock"_L1}, QDir::Files | QDir::Hidden)) {
        const QString copy = dir.filePath(name.chopped(5));
        if (QFileInfo::exists(copy) || QFileInfo(copy).isSymLink())
            continue;
        FileLock lock(dir.filePath(name));
        if (lock.tryLock(0))
            lock.unlock();
    }
}
