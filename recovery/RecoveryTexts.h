#pragma once

#include "TextTable.h"

// What the start tells of the recovery copies it found.
enum class RecoveryText {
    Restored, // this window shows a draft of a window that did not close
    Offered,  // this window was opened for another draft
    SetAside, // %1 the folder, %2 the files, one a line
    Title,
};

inline constexpr TextEntry<RecoveryText> recoveryTexts[] = {
    {RecoveryText::Restored, "È stata ripristinata la bozza di una sessione che non si era chiusa."},
    {RecoveryText::Offered,
     "Questa finestra riapre un'altra bozza non inviata, rimasta da una sessione "
     "precedente."},
    {RecoveryText::SetAside, "Copie di recupero non usate sono state messe da parte nella cartella %1:\n%2"},
    {RecoveryText::Title, "Recupero"},
};
static_assert(textTableComplete(recoveryTexts, RecoveryText::Title));

inline QString recoveryText(RecoveryText id) { return textOf(recoveryTexts, id); }
