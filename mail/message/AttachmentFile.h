#pragma once

#include "ByteDigest.h"

#include <QFile>
#include <QString>

#include <memory>

// One attachment held open for a send. It is read through the descriptor
// opened before connecting, so a file deleted afterwards is still read whole;
// any sign that what it reads may differ from what the file held when it was
// opened (new size or modification time, another file at its path) makes the
// read fail, so a mix of two versions is never sent. A change time that moved
// alone (a link added or removed, a tag, permissions) is checked against the
// bytes: the part read so far is read again and compared with its digest.
class AttachmentFile
{
public:
    // What the file looked like when opened; compared after every read.
    struct Stamp
    {
        qint64 device = 0;
        qint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
    };

    // Opens `path` (as the user typed it) without blocking on a FIFO or a
    // device. Null, with an Italian *error naming `path`, when it is missing,
    // not a regular file or unreadable; *outOfDescriptors then says whether
    // the cause was the process or the system running out of open files.
    static std::unique_ptr<AttachmentFile> open(const QString &path, QString *error,
                                                bool *outOfDescriptors = nullptr);
    // True when `count` more files could be opened now; whatever is tried
    // is closed again.
    static bool descriptorsToSpare(int count);

    // The path as given to open(), for messages.
    const QString &path() const { return m_path; }
    // The size when it was opened: exactly this many bytes are sent.
    qint64 size() const { return m_opened.size; }
    // The open file, for a look at its first bytes before any read().
    QIODevice *device() { return m_file.get(); }

    // Reads exactly `want` further bytes into data, which are sent. False,
    // with an Italian *error naming the path, when that fails or the file
    // has changed since it was opened; call verify() once more after the
    // last read.
    bool read(char *data, qint64 want, QString *error);
    // As read(), for a look ahead that rewind() then takes back: the bytes
    // are not sent, so they are not kept in the digest.
    bool scan(char *data, qint64 want, QString *error);
    // Goes back to the start, to be read again from there.
    bool rewind(QString *error);
    // False, with *error as for read(), when the file has changed since it
    // was opened. A change that left the bytes read so far as they were is
    // taken as the file's state from then on.
    bool verify(QString *error);

private:
    AttachmentFile(QString path, std::unique_ptr<QFile> file, const Stamp &opened);
    bool readSoFarUnchanged() const;
    bool readAndCheck(char *data, qint64 want, bool sent, QString *error);

    QString m_path;
    std::unique_ptr<QFile> m_file;
    Stamp m_opened;
    // What read() has given so far: its length and its digest.
    qint64 m_readSoFar = 0;
    ByteDigest m_readDigest;
};
