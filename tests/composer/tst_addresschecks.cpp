#include "AddressBoxCheck.h"
#include "AddressChecks.h"
#include "Form1Fixture.h"
#include "TestNameServer.h"

#include <QMenu>
#include <QTest>

using namespace Qt::StringLiterals;

// The recipient box checked against the tests' own name server: gmail.com, libero.it and esempio.it take
// mail, gmial.com has an address only, solo-ipv6.it an IPv6 address only, nessuna-posta.it a null MX,
// guasto.it fails, lento.it is never answered, and no other name exists (in the top-level zones it knows).
class TestAddressChecks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void marksAndQuestion_data();
    void marksAndQuestion();
};

void TestAddressChecks::marksAndQuestion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("server"); // "running", "stopped", or knowing "no top-level zones"
    QTest::addColumn<QStringList>("why");   // the marks' tooltips
    QTest::addColumn<QString>("fixed");     // the box once its menu's fix is chosen
    QTest::addColumn<QString>("question");  // Invia's; none: sent at once
    const auto row = [](const char *tag, const QString &text, const char *server, const QStringList &why = {},
                        const QString &fixed = {}, const QString &question = {}) {
        QTest::newRow(tag) << text << QByteArray(server) << why << fixed << question;
    };
    const char *running = "running";
    const QString typo = u"Il dominio «gmial.com» somiglia a gmail.com. Forse intendevi gmail.com?"_s;
    const QString missing = u"Il dominio «esempio-che-non-esiste.it» non esiste: nessuno vi riceve posta."_s;
    row("typo", u"mario@gmial.com"_s, running, {typo}, u"mario@gmail.com"_s,
        u"Destinatario: il dominio «gmial.com» somiglia a gmail.com. Forse intendevi gmail.com? "
        "Inviarlo lo stesso?"_s);
    const QString others = u"a@esempio.it; Mario <mario@%1>, b@solo-ipv6.it, c@guasto.it"_s;
    row("typo in a named item among others", others.arg(u"Libreo.it"_s), running,
        {u"Il dominio «Libreo.it» non riceve posta. Forse intendevi libero.it?"_s},
        others.arg(u"libero.it"_s),
        u"Destinatario: il dominio «Libreo.it» non riceve posta. Forse intendevi libero.it? "
        "Inviarlo lo stesso?"_s);
    const QString once = u"a@gmial.com, b@gmial.com; c@esempio-che-non-esiste.it"_s;
    row("each domain asked about once", once, running, {typo, typo, missing},
        u"a@gmail.com, b@gmial.com; c@esempio-che-non-esiste.it"_s,
        u"Destinatario: il dominio «gmial.com» somiglia a gmail.com. Forse intendevi gmail.com?\n"
        "Destinatario: il dominio «esempio-che-non-esiste.it» non esiste.\n\nInviarlo lo stesso?"_s);
    row("null exchanger", u"mario@nessuna-posta.it"_s, running,
        {u"Il dominio «nessuna-posta.it» non riceve posta."_s}, {},
        u"Destinatario: il dominio «nessuna-posta.it» non riceve posta. Inviarlo lo stesso?"_s);
    row("takes mail", u"mario@gmail.com"_s, running);
    row("name server stopped", u"mario@gmial.com"_s, "stopped");
    row("name server knowing no top-level zone", once, "no top-level zones", {typo, typo}, {},
        u"Destinatario: il dominio «gmial.com» somiglia a gmail.com. Forse intendevi gmail.com? "
        "Inviarlo lo stesso?"_s);
    row("silent name server", u"mario@lento.it"_s, running);
    row("refused: left to the send", u"mario.rossi"_s, running, {u"Indirizzo non valido: manca la «@»."_s});
}

// Gone back to the box: its menu's fix first, undone whole, then an address being typed there.
static void fixAndType(AddressChecks &checks, QLineEdit *box, const QString &fixed, MailFields written)
{
    QCOMPARE(QApplication::focusWidget(), box);
    const std::unique_ptr<QMenu> menu(checks.boxCheck(box)->contextMenu(QPoint(2, box->height() / 2)));
    menu->actions().first()->trigger();
    QCOMPARE(box->text(), fixed);
    box->undo();
    QCOMPARE(box->text(), written.recipient);
    // The item the cursor is in is still being typed: neither marked nor asked about.
    box->setText(u"x@gmial.it"_s);
    QCoreApplication::processEvents();
    QVERIFY(checks.boxCheck(box)->marks().isEmpty());
    written.recipient = box->text();
    QVERIFY(!checks.awaiting(written));
}

void TestAddressChecks::marksAndQuestion()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, server);
    QFETCH(QStringList, why);
    QFETCH(QString, fixed);
    QFETCH(QString, question);
    Form1Fixture f;
    TestNameServer loopback(server != "no top-level zones");
    QVERIFY(loopback.isRunning());
    qputenv("KORVANE_CLIENT_NAMESERVER", loopback.address());
    if (server == "stopped")
        loopback.stop();
    f.form->show();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    f.form->checkAddresses();
    QTRY_VERIFY(f.form->addressChecks());
    AddressChecks &checks = *f.form->addressChecks();
    QLineEdit *box = f.controls().recipient;
    MailFields written;
    written.recipient = text;
    box->setText(text);
    QCoreApplication::processEvents(); // marked once, which asks
    if (!text.contains(u"lento.it"_s))
        QTRY_VERIFY(!checks.awaiting(written));
    QCoreApplication::processEvents(); // marked again with the answers
    QStringList shown;
    for (const AddressBoxCheck::Mark &mark : checks.boxCheck(box)->marks())
        shown << mark.why;
    QCOMPARE(shown, why);

    f.ui.questionAnswers = {false};
    f.send();
    QTRY_VERIFY(f.mail->names(f.started).contains(u"Send"_s) || !f.ui.calls.isEmpty());
    QCOMPARE(f.ui.calls.isEmpty() ? QString() : f.ui.calls.first().text, question);
    // Sent without the answer the silent name server never gave.
    QCOMPARE(checks.awaiting(written), text.contains(u"lento.it"_s));
    if (!fixed.isEmpty())
        fixAndType(checks, box, fixed, written);
}

QTEST_MAIN(TestAddressChecks)
#include "tst_addresschecks.moc"
