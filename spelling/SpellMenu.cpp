#include "SpellMenu.h"

#include "Speller.h"
#include "SpellingMarks.h"
#include "SpellingTexts.h"

#include <QMenu>

namespace SpellMenu {

void offer(QMenu *menu, Speller &speller, const QString &line, qsizetype index, const Replace &replace,
           const std::function<void()> &recheck)
{
    const auto span = SpellingMarks::misspelledAt(speller, line, index);
    if (!span)
        return;
    const QString word = line.mid(span->start, span->length);
    const int start = int(span->start);
    QAction *before = menu->actions().value(0);
    QList<QAction *> added;
    const QStringList suggestions = speller.suggestions(word, 5);
    for (const QString &suggestion : suggestions) {
        auto *choose = new QAction(suggestion, menu);
        QObject::connect(choose, &QAction::triggered, menu,
                         [replace, start, word, suggestion] { replace(start, word, suggestion); });
        added << choose;
    }
    if (suggestions.isEmpty()) {
        auto *none = new QAction(spellingText(SpellingText::NoSuggestion), menu);
        none->setEnabled(false);
        added << none;
    }
    added << menu->addSeparator();
    auto *ignore = new QAction(spellingText(SpellingText::Ignore), menu);
    QObject::connect(ignore, &QAction::triggered, menu, [&speller, word, recheck] {
        speller.ignore(word);
        recheck();
    });
    auto *keep = new QAction(spellingText(SpellingText::AddToDictionary), menu);
    QObject::connect(keep, &QAction::triggered, menu, [&speller, word, recheck] {
        speller.addToPersonal(word);
        recheck();
    });
    added << ignore << keep << menu->addSeparator();
    menu->insertActions(before, added);
}

void popup(QMenu *menu, const QPoint &globalPos)
{
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

} // namespace SpellMenu
