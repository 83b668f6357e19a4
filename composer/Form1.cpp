#include "Form1.h"

#include "AttachmentField.h"
#include "ComponentPlace.h"
#include "ComposerLayout.h"
#include "FieldText.h"
#include "LaunchArguments.h"
#include "MailComponent.h"
#include "MailtoLink.h"
#include "MessageUi.h"
#include "Priorities.h"
#include "SavedFields.h"
#include "WindowIcon.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

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
    m_attachments = new AttachmentField(m_controls.attachments, this, m_ui, m_handlers);

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

    setObjectName(QStringLiteral("Form1"));
    m_handlers.run([this] { startUp(); });
    m_controls.server->setFocus();
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
        const LaunchArguments launch = LaunchArguments::parse(arguments, QDir::currentPath());
        for (const QString &link : launch.links)
            openLink(link);
        if (!launch.files.isEmpty())
            m_attachments->add(launch.files);
    });
}

void Form1::openLink(const QString &link)
{
    const std::optional<MailtoLink> decoded = MailtoLink::parse(link);
    if (!decoded) {
        m_ui.showMessage(QStringLiteral("Il collegamento mailto: non è valido e non è stato usato."),
                         QStringLiteral("Attenzione!"), Icon::Information);
        return;
    }
    setFields(decoded->over(fields()));
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
        if (!askCredentials())
            return;
    } else {
        // Credentials of an earlier authenticated send must not travel with
        // this one, possibly to another server.
        m_component->setUsername(QString());
        m_component->setPassword(QString());
    }
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

void Form1::reportFailure(qint16 number, const QString &description, const QString &transcript)
{
    m_ui.showMessage(QStringLiteral("Errore n.") + QString::number(number) + u' ' + description,
                     QStringLiteral("Errore"), Icon::Error, transcript);
}

void Form1::reportCompletion()
{
    m_ui.showMessage(QStringLiteral("EMail inviata correttamente."), QStringLiteral("Invio"),
                     Icon::Information);
}

void Form1::RestoreFields()
{
    FormFields restored = fields();
    SavedFields::RestoreFields(m_store, restored);
    setFields(restored);
}

void Form1::StoreFields() { SavedFields::StoreFields(m_store, fields()); }

FormFields Form1::fields() const
{
    FormFields result;
    for (const LineField &line : lineFields)
        result.*line.field = (m_controls.*line.control)->text();
    result.body = m_controls.body->toPlainText();
    result.priorityIndex = m_controls.priority->currentIndex();
    return result;
}

void Form1::setFields(const FormFields &fields)
{
    for (const LineField &line : lineFields)
        (m_controls.*line.control)->setText(asOneLine(fields.*line.field));
    m_controls.body->setPlainText(fields.body);
    if (fields.priorityIndex >= 0 && fields.priorityIndex < m_controls.priority->count())
        m_controls.priority->setCurrentIndex(fields.priorityIndex);
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
    if (!m_stored) {
        m_stored = true;
        StoreFields();
    }
    event->accept();
}
