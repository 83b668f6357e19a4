// Recipients and attachments as the server sees them.

#include "tests/support/SmtpTestCase.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

using namespace MailTest;

class TestKorvaneSmtpAddresses : public SmtpTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void recipients_data();
    void recipients();
    void attachments_data();
    void attachments();
};

void TestKorvaneSmtpAddresses::recipients_data()
{
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("cc");
    QTest::addColumn<QString>("bcc");
    QTest::addColumn<QStringList>("envelope");
    QTest::addColumn<QStringList>("toHeader");
    QTest::addColumn<QStringList>("ccHeader");

    QTest::newRow("quoted comma, semicolon separated")
        << R"("Rossi, Mario" <m.rossi@example.it>; Anna <anna@example.org>)"
        << ""
        << "" << QStringList{"anna@example.org", "m.rossi@example.it"}
        << QStringList{"Rossi, Mario <m.rossi@example.it>", "Anna <anna@example.org>"} << QStringList();
    QTest::newRow("comma separated, with cc")
        << "a@example.org, b@example.org"
        << "Carla Neri <c@example.org>"
        << "" << QStringList{"a@example.org", "b@example.org", "c@example.org"}
        << QStringList{" <a@example.org>", " <b@example.org>"} << QStringList{"Carla Neri <c@example.org>"};
    QTest::newRow("quoted semicolon and at") << R"("Ufficio; Roma @ sede" <uff@example.it>)"
                                             << R"("Bianchi, Luca; jr" <lb@example.it>)"
                                             << "" << QStringList{"lb@example.it", "uff@example.it"}
                                             << QStringList{"Ufficio; Roma @ sede <uff@example.it>"}
                                             << QStringList{"Bianchi, Luca; jr <lb@example.it>"};
    QTest::newRow("bcc only in the envelope")
        << "anna@example.org"
        << ""
        << "Segreto <hidden@example.net>; other@example.net"
        << QStringList{"anna@example.org", "hidden@example.net", "other@example.net"}
        << QStringList{" <anna@example.org>"} << QStringList();
    QTest::newRow("bcc with to and cc")
        << "anna@example.org"
        << "carla@example.org"
        << "hidden@example.net" << QStringList{"anna@example.org", "carla@example.org", "hidden@example.net"}
        << QStringList{" <anna@example.org>"} << QStringList{" <carla@example.org>"};
    QTest::newRow("one RCPT per distinct address")
        << "anna@example.org"
        << "Anna <anna@example.org>"
        << "anna@example.org" << QStringList{"anna@example.org"} << QStringList{" <anna@example.org>"}
        << QStringList{"Anna <anna@example.org>"};
    QTest::newRow("local parts differing in case are two mailboxes")
        << "a@example.org, A@example.org"
        << ""
        << "a@EXAMPLE.org" << QStringList{"A@example.org", "a@example.org"}
        << QStringList{" <a@example.org>", " <A@example.org>"} << QStringList();
}

void TestKorvaneSmtpAddresses::recipients()
{
    QFETCH(QString, to);
    QFETCH(QString, cc);
    QFETCH(QString, bcc);
    QFETCH(QStringList, envelope);
    QFETCH(QStringList, toHeader);
    QFETCH(QStringList, ccHeader);

    SendFixture f;
    KORVANE_START(f.server);
    f.component.setRecipient(to);
    f.component.setCc(cc);
    f.component.setBcc(bcc);
    KORVANE_DELIVER(f, 15000);
    const QJsonObject message = f.message();

    QStringList rcpts = strings(message.value(QStringLiteral("rcpt_tos")));
    QCOMPARE(rcpts.size(), envelope.size());
    rcpts.sort();
    QCOMPARE(rcpts, envelope);
    QCOMPARE(strings(message.value(QStringLiteral("defects"))), QStringList());
    QCOMPARE(addresses(message, QStringLiteral("to")), toHeader);
    QCOMPARE(addresses(message, QStringLiteral("cc")), ccHeader);

    const QJsonObject headers = message.value(QStringLiteral("headers")).toObject();
    QVERIFY(!headers.contains(QStringLiteral("bcc")));
    const QByteArray raw
        = QByteArray::fromBase64(message.value(QStringLiteral("raw_b64")).toString().toLatin1());
    for (const QString &address : envelope) {
        if (!(toHeader + ccHeader).join(QLatin1Char(' ')).contains(address))
            QVERIFY2(!raw.contains(address.toUtf8()),
                     qPrintable(address + QStringLiteral(" shows in the message")));
    }
}

void TestKorvaneSmtpAddresses::attachments_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<QByteArray>>("contents");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QStringList>("types"); // "type; charset" of each part, as read back

    QByteArray allBytes;
    for (int round = 0; round < 4; ++round)
        for (int value = 0; value < 256; ++value)
            allBytes.append(char(value));
    QByteArray large(3 * 1024 * 1024 + 17, Qt::Uninitialized);
    QRandomGenerator generator(20240611);
    for (char &byte : large)
        byte = char(generator.bounded(256));

    QByteArray largeText = QByteArray("riga di testo semplice\n").repeated(50000);
    largeText += "ma in fondo c'è dell'altro\n";
    const QString octets = QStringLiteral("application/octet-stream; ");

    QTest::newRow("all 256 byte values")
        << QStringList{"tutti i byte.bin"} << QList<QByteArray>{allBytes} << ";" << QStringList{octets};
    QTest::newRow("two files, empty items ignored")
        << QStringList{"nota.txt", "dati.bin"} << QList<QByteArray>{"riga uno\r\nriga due\n", allBytes}
        << ";;" << QStringList{"text/plain; us-ascii", octets};
    QTest::newRow("non-ASCII name") << QStringList{"relazione è già ✓.pdf"} << QList<QByteArray>{allBytes}
                                    << ";" << QStringList{"application/pdf; "};
    QTest::newRow("empty file") << QStringList{"vuoto.txt"} << QList<QByteArray>{QByteArray()} << ";"
                                << QStringList{"text/plain; us-ascii"};
    QTest::newRow("3 MB streamed") << QStringList{"grande.bin"} << QList<QByteArray>{large} << ";"
                                   << QStringList{octets};
    QTest::newRow("text charsets") << QStringList{"utf8.txt", "vecchio.txt", "binario.txt", "utf16.txt"}
                                   << QList<QByteArray>{"perché città\n", "perch\xE9 citt\xE0 \x80 5\n",
                                                        allBytes, QByteArray("\xFF\xFEp\0\xE9\0", 6)}
                                   << ";"
                                   << QStringList{"text/plain; utf-8", "text/plain; windows-1252", octets,
                                                  "text/plain; utf-16"};
    QTest::newRow("text over the in-memory limit, judged whole")
        << QStringList{"registro.log"} << QList<QByteArray>{largeText} << ";"
        << QStringList{"text/x-log; utf-8"};
}

void TestKorvaneSmtpAddresses::attachments()
{
    QFETCH(QStringList, names);
    QFETCH(QList<QByteArray>, contents);
    QFETCH(QString, separator);
    QFETCH(QStringList, types);
    QTemporaryDir dir;
    QStringList paths;
    for (qsizetype i = 0; i < names.size(); ++i) {
        paths.append(dir.filePath(QStringLiteral("cartella con spazi/") + names.at(i)));
        QDir().mkpath(dir.filePath(QStringLiteral("cartella con spazi")));
        QVERIFY(writeFile(paths.last(), contents.at(i)));
    }

    SendFixture f;
    KORVANE_START(f.server);
    f.component.setAttachments(paths.join(separator) + separator);
    KORVANE_DELIVER(f, 30000);
    const QJsonObject message = f.message();
    QCOMPARE(strings(message.value(QStringLiteral("defects"))), QStringList());
    QCOMPARE(message.value(QStringLiteral("body")).toString(), QStringLiteral("Ciao Anna.\nA presto.\n"));
    QVERIFY(message.value(QStringLiteral("max_line_length")).toInt() <= 998);

    const QJsonArray parts = message.value(QStringLiteral("parts")).toArray();
    QCOMPARE(parts.at(0).toObject().value(QStringLiteral("content_type")).toString(),
             QStringLiteral("multipart/mixed"));
    QCOMPARE(parts.at(1).toObject().value(QStringLiteral("content_type")).toString(),
             QStringLiteral("text/plain"));
    const QJsonArray attachments = message.value(QStringLiteral("attachments")).toArray();
    QCOMPARE(attachments.size(), names.size());
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QJsonObject attachment = attachments.at(i).toObject();
        QCOMPARE(attachment.value(QStringLiteral("filename")).toString(), names.at(i));
        QCOMPARE(attachment.value(QStringLiteral("length")).toInteger(), contents.at(i).size());
        QCOMPARE(attachment.value(QStringLiteral("sha256")).toString().toLatin1(), sha256Hex(contents.at(i)));
        const QJsonObject part = parts.at(2 + i).toObject();
        QCOMPARE(part.value(QStringLiteral("content_type")).toString() + QStringLiteral("; ")
                     + part.value(QStringLiteral("charset")).toString(),
                 types.at(i));
    }
}

QTEST_GUILESS_MAIN(TestKorvaneSmtpAddresses)
#include "tst_korvanestmp_addresses.moc"
