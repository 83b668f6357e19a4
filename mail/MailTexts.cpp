#include "MailTexts.h"

#include "common/TextTable.h"

constexpr auto kTexts = textTable<MailText::AboutText>({
    {MailText::AlreadySending, "Un altro messaggio è ancora in invio."},
    {MailText::NetworkLibraryFailed, "Impossibile inizializzare la libreria di rete."},
    {MailText::TransportMissing, "Impossibile caricare il modulo di invio: %1."},
    {MailText::TransportOtherVersion, "%1 non è il modulo di questa versione del programma"},
    {MailText::TranscriptAccepted, "* esito: messaggio accettato dal server"},
    {MailText::TranscriptFailed, "* esito: Errore n.%1 %2"},
    {MailText::AboutTitle, "Informazioni su KorvaneSTMP"},
    {MailText::AboutText,
     "KorvaneSTMP %1\nComponente per l'invio di posta via SMTP.\n\n"
     "Client: %2\n%3\nQt %4"},
});

QString mailText(MailText id) { return kTexts(id); }
