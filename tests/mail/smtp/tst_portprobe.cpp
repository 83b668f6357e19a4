// The probe of one port (through the choice of a typed port, which probes
// that port alone) against a server that plays a script: what it makes of
// the replies, and what the server hears of it.

#include "PortChooser.h"
#include "ScriptedServer.h"
#include "SmtpSession.h"
#include "Transcript.h"

#include <QTest>

using Script = QList<QByteArray>;

class TestPortProbe : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(SmtpSession::initialise()); }
    void probe_data();
    void probe();
};

namespace {

QByteArray lines(const char *code, int count, int width)
{
    QByteArray reply;
    for (int i = 1; i <= count; ++i)
        reply += code + QByteArray(i < count ? "-" : " ") + QByteArray::number(i).leftJustified(width, 'x')
            + "\r\n";
    return reply;
}

} // namespace

void TestPortProbe::probe_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<bool>("credentials");
    QTest::addColumn<int>("number");           // 0: the port was chosen
    QTest::addColumn<QString>("says");         // in the failure, or in the transcript
    QTest::addColumn<QByteArrayList>("heard"); // the commands the server got

    const QByteArray greeting = "220 mx.example.it ESMTP\r\n";
    const QByteArray ehlo = "250-mx.example.it\r\n250 8BITMIME\r\n";
    QTest::newRow("a greeting is enough without credentials")
        << Script{greeting, ehlo} << false << 0 << "S: 250 8BITMIME" << QByteArrayList{"EHLO", "QUIT"};
    QTest::newRow("greeting refused") << Script{"554-5.7.1 go\r\n554 away\r\n"} << false << 554
                                      << "554-5.7.1 go 554 away" << QByteArrayList{};
    QTest::newRow("credentials, no STARTTLS offered")
        << Script{greeting, ehlo} << true << 64 << "STARTTLS" << QByteArrayList{"EHLO", "QUIT"};
    QTest::newRow("credentials, STARTTLS refused")
        << Script{greeting, "250-mx\r\n250 STARTTLS\r\n", "454 4.7.0 TLS not available\r\n"} << true << 454
        << "454 4.7.0 TLS not available" << QByteArrayList{"EHLO", "STARTTLS", "QUIT"};
    QTest::newRow("a greeting of 60 lines: 40 in the transcript")
        << Script{lines("220", 60, 2), ehlo} << false << 0 << "altre 19 righe"
        << QByteArrayList{"EHLO", "QUIT"};
    QTest::newRow("an answer to EHLO too long for libcurl")
        << Script{greeting, lines("250", 300, 76)} << true << 56 << "risposta troppo lunga"
        << QByteArrayList{"EHLO"};
}

void TestPortProbe::probe()
{
    QFETCH(Script, script);
    QFETCH(bool, credentials);
    QFETCH(int, number);
    QFETCH(QString, says);
    QFETCH(QByteArrayList, heard);
    ScriptedServer server(script);
    const auto address = parseServerAddress(QStringLiteral("127.0.0.1:%1").arg(server.port()));
    QVERIFY(address);
    Transcript transcript;
    PortChooser chooser;
    const PortChooser::Choice choice = chooser.choose(*address, {{}, credentials, {}, {}, &transcript});

    QCOMPARE(choice.server.has_value(), number == 0);
    QCOMPARE(int(choice.failure.number), number);
    const QString told = number == 0 ? transcript.text() : choice.failure.description;
    QVERIFY2(told.contains(says), qPrintable(told));
    QByteArrayList verbs;
    for (const QByteArray &line : server.clientLines())
        verbs << line.split(' ').constFirst();
    QCOMPARE(verbs, heard);
}

QTEST_GUILESS_MAIN(TestPortProbe)
#include "tst_portprobe.moc"
