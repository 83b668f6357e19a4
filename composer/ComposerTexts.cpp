#include "ComposerTexts.h"

#include "TextTable.h"

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
    {ComposerText::FixDomain, "Correggi «%1» in «%2»"},
    {ComposerText::DoubtDomainMissing, "%1: il dominio «%2» non esiste."},
    {ComposerText::DoubtDomainTypo, "%1: il dominio «%2» non riceve posta. Forse intendevi %3?"},
};
static_assert(textTableComplete(kTexts, ComposerText::DoubtDomainTypo),
              "one entry for every text, in the order of the enumeration");

} // namespace

QString composerText(ComposerText id) { return textOf(kTexts, id); }
