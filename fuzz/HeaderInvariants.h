// Header lines must survive any field text: they stay well-formed on the wire
// and a mail reader decoding them gets back exactly what was typed. The small
// decoders here read only the shapes the encoder writes, and strictly, so a
// change of shape shows up as a failure rather than passing unnoticed.
#pragma once

#include "BodyInvariants.h"
#include "mail/message/HeaderEncoder.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>

#include <cctype>

#include <optional>

namespace FuzzCheck {

// A space a line could have folded at. RFC 5322 folds only where white space
// may stand between tokens, never inside a quoted pair: a backslash and the space after it are one.
inline bool hasFoldableSpace(QByteArrayView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == ' ')
            return true;
    }
    return false;
}

inline QString wireShapeProblem(const QByteArray &header)
{
    if (!header.endsWith("\r\n"))
        return QStringLiteral("header does not end in CRLF");
    const QList<QByteArray> lines = header.chopped(2).split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (i + 1 < lines.size()) {
            if (!line.endsWith('\r'))
                return QStringLiteral("bare LF in a header");
            line.chop(1);
        }
        if (line.size() > 998)
            return QStringLiteral("header line over 998 bytes");
        if (line.size() > 76 && !(i > 0 && !hasFoldableSpace(line.mid(1))))
            return QStringLiteral("header line over 76 columns holding more than one word");
        for (char c : line)
            if (c < 0x20 || c > 0x7e)
                return QStringLiteral("header byte 0x%1 is not printable ASCII").arg(uchar(c), 2, 16);
        if (i > 0 && (line.isEmpty() || line[0] != ' ' || line.trimmed().isEmpty()))
            return QStringLiteral("bad continuation line: '%1'").arg(QString::fromLatin1(line.left(40)));
    }
    return {};
}

inline QByteArray unfolded(const QByteArray &header)
{
    QByteArray value = header.chopped(2);
    return value.replace("\r\n", "");
}

inline bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder(bytes);
    return !decoder.hasError();
}

// The bytes of one "=?UTF-8?B?...?=" word; each word must hold whole characters.
inline std::optional<QByteArray> decodeWord(const QByteArray &word)
{
    if (word.size() > 75 || word.size() < 13 || (word.size() - 12) % 4 != 0 // padded base64 only
        || !word.startsWith("=?UTF-8?B?") || !word.endsWith("?="))
        return std::nullopt;
    auto decoded = QByteArray::fromBase64Encoding(word.mid(10, word.size() - 12),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty() || !isUtf8(decoded.decoded))
        return std::nullopt;
    return decoded.decoded;
}

inline std::optional<QByteArray> decodeWords(const QList<QByteArray> &words)
{
    QByteArray out;
    for (const QByteArray &w : words) {
        const auto bytes = decodeWord(w);
        if (!bytes)
            return std::nullopt;
        out += *bytes;
    }
    return out;
}

inline QString checkUnstructured(const QString &value)
{
    const QByteArray header = unstructuredHeader("Subject", value);
    if (QString p = wireShapeProblem(header); !p.isEmpty())
        return p;
    const QByteArray line = unfolded(header);
    if (value.isEmpty())
        return line == "Subject:" ? QString() : QStringLiteral("empty subject written as something");
    if (!line.startsWith("Subject: "))
        return QStringLiteral("subject header does not start with its name");
    const QByteArray body = line.mid(9);
    const auto back = body.contains("=?") ? decodeWords(body.split(' ')) : std::optional(body);
    if (!back)
        return QStringLiteral("subject mixes plain text and encoded words, or a word is malformed");
    if (*back != value.toUtf8())
        return QStringLiteral("subject does not decode back to the text");
    return {};
}

// Splits an unfolded address header value at spaces outside double quotes.
inline QList<QByteArray> headerTokens(const QByteArray &value)
{
    QList<QByteArray> tokens{QByteArray()};
    bool inQuote = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == ' ' && !inQuote) {
            tokens << QByteArray();
            continue;
        }
        tokens.last() += c;
        if (inQuote && c == '\\' && i + 1 < value.size())
            tokens.last() += value[++i];
        else if (c == '"')
            inQuote = !inQuote;
    }
    return tokens;
}

// A display name as written: one quoted string, encoded words, or atoms.
inline std::optional<QByteArray> decodePhrase(const QList<QByteArray> &tokens)
{
    if (tokens.isEmpty())
        return std::nullopt;
    if (tokens.size() == 1 && tokens[0].startsWith('"')) {
        const QByteArray &q = tokens[0];
        if (q.size() < 2 || !q.endsWith('"'))
            return std::nullopt;
        QByteArray out;
        for (qsizetype i = 1; i + 1 < q.size(); ++i) {
            if (q[i] == '"')
                return std::nullopt;
            if (q[i] == '\\')
                ++i;
            out += q[i];
        }
        return out;
    }
    if (tokens[0].startsWith("=?"))
        return decodeWords(tokens);
    for (const QByteArray &atom : tokens)
        for (char c : atom)
            if (!(QChar::isLetterOrNumber(uchar(c)) || QByteArrayView("!#$%&'*+-/=?^_`{|}~").contains(c)))
                return std::nullopt;
    return tokens.join(' ');
}

inline QString checkAddressHeader(const QList<Mailbox> &mailboxes)
{
    const QByteArray header = addressHeader("To", mailboxes);
    if (QString p = wireShapeProblem(header); !p.isEmpty())
        return p;
    const QByteArray line = unfolded(header);
    if (mailboxes.isEmpty())
        return line == "To:" ? QString() : QStringLiteral("no mailboxes written as something");
    if (!line.startsWith("To: "))
        return QStringLiteral("address header does not start with its name");
    const QList<QByteArray> tokens = headerTokens(line.mid(4));
    QList<QByteArray> phrase;
    qsizetype box = 0;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        QByteArray token = tokens[i];
        const bool comma = token.endsWith(',');
        if (!comma && i + 1 < tokens.size()) {
            phrase << token;
            continue;
        }
        if (comma)
            token.chop(1);
        if (box >= mailboxes.size() || comma != (box + 1 < mailboxes.size()))
            return QStringLiteral("address header separates its mailboxes wrongly");
        const Mailbox &m = mailboxes[box++];
        if (m.name.isEmpty()) {
            if (!phrase.isEmpty() || token != m.address.toLatin1())
                return QStringLiteral("bare address not written as itself");
        } else {
            if (token != '<' + m.address.toLatin1() + '>')
                return QStringLiteral("address not written in angle brackets");
            if (decodePhrase(phrase) != m.name.toUtf8())
                return QStringLiteral("display name does not decode back: ") + m.name;
        }
        phrase.clear();
    }
    return box == mailboxes.size() ? QString() : QStringLiteral("mailboxes missing from the header");
}

inline bool isAttrValue(QByteArrayView value)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '%') {
            if (i + 2 >= value.size() || isxdigit(uchar(value[i + 1])) == 0
                || isxdigit(uchar(value[i + 2])) == 0)
                return false;
            i += 2;
        } else if (!(QChar::isLetterOrNumber(uchar(c)) && uchar(c) < 0x80)
                   && !QByteArrayView("!#$&+-.^_`|~").contains(c)) {
            return false;
        }
    }
    return true;
}

inline QString checkDisposition(const QString &fileName)
{
    const QByteArray header = attachmentDisposition(fileName);
    if (QString p = wireShapeProblem(header); !p.isEmpty())
        return p;
    const QByteArray head = "Content-Disposition: attachment;\r\n";
    if (!header.startsWith(head))
        return QStringLiteral("disposition does not start as expected");
    const QList<QByteArray> lines = header.mid(head.size()).chopped(2).split('\n');
    QByteArray back;
    if (lines.size() == 1 && lines[0].startsWith(" filename=\"")) {
        const QByteArray inner = lines[0].mid(11);
        if (!inner.endsWith('"') || inner.chopped(1).contains('"') || inner.contains('\\'))
            return QStringLiteral("quoted file name malformed");
        back = inner.chopped(1);
    } else {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QByteArray l = i + 1 < lines.size() ? lines[i].chopped(1) : lines[i];
            const QByteArray key
                = lines.size() == 1 ? QByteArray(" filename*=") : " filename*" + QByteArray::number(i) + "*=";
            if (!l.startsWith(key) || (i + 1 < lines.size() && !l.endsWith(';')))
                return QStringLiteral("file name part %1 malformed").arg(i);
            l = l.mid(key.size());
            if (i + 1 < lines.size())
                l.chop(1);
            if (i == 0 && !l.startsWith("UTF-8''"))
                return QStringLiteral("file name without its charset");
            if (i == 0)
                l = l.mid(7);
            if (!isAttrValue(l))
                return QStringLiteral("file name part holds a character it may not");
            back += QByteArray::fromPercentEncoding(l);
        }
    }
    return back == fileName.toUtf8() ? QString() : QStringLiteral("file name does not decode back");
}

inline QString checkHeaderEncoder(const QString &text, QByteArrayView raw)
{
    for (const QString &p : {checkUnstructured(text),
                             checkAddressHeader({{text, QStringLiteral("a@example.it")},
                                                 {QString(), QStringLiteral("b@example.org")}}),
                             checkDisposition(text), checkQuotedPrintable(text), checkBase64(raw)})
        if (!p.isEmpty())
            return p;
    return {};
}

} // namespace FuzzCheck
