#include "MimeWalk.h"

#include "DraftFolder.h"
#include "GMimeHandles.h"

#include <QMimeDatabase>

namespace {

using namespace Qt::StringLiterals;

// The part's content as it travels (encoded), in bytes.
qint64 travelledBytes(GMimePart *part)
{
    GMimeDataWrapper *content = g_mime_part_get_content(part);
    GMimeStream *stream = content ? g_mime_data_wrapper_get_stream(content) : nullptr;
    return stream ? g_mime_stream_length(stream) : 0;
}

// The name an attachment goes by: its own, else one made of what it is.
QString nameOf(GMimeObject *part)
{
    if (GMIME_IS_PART(part)) {
        if (const char *name = g_mime_part_get_filename(GMIME_PART(part)))
            return QString::fromUtf8(name);
    }
    if (GMIME_IS_MESSAGE_PART(part)) {
        GMimeMessage *inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(part));
        const char *subject = inner ? g_mime_message_get_subject(inner) : nullptr;
        return (subject != nullptr && *subject != '\0' ? QString::fromUtf8(subject) : u"messaggio"_s)
            + u".eml"_s;
    }
    GText type(g_mime_content_type_get_mime_type(g_mime_object_get_content_type(part)));
    const QString suffix = QMimeDatabase().mimeTypeForName(QString::fromUtf8(type.get())).preferredSuffix();
    return suffix.isEmpty() ? u"allegato"_s : u"allegato."_s + suffix;
}

} // namespace

std::optional<ReaderText> MimeWalk::walk(GMimeMessage *message)
{
    GMimeObject *root = g_mime_message_get_mime_part(message);
    return root ? visit(root, 0) : std::nullopt;
}

std::optional<ReaderText> MimeWalk::visit(GMimeObject *part, int depth)
{
    if (depth > kDeepest)
        return ReaderText::TooDeep;
    if (GMIME_IS_MULTIPART(part)) {
        GMimeMultipart *multipart = GMIME_MULTIPART(part);
        const int count = g_mime_multipart_get_count(multipart);
        for (int i = 0; i < count; ++i) {
            if (auto stop = visit(g_mime_multipart_get_part(multipart, i), depth + 1))
                return stop;
        }
        return std::nullopt;
    }
    if (!GMIME_IS_PART(part) && !GMIME_IS_MESSAGE_PART(part))
        return std::nullopt;
    GMimeContentDisposition *disposition = g_mime_object_get_content_disposition(part);
    const bool attached = !GMIME_IS_PART(part) || g_mime_part_get_filename(GMIME_PART(part)) != nullptr
        || (disposition != nullptr && g_mime_content_disposition_is_attachment(disposition) != FALSE);
    GMimeContentType *type = g_mime_object_get_content_type(part);
    const auto is
        = [type](const char *subtype) { return g_mime_content_type_is_type(type, "text", subtype) != FALSE; };
    if (!attached && is("*")) {
        // Another text shown inline is an alternative to the body, not a file.
        if (is("plain") && !m_hasBody)
            return takeText(GMIME_PART(part), false);
        if (is("html") && !m_hasHtml)
            return takeText(GMIME_PART(part), true);
        return std::nullopt;
    }
    if (!save(part, nameOf(part)))
        return ReaderText::AttachmentsNotSaved;
    return std::nullopt;
}

std::optional<ReaderText> MimeWalk::takeText(GMimePart *part, bool html)
{
    if (travelledBytes(part) > (html ? kMostHtmlBytes : kMostTextBytes))
        return ReaderText::TextTooLong;
    // In UTF-8 from whatever charset the part declares (GMime asks iconv).
    GText text(GMIME_IS_TEXT_PART(part) ? g_mime_text_part_get_text(GMIME_TEXT_PART(part)) : nullptr);
    const QString decoded = text ? QString::fromUtf8(text.get()) : QString();
    (html ? m_hasHtml : m_hasBody) = true;
    (html ? m_html : m_body) = decoded;
    return std::nullopt;
}

bool MimeWalk::save(GMimeObject *part, const QString &name)
{
    DraftFolder::NewFile file = m_folder.add(name);
    if (!file.fd.valid())
        return false;
    // Written as it is decoded; the descriptor stays the folder's.
    const GOwned<GMimeStream> out(g_mime_stream_fs_new(file.fd.get()));
    g_mime_stream_fs_set_owner(GMIME_STREAM_FS(out.get()), FALSE);
    ssize_t written = 0;
    if (GMIME_IS_MESSAGE_PART(part)) {
        GMimeMessage *inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(part));
        if (inner)
            written = g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, out.get());
    } else if (GMimeDataWrapper *content = g_mime_part_get_content(GMIME_PART(part))) {
        written = g_mime_data_wrapper_write_to_stream(content, out.get());
    }
    if (written < 0)
        return m_folder.fail(file.path);
    m_attachments << file.path;
    return true;
}
