#pragma once

#include <QString>

#include <optional>

// The priority index a stored text stands for: its longest leading decimal
// number (sign, digits, "." fraction), 0 when it does not start with one,
// rounded to the nearest whole number with halves going to the even one.
// Empty when the text is empty after trimming or the number is no index of
// the priority list (0, 1 or 2).
std::optional<int> priorityIndexFromText(const QString &stored);
