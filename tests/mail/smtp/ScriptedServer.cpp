#include "ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {

// Waits for input, a turn at a time, so that the destructor's stop is seen.
bool readable(int fd, const std::atomic<bool> &stop)
{
    while (!stop) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) != 0)
            return true;
    }
    return false;
}

void writeAll(int fd, const QByteArray &bytes)
{
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += n;
    }
}

} // namespace

ScriptedServer::ScriptedServer(QList<QByteArray> replies) : m_replies(std::move(replies))
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), size) != 0 || ::listen(m_listener, 1) != 0
        || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

ScriptedServer::~ScriptedServer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    ::close(m_listener);
}

QList<QByteArray> ScriptedServer::clientLines(int timeoutMs)
{
    std::unique_lock lock(m_lock);
    m_over.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_done; });
    return m_lines;
}

void ScriptedServer::serve()
{
    const int connection = readable(m_listener, m_stop) ? ::accept(m_listener, nullptr, nullptr) : -1;
    if (connection >= 0 && !m_replies.isEmpty()) {
        writeAll(connection, m_replies.first());
        QByteArray input;
        qsizetype next = 1;
        char buffer[4096];
        for (bool open = true; open && readable(connection, m_stop);) {
            const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
            open = n > 0;
            input.append(buffer, open ? qsizetype(n) : 0);
            for (qsizetype end = input.indexOf('\n'); open && end >= 0; end = input.indexOf('\n')) {
                open = answer(connection, input.first(end).trimmed(), next);
                input.remove(0, end + 1);
            }
        }
    }
    if (connection >= 0)
        ::close(connection);
    const std::lock_guard guard(m_lock);
    m_done = true;
    m_over.notify_all();
}

bool ScriptedServer::answer(int connection, const QByteArray &line, qsizetype &next)
{
    {
        const std::lock_guard guard(m_lock);
        m_lines << line;
    }
    if (line.toUpper() == "QUIT") {
        writeAll(connection, "221 2.0.0 bye\r\n");
        return false;
    }
    if (next >= m_replies.size())
        return false;
    writeAll(connection, m_replies[next++]);
    return true;
}
