#pragma once

#include "RecoveryFormat.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class FileLock;

// The recovery copies, one a window: KORVANE_CLIENT_STMP.recovery-PID-STARTMS-N.json
// beside the settings file (or, where that folder cannot be written, in the
// program's data folder), each with a lock file (flock) its window holds for
// as long as it is open. A copy whose lock is held belongs to a window still
// open and is never touched; one whose owner is gone is a draft left over.
class RecoveryFolder
{
public:
    // folders: the first that can be written holds this window's copy.
    explicit RecoveryFolder(const QStringList &folders);
    // Lets go of the lock; a copy kept stays for a later start.
    ~RecoveryFolder();
    RecoveryFolder(const RecoveryFolder &) = delete;
    RecoveryFolder &operator=(const RecoveryFolder &) = delete;

    // Where this window keeps its copy; empty when no folder can be written.
    QString ownPath() const { return m_ownPath; }
    // Where the copy goes when ownPath() cannot be written any more.
    QString fallbackPath() const;

    struct Leftover
    {
        RecoveryFormat::Copy copy;
        QString path;
    };
    // The most drafts one start opens in windows of their own; the others
    // wait, untouched, for a later start.
    static constexpr int mostOffered = 3;
    struct Found
    {
        std::optional<Leftover> taken; // now this window's own copy
        QStringList offered;           // drafts for windows of their own, newest first, not held
        QStringList setAside;          // the new paths of the files renamed in this look
    };
    // The copies left by windows that are gone: one drop() says holds
    // nothing to lose goes; the newest whose base is base becomes this
    // window's own copy; the others are offered; a file that is no copy is
    // renamed *.bad, unread. Nothing here blocks or follows a link.
    Found takeLeftovers(const std::function<bool(const RecoveryFormat::Copy &)> &drop,
                        const QByteArray &base);
    // The draft at path, offered by another start, made this window's own
    // copy; nothing when it is gone or no copy.
    std::optional<Leftover> takeOffered(const QString &path);

private:
    struct Draft;
    void adopt(const QString &path, std::unique_ptr<FileLock> lock);

    QStringList m_folders;
    QString m_ownPath;
    std::unique_ptr<FileLock> m_ownLock;
};
