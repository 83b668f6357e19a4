#include "TestNameServer.h"

#include <QDeadlineTimer>

TestNameServer::TestNameServer()
{
    // Its tracebacks belong in the test's output.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The stdin pipe stays open: the script ends when it closes.
    m_process.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(KORVANE_NAME_SERVER_SCRIPT)});
    const QDeadlineTimer deadline(15000);
    while (!m_process.canReadLine() && m_process.state() != QProcess::NotRunning && !deadline.hasExpired())
        m_process.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 500)));
    bool ok = false;
    const uint port = m_process.readLine().trimmed().toUInt(&ok);
    if (ok && port > 0 && port <= 0xffff)
        m_port = quint16(port);
    else
        stop();
}

TestNameServer::~TestNameServer() { stop(); }

QByteArray TestNameServer::address() const { return "127.0.0.1:" + QByteArray::number(m_port); }

void TestNameServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished();
}
