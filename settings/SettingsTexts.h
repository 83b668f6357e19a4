#pragma once

#include <QString>

enum class SettingsText {
    SetAside,       // %1 the settings file, %2 where it went, %3 why
    DiskFull,       // why a save failed
    FolderReadOnly, // why a save failed
    NotWritten,     // why a save failed
    Title,
};

// The Italian text of id.
QString settingsText(SettingsText id);
