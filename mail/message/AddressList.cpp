#include "AddressList.h"

#include <QHostAddress>
#include <QUrl>

#include <algorithm>

namespace {

bool isAtext(QChar c)
{
    if (c.unicode() >= 0x80 || c.unicode() <= 0x20)
        return false;
    if (c.isLetterOrNumber())
        return true;
    return QStringLiteral("!#$%&'*+-/=?^_`{|}~").contains(c);
}

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

bool isAddressLiteral(QStringView s)
{
    if (s.size() < 3 || s.front() != u'[' || s.back() != u']')
        return false;
    QStringView inner = s.sliced(1, s.size() - 2);
    // QHostAddress stops reading at a NUL and takes "%zone" suffixes, yet the
    // literal travels as written: only the characters of a plain IP may pass.
    const bool v6 = inner.startsWith(u"IPv6:", Qt::CaseInsensitive);
    for (QChar c : v6 ? inner.sliced(5) : inner)
        if (c.unicode() >= 0x80 || !(c.isDigit() || QStringView(u".:abcdefABCDEF").contains(c)))
            return false;
    if (v6) {
        QHostAddress a;
        return a.setAddress(inner.sliced(5).toString()) && a.protocol() == QHostAddress::IPv6Protocol;
    }
    QHostAddress a;
    return a.setAddress(inner.toString()) && a.protocol() == QHostAddress::IPv4Protocol;
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

// Splits at top-level ',' or ';' (outside quotes, angle brackets, comments).
QStringList splitEntries(const QString &text, bool *balanced)
{
    QStringList entries;
    QString current;
    bool inQuote = false;
    int angle = 0;
    int comment = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuote) {
            current += c;
            if (c == u'\\' && i + 1 < text.size())
                current += text[++i];
            else if (c == u'"')
                inQuote = false;
            continue;
        }
        if (c == u'"' && comment == 0)
            inQuote = true;
        else if (c == u'(' && angle == 0)
            ++comment;
        else if (c == u')' && comment > 0)
            --comment;
        else if (c == u'<' && comment == 0)
            ++angle;
        else if (c == u'>' && comment == 0 && angle > 0)
            --angle;
        else if ((c == u',' || c == u';') && angle == 0 && comment == 0) {
            entries << current;
            current.clear();
            continue;
        }
        current += c;
    }
    entries << current;
    *balanced = !inQuote && angle == 0 && comment == 0;
    return entries;
}

QString stripComments(const QString &s)
{
    QString out;
    int depth = 0;
    bool inQuote = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (inQuote) {
            out += c;
            if (c == u'\\' && i + 1 < s.size())
                out += s[++i];
            else if (c == u'"')
                inQuote = false;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')' && depth > 0) {
            --depth;
        } else if (depth == 0) {
            if (c == u'"')
                inQuote = true;
            out += c;
        }
    }
    return out;
}

// A display name as written: quoted parts lose their quotes and escapes,
// runs of white space collapse as a mail reader would show them.
QString unquotePhrase(const QString &phrase)
{
    QString out;
    for (qsizetype i = 0; i < phrase.size(); ++i) {
        const QChar c = phrase[i];
        if (c != u'"') {
            out += c;
            continue;
        }
        for (++i; i < phrase.size() && phrase[i] != u'"'; ++i) {
            if (phrase[i] == u'\\' && i + 1 < phrase.size())
                ++i;
            out += phrase[i];
        }
    }
    return out.trimmed();
}

// An unquoted name holding '@' or ':' is most likely two entries run
// together (say, a line break lost between them): refuse it rather than
// guess which address was meant. Quoted, anything goes.
bool hasUnquotedSpecial(const QString &phrase)
{
    bool inQuote = false;
    for (qsizetype i = 0; i < phrase.size(); ++i) {
        const QChar c = phrase[i];
        if (inQuote && c == u'\\')
            ++i;
        else if (c == u'"')
            inQuote = !inQuote;
        else if (!inQuote && QStringView(u"@:[]\\").contains(c))
            return true;
    }
    return false;
}

std::optional<Mailbox> parseEntry(const QString &entry)
{
    const QString e = stripComments(entry).trimmed();
    const qsizetype open = [&] {
        bool inQuote = false;
        for (qsizetype i = 0; i < e.size(); ++i) {
            if (e[i] == u'\\' && inQuote) {
                ++i;
                continue;
            }
            if (e[i] == u'"')
                inQuote = !inQuote;
            else if (e[i] == u'<' && !inQuote)
                return i;
        }
        return qsizetype(-1);
    }();
    if (open < 0) {
        const QString addr = normaliseAddress(e);
        if (addr.isNull())
            return std::nullopt;
        return Mailbox{QString(), addr};
    }
    const qsizetype close = e.indexOf(u'>', open);
    if (close < 0 || close != e.size() - 1)
        return std::nullopt;
    const QString addr = normaliseAddress(e.mid(open + 1, close - open - 1).trimmed());
    if (addr.isNull() || hasUnquotedSpecial(e.left(open)))
        return std::nullopt;
    return Mailbox{unquotePhrase(e.left(open)), addr};
}

} // namespace

AddressListResult parseAddressList(const QString &text)
{
    AddressListResult result;
    bool balanced = false;
    const QStringList entries = splitEntries(text, &balanced);
    if (!balanced) {
        result.badItem = text.trimmed();
        return result;
    }
    for (const QString &entry : entries) {
        if (entry.trimmed().isEmpty())
            continue;
        const auto box = parseEntry(entry);
        if (!box) {
            result.mailboxes.clear();
            result.badItem = entry.trimmed();
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
