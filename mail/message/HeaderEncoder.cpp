#include "HeaderEncoder.h"

#include "common/AddressToken.h"

#include <QList>

namespace {

// RFC 2047 allows 76 characters on a line holding encoded words, RFC 5322
// asks for 78 on any line: 76 suits both.
constexpr qsizetype kFoldColumn = 76;
constexpr qsizetype kLongestWord = 900; // well under the 998 limit of a line
// 52 base64 chars, a 64-char word: "X-Mailer: " and one word fit in 76.
constexpr qsizetype kEncodedChunkBytes = 39;
// Percent-encoded bytes per RFC 2231 part: " filename*0*=UTF-8''" + 54 + ";" is 75.
constexpr qsizetype kFileNamePartBytes = 54;

bool isPlainAscii(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            return false;
    return true;
}

// The UTF-8 of each character in turn, so that what is split into pieces
// (encoded words, RFC 2231 parts) is split between characters: a reader
// decodes each piece on its own.
QList<QByteArray> utf8Characters(const QString &text)
{
    QList<QByteArray> characters;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // Only a real pair travels as one character: pairing a lone high
        // surrogate with whatever follows would change how the rest is read.
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const qsizetype len = pair ? 2 : 1;
        characters << text.mid(i, len).toUtf8();
        i += len - 1;
    }
    return characters;
}

QList<QByteArray> encodedWords(const QString &text)
{
    QList<QByteArray> words;
    QByteArray chunk;
    const auto flush = [&] {
        if (!chunk.isEmpty())
            words << "=?UTF-8?B?" + chunk.toBase64() + "?=";
        chunk.clear();
    };
    for (const QByteArray &utf8 : utf8Characters(text)) {
        if (chunk.size() + utf8.size() > kEncodedChunkBytes)
            flush();
        chunk += utf8;
    }
    flush();
    return words;
}

// Plain words split at single spaces, or nothing when the text has to be encoded.
std::optional<QList<QByteArray>> plainWords(const QString &text)
{
    if (!isPlainAscii(text) || text.startsWith(u' ') || text.endsWith(u' ') || text.contains(u"  ")
        || text.contains(u"=?"))
        return std::nullopt;
    QList<QByteArray> words = text.toLatin1().split(' ');
    for (const QByteArray &w : words)
        if (w.size() > kLongestWord)
            return std::nullopt;
    return words;
}

QList<QByteArray> phraseWords(const QString &name)
{
    const auto plain = plainWords(name);
    if (plain) {
        bool atoms = true;
        for (QChar c : name)
            atoms = atoms && (c == u' ' || isAtext(c));
        if (atoms)
            return *plain;
        QByteArray quoted = name.toLatin1();
        quoted.replace('\\', "\\\\").replace('"', "\\\"");
        // Split at its single spaces, a long quoted name may fold inside the quotes.
        if (quoted.size() <= kLongestWord) {
            QList<QByteArray> words = quoted.split(' ');
            words.first().prepend('"');
            words.last().append('"');
            return words;
        }
    }
    return encodedWords(name);
}

// An addr-spec cannot become encoded words, but a quoted local part may fold
// at its spaces (RFC 5322 3.2.4: the fold's CRLF is invisible inside quotes).
// A run of spaces folds after its last one so no continuation line starts
// with more white space than the fold's own, and an escaped space stays with
// its backslash: a quoted pair must not be cut.
QList<QByteArray> addressWords(const QString &address)
{
    const QByteArray bytes = address.toLatin1();
    QList<QByteArray> words{QByteArray()};
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == ' ' && (i + 1 == bytes.size() || bytes[i + 1] != ' ')) {
            words << QByteArray();
            continue;
        }
        words.last() += c;
        if (c == '\\' && i + 1 < bytes.size())
            words.last() += bytes[++i];
    }
    return words;
}

bool isAttrChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
        || QByteArrayView("!#$&+-.^_`|~").contains(c);
}

} // namespace

// Only a word longer than a line passes the fold column, alone on its line;
// "Name:" may stand alone. Unfolding (dropping CRLF) gives back exactly the
// words joined by spaces.
QByteArray foldedHeader(const QByteArray &name, const QList<QByteArray> &words)
{
    QByteArray out = name + ':';
    qsizetype column = out.size();
    for (const QByteArray &word : words) {
        if (column + 1 + word.size() > kFoldColumn && column > 0 && !word.isEmpty()) {
            out += "\r\n";
            column = 0;
        }
        out += ' ';
        out += word;
        column += 1 + word.size();
    }
    return out + "\r\n";
}

QByteArray unstructuredHeader(const QByteArray &name, const QString &value)
{
    if (value.isEmpty())
        return name + ":\r\n";
    return foldedHeader(name, plainWords(value).value_or(encodedWords(value)));
}

QByteArray addressHeader(const QByteArray &name, const QList<Mailbox> &mailboxes)
{
    QList<QByteArray> words;
    for (qsizetype i = 0; i < mailboxes.size(); ++i) {
        const Mailbox &box = mailboxes[i];
        QList<QByteArray> address = addressWords(box.address);
        if (!box.name.isEmpty()) {
            words << phraseWords(box.name);
            address.first().prepend('<');
            address.last().append('>');
        }
        words << address;
        if (i + 1 < mailboxes.size())
            words.last() += ',';
    }
    return foldedHeader(name, words);
}

QByteArray attachmentDisposition(const QString &fileName)
{
    const QByteArray head = "Content-Disposition: attachment;";
    if (isPlainAscii(fileName) && fileName.size() <= 60 && !fileName.contains(u'"')
        && !fileName.contains(u'\\') && !fileName.contains(u"=?") && !fileName.isEmpty())
        return head + "\r\n filename=\"" + fileName.toLatin1() + "\"\r\n";

    QList<QByteArray> parts{QByteArray()};
    for (const QByteArray &utf8 : utf8Characters(fileName)) {
        QByteArray piece;
        for (char c : utf8)
            piece += isAttrChar(c) ? QByteArray(1, c) : '%' + QByteArray(1, c).toHex().toUpper();
        if (parts.last().size() + piece.size() > kFileNamePartBytes)
            parts << QByteArray();
        parts.last() += piece;
    }
    if (parts.size() == 1)
        return head + "\r\n filename*=UTF-8''" + parts.first() + "\r\n";
    QByteArray out = head;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        out += "\r\n filename*" + QByteArray::number(i) + "*=";
        if (i == 0)
            out += "UTF-8''";
        out += parts[i];
        if (i + 1 < parts.size())
            out += ';';
    }
    return out + "\r\n";
}
