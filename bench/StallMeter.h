#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Measures how responsive the thread's event loop stays: a 5 ms timer ticks
// and the longest interval between two ticks is kept. Anything much above
// 5 ms is time the loop could not run (a user would see a frozen window).
class StallMeter : public QObject
{
    Q_OBJECT

public:
    explicit StallMeter(QObject *parent = nullptr);

    void start();
    void stop();
    double longestGapMs() const { return double(m_longestNs) / 1e6; }
    // When the longest gap ended, counted from start(): tells a stall at the
    // start or end of a send from one in its middle.
    double longestGapEndMs() const { return double(m_longestEndNs) / 1e6; }

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_longestNs = 0;
    qint64 m_longestEndNs = 0;
};
