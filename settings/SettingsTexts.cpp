#include "SettingsTexts.h"

#include "common/TextTable.h"

constexpr auto kTexts = textTable<SettingsText::Title>({
    {SettingsText::SetAside,
     "Il file delle impostazioni %1 non era un file leggibile (%3) ed è stato messo "
     "da parte come %2: la finestra parte vuota."},
    {SettingsText::DiskFull, "non c'è più spazio sul disco"},
    {SettingsText::FolderReadOnly, "non si ha il permesso di scrivere nella sua cartella"},
    {SettingsText::NotWritten, "non è stato possibile scriverlo"},
    {SettingsText::Title, "Impostazioni"},
});

QString settingsText(SettingsText id) { return kTexts(id); }
