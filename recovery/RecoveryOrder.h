#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>

// One count shared by every run on a settings file, in a file beside it
// (KORVANE_CLIENT_STMP.recovery-order) taken under a lock: each store of the
// fields and each recovery copy takes the next number, so that which of
// them came last is known whatever the clock said (a clock put back, or an
// hour ahead, moves no copy past a later store). The number of the last
// store lives beside it too (KORVANE_CLIENT_STMP.recovery-stored), so the
// settings hold the fields and nothing else.
class RecoveryOrder
{
public:
    // Every number is a whole one from 1 up to this, which a copy's JSON
    // holds exactly; whatever else a file holds counts as no number (0).
    static constexpr qint64 largest = (qint64(1) << 53) - 1;
    static qint64 parse(const QByteArray &text);
    static qint64 fromDouble(double number);

    explicit RecoveryOrder(const QString &settingsFile);

    // Numbers from here on are above floor: a count file removed or damaged
    // starts again above it.
    void raiseFloor(qint64 floor);
    // The next number, above every one taken before by any run and by this
    // one. Thread-safe; waits at most a second for another run's moment.
    qint64 next();

    // The number of the settings' last store; 0 when none is known.
    qint64 stored() const;
    // The settings were just stored as order.
    void setStored(qint64 order);

private:
    QString m_path;
    QString m_storedPath;
    std::atomic<qint64> m_floor{0};
};
