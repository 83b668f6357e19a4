#include "BoxSpelling.h"

#include "SpellMenu.h"

#include <QWidget>

BoxSpelling::BoxSpelling(QWidget *box, std::shared_ptr<Speller> speller, std::function<void()> recheck)
    : QObject(box), m_speller(std::move(speller)), m_recheck(std::move(recheck))
{
    m_marking.setSingleShot(true);
    m_marking.setInterval(0);
    connect(&m_marking, &QTimer::timeout, this, [this] { mark(); });
}

void BoxSpelling::textChanged(bool oneAdded, QChar added, int end)
{
    m_typedAt = oneAdded && (added.isLetterOrNumber() || added.isMark()) ? end : -1;
    refresh();
}

void BoxSpelling::cursorMoved(int position)
{
    if (position != m_typedAt)
        m_typedAt = -1;
    refresh();
}

void BoxSpelling::showMenu(const QPoint &pos, const QPoint &globalPos)
{
    SpellMenu::popup(contextMenu(pos), globalPos);
}
