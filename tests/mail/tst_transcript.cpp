// The transcript's own rules, fed as libcurl's debug function would feed
// them: redaction of the login, the message as a size, the remarks kept,
// cleaning and the bound.
#include "mail/smtp/Transcript.h"
#include "mail/smtp/TranscriptTap.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// libcurl's curl_infotype values (part of its stable interface).
enum Info { Text = 0, HeaderIn = 1, HeaderOut = 2, DataIn = 3, DataOut = 4, SslDataOut = 6 };

using Report = QPair<int, QByteArray>;

} // namespace

class TestTranscript : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tapped_data();
    void tapped();
    void keepsTheLastLines();
};

void TestTranscript::tapped_data()
{
    QTest::addColumn<QList<Report>>("reports");
    QTest::addColumn<QStringList>("lines");

    // The login as servers really run it is in the component's transcript
    // test; here, a continuation that happens to look like a command, which
    // is still a secret.
    QTest::newRow("continuation that looks like DATA")
        << QList<Report>{{HeaderOut, "AUTH LOGIN\r\n"}, {HeaderIn, "334 x\r\n"}, {HeaderOut, "DATA\r\n"}}
        << QStringList{u"C: AUTH LOGIN"_s, u"S: 334 ****"_s, u"C: ****"_s};
    QTest::newRow("the message is its size, in Italian digits")
        << QList<Report>{{HeaderIn, "354 End data with <CR><LF>.<CR><LF>\r\n"},
                         {DataOut, QByteArray(2'000'000, 'x')},
                         {DataOut, QByteArray(737'809, 'y')},
                         {SslDataOut, "encrypted"},
                         {HeaderIn, "250 OK\r\n"}}
        << QStringList{u"S: 354 End data with <CR><LF>.<CR><LF>"_s, u"C: (messaggio: 2.737.809 byte)"_s,
                       u"S: 250 OK"_s};
    QTest::newRow("remarks: kept, translated, or left out")
        << QList<Report>{{Text, "  Trying 127.0.0.1:587...\n"},
                         {Text, "Connected to mail.example.it (127.0.0.1) port 587 (#0)\n"},
                         {Text, "TLSv1.3 (OUT), TLS handshake, Client hello (1):\n"},
                         {Text, "SSL connection using TLSv1.3 / TLS_AES_256_GCM_SHA384\n"},
                         {Text, " subject: CN=localhost\n"},
                         {Text, " issuer: CN=Korvane Test CA\n"},
                         {Text, "CAfile: /etc/ssl/certs/ca-certificates.crt\n"},
                         {DataIn, "raw"}}
        << QStringList{u"* connessione a 127.0.0.1:587…"_s,
                       u"* connesso a mail.example.it (127.0.0.1), porta 587"_s,
                       u"* TLS attivo: TLSv1.3 / TLS_AES_256_GCM_SHA384"_s,
                       u"* certificato del server, soggetto: CN=localhost"_s,
                       u"* certificato del server, emesso da: CN=Korvane Test CA"_s};
    QTest::newRow("control characters in a reply")
        << QList<Report>{{HeaderIn, "220 mail\x1b[2J\tready\x07\r\n"}}
        << QStringList{u"S: 220 mail [2J ready"_s};
}

void TestTranscript::tapped()
{
    QFETCH(QList<Report>, reports);
    QFETCH(QStringList, lines);
    Transcript transcript;
    TranscriptTap tap([&transcript](const QString &line) { transcript.add(line); });
    for (const Report &report : reports)
        tap.seen(report.first, report.second);
    tap.flush();
    QCOMPARE(transcript.lines(), lines);
}

void TestTranscript::keepsTheLastLines()
{
    Transcript transcript;
    for (int i = 1; i <= Transcript::kMaxLines + 50; ++i)
        transcript.add(u"riga %1"_s.arg(i));
    const QStringList lines = transcript.lines();
    QCOMPARE(lines.size(), Transcript::kMaxLines + 1);
    QCOMPARE(lines.first(), u"… (50 righe precedenti omesse)"_s);
    QCOMPARE(lines.at(1), u"riga 51"_s);
    QCOMPARE(lines.last(), u"riga %1"_s.arg(Transcript::kMaxLines + 50));
}

QTEST_GUILESS_MAIN(TestTranscript)
#include "tst_transcript.moc"
