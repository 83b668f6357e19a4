#include "LaunchClock.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <unistd.h>

namespace {

double nowMs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Field 22 of /proc/self/stat, in clock ticks since boot. The command name
// (field 2) may hold spaces, so counting starts after its closing ')'.
double kernelStartMs()
{
    std::ifstream in("/proc/self/stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream rest(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22 && rest >> field; ++i) {
    }
    return double(std::stoull(field)) * 1e3 / double(sysconf(_SC_CLK_TCK));
}

} // namespace

double millisecondsSinceLaunch()
{
    if (const char *launch = std::getenv("KORVANE_BENCH_LAUNCH_NS"); launch != nullptr && *launch != '\0')
        return nowMs(CLOCK_REALTIME) - double(std::strtoll(launch, nullptr, 10)) / 1e6;
    return nowMs(CLOCK_BOOTTIME) - kernelStartMs();
}
