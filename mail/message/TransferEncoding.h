#pragma once

#include <QByteArray>
#include <QString>

// Turns any mix of CRLF, CR and LF into CRLF, so nothing bare reaches the wire.
QString normaliseLineEnds(const QString &text);

// Quoted-printable (RFC 2045) of the text's UTF-8, lines at most 76 columns,
// CRLF line ends. A '.' opening a line is encoded too, so no line of the
// body can be taken for the end of the message whatever the transport does,
// and so is the 'F' of a line opening with "From " (mbox stores mangle it).
QByteArray quotedPrintable(const QString &text);

// Base64 with a CRLF after every 76 characters and after the last line.
constexpr qsizetype kBase64LineBytes = 57; // raw bytes per 76-character line
constexpr qint64 base64EncodedSize(qint64 rawBytes)
{
    const qint64 full = rawBytes / kBase64LineBytes;
    const qint64 rest = rawBytes % kBase64LineBytes;
    return full * 78 + (rest > 0 ? (rest + 2) / 3 * 4 + 2 : 0);
}

// Appends the base64 lines of raw to out; raw must be a whole number of
// 57-byte lines unless it is the file's last piece.
void appendBase64Lines(QByteArray &out, QByteArrayView raw);
