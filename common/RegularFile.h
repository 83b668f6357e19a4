#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reads a file of the program's own whose name anybody could have given to
// something else: a link (to /dev/zero, say) is not followed, a FIFO or a
// device is not waited on, and nothing bigger than maxBytes is read. So a
// look at such a file takes a bounded time and memory, whatever is there.
namespace RegularFile {

// The whole content of the regular file at path, when it has at most
// maxBytes; nothing for anything else (a link, a FIFO, a device, a folder,
// a bigger file, a file that cannot be read or that grows while read).
std::optional<QByteArray> read(const QString &path, qint64 maxBytes);

// Renames what is at path, unread, to path + suffix, or to path + suffix +
// ".1", ".2", ... when that name is taken (a dangling link takes one too).
// Returns the new path; path itself when it could not be renamed.
QString keepAside(const QString &path, const QString &suffix);

} // namespace RegularFile
