#include "RecoveryOrder.h"

#include "RegularFile.h"

#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <mutex>

namespace {

using namespace Qt::StringLiterals;

// A run holds the count for the time of one small read and write; a lock
// older than this was left by a run that ended holding it, on any machine.
constexpr int staleMs = 10000;
constexpr int waitMs = 1000;

} // namespace

RecoveryOrder::RecoveryOrder(const QString &settingsFile)
{
    const QFileInfo settings(settingsFile);
    m_path = settings.absolutePath() + u'/' + settings.completeBaseName() + ".recovery-order"_L1;
}

void RecoveryOrder::raiseFloor(qint64 floor)
{
    qint64 now = m_floor.load();
    while (now < floor && !m_floor.compare_exchange_weak(now, floor)) {
    }
}

qint64 RecoveryOrder::next()
{
    // QLockFile keeps other processes out, this the other threads of ours.
    static std::mutex inProcess;
    const std::lock_guard guard(inProcess);
    QLockFile lock(m_path + ".lock"_L1);
    lock.setStaleLockTime(staleMs);
    // Without the lock the number is still above all this run has seen.
    lock.tryLock(waitMs);
    qint64 last = m_floor.load();
    if (const std::optional<QByteArray> data = RegularFile::read(m_path, 64)) {
        bool ok = false;
        const qint64 stored = data->trimmed().toLongLong(&ok);
        if (ok && stored > last)
            last = stored;
    }
    const qint64 number = last + 1;
    raiseFloor(number);
    QSaveFile file(m_path);
    if (file.open(QIODevice::WriteOnly) && file.write(QByteArray::number(number) + '\n') > 0)
        file.commit();
    return number;
}
