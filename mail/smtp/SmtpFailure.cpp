#include "SmtpFailure.h"

#include "SmtpDialogue.h"

#include <curl/curl.h>

#include <cerrno>

namespace {

using Stage = SmtpDialogue::Stage;

QString refusal(const SmtpDialogue &d, const QString &server)
{
    switch (d.stage) {
    case Stage::Greeting:
        return QStringLiteral("Il server %1 ha rifiutato la connessione: %2").arg(server, d.replyText);
    case Stage::Hello:
        return QStringLiteral("Il server %1 ha rifiutato il saluto EHLO: %2").arg(server, d.replyText);
    case Stage::StartTls:
        return QStringLiteral("Il server %1 ha rifiutato la connessione protetta: %2")
            .arg(server, d.replyText);
    case Stage::Auth:
        return QStringLiteral("Autenticazione rifiutata dal server: %1").arg(d.replyText);
    case Stage::MailFrom:
        return QStringLiteral("Il server ha rifiutato il mittente %1: %2").arg(d.argument, d.replyText);
    case Stage::RcptTo:
        return QStringLiteral("Il server ha rifiutato il destinatario %1: %2").arg(d.argument, d.replyText);
    case Stage::Data:
    case Stage::Message:
        break;
    }
    return QStringLiteral("Il server ha rifiutato il messaggio: %1").arg(d.replyText);
}

QString transport(const TransportError &e, const SmtpDialogue &d)
{
    const QString server = e.server.display();
    const auto code = static_cast<CURLcode>(e.code);
    const QString detail
        = shownText(e.detail.isEmpty() ? QString::fromUtf8(curl_easy_strerror(code)) : e.detail);
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("Server sconosciuto: %1.").arg(e.server.host);
    case CURLE_COULDNT_CONNECT:
        if (e.osErrno == ECONNREFUSED)
            return QStringLiteral("Impossibile collegarsi a %1: connessione rifiutata.").arg(server);
        return QStringLiteral("Impossibile collegarsi a %1 (%2).").arg(server, detail);
    case CURLE_OPERATION_TIMEDOUT:
        if (!e.resolved)
            return QStringLiteral("La ricerca dell'indirizzo del server %1 non si è conclusa in tempo.")
                .arg(e.server.host);
        if (d.stage == Stage::Greeting)
            return QStringLiteral("Il server %1 non ha risposto in tempo alla connessione.").arg(server);
        return QStringLiteral("Il server %1 ha smesso di rispondere durante l'invio.").arg(server);
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("Il server %1 non offre una connessione protetta (STARTTLS): "
                              "nome utente e password non sono stati inviati.")
            .arg(server);
    case CURLE_PEER_FAILED_VERIFICATION:
        return QStringLiteral("Il certificato del server %1 non è valido o non è attendibile (%2).")
            .arg(server, detail);
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return QStringLiteral("Connessione protetta con %1 non riuscita (%2).").arg(server, detail);
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("Autenticazione rifiutata dal server %1.").arg(server);
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return QStringLiteral("La connessione con %1 si è interrotta durante l'invio.").arg(server);
    case CURLE_WEIRD_SERVER_REPLY:
        return QStringLiteral("Risposta inattesa dal server %1: %2").arg(server, d.replyText);
    default:
        return QStringLiteral("Errore di comunicazione con %1: %2.").arg(server, detail);
    }
}

} // namespace

SendOutcome describeFailure(const TransportError &e, const SmtpDialogue &d)
{
    if (d.noAuthOffered)
        return SendOutcome::failure(SendError::NoAuthOffered,
                                    QStringLiteral("Il server %1 non offre l'autenticazione: "
                                                   "il messaggio non è stato inviato.")
                                        .arg(e.server.display()));
    // libcurl gives up before any AUTH command when none of the offered
    // mechanisms is one it knows, and reports that as a refused login.
    if (e.code == CURLE_LOGIN_DENIED && d.stage != Stage::Auth && d.replyCode < 400)
        return SendOutcome::failure(
            SendError::NoAuthOffered,
            QStringLiteral("Il server %1 non offre un metodo di accesso utilizzabile "
                           "(offre: %2): il messaggio non è stato inviato.")
                .arg(e.server.display(),
                     d.authMechanisms.isEmpty() ? QStringLiteral("nessuno") : d.authMechanisms.join(u", ")));
    if (!e.sourceError.isEmpty())
        return SendOutcome::failure(SendError::AttachmentProblem, e.sourceError);
    if (d.replyCode >= 400 && d.replyCode <= 599)
        return {qint16(d.replyCode), refusal(d, e.server.display())};
    return {qint16(e.code), transport(e, d)};
}
