#include "ComponentPlace.h"

#include "ComposerTexts.h"
#include "WindowIcon.h"

#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <utility>

ComponentPlace::ComponentPlace(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(composerText(ComposerText::ProgressName));
    m_idle = korvaneClientIcon().pixmap(QSize(32, 32));
    m_pendingAnnouncement.setSingleShot(true);
    connect(&m_pendingAnnouncement, &QTimer::timeout, this, &ComponentPlace::announceLatest);
}

void ComponentPlace::setProgress(qint64 sent, qint64 total)
{
    const int percent = total > 0 ? static_cast<int>(std::clamp<qint64>(sent * 100 / total, 0, 100)) : 0;
    const bool starting = !m_sending;
    if (!starting && percent == m_percent)
        return; // the pie would be drawn the same
    m_sending = true;
    m_percent = percent;
    setToolTip(composerText(ComposerText::ProgressTip).arg(m_percent));
    update();
    announce(starting || m_percent == 100);
}

void ComponentPlace::setIdle()
{
    m_pendingAnnouncement.stop();
    if (!std::exchange(m_sending, false) && m_percent == 0)
        return;
    m_percent = 0;
    setToolTip({});
    setAccessibleDescription({});
    update();
}

void ComponentPlace::announce(bool now)
{
    if (now || !m_announced.isValid() || m_announced.elapsed() >= kAnnounceIntervalMs) {
        announceLatest();
        return;
    }
    if (!m_pendingAnnouncement.isActive())
        m_pendingAnnouncement.start(kAnnounceIntervalMs - static_cast<int>(m_announced.elapsed()));
}

void ComponentPlace::announceLatest()
{
    m_pendingAnnouncement.stop();
    m_announced.start();
    setAccessibleDescription(toolTip());
}

void ComponentPlace::paintEvent(QPaintEvent * /*event*/)
{
    if (!std::exchange(m_painted, true))
        Q_EMIT firstPainted();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!m_sending) {
        painter.drawPixmap(rect(), m_idle);
        return;
    }
    const QRectF disc = QRectF(rect()).adjusted(2, 2, -2, -2);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawEllipse(disc);
    painter.setBrush(palette().color(QPalette::Highlight));
    // Qt angles are in sixteenths of a degree, counter-clockwise from 3 o'clock:
    // start at 12 o'clock and fill clockwise.
    painter.drawPie(disc, 90 * 16, -m_percent * 360 * 16 / 100);
}
