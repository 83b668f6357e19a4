#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// Where the words worth a spelling check are in one line of text.
//
// Not prose, so never a word: a line quoted with ">", anything written
// together with "@" (an address), a link or a path (a scheme, "www.", a
// slash, a backslash, a dot between two letters, an underscore), a word
// with a digit and an abbreviation in capitals. A word holds the apostrophes
// between its letters ("dell'anno"), as the dictionary spells it.
namespace ProseWords {

struct Span
{
    qsizetype start = 0;
    qsizetype length = 0;
    friend bool operator==(const Span &, const Span &) = default;
};

// Words of line that lie whole within [from, to); a word cut by either end
// is left out. The line is the whole line, so that a quote is known.
QList<Span> find(QStringView line, qsizetype from = 0, qsizetype to = -1);

// The word as a dictionary spells it: typographic apostrophes made plain.
QString dictionaryForm(QStringView word);

} // namespace ProseWords
