#pragma once

#include "common/FieldTable.h"

#include <QString>

// The composer's text rules. Only the space character counts: tabs and line
// breaks a user put at either end are part of the text.
namespace FieldText {

// Without leading and trailing spaces.
QString trimmed(const QString &text);
// Without trailing spaces; leading ones stay (the body's indentation).
QString withoutTrailingSpaces(const QString &text);
// text as a field with this rule keeps it.
QString byRule(FieldTable::Trim rule, const QString &text);

} // namespace FieldText
