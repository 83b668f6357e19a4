#pragma once

#include <QtGlobal>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

// libcurl's multi handle and the one loop that drives it, for the port
// probes and for the send. The handle exists between open() and close(),
// both on the running thread; stop() may come from any thread at any time,
// wakes a wait at once and makes every later turn() return false.
class MultiLoop
{
public:
    // Called with each transfer that finished: its easy handle and its
    // result (a CURLcode).
    using Finished = std::function<void(void *easy, int code)>;

    MultiLoop() = default;
    ~MultiLoop();
    MultiLoop(const MultiLoop &) = delete;
    MultiLoop &operator=(const MultiLoop &) = delete;

    // Makes the multi handle; false when libcurl could not.
    bool open();
    // Frees it; every transfer must have been removed.
    void close();
    // false when libcurl refused the transfer.
    bool add(void *easy);
    // Removing a transfer that has not finished closes its connection
    // without a word.
    void remove(void *easy);

    // Runs the transfers, hands each one that finished to finished, then
    // waits for activity on them or on extraSockets for at most waitMs.
    // false once stopped or when the multi interface failed (see failure()).
    bool turn(const Finished &finished, int waitMs, const std::vector<qintptr> &extraSockets = {});

    // One more run of libcurl's transfers, without waiting or reporting,
    // even after stop().
    void runOnce();

    void stop();
    bool stopped() const { return m_stopped.load(); }
    // libcurl's text for the multi interface's failure; empty when none.
    QString failure() const;

private:
    std::mutex m_lock; // guards m_multi against stop() from another thread
    void *m_multi = nullptr;
    std::atomic<bool> m_stopped{false};
    int m_failure = 0;
};
