#pragma once

#include <deque>
#include <functional>

// Runs the window's handlers one at a time. A handler asked for while
// another one runs (typically a component event delivered by the event loop
// of a modal box that handler opened) waits until the running one has ended,
// then runs in arrival order.
class HandlerQueue
{
public:
    void run(std::function<void()> handler);
    bool isRunning() const { return m_running; }

private:
    bool m_running = false;
    std::deque<std::function<void()>> m_pending;
};
