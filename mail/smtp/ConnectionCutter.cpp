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
qint64 sendBytes(qintptr s, const char *data, qsizetype size)
{
    return ::send(SOCKET(s), data, int(size), 0);
}
// >0 bytes read, 0 the peer hung up, -1 nothing yet, -2 failed.
int readSome(qintptr s, char *buffer, int size)
{
    const int n = ::recv(SOCKET(s), buffer, size, 0);
    return n >= 0 ? n : (WSAGetLastError() == WSAEWOULDBLOCK ? -1 : -2);
}
bool waitReadable(qintptr s, int ms)
{
    WSAPOLLFD p{SOCKET(s), POLLRDNORM, 0};
    return WSAPoll(&p, 1, ms) > 0;
}
} // namespace
#else
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
namespace {
void shutdownSocket(qintptr s) { ::shutdown(int(s), SHUT_RDWR); }
void closeSocket(qintptr s) { ::close(int(s)); }
qintptr openSocket(int family, int type, int protocol) { return ::socket(family, type, protocol); }
qint64 sendBytes(qintptr s, const char *data, qsizetype size)
{
    return ::send(int(s), data, size_t(size), MSG_NOSIGNAL);
}
// >0 bytes read, 0 the peer hung up, -1 nothing yet, -2 failed.
int readSome(qintptr s, char *buffer, int size)
{
    const ssize_t n = ::recv(int(s), buffer, size_t(size), 0);
    if (n >= 0)
        return int(n);
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? -1 : -2;
}
bool waitReadable(qintptr s, int ms)
{
    pollfd p{int(s), POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}
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

void ConnectionCutter::cutOpen()
{
    const std::lock_guard guard(m_lock);
    for (const qintptr socket : m_open)
        shutdownSocket(socket);
}

bool ConnectionCutter::writeToSole(QByteArrayView bytes)
{
    const std::lock_guard guard(m_lock);
    if (m_cut || m_open.size() != 1)
        return false;
    return sendBytes(m_open.front(), bytes.data(), bytes.size()) == bytes.size();
}

void ConnectionCutter::awaitReply(std::chrono::steady_clock::time_point until)
{
    qintptr socket = -1;
    {
        const std::lock_guard guard(m_lock);
        if (m_cut || m_open.size() != 1)
            return;
        socket = m_open.front();
    }
    // Only the thread that would close the socket calls this, so it stays
    // open meanwhile; cut() shuts it down, which ends the wait.
    using namespace std::chrono;
    const auto left = duration_cast<milliseconds>(until - steady_clock::now()).count();
    if (left > 0)
        (void)waitReadable(socket, int(left));
}

void ConnectionCutter::drain(qintptr socket, std::chrono::steady_clock::time_point until)
{
    // Not under the lock: cut() must stay free to shut the socket down,
    // which ends the wait at once.
    using namespace std::chrono;
    for (;;) {
        const auto left = duration_cast<milliseconds>(until - steady_clock::now()).count();
        if (left <= 0 || !waitReadable(socket, int(left)))
            return;
        char buffer[512];
        if (const int n = readSome(socket, buffer, int(sizeof buffer)); n == 0 || n == -2)
            return;
    }
}
