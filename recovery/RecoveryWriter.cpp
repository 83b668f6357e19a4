#include "RecoveryWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// Small enough that a removal asked for during a write of several
// megabytes waits for no more than one piece.
constexpr qsizetype pieceSize = qsizetype(256) * 1024;

} // namespace

RecoveryWriter::RecoveryWriter(QString path, std::function<qint64()> nextOrder)
    : m_path(std::move(path)), m_nextOrder(std::move(nextOrder))
{}

RecoveryWriter::~RecoveryWriter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void RecoveryWriter::write(RecoveryFormat::Copy copy, const QStringList &bodyPieces, const QStringList &then)
{
    {
        const std::lock_guard lock(m_mutex);
        m_pending = std::move(copy);
        m_pendingBody = bodyPieces;
        m_then += then;
        m_removeWanted = false;
        if (!m_thread.joinable())
            m_thread = std::thread(&RecoveryWriter::run, this);
    }
    m_wake.notify_one();
}

void RecoveryWriter::remove()
{
    {
        const std::lock_guard lock(m_mutex);
        m_pending.reset();
        m_pendingBody.clear();
        m_removeWanted = true;
        m_giveUp = true;
        if (!m_thread.joinable())
            m_thread = std::thread(&RecoveryWriter::run, this);
    }
    m_wake.notify_one();
}

void RecoveryWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_pending || m_removeWanted || m_stopping; });
        if (m_pending) {
            RecoveryFormat::Copy copy = std::move(*m_pending);
            const QStringList body = std::exchange(m_pendingBody, {});
            m_pending.reset();
            const QStringList then = m_then;
            m_giveUp = false;
            lock.unlock();
            const bool written = writeFile(std::move(copy), body);
            if (written)
                removeFiles(then);
            lock.lock();
            if (written)
                m_then.erase(m_then.begin(), m_then.begin() + qMin(then.size(), m_then.size()));
        } else if (m_removeWanted) {
            m_removeWanted = false;
            const QStringList then = std::exchange(m_then, {});
            lock.unlock();
            removeFiles(then + QStringList{m_path});
            lock.lock();
        } else {
            return; // stopping, with nothing left to do
        }
    }
}

bool RecoveryWriter::writeFile(RecoveryFormat::Copy copy, const QStringList &bodyPieces)
{
    if (!bodyPieces.isEmpty())
        copy.fields.body = bodyPieces.join(QString());
    // Taken just before the write: a store that came earlier has a lower number.
    if (m_nextOrder && !copy.stored)
        copy.order = m_nextOrder();
    const QByteArray data = RecoveryFormat::encode(copy);
    if (data.size() > RecoveryFormat::largestCopy)
        return false; // no start would read it
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The text the user typed is for the user's eyes only, from the first byte.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    for (qsizetype at = 0; at < data.size(); at += pieceSize) {
        if (m_giveUp || file.write(data.constData() + at, qMin(pieceSize, data.size() - at)) < 0) {
            file.cancelWriting();
            return false;
        }
    }
    return !m_giveUp && file.commit();
}

void RecoveryWriter::removeFiles(const QStringList &paths) const
{
    for (const QString &path : paths)
        QFile::remove(path);
}
