#pragma once

#include <QList>
#include <QString>

// One remembered address and the display name it was last sent with.
struct AddressEntry
{
    QString name; // may be empty
    QString address;

    // As it goes back into an address box: "Name <address>", the name
    // quoted when it holds what would split or end it, or the bare address.
    QString display() const;
    // As the list of suggestions shows it: display(), with a name or an
    // address longer than listedLength cut there and marked "…". Never what
    // goes into a box: a row's text is measured and drawn whole.
    QString listed() const;
    static constexpr qsizetype listedLength = 100;
    // Addresses compare without regard to case: one person, one entry.
    bool sameAddress(const QString &other) const { return address.compare(other, Qt::CaseInsensitive) == 0; }
    bool operator==(const AddressEntry &) const = default;
};

// The entries of an address field as typed, in order: "Name <addr>" or bare
// addresses between top-level ',' or ';'. Items without an '@' are left out.
QList<AddressEntry> addressEntries(const QString &field);
