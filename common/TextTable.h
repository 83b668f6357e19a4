#pragma once

#include <QString>

#include <cstddef>

// A room's user-facing sentences as one table indexed by an enumeration, so
// that each sentence is written once and found in one place. A room writes
//
//     constexpr auto roomTexts = textTable<RoomText::LastId>({
//         {RoomText::FirstId, "..."},
//         ...
//     });
//     QString roomText(RoomText id) { return roomTexts(id); }
template<typename Id>
struct TextEntry
{
    Id id;
    const char *text; // UTF-8
};

// Not constexpr: reached while a table is built only when an entry is
// missing, doubled or out of the enumeration's order, where it stops the
// build with its name.
inline void textTableNeedsEveryIdInOrder() {}

template<typename Id, std::size_t N>
class TextTable
{
public:
    // Every id up to last, once, in the order of the enumeration: what lets
    // the lookup index instead of search.
    consteval TextTable(const TextEntry<Id> (&entries)[N], Id last)
    {
        if (N != std::size_t(last) + 1)
            textTableNeedsEveryIdInOrder();
        for (std::size_t i = 0; i < N; ++i) {
            if (std::size_t(entries[i].id) != i)
                textTableNeedsEveryIdInOrder();
            m_texts[i] = entries[i].text;
        }
    }

    QString operator()(Id id) const { return QString::fromUtf8(m_texts[std::size_t(id)]); }

private:
    const char *m_texts[N] = {};
};

// The table of entries, whose last id is Last; checked as it is built.
template<auto Last, std::size_t N>
consteval TextTable<decltype(Last), N> textTable(const TextEntry<decltype(Last)> (&entries)[N])
{
    return TextTable<decltype(Last), N>(entries, Last);
}
