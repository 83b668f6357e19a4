#pragma once

#include "AddressEntry.h"

#include <QList>
#include <QString>

#include <optional>

// The remembered addresses' file, beside the settings file: most recently
// used first, at most `limit` of them, readable by its owner only. Several
// windows share it: every change is merged into what the file holds when it
// is made, under a lock, so nobody's additions are lost. Its calls may wait
// for the lock: they belong off the window's thread, but for the first read.
class AddressFile
{
public:
    static constexpr qsizetype limit = 2000;

    struct Change
    {
        QList<AddressEntry> used; // sent just now, in the order they were sent
        QString forgotten;        // an address to drop
    };

    // The file that goes beside settingsFile ("X.ini" -> "X.addresses.json").
    static QString besideSettings(const QString &settingsFile);

    explicit AddressFile(QString path) : m_path(std::move(path)) {}

    QString path() const { return m_path; }
    // The remembered addresses. A file that cannot be read or is not one of
    // ours (a link, a FIFO or a device included, never waited on) is set
    // aside (".bad"), never deleted, and nothing is remembered.
    QList<AddressEntry> read() const;
    // Applies change to what the file holds now and writes it back; returns
    // the addresses as they now are, or nothing when the file could not be
    // written (what it held is then left as it was).
    std::optional<QList<AddressEntry>> apply(const Change &change) const;

private:
    bool write(const QList<AddressEntry> &entries) const;

    QString m_path;
};

// entries with change made: the used ones move first, forgotten goes.
QList<AddressEntry> merged(QList<AddressEntry> entries, const AddressFile::Change &change);
