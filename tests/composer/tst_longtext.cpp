// Text too long for a one-line box is refused whole, whichever way it comes.
#include "composer/ComposerLayout.h"
#include "tests/support/Form1Fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype limit = ComposerLayout::lineBoxLimit;

enum class Edit { CtrlV, ShiftInsert, MenuPaste, Drop, Typing };

QString refusedEdit(const QString &box)
{
    return u"Il testo è troppo lungo e non è stato inserito. La casella «"_s + box
        + u"» contiene al massimo 1.000.000 caratteri."_s;
}

// Addresses, in case something splits or cuts at separators.
QString addressText(qsizetype length)
{
    QString text;
    text.reserve(length + 32);
    for (int i = 0; text.size() < length; ++i)
        text += u"utente%1@example.org, "_s.arg(i);
    text.truncate(length);
    return text;
}

void apply(Edit edit, QLineEdit *box, const QString &text)
{
    box->setFocus();
    box->end(false);
    switch (edit) {
    case Edit::CtrlV:
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        break;
    case Edit::ShiftInsert:
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
        break;
    case Edit::MenuPaste: {
        QGuiApplication::clipboard()->setText(text);
        const std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
        // The entry named after the shortcut it shows, in whatever language.
        const QString shortcut = u'\t' + QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
        const QList<QAction *> actions = menu->actions();
        const auto paste
            = std::ranges::find_if(actions, [&](QAction *a) { return a->text().endsWith(shortcut); });
        QVERIFY(paste != actions.end() && (*paste)->isEnabled());
        (*paste)->trigger();
        break;
    }
    case Edit::Drop: {
        QMimeData data;
        data.setText(text);
        const QPoint at(box->width() - 2, box->height() / 2);
        // Only the widget that took the drag's entry gets its drop.
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box, &drop);
        break;
    }
    case Edit::Typing:
        QTest::keyClicks(box, text);
        break;
    }
}

} // namespace

class TestLongText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editRefusedWhole_data();
    void editRefusedWhole();
    void linkOrSavedText_data();
    void linkOrSavedText();
};

void TestLongText::editRefusedWhole_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<qsizetype>("before");   // characters already in the box
    QTest::addColumn<qsizetype>("inserted"); // characters the edit brings
    QTest::addColumn<bool>("fits");

    QTest::newRow("Ctrl+V one past") << u"txtDestinatario"_s << Edit::CtrlV << qsizetype(20) << limit - 19
                                     << false;
    QTest::newRow("Ctrl+V just fits")
        << u"txtDestinatario"_s << Edit::CtrlV << qsizetype(20) << limit - 20 << true;
    QTest::newRow("Ctrl+V far past, empty box")
        << u"txtCopiaCarbone"_s << Edit::CtrlV << qsizetype(0) << 3 * limit << false;
    QTest::newRow("Shift+Insert") << u"txtOggetto"_s << Edit::ShiftInsert << qsizetype(5) << limit << false;
    QTest::newRow("context menu Incolla")
        << u"txtAllegati"_s << Edit::MenuPaste << qsizetype(5) << limit << false;
    QTest::newRow("text dropped") << u"txtCopiaCarboneNascosta"_s << Edit::Drop << qsizetype(5) << limit
                                  << false;
    QTest::newRow("text dropped that fits")
        << u"txtMittente"_s << Edit::Drop << qsizetype(5) << qsizetype(40000) << true;
    QTest::newRow("typing at the limit") << u"txtSrvSTMP"_s << Edit::Typing << limit << qsizetype(1) << false;
}

void TestLongText::editRefusedWhole()
{
    QFETCH(QString, box);
    QFETCH(Edit, edit);
    QFETCH(qsizetype, before);
    QFETCH(qsizetype, inserted);
    QFETCH(bool, fits);
    Form1Fixture f;
    auto *line = qobject_cast<QLineEdit *>(f.named(box));
    QVERIFY(line);
    const QString start = addressText(before);
    line->setText(start);
    QCOMPARE(line->text().size(), before);

    const QString text = addressText(inserted);
    apply(edit, line, text);
    if (QTest::currentTestFailed())
        return;
    if (fits) {
        QVERIFY2(line->text() == start + text, qPrintable(u"%1 characters"_s.arg(line->text().size())));
        QCoreApplication::processEvents(); // a refusal would have been posted by now
        QCOMPARE(f.ui.calls.size(), 0);
        return;
    }
    QVERIFY2(line->text() == start, qPrintable(u"%1 characters"_s.arg(line->text().size())));
    const auto told = FakeMessageUi::message(refusedEdit(line->accessibleName()), u"Attenzione!"_s,
                                             MessageUi::Icon::Information);
    QTRY_COMPARE(f.ui.calls, QList<FakeMessageUi::Call>{told});
    // The refused edit left nothing behind to undo into.
    line->undo();
    QVERIFY(line->text().size() <= before);
}

void TestLongText::linkOrSavedText_data()
{
    QTest::addColumn<QString>("savedRecipient");
    QTest::addColumn<QString>("link"); // empty: only what was saved
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("message"); // empty: none

    const QString saved = u"anna@example.org"_s;
    // The decoder drops a trailing separator: make these end in an address.
    const auto endingInAddress = [](QString text) {
        while (text.endsWith(u',') || text.endsWith(u' '))
            text.chop(1);
        return text;
    };
    const QString longList = endingInAddress(addressText(limit + 100));
    const QString fullList = endingInAddress(addressText(limit));
    const QString longSubject(limit + 1, u'x');
    const QString linkRefused = u"Il collegamento mailto: è troppo lungo e non è stato usato. "_s;
    QTest::newRow("link: recipients past the limit")
        << saved << u"mailto:"_s + longList << saved << u"Saluti"_s
        << linkRefused + u"La casella «Destinatario» contiene al massimo 1.000.000 caratteri."_s;
    QTest::newRow("link: subject and CC past the limit")
        << saved << u"mailto:b@x.it?subject="_s + longSubject + u"&cc="_s + longList << saved << u"Saluti"_s
        << linkRefused + u"Le caselle «CC», «Oggetto» contengono al massimo 1.000.000 caratteri l'una."_s;
    QTest::newRow("link: recipients that just fit")
        << saved << u"mailto:"_s + fullList << fullList << QString() << QString();
    QTest::newRow("link: a long body is no problem")
        << saved << u"mailto:b@x.it?body="_s + QString(2 * limit, u'y') << u"b@x.it"_s << QString()
        << QString();
    QTest::newRow("saved recipients past the limit")
        << longList << QString() << QString() << u"Saluti"_s
        << u"Il testo salvato è troppo lungo e non è stato ripristinato. "
           u"La casella «Destinatario» contiene al massimo 1.000.000 caratteri."_s;
}

void TestLongText::linkOrSavedText()
{
    QFETCH(QString, savedRecipient);
    QFETCH(QString, link);
    QFETCH(QString, recipient);
    QFETCH(QString, subject);
    QFETCH(QString, message);
    Form1Fixture f({{u"EMAIL/DESTINATARIO"_s, savedRecipient}, {u"EMAIL/OGGETTO"_s, u"Saluti"_s}});
    if (!link.isEmpty())
        f.form->openArguments({link});

    QVERIFY2(f.controls().recipient->text() == recipient,
             qPrintable(u"%1 characters"_s.arg(f.controls().recipient->text().size())));
    QCOMPARE(f.controls().subject->text(), subject);
    QCOMPARE(f.controls().cc->text(), QString());
    const QList<FakeMessageUi::Call> expected = message.isEmpty()
        ? QList<FakeMessageUi::Call>()
        : QList{FakeMessageUi::message(message, u"Attenzione!"_s, MessageUi::Icon::Information)};
    QCOMPARE(f.ui.calls, expected);
}

QTEST_MAIN(TestLongText)
#include "tst_longtext.moc"
