// The body encodings carry any text or file: lines short enough for every
// relay, nothing a relay could take for the end of the message, and decoding
// gives back the very bytes.
#pragma once

#include "mail/message/TransferEncoding.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace FuzzCheck {

inline int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // lower case is allowed by readers but never written
}

inline QString checkQuotedPrintable(const QString &text)
{
    const QByteArray qp = quotedPrintable(text);
    const QList<QByteArray> lines = qp.split('\n');
    QByteArray back;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        const bool last = i + 1 == lines.size();
        if (!last) {
            if (!line.endsWith('\r'))
                return QStringLiteral("bare LF in quoted-printable");
            line.chop(1);
        }
        if (line.size() > 76)
            return QStringLiteral("quoted-printable line over 76 columns");
        // A relay may take the one for the end of the message, an mbox store
        // mangles the other.
        if (line.startsWith('.') || line.startsWith("From "))
            return QStringLiteral("quoted-printable line opening with '.' or \"From \"");
        if (line.endsWith(' ') || line.endsWith('\t'))
            return QStringLiteral("quoted-printable line ending in white space");
        const bool soft = line.endsWith('=');
        if (soft) {
            if (last)
                return QStringLiteral("soft break at the very end");
            line.chop(1);
        }
        for (qsizetype j = 0; j < line.size(); ++j) {
            const char c = line[j];
            if (c == '=') {
                const int hi = j + 2 < line.size() ? hexValue(line[j + 1]) : -1;
                const int lo = j + 2 < line.size() ? hexValue(line[j + 2]) : -1;
                if (hi < 0 || lo < 0)
                    return QStringLiteral("malformed '=' escape in quoted-printable");
                back += char(hi * 16 + lo);
                j += 2;
            } else if ((c >= 33 && c <= 126) || c == ' ' || c == '\t') {
                back += c;
            } else {
                return QStringLiteral("quoted-printable byte that must be escaped");
            }
        }
        if (!soft && !last)
            back += "\r\n";
    }
    if (back != normaliseLineEnds(text).toUtf8())
        return QStringLiteral("quoted-printable does not decode back");
    return {};
}

inline QString checkBase64(QByteArrayView raw)
{
    QByteArray whole;
    appendBase64Lines(whole, raw);
    if (whole.size() != base64EncodedSize(raw.size()))
        return QStringLiteral("base64 size differs from base64EncodedSize");
    // A file is read in pieces of whole lines; the pieces must join seamlessly.
    const qsizetype cut = raw.size() / 2 / kBase64LineBytes * kBase64LineBytes;
    QByteArray pieces;
    appendBase64Lines(pieces, raw.first(cut));
    appendBase64Lines(pieces, raw.sliced(cut));
    if (pieces != whole)
        return QStringLiteral("base64 in pieces differs from base64 at once");
    if (!whole.isEmpty() && !whole.endsWith("\r\n"))
        return QStringLiteral("base64 does not end in CRLF");
    QByteArray joined;
    for (const QByteArray &line : whole.split('\n')) {
        const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
        if (l.size() > 76 || l.contains('\r'))
            return QStringLiteral("base64 line too long or with a bare CR");
        joined += l;
    }
    const auto decoded = QByteArray::fromBase64Encoding(joined, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || *decoded != raw)
        return QStringLiteral("base64 does not decode back");
    return {};
}

} // namespace FuzzCheck
