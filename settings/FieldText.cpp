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

QString byRule(FieldTable::Trim rule, const QString &text)
{
    switch (rule) {
    case FieldTable::Trim::BothEnds:
        return trimmed(text);
    case FieldTable::Trim::TrailingEnd:
        return withoutTrailingSpaces(text);
    case FieldTable::Trim::Nothing:
        break;
    }
    return text;
}

} // namespace FieldText
