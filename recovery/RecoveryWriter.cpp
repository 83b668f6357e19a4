#include "RecoveryWriter.h"

#include "RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    // Owner-only from the first byte: the text the user typed is for the user's eyes only.
    return RegularFile::write(m_path, data, [this] { return m_giveUp.load(); });
}

void RecoveryWriter::removeFiles(const QStringList &paths) const
{
    for (const QString &path : paths)
        QFile::remove(path);
}
