#pragma once

#include <QString>

#include <atomic>

// One count shared by every run on a settings file, in a file beside it
// (KORVANE_CLIENT_STMP.recovery-order) taken under a lock: each store of the
// fields and each recovery copy takes the next number, so that which of
// them came last is known whatever the clock said (a clock put back, or an
// hour ahead, moves no copy past a later store).
class RecoveryOrder
{
public:
    explicit RecoveryOrder(const QString &settingsFile);

    // Numbers from here on are above floor (what the settings hold): a
    // count file removed or damaged starts again above it.
    void raiseFloor(qint64 floor);
    // The next number, above every one taken before by any run and by this
    // one. Thread-safe; waits at most a second for another run's moment.
    qint64 next();

private:
    QString m_path;
    std::atomic<qint64> m_floor{0};
};
