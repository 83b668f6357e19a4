#pragma once

#include <QString>

// What DomainLookup shares with the look-up it runs on its thread.

// Worth a question to a name server: a name with a dot, not an address
// literal ("[...]"), which no name server knows.
bool domainWorthAsking(const QString &domain);
// KORVANE_CLIENT_NAMESERVER says to ask nobody (see DomainLookup).
bool nameServerSilenced();
