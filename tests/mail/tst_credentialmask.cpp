// The forms in which a server may quote the credentials back, hidden in the
// texts the user reads, the server's codes and other words kept: also once
// the reply is cleaned for display, where characters that cannot be shown
// became spaces and the ends of its lines were trimmed.

#include "CredentialMask.h"
#include "ReplyReader.h"

#include <QTest>

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
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("sent"); // a SASL payload the client wrote
    QTest::addColumn<Via>("via");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    const QString pw = QStringLiteral("Pw-9fQ2xLr7Tz!");
    QTest::newRow("base64 with and without its padding")
        << QStringLiteral("ab") << QByteArray() << Text << QStringLiteral("got YWI= and YWI.")
        << QStringLiteral("got **** and ****.");
    QTest::newRow("cut short on a secret's start")
        << pw << QByteArray() << Joined << QStringLiteral("535 5.7.8 ricevuto Pw-9f…")
        << QStringLiteral("535 5.7.8 ricevuto ****…");
    QTest::newRow("split over the reply's lines")
        << pw << QByteArray() << Joined << QStringLiteral("535-ricevuto Pw-9f 535 Q2xLr7Tz! no")
        << QStringLiteral("535-ricevuto **** 535 **** no");
    QTest::newRow("a password of digits leaves the codes")
        << QStringLiteral("535") << QByteArray() << Joined
        << QStringLiteral("535-password:535, 535 rifiutata")
        << QStringLiteral("535-password:****, 535 rifiutata");
    QTest::newRow("a tab shown as a space") << QStringLiteral("a\tbcd") << QByteArray() << Text
                                            << QStringLiteral("got a bcd") << QStringLiteral("got ****");
    QTest::newRow("user name in clear stays, its base64 goes")
        << pw << QByteArray() << Text << QStringLiteral("zoe em9l") << QStringLiteral("zoe ****");
    QTest::newRow("CRAM-MD5 response and its digest")
        << pw << QByteArray("em9lIGFiY2RlZg==") << Text << QStringLiteral("em9lIGFiY2RlZg== zoe abcdef")
        << QStringLiteral("**** zoe ****");
    QTest::newRow("LOGIN's first payload carries only the user name")
        << pw << QByteArray("em9l") << Text << QStringLiteral("zoe em9l") << QStringLiteral("zoe ****");

    // What the display cleaning changes: characters it cannot show (format
    // characters such as U+00AD, U+200B and the U+200D of emoji sequences,
    // controls) become spaces, and the blanks at a line's end go.
    const QString shy = QStringLiteral("Zaffiro\u00ADblu7");
    QTest::newRow("U+00AD, quoted") << shy << QByteArray() << Read
                                    << QStringLiteral("535 5.7.8 ricevuto Zaffiro\u00ADblu7 (PLAIN)")
                                    << QStringLiteral("535 5.7.8 ricevuto **** (PLAIN)");
    QTest::newRow("U+00AD, already shown as a space")
        << shy << QByteArray() << Joined << QStringLiteral("535 ricevuto Zaffiro blu7")
        << QStringLiteral("535 ricevuto ****");
    QTest::newRow("U+200B, quoted at the reply's end")
        << QStringLiteral("ab\u200Bcd-42") << QByteArray() << Read
        << QStringLiteral("535 5.7.8 ricevuto ab\u200Bcd-42") << QStringLiteral("535 5.7.8 ricevuto ****");
    const QString blackCat = QStringLiteral("gatto\U0001F408\u200D\u2B1B!");
    QTest::newRow("U+200D of an emoji sequence")
        << blackCat << QByteArray() << Read << QStringLiteral("535 ricevuto %1 no").arg(blackCat)
        << QStringLiteral("535 ricevuto **** no");
    QTest::newRow("U+200D of an emoji sequence, its base64")
        << blackCat << QByteArray() << Read
        << QStringLiteral("535 ricevuto %1 no").arg(QString::fromLatin1(blackCat.toUtf8().toBase64()))
        << QStringLiteral("535 ricevuto **** no");
    QTest::newRow("a format character outside the BMP")
        << QStringLiteral("tag\U000E0041x9") << QByteArray() << Read
        << QStringLiteral("535 ricevuto tag\U000E0041x9 no") << QStringLiteral("535 ricevuto **** no");
    QTest::newRow("a control character")
        << QStringLiteral("a\u001Bb-77") << QByteArray() << Read
        << QStringLiteral("535 ricevuto a\u001Bb-77 no") << QStringLiteral("535 ricevuto **** no");
    QTest::newRow("another invisible character in its place")
        << QStringLiteral("a\u200Bb-77") << QByteArray() << Read
        << QStringLiteral("535 ricevuto a\u200Cb-77 no") << QStringLiteral("535 ricevuto **** no");
    QTest::newRow("another invisible character in its place, before cleaning")
        << QStringLiteral("a\u200Bb-77") << QByteArray() << Text
        << QStringLiteral("S: 535 ricevuto a\u200Cb-77") << QStringLiteral("S: 535 ricevuto ****");
    QTest::newRow("trailing spaces at a line's end")
        << QStringLiteral("segreto  ") << QByteArray() << Read
        << QStringLiteral("535-ricevuto segreto  \n535 fine") << QStringLiteral("535-ricevuto **** 535 fine");
    QTest::newRow("trailing spaces at the reply's end")
        << QStringLiteral("segreto \t") << QByteArray() << Read << QStringLiteral("535 ricevuto segreto \t")
        << QStringLiteral("535 ricevuto ****");
    QTest::newRow("a trailing U+200B at the reply's end")
        << QStringLiteral("segreto\u200B") << QByteArray() << Read
        << QStringLiteral("535 ricevuto segreto\u200B") << QStringLiteral("535 ricevuto ****");
    QTest::newRow("a trailing no-break space at a line's end")
        << QStringLiteral("segreto\u00A0") << QByteArray() << Read
        << QStringLiteral("535-ricevuto segreto\u00A0\n535 fine")
        << QStringLiteral("535-ricevuto **** 535 fine");
    QTest::newRow("split over the reply's lines on its blanks")
        << QStringLiteral("due  parole") << QByteArray() << Read
        << QStringLiteral("535-ricevuto due \n535  parole, fine")
        << QStringLiteral("535-ricevuto **** 535 ****, fine");
    const QString filler(600 - 10, u'x'); // with "535-" and " Pw-9f", the reply's first 600 characters
    QTest::newRow("cut short on a secret's start, the lines after it left out")
        << pw << QByteArray() << Read << QStringLiteral("535-%1 Pw-9f\n535 Q2xLr7Tz! fine").arg(filler)
        << QStringLiteral("535-%1 ****…").arg(filler);
}

void TestCredentialMask::hides()
{
    QFETCH(QString, password);
    QFETCH(QByteArray, sent);
    QFETCH(Via, via);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    CredentialMask mask("zoe", password.toUtf8());
    if (!sent.isEmpty())
        mask.commandSent(sent, true);
    switch (via) {
    case Text:
        QCOMPARE(mask.masked(text), shown);
        break;
    case Joined:
        QCOMPARE(mask.maskedJoinedReply(text), shown);
        break;
    case Read: {
        ReplyReader reader;
        for (const QString &line : text.split(u'\n'))
            reader.read(line.toUtf8() + "\r\n");
        QCOMPARE(reader.replies(), 1);
        QCOMPARE(mask.maskedJoinedReply(reader.text()), shown);
        break;
    }
    }
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
