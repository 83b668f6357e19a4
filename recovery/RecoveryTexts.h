#pragma once

#include "common/TextTable.h"

// What the start tells of the recovery copies it found, and the close of
// a draft it could not store.
enum class RecoveryText {
    Restored,        // this window shows a draft of a window that did not close
    Offered,         // this window was opened for another draft
    SetAside,        // %1 the folder, %2 the files, one a line
    StoreFailedKept, // %1 the settings file, %2 why, %3 the copy
    StoreFailedLost, // %1 the settings file, %2 why
    DraftLost,
    Title,
    CloseTitle,
};

inline constexpr TextEntry<RecoveryText> recoveryTexts[] = {
    {RecoveryText::Restored, "È stata ripristinata la bozza di una sessione che non si era chiusa."},
    {RecoveryText::Offered,
     "Questa finestra riapre un'altra bozza non inviata, rimasta da una sessione "
     "precedente."},
    {RecoveryText::SetAside, "Copie di recupero non usate sono state messe da parte nella cartella %1:\n%2"},
    {RecoveryText::StoreFailedKept,
     "I campi non sono stati salvati nel file delle impostazioni %1: %2.\n\nIl testo è stato conservato "
     "in %3 e tornerà al prossimo avvio."},
    {RecoveryText::StoreFailedLost,
     "I campi non sono stati salvati nel file delle impostazioni %1: %2.\n\nNon è stato possibile "
     "conservare il testo altrove: al prossimo avvio non ci sarà."},
    {RecoveryText::DraftLost,
     "Non è stato possibile conservare la bozza di questa finestra: al prossimo avvio non ci sarà."},
    {RecoveryText::Title, "Recupero"},
    {RecoveryText::CloseTitle, "Chiusura"},
};
static_assert(textTableComplete(recoveryTexts, RecoveryText::CloseTitle));

inline QString recoveryText(RecoveryText id) { return textOf(recoveryTexts, id); }
