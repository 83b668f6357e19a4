#include "ThreadRelay.h"

#include <QCoreApplication>

#include <utility>

std::shared_ptr<ThreadRelay> ThreadRelay::to(QObject *receiver)
{
    std::shared_ptr<ThreadRelay> relay(new ThreadRelay);
    QCoreApplication *application = QCoreApplication::instance();
    if (!receiver || !application)
        return relay;
    relay->m_receiver = receiver;
    // destroyed() comes before anything of the sender goes, its queued calls
    // included; the application's, also before its event dispatcher.
    const auto close = [relay] { relay->close(); };
    relay->m_receiverGoes = QObject::connect(receiver, &QObject::destroyed, close);
    if (receiver != application)
        relay->m_applicationGoes = QObject::connect(application, &QObject::destroyed, receiver, close);
    return relay;
}

bool ThreadRelay::post(std::function<void()> call)
{
    const std::lock_guard lock(m_mutex);
    if (!m_receiver)
        return false;
    QMetaObject::invokeMethod(m_receiver, std::move(call), Qt::QueuedConnection);
    return true;
}

void ThreadRelay::close()
{
    {
        const std::lock_guard lock(m_mutex);
        m_receiver = nullptr;
    }
    // The connections hold this relay: let them go, so that a receiver that
    // outlives many relays keeps none.
    QObject::disconnect(std::exchange(m_receiverGoes, {}));
    QObject::disconnect(std::exchange(m_applicationGoes, {}));
}
