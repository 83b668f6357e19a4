#pragma once

#include <QString>

#include <functional>

class QMenu;
class Speller;

namespace SpellMenu {

// Puts above what menu already holds: up to five replacements for word
// (choosing one calls replace with it), then "Ignora" and "Aggiungi al
// dizionario", which call recheck once the speller accepts the word.
void prepend(QMenu *menu, Speller &speller, const QString &word,
             const std::function<void(const QString &)> &replace, const std::function<void()> &recheck);

} // namespace SpellMenu
