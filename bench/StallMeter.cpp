#include "StallMeter.h"

#include <cstdio>

#include <sys/resource.h>

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
    m_longestGap = {};
    m_clock.start();
    m_lastNs = 0;
    m_last = readThreadAccount();
    m_timer.start();
}

void StallMeter::stop()
{
    tick();
    m_timer.stop();
}

StallMeter::ThreadAccount StallMeter::readThreadAccount()
{
    // "cpu time, run-queue wait, time slices", in nanoseconds, of the calling
    // thread: the meter always ticks on the thread it measures.
    ThreadAccount stat;
    FILE *file = std::fopen("/proc/thread-self/schedstat", "re");
    if (!file)
        return stat;
    long long run = 0;
    long long wait = 0;
    if (std::fscanf(file, "%lld %lld", &run, &wait) == 2) {
        stat.runNs = run;
        stat.waitNs = wait;
    }
    std::fclose(file);
    // A page fault that had to read from disk puts the thread to sleep
    // without its timer being late: worth telling apart.
    rusage usage{};
    if (getrusage(RUSAGE_THREAD, &usage) == 0)
        stat.majorFaults = usage.ru_majflt;
    return stat;
}

void StallMeter::tick()
{
    const qint64 now = m_clock.nsecsElapsed();
    const ThreadAccount account = readThreadAccount();
    if (now - m_lastNs > m_longestNs) {
        m_longestNs = now - m_lastNs;
        m_longestEndNs = now;
        m_longestGap = account - m_last;
    }
    m_lastNs = now;
    m_last = account;
}
