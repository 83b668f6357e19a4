#pragma once

#include <QHash>
#include <QString>

#include <optional>

#include <netinet/in.h>

enum class DomainAnswer;

// What DomainLookup shares with the look-up it runs on its thread.

// Who to ask, from KORVANE_CLIENT_NAMESERVER (see DomainLookup): nullopt
// asks nobody; a family other than AF_INET, the system's name servers.
std::optional<sockaddr_in> nameServerSetting();
// Worth a question to a name server: a name with a dot, not an address
// literal ("[...]"), which no name server knows.
bool domainWorthAsking(const QString &domain);
// The top-level zones ("it.") a name server was asked about, and whether it
// knows each: one that does not knows no public name, and its "no such
// domain" says nothing.
using TopZones = QHash<QByteArray, bool>;
// Asks server about domain, a name worth asking, and waits for its answer
// (bounded by the resolver's time-outs, a few seconds at most). zones holds
// what server said of the top-level zones before, and gains what it says now.
DomainAnswer lookUpDomain(const QString &domain, const sockaddr_in &server, TopZones &zones);
