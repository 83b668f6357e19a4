#include "RecoveryCopy.h"

#include "BodyMirror.h"
#include "RecoveryTexts.h"
#include "common/RegularFile.h"
#include "settings/SavedFields.h"
#include "settings/SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

// A close holds the store lock for one save of the settings.
constexpr int storeWaitMs = 1000;

MailFields RecoveryCopy::load(MailFields defaults)
{
    SavedFields::RestoreFields(m_store, defaults);
    m_loaded = SavedFields::asStored(defaults); // as stored, even where a box refuses its text
    m_base = stamp(*m_loaded);
    return defaults;
}

void RecoveryCopy::follow(std::function<MailFields()> snapshot, QTextDocument *body)
{
    m_snapshot = std::move(snapshot);
    m_body = new BodyMirror(body);
}

void RecoveryCopy::disown()
{
    m_loaded.reset();
    m_base.clear();
}

void RecoveryCopy::changed()
{
    if (m_closed)
        return;
    m_touched = true;
    m_sendUnchanged = m_sent = false;
    if (!m_path.isEmpty() && !m_delay.isActive())
        m_delay.start();
}

void RecoveryCopy::delivered()
{
    if (m_closed || !m_sendUnchanged)
        return;
    m_sent = true;
    writeNow();
}

QString RecoveryCopy::close(const MailFields &fields)
{
    if (std::exchange(m_closed, true))
        return {};
    m_delay.stop();
    // An untouched link window leaves the saved message as it was.
    if (!m_loaded && !m_touched)
        return {};
    if (m_store.fileName().isEmpty()) {
        SavedFields::StoreFields(m_store, fields);
        return {};
    }
    // A draft brought back is one even untouched, and so is a link's the user made theirs.
    const bool own = !m_loaded || SavedFields::asStored(fields) != *m_loaded;
    QString failure;
    if (m_loaded) {
        FileLock lock(m_storeLock);
        // Without the lock the settings are still compared and stored, and
        // the copy kept too: a start drops it if the settings hold it.
        const bool alone = lock.tryLock(storeWaitMs);
        MailFields now;
        const bool readable = m_store.reload();
        if (readable)
            SavedFields::RestoreFields(m_store, now);
        const bool stillOurs = readable && now == *m_loaded;
        // Fields already there need no save to be kept.
        if (stillOurs
            && (SavedFields::StoreFields(m_store, fields) || now == SavedFields::asStored(fields))) {
            if (alone)
                remove();
            else
                keep(fields);
            return {};
        }
        if (readable && !stillOurs)
            m_base.clear(); // another window or run stored since: a draft of its own now
        else
            failure = m_store.failure();
    }
    // What was sent is a draft again when the settings could not keep it.
    m_sent = m_sent && failure.isEmpty();
    if (failure.isEmpty() && (!own || m_sent)) {
        remove();
        return {};
    }
    const QString where = QDir::toNativeSeparators(keep(fields));
    const QString settings = QDir::toNativeSeparators(m_store.fileName());
    if (failure.isEmpty())
        return where.isEmpty() ? recoveryText(RecoveryText::DraftLost) : QString();
    return where.isEmpty() ? recoveryText(RecoveryText::StoreFailedLost).arg(settings, failure)
                           : recoveryText(RecoveryText::StoreFailedKept).arg(settings, failure, where);
}

// Written now: the window is going. Where its own place cannot be written
// any more (a full disk, a folder made read-only), the other folder may
// still be.
QString RecoveryCopy::keep(const MailFields &fields)
{
    m_writer.finish(); // no earlier copy lands after this one
    const QByteArray data = encode({fields, QDateTime::currentMSecsSinceEpoch(), m_base, m_sent});
    if (m_path.isEmpty() || data.size() > largestCopy)
        return {};
    QStringList paths{m_path};
    for (const QString &folder : std::as_const(m_folders))
        paths << QDir(folder).filePath(QFileInfo(m_path).fileName());
    paths.removeDuplicates();
    for (const QString &path : std::as_const(paths)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!RegularFile::write(path, data))
            continue;
        if (path != m_path)
            QFile::remove(m_path); // an older copy of the same draft
        return path;
    }
    return {};
}

void RecoveryCopy::remove()
{
    m_writer.finish(); // no copy lands after its removal
    if (!m_path.isEmpty())
        QFile::remove(m_path);
}

// Joining a body of megabytes, and writing it, is the writer thread's work.
void RecoveryCopy::writeNow()
{
    m_delay.stop();
    if (m_path.isEmpty())
        return;
    Content copy{m_snapshot(), QDateTime::currentMSecsSinceEpoch(), m_base, m_sent};
    m_writer.post([copy = std::move(copy), pieces = m_body->pieces(),
                   path = m_path](const LatestWriter::Superseded &superseded) mutable {
        copy.fields.body = pieces.join(QString());
        const QByteArray data = encode(copy);
        // No start would read a bigger one.
        return data.size() <= largestCopy && RegularFile::write(path, data, superseded);
    });
}
