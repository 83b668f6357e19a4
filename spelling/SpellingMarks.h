#pragma once

#include "ProseWords.h"

#include <QTextCharFormat>

#include <optional>

class QLineEdit;
class Speller;

// What the two checked boxes share: which words of a line to mark, and how.
namespace SpellingMarks {

// The words of line within [from, to) that speller does not know. The word
// ending at typingAt (an index in line) is the one being typed, and waits
// until it is finished.
QList<ProseWords::Span> misspelled(Speller &speller, QStringView line, qsizetype from = 0, qsizetype to = -1,
                                   qsizetype typingAt = -1);

// The unknown word that index falls in or touches, if any.
std::optional<ProseWords::Span> misspelledAt(Speller &speller, QStringView line, qsizetype index);

// The red wavy underline.
QTextCharFormat format();

// Draws spans of box's text with format(). A line edit has no text formats
// of its own, so the marks reach it as an input method's formats, which it
// draws over its text without touching the text, the cursor or undo; they
// go with its next input method event.
void drawOnLine(QLineEdit *box, const QList<ProseWords::Span> &spans);

} // namespace SpellingMarks
