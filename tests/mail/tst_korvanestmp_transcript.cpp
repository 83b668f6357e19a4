// The transcript behind a failed send: what it must show an administrator
// (the refused command and reply, the port, TLS) and what it must never
// show anyone (the password, in clear or encoded, and the message).

#include "tests/support/SmtpTestCase.h"

#include <QRegularExpression>

using namespace MailTest;
using namespace Qt::StringLiterals;

class TestKorvaneSmtpTranscript : public SmtpTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void failedSend_data();
    void failedSend();
    void longReply_data();
    void longReply();
};

namespace {

// Repeated into a body well over a thousand bytes, so that its size is
// written with a thousands separator.
const QString bodyMarker = u"Contenuto-riservato-7Q"_s;

QStringList auth(const QString &mechanisms)
{
    // The server's password differs from the one sent: every row that logs
    // in is refused, so the secret the client sends is the one to look for.
    return {u"--auth"_s, user + u":server-side-secret"_s, u"--auth-mechs"_s, mechanisms};
}

// Every form the password could take on the wire.
QStringList secretForms()
{
    const QByteArray plain = '\0' + user.toUtf8() + '\0' + password.toUtf8();
    return {password, QString::fromLatin1(password.toUtf8().toBase64()),
            QString::fromLatin1(plain.toBase64()), QString::fromLatin1(user.toUtf8().toBase64())};
}

} // namespace

void TestKorvaneSmtpTranscript::failedSend_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("credentials");
    QTest::addColumn<bool>("portChoice"); // no port typed; the server stands in for 465
    QTest::addColumn<int>("number");
    // Fragments that must appear in this order; {port} is the server's port,
    // {closed} a port with nobody listening.
    QTest::addColumn<QStringList>("expected");

    const QStringList tlsUp{u"C: STARTTLS"_s, u"S: 220"_s, u"* TLS attivo: TLSv1."_s,
                            u"* certificato del server, soggetto: CN"_s,
                            u"* certificato del server, emesso da: CN"_s};
    QTest::newRow("refused password, PLAIN")
        << starttls() + auth(u"PLAIN"_s) << true << false << 535
        << QStringList{u"* connesso a 127.0.0.1 (127.0.0.1), porta {port}"_s, u"S: 220 "_s, u"C: EHLO "_s}
            + tlsUp + QStringList{u"C: AUTH PLAIN ****\n"_s, u"S: 535 "_s, u"* esito: Errore n.535 "_s};
    QTest::newRow("refused password, LOGIN") << starttls() + auth(u"LOGIN"_s) << true << false << 535
                                             << tlsUp
            + QStringList{u"C: AUTH LOGIN"_s, u"S: 334 ****\n"_s, u"C: ****\n"_s, u"S: 535 "_s,
                          u"* esito: Errore n.535 "_s};
    QTest::newRow("refused recipient")
        << QStringList{u"--refuse-rcpt"_s, u"anna@example.org"_s} << false << false << 550
        << QStringList{u"porta {port}"_s, u"C: MAIL FROM:<zoe@example.org>"_s,
                       u"C: RCPT TO:<anna@example.org>"_s, u"S: 550 "_s, u"* esito: Errore n.550 "_s};
    QTest::newRow("no STARTTLS, credentials stay home")
        << auth(u"PLAIN LOGIN"_s) << true << false << 64
        << QStringList{u"porta {port}"_s, u"C: EHLO "_s, u"S: 250 "_s, u"* esito: Errore n.64 "_s};
    QTest::newRow("certificate that fails")
        << starttls(u"selfsigned"_s) << false << false << 60
        << QStringList{u"porta {port}"_s, u"C: STARTTLS"_s, u"S: 220"_s, u"* certificato non accettato: "_s,
                       u"* esito: Errore n.60 "_s};
    QTest::newRow("port chosen among several")
        << implicitTls() + auth(u"PLAIN"_s) << true << true << 535
        << QStringList{u"* prova di 127.0.0.1:{closed}: connessione rifiutata"_s,
                       u"* prova di 127.0.0.1:{port} (TLS): TLS attivo: TLSv1."_s,
                       u"* porta scelta: {port}"_s,
                       u"* connesso a 127.0.0.1 (127.0.0.1), porta {port}"_s,
                       u"* TLS attivo: TLSv1."_s,
                       u"C: AUTH PLAIN ****"_s,
                       u"S: 535 "_s};
}

void TestKorvaneSmtpTranscript::failedSend()
{
    QFETCH(QStringList, options);
    QFETCH(bool, credentials);
    QFETCH(bool, portChoice);
    QFETCH(int, number);
    QFETCH(QStringList, expected);
    SendFixture f(options);
    KORVANE_START(f.server);
    const quint16 closed = SmtpTestServer::closedPort();
    QVERIFY(closed != 0);
    f.component.setBody(bodyMarker.repeated(80));
    if (credentials) {
        f.component.setUsername(user);
        f.component.setPassword(password);
    }
    if (portChoice) {
        f.component.setServer(u"127.0.0.1"_s);
        f.component.setUsualPorts(closed, closed, f.server.port());
    }
    KORVANE_SEND(f.component, f.watch, 20000);
    QCOMPARE(f.watch.number(), number);

    const QString transcript = f.component.lastTranscript() + u'\n';
    qsizetype at = 0;
    for (QString fragment : expected) {
        fragment.replace(u"{port}"_s, QString::number(f.server.port()))
            .replace(u"{closed}"_s, QString::number(closed));
        const qsizetype found = transcript.indexOf(fragment, at);
        QVERIFY2(found >= 0,
                 qPrintable(u"«%1» missing, or out of order, in:\n%2"_s.arg(fragment, transcript)));
        at = found + fragment.size();
    }
    for (const QString &secret : secretForms())
        QVERIFY2(!transcript.contains(secret), qPrintable(transcript));
    QVERIFY2(!transcript.contains(bodyMarker), qPrintable(transcript));
    // Shown as a box's details: printable lines only, and never unbounded.
    static const QRegularExpression unprintable(u"[\\x00-\\x09\\x0b-\\x1f\\x7f]"_s);
    QVERIFY(!transcript.contains(unprintable));
    QVERIFY(transcript.count(u'\n') <= 201);
}

void TestKorvaneSmtpTranscript::longReply_data()
{
    QTest::addColumn<QString>("verb");
    QTest::addColumn<int>("lines");         // of about 80 characters
    QTest::addColumn<QString>("command");   // as the transcript shows it
    QTest::addColumn<QString>("answering"); // as the error text says it

    // libcurl counts again, for each line of the answer to EHLO, all it had
    // read after that line: 150 lines are well past its limit.
    QTest::newRow("EHLO") << u"EHLO"_s << 150 << u"C: EHLO "_s << u"al comando EHLO"_s;
    // Any other reply counts once, against one limit for the whole conversation.
    QTest::newRow("RCPT") << u"RCPT"_s << 5000 << u"C: RCPT TO:<anna@example.org>"_s
                          << u"al comando RCPT TO"_s;
}

void TestKorvaneSmtpTranscript::longReply()
{
    QFETCH(QString, verb);
    QFETCH(int, lines);
    QFETCH(QString, command);
    QFETCH(QString, answering);
    SendFixture f({u"--long-reply"_s, verb, QString::number(lines)});
    KORVANE_START(f.server);
    KORVANE_SEND(f.component, f.watch, 20000);
    QCOMPARE(f.watch.number(), 56);
    static const QRegularExpression said(
        u"^Il server 127\\.0\\.0\\.1:(\\d+) ha inviato una risposta troppo lunga (.+) \\((\\d+) righe "
        "ricevute prima dell'interruzione\\): la libreria di rete \\(libcurl\\) non accetta risposte così "
        "lunghe e ha chiuso la connessione\\.$"_s);
    const QRegularExpressionMatch match = said.match(f.watch.description());
    QVERIFY2(match.hasMatch(), f.watch.outcome().constData());
    QCOMPARE(match.captured(1).toInt(), f.server.port());
    QCOMPARE(match.captured(2), answering);
    const int received = match.captured(3).toInt();
    QVERIFY2(received > 0 && received < lines, f.watch.outcome().constData());

    // The transcript shows how far it came: the command, the lines of its
    // answer (the first ones, then how many more), the outcome.
    const QStringList transcript = f.component.lastTranscript().split(u'\n');
    const QString joined = transcript.join(u'\n');
    qsizetype at = -1;
    for (qsizetype i = 0; i < transcript.size(); ++i)
        if (transcript[i].startsWith(command))
            at = i;
    QVERIFY2(at >= 0, qPrintable(joined));
    static const QRegularExpression unshown(u"^S: … \\(altre (\\d+) righe della risposta non mostrate\\)$"_s);
    int shown = 0;
    int more = 0;
    for (qsizetype i = at + 1; i < transcript.size(); ++i) {
        if (const auto m = unshown.match(transcript[i]); m.hasMatch())
            more += m.captured(1).toInt();
        else if (transcript[i].startsWith(u"S: 250-"_s))
            ++shown;
    }
    QCOMPARE(shown + more, received);
    QVERIFY(shown <= 40);
    QVERIFY2(transcript.contains(u"* esito: Errore n.56 "_s + f.watch.description()), qPrintable(joined));
    QVERIFY(transcript.size() <= 201);
}

QTEST_GUILESS_MAIN(TestKorvaneSmtpTranscript)
#include "tst_korvanestmp_transcript.moc"
