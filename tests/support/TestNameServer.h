#pragma once

#include <QByteArray>
#include <QProcess>

// The loopback name server (name_server.py under the system's python3) for
// one test case; its zone is the table in the script. It lives as long as
// this object, and ends with the test's process even when that crashes.
class TestNameServer
{
public:
    TestNameServer();
    ~TestNameServer();
    TestNameServer(const TestNameServer &) = delete;
    TestNameServer &operator=(const TestNameServer &) = delete;

    bool isRunning() const { return m_port != 0; }
    // "127.0.0.1:PORT", for KORVANE_CLIENT_NAMESERVER.
    QByteArray address() const;
    // Kills it and waits: from then on its port is closed.
    void stop();

private:
    QProcess m_process;
    quint16 m_port = 0;
};
