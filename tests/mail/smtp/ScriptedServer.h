#pragma once

#include <QByteArray>
#include <QList>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// A loopback SMTP server playing one connection from a script, on a thread
// of its own (the probes under test block the test's thread): it writes the
// first reply as soon as the client connects, then one reply for each line
// the client sends. QUIT is answered with 221 and ends the connection; so
// does the end of the script.
class ScriptedServer
{
public:
    explicit ScriptedServer(QList<QByteArray> replies);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer &) = delete;
    ScriptedServer &operator=(const ScriptedServer &) = delete;

    quint16 port() const { return m_port; }
    // The client's lines without their line ends, once it has hung up or
    // the connection has ended (at most timeoutMs).
    QList<QByteArray> clientLines(int timeoutMs = 10000);

private:
    void serve();
    // Answers one line of the client's; false when the connection is over.
    bool answer(int connection, const QByteArray &line, qsizetype &next);

    QList<QByteArray> m_replies;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::condition_variable m_over;
    bool m_done = false;
    QList<QByteArray> m_lines;
    std::thread m_thread;
};
