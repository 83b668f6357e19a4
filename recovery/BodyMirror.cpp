#include "BodyMirror.h"

#include <QTextCursor>
#include <QTextDocument>

namespace {

// Copying a piece this long takes microseconds; a body of megabytes makes
// a list of a few hundred.
constexpr qsizetype pieceLength = qsizetype(32) * 1024;

// What toPlainText() makes of the document's own separators and spaces.
QString asPlainText(QString text)
{
    for (QChar &c : text) {
        const char16_t code = c.unicode();
        // 0xfdd0 and 0xfdd1: a frame's start and end.
        if (code == QChar::ParagraphSeparator || code == QChar::LineSeparator || code == 0xfdd0
            || code == 0xfdd1)
            c = u'\n';
        else if (code == QChar::Nbsp)
            c = u' ';
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
    const qsizetype oldEnd = qMin<qsizetype>(qsizetype(position) + removed, m_size);
    const int newEnd = qMin(position + added, m_document->characterCount() - 1);
    if (position < 0 || position > m_size || newEnd < position) {
        reread();
        return;
    }
    QTextCursor cursor(m_document);
    cursor.setPosition(position);
    cursor.setPosition(newEnd, QTextCursor::KeepAnchor);
    const QString inserted = asPlainText(cursor.selectedText());

    // The pieces from the one holding position to the one holding oldEnd.
    qsizetype first = 0;
    qsizetype firstStart = 0;
    while (first < m_pieces.size() && firstStart + m_pieces.at(first).size() < position)
        firstStart += m_pieces.at(first++).size();
    qsizetype last = first;
    qsizetype lastStart = firstStart;
    while (last + 1 < m_pieces.size() && lastStart + m_pieces.at(last).size() < oldEnd)
        lastStart += m_pieces.at(last++).size();
    const bool within = first < m_pieces.size();
    const QString merged = (within ? m_pieces.at(first).left(position - firstStart) : QString()) + inserted
        + (within ? m_pieces.at(last).mid(oldEnd - lastStart) : QString());
    replacePieces(first, within ? last - first + 1 : 0, merged);
    m_size += inserted.size() - (oldEnd - position);
    // Each edit is checked against the document's length; should a change
    // ever be reported other than it happened, the text is read anew.
    if (m_size != m_document->characterCount() - 1)
        reread();
}

// A piece grows with typing up to twice the length, then splits: typing in
// one place never leaves a trail of short pieces.
void BodyMirror::replacePieces(qsizetype first, qsizetype count, const QString &text)
{
    m_pieces.remove(first, count);
    const qsizetype length = text.size() <= 2 * pieceLength ? text.size() : pieceLength;
    for (qsizetype at = 0; at < text.size(); at += length)
        m_pieces.insert(first++, text.mid(at, length));
}

void BodyMirror::reread()
{
    m_pieces.clear();
    const QString text = m_document->toPlainText();
    replacePieces(0, 0, text);
    m_size = text.size();
}
