#include "AddressInput.h"

#include "AddressToken.h"

#include <algorithm>

namespace {

// Where every top-level separator of text is; a quoted name or a comment
// may hold one of its own, and so may an angle-bracketed address.
QList<qsizetype> separators(const QString &text)
{
    const QList<AddressToken> tokens = tokenizeAddresses(text);
    QList<qsizetype> at;
    for (const qsizetype i : entrySeparators(tokens))
        at << (tokens[i].raw.data() - text.constData());
    return at;
}

bool betweenWords(QChar c) { return c.isSpace() || QStringView(u"\"'()").contains(c); }

// Looked at for every remembered entry on every key: no list of words is made.
bool startsWord(QStringView name, const QString &typed)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        const bool wordStart = !betweenWords(name[i]) && (i == 0 || betweenWords(name[i - 1]));
        if (wordStart && name.sliced(i).startsWith(typed, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

namespace AddressInput {

Item itemAt(const QString &text, qsizetype cursor)
{
    Item item{0, text.size(), {}};
    for (const qsizetype at : separators(text)) {
        if (at < cursor)
            item.start = at + 1;
        else if (item.end == text.size()) {
            item.end = at;
            break;
        }
    }
    item.end = std::max(item.end, cursor);
    item.typed = text.mid(item.start, cursor - item.start).trimmed();
    return item;
}

QList<AddressEntry> matching(const QList<AddressEntry> &entries, const QString &typed)
{
    QList<AddressEntry> found;
    if (typed.isEmpty())
        return found;
    for (const AddressEntry &entry : entries) {
        if (entry.address.startsWith(typed, Qt::CaseInsensitive) || startsWord(entry.name, typed))
            found << entry;
    }
    return found;
}

Completed complete(const QString &text, qsizetype cursor, const QString &shown)
{
    const Item item = itemAt(text, cursor);
    const QStringView written = QStringView(text).sliced(item.start, item.end - item.start);
    qsizetype lead = 0;
    while (lead < written.size() && written[lead].isSpace())
        ++lead;
    const QString before = text.left(item.start + lead);
    const bool last = item.end == text.size();
    const QString inserted = last ? shown + QStringLiteral(", ") : shown;
    return {before + inserted + text.mid(item.end), before.size() + inserted.size()};
}

} // namespace AddressInput
