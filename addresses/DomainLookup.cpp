#include "DomainLookup.h"
#include "DomainQuery.h"

#include <QCoreApplication>
#include <QPointer>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

// The questions the look-up thread works through, and its way back to the
// window's thread: the relay, forgotten under the lock as the application
// deletes it. The thread holds its share, so one that ends after the
// application touches nothing that went with it.
struct DomainQueue
{
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<QString> pending;
    bool closed = false; // the owner is gone
    QObject *relay = nullptr;

    // On the look-up thread, until the owner is gone.
    void run(const QPointer<DomainLookup> &owner)
    {
        while (const std::optional<QString> domain = next()) {
            const DomainAnswer answer = lookUpDomain(*domain);
            post([owner, domain = *domain, answer] {
                if (owner)
                    owner->take(domain, answer);
            });
        }
        // Posted after every answer, so the relay goes once they are delivered.
        const std::lock_guard lock(mutex);
        if (QObject *done = relay)
            QMetaObject::invokeMethod(
                done, [done] { done->deleteLater(); }, Qt::QueuedConnection);
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

    template<typename Call>
    void post(Call call)
    {
        const std::lock_guard lock(mutex);
        if (relay)
            QMetaObject::invokeMethod(relay, std::move(call), Qt::QueuedConnection);
    }
};

DomainLookup::DomainLookup(QObject *parent) : QObject(parent), m_asksNobody(nameServerSilenced()) {}

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
    if (m_asksNobody || !domainWorthAsking(key) || m_asking.contains(key))
        return DomainAnswer::Unknown;
    if (!m_queue && !startThread()) {
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
    // The relay outlives this object until the thread's last answer reaches
    // this thread, so the thread always has somewhere to post; the
    // application takes a relay whose thread is still out at its end.
    auto *relay = new QObject(QCoreApplication::instance());
    auto queue = std::make_shared<DomainQueue>();
    queue->relay = relay;
    connect(relay, &QObject::destroyed, [queue] {
        const std::lock_guard lock(queue->mutex);
        queue->relay = nullptr;
    });
    try {
        // Not the application's pool, which its exit waits for: a look-up
        // stuck on a silent server must not keep the process alive.
        std::thread([queue, owner = QPointer<DomainLookup>(this)] { queue->run(owner); }).detach();
    } catch (const std::system_error &) {
        delete relay;
        return false;
    }
    m_queue = std::move(queue);
    return true;
}

void DomainLookup::take(const QString &domain, DomainAnswer answer)
{
    m_asking.remove(domain);
    if (answer != DomainAnswer::Unknown)
        m_known.insert(domain, answer);
    Q_EMIT answered(domain, answer);
}
