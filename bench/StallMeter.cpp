#include "StallMeter.h"

StallMeter::StallMeter(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(5);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &StallMeter::tick);
}

void StallMeter::start()
{
    m_longestNs = 0;
    m_longestEndNs = 0;
    m_clock.start();
    m_lastNs = 0;
    m_timer.start();
}

void StallMeter::stop()
{
    tick();
    m_timer.stop();
}

void StallMeter::tick()
{
    const qint64 now = m_clock.nsecsElapsed();
    if (now - m_lastNs > m_longestNs) {
        m_longestNs = now - m_lastNs;
        m_longestEndNs = now;
    }
    m_lastNs = now;
}
