#include "AddressBoxCheck.h"
#include "AddressChecks.h"
#include "Form1Fixture.h"
#include "TestNameServer.h"

#include <QMenu>
#include <QTest>

using namespace Qt::StringLiterals;

// The address boxes checked against the tests' own name server: gmail.com,
// libero.it and esempio.it take mail, gmial.com has an address only,
// solo-ipv6.it an IPv6 address only, guasto.it fails, lento.it is never
// answered, and no other name exists.
class TestAddressChecks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void marks_data();
    void marks();
    void question_data();
    void question();
};

namespace {

struct Window
{
    Form1Fixture f;
    TestNameServer server;
    MailFields written;
    AddressBoxCheck *check = nullptr;
};

// A window whose checks ask the server (stopped first when stopped), with
// text in Destinatario; back once every answer but the silent server's came
// and the box is marked again with them.
void start(Window &w, bool stopped, const QString &text)
{
    QVERIFY(w.server.isRunning());
    qputenv("KORVANE_CLIENT_NAMESERVER", w.server.address());
    if (stopped)
        w.server.stop();
    w.f.form->show();
    QVERIFY(QTest::qWaitForWindowActive(w.f.form.get()));
    w.f.form->checkAddresses();
    QTRY_VERIFY(w.f.form->addressChecks());
    w.check = w.f.form->addressChecks()->boxCheck(w.f.controls().recipient);
    w.f.controls().recipient->setText(text);
    w.written.recipient = text;
    QCoreApplication::processEvents();
    if (!text.contains(u"lento.it"_s))
        QTRY_VERIFY(!w.f.form->addressChecks()->awaiting(w.written));
    QCoreApplication::processEvents();
}

} // namespace

void TestAddressChecks::marks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<QString>("why");   // the tooltip of the one mark, or none
    QTest::addColumn<QString>("fixed"); // the box once its menu's fix is chosen

    QTest::newRow("typo") << u"mario@gmial.com"_s << false
                          << u"Il dominio «gmial.com» non riceve posta. Forse intendevi gmail.com?"_s
                          << u"mario@gmail.com"_s;
    QTest::newRow("typo in a named item after another")
        << u"a@esempio.it; Mario <mario@Libreo.it>, b@solo-ipv6.it, c@guasto.it"_s << false
        << u"Il dominio «Libreo.it» non riceve posta. Forse intendevi libero.it?"_s
        << u"a@esempio.it; Mario <mario@libero.it>, b@solo-ipv6.it, c@guasto.it"_s;
    QTest::newRow("no such domain")
        << u"mario@esempio-che-non-esiste.it"_s << false
        << u"Il dominio «esempio-che-non-esiste.it» non esiste: nessuno vi riceve posta."_s << QString();
    QTest::newRow("takes mail") << u"mario@gmail.com"_s << false << QString() << QString();
    QTest::newRow("name server stopped") << u"mario@gmial.com"_s << true << QString() << QString();
    QTest::newRow("refused by the send")
        << u"mario.rossi"_s << true << u"Indirizzo non valido: manca la «@»."_s << QString();
}

void TestAddressChecks::marks()
{
    QFETCH(QString, text);
    QFETCH(bool, stopped);
    QFETCH(QString, why);
    QFETCH(QString, fixed);
    Window w;
    start(w, stopped, text);
    QCOMPARE(w.check->marks().size(), why.isEmpty() ? 0 : 1);
    if (why.isEmpty())
        return;
    QCOMPARE(w.check->marks().first().why, why);

    QLineEdit *box = w.f.controls().recipient;
    const std::unique_ptr<QMenu> menu(w.check->contextMenu(QPoint(2, box->height() / 2)));
    QAction *first = menu->actions().first();
    QCOMPARE(first->text().startsWith(u"Correggi"_s), !fixed.isEmpty());
    if (fixed.isEmpty())
        return;
    first->trigger();
    QCOMPARE(box->text(), fixed);
    box->undo();
    QCOMPARE(box->text(), text);

    // The item the cursor is in is still being typed: neither marked nor asked about.
    box->setFocus();
    box->setText(u"x@gmial.it"_s);
    QCoreApplication::processEvents();
    QVERIFY(w.check->marks().isEmpty());
    w.written.recipient = box->text();
    QVERIFY(!w.f.form->addressChecks()->awaiting(w.written));
}

void TestAddressChecks::question_data()
{
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<QString>("question"); // empty: the send goes without one

    QTest::newRow("typo and missing, each once")
        << u"a@gmial.com, b@gmial.com; c@esempio-che-non-esiste.it"_s << false
        << u"Destinatario: il dominio «gmial.com» non riceve posta. Forse intendevi gmail.com?\n"
           "Destinatario: il dominio «esempio-che-non-esiste.it» non esiste.\n\nInviarlo lo stesso?"_s;
    QTest::newRow("good domains") << u"a@gmail.com, b@esempio.it"_s << false << QString();
    QTest::newRow("refused address left to the send") << u"mario.rossi"_s << false << QString();
    QTest::newRow("name server stopped") << u"a@gmial.com"_s << true << QString();
    QTest::newRow("silent name server") << u"a@lento.it"_s << false << QString();
}

void TestAddressChecks::question()
{
    QFETCH(QString, to);
    QFETCH(bool, stopped);
    QFETCH(QString, question);
    Window w;
    start(w, stopped, to);
    w.f.ui.questionAnswers = {false};

    w.f.send();
    const auto sent = [&w] { return w.f.mail->names(w.f.started).contains(u"Send"_s); };
    QTRY_VERIFY(sent() || !w.f.ui.calls.isEmpty());
    if (question.isEmpty()) {
        QVERIFY(w.f.ui.calls.isEmpty());
        // Sent without the answer the silent name server never gave.
        QCOMPARE(w.f.form->addressChecks()->awaiting(w.written), to.contains(u"lento.it"_s));
        return;
    }
    QCOMPARE(w.f.ui.calls.size(), 1);
    QCOMPARE(w.f.ui.calls.first().text, question);
    QVERIFY(!sent());
    QCOMPARE(QApplication::focusWidget(), w.f.controls().recipient);
}

QTEST_MAIN(TestAddressChecks)
#include "tst_addresschecks.moc"
