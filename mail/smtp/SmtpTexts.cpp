#include "SmtpTexts.h"

#include "common/TextTable.h"

constexpr auto kTexts = textTable<SmtpText::ListLastJoin>({
    {SmtpText::CannotStart, "Impossibile avviare l'invio."},
    {SmtpText::CannotStartBecause, "Impossibile avviare l'invio: %1."},
    {SmtpText::CannotPrepareSend, "Impossibile preparare l'invio: %1."},
    {SmtpText::OutOfMemory, "Memoria insufficiente."},
    {SmtpText::OutOfMemoryReason, "memoria insufficiente"},
    {SmtpText::ConnectionNotReady, "impossibile preparare la connessione"},
    {SmtpText::Interrupted, "Invio interrotto."},
    {SmtpText::NoServerAnswers,
     "Nessun server SMTP risponde su %1 alle porte %2 (%3). Se il fornitore "
     "indica un'altra porta, scriverla dopo il nome del server, per esempio %1:2525."},
    {SmtpText::NoPortFits,
     "Nessuna porta di %1 accetta l'invio (%2: %3). Se il fornitore indica "
     "un'altra porta, scriverla dopo il nome del server, per esempio %1:2525."},
    {SmtpText::NoPortFitsCredentials,
     "Nessuna porta di %1 può ricevere nome utente e password in modo protetto "
     "(%2: %3): nome utente e password non sono stati inviati. Se il fornitore "
     "indica un'altra porta, scriverla dopo il nome del server, per esempio %1:2525."},
    {SmtpText::PortAndReason, "%1: %2"},
    {SmtpText::ProbeConnectionRefused, "connessione rifiutata"},
    {SmtpText::ProbeUnreachable, "non raggiungibile"},
    {SmtpText::ProbeTimedOut, "nessuna risposta in tempo"},
    {SmtpText::ProbeTlsNotEstablished, "connessione protetta non riuscita"},
    {SmtpText::ProbeClosedWithoutGreeting, "connessione chiusa senza saluto"},
    {SmtpText::ProbeNotSmtp, "risposta non SMTP"},
    {SmtpText::ProbeOtherError, "errore %1"},
    {SmtpText::ProbeGreetingRefused, "il server rifiuta la connessione: %1"},
    {SmtpText::ProbeNoStartTls, "nessuna connessione protetta (STARTTLS) offerta"},
    {SmtpText::ProbeNoAuth, "nessuna autenticazione (AUTH) offerta"},
    {SmtpText::ProbeStartTlsRefused, "connessione protetta (STARTTLS) rifiutata: %1"},
    {SmtpText::ProbeCertificateRefused, "certificato non valido o non attendibile (%1)"},
    {SmtpText::ProbeTlsFailed, "connessione protetta non riuscita (%1)"},
    {SmtpText::ProbeReplyTooLong, "risposta troppo lunga per la libreria di rete (libcurl)"},
    {SmtpText::ProbeSummary, "* prova di %1%2: %3"},
    {SmtpText::ProbeStillPending, "ancora senza risposta quando la porta è stata scelta"},
    {SmtpText::GreetingRefused, "Il server %1 ha rifiutato la connessione: %2"},
    {SmtpText::HelloRefused, "Il server %1 ha rifiutato il saluto EHLO: %2"},
    {SmtpText::StartTlsRefused, "Il server %1 ha rifiutato la connessione protetta: %2"},
    {SmtpText::AuthRefused, "Autenticazione rifiutata dal server: %1"},
    {SmtpText::SenderRefused, "Il server ha rifiutato il mittente %1: %2"},
    {SmtpText::RecipientRefused, "Il server ha rifiutato il destinatario %1: %2"},
    {SmtpText::MessageRefused, "Il server ha rifiutato il messaggio: %1"},
    {SmtpText::UnknownServer, "Server sconosciuto: %1."},
    {SmtpText::ConnectionRefused, "Impossibile collegarsi a %1: connessione rifiutata."},
    {SmtpText::CannotConnect, "Impossibile collegarsi a %1 (%2)."},
    {SmtpText::LookupTimedOut, "La ricerca dell'indirizzo del server %1 non si è conclusa in tempo."},
    {SmtpText::GreetingTimedOut, "Il server %1 non ha risposto in tempo alla connessione."},
    {SmtpText::NoGreetingWithin, "Il server %1 non ha salutato entro %2 s dalla connessione."},
    {SmtpText::StoppedResponding, "Il server %1 ha smesso di rispondere durante l'invio."},
    {SmtpText::NoStartTls,
     "Il server %1 non offre una connessione protetta (STARTTLS): "
     "nome utente e password non sono stati inviati."},
    {SmtpText::CertificateInvalid, "Il certificato del server %1 non è valido o non è attendibile (%2)."},
    {SmtpText::TlsFailed, "Connessione protetta con %1 non riuscita (%2)."},
    {SmtpText::LoginDenied, "Autenticazione rifiutata dal server %1."},
    {SmtpText::ConnectionBroken, "La connessione con %1 si è interrotta durante l'invio."},
    {SmtpText::ReplyTooLong,
     "Il server %1 ha inviato una risposta troppo lunga %2 (%3 righe ricevute prima "
     "dell'interruzione): la libreria di rete (libcurl) non accetta risposte così lunghe "
     "e ha chiuso la connessione."},
    {SmtpText::ReplyToGreeting, "come saluto"},
    {SmtpText::ReplyToCommand, "al comando %1"},
    {SmtpText::ReplyToMessage, "alla fine del messaggio"},
    {SmtpText::UnexpectedReply, "Risposta inattesa dal server %1: %2"},
    {SmtpText::CommunicationError, "Errore di comunicazione con %1: %2."},
    {SmtpText::NoAuthOffered, "Il server %1 non offre l'autenticazione: il messaggio non è stato inviato."},
    {SmtpText::NoUsableAuth,
     "Il server %1 non offre un metodo di accesso utilizzabile "
     "(offre: %2): il messaggio non è stato inviato."},
    {SmtpText::NoMechanism, "nessuno"},
    {SmtpText::WithoutTls, "senza TLS"},
    {SmtpText::TranscriptLinesOmitted, "… (%1 righe precedenti omesse)"},
    {SmtpText::TranscriptRepliesHidden, "… (altre %1 righe della risposta non mostrate)"},
    {SmtpText::TranscriptMessageBytes, "(messaggio: %1 byte)"},
    {SmtpText::RemarkConnecting, "connessione a %1…"},
    {SmtpText::RemarkConnected, "connesso a %1 (%2), porta %3"},
    {SmtpText::RemarkConnectFailed, "connessione a %1, porta %2, non riuscita: %3"},
    {SmtpText::RemarkTls, "TLS attivo: %1"},
    {SmtpText::RemarkSubject, "certificato del server, soggetto: %1"},
    {SmtpText::RemarkIssuer, "certificato del server, emesso da: %1"},
    {SmtpText::RemarkVerified, "certificato verificato"},
    {SmtpText::RemarkCertificateBad, "certificato non accettato: %1"},
    {SmtpText::RemarkTlsFailed, "TLS non riuscito:%1"},
    {SmtpText::RemarkNoStartTls, "il server non offre STARTTLS"},
    {SmtpText::RemarkBroken, "connessione interrotta: %1"},
    {SmtpText::RemarkTimedOut, "tempo scaduto%1"},
    {SmtpText::RemarkClosed, "connessione chiusa"},
    {SmtpText::ListLastJoin, "%1 e %2"},
});

QString smtpText(SmtpText id) { return kTexts(id); }

QString listInWords(QStringList items)
{
    if (items.isEmpty())
        return {};
    const QString last = items.takeLast();
    return items.isEmpty() ? last
                           : smtpText(SmtpText::ListLastJoin).arg(items.join(QStringLiteral(", ")), last);
}
