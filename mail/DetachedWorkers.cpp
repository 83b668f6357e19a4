#include "DetachedWorkers.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

struct Registry
{
    std::mutex lock;
    std::condition_variable idle;
    int running = 0;
};

// Never destroyed: a worker that outlives the exit wait may still count
// itself out while exit() runs.
Registry &registry()
{
    static auto *const instance = new Registry;
    return *instance;
}

void waitForWorkers()
{
    Registry &r = registry();
    std::unique_lock lock(r.lock);
    r.idle.wait_for(lock, std::chrono::milliseconds(DetachedWorkers::kExitWaitMs),
                    [&r] { return r.running == 0; });
}

} // namespace

bool DetachedWorkers::start(std::function<void()> work)
{
    Registry &r = registry();
    {
        const std::lock_guard guard(r.lock);
        ++r.running;
    }
    try {
        std::thread([work = std::move(work), &r]() mutable {
            work();
            work = nullptr;
            const std::lock_guard guard(r.lock);
            if (--r.running == 0)
                r.idle.notify_all();
        }).detach();
    } catch (const std::system_error &) {
        const std::lock_guard guard(r.lock);
        --r.running;
        return false;
    }
    return true;
}

void DetachedWorkers::holdExitForWorkers()
{
    static std::once_flag once;
    std::call_once(once, [] { std::atexit(waitForWorkers); });
}
