#include "LatestWriter.h"

#include <utility>

void LatestWriter::post(Job job)
{
    const std::lock_guard lock(m_mutex);
    m_pending = std::move(job);
    m_newer = true;
    if (!m_thread.joinable())
        m_thread = std::jthread([this](const std::stop_token &stop) { run(stop); });
    m_wake.notify_all();
}

bool LatestWriter::finish()
{
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return !m_pending && !m_running; });
    return m_lastDone;
}

// Asked to stop, it still runs the job waiting.
void LatestWriter::run(const std::stop_token &stop)
{
    std::unique_lock lock(m_mutex);
    while (m_wake.wait(lock, stop, [this] { return bool(m_pending); })) {
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
