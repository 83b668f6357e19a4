#include "TestNameServer.h"

TestNameServer::TestNameServer()
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The stdin pipe stays open: the script ends when it closes.
    m_process.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(KORVANE_NAME_SERVER_SCRIPT)});
    while (!m_process.canReadLine() && m_process.waitForReadyRead(15000)) {
    }
    m_port = m_process.readLine().trimmed().toUInt();
    if (m_port == 0 || m_port > 0xffff)
        stop();
}
