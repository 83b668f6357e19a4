// The Server text forms, and the checks that must fail a send before any
// connection is made.

#include "tests/support/SmtpTestCase.h"

#include <QTemporaryDir>

#include <sys/stat.h>

using namespace MailTest;

class TestKorvaneSmtpInput : public SmtpTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void serverForms_data();
    void serverForms();
    void refusedBeforeConnecting_data();
    void refusedBeforeConnecting();

private:
    QTemporaryDir m_dir;
};

void TestKorvaneSmtpInput::initTestCase()
{
    SmtpTestCase::initTestCase();
    QVERIFY(writeFile(m_dir.filePath(QStringLiteral("ok.txt")), "ok\n"));
    QVERIFY(writeFile(m_dir.filePath(QStringLiteral("chiuso.txt")), "segreto\n"));
    QFile::setPermissions(m_dir.filePath(QStringLiteral("chiuso.txt")), QFileDevice::Permissions());
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("una cartella")));
    QCOMPARE(::mkfifo(QFile::encodeName(m_dir.filePath(QStringLiteral("tubo"))).constData(), 0600), 0);
}

void TestKorvaneSmtpInput::serverForms_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("form");
    QTest::newRow("host:port") << QStringList() << "127.0.0.1:%1";
    QTest::newRow("smtp://host:port") << QStringList() << "smtp://127.0.0.1:%1";
    QTest::newRow("smtp://localhost:port") << QStringList() << "smtp://localhost:%1";
    QTest::newRow("smtps://host:port") << implicitTls() << "smtps://127.0.0.1:%1";
    QTest::newRow("[::1]:port") << QStringList{"--host", "::1"} << "[::1]:%1";
    QTest::newRow("smtp://[::1]:port") << QStringList{"--host", "::1"} << "smtp://[::1]:%1";
}

void TestKorvaneSmtpInput::serverForms()
{
    QFETCH(QStringList, options);
    QFETCH(QString, form);
    SendFixture f(options);
    if (!f.server.isRunning() && options.contains(QLatin1String("::1")))
        QSKIP("no IPv6 loopback on this machine");
    KORVANE_START(f.server);
    f.component.setServer(form.arg(f.server.port()));
    KORVANE_DELIVER(f, 15000);
}

// A table: its rows read best side by side.
// NOLINTNEXTLINE(readability-function-size)
void TestKorvaneSmtpInput::refusedBeforeConnecting_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QString>("says");

    const QList<int> injection{1006};
    QTest::newRow("server empty") << "server"
                                  << "" << QList<int>{1001} << "";
    QTest::newRow("server scheme only") << "server"
                                        << "smtp://" << QList<int>{1001} << "";
    QTest::newRow("server port not a number") << "server"
                                              << "127.0.0.1:porta" << QList<int>{1001} << "";
    QTest::newRow("server unknown scheme") << "server"
                                           << "http://127.0.0.1:%port" << QList<int>{1001} << "";
    QTest::newRow("server with CRLF") << "server"
                                      << "127.0.0.1:%port\r\nQUIT" << QList<int>{1001, 1006} << "";
    QTest::newRow("sender empty") << "sender"
                                  << "" << QList<int>{1002} << "";
    QTest::newRow("sender not an address")
        << "sender"
        << "zoe at example.org" << QList<int>{1002} << "zoe at example.org";
    QTest::newRow("recipient invalid") << "recipient"
                                       << "anna@example.org, mario@" << QList<int>{1003} << "mario@";
    QTest::newRow("cc unbalanced bracket")
        << "cc"
        << "Carla <carla@example.org" << QList<int>{1003} << "carla@example.org";
    QTest::newRow("bcc without domain") << "bcc"
                                        << "nascosto" << QList<int>{1003} << "nascosto";
    QTest::newRow("unterminated quote") << "recipient"
                                        << "\"Rossi, Mario <m.rossi@example.it>" << QList<int>{1003} << "";
    QTest::newRow("no recipient") << "recipient"
                                  << "" << QList<int>{1004} << "";
    QTest::newRow("only separators") << "recipient"
                                     << " ; , ;" << QList<int>{1004} << "";
    QTest::newRow("attachment missing") << "attachments"
                                        << "%dir/ok.txt;%dir/manca.txt" << QList<int>{1005} << "manca.txt";
    QTest::newRow("attachment is a directory") << "attachments"
                                               << "%dir/una cartella" << QList<int>{1005} << "una cartella";
    QTest::newRow("attachment is a FIFO") << "attachments"
                                          << "%dir/tubo" << QList<int>{1005} << "tubo";
    QTest::newRow("attachment unreadable") << "attachments"
                                           << "%dir/chiuso.txt" << QList<int>{1005} << "chiuso.txt";
    QTest::newRow("CRLF in subject") << "subject"
                                     << "Prova\r\nBcc: evil@example.net" << injection << "";
    QTest::newRow("LF in subject") << "subject"
                                   << "Prova\nX-Evil: 1" << injection << "";
    QTest::newRow("NUL in subject") << "subject" << QStringLiteral("Prova") + QChar(0) + "x" << injection
                                    << "";
    QTest::newRow("LF in sender") << "sender"
                                  << "zoe@example.org\nRCPT TO:<evil@example.net>" << QList<int>{1002, 1006}
                                  << "";
    QTest::newRow("CR in recipient") << "recipient"
                                     << "anna@example.org\rRCPT TO:<evil@example.net>"
                                     << QList<int>{1003, 1006} << "";
    QTest::newRow("LF in cc display name")
        << "cc"
        << "Carla\nBcc: x <carla@example.org>" << QList<int>{1003, 1006} << "";
    QTest::newRow("LF in client name") << "clientName"
                                       << "Korvane\r\nX-Evil: 1" << injection << "";
    QTest::newRow("LF in user name") << "username"
                                     << "zoe\r\nQUIT" << injection << "";
    QTest::newRow("CR in bcc") << "bcc"
                               << "nascosto@example.org\rDATA" << QList<int>{1003, 1006} << "";
    QTest::newRow("LF in password") << "password"
                                    << "Pw\nQUIT" << injection << "Password";
    QTest::newRow("CR in password") << "password"
                                    << "Pw\r" << injection << "Password";
    QTest::newRow("NUL in recipient")
        << "recipient" << QStringLiteral("anna@example.org") + QChar(0) + "x@y.it" << QList<int>{1003, 1006}
        << "";
    QTest::newRow("NUL in attachments")
        << "attachments" << QStringLiteral("%dir/ok.txt") + QChar(0) + "x" << QList<int>{1005, 1006} << "";
    QTest::newRow("NUL in password") << "password" << QStringLiteral("Pw") + QChar(0) << injection
                                     << "Password";
    QTest::newRow("every field empty") << "all"
                                       << "" << QList<int>{1001} << "";
    QTest::newRow("LF in attachments") << "attachments"
                                       << "%dir/ok.txt\n%dir/ok.txt" << QList<int>{1005, 1006} << "";
}

namespace {

// Hands value to the component as field; false for a field it does not know.
bool putInto(KorvaneSTMP &component, const QString &field, const QString &value)
{
    if (field == QLatin1String("server"))
        component.setServer(value);
    else if (field == QLatin1String("sender"))
        component.setSender(value);
    else if (field == QLatin1String("recipient"))
        component.setRecipient(value);
    else if (field == QLatin1String("cc"))
        component.setCc(value);
    else if (field == QLatin1String("bcc"))
        component.setBcc(value);
    else if (field == QLatin1String("subject"))
        component.setSubject(value);
    else if (field == QLatin1String("attachments"))
        component.setAttachments(value);
    else if (field == QLatin1String("clientName"))
        component.setClientName(value);
    else if (field == QLatin1String("username")) {
        component.setUsername(value);
        component.setPassword(password);
    } else if (field == QLatin1String("password")) {
        component.setUsername(user);
        component.setPassword(value);
    } else if (field == QLatin1String("all")) {
        using Setter = void (KorvaneSTMP::*)(const QString &);
        for (Setter setter : std::initializer_list<Setter>{
                 &KorvaneSTMP::setServer, &KorvaneSTMP::setSender, &KorvaneSTMP::setRecipient,
                 &KorvaneSTMP::setCc, &KorvaneSTMP::setBcc, &KorvaneSTMP::setSubject, &KorvaneSTMP::setBody,
                 &KorvaneSTMP::setAttachments, &KorvaneSTMP::setClientName, &KorvaneSTMP::setUsername,
                 &KorvaneSTMP::setPassword})
            (component.*setter)(value);
    } else
        return false;
    return true;
}

} // namespace

void TestKorvaneSmtpInput::refusedBeforeConnecting()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QList<int>, numbers);
    QFETCH(QString, says);
    if (field == QLatin1String("attachments") && value.endsWith(QLatin1String("chiuso.txt"))) {
        // Root reads any mode; a write-only sysctl file is refused even to root.
        QFile probe(m_dir.filePath(QStringLiteral("chiuso.txt")));
        if (probe.open(QIODevice::ReadOnly)) {
            QFile writeOnly(QStringLiteral("/proc/sys/vm/compact_memory"));
            if (!writeOnly.exists() || writeOnly.open(QIODevice::ReadOnly))
                QSKIP("running with rights that read any file");
            value = says = writeOnly.fileName();
        }
    }
    SendFixture f;
    KORVANE_START(f.server);
    KorvaneSTMP &component = f.component;
    value.replace(QLatin1String("%dir"), m_dir.path())
        .replace(QLatin1String("%port"), QString::number(f.server.port()));
    QVERIFY2(putInto(component, field, value), qPrintable(field));

    KORVANE_SEND(f.component, f.watch, 15000);
    QVERIFY2(!f.watch.failed.isEmpty(), f.watch.outcome().constData());
    QVERIFY2(numbers.contains(f.watch.number()), f.watch.outcome().constData());
    QVERIFY2(f.watch.description().contains(says), f.watch.outcome().constData());
    QCOMPARE(f.server.state().value(QStringLiteral("connections")).toInt(), 0);
}

QTEST_GUILESS_MAIN(TestKorvaneSmtpInput)
#include "tst_korvanestmp_input.moc"
