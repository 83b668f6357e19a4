#pragma once

#include "ReaderTexts.h"

#include <QString>
#include <QStringList>

#include <optional>

#include <gmime/gmime.h>

class DraftFolder;

// One pass over a parsed message's tree of parts: the body is the first
// plain text that is no attachment, else the first HTML; every other part
// that is not text shown inline (a file, an attached message, a picture) is
// an attachment, saved byte for byte into the draft's folder as it is
// decoded, never held whole.
class MimeWalk
{
public:
    // Parts nested deeper than this are no message but an attack on its reader.
    static constexpr int kDeepest = 32;
    // Text bodies read whole, at most this many bytes as they travel.
    static constexpr qint64 kMostTextBytes = qint64(16) << 20;
    static constexpr qint64 kMostHtmlBytes = qint64(2) << 20;

    explicit MimeWalk(DraftFolder &folder) : m_folder(folder) {}

    // Walks the message; what stopped it, if anything (AttachmentsNotSaved:
    // the folder's problem() says why).
    std::optional<ReaderText> walk(GMimeMessage *message);

    QString body() const { return m_hasBody ? m_body : m_html; }
    bool bodyIsHtml() const { return !m_hasBody && m_hasHtml; }
    QStringList attachments() const { return m_attachments; }

private:
    std::optional<ReaderText> visit(GMimeObject *part, int depth);
    std::optional<ReaderText> takeText(GMimePart *part, bool html);
    bool save(GMimeObject *part, const QString &name);

    DraftFolder &m_folder;
    QString m_body;
    QString m_html;
    bool m_hasBody = false;
    bool m_hasHtml = false;
    QStringList m_attachments;
};
