#include "ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Waits for input a little at a time, so that the destructor's stop is seen.
bool readable(int fd, const std::atomic<bool> &stop)
{
    for (int waited = 0; !stop && waited < 10000; waited += 50) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) != 0)
            return true;
    }
    return false;
}

} // namespace

ScriptedServer::ScriptedServer(QList<QByteArray> replies) : m_replies(std::move(replies))
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    auto *const any = reinterpret_cast<sockaddr *>(&address);
    if (::bind(m_listener, any, size) == 0 && ::listen(m_listener, 1) == 0
        && ::getsockname(m_listener, any, &size) == 0) {
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
}

ScriptedServer::~ScriptedServer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    ::close(m_listener);
}

QList<QByteArray> ScriptedServer::clientLines()
{
    if (m_thread.joinable())
        m_thread.join();
    return m_lines;
}

void ScriptedServer::serve()
{
    const int connection = readable(m_listener, m_stop) ? ::accept(m_listener, nullptr, nullptr) : -1;
    if (connection < 0)
        return;
    QByteArray input;
    char buffer[4096];
    bool open = answer(connection, {});
    while (open && readable(connection, m_stop)) {
        const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        open = n > 0;
        input.append(buffer, open ? qsizetype(n) : 0);
        for (qsizetype end = input.indexOf('\n'); open && end >= 0; end = input.indexOf('\n')) {
            m_lines << input.first(end).trimmed();
            open = answer(connection, m_lines.constLast());
            input.remove(0, end + 1);
        }
    }
    ::close(connection);
}

bool ScriptedServer::answer(int connection, const QByteArray &line)
{
    const bool quit = line.toUpper() == "QUIT";
    if (!quit && m_next >= m_replies.size())
        return false;
    const QByteArray reply = quit ? QByteArray("221 2.0.0 bye\r\n") : m_replies[m_next++];
    // A blocking socket: send() returns once all of the reply is queued.
    const bool sent
        = ::send(connection, reply.constData(), size_t(reply.size()), MSG_NOSIGNAL) == reply.size();
    return sent && !quit;
}
