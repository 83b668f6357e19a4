#pragma once

#include "SettingsStore.h"

#include <QSettings>

// The per-user INI file of the program: $XDG_CONFIG_HOME/KORVANE_CLIENT_STMP.ini
// (~/.config when the variable is unset), readable by its owner only. It may
// be a link to a regular file elsewhere; a FIFO, a device or a file too big
// for the fields in its place is set aside before anything reads
// it, and notice() says so.
class QSettingsStore : public SettingsStore
{
public:
    QSettingsStore();

    // The largest settings file read: the fields at their largest, escaped.
    static constexpr qint64 largestFile = qint64(256) * 1024 * 1024;

    QString fileName() const override;

    std::optional<QString> read(const QString &section, const QString &key) override;
    // Saves at once, so that a value that cannot be saved is known as such.
    bool write(const QString &section, const QString &key, const QString &text) override;
    void remove(const QString &section, const QString &key) override;
    QString notice() const override { return m_notice; }
    // One sync for the whole set: the file is replaced once, atomically, and
    // QSettings merges a concurrent instance's save key by key, so only one
    // save of every key keeps another instance's set from mixing with ours.
    void beginSave() override;
    bool endSave() override;

private:
    void createPrivately();
    void clearLock() const;
    bool sync();

    QString m_notice; // before m_settings: set when the file is checked, before QSettings reads it
    QSettings m_settings;
    bool m_holding = false;
};
