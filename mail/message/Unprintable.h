#pragma once

#include <QChar>

// A character that shows as nothing or moves the text around it where the
// program shows or saves a name it did not choose (a server's reply, a file
// name from a message): controls, format characters, lone surrogates, line
// and paragraph separators.
inline bool isUnprintable(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}
