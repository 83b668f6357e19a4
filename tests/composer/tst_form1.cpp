#include "composer/ComponentPlace.h"
#include "tests/support/Form1Fixture.h"

#include <QApplication>
#include <QTest>

using namespace Qt::StringLiterals;
using Call = FakeMailComponent::Call;

class TestForm1 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUpRunsInOrderBeforeShowing();
    void firstRunShowsDefaults();
    void restoredLineBreakBecomesSpace();
    void placeShowsProgress();
    void pieRepaintsOnlyWhenItChanges_data();
    void pieRepaintsOnlyWhenItChanges();
    void componentPreparesWhenASendStarts();
    void closingStoresOnce_data();
    void closingStoresOnce();
    void closingDuringSendNeitherAsksNorWaits_data();
    void closingDuringSendNeitherAsksNorWaits();
    void linkWindowStoresOnceTouched_data();
    void linkWindowStoresOnceTouched();
};

void TestForm1::startUpRunsInOrderBeforeShowing()
{
    bool checkedAtAboutBox = false;
    QStringList log;
    FakeMessageUi ui;
    MemorySettingsStore store(&log);
    auto mail = std::make_unique<FakeMailComponent>(&log);
    mail->returnedName = u"Nome restituito"_s;
    mail->onAboutBox = [&checkedAtAboutBox] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *starting = qobject_cast<Form1 *>(widget);
            if (!starting)
                continue;
            QVERIFY(!starting->isVisible());
            QCOMPARE(starting->windowTitle(), u"Nome restituito"_s);
            QCOMPARE(starting->controls().priority->count(), 0);
            checkedAtAboutBox = true;
        }
    };
    FakeMailComponent *fake = mail.get();
    Form1 form(std::move(mail), ui, store);

    QVERIFY(checkedAtAboutBox);
    QCOMPARE(fake->calls.first(), Call(u"ClientName="_s, u"KORVANE CLIENT STMP " KORVANE_VERSION ""_s));
    QCOMPARE(log.mid(0, 4),
             (QStringList{u"ClientName="_s, u"ClientName"_s, u"AboutBox"_s, u"read STMP/SERVER"_s}));
    QCOMPARE(log.size(), 3 + 9);
    QCOMPARE(form.windowTitle(), u"Nome restituito"_s);
    QVERIFY(ui.calls.isEmpty());
}

void TestForm1::firstRunShowsDefaults()
{
    Form1Fixture f;
    QCOMPARE(f.priority()->count(), 3);
    QCOMPARE(f.priority()->currentText(), u"Normale"_s);
    QCOMPARE(f.priority()->currentData().toInt(), 3);
    QVERIFY(!f.authenticate()->isChecked());
    QVERIFY(f.body()->toPlainText().isEmpty());
    for (QLineEdit *box : f.form->findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly))
        QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
}

void TestForm1::restoredLineBreakBecomesSpace()
{
    Form1Fixture f({{u"EMAIL/MITTENTE"_s, u"a@b.it\r\nc@d.it\n"_s},
                    {u"EMAIL/CONTENUTO"_s, u"  riga\n  riga"_s},
                    {u"EMAIL/PRIORITA"_s, u"2"_s}});
    QCOMPARE(f.controls().sender->text(), u"a@b.it c@d.it"_s);
    QCOMPARE(f.body()->toPlainText(), u"  riga\n  riga"_s);
    QCOMPARE(f.priority()->currentText(), u"Bassa"_s);
}

void TestForm1::placeShowsProgress()
{
    Form1Fixture f;
    auto *place = f.controls().component;
    QVERIFY(!place->isSending());
    f.send();
    Q_EMIT f.mail->progressChanged(50, 200);
    QVERIFY(place->isSending());
    QCOMPARE(place->toolTip(), u"Inviato 25%"_s);
    Q_EMIT f.mail->SendCompleted();
    QVERIFY(!place->isSending());
    QVERIFY(place->toolTip().isEmpty());
}

namespace {

// Counts the paints one widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) : QObject(widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// A fake that notes when the window lets it prepare: the sends begun by then.
class PreparingFake : public FakeMailComponent
{
public:
    void prepare() override { sendsBeforePrepare.append(int(names().count(QStringLiteral("Send")))); }
    QList<int> sendsBeforePrepare;
};

} // namespace

void TestForm1::pieRepaintsOnlyWhenItChanges_data()
{
    QTest::addColumn<QList<qint64>>("sent"); // of 1000 bytes, each report handled on its own
    QTest::addColumn<int>("repaints");
    QTest::newRow("within the percent drawn") << QList<qint64>{1, 5, 9} << 0;
    QTest::newRow("a new percent each") << QList<qint64>{10, 20, 30} << 3;
    QTest::newRow("100 % reported twice") << QList<qint64>{990, 1000, 1000} << 2;
}

void TestForm1::pieRepaintsOnlyWhenItChanges()
{
    QFETCH(QList<qint64>, sent);
    QFETCH(int, repaints);
    Form1Fixture f;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    auto *counter = new PaintCounter(f.controls().component);
    f.send(); // the pie at 0 %
    QCoreApplication::processEvents();
    counter->paints = 0;
    for (const qint64 bytes : sent) {
        Q_EMIT f.mail->progressChanged(bytes, 1000);
        QCoreApplication::processEvents();
    }
    QCOMPARE(counter->paints, repaints);
    QCOMPARE(f.controls().component->toolTip(), u"Inviato %1%"_s.arg(sent.last() / 10));
}

// Nothing of the transport is loaded for a window that never sends.
void TestForm1::componentPreparesWhenASendStarts()
{
    FakeMessageUi ui;
    MemorySettingsStore store;
    auto owned = std::make_unique<PreparingFake>();
    PreparingFake *mail = owned.get();
    Form1 form(std::move(owned), ui, store);
    form.show();
    QTRY_VERIFY(form.controls().component->hasBeenPainted());
    QCoreApplication::processEvents();
    QVERIFY(mail->sendsBeforePrepare.isEmpty());
    form.controls().send->click();
    QTRY_COMPARE(mail->sendsBeforePrepare, QList<int>{0});
    QTRY_COMPARE(mail->names().count(QStringLiteral("Send")), 1);
}

void TestForm1::closingStoresOnce_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::newRow("close box") << false;
    QTest::newRow("cmdChiudi") << true;
}

void TestForm1::closingStoresOnce()
{
    QFETCH(bool, byButton);
    Form1Fixture f;
    f.form->show();
    f.controls().server->setText(u"  smtp.example.org  "_s);
    f.priority()->setCurrentIndex(0);
    if (byButton)
        f.controls().close->click();
    else
        QVERIFY(f.form->close());
    f.form->close();

    QVERIFY(!f.form->isVisible());
    QCOMPARE(f.store.writes.size(), 9);
    QCOMPARE(f.store.writes.first(), u"STMP/SERVER=smtp.example.org"_s);
    QVERIFY(f.store.writes.contains(u"EMAIL/PRIORITA=0"_s));
}

// The outcome may come between the close and the window's end: a box then,
// with no window under it, would keep the program alive once answered.
enum class LateReport { None, Completed, Failed };

void TestForm1::closingDuringSendNeitherAsksNorWaits_data()
{
    QTest::addColumn<LateReport>("report");
    QTest::newRow("no outcome before the end") << LateReport::None;
    QTest::newRow("sent, reported after the close") << LateReport::Completed;
    QTest::newRow("failed, reported after the close") << LateReport::Failed;
}

void TestForm1::closingDuringSendNeitherAsksNorWaits()
{
    QFETCH(LateReport, report);
    bool destroyed = false;
    Form1Fixture f;
    f.mail->destroyed = &destroyed;
    f.form->show();
    f.send();
    QVERIFY(!f.mail->ready);
    QVERIFY(f.form->close());
    if (report == LateReport::Completed)
        Q_EMIT f.mail->SendCompleted();
    else if (report == LateReport::Failed)
        Q_EMIT f.mail->SendFailed(1001, u"Errore"_s);
    QCoreApplication::processEvents();
    QVERIFY(f.ui.calls.isEmpty());
    QCOMPARE(f.store.writes.size(), 9);
    f.form.reset();
    QVERIFY(destroyed);
}

void TestForm1::linkWindowStoresOnceTouched_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("stores");

    const QStringList link{u"mailto:anna@example.org?subject=Iscrizione"_s};
    QTest::newRow("link, untouched") << link << QString() << false;
    QTest::newRow("link, a box edited") << link << u"edit"_s << true;
    QTest::newRow("link, the priority chosen") << link << u"priority"_s << true;
    QTest::newRow("link, sent") << link << u"send"_s << true;
    QTest::newRow("link, send refused while busy") << link << u"busy send"_s << false;
    QTest::newRow("link, authentication ticked only") << link << u"tick"_s << false;
    QTest::newRow("no link, untouched") << QStringList() << QString() << true;
}

void TestForm1::linkWindowStoresOnceTouched()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, action);
    QFETCH(bool, stores);
    Form1Fixture f({{u"EMAIL/ALLEGATI"_s, u"/tmp/riservato.pdf"_s}, {u"EMAIL/PRIORITA"_s, u"0"_s}});
    f.form->show();
    f.form->openArguments(arguments);
    if (!arguments.isEmpty()) {
        QCOMPARE(f.controls().attachments->text(), QString());
        QCOMPARE(f.priority()->currentText(), u"Normale"_s);
    }
    if (action == u"edit"_s)
        f.controls().subject->setText(u"Disiscrizione"_s);
    else if (action == u"priority"_s)
        f.priority()->setCurrentIndex(2);
    else if (action == u"tick"_s)
        f.authenticate()->setChecked(true);
    else if (action.endsWith(u"send"_s)) {
        f.mail->ready = action == u"send"_s;
        f.send();
    }
    QVERIFY(f.form->close());
    QCOMPARE(f.store.writes.size(), stores ? 9 : 0);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
