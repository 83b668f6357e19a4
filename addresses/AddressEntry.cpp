#include "AddressEntry.h"

#include "common/AddressToken.h"

#include <algorithm>
#include <optional>

namespace {

using Tokens = QList<AddressToken>;

// Comments are left out of both the name and the address.
QString textOf(Tokens::const_iterator from, Tokens::const_iterator to, bool unquote)
{
    QString out;
    for (auto t = from; t != to; ++t) {
        if (t->kind != AddressToken::Kind::Comment)
            out += unquote ? t->value() : t->raw.toString();
    }
    return out.simplified();
}

std::optional<AddressEntry> entryOf(const Tokens &item)
{
    const auto open = std::ranges::find_if(item, [](const AddressToken &t) { return t.is(u'<'); });
    AddressEntry entry;
    if (open == item.cend()) {
        entry.address = textOf(item.cbegin(), item.cend(), false);
    } else {
        const auto close = std::find_if(open, item.cend(), [](const AddressToken &t) { return t.is(u'>'); });
        entry.name = textOf(item.cbegin(), open, true);
        entry.address = textOf(open + 1, close, false);
    }
    if (!entry.address.contains(u'@') || entry.address.contains(u' '))
        return std::nullopt;
    return entry;
}

bool needsQuotes(const QString &name)
{
    return std::ranges::any_of(name, [](QChar c) { return QStringView(u",;<>@:[]\\\"()").contains(c); });
}

QString cut(const QString &text)
{
    if (text.size() <= AddressEntry::listedLength)
        return text;
    const qsizetype at
        = AddressEntry::listedLength - (text[AddressEntry::listedLength - 1].isHighSurrogate() ? 1 : 0);
    return text.left(at) + u'…';
}

} // namespace

QString AddressEntry::listed() const { return AddressEntry{cut(name), cut(address)}.display(); }

QString AddressEntry::display() const
{
    if (name.isEmpty())
        return address;
    QString shown = name;
    if (needsQuotes(name)) {
        shown.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
        shown = u'"' + shown + u'"';
    }
    return shown + QStringLiteral(" <") + address + u'>';
}

QList<AddressEntry> addressEntries(const QString &field)
{
    QList<AddressEntry> entries;
    for (const Tokens &item : splitAtEntries(tokenizeAddresses(field))) {
        if (const auto entry = entryOf(item))
            entries << *entry;
    }
    return entries;
}
