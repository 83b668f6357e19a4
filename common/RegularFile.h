#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// The one way the program opens a file of its own whose name anybody could
// have given to something else: a FIFO or a device is never waited on or
// read, nothing bigger than maxBytes is read, and a file only the program
// makes is never reached through a link, for reading or for writing. So a
// look at such a file takes a bounded time and memory, whatever is there,
// and a write lands in the program's own folder or nowhere.
namespace RegularFile {

// Refuse: the program's own files (recovery copies, the order count,
// locks); a link in their place is not followed. Follow: files a user may
// keep elsewhere on purpose (the settings, the remembered addresses, the
// personal word list), which may be a link to a regular file.
enum class Links { Refuse, Follow };

enum class Status {
    Regular,  // a regular file of at most maxBytes
    Missing,  // nothing there (a dangling link too, when links are followed)
    Link,     // a link, where links are refused
    Special,  // a FIFO, a device, a socket or a folder
    TooLarge, // bigger than maxBytes
    Unreadable,
};

// What is at path, looked at without opening anything that could block.
Status status(const QString &path, qint64 maxBytes, Links links = Links::Refuse);
// For --verbose and messages: why a file of that status was not used.
QString describe(Status status);

// The whole content of the regular file at path, when it has at most
// maxBytes; nothing for anything else (a refused link, a FIFO, a device, a
// folder, a bigger file, a file that cannot be read or that grows while read).
std::optional<QByteArray> read(const QString &path, qint64 maxBytes, Links links = Links::Refuse);

// Replaces what is at path with data, atomically, owner-only: a new file is
// written beside it and renamed over it, so a link in its place is
// replaced, never written through. False when it could not be done, or
// when stop, asked between pieces, said so; what was there is then left as
// it was, and errno says why.
bool write(const QString &path, const QByteArray &data, const std::function<bool()> &stop = {});

// Adds line at the end of the regular file at path (made owner-only when
// missing), on a line of its own; a link to a regular file is followed, a
// FIFO or a device is refused at once, never waited on. False when nothing
// was written.
bool append(const QString &path, const QByteArray &line);

// Renames what is at path, unread, to path + suffix, or to path + suffix +
// ".1", ".2", ... when that name is taken (a dangling link takes one too).
// Returns the new path; path itself when it could not be renamed.
QString keepAside(const QString &path, const QString &suffix);

} // namespace RegularFile
