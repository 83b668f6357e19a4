#pragma once

#include <functional>

// The send threads. Nothing waits for one while the window lives: a send
// that is over, or aborted, winds down (QUIT, libcurl's cleanup) on its own
// thread. Only at process exit do they get a short, bounded time to finish,
// so that none is still inside libcurl or OpenSSL while exit() tears their
// global state down.
namespace DetachedWorkers {

// How long exit() waits at most for the running workers.
constexpr int kExitWaitMs = 1000;

// Runs work on a new thread that the window never joins (the next worker
// and exit() reap it once its work is over); false when no thread could
// be started. work's captures are destroyed on that thread before it counts
// as finished.
bool start(std::function<void()> work);

// Makes exit() wait for the running workers, at most kExitWaitMs. To be
// called once libcurl's global set-up is done, so that this wait comes
// before the TLS library's own clean-up at exit; later calls do nothing.
void holdExitForWorkers();

} // namespace DetachedWorkers
