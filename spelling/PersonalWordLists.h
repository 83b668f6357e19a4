#pragma once

#include <QString>

// The user's own words for a language, which the spelling library keeps in
// two lists (LANG.dic, the words added; LANG.exc, the words excluded) and
// opens with a plain fopen() when the dictionary is requested, and reads
// whole: a FIFO there would block the load for ever, /dev/zero would fill
// the memory. They may be links to regular files (a dotfile manager's),
// never anything else.
namespace PersonalWordLists {

// The most a list may hold: a word a line, a hundred thousand words or so.
constexpr qint64 kMaxBytes = qint64(8) << 20;

// The folder the library finds them in: $ENCHANT_CONFIG_DIR when set, else
// $XDG_CONFIG_HOME/enchant, else ~/.config/enchant.
QString folder();

// Looks at language's lists, without opening them. When one is not a
// regular file of at most kMaxBytes (or nothing yet), the library is pointed
// at no folder for the rest of the run: the dictionary still loads, without
// the user's words, and a word added is kept until the program ends. Returns
// why, or nothing when the lists are used.
// Used, they are read once, here, and the library is given a private copy
// of them: it looks at its lists again while the user types, on the
// window's thread, and a list swapped meanwhile for a FIFO would freeze the
// window. A word added then goes to the copy and, through keep(), to the
// user's list.
// It sets the environment, which no other thread may be reading: call it
// before the first thread starts.
QString leaveAloneIfUnsafe(const QString &language = QStringLiteral("it_IT"));

// With a private copy in use, adds word to the user's own list of language
// (appended, never through a FIFO or a device); otherwise the library
// already wrote it where it belongs, or nowhere.
void keep(const QString &word, const QString &language = QStringLiteral("it_IT"));

} // namespace PersonalWordLists
