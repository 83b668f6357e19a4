#include "AddressIndex.h"

#include <algorithm>

namespace {

bool betweenWords(QChar c)
{
    switch (c.unicode()) {
    case u'"':
    case u'\'':
    case u'(':
    case u')':
        return true;
    default:
        return c.isSpace();
    }
}

QString folded(const QString &text) { return text.left(AddressIndex::matchedLength).toCaseFolded(); }

} // namespace

AddressIndex::AddressIndex(QList<AddressEntry> entries) : m_entries(std::move(entries))
{
    m_keys.reserve(m_entries.size());
    for (const AddressEntry &entry : std::as_const(m_entries)) {
        Keys keys{folded(entry.address), folded(entry.name), {}};
        bool afterWord = true;
        for (qsizetype i = 0; i < keys.name.size(); ++i) {
            const bool between = betweenWords(keys.name[i]);
            if (afterWord && !between)
                keys.wordStarts << i;
            afterWord = between;
        }
        m_keys << std::move(keys);
    }
}

bool AddressIndex::Keys::startWith(QStringView typed) const
{
    if (QStringView(address).startsWith(typed))
        return true;
    const QStringView words(name);
    return std::ranges::any_of(wordStarts, [&](qsizetype at) { return words.sliced(at).startsWith(typed); });
}

QList<AddressEntry> AddressIndex::matching(const QString &typed) const
{
    QList<AddressEntry> found;
    // Longer than any head: nothing can start with it.
    if (typed.isEmpty() || typed.size() > matchedLength)
        return found;
    const QString key = typed.toCaseFolded();
    for (qsizetype i = 0; i < m_keys.size() && found.size() < mostOffered; ++i) {
        if (m_keys[i].startWith(key))
            found << m_entries[i];
    }
    return found;
}
