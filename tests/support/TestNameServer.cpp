#include "TestNameServer.h"

TestNameServer::TestNameServer(bool knowsTopZones)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The stdin pipe stays open: the script ends when it closes.
    QStringList arguments{QStringLiteral(KORVANE_NAME_SERVER_SCRIPT)};
    if (!knowsTopZones)
        arguments << QStringLiteral("--no-top-zones");
    m_process.start(QStringLiteral("/usr/bin/python3"), arguments);
    while (!m_process.canReadLine() && m_process.waitForReadyRead(15000)) {
    }
    m_port = m_process.readLine().trimmed().toUInt();
    if (m_port == 0 || m_port > 0xffff)
        stop();
}
