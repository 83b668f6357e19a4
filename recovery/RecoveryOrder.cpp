#include "RecoveryOrder.h"

#include "FileLock.h"
#include "RegularFile.h"

#include <QFileInfo>

#include <cmath>
#include <mutex>

namespace {

using namespace Qt::StringLiterals;

constexpr int waitMs = 1000;
constexpr qint64 largestFile = 64;

qint64 readNumber(const QString &path)
{
    const std::optional<QByteArray> data = RegularFile::read(path, largestFile);
    return data ? RecoveryOrder::parse(*data) : 0;
}

void writeNumber(const QString &path, qint64 number)
{
    RegularFile::write(path, QByteArray::number(number) + '\n');
}

} // namespace

qint64 RecoveryOrder::parse(const QByteArray &text)
{
    bool ok = false;
    const qint64 number = text.trimmed().toLongLong(&ok);
    return ok && number > 0 && number <= largest ? number : 0;
}

qint64 RecoveryOrder::fromDouble(double number)
{
    if (!std::isfinite(number) || number < 1 || number > double(largest) || number != std::floor(number))
        return 0;
    return qint64(number);
}

RecoveryOrder::RecoveryOrder(const QString &settingsFile)
{
    const QFileInfo settings(settingsFile);
    const QString base = settings.absolutePath() + u'/' + settings.completeBaseName();
    m_path = base + ".recovery-order"_L1;
    m_storedPath = base + ".recovery-stored"_L1;
    raiseFloor(stored());
}

void RecoveryOrder::raiseFloor(qint64 floor)
{
    qint64 now = m_floor.load();
    while (now < floor && !m_floor.compare_exchange_weak(now, floor)) {
    }
}

qint64 RecoveryOrder::next()
{
    // The file lock keeps other runs out, this the other threads of ours.
    static std::mutex inProcess;
    const std::lock_guard guard(inProcess);
    FileLock lock(m_path + ".lock"_L1);
    // Without the lock the number is still above all this run has seen.
    lock.tryLock(waitMs);
    // At the top the count stays there: copies of one number are told
    // apart by their time.
    const qint64 number = qMin(qMax(m_floor.load(), readNumber(m_path)) + 1, largest);
    raiseFloor(number);
    writeNumber(m_path, number);
    return number;
}

qint64 RecoveryOrder::stored() const { return readNumber(m_storedPath); }

void RecoveryOrder::setStored(qint64 order)
{
    raiseFloor(order);
    writeNumber(m_storedPath, order);
}
