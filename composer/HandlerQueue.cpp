#include "HandlerQueue.h"

void HandlerQueue::run(std::function<void()> handler)
{
    m_pending.push_back(std::move(handler));
    if (m_running)
        return;
    m_running = true;
    while (!m_pending.empty()) {
        const std::function<void()> next = std::move(m_pending.front());
        m_pending.pop_front();
        next();
    }
    m_running = false;
}
