// The program as a user meets it: the real window, the real component, the
// real dialogs and settings file, sending to a loopback SMTP server.
#include "composer/Form1.h"
#include "mail/KorvaneSTMP.h"
#include "settings/QSettingsStore.h"
#include "tests/support/DialogAnswerer.h"
#include "tests/support/SmtpTestServer.h"
#include "ui/QtMessageUi.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QInputDialog>
#include <QJsonArray>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }

    void typedMessageArrivesAndFieldsComeBack()
    {
        SmtpTestServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        QTemporaryDir files;
        const QString attachment = files.filePath(QStringLiteral("verbale riunione.txt"));
        QFile f(attachment);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("ordine del giorno\n");
        f.close();

        {
            RealWindow window;
            Form1 &form = window.form;
            const DialogAnswerer &answerer = window.answerer;
            QCOMPARE(answerer.boxes.size(), 1); // the about box, before the window
            QVERIFY(answerer.boxes.first().text.contains(QStringLiteral("KORVANE CLIENT STMP")));
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));

            typeMessage(form, server.hostAndPort(), attachment);

            QTest::mouseClick(form.controls().send, Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(answerer.boxes.size(), 2, 20000);
            QCOMPARE(caption(answerer.boxes.last()), QStringLiteral("Invio: EMail inviata correttamente."));

            checkArrived(server);
            if (QTest::currentTestFailed())
                return;

            QTest::mouseClick(form.controls().close, Qt::LeftButton);
        }

        // The next start brings back what was typed.
        RealWindow restarted;
        const Form1 &again = restarted.form;
        QCOMPARE(again.controls().server->text(), server.hostAndPort());
        QCOMPARE(again.controls().sender->text(), QStringLiteral("\"Rossi, Mario\" <m.rossi@example.it>"));
        QCOMPARE(again.controls().attachments->text(), attachment);
        QCOMPARE(again.controls().priority->currentIndex(), 0);
        QCOMPARE(again.controls().body->toPlainText(), QStringLiteral("  Ciao Anna,\necco il verbale."));
    }

    void authenticatedSendPromptsAndUsesTls()
    {
        const TestCertificates &certs = TestCertificates::instance();
        QVERIFY2(certs.isValid(), qPrintable(certs.error()));
        SmtpTestServer server(QStringList{QStringLiteral("--starttls")} + certs.pair(QStringLiteral("server"))
                              + QStringList{QStringLiteral("--auth"), QStringLiteral("mario: segreto ")});
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));

        RealWindow window({QStringLiteral("  mario "), QStringLiteral(" segreto ")},
                          [&certs](KorvaneSTMP &component) { component.setCaFile(certs.caFile()); });
        Form1 &form = window.form;
        const DialogAnswerer &answerer = window.answerer;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The certificate names localhost: the host name is checked too.
        form.controls().server->setText(QStringLiteral("localhost:%1").arg(server.port()));
        form.controls().sender->setText(QStringLiteral("mario@example.it"));
        form.controls().recipient->setText(QStringLiteral("anna@example.org"));
        form.controls().attachments->clear();
        form.controls().authenticate->setChecked(true);

        QTest::mouseClick(form.controls().send, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(answerer.boxes.size(), 2, 20000);
        QCOMPARE(caption(answerer.boxes.last()), QStringLiteral("Invio: EMail inviata correttamente."));
        QCOMPARE(answerer.prompts,
                 (QStringList{
                     QStringLiteral("Username|Immettere l'username:|%1").arg(int(QLineEdit::Normal)),
                     QStringLiteral("Password|Immettere la password:|%1").arg(int(QLineEdit::Password))}));
        QVERIFY(server.waitForMessages(1));
        QCOMPARE(server.messages().first()[u"tls"].toBool(), true);
        QCOMPARE(server.state()[u"auth_seen"].toBool(), true);
    }

    // Pasted as a user would: Qt's own limit on a line edit cut such a paste
    // short without a word, and the send went to the addresses that fitted.
    void longListsArriveWhole()
    {
        SmtpTestServer server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        QStringList addresses;
        qsizetype length = 0;
        for (int i = 0; length < 100000; ++i) {
            // Long local parts: 100,000 characters in fewer round trips.
            addresses << QStringLiteral("destinatario.della.lista.di.prova.numero.%1@example.org")
                             .arg(i, 5, 10, QChar(u'0'));
            length += addresses.last().size() + 2;
        }
        const QString recipients = addresses.join(QStringLiteral(", "));
        QString subject;
        for (int i = 0; subject.size() < 100000; ++i)
            subject += QStringLiteral("parola%1 ").arg(i);
        subject = subject.trimmed();

        RealWindow window;
        Form1 &form = window.form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.controls().server->setText(server.hostAndPort());
        form.controls().sender->setText(QStringLiteral("mario@example.it"));
        for (const auto &[box, text] : {std::pair{form.controls().recipient, recipients},
                                        std::pair{form.controls().subject, subject}}) {
            box->clear();
            box->setFocus();
            QGuiApplication::clipboard()->setText(text);
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(box->text().size(), text.size());
        }
        // Whatever an earlier case left in the settings.
        form.controls().cc->clear();
        form.controls().bcc->clear();
        form.controls().attachments->clear();
        form.controls().authenticate->setChecked(false);

        QTest::mouseClick(form.controls().send, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(window.answerer.boxes.size(), 2, 60000);
        QCOMPARE(caption(window.answerer.boxes.last()),
                 QStringLiteral("Invio: EMail inviata correttamente."));
        QVERIFY(server.waitForMessages(1));
        const QStringList rcpt = server.commands().filter(QStringLiteral("RCPT TO:"), Qt::CaseInsensitive);
        QCOMPARE(rcpt.size(), addresses.size());
        QVERIFY2(rcpt.last().contains(addresses.last()), qPrintable(rcpt.last()));
        const QJsonObject message = server.messages().first();
        QCOMPARE(message[u"rcpt_tos"].toArray().size(), addresses.size());
        QVERIFY(message[u"headers"][u"subject"][0].toString() == subject);
        QVERIFY(message[u"defects"].toArray().isEmpty());
    }

private:
    // Every field of the window filled in by keyboard, the way a user writes
    // the message: spaces around the server and the body, an accented name.
    static void typeMessage(Form1 &form, const QString &hostAndPort, const QString &attachment)
    {
        type(form.controls().server, QStringLiteral("  ") + hostAndPort + QStringLiteral(" "));
        type(form.controls().sender, QStringLiteral("\"Rossi, Mario\" <m.rossi@example.it>"));
        type(form.controls().recipient, QStringLiteral("Anna Bellè <anna@example.org>"));
        type(form.controls().cc, QStringLiteral("cc@example.org"));
        type(form.controls().bcc, QStringLiteral("nascosto@example.org"));
        type(form.controls().attachments, attachment);
        type(form.controls().subject, QStringLiteral("Verbale di lunedì"));
        form.controls().priority->setCurrentIndex(0);
        auto *body = form.controls().body;
        body->setFocus();
        QTest::keyClicks(body, QStringLiteral("  Ciao Anna,"));
        QTest::keyClick(body, Qt::Key_Return);
        QTest::keyClicks(body, QStringLiteral("ecco il verbale.  "));
    }

    // The message typed by typeMessage(), as the server received it.
    static void checkArrived(const SmtpTestServer &server)
    {
        QVERIFY(server.waitForMessages(1));
        const QJsonObject message = server.messages().first();
        QCOMPARE(message[u"mail_from"].toString(), QStringLiteral("m.rossi@example.it"));
        QCOMPARE(message[u"rcpt_tos"].toArray().size(), 3);
        QCOMPARE(message[u"headers"][u"subject"][0].toString(), QStringLiteral("Verbale di lunedì"));
        QCOMPARE(message[u"headers"][u"to"][0].toString(), QStringLiteral("Anna Bellè <anna@example.org>"));
        QCOMPARE(message[u"headers"][u"x-priority"][0].toString(), QStringLiteral("1 (Highest)"));
        QVERIFY(message[u"headers"][u"bcc"].isUndefined());
        QCOMPARE(message[u"body"].toString().trimmed(), QStringLiteral("Ciao Anna,\necco il verbale."));
        QVERIFY(message[u"body"].toString().startsWith(u"  Ciao"));
        QCOMPARE(message[u"attachments"][0][u"filename"].toString(), QStringLiteral("verbale riunione.txt"));
        QVERIFY(message[u"defects"].toArray().isEmpty());
    }

    static void type(QLineEdit *box, const QString &value)
    {
        box->setFocus();
        // Key events only carry ASCII here; the rest goes in as an input method would.
        for (QChar c : value) {
            if (c.unicode() < 0x80)
                QTest::keyClick(box, c.toLatin1());
            else
                box->insert(c);
        }
    }

    QTemporaryDir m_config;
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
