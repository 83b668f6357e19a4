#pragma once

#include "RecoveryFormat.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// Writes one run's recovery copy on a thread of its own, so that a large
// body never holds up the thread that asks. Only the newest values are
// written: a copy asked for while another is written replaces any that has
// not started. Each copy replaces the file atomically, owner-only, never
// through a link put in its place.
class RecoveryWriter
{
public:
    // nextOrder, when given, numbers each copy (RecoveryOrder) as it is
    // written, on the writer's thread; a copy marked stored keeps its own.
    explicit RecoveryWriter(QString path, std::function<qint64()> nextOrder = {});
    // Finishes what was asked: a copy still wanted is written out (a close
    // that could not store the fields relies on it), a removal is done.
    // Waits only for that.
    ~RecoveryWriter();
    RecoveryWriter(const RecoveryWriter &) = delete;
    RecoveryWriter &operator=(const RecoveryWriter &) = delete;

    // Writes copy, its body made of bodyPieces joined (on the writer's
    // thread: joining megabytes takes a while); once it is written, the
    // files in then are removed (a copy left by an earlier run, now held in
    // this one's).
    void write(RecoveryFormat::Copy copy, const QStringList &bodyPieces, const QStringList &then = {});
    // The fields are stored: the copy goes, and so do the files still
    // waiting for a write. A write under way is given up first, so it never
    // puts the file back.
    void remove();

private:
    void run();
    bool writeFile(RecoveryFormat::Copy copy, const QStringList &bodyPieces);
    void removeFiles(const QStringList &paths) const;

    const QString m_path;
    const std::function<qint64()> m_nextOrder;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<RecoveryFormat::Copy> m_pending; // guarded by m_mutex
    QStringList m_pendingBody;                     // guarded by m_mutex
    QStringList m_then;                            // guarded by m_mutex
    bool m_removeWanted = false;                   // guarded by m_mutex
    bool m_stopping = false;                       // guarded by m_mutex
    std::atomic<bool> m_giveUp{false};
    std::thread m_thread;
};
