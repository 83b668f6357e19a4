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
};
static_assert(textTableComplete(kTexts, ComposerText::SendAnyway),
              "one entry for every text, in the order of the enumeration");

} // namespace

QString composerText(ComposerText id) { return textOf(kTexts, id); }
