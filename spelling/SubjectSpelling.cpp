#include "SubjectSpelling.h"

#include "SpellMenu.h"
#include "Speller.h"
#include "SpellingMarks.h"

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>

SubjectSpelling::SubjectSpelling(QLineEdit *box, std::shared_ptr<Speller> speller,
                                 std::function<void()> recheck)
    : BoxSpelling(box, std::move(speller), std::move(recheck)), m_box(box), m_previous(box->text())
{
    connect(box, &QLineEdit::textChanged, this, [this](const QString &text) {
        // The character right before the cursor is the one added.
        const int at = m_box->cursorPosition();
        const bool oneAdded = text.size() == m_previous.size() + 1 && at > 0;
        m_previous = text;
        textChanged(oneAdded, oneAdded ? text[at - 1] : QChar(), at);
    });
    connect(box, &QLineEdit::cursorPositionChanged, this, [this](int, int now) { cursorMoved(now); });
    box->installEventFilter(this);
    refresh();
}

void SubjectSpelling::mark()
{
    if (m_composing || m_box->isReadOnly())
        return;
    m_marked = SpellingMarks::misspelled(speller(), m_box->text(), 0, -1, typedAt());
    m_sending = true;
    SpellingMarks::drawOnLine(m_box, m_marked);
    m_sending = false;
}

QMenu *SubjectSpelling::contextMenu(const QPoint &pos)
{
    QMenu *menu = m_box->createStandardContextMenu();
    SpellMenu::offer(
        menu, speller(), m_box->text(), m_box->cursorPositionAt(pos),
        [this](int start, const QString &word, const QString &text) { replace(start, word, text); },
        recheck());
    return menu;
}

// The word is replaced only where it still stands as it was when the menu opened.
void SubjectSpelling::replace(int position, const QString &word, const QString &text)
{
    if (m_box->text().mid(position, word.size()) != word)
        return;
    m_box->setSelection(position, int(word.size()));
    m_box->insert(text);
}

bool SubjectSpelling::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::InputMethod && !m_sending) {
        m_composing = !static_cast<QInputMethodEvent *>(event)->preeditString().isEmpty();
        refresh();
    }
    if (event->type() != QEvent::ContextMenu || m_box->isReadOnly())
        return QObject::eventFilter(watched, event);
    const auto *request = static_cast<QContextMenuEvent *>(event);
    showMenu(request->pos(), request->globalPos());
    return true;
}
