#include "LineMarks.h"

#include "SpellingMarks.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QToolTip>

#include <algorithm>

LineMarks::LineMarks(QLineEdit *box, LineHighlighter &highlighter)
    : QObject(box), m_box(box), m_highlighter(highlighter), m_description(box->accessibleDescription()),
      m_size(box->text().size())
{
    connect(box, &QLineEdit::textChanged, this, &LineMarks::textChanged);
    connect(box, &QLineEdit::cursorPositionChanged, this, [this](int, int now) { cursorMoved(now); });
    box->installEventFilter(this);
    refresh();
}

// Posted, not a zero timer: it comes before the box's own paint, which Qt
// posts at a lower priority, so that a key is painted once, with its marks.
void LineMarks::refresh()
{
    if (m_pending)
        return;
    m_pending = true;
    QMetaObject::invokeMethod(this, &LineMarks::mark, Qt::QueuedConnection);
}

// Only the length is kept: a copy of the text would make the box copy all
// of it at the next key.
void LineMarks::textChanged(const QString &text)
{
    const int at = m_box->cursorPosition();
    const bool oneTyped = text.size() == m_size + 1 && at > 0;
    m_size = text.size();
    m_typedAt = oneTyped ? at : -1;
    refresh();
}

void LineMarks::cursorMoved(int position)
{
    if (position != m_typedAt)
        m_typedAt = -1;
    refresh();
}

void LineMarks::mark()
{
    m_pending = false;
    if (m_composing || m_box->isReadOnly())
        return;
    const auto [from, to] = inView();
    m_marks = m_highlighter.highlight(m_box->text(), from, to, m_typedAt);
    draw();
    describe();
    if (m_waiting && m_waiting->isVisible() && offerFix(m_waiting, m_waitingAt, m_waitingKeyboard))
        m_waiting.clear();
}

// The box keeps its cursor in view: whatever it shows once painted lies
// within a box's width of the cursor on either side.
std::pair<qsizetype, qsizetype> LineMarks::inView() const
{
    const QPoint cursor = m_box->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    const int width = m_box->width();
    return {m_box->cursorPositionAt({cursor.x() - width, cursor.y()}),
            m_box->cursorPositionAt({cursor.x() + width, cursor.y()}) + 1};
}

// A line edit has no text formats of its own: the marks reach it as an
// input method's formats, which it draws over its text without touching the
// text, the cursor or undo, and keeps where they were put until the next
// input method event. Each one lays the whole text out again.
void LineMarks::draw()
{
    QList<std::pair<qsizetype, qsizetype>> spans;
    for (const LineHighlighter::Mark &mark : std::as_const(m_marks))
        spans.append({mark.start, mark.length});
    if (spans == m_drawn)
        return;
    m_drawn = spans;
    const int cursor = m_box->cursorPosition(); // the formats' places count from it
    QList<QInputMethodEvent::Attribute> formats;
    for (const auto &[start, length] : std::as_const(spans))
        formats.append(
            {QInputMethodEvent::TextFormat, int(start) - cursor, int(length), SpellingMarks::format()});
    QInputMethodEvent marks(QString(), formats);
    m_sending = true;
    QCoreApplication::sendEvent(m_box, &marks);
    m_sending = false;
}

// A screen reader hears why the item the cursor stands in is marked.
void LineMarks::describe()
{
    const LineHighlighter::Mark *mark = markAt(m_box->cursorPosition());
    const QString description = mark && !mark->why.isEmpty() ? mark->why : m_description;
    if (m_box->accessibleDescription() != description)
        m_box->setAccessibleDescription(description);
}

const LineHighlighter::Mark *LineMarks::markAt(qsizetype position) const
{
    const auto found
        = std::find_if(m_marks.cbegin(), m_marks.cend(), [position](const LineHighlighter::Mark &mark) {
              return position >= mark.start && position <= mark.start + mark.length;
          });
    return found == m_marks.cend() ? nullptr : &*found;
}

QMenu *LineMarks::contextMenu(const QPoint &pos) { return menuAt(m_box->cursorPositionAt(pos), false); }

// Opening the menu finishes the piece being typed: its mark and its fix
// come with the menu, and the mark stays while it is open. A fix the
// highlighter learns of only then (a name server's answer) comes into the
// menu while it is open.
QMenu *LineMarks::menuAt(qsizetype index, bool keyboard)
{
    m_typedAt = -1;
    mark();
    QMenu *menu = m_box->createStandardContextMenu();
    m_waiting = offerFix(menu, index, keyboard) ? nullptr : menu;
    m_waitingAt = index;
    m_waitingKeyboard = keyboard;
    return menu;
}

// True when a fix was put first.
bool LineMarks::offerFix(QMenu *menu, qsizetype index, bool keyboard)
{
    const QAction *before = menu->actions().value(0);
    m_highlighter.offerFix(
        menu, m_box->text(), index,
        [this](int start, const QString &was, const QString &with) { replace(start, was, with); });
    QAction *fix = menu->actions().value(0);
    if (fix == before)
        return false;
    // From the keyboard, Return takes it.
    if (keyboard && fix->isEnabled())
        menu->setActiveAction(fix);
    return true;
}

// Only where the text still reads as it did when the menu opened; one edit,
// undone whole.
void LineMarks::replace(int start, const QString &was, const QString &with)
{
    if (m_box->text().mid(start, was.size()) != was)
        return;
    m_box->setSelection(start, int(was.size()));
    m_box->insert(with);
}

bool LineMarks::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::InputMethod:
        if (!m_sending) {
            // The input method's own formats take the place of the marks.
            m_drawn.reset();
            m_composing = !static_cast<QInputMethodEvent *>(event)->preeditString().isEmpty();
            refresh();
        }
        break;
    case QEvent::FocusOut:
        m_typedAt = -1;
        refresh();
        break;
    case QEvent::ToolTip: {
        const auto *help = static_cast<QHelpEvent *>(event);
        const LineHighlighter::Mark *mark = markAt(m_box->cursorPositionAt(help->pos()));
        if (!mark || mark->why.isEmpty())
            break;
        QToolTip::showText(help->globalPos(), mark->why, m_box);
        return true;
    }
    case QEvent::ContextMenu: {
        if (m_box->isReadOnly())
            break;
        const auto *request = static_cast<QContextMenuEvent *>(event);
        const bool keyboard = request->reason() == QContextMenuEvent::Keyboard;
        SpellMenu::popup(keyboard ? menuAt(m_box->cursorPosition(), true) : contextMenu(request->pos()),
                         request->globalPos());
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
