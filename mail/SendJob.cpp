#include "SendJob.h"

#include "AddressList.h"
#include "AttachmentList.h"
#include "MessageSource.h"
#include "MessageTexts.h"
#include "SecretWipe.h"

#include <QScopeGuard>
#include <QSet>

#include <optional>

namespace {

// Fields that travel on one line: a line break there could add a header or
// an SMTP command, so it stops the send.
std::optional<SendOutcome> controlCharacter(const MailRequest &r)
{
    const struct
    {
        const QString &value;
        const char *name;
    } fields[] = {
        {r.server, "Server"},
        {r.sender, "Mittente"},
        {r.recipient, "Destinatario"},
        {r.cc, "CC"},
        {r.bcc, "BCC"},
        {r.attachments, "Allegati"},
        {r.subject, "Oggetto"},
        {r.clientName, "ClientName"},
        {r.username, "Username"},
        {r.password, "Password"},
    };
    for (const auto &f : fields) {
        for (QChar c : f.value) {
            if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f) {
                const QString what = c == u'\r' || c == u'\n' ? QStringLiteral("un a capo")
                                                              : QStringLiteral("un carattere di controllo");
                return SendOutcome::failure(SendError::ControlCharacter,
                                            QStringLiteral("Il campo %1 contiene %2: non è ammesso.")
                                                .arg(QLatin1String(f.name), what));
            }
        }
    }
    return std::nullopt;
}

std::optional<SendOutcome> badAddress(const AddressListResult &parsed, const char *field, SendError error)
{
    if (parsed.ok())
        return std::nullopt;
    return SendOutcome::failure(error, MessageTexts::badAddress(QLatin1String(field), parsed.badItem));
}

} // namespace

SendJob::SendJob(MailRequest request, bool echoTranscript)
    : m_request(std::move(request)), m_transcript(echoTranscript)
{
    if (!m_request.password.isEmpty())
        m_passwordHold.emplace();
}

SendJob::~SendJob() { forgetPassword(); }

// The hold goes last, once no copy of the password is left to this job (the
// session's, libcurl's included, went when run() left it).
void SendJob::forgetPassword()
{
    SecretWipe::wipe(m_request.password);
    m_passwordHold.reset();
}

SendOutcome SendJob::run(const SmtpSession::Progress &progress, const SmtpSession::Verdict &verdict)
{
    const auto forget = qScopeGuard([this] { forgetPassword(); });
    const MailRequest &r = m_request;
    m_transcript.add(QStringLiteral("* invio tramite il server «%1»").arg(r.server));
    if (auto failure = controlCharacter(r))
        return *failure;

    const auto server = parseServerAddress(r.server);
    if (!server)
        return SendOutcome::failure(SendError::ServerInvalid,
                                    r.server.trimmed().isEmpty()
                                        ? QStringLiteral("Server SMTP non indicato.")
                                        : QStringLiteral("Server SMTP non valido: «%1».").arg(r.server));

    const auto from = parseAddressList(r.sender);
    if (auto failure = badAddress(from, "Mittente", SendError::SenderInvalid))
        return *failure;
    if (from.mailboxes.isEmpty())
        return SendOutcome::failure(SendError::SenderInvalid, MessageTexts::noSender());

    const auto to = parseAddressList(r.recipient);
    const auto cc = parseAddressList(r.cc);
    const auto bcc = parseAddressList(r.bcc);
    if (auto failure = badAddress(to, "Destinatario", SendError::RecipientInvalid))
        return *failure;
    if (auto failure = badAddress(cc, "CC", SendError::RecipientInvalid))
        return *failure;
    if (auto failure = badAddress(bcc, "BCC", SendError::RecipientInvalid))
        return *failure;

    SmtpSession::Settings settings{*server,
                                   from.mailboxes.first().address.toLatin1(),
                                   {},
                                   r.username.toUtf8(),
                                   r.password.toUtf8(),
                                   r.caFile,
                                   r.connectTimeoutMs,
                                   r.stallTimeoutMs,
                                   &m_transcript};
    const auto forgetBytes = qScopeGuard([&settings] { SecretWipe::wipe(settings.password); });
    // One RCPT per mailbox: the domain ignores case, the local part may not
    // (a@x.it and A@x.it can be two people).
    QSet<QString> seen;
    for (const auto *list : {&to, &cc, &bcc})
        for (const Mailbox &box : list->mailboxes) {
            const qsizetype at = box.address.lastIndexOf(u'@');
            const QString key = box.address.left(at) + box.address.mid(at).toLower();
            if (!seen.contains(key)) {
                seen.insert(key);
                settings.recipients << box.address.toLatin1();
            }
        }
    if (settings.recipients.isEmpty())
        return SendOutcome::failure(SendError::NoRecipient, MessageTexts::noRecipient());

    MessageSource message;
    const QString problem
        = message.build(r, from.mailboxes, to.mailboxes, cc.mailboxes, parseAttachmentList(r.attachments));
    if (!problem.isEmpty())
        return SendOutcome::failure(SendError::AttachmentProblem, problem);
    if (aborted())
        return {};
    if (!server->portTyped) {
        const auto choice = m_ports.choose(*server,
                                           {{r.plainPort, r.submissionPort, r.implicitTlsPort},
                                            !settings.username.isEmpty(),
                                            r.caFile,
                                            r.connectTimeoutMs,
                                            &m_transcript});
        if (aborted())
            return {};
        if (!choice.server)
            return choice.failure;
        settings.server = *choice.server;
        m_transcript.add(QStringLiteral("* porta scelta: %1").arg(settings.server.port));
    }
    return m_session.run(settings, message, progress, verdict);
}
