#pragma once

#include <QString>
#include <QStringList>

// A dictionary the window checks words against. Words come as the text
// holds them (an apostrophe may be typographic); the speller answers for the
// word as a whole. Used from one thread at a time.
class Speller
{
public:
    virtual ~Speller() = default;

    virtual bool isCorrect(const QString &word) = 0;
    // At most `most` replacements, the likeliest first.
    virtual QStringList suggestions(const QString &word, int most) = 0;
    // Accepted until the program ends.
    virtual void ignore(const QString &word) = 0;
    // Accepted from now on, in this run and later ones: kept in the user's
    // personal word list.
    virtual void addToPersonal(const QString &word) = 0;
};
