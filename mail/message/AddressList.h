#pragma once

#include <QList>
#include <QString>

// One "Display Name <local@domain>" or bare "local@domain" entry.
struct Mailbox
{
    QString name;    // display name, unquoted and unescaped; may be empty
    QString address; // bare addr-spec, ASCII (an internationalised domain is
                     // turned into its ACE form)
};

struct AddressListResult
{
    QList<Mailbox> mailboxes;
    QString badItem; // set when the text could not be parsed: the culprit entry
    bool ok() const { return badItem.isNull(); }
};

// Parses a list of addresses separated by ',' or ';'. Entries are bare
// addresses or "Name <addr>"; a quoted display name may hold ',' ';' '@' and
// backslash escapes. Empty entries are skipped. Duplicates are kept: the caller
// decides what a repeated address means. On the first entry that is not a
// valid address, returns that entry (trimmed) in badItem and no mailboxes.
AddressListResult parseAddressList(const QString &text);

// True for a bare addr-spec this component can put in an SMTP envelope:
// a dot-atom or quoted local part, '@', and a host name or address literal.
bool isValidAddress(const QString &address);
