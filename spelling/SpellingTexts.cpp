#include "SpellingTexts.h"

#include "common/TextTable.h"

constexpr auto kTexts = textTable<SpellingText::WithoutPersonal>({
    {SpellingText::NoSuggestion, "(nessun suggerimento)"},
    {SpellingText::Ignore, "Ignora"},
    {SpellingText::AddToDictionary, "Aggiungi al dizionario"},
    {SpellingText::LibraryMissing, "libreria di ortografia non trovata (%1)"},
    {SpellingText::LibraryNotStarting, "la libreria di ortografia non si avvia"},
    {SpellingText::NoDictionary, "nessun dizionario per la lingua %1"},
    {SpellingText::NoThread, "nessun thread per caricare il dizionario"},
    {SpellingText::Unavailable, "Controllo ortografico non disponibile: %1"},
    {SpellingText::WithoutPersonal, "Controllo ortografico senza il dizionario personale: %1"},
});

QString spellingText(SpellingText id) { return kTexts(id); }
