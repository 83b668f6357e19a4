#include "MailTexts.h"

QString mailText(MailText id)
{
    switch (id) {
    case MailText::FieldContains:
        return QStringLiteral("Il campo %1 contiene %2: non è ammesso.");
    case MailText::LineBreak:
        return QStringLiteral("un a capo");
    case MailText::ControlCharacter:
        return QStringLiteral("un carattere di controllo");
    case MailText::AddressInvalid:
        return QStringLiteral("Indirizzo non valido nel campo %1: «%2».");
    case MailText::NoServer:
        return QStringLiteral("Server SMTP non indicato.");
    case MailText::ServerInvalid:
        return QStringLiteral("Server SMTP non valido: «%1».");
    case MailText::NoSender:
        return QStringLiteral("Mittente non indicato.");
    case MailText::NoRecipient:
        return QStringLiteral("Nessun destinatario indicato.");
    case MailText::AlreadySending:
        return QStringLiteral("Un altro messaggio è ancora in invio.");
    case MailText::NetworkLibraryFailed:
        return QStringLiteral("Impossibile inizializzare la libreria di rete.");
    case MailText::AboutTitle:
        return QStringLiteral("Informazioni su KorvaneSTMP");
    case MailText::AboutText:
        return QStringLiteral("KorvaneSTMP %1\nComponente per l'invio di posta via SMTP.\n\n"
                              "Client: %2\n%3\nQt %4");
    }
    return {};
}
