#include "SmtpTexts.h"

QString smtpText(SmtpText id)
{
    switch (id) {
    case SmtpText::CannotStart:
        return QStringLiteral("Impossibile avviare l'invio.");
    case SmtpText::CannotStartBecause:
        return QStringLiteral("Impossibile avviare l'invio: %1.");
    case SmtpText::CannotPrepareSend:
        return QStringLiteral("Impossibile preparare l'invio: %1.");
    case SmtpText::OutOfMemory:
        return QStringLiteral("Memoria insufficiente.");
    case SmtpText::OutOfMemoryReason:
        return QStringLiteral("memoria insufficiente");
    case SmtpText::ConnectionNotReady:
        return QStringLiteral("impossibile preparare la connessione");
    case SmtpText::Interrupted:
        return QStringLiteral("Invio interrotto.");
    case SmtpText::NoServerAnswers:
        return QStringLiteral(
            "Nessun server SMTP risponde su %1 alle porte %2 (%3). Se il fornitore "
            "indica un'altra porta, scriverla dopo il nome del server, per esempio %1:2525.");
    case SmtpText::NoPortFits:
        return QStringLiteral("Nessuna porta di %1 accetta l'invio (%2: %3). Se il fornitore indica "
                              "un'altra porta, scriverla dopo il nome del server, per esempio %1:2525.");
    case SmtpText::NoPortFitsCredentials:
        return QStringLiteral(
            "Nessuna porta di %1 può ricevere nome utente e password in modo protetto "
            "(%2: %3): nome utente e password non sono stati inviati. Se il fornitore "
            "indica un'altra porta, scriverla dopo il nome del server, per esempio %1:2525.");
    case SmtpText::PortAndReason:
        return QStringLiteral("%1: %2");
    case SmtpText::ProbeConnectionRefused:
        return QStringLiteral("connessione rifiutata");
    case SmtpText::ProbeUnreachable:
        return QStringLiteral("non raggiungibile");
    case SmtpText::ProbeTimedOut:
        return QStringLiteral("nessuna risposta in tempo");
    case SmtpText::ProbeTlsNotEstablished:
        return QStringLiteral("connessione protetta non riuscita");
    case SmtpText::ProbeClosedWithoutGreeting:
        return QStringLiteral("connessione chiusa senza saluto");
    case SmtpText::ProbeNotSmtp:
        return QStringLiteral("risposta non SMTP");
    case SmtpText::ProbeOtherError:
        return QStringLiteral("errore %1");
    case SmtpText::ProbeGreetingRefused:
        return QStringLiteral("il server rifiuta la connessione: %1");
    case SmtpText::ProbeNoStartTls:
        return QStringLiteral("nessuna connessione protetta (STARTTLS) offerta");
    case SmtpText::ProbeStartTlsRefused:
        return QStringLiteral("connessione protetta (STARTTLS) rifiutata: %1");
    case SmtpText::ProbeCertificateRefused:
        return QStringLiteral("certificato non valido o non attendibile (%1)");
    case SmtpText::ProbeTlsFailed:
        return QStringLiteral("connessione protetta non riuscita (%1)");
    case SmtpText::GreetingRefused:
        return QStringLiteral("Il server %1 ha rifiutato la connessione: %2");
    case SmtpText::HelloRefused:
        return QStringLiteral("Il server %1 ha rifiutato il saluto EHLO: %2");
    case SmtpText::StartTlsRefused:
        return QStringLiteral("Il server %1 ha rifiutato la connessione protetta: %2");
    case SmtpText::AuthRefused:
        return QStringLiteral("Autenticazione rifiutata dal server: %1");
    case SmtpText::SenderRefused:
        return QStringLiteral("Il server ha rifiutato il mittente %1: %2");
    case SmtpText::RecipientRefused:
        return QStringLiteral("Il server ha rifiutato il destinatario %1: %2");
    case SmtpText::MessageRefused:
        return QStringLiteral("Il server ha rifiutato il messaggio: %1");
    case SmtpText::UnknownServer:
        return QStringLiteral("Server sconosciuto: %1.");
    case SmtpText::ConnectionRefused:
        return QStringLiteral("Impossibile collegarsi a %1: connessione rifiutata.");
    case SmtpText::CannotConnect:
        return QStringLiteral("Impossibile collegarsi a %1 (%2).");
    case SmtpText::LookupTimedOut:
        return QStringLiteral("La ricerca dell'indirizzo del server %1 non si è conclusa in tempo.");
    case SmtpText::GreetingTimedOut:
        return QStringLiteral("Il server %1 non ha risposto in tempo alla connessione.");
    case SmtpText::StoppedResponding:
        return QStringLiteral("Il server %1 ha smesso di rispondere durante l'invio.");
    case SmtpText::NoStartTls:
        return QStringLiteral("Il server %1 non offre una connessione protetta (STARTTLS): "
                              "nome utente e password non sono stati inviati.");
    case SmtpText::CertificateInvalid:
        return QStringLiteral("Il certificato del server %1 non è valido o non è attendibile (%2).");
    case SmtpText::TlsFailed:
        return QStringLiteral("Connessione protetta con %1 non riuscita (%2).");
    case SmtpText::LoginDenied:
        return QStringLiteral("Autenticazione rifiutata dal server %1.");
    case SmtpText::ConnectionBroken:
        return QStringLiteral("La connessione con %1 si è interrotta durante l'invio.");
    case SmtpText::UnexpectedReply:
        return QStringLiteral("Risposta inattesa dal server %1: %2");
    case SmtpText::CommunicationError:
        return QStringLiteral("Errore di comunicazione con %1: %2.");
    case SmtpText::NoAuthOffered:
        return QStringLiteral("Il server %1 non offre l'autenticazione: il messaggio non è stato inviato.");
    case SmtpText::NoUsableAuth:
        return QStringLiteral("Il server %1 non offre un metodo di accesso utilizzabile "
                              "(offre: %2): il messaggio non è stato inviato.");
    case SmtpText::NoMechanism:
        return QStringLiteral("nessuno");
    case SmtpText::WithoutTls:
        return QStringLiteral("senza TLS");
    }
    return {};
}

QString listInWords(QStringList items)
{
    if (items.isEmpty())
        return {};
    const QString last = items.takeLast();
    return items.isEmpty() ? last : items.join(QStringLiteral(", ")) + QStringLiteral(" e ") + last;
}
