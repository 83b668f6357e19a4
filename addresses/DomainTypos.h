#pragma once

#include <QString>
#include <QStringList>

// A domain that looks like a slip of the keyboard for one the user meant.
namespace DomainTypos {

// The mail domains most used in Italy, which anybody may mean.
const QStringList &commonDomains();

// The domain of known (the common ones first, then the user's own) that
// domain is one or two letters away from: a letter left out, added, changed
// or two swapped. Short domains are allowed only one, so that two short
// names of their own are not taken for each other. Empty when none is that
// close, or when domain is one of them.
QString likelyMeant(const QString &domain, const QStringList &known);

} // namespace DomainTypos
