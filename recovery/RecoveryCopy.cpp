#include "RecoveryCopy.h"

#include "BodyMirror.h"
#include "FileLock.h"
#include "RecoveryFormat.h"
#include "RecoveryTexts.h"
#include "RecoveryWriter.h"
#include "SavedFields.h"
#include "SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

// Within the two seconds a copy may lag behind the last change, with room
// left for writing a large body.
constexpr int delayMs = 1000;
// A close holds the store lock for one save of the settings.
constexpr int storeWaitMs = 1000;

QString setAsideNotice(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names << QDir::toNativeSeparators(path);
    return recoveryText(RecoveryText::SetAside)
        .arg(QDir::toNativeSeparators(QFileInfo(paths.first()).absolutePath()), names.join(u'\n'));
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
    m_loadedOrder = m_order.stored();
    if (!m_folder.ownPath().isEmpty())
        m_writer = std::make_unique<RecoveryWriter>(m_folder.ownPath(), [this] { return m_order.next(); });
    m_delay.setSingleShot(true);
    m_delay.setInterval(delayMs);
    connect(&m_delay, &QTimer::timeout, this, [this] { writeNow(); });
}

RecoveryCopy::~RecoveryCopy() = default;

RecoveryCopy::Recovered RecoveryCopy::recover(const std::function<void(const MailFields &)> &apply)
{
    if (!m_writer)
        return {};
    MailFields stored;
    SavedFields::RestoreFields(m_store, stored);
    const RecoveryFolder::Found found = m_folder.takeLeftovers(
        {m_loadedOrder, [&stored](const MailFields &copy) { return SavedFields::asStored(copy) == stored; }});
    QStringList parts;
    if (found.newest) {
        takeNewest(*found.newest, apply);
        parts << recoveryText(RecoveryText::Restored);
    }
    if (!found.setAside.isEmpty())
        parts << setAsideNotice(found.setAside);
    return {parts.join(QStringLiteral("\n\n")), found.offered};
}

QString RecoveryCopy::recoverOffered(const QString &path,
                                     const std::function<void(const MailFields &)> &apply)
{
    if (!m_writer)
        return {};
    const std::optional<RecoveryFolder::Leftover> offered = m_folder.takeOffered(path);
    if (!offered)
        return {};
    takeNewest(*offered, apply);
    return recoveryText(RecoveryText::Offered);
}

// The window now holds values the settings do not: they need a copy of this
// window's before the old one may go.
void RecoveryCopy::takeNewest(const RecoveryFolder::Leftover &leftover,
                              const std::function<void(const MailFields &)> &apply)
{
    apply(leftover.fields);
    writeNow({leftover.path});
}

void RecoveryCopy::changed()
{
    m_sent = false;
    if (m_writer && !m_delay.isActive())
        m_delay.start();
}

void RecoveryCopy::sent()
{
    m_sent = true;
    writeNow();
}

void RecoveryCopy::storeFields(const std::function<bool()> &store, bool changed)
{
    m_delay.stop();
    FileLock lock(m_storeLock);
    // Without the lock the fields are still saved; only the copy is kept.
    const bool alone = lock.tryLock(storeWaitMs);
    if (!changed && m_order.stored() > m_loadedOrder) {
        // Another window stored since this one loaded, and this one has
        // nothing of its own to put over it.
        if (m_writer)
            m_writer->remove();
        return;
    }
    const qint64 order = m_order.next();
    if (!store()) {
        writeNow();
        return;
    }
    m_order.setStored(order);
    fieldsStored(order, alone, changed);
}

void RecoveryCopy::fieldsStored(qint64 order, bool alone, bool changed)
{
    if (!m_writer)
        return;
    // A window that only showed the settings has nothing another store
    // could lose.
    if (changed && (!alone || m_folder.othersOpen()))
        writeNow({}, order);
    else
        m_writer->remove();
}

void RecoveryCopy::writeNow(const QStringList &then, qint64 storedOrder)
{
    m_delay.stop();
    if (!m_writer)
        return;
    RecoveryFormat::Copy copy{m_snapshot(), QDateTime::currentMSecsSinceEpoch(), storedOrder,
                              storedOrder > 0};
    copy.sent = m_sent;
    m_writer->write(std::move(copy), m_body->pieces(), then);
}
