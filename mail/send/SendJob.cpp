#include "SendJob.h"

#include "SendTexts.h"
#include "common/AttachmentList.h"
#include "common/FieldTable.h"
#include "common/SecretWipe.h"
#include "mail/message/AddressList.h"
#include "mail/message/MessageSource.h"
#include "mail/message/MessageTexts.h"
#include "mail/message/SentCopy.h"
#include "mail/message/SentFolder.h"
#include "mail/smtp/PortMemory.h"
#include "mail/smtp/SmtpTexts.h"

#include <QScopeGuard>
#include <QSet>

#include <exception>
#include <new>
#include <optional>

namespace {

std::optional<SendOutcome> controlCharacterIn(const QString &value, QLatin1StringView name)
{
    for (QChar c : value) {
        if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f) {
            const QString what
                = sendText(c == u'\r' || c == u'\n' ? SendText::LineBreak : SendText::ControlCharacter);
            return SendOutcome::failure(SendError::ControlCharacter,
                                        sendText(SendText::FieldContains).arg(name, what));
        }
    }
    return std::nullopt;
}

// Fields that travel on one line: a line break there could add a header or
// an SMTP command, so it stops the send.
std::optional<SendOutcome> controlCharacter(const MailRequest &r)
{
    for (const FieldTable::Row &row : FieldTable::rows) {
        if (row.shape != FieldTable::Shape::Line)
            continue;
        if (auto failure = controlCharacterIn(r.*row.text, row.sendName))
            return failure;
    }
    using namespace Qt::StringLiterals;
    const std::pair<const QString &, QLatin1StringView> others[]
        = {{r.clientName, "ClientName"_L1}, {r.username, "Username"_L1}, {r.password, "Password"_L1}};
    for (const auto &[value, name] : others) {
        if (auto failure = controlCharacterIn(value, name))
            return failure;
    }
    return std::nullopt;
}

std::optional<SendOutcome> badAddress(const AddressListResult &parsed, QString MailFields::*field,
                                      SendError error)
{
    if (parsed.ok())
        return std::nullopt;
    const QLatin1StringView name = FieldTable::rowOf(field).sendName;
    return SendOutcome::failure(error, messageText(MessageText::BadAddress).arg(name, parsed.badItem));
}

// The fields parsed, or the failure of the first that would not parse.
struct Envelope
{
    AddressListResult from;
    AddressListResult to;
    AddressListResult cc;
    AddressListResult bcc;
};

std::optional<SendOutcome> parseEnvelope(const MailRequest &r, Envelope &e)
{
    e.from = parseAddressList(r.sender);
    if (auto failure = badAddress(e.from, &MailFields::sender, SendError::SenderInvalid))
        return failure;
    if (e.from.mailboxes.isEmpty())
        return SendOutcome::failure(SendError::SenderInvalid, messageText(MessageText::NoSender));
    e.to = parseAddressList(r.recipient);
    e.cc = parseAddressList(r.cc);
    e.bcc = parseAddressList(r.bcc);
    if (auto failure = badAddress(e.to, &MailFields::recipient, SendError::RecipientInvalid))
        return failure;
    if (auto failure = badAddress(e.cc, &MailFields::cc, SendError::RecipientInvalid))
        return failure;
    return badAddress(e.bcc, &MailFields::bcc, SendError::RecipientInvalid);
}

// One RCPT per mailbox: the domain ignores case, the local part may not
// (a@x.it and A@x.it can be two people).
QList<QByteArray> recipientsOf(const Envelope &e)
{
    QList<QByteArray> recipients;
    QSet<QString> seen;
    for (const auto *list : {&e.to, &e.cc, &e.bcc})
        for (const Mailbox &box : list->mailboxes) {
            const qsizetype at = box.address.lastIndexOf(u'@');
            const QString key = box.address.left(at) + box.address.mid(at).toLower();
            if (!seen.contains(key)) {
                seen.insert(key);
                recipients << box.address.toLatin1();
            }
        }
    return recipients;
}

} // namespace

SendJob::SendJob(MailRequest request, Transcript::EchoLine echo, std::shared_ptr<void> passwordHold)
    : m_request(std::move(request)), m_passwordHold(std::move(passwordHold)), m_transcript(echo)
{}

SendJob::~SendJob() { forgetPassword(); }

SendOutcome SendJob::keepCopy(SendOutcome outcome)
{
    if (!outcome.ok() || !m_copy)
        return outcome;
    outcome.copyProblem = m_copy->keep();
    m_transcript.add(outcome.copyProblem.isEmpty()
                         ? sendText(SendText::TranscriptCopyKept).arg(m_copy->keptPath())
                         : sendText(SendText::TranscriptCopyNotKept).arg(outcome.copyProblem));
    return outcome;
}

// The hold goes last, once no copy of the password is left to this job (the
// session's, libcurl's included, went when run() left it).
void SendJob::forgetPassword()
{
    SecretWipe::wipe(m_request.password);
    m_passwordHold.reset();
}

SendOutcome SendJob::run(const SmtpSession::Progress &progress, const SmtpSession::Verdict &verdict)
{
    // The one place that makes sure the outcome is told exactly once. The
    // session tells it as soon as the server has had its last word, before
    // the goodbye; every other way out of the send (a field refused, no
    // port fits, an exception) is told here on the way out. An aborted send
    // has nobody left to tell.
    std::optional<SendOutcome> told;
    const SmtpSession::Verdict tell = [this, &told, &verdict](const SendOutcome &outcome) {
        if (told || aborted())
            return;
        told = keepCopy(outcome);
        if (verdict)
            verdict(*told);
    };
    // A copy not kept by now never will be: its file goes.
    const auto forget = qScopeGuard([this] {
        m_copy.reset();
        forgetPassword();
    });
    SendOutcome outcome;
    try {
        outcome = send(progress, tell);
    } catch (const std::bad_alloc &) {
        outcome = SendOutcome::failure(SendError::Internal, smtpText(SmtpText::OutOfMemory));
    } catch (const std::exception &) {
        outcome = SendOutcome::failure(SendError::Internal, smtpText(SmtpText::Interrupted));
    }
    tell(outcome);
    return told.value_or(outcome);
}

SendOutcome SendJob::send(const SmtpSession::Progress &progress, const SmtpSession::Verdict &verdict)
{
    const MailRequest &r = m_request;
    m_transcript.add(sendText(SendText::TranscriptServer).arg(r.server));
    if (auto failure = controlCharacter(r))
        return *failure;
    const auto server = parseServerAddress(r.server);
    if (!server)
        return SendOutcome::failure(SendError::ServerInvalid,
                                    r.server.trimmed().isEmpty()
                                        ? sendText(SendText::NoServer)
                                        : sendText(SendText::ServerInvalid).arg(r.server));
    Envelope envelope;
    if (auto failure = parseEnvelope(r, envelope))
        return *failure;
    SmtpSession::Settings settings{*server,
                                   envelope.from.mailboxes.first().address.toLatin1(),
                                   recipientsOf(envelope),
                                   r.username.toUtf8(),
                                   r.password.toUtf8(),
                                   r.caFile,
                                   r.connectTimeoutMs,
                                   r.stallTimeoutMs,
                                   &m_transcript};
    const auto forgetBytes = qScopeGuard([&settings] { SecretWipe::wipe(settings.password); });
    if (settings.recipients.isEmpty())
        return SendOutcome::failure(SendError::NoRecipient, messageText(MessageText::NoRecipient));

    MessageSource message;
    const QString problem = message.build(r, envelope.from.mailboxes, envelope.to.mailboxes,
                                          envelope.cc.mailboxes, parseAttachmentList(r.attachments));
    if (!problem.isEmpty())
        return SendOutcome::failure(SendError::AttachmentProblem, problem);
    if (aborted())
        return {};
    m_copy = std::make_unique<SentCopy>(SentFolder::path());
    message.copyTo(m_copy.get(), envelope.bcc.mailboxes);
    return deliver(settings, message, progress, verdict);
}

SendOutcome SendJob::deliver(SmtpSession::Settings &settings, MessageSource &message,
                             const SmtpSession::Progress &progress, const SmtpSession::Verdict &verdict)
{
    if (settings.server.portTyped)
        return m_session.run(settings, message, progress, verdict);
    const MailRequest &r = m_request;
    const ServerAddress typed = settings.server;
    const PortChooser::Settings ports{{r.plainPort, r.submissionPort, r.implicitTlsPort},
                                      !settings.username.isEmpty(),
                                      r.caFile,
                                      {r.connectTimeoutMs},
                                      &m_transcript};
    if (const auto kept = PortMemory::recall(typed, ports)) {
        std::optional<SendOutcome> outcome
            = sendToKept(settings, *kept, ports.timings, message, progress, verdict);
        if (outcome)
            return *outcome;
        PortMemory::forget(typed, ports);
    }
    const auto choice = m_ports.choose(typed, ports);
    if (aborted())
        return {};
    if (!choice.server)
        return choice.failure;
    PortMemory::remember(typed, ports, *choice.server);
    settings.server = *choice.server;
    m_transcript.add(sendText(SendText::TranscriptPortChosen).arg(settings.server.port));
    SendOutcome outcome = m_session.run(settings, message, progress, verdict);
    if (outcome.unreached)
        PortMemory::forget(typed, ports);
    return outcome;
}

std::optional<SendOutcome> SendJob::sendToKept(SmtpSession::Settings &settings, const ServerAddress &kept,
                                               const ConnectionTimings &timings, MessageSource &message,
                                               const SmtpSession::Progress &progress,
                                               const SmtpSession::Verdict &verdict)
{
    // A port that no longer greets has said nothing the user needs to
    // hear: the choice is made again, once. It gets to greet what the
    // choice would give it, not the whole connect time-out.
    const SmtpSession::Verdict unlessUnreached = [&verdict](const SendOutcome &outcome) {
        if (!outcome.unreached && verdict)
            verdict(outcome);
    };
    settings.server = kept;
    settings.greetingTimeoutMs = timings.greetingMs();
    m_transcript.add(sendText(SendText::TranscriptPortKept).arg(kept.port));
    m_transcript.add(sendText(SendText::TranscriptKeptGreeting)
                         .arg(ConnectionTimings::wholeSeconds(settings.greetingTimeoutMs)));
    SendOutcome outcome = m_session.run(settings, message, progress, unlessUnreached);
    settings.greetingTimeoutMs = 0;
    if (!outcome.unreached || aborted())
        return outcome;
    m_transcript.add(sendText(SendText::TranscriptKeptDropped).arg(kept.port).arg(outcome.description));
    return std::nullopt;
}
