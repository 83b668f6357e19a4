#pragma once

#include "common/TextTable.h"

enum class SettingsText {
    SetAside,       // %1 the settings file, %2 where it went, %3 why
    DiskFull,       // why a save failed
    FolderReadOnly, // why a save failed
    NotWritten,     // why a save failed
    Title,
};

inline constexpr TextEntry<SettingsText> settingsTexts[] = {
    {SettingsText::SetAside,
     "Il file delle impostazioni %1 non era un file leggibile (%3) ed è stato messo "
     "da parte come %2: la finestra parte vuota."},
    {SettingsText::DiskFull, "non c'è più spazio sul disco"},
    {SettingsText::FolderReadOnly, "non si ha il permesso di scrivere nella sua cartella"},
    {SettingsText::NotWritten, "non è stato possibile scriverlo"},
    {SettingsText::Title, "Impostazioni"},
};
static_assert(textTableComplete(settingsTexts, SettingsText::Title));

inline QString settingsText(SettingsText id) { return textOf(settingsTexts, id); }
