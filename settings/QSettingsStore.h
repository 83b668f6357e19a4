#pragma once

#include "SettingsStore.h"

#include <QMap>
#include <QVariant>

// The per-user INI file of the program: $XDG_CONFIG_HOME/KORVANE_CLIENT_STMP.ini
// (~/.config when the variable is unset), readable by its owner only, in
// QSettings' INI format. The file itself is only ever opened through
// RegularFile: read whole at start (and again by reload()), written whole
// by a new file renamed over it. QSettings parses and formats private
// copies in a folder of the run's own, never the file. It may be a link to
// a regular file elsewhere, which is then the one replaced; a FIFO, a
// device, a file too big or one that cannot be read in its place is set
// aside at start, and notice() says so.
class QSettingsStore : public SettingsStore
{
public:
    QSettingsStore();

    // The largest settings file read: the fields at their largest, escaped.
    static constexpr qint64 largestFile = qint64(256) * 1024 * 1024;

    QString fileName() const override { return m_path; }

    std::optional<QString> read(const QString &section, const QString &key) override;
    // Saves at once, so that a value that cannot be saved is known as such.
    bool write(const QString &section, const QString &key, const QString &text) override;
    void remove(const QString &section, const QString &key) override;
    QString notice() const override { return m_notice; }
    void beginSave() override { m_holding = true; }
    bool endSave() override;
    bool reload() override;
    QString failure() const override { return m_failure; }

private:
    bool save();

    QString m_path;
    QString m_notice;
    QString m_failure;
    QMap<QString, QVariant> m_values; // "SECTION/KEY" as QSettings reads them
    bool m_readable = true;
    bool m_holding = false;
};
