#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class AttachmentFile;

// What an attachment's part declares about its bytes, and the bytes
// themselves when deciding that meant reading the whole file.
struct AttachmentContent
{
    QByteArray contentType;          // "application/pdf", "text/plain; charset=UTF-8", ...
    std::optional<QByteArray> bytes; // the whole file, if it was read to decide
};

// Text files up to this size are kept in memory once judged, and sent from there.
constexpr qint64 kWholeTextLimit = qint64(1) << 20;

// Decides the Content-Type of the attachment `name` open in `file` (not yet
// read) from its name and bytes. A text/* type gets the charset that all of
// its bytes show (see TextCharset), or becomes application/octet-stream
// when they fit none, so its bytes reach the reader untouched rather than
// shown in a wrong charset. A text file up to kWholeTextLimit is returned in
// `bytes`; a larger one is read through once and left at its start again.
// Nothing, with *error naming the file, when it cannot be read or changes
// while it is read.
std::optional<AttachmentContent> describeAttachment(const QString &name, AttachmentFile &file,
                                                    QString *error);
