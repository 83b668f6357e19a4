#pragma once

#include "SettingsStore.h"

#include <QSettings>

// The per-user INI file of the program: $XDG_CONFIG_HOME/KORVANE_CLIENT_STMP.ini
// (~/.config when the variable is unset), readable by its owner only.
class QSettingsStore : public SettingsStore
{
public:
    QSettingsStore();

    QString fileName() const override;

    std::optional<QString> read(const QString &section, const QString &key) override;
    // Saves at once, so that a value that cannot be saved is known as such.
    bool write(const QString &section, const QString &key, const QString &text) override;
    // One sync for the whole set: the file is replaced once, atomically, and
    // QSettings merges a concurrent instance's save key by key, so only one
    // save of every key keeps another instance's set from mixing with ours.
    void beginSave() override;
    bool endSave() override;

private:
    void createPrivately();
    void removeEmptyLock() const;
    bool sync();

    QSettings m_settings;
    bool m_holding = false;
};
