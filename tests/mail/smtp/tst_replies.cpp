// The server's replies against a server each case scripts: the reply
// reader on what a real socket delivers, a line at a time with its line end
// as libcurl hands lines over; and the probe of one port (the choice of a
// typed port probes that port alone): what it makes of the replies, and
// what the server hears of it.

#include "mail/smtp/PortChooser.h"
#include "mail/smtp/ReplyReader.h"
#include "mail/smtp/SmtpSession.h"
#include "mail/smtp/Transcript.h"
#include "tests/support/ScriptedServer.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>

using Script = QList<QByteArray>;

class TestReplies : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(SmtpSession::initialise()); }
    void read_data();
    void read();
    void probe_data();
    void probe();
};

void TestReplies::read_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text"); // how the kept text starts
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("offers"); // STARTTLS and the AUTH mechanisms

    QTest::newRow("one line") << QByteArray("220 mx.example.it ESMTP\r\n") << 220 << "220 mx.example.it ESMTP"
                              << 1 << "";
    QTest::newRow("EHLO's capabilities, a mechanism named twice")
        << QByteArray(
               "250-mx.example.it\r\n250-STARTTLS\r\n250-AUTH PLAIN LOGIN\r\n250 AUTH=LOGIN CRAM-MD5\r\n")
        << 250 << "250-mx.example.it 250-STARTTLS 250-AUTH PLAIN LOGIN 250 AUTH=LOGIN CRAM-MD5" << 4
        << "STARTTLS PLAIN LOGIN CRAM-MD5";
    QTest::newRow("a code alone ends the reply")
        << QByteArray("250-first\r\n250\r\n") << 250 << "250-first 250" << 2 << "";
    QTest::newRow("a line that is no reply is left out")
        << QByteArray("* noise\r\n250x odd\r\n554 5.7.1 no\r\n") << 554 << "250x odd 554 5.7.1 no" << 2 << "";
    QTest::newRow("control characters shown as spaces, the text bounded")
        << (("550-\x1b[31mred\xe2\x80\xae" + QByteArray(40, 'x') + "\r\n").repeated(30) + "550 end\r\n")
        << 550 << "550- [31mred xxx" << 31 << "";
}

void TestReplies::read()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, code);
    QFETCH(QString, text);
    QFETCH(int, lines);
    QFETCH(QString, offers);
    ScriptedServer server({reply});
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    ReplyReader reader;
    int continued = 0;
    while (reader.replies() == 0 && (socket.canReadLine() || socket.waitForReadyRead(10000)))
        while (reader.replies() == 0 && socket.canReadLine())
            continued += reader.read(socket.readLine()) == ReplyReader::Line::Continued ? 1 : 0;

    QCOMPARE(reader.replies(), 1);
    QCOMPARE(reader.code(), code);
    QCOMPARE(reader.text().left(text.size()), text);
    QVERIFY(reader.text().size() <= ReplyReader::kMaxText);
    QCOMPARE(reader.text().endsWith(u'…'), reply.size() > ReplyReader::kMaxText);
    QCOMPARE(reader.lines(), lines);
    QCOMPARE(continued, lines - 1);
    const QString offered = QStringList((reader.offersStartTls() ? QStringList{"STARTTLS"} : QStringList())
                                        + reader.authMechanisms())
                                .join(u' ');
    QCOMPARE(offered, offers);
    QCOMPARE(reader.offersAuth(), !reader.authMechanisms().isEmpty());
}

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

void TestReplies::probe_data()
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

void TestReplies::probe()
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

QTEST_GUILESS_MAIN(TestReplies)
#include "tst_replies.moc"
