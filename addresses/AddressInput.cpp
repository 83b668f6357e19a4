#include "AddressInput.h"

#include "common/AddressToken.h"

#include <algorithm>

namespace AddressInput {

QList<qsizetype> separators(const QString &text) { return entrySeparators(QStringView(text)); }

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
