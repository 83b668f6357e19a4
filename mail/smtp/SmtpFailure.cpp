#include "SmtpFailure.h"

#include "SmtpDialogue.h"
#include "SmtpTexts.h"

#include <curl/curl.h>

#include <array>
#include <cerrno>

namespace {

using Stage = SmtpDialogue::Stage;

QString refusal(const SmtpDialogue &d, const QString &server)
{
    switch (d.stage) {
    case Stage::Greeting:
        return smtpText(SmtpText::GreetingRefused).arg(server, d.replyText);
    case Stage::Hello:
        return smtpText(SmtpText::HelloRefused).arg(server, d.replyText);
    case Stage::StartTls:
        return smtpText(SmtpText::StartTlsRefused).arg(server, d.replyText);
    case Stage::Auth:
        return smtpText(SmtpText::AuthRefused).arg(d.replyText);
    case Stage::MailFrom:
        return smtpText(SmtpText::SenderRefused).arg(d.argument, d.replyText);
    case Stage::RcptTo:
        return smtpText(SmtpText::RecipientRefused).arg(d.argument, d.replyText);
    case Stage::Data:
    case Stage::Message:
        break;
    }
    return smtpText(SmtpText::MessageRefused).arg(d.replyText);
}

// The command each stage's reply answers, in the order of Stage; none for
// the greeting and the message's end, which have sentences of their own.
constexpr std::array<const char *, 8> stageCommands{nullptr,     "EHLO",    "STARTTLS", "AUTH",
                                                    "MAIL FROM", "RCPT TO", "DATA",     nullptr};
static_assert(std::size_t(Stage::Message) + 1 == stageCommands.size());

// What a reply at this stage of the dialogue answers, in words.
QString answered(Stage stage)
{
    if (stage == Stage::Greeting)
        return smtpText(SmtpText::ReplyToGreeting);
    if (const char *verb = stageCommands[std::size_t(stage)])
        return smtpText(SmtpText::ReplyToCommand).arg(QLatin1String(verb));
    return smtpText(SmtpText::ReplyToMessage);
}

QString transport(const TransportError &e, const SmtpDialogue &d)
{
    const QString server = e.server.display();
    const auto code = static_cast<CURLcode>(e.code);
    const QString detail
        = shownText(e.detail.isEmpty() ? QString::fromUtf8(curl_easy_strerror(code)) : e.detail);
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return smtpText(SmtpText::UnknownServer).arg(e.server.host);
    case CURLE_COULDNT_CONNECT:
        if (e.osErrno == ECONNREFUSED)
            return smtpText(SmtpText::ConnectionRefused).arg(server);
        return smtpText(SmtpText::CannotConnect).arg(server, detail);
    case CURLE_OPERATION_TIMEDOUT:
        if (!e.resolved)
            return smtpText(SmtpText::LookupTimedOut).arg(e.server.host);
        if (d.stage == Stage::Greeting)
            return smtpText(SmtpText::GreetingTimedOut).arg(server);
        return smtpText(SmtpText::StoppedResponding).arg(server);
    case CURLE_USE_SSL_FAILED:
        return smtpText(SmtpText::NoStartTls).arg(server);
    case CURLE_PEER_FAILED_VERIFICATION:
        return smtpText(SmtpText::CertificateInvalid).arg(server, detail);
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return smtpText(SmtpText::TlsFailed).arg(server, detail);
    case CURLE_LOGIN_DENIED:
        return smtpText(SmtpText::LoginDenied).arg(server);
    case CURLE_RECV_ERROR:
        if (ReplyReader::cutByLibcurl(e.detail))
            return smtpText(SmtpText::ReplyTooLong)
                .arg(server, answered(d.stage), QString::number(d.replyLines));
        [[fallthrough]];
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
        return smtpText(SmtpText::ConnectionBroken).arg(server);
    case CURLE_WEIRD_SERVER_REPLY:
        return smtpText(SmtpText::UnexpectedReply).arg(server, d.replyText);
    default:
        return smtpText(SmtpText::CommunicationError).arg(server, detail);
    }
}

} // namespace

SendOutcome describeFailure(const TransportError &e, const SmtpDialogue &d)
{
    if (d.noAuthOffered)
        return SendOutcome::failure(SendError::NoAuthOffered,
                                    smtpText(SmtpText::NoAuthOffered).arg(e.server.display()));
    // libcurl gives up before any AUTH command when none of the offered
    // mechanisms is one it knows, and reports that as a refused login.
    if (e.code == CURLE_LOGIN_DENIED && d.stage != Stage::Auth && d.replyCode < 400)
        return SendOutcome::failure(SendError::NoAuthOffered,
                                    smtpText(SmtpText::NoUsableAuth)
                                        .arg(e.server.display(),
                                             d.authMechanisms.isEmpty() ? smtpText(SmtpText::NoMechanism)
                                                                        : d.authMechanisms.join(u", ")));
    if (!e.sourceError.isEmpty())
        return SendOutcome::failure(SendError::AttachmentProblem, e.sourceError);
    if (d.replyCode >= 400 && d.replyCode <= 599)
        return {qint16(d.replyCode), refusal(d, e.server.display())};
    return {qint16(e.code), transport(e, d)};
}
