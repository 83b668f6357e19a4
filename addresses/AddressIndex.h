#pragma once

#include "AddressEntry.h"

#include <QList>
#include <QString>

// The remembered entries with what a key is compared with, folded once when
// the list is made rather than on every key. What a key costs is bounded
// whatever the file holds: only the head of a name or an address is looked
// at, and the search stops at the most a list can usefully offer.
class AddressIndex
{
public:
    // An address is at most 254 characters; a display name that long is
    // already more than anybody types.
    static constexpr qsizetype matchedLength = 256;
    static constexpr qsizetype mostOffered = 50;

    AddressIndex() = default;
    explicit AddressIndex(QList<AddressEntry> entries);

    // Most recently used first, as the file holds them.
    const QList<AddressEntry> &entries() const { return m_entries; }
    // The entries, in their order, whose name, a word of the name, or address
    // starts with typed (case aside), within its first matchedLength
    // characters; at most mostOffered, none for an empty typed.
    QList<AddressEntry> matching(const QString &typed) const;

private:
    struct Keys
    {
        QString address; // case folded, cut to matchedLength
        QString name;    // the same
        QList<qsizetype> wordStarts;

        bool startWith(QStringView typed) const;
    };

    QList<AddressEntry> m_entries;
    QList<Keys> m_keys; // one for each entry
};
