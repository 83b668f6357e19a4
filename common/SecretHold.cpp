#include "SecretHold.h"

#include <mutex>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

// One lock over the count and the flag, so that a hold let go on a worker
// while another is taken on the window's thread can never leave the process
// dumpable with a secret in it.
std::mutex lock;
int holds = 0;
int dumpableBefore = -1;

} // namespace

SecretHold::SecretHold()
{
    const std::lock_guard guard(lock);
    if (holds++ > 0)
        return;
#ifdef __linux__
    dumpableBefore = prctl(PR_GET_DUMPABLE, 0, 0, 0, 0);
    if (dumpableBefore > 0 && prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0)
        dumpableBefore = -1; // nothing changed, nothing to give back
#endif
}

SecretHold::~SecretHold()
{
    const std::lock_guard guard(lock);
    if (--holds > 0 || dumpableBefore <= 0)
        return;
#ifdef __linux__
    // Refused only for 2 (dumpable by root only, which only the kernel sets):
    // the process then stays undumpable, which is the safe side.
    (void)prctl(PR_SET_DUMPABLE, dumpableBefore, 0, 0, 0);
#endif
    dumpableBefore = -1;
}

int SecretHold::count()
{
    const std::lock_guard guard(lock);
    return holds;
}
