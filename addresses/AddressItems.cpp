#include "AddressItems.h"

#include "AddressInput.h"
#include "DomainLookup.h"
#include "DomainTypos.h"
#include "common/AddressToken.h"
#include "mail/message/AddressList.h"

#include <algorithm>

namespace AddressItems {

namespace {

// Where the domain stands in the item: after its last '@' outside quotes and
// comments, up to what closes or follows the address.
void findDomain(const QString &text, const QList<AddressToken> &tokens, Item &item)
{
    qsizetype at = -1;
    for (const AddressToken &token : tokens)
        if (token.is(u'@'))
            at = token.raw.data() - text.constData() + 1;
    if (at < 0)
        return;
    qsizetype end = at;
    while (end < item.end && !QStringView(u"> \t(,;").contains(text[end]))
        ++end;
    item.domainStart = at;
    item.domainEnd = end;
}

// After findDomain(): a domain start of 0 means no '@'.
Fault faultOf(const QString &text, const Item &item)
{
    if (item.domainStart == 0)
        return Fault::NoAt;
    if (item.domainStart == item.domainEnd)
        return Fault::NoDomain;
    const QStringView before = QStringView(text).sliced(item.start, item.domainStart - 1 - item.start);
    if (before.isEmpty() || before.back() == u'<' || before.back().isSpace())
        return Fault::NoLocalPart;
    if (!parseAddressList(QStringLiteral("x@") + item.typedDomain(text).toString()).ok())
        return Fault::BadDomain;
    return Fault::Other;
}

Item read(const QString &text, qsizetype start, qsizetype end)
{
    Item item;
    item.start = start;
    item.end = end;
    const QList<AddressToken> tokens = tokenizeAddresses(QStringView(text).sliced(start, end - start));
    findDomain(text, tokens, item);
    const AddressListResult parsed = parseAddressList(text.sliced(start, end - start));
    if (!parsed.ok() || parsed.mailboxes.size() != 1) {
        item.fault = faultOf(text, item);
        return item;
    }
    const QString &address = parsed.mailboxes.first().address;
    item.domain = address.mid(address.lastIndexOf(u'@') + 1).toLower();
    return item;
}

} // namespace

QList<Item> finished(const QString &text, qsizetype cursor, qsizetype from, qsizetype to)
{
    QList<qsizetype> bounds{-1};
    bounds << AddressInput::separators(text) << text.size();
    if (to < 0)
        to = text.size();
    // The first item that ends at from or later.
    const auto first = std::lower_bound(bounds.cbegin() + 1, bounds.cend(), from);
    QList<Item> items;
    for (qsizetype i = first - bounds.cbegin() - 1; i + 1 < bounds.size() && bounds[i] < to; ++i) {
        qsizetype start = bounds[i] + 1;
        qsizetype end = bounds[i + 1];
        if (cursor >= start && cursor <= end)
            continue;
        while (start < end && text[start].isSpace())
            ++start;
        while (end > start && text[end - 1].isSpace())
            --end;
        if (start < end)
            items << read(text, start, end);
    }
    return items;
}

Finding judge(const Item &item, const QString &text, DomainAnswer answer, const QStringList &known)
{
    if (item.fault != Fault::None)
        return {Finding::Refused, {}};
    const bool noMail = answer == DomainAnswer::Missing || answer == DomainAnswer::TakesNoMail;
    if (!noMail && answer != DomainAnswer::NoExchanger)
        return {};
    const QString meant = DomainTypos::likelyMeant(item.typedDomain(text).toString(), known);
    if (!noMail)
        return {meant.isEmpty() ? Finding::Fine : Finding::LookAlike, meant};
    if (!meant.isEmpty())
        return {Finding::Typo, meant};
    return {answer == DomainAnswer::Missing ? Finding::Missing : Finding::NoMail, {}};
}

} // namespace AddressItems
