#pragma once

#include <QString>

// Every sentence the spelling check shows the user or echoes under
// --verbose, each written once. %1 is filled in by the caller.
enum class SpellingText {
    NoSuggestion,
    Ignore,
    AddToDictionary,
    LibraryMissing, // %1: why the loader could not load it
    LibraryNotStarting,
    NoDictionary, // %1: the language
    NoThread,
    Unavailable,     // %1: why spelling is off
    WithoutPersonal, // %1: why the personal word lists were left alone
};

// The Italian text of id.
QString spellingText(SpellingText id);
