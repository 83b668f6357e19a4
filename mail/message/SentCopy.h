#pragma once

#include "FileDescriptor.h"

#include <QByteArray>
#include <QString>

// One message's copy in the Maildir of the messages sent (SentFolder),
// written in tmp/ from the bytes as they go to the server and moved into
// cur/, seen, once the server has accepted them. A copy that cannot be
// written stops being written and says why; it never stops the send. One
// never kept (the send failed, was refused or cut) is removed when it goes.
class SentCopy
{
public:
    // Starts the copy in the Maildir at maildir (SentFolder::path() for the
    // program's own), making its folders where missing.
    explicit SentCopy(const QString &maildir);
    ~SentCopy();
    SentCopy(const SentCopy &) = delete;
    SentCopy &operator=(const SentCopy &) = delete;

    // The next bytes of the message; nothing once the copy has failed.
    void write(const char *data, qint64 size);
    // Moves the copy into cur/ with the seen flag; returns why it could not
    // be kept, empty when it is.
    QString keep();
    // Where the kept copy is.
    QString keptPath() const { return m_keptPath; }

private:
    void fail(int error);
    void flushSome();

    QString m_maildir;
    FileDescriptor m_tmp;
    FileDescriptor m_cur;
    FileDescriptor m_file;
    QByteArray m_name;
    QString m_problem;
    QString m_keptPath;
    qint64 m_written = 0;
    qint64 m_flushed = 0;
};
