#pragma once

#include <QLatin1StringView>

#include <array>

// The three priorities, in the order the window lists them. The window shows
// the text, the settings keep the index, the mail component receives the code
// (the X-Priority scale) and writes the two headers.
struct Priority
{
    QLatin1StringView text;
    qint32 code;
    const char *xPriority;  // X-Priority header value
    const char *importance; // Importance header value
};

inline constexpr std::array priorities{
    Priority{QLatin1StringView("Alta"), 1, "1 (Highest)", "high"},
    Priority{QLatin1StringView("Normale"), 3, "3 (Normal)", "normal"},
    Priority{QLatin1StringView("Bassa"), 5, "5 (Lowest)", "low"},
};

inline constexpr int defaultPriorityIndex = 1;

// The index of the priority with this code; the default one's for a code
// outside the scale's three values.
constexpr int priorityIndexForCode(qint32 code)
{
    for (int i = 0; i < int(priorities.size()); ++i)
        if (priorities[i].code == code)
            return i;
    return defaultPriorityIndex;
}

// The priority at index; the default one for an index outside the list.
constexpr const Priority &priorityAt(int index)
{
    return index >= 0 && index < int(priorities.size()) ? priorities[index]
                                                        : priorities[defaultPriorityIndex];
}
