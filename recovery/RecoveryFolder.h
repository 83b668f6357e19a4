#pragma once

#include "MailFields.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QDir;
class QLockFile;

// The recovery copies kept beside the settings file, one a run:
// KORVANE_CLIENT_STMP.recovery-PID-STARTMS-N.json, each with a lock file the
// run holds for as long as it lives. A copy whose lock is held belongs to a
// window still open and is never touched; one whose owner is gone was left
// by a run that did not close, or by one that closed while another window
// was open (RecoveryFormat::Copy::stored).
class RecoveryFolder
{
public:
    // Takes this run's lock. settingsFile: the settings file's path.
    explicit RecoveryFolder(const QString &settingsFile);
    // Lets go of the locks; their files go with them.
    ~RecoveryFolder();
    RecoveryFolder(const RecoveryFolder &) = delete;
    RecoveryFolder &operator=(const RecoveryFolder &) = delete;

    // Where this run keeps its copy; empty when its lock could not be taken
    // (a folder that cannot be written): then the run keeps none.
    QString ownPath() const { return m_ownPath; }

    struct Leftover
    {
        MailFields fields;
        QString path;
    };
    struct Found
    {
        std::optional<Leftover> newest; // to show in the window
        QStringList setAside;           // the new paths of the copies renamed in this look
        QStringList foreign;            // copies locked by another machine, left where they are
    };
    // What the settings hold now: the order of their last store, and
    // whether they hold exactly the given fields.
    struct Settings
    {
        qint64 order = 0;
        std::function<bool(const MailFields &)> hold;
    };
    // The copies left by runs that are over. The newest one, when it is
    // newer than the settings' last store, stays where it is, held by this
    // run, until the caller removes it. A copy a close left while the
    // settings got its fields goes if they still hold them. Every other
    // one is renamed, *.old (older, or stored and since replaced) or *.bad
    // (not a regular file of a copy's size, or not a copy): none is deleted
    // unread, none offered again. Nothing here blocks or follows a link.
    Found takeLeftovers(const Settings &settings);

    // Whether another run's window is open now (its lock is held).
    bool othersOpen() const;

private:
    std::unique_ptr<QLockFile> lockLeftover(const QString &path, Found &found) const;
    void removeOrphanLocks(const QDir &dir) const;

    QString m_pattern; // the copies' file names, for QDir
    QString m_ownPath;
    std::unique_ptr<QLockFile> m_ownLock;
    std::vector<std::unique_ptr<QLockFile>> m_taken;
    QStringList m_takenLocks; // their files' paths
};
