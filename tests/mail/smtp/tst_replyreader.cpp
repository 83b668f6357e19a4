// The reply reader on what a real socket delivers, a line at a time with
// its line end, as libcurl hands the lines over.

#include "ReplyReader.h"
#include "ScriptedServer.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>

class TestReplyReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data();
    void read();
};

void TestReplyReader::read_data()
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

void TestReplyReader::read()
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

QTEST_GUILESS_MAIN(TestReplyReader)
#include "tst_replyreader.moc"
