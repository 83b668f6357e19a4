#include "SpellMenu.h"

#include "Speller.h"

#include <QMenu>

namespace SpellMenu {

void prepend(QMenu *menu, Speller &speller, const QString &word,
             const std::function<void(const QString &)> &replace, const std::function<void()> &recheck)
{
    QAction *before = menu->actions().value(0);
    QList<QAction *> added;
    const QStringList suggestions = speller.suggestions(word, 5);
    for (const QString &suggestion : suggestions) {
        auto *choose = new QAction(suggestion, menu);
        QObject::connect(choose, &QAction::triggered, menu, [replace, suggestion] { replace(suggestion); });
        added << choose;
    }
    if (suggestions.isEmpty()) {
        auto *none = new QAction(QStringLiteral("(nessun suggerimento)"), menu);
        none->setEnabled(false);
        added << none;
    }
    added << menu->addSeparator();
    auto *ignore = new QAction(QStringLiteral("Ignora"), menu);
    QObject::connect(ignore, &QAction::triggered, menu, [&speller, word, recheck] {
        speller.ignore(word);
        recheck();
    });
    auto *keep = new QAction(QStringLiteral("Aggiungi al dizionario"), menu);
    QObject::connect(keep, &QAction::triggered, menu, [&speller, word, recheck] {
        speller.addToPersonal(word);
        recheck();
    });
    added << ignore << keep << menu->addSeparator();
    menu->insertActions(before, added);
}

} // namespace SpellMenu
