#pragma once

#include <QProcess>

// The loopback name server (name_server.py, its zone a table in the script)
// for one test case, ending with this object or with the test's process.
class TestNameServer
{
public:
    TestNameServer();
    ~TestNameServer() { stop(); }

    bool isRunning() const { return m_port != 0; }
    // "127.0.0.1:PORT", for KORVANE_CLIENT_NAMESERVER.
    QByteArray address() const { return "127.0.0.1:" + QByteArray::number(m_port); }
    // Kills it and waits: from then on its port is closed.
    void stop();

private:
    QProcess m_process;
    uint m_port = 0;
};
