#include "AddressList.h"

#include "common/AddressToken.h"

#include <QUrl>

#ifdef Q_OS_WIN
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#endif

#include <algorithm>

namespace {

bool isDotAtom(QStringView s)
{
    if (s.isEmpty() || s.front() == u'.' || s.back() == u'.' || s.contains(u".."))
        return false;
    return std::ranges::all_of(s, [](QChar c) { return c == u'.' || isAtext(c); });
}

bool isQuotedLocalPart(QStringView s)
{
    if (s.size() < 2 || s.front() != u'"' || s.back() != u'"')
        return false;
    for (qsizetype i = 1; i + 1 < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < 0x20 || c >= 0x7f)
            return false;
        if (c == u'"')
            return false;
        // The escaped character reaches the envelope too, so it must be printable.
        if (c == u'\\' && (++i + 1 >= s.size() || s[i].unicode() < 0x20 || s[i].unicode() >= 0x7f))
            return false;
    }
    return true;
}

bool isHostName(QStringView s)
{
    if (s.isEmpty() || s.size() > 253)
        return false;
    const auto labels = s.split(u'.');
    for (QStringView label : labels) {
        if (label.isEmpty() || label.size() > 63 || label.front() == u'-' || label.back() == u'-')
            return false;
        for (QChar c : label)
            if (!(c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u'-')))
                return false;
    }
    return true;
}

// inet_pton takes exactly the two forms RFC 5321 allows in a literal: four
// decimal parts for IPv4 (no shortened "127.1", no octal or hex parts), the
// full or "::" forms for IPv6, with no zone.
bool isIpAddress(int family, QStringView text)
{
    const QByteArray bytes = text.toLatin1();
    in6_addr parsed{};
    return inet_pton(family, bytes.constData(), &parsed) == 1;
}

bool isAddressLiteral(QStringView s)
{
    if (s.size() < 3 || s.front() != u'[' || s.back() != u']')
        return false;
    QStringView inner = s.sliced(1, s.size() - 2);
    // inet_pton stops reading at a NUL, yet the literal travels as written:
    // only the characters of a plain IP may pass.
    const bool v6 = inner.startsWith(u"IPv6:", Qt::CaseInsensitive);
    if (v6)
        inner = inner.sliced(5);
    for (QChar c : inner)
        if (c.unicode() >= 0x80 || !(c.isDigit() || QStringView(u".:abcdefABCDEF").contains(c)))
            return false;
    return isIpAddress(v6 ? AF_INET6 : AF_INET, inner);
}

// Returns the envelope form of a written address, or a null string.
QString normaliseAddress(const QString &written)
{
    const qsizetype at = written.lastIndexOf(u'@');
    if (at <= 0 || at == written.size() - 1)
        return {};
    const QString local = written.left(at);
    QString domain = written.mid(at + 1);
    if (!isDotAtom(local) && !isQuotedLocalPart(local))
        return {};
    if (local.size() > 64)
        return {};
    if (isAddressLiteral(domain))
        return local + u'@' + domain;
    const QByteArray ace = QUrl::toAce(domain);
    if (ace.isEmpty())
        return {};
    domain = QString::fromLatin1(ace);
    if (!isHostName(domain))
        return {};
    return local + u'@' + domain;
}

using Tokens = QList<AddressToken>;

// The entries between top-level ',' or ';'; nothing when a quote, comment
// or angle is left open.
std::optional<QList<Tokens>> splitEntries(const Tokens &tokens)
{
    if (!std::ranges::all_of(tokens, [](const AddressToken &t) { return t.closed; }))
        return std::nullopt;
    bool openAngle = false;
    QList<Tokens> entries = splitAtEntries(tokens, &openAngle);
    if (openAngle)
        return std::nullopt;
    return entries;
}

// The text of tokens as written, comments left out.
QString joined(Tokens::const_iterator from, Tokens::const_iterator to)
{
    QString out;
    for (auto t = from; t != to; ++t)
        if (t->kind != AddressToken::Kind::Comment)
            out += t->raw;
    return out;
}

// An unquoted name holding '@' or ':' is most likely two entries run
// together (say, a line break lost between them): refuse it rather than
// guess which address was meant. Quoted, anything goes.
bool hasUnquotedSpecial(Tokens::const_iterator from, Tokens::const_iterator to)
{
    return std::any_of(from, to, [](const AddressToken &t) {
        return t.is(u'@') || t.is(u':') || t.is(u'[') || t.is(u']') || t.is(u'\\');
    });
}

// A display name as written: quoted parts lose their quotes and escapes,
// runs of white space collapse as a mail reader would show them.
QString unquotePhrase(Tokens::const_iterator from, Tokens::const_iterator to)
{
    QString out;
    for (auto t = from; t != to; ++t)
        if (t->kind != AddressToken::Kind::Comment)
            out += t->value();
    return out.trimmed();
}

std::optional<Mailbox> parseEntry(const Tokens &entry)
{
    const auto open = std::ranges::find_if(entry, [](const AddressToken &t) { return t.is(u'<'); });
    if (open == entry.cend()) {
        const QString addr = normaliseAddress(joined(entry.cbegin(), entry.cend()).trimmed());
        if (addr.isNull())
            return std::nullopt;
        return Mailbox{QString(), addr};
    }
    const QString angle = joined(open + 1, entry.cend()).trimmed();
    const qsizetype close = angle.indexOf(u'>');
    if (close < 0 || close != angle.size() - 1)
        return std::nullopt;
    const QString addr = normaliseAddress(angle.chopped(1).trimmed());
    if (addr.isNull() || hasUnquotedSpecial(entry.cbegin(), open))
        return std::nullopt;
    return Mailbox{unquotePhrase(entry.cbegin(), open), addr};
}

} // namespace

AddressListResult parseAddressList(const QString &text)
{
    AddressListResult result;
    const auto entries = splitEntries(tokenizeAddresses(text));
    if (!entries) {
        result.badItem = text.trimmed();
        return result;
    }
    for (const Tokens &entry : *entries) {
        const QStringView written = entry.isEmpty()
            ? QStringView()
            : QStringView(entry.first().raw.begin(), entry.last().raw.end());
        if (written.trimmed().isEmpty())
            continue;
        const auto box = parseEntry(entry);
        if (!box) {
            result.mailboxes.clear();
            result.badItem = written.trimmed().toString();
            return result;
        }
        result.mailboxes << *box;
    }
    return result;
}

bool isValidAddress(const QString &address)
{
    return !normaliseAddress(address).isNull() && normaliseAddress(address) == address;
}
