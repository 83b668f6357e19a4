#include "AttachmentContent.h"

#include <QMimeDatabase>
#include <QStringDecoder>

#include <algorithm>

namespace {

bool isUtf8(const QByteArray &bytes, bool cutShort)
{
    // A sample may end inside a character: a stateful decoder keeps that
    // tail pending instead of calling it an error.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           cutShort ? QStringDecoder::Flag::Default : QStringDecoder::Flag::Stateless);
    const QString ignored = decoder(bytes);
    return !decoder.hasError();
}

// The charset these bytes can honestly be declared in, or nothing.
std::optional<QByteArray> charsetOf(const QByteArray &bytes, bool cutShort)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return QByteArray("UTF-16");
    bool ascii = true;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if ((b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f') || b == 0x7f)
            return std::nullopt;
        ascii = ascii && b < 0x80;
    }
    if (ascii)
        return QByteArray(cutShort ? "UTF-8" : "us-ascii");
    if (isUtf8(bytes, cutShort))
        return QByteArray("UTF-8");
    const bool undefinedIn1252 = std::ranges::any_of(
        bytes, [](char c) { return QByteArrayView("\x81\x8D\x8F\x90\x9D").contains(c); });
    if (undefinedIn1252)
        return std::nullopt;
    return QByteArray("windows-1252");
}

} // namespace

std::optional<AttachmentContent> describeAttachment(const QString &name, QIODevice &file)
{
    const QByteArray type = QMimeDatabase().mimeTypeForFileNameAndData(name, &file).name().toLatin1();
    if (!type.startsWith("text/"))
        return AttachmentContent{type, std::nullopt};

    const bool whole = file.size() <= kWholeTextLimit;
    const qint64 want = whole ? file.size() : kTextSampleBytes;
    QByteArray bytes(want, Qt::Uninitialized);
    if (file.read(bytes.data(), want) != want || (!whole && !file.seek(0)))
        return std::nullopt;
    const auto charset = charsetOf(bytes, !whole);
    AttachmentContent content{charset ? type + "; charset=" + *charset : "application/octet-stream",
                              std::nullopt};
    if (whole)
        content.bytes = std::move(bytes);
    return content;
}
