// Test-only LD_PRELOAD shim: a name lookup of a host under ".hang.test" hangs
// for KORVANE_LOOKUP_HANG_MS (15000 by default) and then fails, as with a
// resolver that never answers. KORVANE_LOOKUP_HANG_MARK names a file created
// when such a lookup starts. Every other lookup goes to the C library.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <unistd.h>

namespace {

bool hangs(const char *node)
{
    static const char suffix[] = ".hang.test";
    const size_t n = node ? std::strlen(node) : 0;
    return n >= sizeof suffix - 1 && std::strcmp(node + n - (sizeof suffix - 1), suffix) == 0;
}

void hang()
{
    if (const char *mark = std::getenv("KORVANE_LOOKUP_HANG_MARK")) {
        const int fd = ::open(mark, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::close(fd);
    }
    const char *ms = std::getenv("KORVANE_LOOKUP_HANG_MS");
    const long total = ms ? std::atol(ms) : 15000;
    timespec left{total / 1000, (total % 1000) * 1000000};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

} // namespace

extern "C" int getaddrinfo(const char *name, const char *service, const addrinfo *req, addrinfo **pai)
{
    if (hangs(name)) {
        hang();
        return EAI_AGAIN;
    }
    using Real = int (*)(const char *, const char *, const addrinfo *, addrinfo **);
    static const auto real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "getaddrinfo"));
    return real ? real(name, service, req, pai) : EAI_SYSTEM;
}
