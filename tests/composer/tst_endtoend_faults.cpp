// The real window and component when things go wrong: a server fault shown
// and then a good send from the same window, and line breaks put into the
// one-line fields by a hand-edited settings file.
#include "composer/Form1.h"
#include "mail/KorvaneSTMP.h"
#include "settings/QSettingsStore.h"
#include "tests/support/DialogAnswerer.h"
#include "tests/support/SmtpTestServer.h"
#include "ui/QtMessageUi.h"

#include <QJsonArray>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestEndToEndFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void faultThenSendFromSameWindow();
    void restoredLineBreaks_data();
    void restoredLineBreaks();

private:
    static void send(Form1 &form, DialogAnswerer &answerer, qsizetype boxes)
    {
        QTest::mouseClick(form.controls().send, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(answerer.boxes.size(), boxes, 20000);
    }

    // QSettings fixes its directory on first use: one for the whole test.
    QTemporaryDir m_config;
};

void TestEndToEndFaults::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
}

void TestEndToEndFaults::faultThenSendFromSameWindow()
{
    SmtpTestServer refusing({u"--data-reply"_s, u"554"_s});
    SmtpTestServer healthy;
    QVERIFY2(refusing.isRunning() && healthy.isRunning(),
             qPrintable(refusing.errorString() + healthy.errorString()));
    RealWindow window;
    Form1 &form = window.form;
    DialogAnswerer &answerer = window.answerer;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.controls().server->setText(refusing.hostAndPort());
    form.controls().sender->setText(u"zoe@example.org"_s);
    form.controls().recipient->setText(u"anna@example.org"_s);
    form.controls().attachments->clear();

    send(form, answerer, 2);
    QCOMPARE(
        caption(answerer.boxes.last()),
        u"Errore: Errore n.554 Il server ha rifiutato il messaggio: 554 5.7.1 korvane-test: message rejected as spam"_s);
    const QString details = answerer.boxes.last().details;
    QVERIFY2(details.contains(u"C: DATA\n"_s) && details.contains(u"S: 554 5.7.1"_s), qPrintable(details));
    QVERIFY(form.component()->IsReady());

    form.controls().server->setText(healthy.hostAndPort());
    send(form, answerer, 3);
    QCOMPARE(caption(answerer.boxes.last()), u"Invio: EMail inviata correttamente."_s);
    QCOMPARE(answerer.boxes.last().details, QString());
    QVERIFY(healthy.waitForMessages(1));
    // Nothing more may be shown, and there is no event to wait for: a grace
    // period lets a late box show.
    QTest::qWait(200);
    QCOMPARE(answerer.boxes.size(), 3);
}

void TestEndToEndFaults::restoredLineBreaks_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");   // as written in the file, escapes and all
    QTest::addColumn<QList<int>>("numbers"); // what may come of it; 0: sent

    QTest::newRow("Server") << "SERVER"_ba
                            << "%server\\r\\nQUIT"_ba << QList<int>{1001};
    // The break becomes a space, which the address parser reads as a display
    // name before <evil@...>: the window shows that text as it will be sent.
    QTest::newRow("Mittente") << "MITTENTE"_ba
                              << "zoe@example.org\\nRCPT TO:<evil@example.net>"_ba << QList<int>{0, 1002};
    QTest::newRow("Destinatario") << "DESTINATARIO"_ba
                                  << "anna@example.org\\rRCPT TO:<evil@example.net>"_ba
                                  << QList<int>{0, 1003};
    QTest::newRow("CC") << "CC"_ba
                        << "Carla\\nBcc: evil@example.net <carla@example.org>"_ba << QList<int>{0, 1003};
    QTest::newRow("BCC") << "BCC"_ba
                         << "nascosto@example.org\\r\\nDATA"_ba << QList<int>{1003};
    QTest::newRow("Allegati") << "ALLEGATI"_ba
                              << "%dir/ok.txt\\n%dir/ok.txt"_ba << QList<int>{1005};
    QTest::newRow("Oggetto") << "OGGETTO"_ba
                             << "Prova\\r\\nBcc: evil@example.net\\r\\n\\r\\nfalso corpo"_ba << QList<int>{0};
}

namespace {

// A settings file for a good send, with value written in for key as a hand
// edit would leave it; %server and %dir in it stand for server and dir.
QByteArray settingsWith(const QByteArray &key, const QByteArray &value, const QString &server,
                        const QString &dir)
{
    QByteArrayList lines{"SERVER=%server",
                         "MITTENTE=zoe@example.org",
                         "DESTINATARIO=anna@example.org",
                         "CC=",
                         "BCC=",
                         "ALLEGATI=",
                         "OGGETTO=Prova",
                         "CONTENUTO=Ciao."};
    for (QByteArray &line : lines)
        if (line.startsWith(key + '='))
            line = key + "=\"" + value + '"';
    QByteArray ini = "[STMP]\n" + lines.takeFirst() + "\n[EMAIL]\n" + lines.join('\n') + '\n';
    ini.replace("%server", server.toLatin1()).replace("%dir", QFile::encodeName(dir));
    return ini;
}

} // namespace

void TestEndToEndFaults::restoredLineBreaks()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QList<int>, numbers);
    SmtpTestServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    QTemporaryDir files;
    QFile ok(files.filePath(u"ok.txt"_s));
    QVERIFY(ok.open(QIODevice::WriteOnly) && ok.write("ok\n") == 3);
    ok.close();

    const QByteArray ini = settingsWith(key, value, server.hostAndPort(), files.path());
    QFile file(m_config.filePath(u"KORVANE_CLIENT_STMP.ini"_s));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(ini) == ini.size());
    file.close();

    RealWindow window;
    Form1 &form = window.form;
    DialogAnswerer &answerer = window.answerer;
    form.show();
    send(form, answerer, 2);
    const QString shown = caption(answerer.boxes.last());
    const int number
        = shown.startsWith(u"Errore: Errore n."_s) ? shown.section(u'.', 1).section(u' ', 0, 0).toInt() : 0;
    QVERIFY2(numbers.contains(number) && (number || shown == u"Invio: EMail inviata correttamente."_s),
             qPrintable(shown));

    // Whatever the outcome, nothing malformed and nothing smuggled reached the server.
    if (number == 0)
        QVERIFY(server.waitForMessages(1));
    else
        QCOMPARE(server.state()[u"connections"].toInt(), 0);
    for (const QJsonObject &message : server.messages()) {
        QVERIFY2(message[u"defects"].toArray().isEmpty(),
                 qPrintable(message[u"defects"].toArray().first().toString()));
        QVERIFY(!message[u"bare_lf"].toBool());
        QCOMPARE(message[u"rcpt_tos"].toArray().size(), key == "CC" ? 2 : 1);
        QVERIFY(message[u"headers"][u"bcc"].isUndefined());
        QCOMPARE(message[u"body"].toString().trimmed(), u"Ciao."_s);
    }
    // One command per line the client meant to send: none smuggled in a field.
    const QStringList commands = server.commands();
    const QStringList verbs{u"EHLO"_s, u"MAIL"_s, u"RCPT"_s, u"DATA"_s, u"QUIT"_s};
    for (const QString &command : commands)
        QVERIFY2(verbs.contains(command.section(u' ', 0, 0).toUpper()), qPrintable(commands.join(u'\n')));
    QCOMPARE(commands.count(u"QUIT"_s), number == 0 ? 1 : 0);
}

QTEST_MAIN(TestEndToEndFaults)
#include "tst_endtoend_faults.moc"
