#pragma once

#include "common/MailFields.h"

#include <QString>
#include <QtPlugin>

// A message file read back as the fields of a new draft: what the window
// asks of the reader, which lives in a module of its own (korvane-open,
// with GMime) loaded only when a message is opened. Both sides are built
// from this header by the same compiler, so C++ types cross as they are.
struct OpenedMessage
{
    // Sender, recipients, CC, BCC, subject, body, priority and the
    // attachments as saved (the Allegati list); the rest left empty.
    MailFields fields;
    // The body is the HTML of a message that has no plain text: the window
    // makes text of it.
    bool bodyIsHtml = false;
    // The folder made for the attachments; empty when there were none.
    QString folder;
    // Why the file was not opened, in Italian; empty when it was. Nothing of
    // it is then left on disk.
    QString problem;
};

class MessageReader
{
public:
    virtual ~MessageReader() = default;
    // Reads the message file at path. Its attachments are saved, byte for
    // byte and under names made safe, in a new folder of their own inside
    // attachmentsRoot (made where missing), and nowhere else. A file that
    // is not a message, damaged or built to hurt gives a problem, within a
    // bounded time and memory.
    virtual OpenedMessage open(const QString &path, const QString &attachmentsRoot) = 0;
};

// Raised when the interface changes.
#define KorvaneMessageReader_iid "it.korvane.Client.MessageReader/1"
Q_DECLARE_INTERFACE(MessageReader, KorvaneMessageReader_iid)
