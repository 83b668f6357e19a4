#include "SmtpTestServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTimer>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

SmtpTestServer::SmtpTestServer(const QStringList &options)
{
    if (!m_outDir.isValid()) {
        m_error = QStringLiteral("no temporary directory: ") + m_outDir.errorString();
        return;
    }
    m_process.setProgram(pythonPath());
    m_process.setArguments(QStringList{scriptDirectory() + QStringLiteral("/smtp_server.py"),
                                       QStringLiteral("--out"), m_outDir.path()}
                           + options);
    m_process.start();
    // The stdin pipe stays open: closing it is how the server is told to go.
    QDeadlineTimer deadline(15000);
    while (!m_process.canReadLine() && m_process.state() != QProcess::NotRunning && !deadline.hasExpired())
        m_process.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 500)));
    if (m_process.canReadLine()) {
        bool ok = false;
        const int port = m_process.readLine().trimmed().toInt(&ok);
        if (ok && port > 0 && port < 65536)
            m_port = quint16(port);
    }
    if (m_port == 0) {
        m_error = QStringLiteral("the test SMTP server did not start (%1 %2): %3")
                      .arg(m_process.program(), m_process.arguments().join(QLatin1Char(' ')), stderrText());
        stop();
    }
}

SmtpTestServer::~SmtpTestServer()
{
    stop();
    // For a look at a failing case's transcript and messages afterwards.
    if (qEnvironmentVariableIsSet("KORVANE_KEEP_SMTP_OUTPUT")) {
        m_outDir.setAutoRemove(false);
        qInfo("SMTP test server output kept in %s", qPrintable(m_outDir.path()));
    }
}

QString SmtpTestServer::hostAndPort() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

QList<QJsonObject> SmtpTestServer::messages() const
{
    QList<QJsonObject> result;
    const QDir dir(m_outDir.path());
    const QStringList names = dir.entryList({QStringLiteral("msg-*.json")}, QDir::Files, QDir::Name);
    for (const QString &name : names)
        result.append(QJsonDocument::fromJson(readAll(dir.filePath(name))).object());
    return result;
}

bool SmtpTestServer::waitForMessages(int count, int timeoutMs) const
{
    return waitFor([&] { return state().value(QStringLiteral("messages")).toInt() >= count; }, timeoutMs);
}

QJsonObject SmtpTestServer::state() const
{
    return QJsonDocument::fromJson(readAll(m_outDir.filePath(QStringLiteral("state.json")))).object();
}

QStringList SmtpTestServer::sessionLog() const
{
    const QString text = QString::fromUtf8(readAll(m_outDir.filePath(QStringLiteral("session.log"))));
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList SmtpTestServer::commands() const
{
    QStringList result;
    for (const QString &line : sessionLog()) {
        const qsizetype mark = line.indexOf(QLatin1String(" C "));
        if (mark > 0 && mark == line.indexOf(QLatin1Char(' ')))
            result.append(line.mid(mark + 3));
    }
    return result;
}

bool SmtpTestServer::waitForLogLine(const QString &fragment, int timeoutMs) const
{
    return waitFor(
        [&] {
            const QStringList lines = sessionLog();
            return std::any_of(lines.cbegin(), lines.cend(),
                               [&](const QString &line) { return line.contains(fragment); });
        },
        timeoutMs);
}

QString SmtpTestServer::stderrText()
{
    m_stderr += m_process.readAllStandardError();
    return QString::fromUtf8(m_stderr);
}

void SmtpTestServer::resumeData()
{
    m_process.write("resume\n");
    m_process.waitForBytesWritten(5000);
}

void SmtpTestServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000)) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
    stderrText();
}

bool SmtpTestServer::waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

QString SmtpTestServer::pythonPath()
{
    // Another python earlier on PATH may lack the distribution's aiosmtpd.
    return QStringLiteral("/usr/bin/python3");
}

quint16 SmtpTestServer::closedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

QString SmtpTestServer::scriptDirectory() { return QStringLiteral(KORVANE_SMTP_TEST_SERVER_DIR); }

const TestCertificates &TestCertificates::instance()
{
    static const TestCertificates certificates;
    return certificates;
}

TestCertificates::TestCertificates()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory: ") + m_dir.errorString();
        return;
    }
    QProcess maker;
    maker.start(SmtpTestServer::pythonPath(),
                {SmtpTestServer::scriptDirectory() + QStringLiteral("/testcerts.py"), m_dir.path()});
    if (!maker.waitForFinished(60000) || maker.exitStatus() != QProcess::NormalExit
        || maker.exitCode() != 0) {
        m_error = QStringLiteral("making test certificates failed: ")
            + QString::fromUtf8(maker.readAllStandardError()) + maker.errorString();
    }
}

QStringList TestCertificates::pair(const QString &kind) const
{
    return {path(kind + QStringLiteral(".pem")), path(kind + QStringLiteral(".key"))};
}

QString TestCertificates::path(const QString &name) const
{
    return isValid() ? m_dir.filePath(name) : QString();
}
