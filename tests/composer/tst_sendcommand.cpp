#include "tests/support/Form1Fixture.h"

#include <QApplication>
#include <QTest>

#include <sys/prctl.h>

using namespace Qt::StringLiterals;
using Call = FakeMailComponent::Call;
using Dialog = FakeMessageUi::Call;
using Icon = MessageUi::Icon;

namespace {

const Dialog busyBox = FakeMessageUi::message(
    u"Il programma sta spedendo l'e-mail precedente. Per inviare la nuova e-mail bisogna attendere "
    "che il processo precedente termini."_s,
    u"Attenzione!"_s, Icon::Information);
const Dialog cancelledBox
    = FakeMessageUi::message(u"Invio annullato."_s, u"Attenzione!"_s, Icon::Information);
const Dialog userPrompt = FakeMessageUi::promptCall(u"Immettere l'username:"_s, u"Username"_s, false);
const Dialog passwordPrompt = FakeMessageUi::promptCall(u"Immettere la password:"_s, u"Password"_s, true);
const Dialog forgottenAttachment = FakeMessageUi::question(
    u"Il messaggio dice «in allegato», ma non c'è nessun allegato. Inviarlo lo stesso?"_s,
    u"Prima di inviare"_s, u"Invia lo stesso"_s, u"Torna al messaggio"_s);
const Dialog completedBox
    = FakeMessageUi::message(u"EMail inviata correttamente."_s, u"Invio"_s, Icon::Information);

} // namespace

class TestSendCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void busyComponentIsRefused_data();
    void busyComponentIsRefused();
    void ctrlReturnSends_data();
    void ctrlReturnSends();
    void forgottenAttachmentAsks_data();
    void forgottenAttachmentAsks();
    void userNamePrompt_data();
    void userNamePrompt();
    void passwordGoesAsTyped_data();
    void passwordGoesAsTyped();
    void fieldsGoInOrderWithTrimming();
    void priorityCodes_data();
    void priorityCodes();
    void unauthenticatedSendClearsCredentials();
    void outcomeReports_data();
    void outcomeReports();
    void outcomeWaitsForOpenDialog_data();
    void outcomeWaitsForOpenDialog();
};

void TestSendCommand::busyComponentIsRefused_data()
{
    QTest::addColumn<bool>("authenticate");
    QTest::newRow("without authentication") << false;
    QTest::newRow("with authentication: no prompt") << true;
}

void TestSendCommand::busyComponentIsRefused()
{
    QFETCH(bool, authenticate);
    Form1Fixture f;
    f.authenticate()->setChecked(authenticate);
    f.mail->ready = false;
    f.send();
    QCOMPARE(f.ui.calls, QList<Dialog>{busyBox});
    QCOMPARE(f.sendCalls(), QList<Call>{Call(u"IsReady"_s, {})});
}

void TestSendCommand::ctrlReturnSends_data()
{
    QTest::addColumn<bool>("inBody"); // else in Oggetto
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<bool>("authenticate");
    QTest::addColumn<QList<Dialog>>("dialogs");
    QTest::addColumn<bool>("sent");

    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    QTest::newRow("Ctrl+Return in the body")
        << true << int(Qt::Key_Return) << ctrl << false << false << QList<Dialog>() << true;
    QTest::newRow("Ctrl+Enter (keypad) in Oggetto")
        << false << int(Qt::Key_Enter) << (ctrl | Qt::KeypadModifier) << false << false << QList<Dialog>()
        << true;
    QTest::newRow("Return alone in the body") << true << int(Qt::Key_Return) << Qt::KeyboardModifiers()
                                              << false << false << QList<Dialog>() << false;
    QTest::newRow("busy") << true << int(Qt::Key_Return) << ctrl << true << true << QList<Dialog>{busyBox}
                          << false;
    QTest::newRow("prompts as the button does") << true << int(Qt::Key_Return) << ctrl << false << true
                                                << QList<Dialog>{userPrompt, cancelledBox} << false;
}

void TestSendCommand::ctrlReturnSends()
{
    QFETCH(bool, inBody);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, busy);
    QFETCH(bool, authenticate);
    QFETCH(QList<Dialog>, dialogs);
    QFETCH(bool, sent);
    Form1Fixture f;
    f.mail->ready = !busy;
    f.authenticate()->setChecked(authenticate);
    f.body()->setPlainText(u"riga"_s);
    f.body()->moveCursor(QTextCursor::End);
    f.form->show();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    QWidget *box = inBody ? static_cast<QWidget *>(f.body()) : f.controls().subject;
    box->setFocus();

    QTest::keyClick(box, Qt::Key(key), modifiers);
    QCOMPARE(f.ui.calls, dialogs);
    QCOMPARE(f.mail->names(f.started).contains(u"Send"_s), sent);
    const bool lineBreak = inBody && modifiers == Qt::NoModifier;
    QCOMPARE(f.body()->toPlainText(), lineBreak ? u"riga\n"_s : u"riga"_s);
}

void TestSendCommand::forgottenAttachmentAsks_data()
{
    QTest::addColumn<QString>("attachments");
    QTest::addColumn<bool>("sendAnyway"); // the answer, if asked
    QTest::addColumn<bool>("authenticate");
    QTest::addColumn<QList<Dialog>>("dialogs");
    const QList<Dialog> asked{forgottenAttachment};
    QTest::newRow("go back: no prompt") << QString() << false << true << asked;
    QTest::newRow("only separators attached") << u" ; "_s << false << false << asked;
    QTest::newRow("send anyway") << QString() << true << false << asked;
    QTest::newRow("then the credentials")
        << QString() << true << true << QList<Dialog>{forgottenAttachment, userPrompt, cancelledBox};
    QTest::newRow("a file attached") << u"/tmp/preventivo.pdf"_s << false << false << QList<Dialog>{};
}

void TestSendCommand::forgottenAttachmentAsks()
{
    QFETCH(QString, attachments);
    QFETCH(bool, sendAnyway);
    QFETCH(bool, authenticate);
    QFETCH(QList<Dialog>, dialogs);
    Form1Fixture f;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    f.body()->setPlainText(u"> ciao\nti mando in allegato il preventivo"_s);
    f.body()->setFocus();
    f.controls().attachments->setText(attachments);
    f.authenticate()->setChecked(authenticate);
    f.ui.questionAnswers = {sendAnyway};
    f.send();
    QCOMPARE(f.ui.calls, dialogs);
    const bool goneBack = !dialogs.isEmpty() && !sendAnyway;
    QCOMPARE(f.mail->names(f.started).contains(u"Send"_s), !goneBack && !authenticate);
    QCOMPARE(QApplication::focusWidget() == f.controls().attachments, goneBack);
}

void TestSendCommand::userNamePrompt_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("username"); // null: cancelled

    QTest::newRow("trimmed") << QStringList{u"  mario  "_s, u"pw"_s} << u"mario"_s;
    QTest::newRow("spaces only cancels") << QStringList{u"   "_s} << QString();
    QTest::newRow("Cancel cancels") << QStringList{} << QString();
}

void TestSendCommand::userNamePrompt()
{
    QFETCH(QStringList, answers);
    QFETCH(QString, username);
    Form1Fixture f;
    f.authenticate()->setChecked(true);
    f.ui.answers = answers;
    f.send();

    if (username.isNull()) {
        QCOMPARE(f.ui.calls, (QList<Dialog>{userPrompt, cancelledBox}));
        QCOMPARE(f.sendCalls(), QList<Call>{Call(u"IsReady"_s, {})});
        return;
    }
    QCOMPARE(f.ui.calls, (QList<Dialog>{userPrompt, passwordPrompt}));
    QCOMPARE(f.sendCalls().at(1), Call(u"Username"_s, username));
    QCOMPARE(f.mail->names(f.started).last(), u"Send"_s);
}

void TestSendCommand::passwordGoesAsTyped_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("password");

    QTest::newRow("spaces kept") << QStringList{u"mario"_s, u" se greto "_s} << u" se greto "_s;
    QTest::newRow("Cancel sends an empty password") << QStringList{u"mario"_s} << QString();
}

void TestSendCommand::passwordGoesAsTyped()
{
    QFETCH(QStringList, answers);
    QFETCH(QString, password);
    Form1Fixture f;
    f.authenticate()->setChecked(true);
    f.ui.answers = answers;
    QList<int> dumpableInPrompts;
    f.ui.whileOpen
        = [&dumpableInPrompts](const Dialog &) { dumpableInPrompts << prctl(PR_GET_DUMPABLE, 0, 0, 0, 0); };
    f.send();
    QCOMPARE(f.sendCalls().at(2), Call(u"Password"_s, password));
    QCOMPARE(f.mail->names(f.started).last(), u"Send"_s);
    // No core file while the password is being typed; the user name is no secret.
    QCOMPARE(dumpableInPrompts, (QList<int>{1, 0}));
    QCOMPARE(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 1); // the fake component holds none
}

void TestSendCommand::fieldsGoInOrderWithTrimming()
{
    Form1Fixture f;
    const ComposerLayout::Controls &c = f.controls();
    for (QLineEdit *box : {c.server, c.sender, c.recipient, c.cc, c.bcc, c.attachments, c.subject})
        box->setText(u"  \t"_s + box->objectName() + u"  "_s);
    f.body()->setPlainText(u"  parola\n  "_s);
    const auto handed = [](const char *name) { return QVariant(u"\t"_s + QLatin1StringView(name)); };

    f.send();
    const QList<Call> expected{
        {u"IsReady"_s, {}},
        {u"Username"_s, QString()},
        {u"Password"_s, QString()},
        {u"Server"_s, handed("txtSrvSTMP")},
        {u"Sender"_s, handed("txtMittente")},
        {u"Recipient"_s, handed("txtDestinatario")},
        {u"Cc"_s, handed("txtCopiaCarbone")},
        {u"Bcc"_s, handed("txtCopiaCarboneNascosta")},
        {u"Priority"_s, 3},
        {u"Attachments"_s, handed("txtAllegati")},
        {u"Subject"_s, handed("txtOggetto")},
        {u"Body"_s, u"  parola\n"_s},
        {u"Send"_s, {}},
    };
    QCOMPARE(f.sendCalls(), expected);
    QCOMPARE(f.body()->toPlainText(), u"  parola\n  "_s);
}

void TestSendCommand::priorityCodes_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("code");
    QTest::newRow("Alta") << 0 << 1;
    QTest::newRow("Normale") << 1 << 3;
    QTest::newRow("Bassa") << 2 << 5;
}

void TestSendCommand::priorityCodes()
{
    QFETCH(int, index);
    QFETCH(int, code);
    Form1Fixture f;
    f.priority()->setCurrentIndex(index);
    f.send();
    QVERIFY(f.sendCalls().contains(Call(u"Priority"_s, code)));
}

void TestSendCommand::unauthenticatedSendClearsCredentials()
{
    Form1Fixture f;
    f.authenticate()->setChecked(true);
    f.ui.answers = QStringList{u"mario"_s, u"segreto"_s};
    f.send();
    Q_EMIT f.mail->SendCompleted();
    f.mail->ready = true;

    f.authenticate()->setChecked(false);
    const qsizetype second = f.mail->calls.size();
    f.send();
    QCOMPARE(f.mail->calls.mid(second, 4),
             (QList<Call>{{u"IsReady"_s, {}},
                          {u"Username"_s, QString()},
                          {u"Password"_s, QString()},
                          {u"Server"_s, QString()}}));
    QCOMPARE(f.ui.calls.size(), 3); // two prompts, one outcome: none for the second send
}

void TestSendCommand::outcomeReports_data()
{
    QTest::addColumn<int>("number"); // 0: completed
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("text");

    QTest::newRow("7") << 7 << u"Rifiutato"_s << u"Errore n.7 Rifiutato"_s;
    QTest::newRow("-1") << -1 << u"Connessione persa"_s << u"Errore n.-1 Connessione persa"_s;
    QTest::newRow("empty description") << 7 << QString() << u"Errore n.7 "_s;
    QTest::newRow("reply as it came") << 550 << u"<b>5.7.1</b> no"_s << u"Errore n.550 <b>5.7.1</b> no"_s;
    QTest::newRow("completed") << 0 << QString() << u"EMail inviata correttamente."_s;
}

void TestSendCommand::outcomeReports()
{
    QFETCH(int, number);
    QFETCH(QString, description);
    QFETCH(QString, text);
    Form1Fixture f;
    // The details are the failed send's transcript; a success shows none.
    const QString transcript = u"C: RCPT TO:<anna@example.org>\nS: 550 <b>no</b>"_s;
    f.mail->transcript = transcript;
    if (number == 0)
        Q_EMIT f.mail->SendCompleted();
    else
        Q_EMIT f.mail->SendFailed(static_cast<qint16>(number), description);

    const Dialog expected
        = number == 0 ? completedBox : FakeMessageUi::message(text, u"Errore"_s, Icon::Error, transcript);
    QCOMPARE(f.ui.calls, QList<Dialog>{expected});
    QCOMPARE(f.sendCalls(), QList<Call>{});
}

void TestSendCommand::outcomeWaitsForOpenDialog_data()
{
    QTest::addColumn<bool>("busy");
    QTest::addColumn<bool>("fromOutcome"); // the open dialog is an outcome box, not the send command's
    QTest::addColumn<int>("openDialog");   // index of the dialog during which the event arrives

    QTest::newRow("busy box") << true << false << 0;
    QTest::newRow("user name prompt") << false << false << 0;
    QTest::newRow("password prompt") << false << false << 1;
    QTest::newRow("another outcome box") << false << true << 0;
}

void TestSendCommand::outcomeWaitsForOpenDialog()
{
    QFETCH(bool, busy);
    QFETCH(bool, fromOutcome);
    QFETCH(int, openDialog);
    Form1Fixture f;
    f.mail->ready = !busy;
    f.authenticate()->setChecked(true);
    f.ui.answers = QStringList{u"mario"_s, u"pw"_s};

    FakeMailComponent *mail = f.mail;
    qsizetype shownWhileOpen = -1;
    f.ui.whileOpen = [&](const Dialog &) {
        if (f.ui.calls.size() - 1 != openDialog)
            return;
        // As a modal box's own event loop would: deliver a queued event.
        QMetaObject::invokeMethod(
            mail, [mail] { Q_EMIT mail->SendFailed(9, u"tardi"_s); }, Qt::QueuedConnection);
        QCoreApplication::processEvents();
        shownWhileOpen = f.ui.calls.size();
    };
    if (fromOutcome)
        Q_EMIT mail->SendCompleted();
    else
        f.send();

    QCOMPARE(shownWhileOpen, openDialog + 1);
    QCOMPARE(f.ui.calls.last(), FakeMessageUi::message(u"Errore n.9 tardi"_s, u"Errore"_s, Icon::Error));
}

QTEST_MAIN(TestSendCommand)
#include "tst_sendcommand.moc"
