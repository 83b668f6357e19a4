#pragma once

#include <QString>

#include <functional>

class QMenu;
class QPoint;
class Speller;

namespace SpellMenu {

// Called with where the word starts in its line, the word and what the user
// chose in its place.
using Replace = std::function<void(int start, const QString &word, const QString &text)>;

// When index falls in an unknown word of line, puts above what menu already
// holds: up to five replacements for it (choosing one calls replace), then
// "Ignora" and "Aggiungi al dizionario", which call recheck once the speller
// accepts the word.
void offer(QMenu *menu, Speller &speller, const QString &line, qsizetype index, const Replace &replace,
           const std::function<void()> &recheck);

// Shows menu as Qt shows a box's own: without an event loop of its own, and
// gone once closed.
void popup(QMenu *menu, const QPoint &globalPos);

} // namespace SpellMenu
