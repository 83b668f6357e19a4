#pragma once

#include "FormFields.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QDir;
class QLockFile;

// The recovery copies kept beside the settings file, one a run:
// KORVANE_CLIENT_STMP.recovery-PID-STARTMS-N.json, each with a lock file the
// run holds for as long as it lives. A copy whose lock is held belongs to a
// window still open and is never touched; one whose owner is gone was left
// by a run that did not close.
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
        FormFields fields;
        QString path;
    };
    // The newest copy left by runs that are over. It stays where it is, held
    // by this run, until the caller removes it; the older ones are renamed
    // to *.old and those that cannot be read or parsed to *.bad, so that
    // none is deleted unread and none is offered again.
    std::optional<Leftover> takeLeftover();

private:
    void removeOrphanLocks(const QDir &dir) const;
    void keepAside(const QString &path, const QString &suffix) const;

    QString m_pattern; // the copies' file names, for QDir
    QString m_ownPath;
    std::unique_ptr<QLockFile> m_ownLock;
    std::vector<std::unique_ptr<QLockFile>> m_taken;
};
