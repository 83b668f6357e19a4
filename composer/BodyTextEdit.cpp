#include "BodyTextEdit.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The clipboard's data asks the program that copied each time it is read,
// and that program may be gone by the next question: read it once.
QString textOf(const QMimeData *source)
{
    if (!source)
        return {};
    return source->text();
}

} // namespace

BodyTextEdit::BodyTextEdit(QWidget *parent) : QPlainTextEdit(parent) {}

bool BodyTextEdit::canInsertFromMimeData(const QMimeData *source) const { return !textOf(source).isEmpty(); }

void BodyTextEdit::insertFromMimeData(const QMimeData *source)
{
    const QString text = textOf(source);
    if (text.isEmpty())
        return;
    // Only plain text: the box holds nothing else, and a text also offered
    // as markdown (first) would otherwise go in as Qt reads the markdown,
    // without the characters that mark it up.
    QMimeData owned;
    owned.setText(text);
    QPlainTextEdit::insertFromMimeData(&owned);
}

void BodyTextEdit::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu(event->pos());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void BodyTextEdit::childEvent(QChildEvent *event)
{
    QPlainTextEdit::childEvent(event);
    // Not a menu yet: a child is added before its own constructor has run.
    if (event->added() && event->child()->isWidgetType() && !m_menuActions.isEmpty())
        event->child()->installEventFilter(this);
}

bool BodyTextEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Polish && watched->parent() == this) {
        watched->removeEventFilter(this);
        if (auto *menu = qobject_cast<QMenu *>(watched)) {
            // Above the box's own entries, below what the spelling put over them.
            const QList<QAction *> actions = menu->actions();
            const auto own = std::ranges::find(actions, u"edit-undo"_s, &QObject::objectName);
            QAction *first = own != actions.end() ? *own : actions.value(0);
            menu->insertActions(first, m_menuActions);
            menu->insertSeparator(first);
        }
    }
    return QPlainTextEdit::eventFilter(watched, event);
}
