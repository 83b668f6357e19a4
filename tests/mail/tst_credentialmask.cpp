// The forms in which a server may quote the credentials back, hidden in the
// texts the user reads, the server's codes and other words kept: also once
// the reply is cleaned for display, where characters that cannot be shown
// became spaces and the ends of its lines were trimmed.

#include "mail/smtp/CredentialMask.h"
#include "mail/smtp/ReplyReader.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCredentialMask : public QObject
{
    Q_OBJECT

public:
    // How a row's text reaches the mask.
    enum Via {
        Text,   // as it is: a transcript line, libcurl's words
        Joined, // a reply as the dialogue keeps it
        Read,   // the server's lines ("\n" between them), read as the dialogue
                // reads them and masked as SmtpTransfer::failure masks them
    };
    Q_ENUM(Via)

private Q_SLOTS:
    void hides_data();
    void hides();
    void hidesAcrossTranscriptLines();
    void withoutCredentialsHidesNothing();
};

// A table: its rows read best side by side.
// NOLINTNEXTLINE(readability-function-size)
void TestCredentialMask::hides_data()
{
    QTest::addColumn<Via>("via");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("sent"); // a SASL payload the client wrote
    const auto row
        = [](const char *tag, Via via, const QString &password, const QString &text, const QString &shown,
             const QByteArray &sent = {}) { QTest::newRow(tag) << via << password << text << shown << sent; };

    const QString pw = u"Pw-9fQ2xLr7Tz!"_s;
    row("base64 with and without its padding", Text, u"ab"_s, u"got YWI= and YWI."_s,
        u"got **** and ****."_s);
    row("cut short on a secret's start", Joined, pw, u"535 5.7.8 ricevuto Pw-9f…"_s,
        u"535 5.7.8 ricevuto ****…"_s);
    row("split over the reply's lines", Joined, pw, u"535-ricevuto Pw-9f 535 Q2xLr7Tz! no"_s,
        u"535-ricevuto **** 535 **** no"_s);
    row("a password of digits leaves the codes", Joined, u"535"_s, u"535-password:535, 535 rifiutata"_s,
        u"535-password:****, 535 rifiutata"_s);
    row("a tab shown as a space", Text, u"a\tbcd"_s, u"got a bcd"_s, u"got ****"_s);
    row("user name in clear stays, its base64 goes", Text, pw, u"zoe em9l"_s, u"zoe ****"_s);
    row("CRAM-MD5 response and its digest", Text, pw, u"em9lIGFiY2RlZg== zoe abcdef"_s, u"**** zoe ****"_s,
        "em9lIGFiY2RlZg==");
    row("LOGIN's first payload carries only the user name", Text, pw, u"zoe em9l"_s, u"zoe ****"_s, "em9l");

    // What the display cleaning changes: characters it cannot show (format
    // characters such as U+00AD, U+200B and the U+200D of emoji sequences,
    // controls) become spaces, and the blanks at a line's end go.
    const QString shy = u"Zaffiro\u00ADblu7"_s;
    row("U+00AD, quoted", Read, shy, u"535 5.7.8 ricevuto Zaffiro\u00ADblu7 (PLAIN)"_s,
        u"535 5.7.8 ricevuto **** (PLAIN)"_s);
    row("U+00AD, already shown as a space", Joined, shy, u"535 ricevuto Zaffiro blu7"_s,
        u"535 ricevuto ****"_s);
    row("U+200B, quoted at the reply's end", Read, u"ab\u200Bcd-42"_s, u"535 5.7.8 ricevuto ab\u200Bcd-42"_s,
        u"535 5.7.8 ricevuto ****"_s);
    const QString cat = u"gatto\U0001F408\u200D\u2B1B!"_s;
    const QString quoted = u"535 ricevuto %1 no"_s;
    const QString masked = u"535 ricevuto **** no"_s;
    row("U+200D of an emoji sequence", Read, cat, quoted.arg(cat), masked);
    row("U+200D of an emoji sequence, its base64", Read, cat,
        quoted.arg(QLatin1String(cat.toUtf8().toBase64())), masked);
    row("a format character outside the BMP", Read, u"tag\U000E0041x9"_s, quoted.arg(u"tag\U000E0041x9"_s),
        masked);
    row("a control character", Read, u"a\u001Bb-77"_s, quoted.arg(u"a\u001Bb-77"_s), masked);
    row("another invisible character in its place", Read, u"a\u200Bb-77"_s, quoted.arg(u"a\u200Cb-77"_s),
        masked);
    row("another invisible character in its place, before cleaning", Text, u"a\u200Bb-77"_s,
        u"S: 535 ricevuto a\u200Cb-77"_s, u"S: 535 ricevuto ****"_s);
    row("trailing spaces at a line's end", Read, u"segreto  "_s, u"535-ricevuto segreto  \n535 fine"_s,
        u"535-ricevuto **** 535 fine"_s);
    row("trailing spaces at the reply's end", Read, u"segreto \t"_s, u"535 ricevuto segreto \t"_s,
        u"535 ricevuto ****"_s);
    row("a trailing U+200B at the reply's end", Read, u"segreto\u200B"_s, u"535 ricevuto segreto\u200B"_s,
        u"535 ricevuto ****"_s);
    row("a trailing no-break space at a line's end", Read, u"segreto\u00A0"_s,
        u"535-ricevuto segreto\u00A0\n535 fine"_s, u"535-ricevuto **** 535 fine"_s);
    row("split over the reply's lines on its blanks", Read, u"due  parole"_s,
        u"535-ricevuto due \n535  parole, fine"_s, u"535-ricevuto **** 535 ****, fine"_s);
    const QString filler(600 - 10, u'x'); // with "535-" and " Pw-9f", the reply's first 600 characters
    row("cut short on a secret's start, the lines after it left out", Read, pw,
        u"535-%1 Pw-9f\n535 Q2xLr7Tz! fine"_s.arg(filler), u"535-%1 ****…"_s.arg(filler));
}

void TestCredentialMask::hides()
{
    QFETCH(Via, via);
    QFETCH(QString, password);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(QByteArray, sent);
    CredentialMask mask("zoe", password.toUtf8());
    if (!sent.isEmpty())
        mask.commandSent(sent, true);
    if (via == Read) {
        ReplyReader reader;
        for (const QString &line : text.split(u'\n'))
            reader.read(line.toUtf8() + "\r\n");
        QCOMPARE(reader.replies(), 1);
        text = reader.text();
    }
    QCOMPARE(via == Text ? mask.masked(text) : mask.maskedJoinedReply(text), shown);
}

void TestCredentialMask::hidesAcrossTranscriptLines()
{
    const CredentialMask mask("zoe", "Pw-9fQ2xLr7Tz!");
    const QStringList lines{"S: 535-ricevuto Pw-9f", "S: 535-Q2xLr7Tz!", "S: 535 fine"};
    QCOMPARE(mask.maskedReply(lines, 7), QStringList({"S: 535-ricevuto ****", "S: 535-****", "S: 535 fine"}));
}

void TestCredentialMask::withoutCredentialsHidesNothing()
{
    // An empty PLAIN payload is "AAA=": no send without credentials wrote it.
    const CredentialMask mask("", "");
    QCOMPARE(mask.masked(QStringLiteral("250 AAA= AAA")), QStringLiteral("250 AAA= AAA"));
}

QTEST_GUILESS_MAIN(TestCredentialMask)
#include "tst_credentialmask.moc"
