#include "RecoveryCopy.h"

#include "BodyMirror.h"
#include "RecoveryWriter.h"

#include <QDateTime>

namespace {

// Within the two seconds a copy may lag behind the last change, with room
// left for writing a large body.
constexpr int delayMs = 1000;

} // namespace

RecoveryCopy::RecoveryCopy(const QString &settingsFile, std::function<FormFields()> snapshot,
                           const BodyMirror *body, QObject *parent)
    : QObject(parent), m_folder(settingsFile), m_snapshot(std::move(snapshot)), m_body(body)
{
    if (!m_folder.ownPath().isEmpty())
        m_writer = std::make_unique<RecoveryWriter>(m_folder.ownPath());
    m_delay.setSingleShot(true);
    m_delay.setInterval(delayMs);
    connect(&m_delay, &QTimer::timeout, this, [this] { writeNow(); });
}

RecoveryCopy::~RecoveryCopy() = default;

void RecoveryCopy::recover(const std::function<void(const FormFields &)> &apply)
{
    if (!m_writer)
        return;
    const std::optional<RecoveryFolder::Leftover> leftover = m_folder.takeLeftover();
    if (!leftover)
        return;
    apply(leftover->fields);
    // The window now holds values the settings do not: they need a copy of
    // this run's before the old one may go.
    writeNow({leftover->path});
}

void RecoveryCopy::changed()
{
    if (m_writer && !m_delay.isActive())
        m_delay.start();
}

void RecoveryCopy::fieldsStored()
{
    m_delay.stop();
    if (m_writer)
        m_writer->remove();
}

void RecoveryCopy::fieldsNotStored()
{
    m_delay.stop();
    writeNow();
}

void RecoveryCopy::writeNow(const QStringList &then)
{
    m_delay.stop();
    if (m_writer)
        m_writer->write({m_snapshot(), QDateTime::currentMSecsSinceEpoch()}, m_body->pieces(), then);
}
