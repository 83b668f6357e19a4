#include "SpellingTexts.h"

#include "common/TextTable.h"

namespace {

// In the order of the enumeration, so that the text of an id is found at once.
constexpr TextEntry<SpellingText> kTexts[] = {
    {SpellingText::NoSuggestion, "(nessun suggerimento)"},
    {SpellingText::Ignore, "Ignora"},
    {SpellingText::AddToDictionary, "Aggiungi al dizionario"},
    {SpellingText::LibraryMissing, "libreria di ortografia non trovata (%1)"},
    {SpellingText::LibraryNotStarting, "la libreria di ortografia non si avvia"},
    {SpellingText::NoDictionary, "nessun dizionario per la lingua %1"},
    {SpellingText::NoThread, "nessun thread per caricare il dizionario"},
    {SpellingText::Unavailable, "Controllo ortografico non disponibile: %1"},
    {SpellingText::WithoutPersonal, "Controllo ortografico senza il dizionario personale: %1"},
};
static_assert(textTableComplete(kTexts, SpellingText::WithoutPersonal),
              "one entry for every text, in the order of the enumeration");

} // namespace

QString spellingText(SpellingText id) { return textOf(kTexts, id); }
