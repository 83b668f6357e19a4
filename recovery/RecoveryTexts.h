#pragma once

#include <QString>

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

// The Italian text of id.
QString recoveryText(RecoveryText id);
