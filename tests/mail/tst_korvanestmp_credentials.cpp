// A server that quotes back what it got in AUTH: none of the credentials, in
// clear or encoded, reaches the failure's text, the transcript or the
// verbose echo on standard error; the server's code and other words do.

#include "common/StandardError.h"
#include "tests/support/SmtpTestCase.h"

#include <QMessageAuthenticationCode>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cstdio>

#include <unistd.h>

using namespace MailTest;

class TestKorvaneSmtpCredentials : public SmtpTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void quotedBack_data();
    void quotedBack();
};

namespace {

// Standard error goes to a file for as long as this lives.
class StderrCapture
{
public:
    StderrCapture()
    {
        if (!m_file.open())
            return;
        std::fflush(stderr);
        m_saved = dup(STDERR_FILENO);
        dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    QString text()
    {
        StandardError::drain(std::chrono::seconds(30)); // the echo writes on a thread of its own
        restore();
        m_file.seek(0);
        return QString::fromLocal8Bit(m_file.readAll());
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
        m_saved = -1;
    }

    QTemporaryFile m_file;
    int m_saved = -1;
};

QString base64(const QByteArray &bytes) { return QString::fromLatin1(bytes.toBase64()); }

// Every form of the credentials the client sent that must not be shown.
QStringList secretForms(const QString &secret, const QString &mechanism, const QStringList &serverLog)
{
    const QByteArray pass = secret.toUtf8();
    const QByteArray name = user.toUtf8();
    QStringList forms{secret, base64(pass), base64(name), base64('\0' + name + '\0' + pass)};
    if (mechanism == u"CRAM-MD5") {
        // The response depends on the challenge, which the server logged.
        QByteArray challenge;
        for (const QString &line : serverLog)
            if (const qsizetype at = line.indexOf(QStringLiteral(" S 334 ")); at >= 0)
                challenge = QByteArray::fromBase64(line.mid(at + 7).toLatin1());
        const QByteArray digest
            = QMessageAuthenticationCode::hash(challenge, pass, QCryptographicHash::Md5).toHex();
        forms << QString::fromLatin1(digest) << base64(name + ' ' + digest);
    }
    for (const QString &form : QStringList(forms))
        if (form.endsWith(u'='))
            forms << QString(form).remove(u'=');
    return forms;
}

// The first form text shows, also across the lines of a reply: the server
// may split what it quotes over them.
QString firstShown(const QString &text, const QStringList &forms)
{
    static const QRegularExpression lineJoin(QStringLiteral(R"(\s*(?:S: )?\b\d{3}-)"));
    const QString glued = QString(text).remove(lineJoin);
    for (const QString &form : forms)
        if (text.contains(form) || glued.contains(form))
            return form;
    return {};
}

} // namespace

void TestKorvaneSmtpCredentials::quotedBack_data()
{
    QTest::addColumn<QString>("mechanism");
    QTest::addColumn<QString>("echo");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("refused"); // the password the server refuses
    QTest::addColumn<QString>("shownAs"); // its form once cleaned for display, if another
    const QString wrong = QStringLiteral("Sb4gl+ata/X?");
    for (const char *mechanism : {"PLAIN", "LOGIN", "CRAM-MD5"}) {
        QTest::addRow("%s, 535 quoting it", mechanism)
            << mechanism << "inline" << false << wrong << QString();
        QTest::addRow("%s, 535 quoting it split over lines", mechanism)
            << mechanism << "split" << false << wrong << QString();
        QTest::addRow("%s, 235 quoting it", mechanism) << mechanism << "inline" << true << wrong << QString();
        QTest::addRow("%s, 235 quoting it split over lines", mechanism)
            << mechanism << "split" << true << wrong << QString();
    }
    // Characters the display cleaning turns into spaces.
    QTest::newRow("PLAIN, 535 quoting one with the U+200D of an emoji sequence")
        << QStringLiteral("PLAIN") << "inline" << false << QStringLiteral("gatto\U0001F408\u200D\u2B1B!")
        << QStringLiteral("gatto\U0001F408 \u2B1B!");
    QTest::newRow("LOGIN, 535 quoting one with U+00AD split over lines")
        << QStringLiteral("LOGIN") << "split" << false << QStringLiteral("Zaffiro\u00ADblu7")
        << QStringLiteral("Zaffiro blu7");
}

void TestKorvaneSmtpCredentials::quotedBack()
{
    QFETCH(QString, mechanism);
    QFETCH(QString, echo);
    QFETCH(bool, accepted);
    QFETCH(QString, refused);
    QFETCH(QString, shownAs);
    const QString secret = accepted ? password : refused;
    SendFixture f(
        starttls()
        + QStringList{"--auth", user + u':' + password, "--auth-mechs", mechanism, "--echo-auth", echo});
    KORVANE_START(f.server);
    f.component.setUsername(user);
    f.component.setPassword(secret);
    f.component.setVerbose(true);
    StderrCapture stderrCapture;
    KORVANE_SEND(f.component, f.watch, 15000);
    const QString echoed = stderrCapture.text();
    QCOMPARE(f.watch.completed.count(), accepted ? 1 : 0);

    const QStringList serverLog = f.server.sessionLog();
    const QString code = accepted ? QStringLiteral("235") : QStringLiteral("535");
    QVERIFY2(serverLog.join(u'\n').contains(QStringLiteral("ricevuto")), qPrintable(serverLog.join(u'\n')));
    QStringList forms = secretForms(secret, mechanism, serverLog);
    if (!shownAs.isEmpty())
        forms << shownAs;
    const QString transcript = f.component.lastTranscript();
    const QString words
        = accepted ? QStringLiteral("accesso riuscito") : QStringLiteral("credenziali rifiutate");
    for (const QString &shown : {transcript, echoed, f.watch.description()}) {
        QVERIFY2(firstShown(shown, forms).isEmpty(), qPrintable(firstShown(shown, forms) + u'\n' + shown));
        if (accepted && shown.isEmpty())
            continue; // a send that went through has no failure to describe
        QVERIFY2(shown.contains(code) && shown.contains(words)
                     && shown.contains(QStringLiteral("ricevuto ****")),
                 qPrintable(shown));
    }
    // The user name in clear is no secret: the server's words naming it stay.
    QVERIFY2(transcript.contains(QStringLiteral(" per ") + user), qPrintable(transcript));
    QVERIFY2(echoed.contains(QStringLiteral("S: %1").arg(code)), qPrintable(echoed));
}

QTEST_GUILESS_MAIN(TestKorvaneSmtpCredentials)
#include "tst_korvanestmp_credentials.moc"
