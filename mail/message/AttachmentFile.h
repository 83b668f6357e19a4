#pragma once

#include <QFile>
#include <QString>

#include <memory>

// One attachment held open for a send. It is read through the descriptor
// opened before connecting, so a file deleted afterwards is still read whole;
// any sign that what it reads may differ from what the file held when it was
// opened (new size, modification or change time, another file at its path)
// makes the read fail, so a mix of two versions is never sent.
class AttachmentFile
{
public:
    // What the file looked like when opened; compared after every read.
    struct Stamp
    {
        qint64 device = 0;
        qint64 inode = 0;
        qint64 size = 0;
        qint64 links = 0;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
    };

    // Opens `path` (as the user typed it) without blocking on a FIFO or a
    // device. Null, with an Italian *error naming `path`, when it is missing,
    // not a regular file or unreadable.
    static std::unique_ptr<AttachmentFile> open(const QString &path, QString *error);

    // The path as given to open(), for messages.
    const QString &path() const { return m_path; }
    // The size when it was opened: exactly this many bytes are sent.
    qint64 size() const { return m_opened.size; }
    // The open file, for a look at its first bytes before any read().
    QIODevice *device() { return m_file.get(); }

    // Reads exactly `want` further bytes into data. False, with an Italian
    // *error naming the path, when that fails or the file has changed since
    // it was opened; call verify() once more after the last read.
    bool read(char *data, qint64 want, QString *error);
    // False, with *error as for read(), when the file has changed since it
    // was opened.
    bool verify(QString *error) const;

private:
    AttachmentFile(QString path, std::unique_ptr<QFile> file, const Stamp &opened);

    QString m_path;
    std::unique_ptr<QFile> m_file;
    Stamp m_opened;
};
