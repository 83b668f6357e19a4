#include "DomainLookup.h"
#include "DomainQuery.h"
#include "common/ThreadRelay.h"

#include <QCoreApplication>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

// The questions the look-up thread works through. The thread holds its
// share, and answers through a relay to the owner, which posts nothing once
// the owner or the application is going.
struct DomainQueue
{
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<QString> pending;
    bool closed = false;  // the owner is gone
    sockaddr_in server{}; // who is asked
    TopZones zones;       // what it knows of the top-level zones, on the look-up thread

    // On the look-up thread, until the owner is gone.
    void run(DomainLookup *owner, const std::shared_ptr<ThreadRelay> &relay)
    {
        while (const std::optional<QString> domain = next()) {
            const DomainAnswer answer = lookUpDomain(*domain, server, zones);
            relay->post([owner, domain = *domain, answer] { owner->take(domain, answer); });
        }
    }

    std::optional<QString> next()
    {
        std::unique_lock lock(mutex);
        wake.wait(lock, [this] { return closed || !pending.empty(); });
        if (closed)
            return std::nullopt;
        QString domain = pending.front();
        pending.pop_front();
        return domain;
    }
};

DomainLookup::DomainLookup(QObject *parent) : QObject(parent)
{
    if (const std::optional<sockaddr_in> server = nameServerSetting()) {
        m_queue = std::make_shared<DomainQueue>();
        m_queue->server = *server;
    }
}

DomainLookup::~DomainLookup()
{
    if (!m_queue)
        return;
    {
        const std::lock_guard lock(m_queue->mutex);
        m_queue->closed = true;
        m_queue->pending.clear();
    }
    m_queue->wake.notify_one();
}

DomainAnswer DomainLookup::ask(const QString &domain)
{
    const QString key = domain.toLower();
    if (const auto found = m_known.constFind(key); found != m_known.cend())
        return *found;
    if (!m_queue || !domainWorthAsking(key) || m_asking.contains(key))
        return DomainAnswer::Unknown;
    if (!m_started && !startThread()) {
        // Whoever waits for the answer hears there is none.
        QMetaObject::invokeMethod(
            this, [this, key] { Q_EMIT answered(key, DomainAnswer::Unknown); }, Qt::QueuedConnection);
        return DomainAnswer::Unknown;
    }
    m_asking.insert(key);
    {
        const std::lock_guard lock(m_queue->mutex);
        m_queue->pending.push_back(key);
    }
    m_queue->wake.notify_one();
    return DomainAnswer::Unknown;
}

DomainAnswer DomainLookup::known(const QString &domain) const
{
    return m_known.value(domain.toLower(), DomainAnswer::Unknown);
}

bool DomainLookup::isAsking(const QString &domain) const { return m_asking.contains(domain.toLower()); }

bool DomainLookup::startThread()
{
    if (!QCoreApplication::instance())
        return false;
    try {
        // Not the application's pool, which its exit waits for: a look-up
        // stuck on a silent server must not keep the process alive.
        std::thread([queue = m_queue, owner = this, relay = ThreadRelay::to(this)] {
            queue->run(owner, relay);
        }).detach();
    } catch (const std::system_error &) {
        return false;
    }
    m_started = true;
    return true;
}

void DomainLookup::take(const QString &domain, DomainAnswer answer)
{
    m_asking.remove(domain);
    if (answer != DomainAnswer::Unknown)
        m_known.insert(domain, answer);
    Q_EMIT answered(domain, answer);
}
