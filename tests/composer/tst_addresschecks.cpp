#include "composer/AddressBoxCheck.h"
#include "composer/AddressChecks.h"
#include "tests/support/Form1Fixture.h"
#include "tests/support/TestNameServer.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>

#include <algorithm>

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
    void longBoxMarkedInView();
};

void TestAddressChecks::marksAndQuestion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("server"); // "running", "stopped", or knowing "no top-level zones"
    QTest::addColumn<QStringList>("why");   // the marks' tooltips
    QTest::addColumn<QString>("fixed");     // the box once its menu's fix is chosen
    QTest::addColumn<QString>("question");  // Invia's; none: sent at once
    QTest::addColumn<QString>("menu");      // what opens the menu, with the cursor in the slip
    const auto row = [](const char *tag, const QString &text, const char *server, const QStringList &why = {},
                        const QString &fixed = {}, const QString &question = {}, const QString &menu = {}) {
        QTest::newRow(tag) << text << QByteArray(server) << why << fixed << question << menu;
    };
    const char *running = "running";
    const QString typo = u"Il dominio «gmial.com» somiglia a gmail.com. Forse intendevi gmail.com?"_s;
    const QString missing = u"Il dominio «esempio-che-non-esiste.it» non esiste: nessuno vi riceve posta."_s;
    row("typo", u"mario@gmial.com"_s, running, {typo}, u"mario@gmail.com"_s,
        u"Destinatario: il dominio «gmial.com» somiglia a gmail.com. Forse intendevi gmail.com? "
        "Inviarlo lo stesso?"_s,
        u"Shift+F10"_s);
    const QString others = u"a@esempio.it; Mario <mario@%1>, b@solo-ipv6.it, c@guasto.it"_s;
    row("typo in a named item among others", others.arg(u"Libreo.it"_s), running,
        {u"Il dominio «Libreo.it» non riceve posta. Forse intendevi libero.it?"_s},
        others.arg(u"libero.it"_s),
        u"Destinatario: il dominio «Libreo.it» non riceve posta. Forse intendevi libero.it? "
        "Inviarlo lo stesso?"_s,
        u"menu key"_s);
    const QString once = u"a@gmial.com, b@gmial.com; c@esempio-che-non-esiste.it"_s;
    row("each domain asked about once", once, running, {typo, typo, missing},
        u"a@gmail.com, b@gmial.com; c@esempio-che-non-esiste.it"_s,
        u"Destinatario: il dominio «gmial.com» somiglia a gmail.com. Forse intendevi gmail.com?\n"
        "Destinatario: il dominio «esempio-che-non-esiste.it» non esiste.\n\nInviarlo lo stesso?"_s,
        u"right button"_s);
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

// Gone back to the box, the cursor in the slip: a screen reader is told why, and the menu, however it
// opens, has the fix first while the mark stays; undone whole, then an address being typed there.
static void fixAndType(AddressChecks &checks, QLineEdit *box, const QStringList &why, const QString &fixed,
                       const QString &opens, MailFields written)
{
    QCOMPARE(QApplication::focusWidget(), box);
    const auto slip = std::mismatch(fixed.cbegin(), fixed.cend(), written.recipient.cbegin());
    box->setCursorPosition(int(slip.first - fixed.cbegin()));
    QTRY_COMPARE(box->accessibleDescription(), why.first());
    if (opens == u"Shift+F10"_s) {
        QTest::keyClick(box, Qt::Key_F10, Qt::ShiftModifier);
    } else {
        const bool key = opens == u"menu key"_s;
        const QPoint at = key ? box->inputMethodQuery(Qt::ImCursorRectangle).toRect().center()
                              : QPoint(2, box->height() / 2);
        QContextMenuEvent request(key ? QContextMenuEvent::Keyboard : QContextMenuEvent::Mouse, at,
                                  box->mapToGlobal(at));
        QApplication::sendEvent(box, &request);
    }
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QCOMPARE(checks.boxCheck(box)->marks().size(), why.size());
    if (opens != u"right button"_s) // Return takes it
        QCOMPARE(menu->activeAction(), menu->actions().first());
    menu->actions().first()->trigger();
    menu->close();
    QCOMPARE(box->text(), fixed);
    box->undo();
    QCOMPARE(box->text(), written.recipient);
    // The item typed is neither marked nor asked about until it is finished, here by its menu, which takes
    // the fix once the name server answers.
    box->clear();
    QTest::keyClicks(box, u"x@libreo.it"_s);
    QCoreApplication::processEvents();
    QVERIFY(checks.boxCheck(box)->marks().isEmpty());
    written.recipient = box->text();
    QVERIFY(!checks.awaiting(written));
    QTest::keyClick(box, Qt::Key_F10, Qt::ShiftModifier);
    menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QTRY_COMPARE(menu->actions().first()->text(), u"Correggi «libreo.it» in «libero.it»"_s);
    QCOMPARE(menu->activeAction(), menu->actions().first());
    menu->close();
}

void TestAddressChecks::marksAndQuestion()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, server);
    QFETCH(QStringList, why);
    QFETCH(QString, fixed);
    QFETCH(QString, question);
    QFETCH(QString, menu);
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
        fixAndType(checks, box, why, fixed, menu, written);
}

// A box at its limit costs a key the items around the part in view, not all of them.
void TestAddressChecks::longBoxMarkedInView()
{
    Form1Fixture f;
    f.form->show();
    f.form->checkAddresses();
    QTRY_VERIFY(f.form->addressChecks());
    QString text;
    for (int n = 0; text.size() < 600'000; ++n)
        text += u"nome%1, "_s.arg(n);
    text += u"ultimo"_s;
    QLineEdit *box = f.controls().recipient;
    box->setText(text);
    const AddressBoxCheck *check = f.form->addressChecks()->boxCheck(box);
    QTRY_VERIFY(!check->marks().isEmpty());
    QVERIFY2(check->marks().size() < 100, qPrintable(QString::number(check->marks().size())));
    QCOMPARE(check->marks().last().item.end, text.size());
}

QTEST_MAIN(TestAddressChecks)
#include "tst_addresschecks.moc"
