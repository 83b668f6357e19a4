#include "DetachedWorkers.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <list>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

struct Registry
{
    std::mutex lock;
    std::condition_variable idle;
    int running = 0;
    // Every worker not joined yet, and those of them whose work is over:
    // all that is left of those is their thread-local clean-up (the TLS
    // library's per-thread state among it), which a join waits for.
    std::list<std::thread> threads;
    std::vector<std::thread::id> finished;
};

// Never destroyed: a worker that outlives the exit wait may still count
// itself out while exit() runs.
Registry &registry()
{
    static auto *const instance = new Registry;
    return *instance;
}

// Joins the workers whose work is over; they are only tidying up, so this
// takes no time worth the name. Never called on the window's thread while
// it lives: by each new worker, and at exit.
void reapFinished()
{
    Registry &r = registry();
    std::list<std::thread> done;
    {
        const std::lock_guard guard(r.lock);
        for (const std::thread::id id : r.finished) {
            const auto it = std::ranges::find(r.threads, id, &std::thread::get_id);
            if (it != r.threads.end())
                done.splice(done.end(), r.threads, it);
        }
        r.finished.clear();
    }
    for (std::thread &t : done)
        t.join();
}

void waitForWorkers()
{
    Registry &r = registry();
    {
        std::unique_lock lock(r.lock);
        r.idle.wait_for(lock, std::chrono::milliseconds(DetachedWorkers::kExitWaitMs),
                        [&r] { return r.running == 0; });
    }
    reapFinished();
}

} // namespace

bool DetachedWorkers::start(std::function<void()> work)
{
    Registry &r = registry();
    // Held while the thread is made and filed, so that it cannot count itself
    // out before it is in the list.
    const std::lock_guard filing(r.lock);
    try {
        r.threads.emplace_back([work = std::move(work), &r]() mutable {
            reapFinished();
            work();
            work = nullptr;
            const std::lock_guard guard(r.lock);
            r.finished.push_back(std::this_thread::get_id());
            if (--r.running == 0)
                r.idle.notify_all();
        });
    } catch (const std::system_error &) {
        return false;
    }
    ++r.running;
    return true;
}

void DetachedWorkers::holdExitForWorkers()
{
    static std::once_flag once;
    std::call_once(once, [] { std::atexit(waitForWorkers); });
}
