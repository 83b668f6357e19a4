#include "TransferEncoding.h"

#include <array>
#include <cstring>

namespace {

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Every 12 bits as their two characters: one look-up and one store for each
// half of three bytes.
constexpr std::array<std::array<char, 2>, 4096> kBase64Pairs = [] {
    std::array<std::array<char, 2>, 4096> pairs{};
    for (unsigned v = 0; v < 4096; ++v)
        pairs[v] = {kBase64Alphabet[v >> 6], kBase64Alphabet[v & 63]};
    return pairs;
}();

} // namespace

QString normaliseLineEnds(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 32);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            out += u"\r\n";
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else if (c == u'\n') {
            out += u"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray quotedPrintable(const QString &text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    const QByteArray utf8 = normaliseLineEnds(text).toUtf8();
    QByteArray out;
    out.reserve(utf8.size() * 3 / 2);
    qsizetype column = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') {
            out += "\r\n";
            column = 0;
            ++i;
            continue;
        }
        const bool atLineEnd = i + 1 == utf8.size() || utf8[i + 1] == '\r';
        const bool literal = (c >= 33 && c <= 126 && c != '=' && !(c == '.' && column == 0))
            || ((c == ' ' || c == '\t') && !atLineEnd);
        const qsizetype width = literal ? 1 : 3;
        // Leave room for the '=' of a soft break unless this ends the line.
        if (column + width > (atLineEnd ? 76 : 75)) {
            out += "=\r\n";
            column = 0;
        }
        // A line opening with "." may end the message; one opening with
        // "From " gets a '>' from mbox stores. A soft break opens a line too,
        // hence the test after it.
        const bool guarded = c == '.' || (c == 'F' && utf8.sliced(i).startsWith("From "));
        if (literal && guarded && column == 0) {
            out += c == '.' ? "=2E" : "=46";
            column += 3;
            continue;
        }
        if (literal) {
            out += char(c);
        } else {
            out += '=';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
        column += width;
    }
    return out;
}

void appendBase64Lines(QByteArray &out, QByteArrayView raw)
{
    // Written straight into place, a line at a time: this runs over every
    // byte of every attachment, and going through QByteArray::toBase64 and
    // then copying each line out again costs a third more CPU.
    const auto &alphabet = kBase64Alphabet;
    const auto *in = reinterpret_cast<const unsigned char *>(raw.data());
    const qsizetype start = out.size();
    out.resize(start + base64EncodedSize(raw.size()));
    char *o = out.data() + start;
    qsizetype left = raw.size();
    while (left > 0) {
        const qsizetype line = std::min<qsizetype>(left, kBase64LineBytes);
        qsizetype i = 0;
        for (; i + 3 <= line; i += 3, in += 3) {
            const unsigned v = unsigned(in[0]) << 16 | unsigned(in[1]) << 8 | in[2];
            std::memcpy(o, kBase64Pairs[v >> 12].data(), 2);
            std::memcpy(o + 2, kBase64Pairs[v & 4095].data(), 2);
            o += 4;
        }
        if (line - i == 1) {
            const unsigned v = unsigned(in[0]) << 16;
            *o++ = alphabet[v >> 18];
            *o++ = alphabet[(v >> 12) & 63];
            *o++ = '=';
            *o++ = '=';
            in += 1;
        } else if (line - i == 2) {
            const unsigned v = unsigned(in[0]) << 16 | unsigned(in[1]) << 8;
            *o++ = alphabet[v >> 18];
            *o++ = alphabet[(v >> 12) & 63];
            *o++ = alphabet[(v >> 6) & 63];
            *o++ = '=';
            in += 2;
        }
        *o++ = '\r';
        *o++ = '\n';
        left -= line;
    }
}
