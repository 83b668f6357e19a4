#include "ComponentPlace.h"

#include "WindowIcon.h"

#include <QPainter>
#include <QPalette>

#include <algorithm>

ComponentPlace::ComponentPlace(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QStringLiteral("Invio"));
    m_idle = korvaneClientIcon().pixmap(QSize(32, 32));
}

void ComponentPlace::setProgress(qint64 sent, qint64 total)
{
    const qint64 share = total > 0 ? std::clamp<qint64>(sent * 100 / total, 0, 100) : 0;
    m_sending = true;
    m_percent = static_cast<int>(share);
    setToolTip(QStringLiteral("Inviato %1%").arg(m_percent));
    setAccessibleDescription(toolTip());
    update();
}

void ComponentPlace::setIdle()
{
    m_sending = false;
    m_percent = 0;
    setToolTip({});
    setAccessibleDescription({});
    update();
}

void ComponentPlace::paintEvent(QPaintEvent * /*event*/)
{
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
