#include "MailtoLink.h"

#include <QStringDecoder>
#include <QStringList>

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

// The addresses of one decoded list, split at commas outside quoted text.
QStringList addresses(const QString &list)
{
    QStringList result;
    QString current;
    bool quoted = false;
    bool escaped = false;
    for (const QChar c : list) {
        if (!quoted && c == u',') {
            result.append(current.trimmed());
            current.clear();
            continue;
        }
        current.append(c);
        if (escaped)
            escaped = false;
        else if (quoted && c == u'\\')
            escaped = true;
        else if (c == u'"')
            quoted = !quoted;
    }
    result.append(current.trimmed());
    result.removeAll(QString());
    return result;
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
    return MailtoLink{joined(to), joined(cc), joined(bcc), subject.value_or(QString()), text};
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
