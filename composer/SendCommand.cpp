#include "SendCommand.h"

#include "AddressChecks.h"
#include "ComponentPlace.h"
#include "ComposerTexts.h"
#include "FieldKeeper.h"
#include "HandlerQueue.h"
#include "SendDoubts.h"
#include "common/FieldTable.h"
#include "common/SecretHold.h"
#include "mail/MailComponent.h"
#include "settings/FieldText.h"
#include "ui/MessageUi.h"

#include <QCheckBox>
#include <QPushButton>

using Icon = MessageUi::Icon;

namespace {

// How long a send waits for the name server: long enough for a server on the
// local network to answer, short enough to go unnoticed when none does.
constexpr std::chrono::milliseconds kAnswerWait{300};

} // namespace

SendCommand::SendCommand(MailComponent &component, const ComposerLayout::Controls &controls,
                         FieldKeeper &fields, MessageUi &ui, HandlerQueue &handlers, QObject *parent)
    : QObject(parent), m_component(component), m_controls(controls), m_fields(fields), m_ui(ui),
      m_handlers(handlers)
{
    connect(&m_component, &MailComponent::SendFailed, this,
            [this](qint16 number, const QString &description) {
                m_controls.component->setIdle();
                m_sending.clear();
                // Taken now: by the time the box opens another send may have ended.
                m_handlers.run([this, number, description, transcript = m_component.lastTranscript()] {
                    reportFailure(number, description, transcript);
                });
            });
    connect(&m_component, &MailComponent::SendCompleted, this, [this] {
        m_controls.component->setIdle();
        if (!m_sending.isEmpty())
            Q_EMIT delivered(std::exchange(m_sending, {}));
        m_handlers.run([this] { reportCompletion(); });
    });
    // After the outcome's own box, never in its place.
    connect(&m_component, &MailComponent::sentCopyNotKept, this, [this](const QString &why) {
        m_handlers.run([this, why] {
            if (!m_fields.closed())
                m_ui.showMessage(composerText(ComposerText::CopyNotKept).arg(why),
                                 composerText(ComposerText::WarningTitle), Icon::Information);
        });
    });
    connect(&m_component, &MailComponent::progressChanged, m_controls.component,
            &ComponentPlace::setProgress);
    m_answerWait.setSingleShot(true);
    m_answerWait.setInterval(kAnswerWait);
    connect(&m_answerWait, &QTimer::timeout, this, [this] { answersIn(true); });
}

void SendCommand::setAddressChecks(AddressChecks *checks)
{
    m_checks = checks;
    connect(checks, &AddressChecks::answered, this, [this] { answersIn(false); });
}

void SendCommand::run()
{
    if (!m_component.IsReady()) {
        m_ui.showMessage(composerText(ComposerText::SendBusy), composerText(ComposerText::WarningTitle),
                         Icon::Information);
        return;
    }
    // Pressed again while the answers are awaited: that send is on its way.
    if (m_answerWait.isActive())
        return;
    // The transport loads while the answers, the question and the prompt are awaited.
    m_component.prepare();
    if (m_checks != nullptr && m_checks->askAll(m_fields.fields())) {
        m_answerWait.start();
        return;
    }
    proceed();
}

// The wait ends with the last answer about this message's domains, or
// with the bound; the window stays free meanwhile.
void SendCommand::answersIn(bool waitedEnough)
{
    if (!m_answerWait.isActive() && !waitedEnough)
        return;
    if (!waitedEnough && m_checks->awaiting(m_fields.fields()))
        return;
    m_answerWait.stop();
    m_handlers.run([this] {
        if (!m_fields.closed())
            proceed();
    });
}

void SendCommand::proceed()
{
    // Before the credentials: going back should not cost a password typed.
    if (!confirmDoubts())
        return;
    if (m_controls.authenticate->checkState() == Qt::Checked) {
        // The session may end while a prompt is open.
        if (!askCredentials() || m_fields.closed())
            return;
    } else {
        // Credentials of an earlier authenticated send must not travel with
        // this one, possibly to another server.
        m_component.setUsername(QString());
        m_component.setPassword(QString());
    }
    m_fields.draft().sendStarted();
    const MailFields fields = m_fields.fields();
    handOver(fields);
    m_sending = FieldTable::addressTexts(fields);
    m_controls.component->setProgress(0, 0);
    m_component.Send();
}

// One question for all that looks like a slip, so that the user is asked
// once; going back puts the cursor where the first of them can be mended.
bool SendCommand::confirmDoubts()
{
    QList<SendDoubt> doubts = sendDoubts(m_fields.fields());
    if (m_checks)
        doubts << m_checks->doubts(m_fields.fields());
    if (doubts.isEmpty())
        return true;
    QStringList lines;
    for (const SendDoubt &doubt : doubts)
        lines << doubt.line;
    const QString question = composerText(ComposerText::SendAnywayQuestion);
    const QString text = lines.size() == 1 ? lines.first() + u' ' + question
                                           : lines.join(u'\n') + QStringLiteral("\n\n") + question;
    const bool send
        = m_ui.ask(text, composerText(ComposerText::DoubtTitle), composerText(ComposerText::SendAnyway),
                   composerText(ComposerText::BackToMessage));
    // The session may end while the question is open.
    if (send)
        return !m_fields.closed();
    m_fields.box(doubts.first().field)->setFocus(Qt::OtherFocusReason);
    return false;
}

bool SendCommand::askCredentials()
{
    const QString username
        = FieldText::trimmed(m_ui.prompt(composerText(ComposerText::UsernamePrompt),
                                         composerText(ComposerText::UsernameTitle), QString(), false));
    if (username.isEmpty()) {
        m_ui.showMessage(composerText(ComposerText::SendCancelled), composerText(ComposerText::WarningTitle),
                         Icon::Information);
        return false;
    }
    m_component.setUsername(username);
    // Not dumpable from the prompt on; the component holds its own once it has the password.
    const SecretHold hold;
    // Hidden while typed and kept as typed: spaces at either end belong to it.
    m_component.setPassword(m_ui.prompt(composerText(ComposerText::PasswordPrompt),
                                        composerText(ComposerText::PasswordTitle), QString(), true));
    return true;
}

// Each field as the settings keep it.
void SendCommand::handOver(const MailFields &fields)
{
    for (const FieldTable::Row *row : FieldTable::handOverOrder) {
        if (row->index)
            m_component.setPriority(priorityAt(fields.*row->index).code);
        else
            m_component.setField(row->text, FieldText::byRule(row->trim, fields.*row->text));
    }
}

// Once the window is closed nobody is left to read an outcome, and a box
// with no window under it would keep the program alive after its answer.
void SendCommand::reportFailure(qint16 number, const QString &description, const QString &transcript)
{
    if (m_fields.closed())
        return;
    m_ui.showMessage(composerText(ComposerText::SendFailed).arg(QString::number(number), description),
                     composerText(ComposerText::ErrorTitle), Icon::Error, transcript);
}

void SendCommand::reportCompletion()
{
    if (m_fields.closed())
        return;
    m_ui.showMessage(composerText(ComposerText::SendDone), composerText(ComposerText::SendDoneTitle),
                     Icon::Information);
}
