// The forms in which a server may quote the credentials back, hidden in the
// texts the user reads, the server's codes and other words kept.

#include "CredentialMask.h"

#include <QTest>

class TestCredentialMask : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hides_data();
    void hides();
    void hidesAcrossTranscriptLines();
    void withoutCredentialsHidesNothing();
};

void TestCredentialMask::hides_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("sent"); // a SASL payload the client wrote
    QTest::addColumn<bool>("joined");     // a reply as the dialogue keeps it
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    const QString pw = QStringLiteral("Pw-9fQ2xLr7Tz!");
    QTest::newRow("base64 with and without its padding")
        << QStringLiteral("ab") << QByteArray() << false << QStringLiteral("got YWI= and YWI.")
        << QStringLiteral("got **** and ****.");
    QTest::newRow("cut short on a secret's start")
        << pw << QByteArray() << true << QStringLiteral("535 5.7.8 ricevuto Pw-9f…")
        << QStringLiteral("535 5.7.8 ricevuto ****…");
    QTest::newRow("split over the reply's lines")
        << pw << QByteArray() << true << QStringLiteral("535-ricevuto Pw-9f 535 Q2xLr7Tz! no")
        << QStringLiteral("535-ricevuto **** 535 **** no");
    QTest::newRow("a password of digits leaves the codes")
        << QStringLiteral("535") << QByteArray() << true << QStringLiteral("535-password:535, 535 rifiutata")
        << QStringLiteral("535-password:****, 535 rifiutata");
    QTest::newRow("a tab shown as a space") << QStringLiteral("a\tbcd") << QByteArray() << false
                                            << QStringLiteral("got a bcd") << QStringLiteral("got ****");
    QTest::newRow("user name in clear stays, its base64 goes")
        << pw << QByteArray() << false << QStringLiteral("zoe em9l") << QStringLiteral("zoe ****");
    QTest::newRow("CRAM-MD5 response and its digest")
        << pw << QByteArray("em9lIGFiY2RlZg==") << false << QStringLiteral("em9lIGFiY2RlZg== zoe abcdef")
        << QStringLiteral("**** zoe ****");
    QTest::newRow("LOGIN's first payload carries only the user name")
        << pw << QByteArray("em9l") << false << QStringLiteral("zoe em9l") << QStringLiteral("zoe ****");
}

void TestCredentialMask::hides()
{
    QFETCH(QString, password);
    QFETCH(QByteArray, sent);
    QFETCH(bool, joined);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    CredentialMask mask("zoe", password.toUtf8());
    if (!sent.isEmpty())
        mask.commandSent(sent, true);
    QCOMPARE(joined ? mask.maskedJoinedReply(text) : mask.masked(text), shown);
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
