#include "common/FieldTable.h"
#include "composer/ComponentPlace.h"
#include "composer/FieldKeeper.h"
#include "tests/support/Form1Fixture.h"

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowIsFixedWithoutMaximize();
    void controlsFollowTheTable_data();
    void controlsFollowTheTable();
    void labelsNameTheirBoxes();
    void everyFieldHasItsControls();
    void placeNeverTakesFocus();
    void tabOrder_data();
    void tabOrder();
    void accessKeys_data();
    void accessKeys();
    void sendStartsOnTheKey_data();
    void sendStartsOnTheKey();
};

void TestLayout::windowIsFixedWithoutMaximize()
{
    Form1Fixture f;
    QCOMPARE(f.form->minimumSize(), QSize(501, 515));
    QCOMPARE(f.form->maximumSize(), QSize(501, 515));
    const Qt::WindowFlags flags = f.form->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!f.form->windowIcon().isNull());
    QVERIFY(f.form->windowIcon().availableSizes().contains(QSize(16, 16)));
}

void TestLayout::controlsFollowTheTable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("pixels");
    QTest::addColumn<bool>("bold");

    QTest::newRow("lblSvr") << u"lblSvr"_s << u"STMP Server:"_s << QRect(8, 8, 81, 25) << true;
    QTest::newRow("txtSrvSTMP") << u"txtSrvSTMP"_s << QString() << QRect(96, 8, 265, 25) << false;
    QTest::newRow("lblPriorita") << u"lblPriorita"_s << u"Priorità:"_s << QRect(8, 200, 81, 25) << true;
    QTest::newRow("cboPriorita") << u"cboPriorita"_s << QString() << QRect(96, 200, 145, 21) << false;
    QTest::newRow("txtContenuto") << u"txtContenuto"_s << QString() << QRect(96, 272, 393, 193) << false;
    QTest::newRow("chkAutentica") << u"chkAutentica"_s << u"Invia con autenticazione"_s
                                  << QRect(8, 480, 209, 25) << false;
    QTest::newRow("cmdInvia") << u"cmdInvia"_s << u"&Invia"_s << QRect(408, 8, 81, 33) << true;
    QTest::newRow("cmdChiudi") << u"cmdChiudi"_s << u"&Chiudi"_s << QRect(408, 48, 81, 33) << true;
    QTest::newRow("component") << u"KorvaneSTMP1"_s << QString() << QRect(304, 200, 32, 32) << false;
}

void TestLayout::controlsFollowTheTable()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, pixels);
    QFETCH(bool, bold);
    Form1Fixture f;
    QWidget *control = f.named(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), pixels);
    QCOMPARE(control->font().bold(), bold);
    QCOMPARE(control->font().pointSizeF(), 8.25);
    const QVariant shown = control->property("text");
    if (shown.isValid() && !qobject_cast<QLineEdit *>(control))
        QCOMPARE(shown.toString(), text);
}

void TestLayout::labelsNameTheirBoxes()
{
    Form1Fixture f;
    const QList<QLabel *> labels = f.form->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
    QCOMPARE(labels.size(), 9);
    for (QLabel *label : labels) {
        QVERIFY2(label->buddy(), qPrintable(label->objectName()));
        QCOMPARE(label->buddy()->accessibleName() + u':', label->text());
        QCOMPARE(label->textFormat(), Qt::PlainText);
    }
    QCOMPARE(f.form->findChild<QLabel *>(u"lblOggetto"_s)->buddy(), f.controls().subject);
}

// What the window reads, fills and stores of a field is the control the
// field table names, and its label names that control.
void TestLayout::everyFieldHasItsControls()
{
    Form1Fixture f;
    MailFields distinct;
    for (const FieldTable::Row &row : FieldTable::rows) {
        if (row.text)
            distinct.*row.text = row.control;
    }
    distinct.priorityIndex = 2;
    f.form->findChild<FieldKeeper *>()->setFields(distinct);
    for (const FieldTable::Row &row : FieldTable::rows) {
        auto *label = f.form->findChild<QLabel *>(row.label);
        QVERIFY2(label, row.label.data());
        QCOMPARE(label->buddy(), f.named(row.control));
        if (row.text)
            QCOMPARE(
                f.named(row.control)->property(row.shape == FieldTable::Shape::Line ? "text" : "plainText"),
                QVariant(QString(row.control)));
    }
    QCOMPARE(f.priority()->currentIndex(), 2);
    QVERIFY(f.form->findChild<FieldKeeper *>()->fields() == distinct);
}

void TestLayout::placeNeverTakesFocus()
{
    Form1Fixture f;
    QCOMPARE(f.controls().component->focusPolicy(), Qt::NoFocus);
}

void TestLayout::tabOrder_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");

    const QStringList order{u"txtSrvSTMP"_s,
                            u"txtMittente"_s,
                            u"txtOggetto"_s,
                            u"txtContenuto"_s,
                            u"txtDestinatario"_s,
                            u"txtCopiaCarbone"_s,
                            u"txtCopiaCarboneNascosta"_s,
                            u"txtAllegati"_s,
                            u"cboPriorita"_s,
                            u"cmdInvia"_s,
                            u"cmdChiudi"_s,
                            u"chkAutentica"_s};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QTest::addRow("%s", qPrintable(order[i])) << order[i] << order[i + 1];
}

void TestLayout::tabOrder()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    Form1Fixture f;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    QCOMPARE(QApplication::focusWidget(), f.controls().server);

    f.named(from)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), to);
}

void TestLayout::accessKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("send"); // else Chiudi
    QTest::newRow("Alt+I") << int(Qt::Key_I) << true;
    QTest::newRow("Alt+C") << int(Qt::Key_C) << false;
}

void TestLayout::accessKeys()
{
    QFETCH(int, key);
    QFETCH(bool, send);
    Form1Fixture f;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    QSignalSpy clicked(send ? f.controls().send : f.controls().close, &QPushButton::clicked);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::AltModifier);
    // Chiudi's click comes when its press look ends, Invia's at once.
    QTRY_COMPARE(clicked.count(), 1);
}

void TestLayout::sendStartsOnTheKey_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("presses");
    QTest::addColumn<bool>("pressLook");
    QTest::newRow("Alt+I") << int(Qt::Key_I) << int(Qt::AltModifier) << 1 << true;
    QTest::newRow("Alt+I twice while pressed") << int(Qt::Key_I) << int(Qt::AltModifier) << 2 << true;
    QTest::newRow("Ctrl+Return") << int(Qt::Key_Return) << int(Qt::ControlModifier) << 1 << false;
}

// The send starts while the key event is handled, not after the press look
// (100 ms) that Qt's own access-key handling waits for; clicked() comes once.
void TestLayout::sendStartsOnTheKey()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, presses);
    QFETCH(bool, pressLook);
    Form1Fixture f;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    QPushButton *send = f.controls().send;
    QSignalSpy clicked(send, &QPushButton::clicked);
    for (int i = 0; i < presses; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(f.mail->names(f.started).count(u"Send"_s), 1);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(send->isDown(), pressLook);
    QTRY_VERIFY(!send->isDown());
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(f.mail->names(f.started).count(u"Send"_s), 1);
    QVERIFY(f.ui.calls.isEmpty());
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
