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
    // How much of the longest gap the thread spent runnable but waiting for
    // a core, and how much running, from the kernel's per-thread schedstat
    // (both 0 where that is not available): what is left was spent asleep or
    // blocked, e.g. on a lock.
    double longestGapWaitMs() const { return double(m_longestGap.waitNs) / 1e6; }
    double longestGapRunMs() const { return double(m_longestGap.runNs) / 1e6; }
    // Page faults during the longest gap that had to wait for the disk.
    long longestGapMajorFaults() const { return m_longestGap.majorFaults; }

private:
    // The thread's running total, or the part of it spent in one gap.
    struct ThreadAccount
    {
        qint64 runNs = 0;
        qint64 waitNs = 0;
        long majorFaults = 0;
        ThreadAccount operator-(const ThreadAccount &earlier) const
        {
            return {runNs - earlier.runNs, waitNs - earlier.waitNs, majorFaults - earlier.majorFaults};
        }
    };
    static ThreadAccount readThreadAccount();
    void tick();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_longestNs = 0;
    qint64 m_longestEndNs = 0;
    ThreadAccount m_longestGap;
    ThreadAccount m_last;
};
