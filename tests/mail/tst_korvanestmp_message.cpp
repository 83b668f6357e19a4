// What arrives at a real SMTP server: envelope, headers and body, read back
// through Python's strict email parser.

#include "tests/support/SmtpTestCase.h"

#include <QTemporaryDir>

using namespace MailTest;

class TestKorvaneSmtpMessage : public SmtpTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void plainSend();
    void priority_data();
    void priority();
    void nonAsciiRoundTrip();
    void body_data();
    void body();
};

void TestKorvaneSmtpMessage::plainSend()
{
    SendFixture f;
    KORVANE_START(f.server);
    // The process's first send begins once the transport module has loaded,
    // with what the properties held at Send().
    f.component.Send();
    f.component.setSubject(QStringLiteral("Cambiato dopo"));
    QTRY_VERIFY_WITH_TIMEOUT(!f.watch.completed.isEmpty(), 15000);
    QVERIFY(f.server.waitForMessages(1));

    const QJsonObject message = f.message();
    QCOMPARE(message.value(QStringLiteral("mail_from")).toString(), senderAddress);
    QCOMPARE(strings(message.value(QStringLiteral("rcpt_tos"))),
             QStringList{QStringLiteral("anna@example.org")});
    QCOMPARE(strings(message.value(QStringLiteral("defects"))), QStringList());
    QCOMPARE(header(message, QStringLiteral("subject")), QStringLiteral("Prova"));
    QCOMPARE(addresses(message, QStringLiteral("from")), QStringList{QStringLiteral(" <zoe@example.org>")});
    QCOMPARE(addresses(message, QStringLiteral("to")), QStringList{QStringLiteral(" <anna@example.org>")});
    QCOMPARE(header(message, QStringLiteral("mime-version")), QStringLiteral("1.0"));
    QCOMPARE(header(message, QStringLiteral("x-mailer")), QStringLiteral("Korvane Test"));
    QVERIFY(!header(message, QStringLiteral("date")).startsWith(QLatin1Char('<')));
    QVERIFY2(header(message, QStringLiteral("message-id")).endsWith(QLatin1String("@example.org>")),
             qPrintable(header(message, QStringLiteral("message-id"))));
    QCOMPARE(message.value(QStringLiteral("body")).toString(), QStringLiteral("Ciao Anna.\nA presto.\n"));

    const QJsonObject part = message.value(QStringLiteral("parts")).toArray().first().toObject();
    QCOMPARE(message.value(QStringLiteral("parts")).toArray().size(), 1);
    QCOMPARE(part.value(QStringLiteral("content_type")).toString(), QStringLiteral("text/plain"));
    QCOMPARE(part.value(QStringLiteral("charset")).toString(), QStringLiteral("utf-8"));
    QCOMPARE(part.value(QStringLiteral("transfer_encoding")).toString().toLower(),
             QStringLiteral("quoted-printable"));
    QVERIFY(message.value(QStringLiteral("accepted")).toBool());
    QVERIFY(!message.value(QStringLiteral("bare_lf")).toBool());
    QCOMPARE(f.server.state().value(QStringLiteral("auth_seen")).toBool(), false);

    QVERIFY(f.watch.lastTotal > 0);
    QCOMPARE(f.watch.lastSent, f.watch.lastTotal);
}

void TestKorvaneSmtpMessage::priority_data()
{
    QTest::addColumn<int>("priority");
    QTest::addColumn<QString>("xPriority");
    QTest::addColumn<QString>("importance");
    QTest::newRow("highest") << 1 << "1 (Highest)"
                             << "high";
    QTest::newRow("normal") << 3 << "3 (Normal)"
                            << "normal";
    QTest::newRow("lowest") << 5 << "5 (Lowest)"
                            << "low";
    QTest::newRow("outside the scale") << 4 << "3 (Normal)"
                                       << "normal";
}

void TestKorvaneSmtpMessage::priority()
{
    QFETCH(int, priority);
    QFETCH(QString, xPriority);
    QFETCH(QString, importance);
    SendFixture f;
    KORVANE_START(f.server);
    f.component.setPriority(priority);
    KORVANE_SEND(f.component, f.watch, 15000);
    QVERIFY(f.server.waitForMessages(1));
    const QJsonObject message = f.message();
    QCOMPARE(header(message, QStringLiteral("x-priority")), xPriority);
    QCOMPARE(header(message, QStringLiteral("importance")).toLower(), importance);
}

void TestKorvaneSmtpMessage::nonAsciiRoundTrip()
{
    const QString subject
        = QStringLiteral("Perché è già così? — €5 ✓ 日本語 «ok», la riunione di lunedì è spostata");
    const QString clientName = QStringLiteral("Korvane Client — edizione di prova ✓");
    const QString body = QStringLiteral("Caro Élodie,\nàèìòù ÀÈÌÒÙ € Łódź ß 😀\n");
    const QString fileName = QStringLiteral("relazione è già — 2024 ✓.txt");
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(fileName), "contenuto\n"));

    SendFixture f;
    KORVANE_START(f.server);
    f.component.setSender(QStringLiteral("Zoë Ünal <zoe@posta.ufficio-regionale.example.org>"));
    f.component.setClientName(clientName);
    f.component.setRecipient(QStringLiteral("Élodie Dupré <elodie@example.fr>"));
    f.component.setCc(QStringLiteral("\"Łukasz, Ufficio\" <lukasz@example.pl>"));
    f.component.setSubject(subject);
    f.component.setBody(body);
    f.component.setAttachments(dir.filePath(fileName));
    KORVANE_DELIVER(f, 15000);

    const QJsonObject message = f.message();
    QCOMPARE(strings(message.value(QStringLiteral("defects"))), QStringList());
    QCOMPARE(header(message, QStringLiteral("subject")), subject);
    QCOMPARE(header(message, QStringLiteral("x-mailer")), clientName);
    QCOMPARE(addresses(message, QStringLiteral("from")),
             QStringList{QStringLiteral("Zoë Ünal <zoe@posta.ufficio-regionale.example.org>")});
    QCOMPARE(addresses(message, QStringLiteral("to")),
             QStringList{QStringLiteral("Élodie Dupré <elodie@example.fr>")});
    QCOMPARE(addresses(message, QStringLiteral("cc")),
             QStringList{QStringLiteral("Łukasz, Ufficio <lukasz@example.pl>")});
    QCOMPARE(message.value(QStringLiteral("body")).toString(), body);
    const QJsonArray attachments = message.value(QStringLiteral("attachments")).toArray();
    QCOMPARE(attachments.size(), 1);
    QCOMPARE(attachments.first().toObject().value(QStringLiteral("filename")).toString(), fileName);

    // Every line folded short, Message-ID and multipart boundary included.
    QVERIFY2(message.value(QStringLiteral("max_line_length")).toInt() <= 78,
             qPrintable(QString::number(message.value(QStringLiteral("max_line_length")).toInt())));
    // Headers travel as 7-bit text: non-ASCII only through RFC 2047 / 2231.
    const QByteArray raw
        = QByteArray::fromBase64(message.value(QStringLiteral("raw_b64")).toString().toLatin1());
    const QByteArray headerBlock = raw.left(raw.indexOf("\r\n\r\n"));
    for (const char c : headerBlock)
        QVERIFY2(static_cast<unsigned char>(c) < 0x80, headerBlock.constData());
}

void TestKorvaneSmtpMessage::body_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("expected");
    const QString longLine(2000, QLatin1Char('x'));
    QTest::newRow("lone dot line") << "prima\n.\nseconda\n"
                                   << "prima\n.\nseconda\n";
    QTest::newRow("dot line last") << "fine\n."
                                   << "fine\n.";
    QTest::newRow("dots leading lines") << "..\n.x\n...\n"
                                        << "..\n.x\n...\n";
    QTest::newRow("2000-character line") << longLine + "\n" << longLine + "\n";
    QTest::newRow("long non-ASCII line") << QString(1500, QChar(0xE8)) << QString(1500, QChar(0xE8));
    QTest::newRow("equals and trailing blanks") << "a = b \nc\t\n=3D\n"
                                                << "a = b \nc\t\n=3D\n";
    QTest::newRow("CRLF line ends") << "uno\r\ndue\r\n"
                                    << "uno\ndue\n";
    QTest::newRow("From at line start") << "From me\nFrom: you\n"
                                        << "From me\nFrom: you\n";
}

void TestKorvaneSmtpMessage::body()
{
    QFETCH(QString, body);
    QFETCH(QString, expected);
    SendFixture f;
    KORVANE_START(f.server);
    f.component.setBody(body);
    KORVANE_DELIVER(f, 15000);
    const QJsonObject message = f.message();
    QCOMPARE(strings(message.value(QStringLiteral("defects"))), QStringList());
    QVERIFY(!message.value(QStringLiteral("bare_lf")).toBool());
    QVERIFY(message.value(QStringLiteral("max_line_length")).toInt() <= 998);
    // Whether the last line gets a line end of its own is the encoder's choice.
    QString received = message.value(QStringLiteral("body")).toString();
    while (received.endsWith(QLatin1Char('\n')) && !expected.endsWith(QLatin1Char('\n')))
        received.chop(1);
    QCOMPARE(received, expected);
}

QTEST_GUILESS_MAIN(TestKorvaneSmtpMessage)
#include "tst_korvanestmp_message.moc"
