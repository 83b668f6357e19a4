// Input at the edges that must still travel as a well-formed message: huge
// headers, a thousand recipients, NUL in the body, an attachment deleted
// while it is being sent.

#include "MailTestSupport.h"

#include <QTemporaryDir>

using namespace MailTest;

class TestKorvaneSmtpExtremes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void arrivesWellFormed_data();
    void arrivesWellFormed();
    void attachmentDeletedWhileSent();
};

void TestKorvaneSmtpExtremes::initTestCase()
{
    QVERIFY2(TestCertificates::instance().isValid(), qPrintable(TestCertificates::instance().error()));
}

void TestKorvaneSmtpExtremes::arrivesWellFormed_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("recipients");
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("envelopeSize");

    const QString body = QStringLiteral("Ciao.\n");
    QString words;
    while (words.size() < 10000)
        words += QStringLiteral("parola%1 ").arg(words.size());
    words.truncate(10000);
    QStringList many;
    for (int i = 0; i < 1000; ++i)
        many << QStringLiteral("Utente %1 <utente%1@example.org>").arg(i);

    QTest::newRow("10,000-character subject of words") << words << "anna@example.org" << body << 1;
    QTest::newRow("10,000-character subject, one word")
        << QString(10000, QLatin1Char('x')) << "anna@example.org" << body << 1;
    QTest::newRow("10,000 non-ASCII characters")
        << QString(10000, QChar(0x00E8)) << "anna@example.org" << body << 1;
    // aiosmtpd sets no limit on recipients: every one must reach the envelope.
    QTest::newRow("1,000 recipients") << "Prova" << many.join(QStringLiteral(", ")) << body << 1000;
    QTest::newRow("NUL in the body") << "Prova"
                                     << "anna@example.org"
                                     << QStringLiteral("prima") + QChar(0) + QStringLiteral("dopo\n") << 1;
}

void TestKorvaneSmtpExtremes::arrivesWellFormed()
{
    QFETCH(QString, subject);
    QFETCH(QString, recipients);
    QFETCH(QString, body);
    QFETCH(int, envelopeSize);
    SmtpTestServer server;
    KORVANE_START(server);
    KorvaneSTMP component;
    configure(component, server);
    component.setSubject(subject);
    component.setRecipient(recipients);
    component.setBody(body);
    SendWatch watch(&component);
    KORVANE_SEND(component, watch, 30000);
    QVERIFY2(!watch.completed.isEmpty(), watch.outcome().constData());

    QVERIFY(server.waitForMessages(1));
    const QJsonObject message = server.messages().constFirst();
    QCOMPARE(strings(message.value(QStringLiteral("defects"))), QStringList());
    QVERIFY(!message.value(QStringLiteral("bare_lf")).toBool());
    QVERIFY2(message.value(QStringLiteral("max_line_length")).toInt() <= 998,
             qPrintable(QString::number(message.value(QStringLiteral("max_line_length")).toInt())));
    QCOMPARE(header(message, QStringLiteral("subject")), subject);
    QCOMPARE(strings(message.value(QStringLiteral("rcpt_tos"))).size(), envelopeSize);
    QCOMPARE(addresses(message, QStringLiteral("to")).size(), envelopeSize);
    QCOMPARE(message.value(QStringLiteral("body")).toString(), body);
}

// Attachments are opened before connecting, so a file deleted mid-send is
// still read whole through the open handle.
void TestKorvaneSmtpExtremes::attachmentDeletedWhileSent()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("effimero.bin"));
    QByteArray content(qsizetype(4) * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char((i * 31) ^ (i >> 9));
    QVERIFY(writeFile(path, content));

    SmtpTestServer server({QStringLiteral("--slow-data"), QStringLiteral("3000000")});
    KORVANE_START(server);
    KorvaneSTMP component;
    configure(component, server);
    component.setAttachments(path);
    SendWatch watch(&component);
    component.Send();
    QVERIFY(server.waitForLogLine(QStringLiteral("S 354"), 15000));
    QVERIFY(QFile::remove(path));
    QTRY_VERIFY_WITH_TIMEOUT(watch.outcomes() == 1, 30000);
    QVERIFY2(!watch.completed.isEmpty(), watch.outcome().constData());

    QVERIFY(server.waitForMessages(1));
    const QJsonArray attachments
        = server.messages().constFirst().value(QStringLiteral("attachments")).toArray();
    QCOMPARE(attachments.size(), 1);
    QCOMPARE(attachments.first().toObject().value(QStringLiteral("length")).toInt(), content.size());
    QCOMPARE(attachments.first().toObject().value(QStringLiteral("sha256")).toString().toLatin1(),
             sha256Hex(content));
}

QTEST_GUILESS_MAIN(TestKorvaneSmtpExtremes)
#include "tst_korvanestmp_extremes.moc"
