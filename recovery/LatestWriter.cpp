#include "LatestWriter.h"

#include <utility>

LatestWriter::~LatestWriter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_wake.notify_all();
    }
    if (m_thread.joinable())
        m_thread.join();
}

void LatestWriter::post(Job job)
{
    const std::lock_guard lock(m_mutex);
    m_pending = std::move(job);
    m_newer = true;
    if (!m_thread.joinable())
        m_thread = std::thread(&LatestWriter::run, this);
    m_wake.notify_all();
}

bool LatestWriter::finish()
{
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return !m_pending && !m_running; });
    return m_lastDone;
}

void LatestWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_pending || m_stopping; });
        if (!m_pending)
            return; // stopping, with nothing left to do
        const Job job = std::exchange(m_pending, nullptr);
        m_newer = false;
        m_running = true;
        lock.unlock();
        const bool done = job([this] { return m_newer.load(); });
        lock.lock();
        m_running = false;
        m_lastDone = done;
        m_wake.notify_all();
    }
}
