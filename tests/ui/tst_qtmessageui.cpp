#include "ui/QtMessageUi.h"
#include "ui/QtTranslation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

class TestQtMessageUi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messageIsPlainText_data();
    void messageIsPlainText();
    void promptReturnsTextAsTyped_data();
    void promptReturnsTextAsTyped();
    void qtTextsFollowTranslation_data();
    void qtTextsFollowTranslation();

private:
    // Runs action on the modal dialog once it is open; dialogs block, so the
    // test has to reach them from the event loop they run.
    static void whenModal(std::function<void(QWidget *)> action);
};

void TestQtMessageUi::whenModal(std::function<void(QWidget *)> action)
{
    QTimer::singleShot(0, qApp, [action = std::move(action)] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) {
            whenModal(action);
            return;
        }
        action(modal);
    });
}

void TestQtMessageUi::messageIsPlainText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("expectedIcon");
    QTest::addColumn<QString>("details"); // empty: the box has no details button

    QTest::newRow("error with markup")
        << u"Errore n.550 <b>5.7.1</b> &lt;x&gt;"_s << int(MessageUi::Icon::Error)
        << int(QMessageBox::Critical) << QString();
    QTest::newRow("error with details")
        << u"Errore n.535 Autenticazione rifiutata"_s << int(MessageUi::Icon::Error)
        << int(QMessageBox::Critical) << u"C: AUTH PLAIN ****\nS: 535 <b>no</b>"_s;
    QTest::newRow("information") << u"EMail inviata correttamente."_s << int(MessageUi::Icon::Information)
                                 << int(QMessageBox::Information) << QString();
}

void TestQtMessageUi::messageIsPlainText()
{
    QFETCH(QString, text);
    QFETCH(int, icon);
    QFETCH(int, expectedIcon);
    QFETCH(QString, details);

    QString shownText;
    QString shownDetails;
    QString shownTitle;
    Qt::TextFormat format = Qt::AutoText;
    int shownIcon = -1;
    qsizetype buttons = 0;
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box) {
            modal->close(); // the checks below then fail instead of hanging
            return;
        }
        shownText = box->text();
        shownTitle = box->windowTitle();
        format = box->textFormat();
        shownIcon = box->icon();
        buttons = box->buttons().size();
        shownDetails = box->detailedText();
        box->button(QMessageBox::Ok)->click();
    });
    QtMessageUi ui;
    ui.showMessage(text, u"Titolo"_s, MessageUi::Icon(icon), details);

    QCOMPARE(shownText, text);
    QCOMPARE(shownTitle, u"Titolo"_s);
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(shownIcon, expectedIcon);
    QCOMPARE(buttons, details.isEmpty() ? 1 : 2); // OK, and the one that shows the details
    QCOMPARE(shownDetails, details);
}

void TestQtMessageUi::promptReturnsTextAsTyped_data()
{
    QTest::addColumn<bool>("password");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("result");

    QTest::newRow("user name") << false << true << u"  mario "_s;
    QTest::newRow("password hidden, spaces kept") << true << true << u"  mario "_s;
    QTest::newRow("Cancel gives empty") << true << false << QString();
}

void TestQtMessageUi::promptReturnsTextAsTyped()
{
    QFETCH(bool, password);
    QFETCH(bool, accept);
    QFETCH(QString, result);

    QLineEdit::EchoMode echo = QLineEdit::Normal;
    QString label;
    bool startedEmpty = false;
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QInputDialog *>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        echo = dialog->textEchoMode();
        label = dialog->labelText();
        startedEmpty = dialog->textValue().isEmpty();
        dialog->setTextValue(u"  mario "_s);
        accept ? dialog->accept() : dialog->reject();
    });
    QtMessageUi ui;
    QCOMPARE(ui.prompt(u"Immettere la password:"_s, u"Password"_s, QString(), password), result);
    QCOMPARE(echo, password ? QLineEdit::Password : QLineEdit::Normal);
    QCOMPARE(label, u"Immettere la password:"_s);
    QVERIFY(startedEmpty);
}

void TestQtMessageUi::qtTextsFollowTranslation_data()
{
    QTest::addColumn<bool>("fileThere");
    QTest::addColumn<QStringList>("promptButtons");
    QTest::addColumn<QStringList>("menuEntries");
    QTest::addColumn<QStringList>("detailsBoxButtons");

    // The context menu's entries in order, without access keys and shortcuts.
    const QStringList italianMenu{u"Annulla"_s, u"Rifai"_s,   u"Taglia"_s,         u"Copia"_s,
                                  u"Incolla"_s, u"Elimina"_s, u"Seleziona tutto"_s};
    const QStringList englishMenu{u"Undo"_s,  u"Redo"_s,   u"Cut"_s,       u"Copy"_s,
                                  u"Paste"_s, u"Delete"_s, u"Select All"_s};

    QTest::newRow("Italian installed") << true << QStringList{u"Annulla"_s, u"OK"_s} << italianMenu
                                       << QStringList{u"Mostra dettagli..."_s, u"OK"_s};
    QTest::newRow("file missing: English, no failure")
        << false << QStringList{u"Cancel"_s, u"OK"_s} << englishMenu
        << QStringList{u"OK"_s, u"Show Details..."_s};
}

void TestQtMessageUi::qtTextsFollowTranslation()
{
    QFETCH(bool, fileThere);
    QFETCH(QStringList, promptButtons);
    QFETCH(QStringList, menuEntries);
    QFETCH(QStringList, detailsBoxButtons);

    const QTemporaryDir emptyDir;
    QVERIFY(emptyDir.isValid());
    const auto translator = fileThere ? installQtTranslation() : installQtTranslation(emptyDir.path());
    QCOMPARE(translator != nullptr, fileThere);

    QStringList buttons;
    whenModal([&](QWidget *modal) {
        const auto *box = modal->findChild<QDialogButtonBox *>();
        for (const QAbstractButton *button : box ? box->buttons() : QList<QAbstractButton *>())
            buttons << button->text().remove(u'&');
        modal->close();
    });
    QtMessageUi ui;
    ui.prompt(u"Immettere il nome utente:"_s, u"Nome utente"_s, QString(), false);
    buttons.sort();
    QCOMPARE(buttons, promptButtons);

    buttons.clear();
    whenModal([&](QWidget *modal) {
        for (const QAbstractButton *button : modal->findChildren<QAbstractButton *>())
            if (!button->text().isEmpty())
                buttons << button->text().remove(u'&');
        modal->close();
    });
    ui.showMessage(u"Errore n.535 Autenticazione rifiutata"_s, u"Errore"_s, MessageUi::Icon::Error,
                   u"S: 535 no"_s);
    buttons.sort();
    QCOMPARE(buttons, detailsBoxButtons);

    // The menu a right click or the menu key opens, as the box itself builds it.
    QLineEdit lineEdit(u"testo"_s);
    lineEdit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lineEdit));
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(1, 1), lineEdit.mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(&lineEdit, &event);
    QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QStringList entries;
    for (const QAction *action : menu->actions()) {
        if (!action->isSeparator())
            entries << action->text().section(u'\t', 0, 0).remove(u'&');
    }
    menu->close();
    QCOMPARE(entries, menuEntries);
}

QTEST_MAIN(TestQtMessageUi)
#include "tst_qtmessageui.moc"
