#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

// Writes what the user's typing asks for on a thread of its own, so that a
// large body or a file lock never holds up the window. Only the newest job
// counts: one posted while another waits replaces it, and the one running
// sees superseded() turn true, so that an outdated write can give up rather
// than land after a newer one.
class LatestWriter
{
public:
    using Superseded = std::function<bool()>;
    using Job = std::function<bool(const Superseded &superseded)>; // true: done

    void post(Job job);
    // Waits for every job posted so far; whether the last one was done.
    bool finish();

private:
    void run(const std::stop_token &stop);

    std::mutex m_mutex; // guards the flags and m_pending
    std::condition_variable_any m_wake;
    Job m_pending;
    bool m_running = false;
    bool m_lastDone = true;
    std::atomic<bool> m_newer{false};
    // Last: it goes first, once the job posted last has run (a close relies
    // on its copy).
    std::jthread m_thread;
};
