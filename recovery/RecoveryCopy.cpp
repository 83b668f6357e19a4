#include "RecoveryCopy.h"

#include "BodyMirror.h"
#include "FileLock.h"
#include "RecoveryTexts.h"
#include "RegularFile.h"
#include "SavedFields.h"
#include "SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

using namespace Qt::StringLiterals;

// Within the two seconds a copy may lag behind the last change, with room
// left for writing a large body.
constexpr int delayMs = 1000;
// A close holds the store lock for one save of the settings.
constexpr int storeWaitMs = 1000;

QString native(const QString &path) { return QDir::toNativeSeparators(path); }

// Beside the settings, or, where they cannot be written, in the program's data folder.
QStringList copyFolders(const QString &settingsFile)
{
    return {QFileInfo(settingsFile).absolutePath(),
            QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                            + u"/korvane-client"_s)};
}

QString setAsideNotice(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names << native(path);
    return recoveryText(RecoveryText::SetAside)
        .arg(native(QFileInfo(paths.first()).absolutePath()), names.join(u'\n'));
}

} // namespace

RecoveryCopy::RecoveryCopy(SettingsStore &store, const MailFields &loaded,
                           std::function<MailFields()> snapshot, const BodyMirror *body, QObject *parent)
    : QObject(parent), m_store(store), m_folder(copyFolders(store.fileName())),
      m_snapshot(std::move(snapshot)), m_body(body), m_loaded(loaded), m_base(RecoveryFormat::stamp(loaded))
{
    const QFileInfo settings(store.fileName());
    m_storeLock = settings.absolutePath() + u'/' + settings.completeBaseName() + u".recovery-store.lock"_s;
    m_delay.setSingleShot(true);
    m_delay.setInterval(delayMs);
    connect(&m_delay, &QTimer::timeout, this, &RecoveryCopy::writeNow);
}

RecoveryCopy::~RecoveryCopy() = default;

void RecoveryCopy::disown()
{
    m_loaded.reset();
    m_base.clear();
}

RecoveryCopy::Recovered RecoveryCopy::recover(const Apply &apply)
{
    const RecoveryFolder::Found found = m_folder.takeLeftovers(
        [this](const RecoveryFormat::Copy &copy) {
            return copy.sent || SavedFields::asStored(copy.fields) == m_loaded;
        },
        m_base);
    QStringList parts;
    if (found.taken) {
        apply(found.taken->copy.fields);
        parts << recoveryText(RecoveryText::Restored);
    }
    if (!found.setAside.isEmpty())
        parts << setAsideNotice(found.setAside);
    return {parts.join(u"\n\n"_s), found.offered};
}

QString RecoveryCopy::recoverOffered(const QString &path, const Apply &apply)
{
    disown();
    const std::optional<RecoveryFolder::Leftover> offered = m_folder.takeOffered(path);
    if (!offered)
        return {};
    apply(offered->copy.fields);
    return recoveryText(RecoveryText::Offered);
}

void RecoveryCopy::changed()
{
    m_sent = false;
    if (!m_folder.ownPath().isEmpty() && !m_delay.isActive())
        m_delay.start();
}

void RecoveryCopy::sent()
{
    m_sent = true;
    writeNow();
}

QString RecoveryCopy::close(const MailFields &fields, bool ownContent)
{
    m_delay.stop();
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
    if (failure.isEmpty() && (!ownContent || m_sent)) {
        remove();
        return {};
    }
    const QString where = keep(fields);
    const QString settings = native(m_store.fileName());
    if (!failure.isEmpty() && !where.isEmpty())
        return recoveryText(RecoveryText::StoreFailedKept).arg(settings, failure, native(where));
    if (!failure.isEmpty())
        return recoveryText(RecoveryText::StoreFailedLost).arg(settings, failure);
    return where.isEmpty() ? recoveryText(RecoveryText::DraftLost) : QString();
}

// Written now and waited for: the window is going. Where its own place
// cannot be written any more (a full disk, a folder made read-only), the
// other folder may still be.
QString RecoveryCopy::keep(const MailFields &fields)
{
    const RecoveryFormat::Copy copy{fields, QDateTime::currentMSecsSinceEpoch(), m_base, m_sent};
    for (const QString &path : {m_folder.ownPath(), m_folder.fallbackPath()}) {
        if (path.isEmpty())
            continue;
        post(copy, {}, path);
        if (!m_writer.finish())
            continue;
        if (path != m_folder.ownPath())
            QFile::remove(m_folder.ownPath()); // an older copy of the same draft
        return path;
    }
    return {};
}

void RecoveryCopy::remove()
{
    const QString path = m_folder.ownPath();
    if (path.isEmpty())
        return;
    m_writer.post(
        [path](const LatestWriter::Superseded &) { return QFile::remove(path) || !QFile::exists(path); });
    m_writer.finish();
}

void RecoveryCopy::writeNow()
{
    m_delay.stop();
    if (m_folder.ownPath().isEmpty())
        return;
    post({m_snapshot(), QDateTime::currentMSecsSinceEpoch(), m_base, m_sent}, m_body->pieces(),
         m_folder.ownPath());
}

// Joining a body of megabytes, and writing it, is the writer thread's work.
void RecoveryCopy::post(RecoveryFormat::Copy copy, const QStringList &bodyPieces, const QString &path)
{
    m_writer.post(
        [copy = std::move(copy), bodyPieces, path](const LatestWriter::Superseded &superseded) mutable {
            if (!bodyPieces.isEmpty())
                copy.fields.body = bodyPieces.join(QString());
            const QByteArray data = RecoveryFormat::encode(copy);
            // No start would read a bigger one.
            return data.size() <= RecoveryFormat::largestCopy && RegularFile::write(path, data, superseded);
        });
}
