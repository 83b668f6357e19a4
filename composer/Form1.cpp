#include "Form1.h"

#include "AttachmentField.h"
#include "BodyMirror.h"
#include "ComponentPlace.h"
#include "ComposerLayout.h"
#include "FieldText.h"
#include "ImmediateMnemonic.h"
#include "LaunchArguments.h"
#include "LineLengthGuard.h"
#include "MailComponent.h"
#include "MailtoLink.h"
#include "MessageUi.h"
#include "Priorities.h"
#include "RecoveryCopy.h"
#include "SavedFields.h"
#include "SecretHold.h"
#include "WindowIcon.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

#include <array>

namespace {

using Icon = MessageUi::Icon;

// The single-line boxes and the field each one holds.
struct LineField
{
    QLineEdit *ComposerLayout::Controls::*control;
    QString FormFields::*field;
};

using Controls = ComposerLayout::Controls;
constexpr std::array lineFields{
    LineField{&Controls::server, &FormFields::server},
    LineField{&Controls::sender, &FormFields::sender},
    LineField{&Controls::recipient, &FormFields::recipient},
    LineField{&Controls::cc, &FormFields::cc},
    LineField{&Controls::bcc, &FormFields::bcc},
    LineField{&Controls::attachments, &FormFields::attachments},
    LineField{&Controls::subject, &FormFields::subject},
};

// A line break can only reach a one-line box from a hand-edited settings
// file. Each one becomes a space, so nothing is hidden from the user and
// nothing is dropped.
QString asOneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return FieldText::trimmed(text);
}

} // namespace

Form1::Form1(std::unique_ptr<MailComponent> component, MessageUi &ui, SettingsStore &store, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                  | Qt::WindowCloseButtonHint),
      m_component(std::move(component)), m_ui(ui), m_store(store)
{
    setWindowTitle(QStringLiteral("FrmMain"));
    setWindowIcon(korvaneClientIcon());
    setFixedSize(ComposerLayout::clientSizePixels());
    m_controls = ComposerLayout::build(this);

    connect(m_controls.send, &QPushButton::clicked, this,
            [this] { m_handlers.run([this] { sendCommand(); }); });
    connect(m_controls.close, &QPushButton::clicked, this, &QWidget::close);
    // In the body too, where Return alone stays a line break.
    auto *sendKeys = new QShortcut(this);
    sendKeys->setKeys({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect(sendKeys, &QShortcut::activated, m_controls.send, &QPushButton::click);
    // Alt+I starts the send on the key too, not when the press look ends.
    ImmediateMnemonic::install(m_controls.send);
    m_attachments = new AttachmentField(m_controls.attachments, this, m_ui, m_handlers);
    new LineLengthGuard(this, m_ui, m_handlers);

    MailComponent *mail = m_component.get();
    connect(mail, &MailComponent::SendFailed, this, [this](qint16 number, const QString &description) {
        m_controls.component->setIdle();
        // Taken now: by the time the box opens another send may have ended.
        m_handlers.run([this, number, description, transcript = m_component->lastTranscript()] {
            reportFailure(number, description, transcript);
        });
    });
    connect(mail, &MailComponent::SendCompleted, this, [this] {
        m_controls.component->setIdle();
        m_handlers.run([this] { reportCompletion(); });
    });
    connect(mail, &MailComponent::progressChanged, m_controls.component, &ComponentPlace::setProgress);
    // Queued: once the first paint is on screen, the component may load
    // what its first send needs without delaying the window.
    connect(m_controls.component, &ComponentPlace::firstPainted, mail, &MailComponent::prepare,
            Qt::QueuedConnection);

    setObjectName(QStringLiteral("Form1"));
    m_handlers.run([this] { startUp(); });
    m_controls.server->setFocus();
    watchEdits();
}

// The component may not report anything to a window being torn down.
Form1::~Form1()
{
    if (m_component)
        m_component->disconnect(this);
}

void Form1::startUp()
{
    m_component->setClientName(QStringLiteral("KORVANE CLIENT STMP " KORVANE_VERSION));
    setWindowTitle(m_component->ClientName());
    m_component->AboutBox();
    m_controls.priority->clear();
    for (const Priority &entry : priorities)
        m_controls.priority->addItem(entry.text, entry.code);
    m_controls.priority->setCurrentIndex(defaultPriorityIndex);
    RestoreFields();
}

void Form1::openArguments(const QStringList &arguments)
{
    m_handlers.run([this, arguments] {
        if (m_stored)
            return; // the session ended during start-up
        const QScopedValueRollback filling(m_filling, true);
        const LaunchArguments launch = LaunchArguments::parse(arguments, QDir::currentPath());
        m_fromLink = !launch.links.isEmpty();
        // A leftover copy stays for a window of its own: a link window that
        // closes untouched would store nothing and lose it.
        if (!m_fromLink && m_recovery)
            announceRecovery(
                m_recovery->recover([this](const FormFields &recovered) { setFields(recovered); }));
        for (const QString &link : launch.links)
            openLink(link);
        if (!launch.files.isEmpty())
            m_attachments->add(launch.files);
    });
}

// Told once the window is on screen, so that the user sees what it is about.
void Form1::announceRecovery(const QString &text)
{
    if (text.isEmpty())
        return;
    const auto tell = [this, text] {
        m_handlers.run([this, text] {
            if (!m_stored)
                m_ui.showMessage(text, QStringLiteral("Recupero"), Icon::Information);
        });
    };
    if (m_controls.component->hasBeenPainted())
        QTimer::singleShot(0, this, tell);
    else
        connect(m_controls.component, &ComponentPlace::firstPainted, this, tell,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
}

void Form1::openLink(const QString &link)
{
    const std::optional<MailtoLink> decoded = MailtoLink::parse(link);
    if (!decoded) {
        m_ui.showMessage(QStringLiteral("Il collegamento mailto: non è valido e non è stato usato."),
                         QStringLiteral("Attenzione!"), Icon::Information);
        return;
    }
    // A new message: nothing of the saved one travels with it unseen.
    FormFields message = decoded->over(fields());
    message.attachments.clear();
    message.priorityIndex = defaultPriorityIndex;
    if (const QStringList over = overLongBoxes(message); !over.isEmpty()) {
        m_ui.showMessage(LineLengthGuard::linkRefused(over), QStringLiteral("Attenzione!"),
                         Icon::Information);
        return;
    }
    setFields(message);
}

void Form1::sendCommand()
{
    if (!m_component->IsReady()) {
        m_ui.showMessage(QStringLiteral("Il programma sta spedendo l'e-mail precedente. Per inviare la "
                                        "nuova e-mail bisogna attendere che il processo precedente "
                                        "termini."),
                         QStringLiteral("Attenzione!"), Icon::Information);
        return;
    }
    if (m_controls.authenticate->checkState() == Qt::Checked) {
        // The session may end while a prompt is open.
        if (!askCredentials() || m_stored)
            return;
    } else {
        // Credentials of an earlier authenticated send must not travel with
        // this one, possibly to another server.
        m_component->setUsername(QString());
        m_component->setPassword(QString());
    }
    m_touched = true;
    handOverFields();
    m_controls.component->setProgress(0, 0);
    m_component->Send();
}

bool Form1::askCredentials()
{
    const QString username = FieldText::trimmed(
        m_ui.prompt(QStringLiteral("Immettere l'username:"), QStringLiteral("Username"), QString(), false));
    if (username.isEmpty()) {
        m_ui.showMessage(QStringLiteral("Invio annullato."), QStringLiteral("Attenzione!"),
                         Icon::Information);
        return false;
    }
    m_component->setUsername(username);
    // Not dumpable from the prompt on; the component holds its own once it has the password.
    const SecretHold hold;
    // Hidden while typed and kept as typed: spaces at either end belong to it.
    m_component->setPassword(
        m_ui.prompt(QStringLiteral("Immettere la password:"), QStringLiteral("Password"), QString(), true));
    return true;
}

void Form1::handOverFields()
{
    const auto trimmedText = [](const QLineEdit *box) { return FieldText::trimmed(box->text()); };
    const Controls &c = m_controls;
    m_component->setServer(trimmedText(c.server));
    m_component->setSender(trimmedText(c.sender));
    m_component->setRecipient(trimmedText(c.recipient));
    m_component->setCc(trimmedText(c.cc));
    m_component->setBcc(trimmedText(c.bcc));
    m_component->setPriority(c.priority->currentData().toInt());
    m_component->setAttachments(trimmedText(c.attachments));
    m_component->setSubject(trimmedText(c.subject));
    m_component->setBody(FieldText::withoutTrailingSpaces(m_controls.body->toPlainText()));
}

// Once the window is closed nobody is left to read an outcome, and a box
// with no window under it would keep the program alive after its answer.
void Form1::reportFailure(qint16 number, const QString &description, const QString &transcript)
{
    if (m_stored)
        return;
    m_ui.showMessage(QStringLiteral("Errore n.") + QString::number(number) + u' ' + description,
                     QStringLiteral("Errore"), Icon::Error, transcript);
}

void Form1::reportCompletion()
{
    if (m_stored)
        return;
    m_ui.showMessage(QStringLiteral("EMail inviata correttamente."), QStringLiteral("Invio"),
                     Icon::Information);
}

void Form1::RestoreFields()
{
    FormFields restored = fields();
    SavedFields::RestoreFields(m_store, restored);
    setFields(restored);
}

bool Form1::StoreFields(qint64 order) { return SavedFields::StoreFields(m_store, fields(), order); }

FormFields Form1::fields() const { return fieldsWithBody(m_controls.body->toPlainText()); }

FormFields Form1::fieldsWithBody(const QString &body) const
{
    FormFields result;
    for (const LineField &line : lineFields)
        result.*line.field = (m_controls.*line.control)->text();
    result.body = body;
    result.priorityIndex = m_controls.priority->currentIndex();
    return result;
}

// A text too long for its box leaves the box as it was, and the user is told.
void Form1::setFields(const FormFields &fields)
{
    const QScopedValueRollback filling(m_filling, true);
    const QStringList over = overLongBoxes(fields);
    for (const LineField &line : lineFields) {
        QLineEdit *box = m_controls.*line.control;
        if (!over.contains(box->accessibleName()))
            box->setText(asOneLine(fields.*line.field));
    }
    m_controls.body->setPlainText(fields.body);
    if (fields.priorityIndex >= 0 && fields.priorityIndex < m_controls.priority->count())
        m_controls.priority->setCurrentIndex(fields.priorityIndex);
    if (!over.isEmpty())
        m_ui.showMessage(LineLengthGuard::restoreRefused(over), QStringLiteral("Attenzione!"),
                         Icon::Information);
}

QStringList Form1::overLongBoxes(const FormFields &fields) const
{
    QStringList names;
    for (const LineField &line : lineFields) {
        if (asOneLine(fields.*line.field).size() > ComposerLayout::lineBoxLimit)
            names << (m_controls.*line.control)->accessibleName();
    }
    return names;
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_centred || !screen())
        return;
    m_centred = true;
    QRect frame = frameGeometry();
    frame.moveCenter(screen()->availableGeometry().center());
    move(frame.topLeft());
}

// Closing never waits for a send: the component aborts it when the window
// destroys it.
void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_stored)
        return;
    m_stored = true;
    // An untouched link window leaves the saved message as it was.
    if (m_fromLink && !m_touched)
        return;
    const qint64 order = m_recovery ? m_recovery->nextOrder() : 0;
    const bool stored = StoreFields(order);
    if (!m_recovery)
        return;
    if (stored)
        m_recovery->fieldsStored(order);
    else
        m_recovery->fieldsNotStored();
}

// Every change to a box after start-up is the user's (typing, pasting,
// dropping files): it counts as an edit and is kept in the recovery copy.
// What the program fills in itself (saved fields, a link) is neither.
void Form1::watchEdits()
{
    if (const QString settings = m_store.fileName(); !settings.isEmpty()) {
        m_body = new BodyMirror(m_controls.body->document());
        m_recovery = new RecoveryCopy(
            m_store, [this] { return fieldsWithBody(QString()); }, m_body, this);
    }
    for (const LineField &line : lineFields)
        connect(m_controls.*line.control, &QLineEdit::textChanged, this, &Form1::edited);
    connect(m_controls.body, &QPlainTextEdit::textChanged, this, &Form1::edited);
    connect(m_controls.priority, &QComboBox::currentIndexChanged, this, &Form1::edited);
}

void Form1::edited()
{
    if (m_filling || m_stored)
        return;
    m_touched = true;
    if (m_recovery)
        m_recovery->changed();
}
