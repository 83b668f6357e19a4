#include "MailTexts.h"

#include "TextTable.h"

namespace {

// In the order of the enumeration, so that the text of an id is found at once.
constexpr TextEntry<MailText> kTexts[] = {
    {MailText::FieldContains, "Il campo %1 contiene %2: non è ammesso."},
    {MailText::LineBreak, "un a capo"},
    {MailText::ControlCharacter, "un carattere di controllo"},
    {MailText::NoServer, "Server SMTP non indicato."},
    {MailText::ServerInvalid, "Server SMTP non valido: «%1»."},
    {MailText::AlreadySending, "Un altro messaggio è ancora in invio."},
    {MailText::NetworkLibraryFailed, "Impossibile inizializzare la libreria di rete."},
    {MailText::TransportMissing, "Impossibile caricare il modulo di invio: %1."},
    {MailText::TransportOtherVersion, "%1 non è il modulo di questa versione del programma"},
    {MailText::TranscriptServer, "* invio tramite il server «%1»"},
    {MailText::TranscriptPortKept, "* porta ricordata da un invio precedente: %1"},
    {MailText::TranscriptKeptGreeting, "* attesa del saluto sulla porta ricordata: al massimo %1 s"},
    {MailText::TranscriptKeptDropped, "* porta %1 dimenticata, si sceglie di nuovo: %2"},
    {MailText::TranscriptPortChosen, "* porta scelta: %1"},
    {MailText::TranscriptAccepted, "* esito: messaggio accettato dal server"},
    {MailText::TranscriptFailed, "* esito: Errore n.%1 %2"},
    {MailText::AboutTitle, "Informazioni su KorvaneSTMP"},
    {MailText::AboutText,
     "KorvaneSTMP %1\nComponente per l'invio di posta via SMTP.\n\n"
     "Client: %2\n%3\nQt %4"},
};
static_assert(textTableComplete(kTexts, MailText::AboutText),
              "one entry for every text, in the order of the enumeration");

} // namespace

QString mailText(MailText id) { return textOf(kTexts, id); }
