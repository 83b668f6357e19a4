#include "AttachmentContent.h"

#include "AttachmentFile.h"
#include "TextCharset.h"

#include <QMimeDatabase>

namespace {

// Feeds the whole file to charset, in pieces of a size that keeps memory
// flat; the bytes are kept when the file is small enough to send from memory.
bool judge(AttachmentFile &file, TextCharset &charset, QByteArray *kept, QString *error)
{
    constexpr qint64 kPiece = qint64(1) << 20;
    QByteArray piece(std::min(kPiece, file.size()), Qt::Uninitialized);
    for (qint64 done = 0; done < file.size() && (kept || !charset.settled());) {
        const qint64 want = std::min(kPiece, file.size() - done);
        // Bytes kept are sent as read here; the others are read again.
        if (!(kept ? file.read(piece.data(), want, error) : file.scan(piece.data(), want, error)))
            return false;
        const QByteArrayView read(piece.constData(), want);
        charset.feed(read);
        if (kept)
            kept->append(read);
        done += want;
    }
    return kept ? file.verify(error) : file.rewind(error);
}

} // namespace

std::optional<AttachmentContent> describeAttachment(const QString &name, AttachmentFile &file, QString *error)
{
    const QByteArray type = QMimeDatabase().mimeTypeForFileNameAndData(name, file.device()).name().toLatin1();
    if (!type.startsWith("text/"))
        return AttachmentContent{type, std::nullopt};

    const bool keep = file.size() <= kWholeTextLimit;
    QByteArray bytes;
    TextCharset charset;
    if (!judge(file, charset, keep ? &bytes : nullptr, error))
        return std::nullopt;
    const auto declared = charset.charset();
    AttachmentContent content{declared ? type + "; charset=" + *declared : "application/octet-stream",
                              std::nullopt};
    if (keep)
        content.bytes = std::move(bytes);
    return content;
}
