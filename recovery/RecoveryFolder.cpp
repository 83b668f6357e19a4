#include "RecoveryFolder.h"

#include "FileLock.h"
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

const auto pattern = "KORVANE_CLIENT_STMP.recovery-*.json"_L1;

// Held only by a live window: the system lets go of it when its process ends.
std::unique_ptr<FileLock> lockFor(const QString &copyPath)
{
    auto lock = std::make_unique<FileLock>(copyPath + ".lock"_L1);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

} // namespace

struct RecoveryFolder::Draft
{
    Leftover leftover;
    std::unique_ptr<FileLock> lock;
};

RecoveryFolder::RecoveryFolder(const QStringList &folders) : m_folders(folders)
{
    // The start time tells this run from an earlier one that had its pid;
    // the count, two folders of one process apart.
    static std::atomic<int> made = 0;
    const QString name
        = u"KORVANE_CLIENT_STMP.recovery-%1-%2-%3.json"_s.arg(QCoreApplication::applicationPid())
              .arg(QDateTime::currentMSecsSinceEpoch())
              .arg(++made);
    for (const QString &folder : folders) {
        QDir().mkpath(folder);
        const QString path = QDir(folder).filePath(name);
        if ((m_ownLock = lockFor(path))) {
            m_ownPath = path;
            return;
        }
    }
}

// The lock goes with its file.
RecoveryFolder::~RecoveryFolder() = default;

QString RecoveryFolder::fallbackPath() const
{
    const QString name = QFileInfo(m_ownPath).fileName();
    for (const QString &folder : m_folders) {
        QString path = QDir(folder).filePath(name);
        if (name.isEmpty() || path == m_ownPath)
            continue;
        QDir().mkpath(folder);
        return path;
    }
    return {};
}

RecoveryFolder::Found
RecoveryFolder::takeLeftovers(const std::function<bool(const RecoveryFormat::Copy &)> &drop,
                              const QByteArray &base)
{
    Found found;
    std::vector<Draft> drafts;
    for (const QString &folder : std::as_const(m_folders)) {
        const QDir dir(folder);
        // A window killed before it wrote its first copy leaves only its lock file.
        for (const QString &name : dir.entryList({pattern + ".lock"_L1}, QDir::Files | QDir::Hidden)) {
            const QString copy = dir.filePath(name.chopped(5));
            if (!QFileInfo::exists(copy) && !QFileInfo(copy).isSymLink())
                lockFor(copy);
        }
        for (const QString &name : dir.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System)) {
            const QString path = dir.filePath(name);
            std::unique_ptr<FileLock> lock = path == m_ownPath ? nullptr : lockFor(path);
            if (!lock)
                continue;
            const std::optional<QByteArray> data = RegularFile::read(path, RecoveryFormat::largestCopy);
            std::optional<RecoveryFormat::Copy> copy = data ? RecoveryFormat::decode(*data) : std::nullopt;
            if (!copy)
                found.setAside << RegularFile::keepAside(path, ".bad"_L1);
            else if (drop(*copy))
                QFile::remove(path); // nothing in it is lost
            else
                drafts.push_back({{std::move(*copy), path}, std::move(lock)});
        }
    }
    std::ranges::sort(drafts, [](const Draft &a, const Draft &b) {
        return a.leftover.copy.takenAtMs > b.leftover.copy.takenAtMs;
    });
    const auto next = std::ranges::find_if(
        drafts, [&](const Draft &draft) { return !base.isEmpty() && draft.leftover.copy.base == base; });
    if (m_ownLock && next != drafts.end()) {
        found.taken = next->leftover;
        adopt(next->leftover.path, std::move(next->lock));
        drafts.erase(next);
    }
    // Let go as drafts goes, so that the window each is offered to can take it.
    for (const Draft &draft : drafts) {
        if (found.offered.size() < mostOffered)
            found.offered << draft.leftover.path;
    }
    return found;
}

std::optional<RecoveryFolder::Leftover> RecoveryFolder::takeOffered(const QString &path)
{
    // Only a copy of these folders, named as copies are, and not this window's own.
    const QFileInfo offered(path);
    if (!m_ownLock || !m_folders.contains(offered.absolutePath()) || path == m_ownPath
        || !QDir::match(pattern, offered.fileName()))
        return std::nullopt;
    std::unique_ptr<FileLock> lock = lockFor(offered.absoluteFilePath());
    const std::optional<QByteArray> data
        = lock ? RegularFile::read(offered.absoluteFilePath(), RecoveryFormat::largestCopy) : std::nullopt;
    const std::optional<RecoveryFormat::Copy> copy = data ? RecoveryFormat::decode(*data) : std::nullopt;
    if (!copy)
        return std::nullopt;
    adopt(offered.absoluteFilePath(), std::move(lock));
    return Leftover{*copy, offered.absoluteFilePath()};
}

// The draft's file is this window's copy from now on: written over as the
// user types, kept or removed as the window closes.
void RecoveryFolder::adopt(const QString &path, std::unique_ptr<FileLock> lock)
{
    m_ownLock = std::move(lock);
    m_ownPath = path;
}
