#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Writes what the user's typing asks for on a thread of its own, so that a
// large body or a file lock never holds up the window: only the newest
// job counts. A job posted while another waits replaces it, and the one
// running is told that a newer one waits (superseded() turns true), so an
// outdated write can give up rather than land after a newer one.
class LatestWriter
{
public:
    // Given to each job: true once a newer job waits.
    using Superseded = std::function<bool()>;
    // A job says whether it did its work.
    using Job = std::function<bool(const Superseded &superseded)>;

    LatestWriter() = default;
    // Runs what was posted first: a close relies on its last copy.
    ~LatestWriter();
    LatestWriter(const LatestWriter &) = delete;
    LatestWriter &operator=(const LatestWriter &) = delete;

    void post(Job job);
    // Waits for every job posted so far; whether the last one did its work.
    bool finish();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    Job m_pending;           // guarded by m_mutex
    bool m_running = false;  // guarded by m_mutex
    bool m_stopping = false; // guarded by m_mutex
    bool m_lastDone = true;  // guarded by m_mutex
    std::atomic<bool> m_newer{false};
    std::thread m_thread;
};
