#include "ConnectionCutter.h"

#include <algorithm>

#ifdef Q_OS_WIN
#include <winsock2.h>
namespace {
void shutdownSocket(qintptr s) { ::shutdown(SOCKET(s), SD_BOTH); }
void closeSocket(qintptr s) { ::closesocket(SOCKET(s)); }
qintptr openSocket(int family, int type, int protocol)
{
    const SOCKET s = ::socket(family, type, protocol);
    return s == INVALID_SOCKET ? -1 : qintptr(s);
}
} // namespace
#else
#include <sys/socket.h>
#include <unistd.h>
namespace {
void shutdownSocket(qintptr s) { ::shutdown(int(s), SHUT_RDWR); }
void closeSocket(qintptr s) { ::close(int(s)); }
qintptr openSocket(int family, int type, int protocol) { return ::socket(family, type, protocol); }
} // namespace
#endif

qintptr ConnectionCutter::open(int family, int type, int protocol)
{
    const qintptr socket = openSocket(family, type, protocol);
    if (socket == -1)
        return socket;
    const std::lock_guard guard(m_lock);
    m_open.push_back(socket);
    if (m_cut)
        shutdownSocket(socket);
    return socket;
}

void ConnectionCutter::close(qintptr socket)
{
    // Under the lock: once closed, the number may be reused by anyone, and
    // cut() must never shut down a stranger's socket.
    const std::lock_guard guard(m_lock);
    m_open.erase(std::remove(m_open.begin(), m_open.end(), socket), m_open.end());
    closeSocket(socket);
}

void ConnectionCutter::cut()
{
    const std::lock_guard guard(m_lock);
    m_cut = true;
    for (const qintptr socket : m_open)
        shutdownSocket(socket);
}
