#include "TransferEncoding.h"

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
        if (literal && c == '.' && column == 0) {
            out += "=2E";
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
    const QByteArray encoded = QByteArray::fromRawData(raw.data(), raw.size()).toBase64();
    out.reserve(out.size() + encoded.size() + encoded.size() / 38 + 2);
    for (qsizetype pos = 0; pos < encoded.size(); pos += 76) {
        out.append(encoded.constData() + pos, std::min<qsizetype>(76, encoded.size() - pos));
        out += "\r\n";
    }
}
