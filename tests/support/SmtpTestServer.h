#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// A loopback SMTP server (smtp_server.py under the system's python3) for one
// test case. Options are the script's command-line options ("--starttls",
// cert, key, "--auth", "user:pass", "--drop-in-data", ...). The server lives
// as long as this object; waits are bounded and keep the event loop turning,
// so signals of the component under test are delivered meanwhile.
class SmtpTestServer
{
public:
    explicit SmtpTestServer(const QStringList &options = {});
    ~SmtpTestServer();
    SmtpTestServer(const SmtpTestServer &) = delete;
    SmtpTestServer &operator=(const SmtpTestServer &) = delete;

    bool isRunning() const { return m_port != 0; }
    // Why the server is not running, with what it wrote on stderr.
    QString errorString() const { return m_error; }
    quint16 port() const { return m_port; }
    // "127.0.0.1:PORT", ready for the component's Server property.
    QString hostAndPort() const;

    // Messages that reached the final "." (accepted or refused), oldest first.
    QList<QJsonObject> messages() const;
    bool waitForMessages(int count, int timeoutMs = 10000) const;
    // Counters and flags: connections, closed, data_started, messages,
    // auth_seen, password_seen.
    QJsonObject state() const;
    // The transcript: "<conn> C <command>", "<conn> S <reply>", "<conn> * <event>".
    QStringList sessionLog() const;
    // Only what the client sent, AUTH payloads shown as "***".
    QStringList commands() const;
    bool waitForLogLine(const QString &fragment, int timeoutMs = 10000) const;
    QString stderrText();
    // Ends the pause of "--pause-in-data".
    void resumeData();

    void stop();

    // Spins the event loop until done() holds or the time is up.
    static bool waitFor(const std::function<bool()> &done, int timeoutMs);
    static QString pythonPath();
    // A loopback port with nobody listening: connecting is refused at once.
    // 0 when none could be found.
    static quint16 closedPort();
    static QString scriptDirectory();

private:
    QTemporaryDir m_outDir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
    QByteArray m_stderr;
};

// Certificates made once per process with testcerts.py; paths are empty
// when making them failed (see error()).
class TestCertificates
{
public:
    static const TestCertificates &instance();

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    QString caFile() const { return path(QStringLiteral("ca.pem")); }
    // Arguments for the server's --starttls / --implicit-tls: "server",
    // "selfsigned", "expired" or "wronghost".
    QStringList pair(const QString &kind) const;
    QString path(const QString &name) const;

private:
    TestCertificates();
    QTemporaryDir m_dir;
    QString m_error;
};
