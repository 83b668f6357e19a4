#include "PriorityIndex.h"

#include "FieldText.h"
#include "common/Priorities.h"

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Rounds the decimal number digits "." fraction exactly, on the text itself:
// a detour through double would turn 1.49999999999999999 into 1.5 and round
// it up. Only whether the result is 0, 1 or 2 matters, so larger magnitudes
// come back as 3.
int roundedMagnitude(QStringView digits, QStringView fraction)
{
    while (!digits.isEmpty() && digits.front() == u'0')
        digits = digits.mid(1);
    if (digits.size() > 1)
        return 3;
    const int whole = digits.isEmpty() ? 0 : digits.front().digitValue();

    bool up = false;
    if (!fraction.isEmpty()) {
        const int first = fraction.front().digitValue();
        bool restNonZero = false;
        for (QChar c : fraction.mid(1))
            restNonZero = restNonZero || c != u'0';
        if (first > 5 || (first == 5 && restNonZero))
            up = true;
        else if (first == 5)
            up = whole % 2 == 1;
    }
    return up ? whole + 1 : whole;
}

} // namespace

std::optional<int> priorityIndexFromText(const QString &stored)
{
    const QString text = FieldText::trimmed(stored);
    if (text.isEmpty())
        return std::nullopt;

    qsizetype pos = 0;
    bool negative = false;
    if (text.at(pos) == u'+' || text.at(pos) == u'-') {
        negative = text.at(pos) == u'-';
        ++pos;
    }
    const qsizetype digitsBegin = pos;
    while (pos < text.size() && isDigit(text.at(pos)))
        ++pos;
    const qsizetype digitsEnd = pos;
    qsizetype fractionBegin = pos;
    qsizetype fractionEnd = pos;
    if (pos < text.size() && text.at(pos) == u'.') {
        fractionBegin = ++pos;
        while (pos < text.size() && isDigit(text.at(pos)))
            ++pos;
        fractionEnd = pos;
    }
    // "+", "." or "abc" hold no digit at all: they read as 0.
    if (digitsBegin == digitsEnd && fractionBegin == fractionEnd)
        return 0;

    const QStringView view(text);
    const int magnitude = roundedMagnitude(view.sliced(digitsBegin, digitsEnd - digitsBegin),
                                           view.sliced(fractionBegin, fractionEnd - fractionBegin));
    const int index = negative ? -magnitude : magnitude;
    if (index < 0 || index >= int(priorities.size()))
        return std::nullopt;
    return index;
}
