#include "Form1.h"

#include "AddressChecks.h"
#include "AddressCompleter.h"
#include "AddressMemory.h"
#include "AttachmentField.h"
#include "BodyTextEdit.h"
#include "ComponentPlace.h"
#include "ComposerLayout.h"
#include "ComposerTexts.h"
#include "FieldKeeper.h"
#include "ImmediateMnemonic.h"
#include "LaunchArguments.h"
#include "LineLengthGuard.h"
#include "MailtoLink.h"
#include "MessageOpening.h"
#include "SendCommand.h"
#include "WindowIcon.h"
#include "common/Priorities.h"
#include "mail/MailComponent.h"
#include "recovery/RecoveryTexts.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTexts.h"
#include "ui/MessageUi.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

using Icon = MessageUi::Icon;

Form1::Form1(std::unique_ptr<MailComponent> component, MessageUi &ui, SettingsStore &store, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                  | Qt::WindowCloseButtonHint),
      m_component(std::move(component)), m_ui(ui)
{
    setWindowTitle(composerText(ComposerText::WindowTitle));
    setWindowIcon(korvaneClientIcon());
    setFixedSize(ComposerLayout::clientSizePixels());
    m_controls = ComposerLayout::build(this);

    m_fields = new FieldKeeper(this, m_ui, store);
    m_send = new SendCommand(*m_component, m_controls, *m_fields, m_ui, m_handlers, this);
    connect(m_controls.send, &QPushButton::clicked, this,
            [this] { m_handlers.run([this] { m_send->run(); }); });
    connect(m_controls.close, &QPushButton::clicked, this, &QWidget::close);
    // In the body too, where Return alone stays a line break.
    auto *sendKeys = new QShortcut(this);
    sendKeys->setKeys({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect(sendKeys, &QShortcut::activated, m_controls.send, &QPushButton::click);
    // Alt+I starts the send on the key too, not when the press look ends.
    ImmediateMnemonic::install(m_controls.send);
    m_addresses = new AddressMemory(store.fileName(), this);
    connect(m_send, &SendCommand::delivered, m_addresses, &AddressMemory::remember);
    for (QLineEdit *box : m_fields->addressBoxes())
        new AddressCompleter(box, *m_addresses);
    m_attachments = new AttachmentField(m_controls.attachments, this, m_ui, m_handlers);
    m_messages = new MessageOpening(*m_fields, m_ui, m_handlers, this);
    m_attachments->setMessageOpener([this](const QString &path) { m_messages->open(path); });
    auto *openMessage = new QAction(composerText(ComposerText::OpenMessageMenu), this);
    connect(openMessage, &QAction::triggered, m_messages, &MessageOpening::choose);
    if (auto *body = qobject_cast<BodyTextEdit *>(m_controls.body))
        body->addMenuAction(openMessage);
    new LineLengthGuard(this, m_ui, m_handlers);
    m_spelling = new SpellingAid(m_controls.body, m_controls.subject, this);

    setObjectName(QStringLiteral("Form1"));
    connect(m_send, &SendCommand::delivered, m_fields, [this] { m_fields->draft().delivered(); });
    m_handlers.run([this] { startUp(); });
    m_controls.server->setFocus();
    m_fields->watchEdits(m_controls.body);
    announce(store.notice(), settingsText(SettingsText::Title));
}

// The component may not report anything to a window being torn down.
Form1::~Form1()
{
    if (!m_component)
        return;
    m_component->disconnect(this);
    m_component->disconnect(m_send);
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
    m_fields->restore();
}

void Form1::setMessageWindowOpener(std::function<void(const QString &path)> open)
{
    m_messages->setWindowOpener(std::move(open));
}

void Form1::checkSpelling(SpellingAid::Opener open)
{
    // The dictionary takes a tenth of a second and 10 MiB to load: not before
    // the window shows, nor before Oggetto or Contenuto has the focus.
    afterFirstPaint([this, open = std::move(open)] { m_spelling->start(open); });
}

void Form1::checkAddresses()
{
    // Nothing of it before the window shows: the boxes' first marks ask the
    // name server about the addresses restored.
    afterFirstPaint([this] {
        if (m_addressChecks)
            return;
        m_addressChecks = new AddressChecks(m_fields->addressBoxes(), *m_addresses, this);
        m_send->setAddressChecks(m_addressChecks);
    });
}

// At the next turn of the event loop once the window is on screen.
void Form1::afterFirstPaint(const std::function<void()> &then)
{
    if (m_controls.component->hasBeenPainted())
        QTimer::singleShot(0, this, then);
    else
        connect(m_controls.component, &ComponentPlace::firstPainted, this, then,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
}

void Form1::openArguments(const QStringList &arguments)
{
    m_handlers.run([this, arguments] {
        if (m_fields->closed())
            return; // the session ended during start-up
        const auto filling = m_fields->filling();
        const LaunchArguments launch = LaunchArguments::parse(arguments, QDir::currentPath());
        QStringList messages;
        QList<QUrl> files;
        for (const QUrl &file : launch.files) {
            if (file.isLocalFile() && MessageOpening::isMessageFile(file.toLocalFile()))
                messages << file.toLocalFile();
            else
                files << file;
        }
        // A message opened is a new message, as a link's is.
        const bool fromLink = !launch.links.isEmpty() || !messages.isEmpty();
        if (fromLink)
            m_fields->draft().disown();
        // A leftover copy stays for a window of its own: a link window that
        // closes untouched would store nothing and lose it.
        if (!m_offeredDraft.isEmpty())
            announce(m_fields->draft().recoverOffered(m_offeredDraft), recoveryText(RecoveryText::Title));
        else if (!fromLink)
            takeLeftovers();
        for (const QString &link : launch.links)
            openLink(link);
        for (const QString &message : messages) {
            if (message == messages.first() && launch.links.isEmpty())
                m_messages->openHere(message);
            else
                m_messages->open(message);
        }
        if (!files.isEmpty())
            m_attachments->add(files);
    });
}

// The newest draft comes back here; each other one opens in a window of its
// own once this one is on screen, so that none needs looking for.
void Form1::takeLeftovers()
{
    const RecoveryCopy::Recovered found = m_fields->draft().recover();
    announce(found.notice, recoveryText(RecoveryText::Title));
    if (found.offered.isEmpty() || !m_openDraft)
        return;
    afterFirstPaint([this, offered = found.offered] {
        for (const QString &path : offered)
            m_openDraft(path);
    });
}

// Told once the window is on screen, so that the user sees what it is about.
void Form1::announce(const QString &text, const QString &title)
{
    if (text.isEmpty())
        return;
    const auto tell = [this, text, title] {
        m_handlers.run([this, text, title] {
            if (!m_fields->closed())
                m_ui.showMessage(text, title, Icon::Information);
        });
    };
    afterFirstPaint(tell);
}

void Form1::openLink(const QString &link)
{
    const std::optional<MailtoLink> decoded = MailtoLink::parse(link);
    if (!decoded) {
        m_ui.showMessage(composerText(ComposerText::LinkInvalid), composerText(ComposerText::WarningTitle),
                         Icon::Information);
        return;
    }
    // A new message: nothing of the saved one travels with it unseen.
    MailFields message = decoded->over(m_fields->fields());
    message.attachments.clear();
    message.priorityIndex = defaultPriorityIndex;
    if (const QStringList over = m_fields->overLongBoxes(message); !over.isEmpty()) {
        m_ui.showMessage(LineLengthGuard::linkRefused(over), composerText(ComposerText::WarningTitle),
                         Icon::Information);
        return;
    }
    m_fields->setFields(message);
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
    m_fields->close();
}
