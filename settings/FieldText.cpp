#include "FieldText.h"

namespace FieldText {

QString trimmed(const QString &text)
{
    qsizetype begin = 0;
    while (begin < text.size() && text.at(begin) == u' ')
        ++begin;
    return withoutTrailingSpaces(text.mid(begin));
}

QString withoutTrailingSpaces(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == u' ')
        --end;
    return text.left(end);
}

} // namespace FieldText
