#include "ComposerTexts.h"

#include "common/TextTable.h"

namespace {

// In the order of the enumeration, so that the text of an id is found at once.
constexpr TextEntry<ComposerText> kTexts[] = {
    {ComposerText::DoubtTitle, "Prima di inviare"},
    {ComposerText::AttachmentMissing, "Il messaggio dice «%1», ma non c'è nessun allegato."},
    {ComposerText::SendAnywayQuestion, "Inviarlo lo stesso?"},
    {ComposerText::BackToMessage, "Torna al messaggio"},
    {ComposerText::SendAnyway, "Invia lo stesso"},
    {ComposerText::AddressNoAt, "Indirizzo non valido: manca la «@»."},
    {ComposerText::AddressNoLocalPart, "Indirizzo non valido: manca il nome prima della «@»."},
    {ComposerText::AddressNoDomain, "Indirizzo non valido: manca il dominio dopo la «@»."},
    {ComposerText::AddressBadDomain, "Indirizzo non valido: «%1» non è un nome di dominio."},
    {ComposerText::AddressRefused, "Indirizzo non valido: l'invio lo rifiuterebbe."},
    {ComposerText::DomainMissing, "Il dominio «%1» non esiste: nessuno vi riceve posta."},
    {ComposerText::DomainTypo, "Il dominio «%1» non riceve posta. Forse intendevi %2?"},
    {ComposerText::DomainNoMail, "Il dominio «%1» non riceve posta."},
    {ComposerText::DomainLookAlike, "Il dominio «%1» somiglia a %2. Forse intendevi %2?"},
    {ComposerText::FixDomain, "Correggi «%1» in «%2»"},
    {ComposerText::DoubtDomainMissing, "%1: il dominio «%2» non esiste."},
    {ComposerText::DoubtDomainTypo, "%1: il dominio «%2» non riceve posta. Forse intendevi %3?"},
    {ComposerText::DoubtDomainNoMail, "%1: il dominio «%2» non riceve posta."},
    {ComposerText::DoubtDomainLookAlike, "%1: il dominio «%2» somiglia a %3. Forse intendevi %3?"},
    {ComposerText::WarningTitle, "Attenzione!"},
    {ComposerText::WindowTitle, "FrmMain"},
    {ComposerText::LinkInvalid, "Il collegamento mailto: non è valido e non è stato usato."},
    {ComposerText::SendBusy,
     "Il programma sta spedendo l'e-mail precedente. Per inviare la nuova e-mail bisogna attendere che il "
     "processo precedente termini."},
    {ComposerText::UsernamePrompt, "Immettere l'username:"},
    {ComposerText::UsernameTitle, "Username"},
    {ComposerText::SendCancelled, "Invio annullato."},
    {ComposerText::PasswordPrompt, "Immettere la password:"},
    {ComposerText::PasswordTitle, "Password"},
    {ComposerText::SendFailed, "Errore n.%1 %2"},
    {ComposerText::ErrorTitle, "Errore"},
    {ComposerText::SendDone, "EMail inviata correttamente."},
    {ComposerText::SendDoneTitle, "Invio"},
    {ComposerText::CopyNotKept,
     "Il messaggio è stato inviato, ma non ne è stata conservata una copia tra i messaggi inviati "
     "(Inviati): %1"},
    {ComposerText::ProgressName, "Invio"},
    {ComposerText::ProgressTip, "Inviato %1%"},
    {ComposerText::MoreLines, "… e altri %1"},
    {ComposerText::AddAttachmentsMenu, "Aggiungi allegati…"},
    {ComposerText::AddAttachmentsTitle, "Aggiungi allegati"},
    {ComposerText::AttachmentListTooLong, "L'elenco degli allegati diventerebbe troppo lungo."},
    {ComposerText::NoFileAdded, "Nessun file è stato aggiunto agli allegati.\n%1"},
    {ComposerText::FileIsFolder, "è una cartella, non un file."},
    {ComposerText::FileMissing, "non esiste."},
    {ComposerText::FileNotRegular, "non è un file normale."},
    {ComposerText::FileNameSemicolon, "il nome contiene \";\", che in Allegati separa i file."},
    {ComposerText::FileNameSpaceOrBreak, "il nome finisce con uno spazio o contiene un a capo."},
    {ComposerText::FileNameUnreadable, "il nome non è leggibile come testo."},
    {ComposerText::FileNotLocal, "non è un file locale."},
    {ComposerText::BoxLimit, "La casella %1 contiene al massimo %2 caratteri."},
    {ComposerText::BoxesLimit, "Le caselle %1 contengono al massimo %2 caratteri l'una."},
    {ComposerText::LinkTooLong, "Il collegamento mailto: è troppo lungo e non è stato usato. %1"},
    {ComposerText::RestoreTooLong, "Il testo salvato è troppo lungo e non è stato ripristinato. %1"},
    {ComposerText::TextTooLong, "Il testo è troppo lungo e non è stato inserito. %1"},
    {ComposerText::MessageTooLong, "Il messaggio è troppo lungo e non è stato aperto. %1"},
    {ComposerText::OpenMessageMenu, "Apri un messaggio…"},
    {ComposerText::OpenMessageTitle, "Apri un messaggio"},
    {ComposerText::ReaderMissing,
     "Il messaggio non si può aprire: il modulo che legge i messaggi non è stato caricato (%1)."},
};
static_assert(textTableComplete(kTexts, ComposerText::ReaderMissing),
              "one entry for every text, in the order of the enumeration");

} // namespace

QString composerText(ComposerText id) { return textOf(kTexts, id); }
