#include "MailtoLink.h"

#include "common/AddressToken.h"
#include "common/FieldTable.h"

#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <array>

namespace {

constexpr QLatin1StringView scheme("mailto:");

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Unlike QUrl's decoding, a broken escape is an error rather than text, and
// "+" is not a space.
std::optional<QString> percentDecoded(const QString &text)
{
    const QByteArray raw = text.toUtf8();
    QByteArray bytes;
    bytes.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw.at(i) != '%') {
            bytes.append(raw.at(i));
            continue;
        }
        const int high = i + 2 < raw.size() ? hexValue(raw.at(i + 1)) : -1;
        const int low = high >= 0 ? hexValue(raw.at(i + 2)) : -1;
        if (low < 0)
            return std::nullopt;
        bytes.append(char(high * 16 + low));
        i += 2;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return decoded;
}

// The addresses of one decoded list, split at the commas the send's own
// tokenizer finds outside quoted strings and comments.
QStringList addresses(const QString &list)
{
    QStringList result;
    qsizetype start = 0;
    for (const AddressToken &token : tokenizeAddresses(list)) {
        if (!token.is(u','))
            continue;
        const qsizetype comma = token.raw.constData() - list.constData();
        result.append(list.sliced(start, comma - start).trimmed());
        start = comma + 1;
    }
    result.append(list.sliced(start).trimmed());
    result.removeAll(QString());
    return result;
}

// What the send refuses (a tab is text): shown in a box it would look like a
// space or nothing, and only fail once the message is sent.
bool hasControlCharacter(const QString &text, bool lineBreaksAllowed)
{
    return std::ranges::any_of(text, [lineBreaksAllowed](QChar c) {
        if (lineBreaksAllowed && (c == u'\r' || c == u'\n'))
            return false;
        return (c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f;
    });
}

QString joined(const QStringList &list) { return list.join(QStringLiteral(", ")); }

using FieldTable::LinkFill;

// What the link says for each row of the field table, in the order it says it.
using Found = std::array<QStringList, FieldTable::rows.size()>;

// The row a link's field of this (lower-case) name fills, if any.
std::optional<std::size_t> rowNamed(QStringView name)
{
    for (std::size_t i = 0; i < FieldTable::rows.size(); ++i) {
        if (FieldTable::rows[i].link != LinkFill::Never && name == FieldTable::rows[i].linkName)
            return i;
    }
    return std::nullopt;
}

void take(Found &found, std::size_t row, const QString &value)
{
    if (FieldTable::rows[row].link == LinkFill::Addresses)
        found[row] += addresses(value);
    else if (found[row].isEmpty())
        found[row].append(value);
}

// The "?name=value&..." part; false when a name or value does not decode.
bool takeQuery(const QString &query, Found &found)
{
    for (const QString &field : query.split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype equals = field.indexOf(u'=');
        const std::optional<QString> name = percentDecoded(field.left(equals));
        const std::optional<QString> value = percentDecoded(equals < 0 ? QString() : field.mid(equals + 1));
        if (!name || !value)
            return false;
        if (const std::optional<std::size_t> row = rowNamed(name->toLower()))
            take(found, *row, *value);
    }
    return true;
}

// The row's text as the link gives it; nothing when it holds what the send refuses.
std::optional<QString> textOf(const FieldTable::Row &row, const QStringList &found)
{
    QString text = row.link == LinkFill::Addresses ? joined(found) : found.value(0);
    const bool lineBreaksAllowed = row.shape == FieldTable::Shape::Text;
    if (lineBreaksAllowed) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(u'\r', u'\n');
    }
    if (hasControlCharacter(text, lineBreaksAllowed))
        return std::nullopt;
    return text;
}

} // namespace

std::optional<MailtoLink> MailtoLink::parse(const QString &link)
{
    if (!link.startsWith(scheme, Qt::CaseInsensitive))
        return std::nullopt;
    const QString rest = link.mid(scheme.size());
    const qsizetype question = rest.indexOf(u'?');
    const std::optional<QString> path = percentDecoded(rest.left(question));
    if (!path)
        return std::nullopt;
    Found found;
    // The path's addresses are the first of "to".
    if (const std::optional<std::size_t> to = rowNamed(u"to"))
        take(found, *to, *path);
    if (question >= 0 && !takeQuery(rest.mid(question + 1), found))
        return std::nullopt;
    MailtoLink decoded;
    for (std::size_t i = 0; i < FieldTable::rows.size(); ++i) {
        const FieldTable::Row &row = FieldTable::rows[i];
        if (row.link == LinkFill::Never)
            continue;
        const std::optional<QString> text = textOf(row, found[i]);
        if (!text)
            return std::nullopt;
        decoded.fields.*row.text = *text;
    }
    return decoded;
}

MailFields MailtoLink::over(MailFields message) const
{
    for (const FieldTable::Row &row : FieldTable::rows) {
        if (row.link != LinkFill::Never)
            message.*row.text = fields.*row.text;
    }
    return message;
}
