#pragma once

#include "addresses/AddressFile.h"
#include "addresses/AddressIndex.h"
#include "recovery/LatestWriter.h"

#include <QObject>

#include <future>
#include <memory>

// The addresses the window offers as the user types: read from their file at
// start, on a pool thread, kept up to date here at once, written to the file off the window's
// thread (the file's lock may make a write wait for another window's).
class AddressMemory : public QObject
{
    Q_OBJECT

public:
    // settingsFile: the settings' file, which the addresses' file goes
    // beside; empty: nothing is remembered.
    AddressMemory(const QString &settingsFile, QObject *parent);
    // Waits for the changes still being written.
    ~AddressMemory() override;

    // Most recently used first; once a write is done, with what other
    // windows added meanwhile.
    const AddressIndex &addresses();
    // Every address of the fields of a message sent.
    void remember(const QStringList &fields);
    void forget(const QString &address);

private:
    struct Changes;
    void save(const AddressFile::Change &change);

    std::shared_ptr<Changes> m_changes;    // null without a file
    std::future<AddressIndex> m_firstRead; // until addresses() first takes it
    AddressIndex m_addresses;
    LatestWriter m_writer; // last: it goes first, finishing what m_changes holds
};
