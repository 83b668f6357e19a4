#include "RecoveryCopy.h"

#include "BodyMirror.h"
#include "RecoveryFormat.h"
#include "RecoveryWriter.h"
#include "SavedFields.h"
#include "SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

namespace {

// Within the two seconds a copy may lag behind the last change, with room
// left for writing a large body.
constexpr int delayMs = 1000;
// A close holds the store lock for one save of the settings; one older than
// this was left by a run that ended holding it.
constexpr int storeStaleMs = 10000;
constexpr int storeWaitMs = 1000;

QString nativeList(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names << QDir::toNativeSeparators(path);
    return names.join(u'\n');
}

QString notice(bool restored, const QStringList &setAside, const QStringList &foreign)
{
    QStringList parts;
    if (restored)
        parts << QStringLiteral("È stata ripristinata la bozza di una sessione che non si era chiusa.");
    if (!setAside.isEmpty())
        parts << QStringLiteral(
                     "Copie di recupero non usate sono state messe da parte nella cartella %1:\n%2")
                     .arg(QDir::toNativeSeparators(QFileInfo(setAside.first()).absolutePath()),
                          nativeList(setAside));
    if (!foreign.isEmpty())
        parts << QStringLiteral("Copie di recupero bloccate da un altro computer, non usate:\n%1")
                     .arg(nativeList(foreign));
    return parts.join(QStringLiteral("\n\n"));
}

} // namespace

RecoveryCopy::RecoveryCopy(SettingsStore &store, std::function<MailFields()> snapshot, const BodyMirror *body,
                           QObject *parent)
    : QObject(parent), m_store(store), m_folder(store.fileName()), m_order(store.fileName()),
      m_snapshot(std::move(snapshot)), m_body(body)
{
    const QFileInfo settings(store.fileName());
    m_storeLock = settings.absolutePath() + u'/' + settings.completeBaseName()
        + QStringLiteral(".recovery-store.lock");
    m_order.raiseFloor(SavedFields::storedOrder(m_store));
    if (!m_folder.ownPath().isEmpty())
        m_writer = std::make_unique<RecoveryWriter>(m_folder.ownPath(), [this] { return m_order.next(); });
    m_delay.setSingleShot(true);
    m_delay.setInterval(delayMs);
    connect(&m_delay, &QTimer::timeout, this, [this] { writeNow(); });
}

RecoveryCopy::~RecoveryCopy() = default;

QString RecoveryCopy::recover(const std::function<void(const MailFields &)> &apply)
{
    if (!m_writer)
        return {};
    MailFields stored;
    SavedFields::RestoreFields(m_store, stored);
    const RecoveryFolder::Found found
        = m_folder.takeLeftovers({SavedFields::storedOrder(m_store), [&stored](const MailFields &copy) {
                                      return SavedFields::asStored(copy) == stored;
                                  }});
    if (found.newest) {
        m_ownValues = true;
        apply(found.newest->fields);
        // The window now holds values the settings do not: they need a copy
        // of this run's before the old one may go.
        writeNow({found.newest->path});
    }
    return notice(found.newest.has_value(), found.setAside, found.foreign);
}

void RecoveryCopy::changed()
{
    m_ownValues = true;
    if (m_writer && !m_delay.isActive())
        m_delay.start();
}

void RecoveryCopy::storeFields(const std::function<bool(qint64 order)> &store)
{
    m_delay.stop();
    QLockFile lock(m_storeLock);
    lock.setStaleLockTime(storeStaleMs);
    // Without the lock the fields are still saved; only the copy is kept.
    const bool alone = lock.tryLock(storeWaitMs);
    const qint64 order = m_order.next();
    if (store(order))
        fieldsStored(order, alone);
    else
        writeNow();
}

void RecoveryCopy::fieldsStored(qint64 order, bool alone)
{
    if (!m_writer)
        return;
    // A window that only showed the settings has nothing another store
    // could lose.
    if (m_ownValues && (!alone || m_folder.othersOpen()))
        writeNow({}, order);
    else
        m_writer->remove();
}

void RecoveryCopy::writeNow(const QStringList &then, qint64 storedOrder)
{
    m_delay.stop();
    if (m_writer)
        m_writer->write({m_snapshot(), QDateTime::currentMSecsSinceEpoch(), storedOrder, storedOrder > 0},
                        m_body->pieces(), then);
}
