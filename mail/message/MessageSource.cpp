#include "MessageSource.h"

#include "AttachmentContent.h"
#include "AttachmentFile.h"
#include "HeaderEncoder.h"
#include "MailRequest.h"
#include "MessageTexts.h"
#include "SentCopy.h"
#include "TransferEncoding.h"
#include "common/Priorities.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QUuid>

#include <array>
#include <cstdlib>
#include <cstring>

namespace {

QString tooManyAttachments(qsizetype count)
{
    // "1.100", as an Italian reader writes a count.
    return messageText(MessageText::TooManyAttachments)
        .arg(QLocale(QLocale::Italian).toString(qint64(count)));
}

QByteArray dateHeader()
{
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc() / 60;
    const QString zone = QString::asprintf("%c%02d%02d", offset < 0 ? '-' : '+', std::abs(offset) / 60,
                                           std::abs(offset) % 60);
    return "Date: " + QLocale::c().toString(now, u"ddd, dd MMM yyyy HH:mm:ss ").toLatin1() + zone.toLatin1()
        + "\r\n";
}

QByteArray messageIdHeader(const QList<Mailbox> &from)
{
    const QString address = from.value(0).address;
    const QString domain = address.mid(address.lastIndexOf(u'@') + 1);
    // 122 random bits make it unique; anything more only lengthens a line
    // that cannot fold.
    return foldedHeader(
        "Message-ID", {'<' + QUuid::createUuid().toByteArray(QUuid::Id128) + '@' + domain.toLatin1() + '>'});
}

} // namespace

MessageSource::MessageSource() = default;
MessageSource::~MessageSource() = default;

QString MessageSource::build(const MailRequest &request, const QList<Mailbox> &from, const QList<Mailbox> &to,
                             const QList<Mailbox> &cc, const QStringList &attachmentPaths)
{
    const Priority &priority = priorityAt(request.priorityIndex);
    QByteArray head = dateHeader() + messageIdHeader(from) + addressHeader("From", from);
    if (from.size() > 1)
        head += addressHeader("Sender", {from.first()});
    head += to.isEmpty() ? QByteArray("To: undisclosed-recipients:;\r\n") : addressHeader("To", to);
    if (!cc.isEmpty())
        head += addressHeader("Cc", cc);
    m_bccAt = head.size();
    head += unstructuredHeader("Subject", request.subject);
    head += "MIME-Version: 1.0\r\n";
    if (!request.clientName.isEmpty())
        head += unstructuredHeader("X-Mailer", request.clientName);
    head += QByteArray("X-Priority: ") + priority.xPriority + "\r\nImportance: " + priority.importance
        + "\r\n";

    const QByteArray textPart = "Content-Type: text/plain; charset=UTF-8\r\n"
                                "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
        + quotedPrintable(request.body);
    m_segments.clear();
    if (attachmentPaths.isEmpty()) {
        m_segments.push_back({head + textPart, nullptr});
    } else {
        const QByteArray boundary = "=_korvane_" + QUuid::createUuid().toByteArray(QUuid::Id128);
        m_segments.push_back(
            {head + foldedHeader("Content-Type", {"multipart/mixed;", "boundary=\"" + boundary + '"'})
                 + "\r\nThis is a multi-part message in MIME format.\r\n--" + boundary + "\r\n" + textPart
                 + "\r\n",
             nullptr});
        for (const QString &path : attachmentPaths) {
            QString problem = addAttachment(path, boundary, attachmentPaths.size());
            if (!problem.isEmpty())
                return problem;
        }
        // The connection to the server needs descriptors of its own (one
        // socket for each port tried at once, libcurl's wake-up pipes).
        if (!AttachmentFile::descriptorsToSpare(kDescriptorsForNetwork))
            return tooManyAttachments(attachmentPaths.size());
        m_segments.push_back({"--" + boundary + "--\r\n", nullptr});
    }
    m_size = 0;
    for (const Segment &s : m_segments)
        m_size += s.file ? base64EncodedSize(s.fileSize) : s.text.size();
    return {};
}

QString MessageSource::addAttachment(const QString &path, const QByteArray &boundary, qsizetype count)
{
    QString error;
    bool outOfDescriptors = false;
    auto file = AttachmentFile::open(path, &error, &outOfDescriptors);
    if (!file)
        return outOfDescriptors ? tooManyAttachments(count) : error;
    const QString name = QFileInfo(path).fileName();
    auto content = describeAttachment(name, *file, &error);
    if (!content)
        return error;
    m_segments.push_back(
        {"--" + boundary + "\r\n" + foldedHeader("Content-Type", content->contentType.split(' '))
             + "Content-Transfer-Encoding: base64\r\n" + attachmentDisposition(name) + "\r\n",
         nullptr});
    if (content->bytes) {
        // Read whole already to choose its charset: sent from memory, and
        // its descriptor goes back at once.
        Segment data{{}, nullptr};
        appendBase64Lines(data.text, *content->bytes);
        m_segments.push_back(std::move(data));
        return {};
    }
    Segment data{{}, std::move(file)};
    data.fileSize = data.file->size();
    m_segments.push_back(std::move(data));
    return {};
}

bool MessageSource::refill()
{
    if (!fill())
        return false;
    if (m_copy && !m_buffer.isEmpty())
        copyBuffer();
    return true;
}

bool MessageSource::fill()
{
    m_buffer.clear();
    m_bufferPos = 0;
    while (m_current < m_segments.size()) {
        Segment &s = m_segments[m_current];
        if (!s.file) {
            m_buffer = s.text;
            ++m_current;
            if (m_buffer.isEmpty())
                continue;
            return true;
        }
        if (s.fileRead == s.fileSize) {
            // Every read checks the file; an empty one, never read, is
            // checked here.
            if (!s.file->verify(&m_error))
                return false;
            s.file.reset();
            ++m_current;
            continue;
        }
        constexpr qint64 kChunk = kBase64LineBytes * 1150; // ~64 KiB raw
        const qint64 want = std::min(kChunk, s.fileSize - s.fileRead);
        QByteArray raw(want, Qt::Uninitialized);
        if (!s.file->read(raw.data(), want, &m_error))
            return false;
        s.fileRead += want;
        appendBase64Lines(m_buffer, raw);
        return true;
    }
    return true;
}

void MessageSource::copyTo(SentCopy *copy, const QList<Mailbox> &bcc)
{
    m_copy = copy;
    m_bccHeader = bcc.isEmpty() ? QByteArray() : addressHeader("Bcc", bcc);
}

void MessageSource::copyBuffer()
{
    const qint64 at = m_bccAt - m_delivered;
    if (m_bccHeader.isEmpty() || at < 0 || at >= m_buffer.size()) {
        m_copy->write(m_buffer.constData(), m_buffer.size());
        return;
    }
    m_copy->write(m_buffer.constData(), at);
    m_copy->write(m_bccHeader.constData(), m_bccHeader.size());
    m_copy->write(m_buffer.constData() + at, m_buffer.size() - at);
}

qint64 MessageSource::read(char *data, qint64 maxSize)
{
    if (!m_error.isEmpty())
        return -1;
    if (m_bufferPos == m_buffer.size() && !refill())
        return -1;
    const qint64 n = std::min<qint64>(maxSize, m_buffer.size() - m_bufferPos);
    std::memcpy(data, m_buffer.constData() + m_bufferPos, size_t(n));
    m_bufferPos += n;
    m_delivered += n;
    return n;
}
