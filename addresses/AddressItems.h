#pragma once

#include <QList>
#include <QString>

enum class DomainAnswer;

// The items of an address box as the send will read them, where each stands
// in the text, and what looks wrong with one.
namespace AddressItems {

// Why the send would refuse an item.
enum class Fault { None, NoAt, NoLocalPart, NoDomain, BadDomain, Other };

struct Item
{
    qsizetype start = 0; // the item as typed, the spaces around it left out
    qsizetype end = 0;
    Fault fault = Fault::None;
    QString domain;            // with no fault: as the name server is asked (ASCII, lower case)
    qsizetype domainStart = 0; // the domain as typed
    qsizetype domainEnd = 0;

    QStringView typedDomain(const QString &text) const
    {
        return QStringView(text).sliced(domainStart, domainEnd - domainStart);
    }
};

// The items of text that are finished: all of them (cursor -1), else all
// but the one cursor stands in, which is still being typed; of those, only
// the ones within or across [from, to) are read (to -1: the end). Empty
// items are no items.
QList<Item> finished(const QString &text, qsizetype cursor = -1, qsizetype from = 0, qsizetype to = -1);

// What the user is told of an item.
struct Finding
{
    enum Kind { Fine, Refused, Missing, Typo, NoMail, LookAlike };
    Kind kind = Fine;
    QString meant; // Typo, LookAlike: the domain the user likely meant
};

// Refused for a fault. A domain a letter or two from one of known's or a
// common one: Typo when it takes no mail (answer says it does not exist or
// publishes a null MX), LookAlike when it takes mail at its address only, as
// a domain of its own that few write to may. Otherwise Missing, NoMail, or
// Fine.
Finding judge(const Item &item, const QString &text, DomainAnswer answer, const QStringList &known);

} // namespace AddressItems
