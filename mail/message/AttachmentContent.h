#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <optional>

// What an attachment's part declares about its bytes, and the bytes
// themselves when deciding that meant reading the whole file.
struct AttachmentContent
{
    QByteArray contentType;          // "application/pdf", "text/plain; charset=UTF-8", ...
    std::optional<QByteArray> bytes; // the whole file, if it was read to decide
};

// Text files up to this size are read whole to choose their charset.
constexpr qint64 kWholeTextLimit = qint64(1) << 20;
// A larger text file is judged by this much of its start.
constexpr qint64 kTextSampleBytes = qint64(64) << 10;

// Decides the Content-Type of the attachment `name` open in `file` (at its
// start) from its name and bytes. A text/* type gets charset=us-ascii when
// the bytes are ASCII, UTF-8 when they are valid UTF-8, UTF-16 after a
// UTF-16 byte-order mark, and windows-1252 (what older Italian Windows text
// files are written in) when no byte is a control character or one that
// Windows-1252 leaves undefined; anything else goes as
// application/octet-stream, so its bytes reach the reader untouched rather
// than shown in a wrong charset. A text file up to kWholeTextLimit is read
// once and returned in `bytes`; a larger one is judged by its first
// kTextSampleBytes (ASCII there is declared UTF-8, which also covers
// whatever follows if it is UTF-8) and the file is left at its start again.
// Returns nothing when the file cannot be read.
std::optional<AttachmentContent> describeAttachment(const QString &name, QIODevice &file);
