#pragma once

#include "AddressList.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class AttachmentFile;
class SentCopy;
struct MailRequest;

// The whole message as a stream of bytes for the SMTP DATA phase: headers and
// body are built up front, attachments are opened up front (so a file deleted
// after that is still read whole) and base64-encoded piece by piece as the
// transport asks for more, so a large file never sits in memory. A small text
// file, read whole to choose its charset, is sent from what was read then.
class MessageSource
{
public:
    MessageSource();
    ~MessageSource();
    MessageSource(const MessageSource &) = delete;
    MessageSource &operator=(const MessageSource &) = delete;

    // Builds the message. `from`, `to` and `cc` are the parsed fields (Bcc never
    // shows). Returns an empty string on success, else why an attachment
    // could not be used, naming it.
    QString build(const MailRequest &request, const QList<Mailbox> &from, const QList<Mailbox> &to,
                  const QList<Mailbox> &cc, const QStringList &attachmentPaths);

    // From now on every byte read() hands out goes to copy too, with a Bcc
    // header naming bcc after the address headers (none when bcc is empty):
    // the copy is the message as it went, plus whom it went to unseen.
    void copyTo(SentCopy *copy, const QList<Mailbox> &bcc);

    qint64 size() const { return m_size; }
    qint64 delivered() const { return m_delivered; }

    // Copies up to maxSize further bytes into data; 0 at the end; -1 when an
    // attachment could not be read as it was when the send started (error()).
    qint64 read(char *data, qint64 maxSize);
    QString error() const { return m_error; }

private:
    struct Segment
    {
        QByteArray text;                      // literal bytes, or
        std::unique_ptr<AttachmentFile> file; // a file sent as base64 lines
        qint64 fileSize = 0;
        qint64 fileRead = 0;
    };

    // Opens the attachment at path and adds its part; else says why not.
    // count is how many files the message attaches, for the message when
    // the system runs out of open files.
    QString addAttachment(const QString &path, const QByteArray &boundary, qsizetype count);
    // The next bytes into the buffer, handed to the copy too.
    bool refill();
    bool fill();
    void copyBuffer();

    // Descriptors left free once every attachment is open.
    static constexpr int kDescriptorsForNetwork = 32;

    std::vector<Segment> m_segments;
    size_t m_current = 0;
    QByteArray m_buffer;
    qsizetype m_bufferPos = 0;
    qint64 m_size = 0;
    qint64 m_delivered = 0;
    QString m_error;
    SentCopy *m_copy = nullptr;
    QByteArray m_bccHeader;
    qint64 m_bccAt = 0; // where the copy's Bcc header goes, in the message's bytes
};
