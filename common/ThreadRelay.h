#pragma once

#include <QMetaObject>

#include <functional>
#include <memory>
#include <mutex>

class QObject;

// A worker thread's one way back to a receiver's thread (the window's): calls
// queued to the receiver, run there in its context. Nothing more is queued
// once the receiver begins to go, or the application (whose event loop each
// call wakes; it goes before its event dispatcher does); what was queued and
// has not run Qt drops on the receiver's thread as the receiver goes. The
// worker holds the relay, which may outlive both.
class ThreadRelay
{
public:
    // On the receiver's thread. Without an application, closed from the start.
    static std::shared_ptr<ThreadRelay> to(QObject *receiver);

    ThreadRelay(const ThreadRelay &) = delete;
    ThreadRelay &operator=(const ThreadRelay &) = delete;
    ~ThreadRelay() = default;

    // Any thread. Queues call for the receiver's thread; false once closed,
    // call then dropped on the calling thread.
    bool post(std::function<void()> call);
    // The receiver's thread: nothing is queued once this returns.
    void close();

private:
    ThreadRelay() = default;

    std::mutex m_mutex;
    QObject *m_receiver = nullptr;
    QMetaObject::Connection m_receiverGoes;
    QMetaObject::Connection m_applicationGoes;
};
