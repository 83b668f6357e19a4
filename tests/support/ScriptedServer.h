#pragma once

#include <QByteArray>
#include <QList>

#include <atomic>
#include <thread>

// A loopback SMTP server playing one connection from a script, on a thread
// of its own (a probe under test blocks the test's thread): the first reply
// goes out as soon as the client connects, then one for each line the
// client sends. QUIT is answered with 221 and ends the connection, and so
// does the end of the script or 10 s of silence.
class ScriptedServer
{
public:
    explicit ScriptedServer(QList<QByteArray> replies);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer &) = delete;
    ScriptedServer &operator=(const ScriptedServer &) = delete;

    quint16 port() const { return m_port; }
    // The client's lines without their line ends, once the connection is over.
    QList<QByteArray> clientLines();

private:
    void serve();
    // Takes one line of the client's; false when the connection is over.
    bool answer(int connection, const QByteArray &line);

    QList<QByteArray> m_replies;
    qsizetype m_next = 0;
    QList<QByteArray> m_lines;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
