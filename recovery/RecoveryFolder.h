#pragma once

#include "MailFields.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class FileLock;

// The recovery copies kept beside the settings file, one a window:
// KORVANE_CLIENT_STMP.recovery-PID-STARTMS-N.json, each with a lock file
// (flock) its window holds for as long as it is open. A copy whose lock is
// held belongs to a window still open and is never touched; one whose owner
// is gone was left by a run that did not close, or by one that closed while
// another window was open (RecoveryFormat::Copy::stored).
class RecoveryFolder
{
public:
    // Takes this window's lock. settingsFile: the settings file's path.
    explicit RecoveryFolder(const QString &settingsFile);
    // Lets go of the locks; their files go with them.
    ~RecoveryFolder();
    RecoveryFolder(const RecoveryFolder &) = delete;
    RecoveryFolder &operator=(const RecoveryFolder &) = delete;

    // Where this window keeps its copy; empty when its lock could not be
    // taken (a folder that cannot be written): then it keeps none.
    QString ownPath() const { return m_ownPath; }

    struct Leftover
    {
        MailFields fields;
        QString path;
    };
    // The most drafts one start opens in windows of their own; the others
    // wait, untouched, for a later start.
    static constexpr int mostOffered = 3;
    struct Found
    {
        std::optional<Leftover> newest; // to show in this window
        QStringList offered;            // drafts for windows of their own, newest first, not held
        QStringList setAside;           // the new paths of the files renamed in this look
    };
    // What the settings hold now: the order of their last store, and
    // whether they hold exactly the given fields.
    struct Settings
    {
        qint64 order = 0;
        std::function<bool(const MailFields &)> hold;
    };
    // The copies left by windows that are gone. One the settings hold, or
    // whose message was sent, is removed. Of the drafts, the newest stays
    // where it is, held by this run until the caller removes it, when it is
    // newer than the settings' last store; the others are offered. A file
    // that is no copy is renamed *.bad, unread when it is no regular file
    // of a copy's size. Nothing here blocks or follows a link.
    Found takeLeftovers(const Settings &settings);
    // The draft at path, offered by another start, held by this run until
    // the caller removes it; nothing when it is gone or no copy.
    std::optional<Leftover> takeOffered(const QString &path);

    // Whether another window's is open now (its lock is held).
    bool othersOpen() const;

private:
    void removeOrphanLocks() const;
    void hold(std::unique_ptr<FileLock> lock);

    QString m_pattern; // the copies' file names
    QString m_dir;
    QString m_ownPath;
    std::unique_ptr<FileLock> m_ownLock;
    std::vector<std::unique_ptr<FileLock>> m_taken;
};
