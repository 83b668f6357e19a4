#include "MailtoLink.h"

#include "AddressToken.h"

#include <QStringDecoder>
#include <QStringList>

#include <algorithm>

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
    QStringList to = addresses(*path);
    QStringList cc;
    QStringList bcc;
    std::optional<QString> subject;
    std::optional<QString> body;
    const QStringList fields
        = question < 0 ? QStringList() : rest.mid(question + 1).split(u'&', Qt::SkipEmptyParts);
    for (const QString &field : fields) {
        const qsizetype equals = field.indexOf(u'=');
        const std::optional<QString> name = percentDecoded(field.left(equals));
        const std::optional<QString> value = percentDecoded(equals < 0 ? QString() : field.mid(equals + 1));
        if (!name || !value)
            return std::nullopt;
        const QString key = name->toLower();
        if (key == QLatin1StringView("to"))
            to += addresses(*value);
        else if (key == QLatin1StringView("cc"))
            cc += addresses(*value);
        else if (key == QLatin1StringView("bcc"))
            bcc += addresses(*value);
        else if (key == QLatin1StringView("subject") && !subject)
            subject = *value;
        else if (key == QLatin1StringView("body") && !body)
            body = *value;
    }
    QString text = body.value_or(QString());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    MailtoLink decoded{joined(to), joined(cc), joined(bcc), subject.value_or(QString()), text};
    for (const QString *line : {&decoded.to, &decoded.cc, &decoded.bcc, &decoded.subject}) {
        if (hasControlCharacter(*line, false))
            return std::nullopt;
    }
    if (hasControlCharacter(decoded.body, true))
        return std::nullopt;
    return decoded;
}

FormFields MailtoLink::over(FormFields fields) const
{
    fields.recipient = to;
    fields.cc = cc;
    fields.bcc = bcc;
    fields.subject = subject;
    fields.body = body;
    return fields;
}
