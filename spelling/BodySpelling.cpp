#include "BodySpelling.h"

#include "SpellMenu.h"
#include "Speller.h"
#include "SpellingMarks.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

namespace {

// A line this long is checked only around the part in view.
constexpr int wholeLine = 4000;

} // namespace

BodySpelling::BodySpelling(QPlainTextEdit *body, std::shared_ptr<Speller> speller,
                           std::function<void()> recheck)
    : BoxSpelling(body, std::move(speller), std::move(recheck)), m_body(body)
{
    connect(body->document(), &QTextDocument::contentsChange, this, &BodySpelling::noteChange);
    connect(body, &QPlainTextEdit::cursorPositionChanged, this,
            [this] { cursorMoved(m_body->textCursor().position()); });
    connect(body->verticalScrollBar(), &QScrollBar::valueChanged, this, &BodySpelling::refresh);
    connect(body->horizontalScrollBar(), &QScrollBar::valueChanged, this, &BodySpelling::refresh);
    // The menu key's menu comes to the box, the right button's to its viewport.
    body->installEventFilter(this);
    body->viewport()->installEventFilter(this);
    refresh();
}

void BodySpelling::noteChange(int position, int removed, int added)
{
    Q_UNUSED(removed);
    textChanged(added == 1, m_body->document()->characterAt(position), position + 1);
}

void BodySpelling::mark()
{
    const QRect view = m_body->viewport()->rect();
    const int top = m_body->cursorForPosition(view.topLeft()).position();
    const int bottom = m_body->cursorForPosition(view.bottomRight()).position();
    const QTextCharFormat format = SpellingMarks::format();
    QList<QTextEdit::ExtraSelection> marks;
    for (QTextBlock block = m_body->document()->findBlock(top); block.isValid() && block.position() <= bottom;
         block = block.next()) {
        const QString line = block.text();
        const int start = block.position();
        const bool whole = line.size() <= wholeLine;
        const qsizetype from = whole ? 0 : qMax(0, top - start - wholeLine / 2);
        const qsizetype to = whole ? line.size() : bottom - start + wholeLine / 2;
        const qsizetype typing = typedAt() - start;
        for (const ProseWords::Span &word : SpellingMarks::misspelled(speller(), line, from, to, typing)) {
            QTextCursor cursor(m_body->document());
            cursor.setPosition(start + int(word.start));
            cursor.setPosition(start + int(word.start + word.length), QTextCursor::KeepAnchor);
            marks.append({cursor, format});
        }
    }
    m_body->setExtraSelections(marks);
}

QMenu *BodySpelling::contextMenu(const QPoint &pos)
{
    QMenu *menu = m_body->createStandardContextMenu(pos);
    const QTextCursor at = m_body->cursorForPosition(pos);
    const int lineStart = at.block().position();
    SpellMenu::offer(
        menu, speller(), at.block().text(), at.positionInBlock(),
        [this, lineStart](int start, const QString &word, const QString &text) {
            replace(lineStart + start, word, text);
        },
        recheck());
    return menu;
}

// The word is replaced only where it still stands as it was when the menu opened.
void BodySpelling::replace(int position, const QString &word, const QString &text)
{
    if (position + word.size() >= m_body->document()->characterCount())
        return;
    QTextCursor cursor(m_body->document());
    cursor.setPosition(position);
    cursor.setPosition(position + int(word.size()), QTextCursor::KeepAnchor);
    if (cursor.selectedText() != word)
        return;
    cursor.beginEditBlock();
    cursor.insertText(text);
    cursor.endEditBlock();
    m_body->setTextCursor(cursor);
}

bool BodySpelling::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == m_body->viewport())
        refresh();
    if (event->type() != QEvent::ContextMenu || m_body->isReadOnly())
        return QObject::eventFilter(watched, event);
    const auto *request = static_cast<QContextMenuEvent *>(event);
    const QPoint pos
        = watched == m_body ? m_body->viewport()->mapFrom(m_body, request->pos()) : request->pos();
    showMenu(pos, request->globalPos());
    return true;
}
