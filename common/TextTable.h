#pragma once

#include <QString>

#include <cstddef>

// A room's user-facing sentences as one table indexed by an enumeration, so
// that each sentence is written once and found in one place.
template<typename Id>
struct TextEntry
{
    Id id;
    const char *text; // UTF-8
};

// Whether table holds one entry for every id up to last, in the order of the
// enumeration: the check that lets textOf() index instead of search.
template<typename Id, std::size_t N>
constexpr bool textTableComplete(const TextEntry<Id> (&table)[N], Id last)
{
    for (std::size_t i = 0; i < N; ++i)
        if (std::size_t(table[i].id) != i)
            return false;
    return N == std::size_t(last) + 1;
}

// The text of id in a table that textTableComplete() accepted.
template<typename Id, std::size_t N>
QString textOf(const TextEntry<Id> (&table)[N], Id id)
{
    return QString::fromUtf8(table[std::size_t(id)].text);
}
