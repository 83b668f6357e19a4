#pragma once

#include <QLatin1StringView>

#include <array>

// The priority list, in display order; the settings keep the index, the
// mail component receives the code (1 high, 3 normal, 5 low).
struct PriorityEntry
{
    QLatin1StringView text;
    qint32 code;
};

inline constexpr std::array priorityEntries{
    PriorityEntry{QLatin1StringView("Alta"), 1},
    PriorityEntry{QLatin1StringView("Normale"), 3},
    PriorityEntry{QLatin1StringView("Bassa"), 5},
};

inline constexpr int defaultPriorityIndex = 1;
