#pragma once

#include "AddressEntry.h"

#include <QList>
#include <QString>

// The item of an address box the cursor is in, and the box once a
// remembered address takes its place.
namespace AddressInput {

struct Item
{
    qsizetype start = 0; // after the separator before it (its leading spaces included)
    qsizetype end = 0;   // at the separator after it, or the end of the text
    QString typed;       // from start to the cursor, without its leading spaces
};

// Where every top-level ',' or ';' of text is; a quoted name or a comment
// may hold one of its own, and so may an angle-bracketed address.
QList<qsizetype> separators(const QString &text);

// The item under cursor: the part after the last top-level ',' or ';'
// before it, up to the next one after it.
Item itemAt(const QString &text, qsizetype cursor);

struct Completed
{
    QString text;
    qsizetype cursor = 0;
};

// text with the item under cursor replaced by shown; the items before and
// after stay as written. The last item gets ", " after it, ready for the
// next one.
Completed complete(const QString &text, qsizetype cursor, const QString &shown);

} // namespace AddressInput
