#include "BodyMirror.h"

#include <QTextCursor>
#include <QTextDocument>

namespace {

// What toPlainText() makes of the document's own separators and spaces.
QString asPlainText(QString text)
{
    for (QChar &c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xfdd0: // the start and end of a frame
        case 0xfdd1:
            c = u'\n';
            break;
        case QChar::Nbsp:
            c = u' ';
            break;
        default:
            break;
        }
    }
    return text;
}

} // namespace

BodyMirror::BodyMirror(QTextDocument *document) : QObject(document), m_document(document)
{
    reread();
    connect(document, &QTextDocument::contentsChange, this, &BodyMirror::follow);
}

void BodyMirror::follow(int position, int removed, int added)
{
    // The document counts a last paragraph separator that toPlainText()
    // leaves out; a change that reaches it (replacing the whole text does)
    // stops at the end of the text.
    const qsizetype oldEnd = qMin<qsizetype>(qsizetype(position) + removed, m_text.size());
    const int newEnd = qMin(position + added, m_document->characterCount() - 1);
    if (position < 0 || position > m_text.size() || newEnd < position) {
        reread();
        return;
    }
    QTextCursor cursor(m_document);
    cursor.setPosition(position);
    cursor.setPosition(newEnd, QTextCursor::KeepAnchor);
    m_text.replace(position, oldEnd - position, asPlainText(cursor.selectedText()));
    // Each edit is checked against the document's length; should a change
    // ever be reported other than it happened, the text is read anew.
    if (m_text.size() != m_document->characterCount() - 1)
        reread();
}

void BodyMirror::reread() { m_text = m_document->toPlainText(); }
