#pragma once

#include "ProseWords.h"

#include <QTextCharFormat>

#include <optional>

class Speller;

// What the checked boxes share: which words of a line to mark, and how.
namespace SpellingMarks {

// The words of line within [from, to) that speller does not know. The word
// ending at typingAt (an index in line) is the one being typed, and waits
// until it is finished.
QList<ProseWords::Span> misspelled(Speller &speller, QStringView line, qsizetype from = 0, qsizetype to = -1,
                                   qsizetype typingAt = -1);

// The unknown word that index falls in or touches, if any; only the words
// around index are looked at.
std::optional<ProseWords::Span> misspelledAt(Speller &speller, QStringView line, qsizetype index);

// The red wavy underline.
QTextCharFormat format();

} // namespace SpellingMarks
