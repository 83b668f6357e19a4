#pragma once

#include <QProcess>

// The loopback name server (name_server.py, its zone a table in the script) for one test case, ending
// with this object or with the test's process; address() is for KORVANE_CLIENT_NAMESERVER. It knows the
// top-level zones "it." and "com.", or none, as a network's own name server may.
class TestNameServer
{
public:
    explicit TestNameServer(bool knowsTopZones = true);
    ~TestNameServer() { stop(); }
    bool isRunning() const { return m_port != 0; }
    QByteArray address() const { return "127.0.0.1:" + QByteArray::number(m_port); }
    void stop() // kills it and waits: from then on its port is closed
    {
        m_port = 0;
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
    uint m_port = 0;
};
