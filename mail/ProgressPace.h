#pragma once

#include <QtGlobal>

#include <chrono>
#include <utility>

// Picks the progress reports worth sending to the window's thread: the
// first, the last (all of the message handed over) and otherwise at most
// one per interval. A large send reports hundreds of steps a second, each
// a queued call, a repaint and an accessibility event on the window's
// thread; nobody sees more than a few dozen a second.
class ProgressPace
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kInterval{33}; // about 30 a second

    // True when (sent, total), reported at now, should be passed on.
    bool due(qint64 sent, qint64 total, Clock::time_point now = Clock::now())
    {
        const bool complete = total > 0 && sent >= total;
        if (m_reported && complete)
            return !std::exchange(m_completeReported, true);
        if (m_reported && now - m_last < kInterval)
            return false;
        m_reported = true;
        m_completeReported = complete;
        m_last = now;
        return true;
    }

private:
    Clock::time_point m_last;
    bool m_reported = false;
    bool m_completeReported = false;
};
