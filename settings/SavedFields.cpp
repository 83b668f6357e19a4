#include "SavedFields.h"

#include "FieldTable.h"
#include "FieldText.h"
#include "PriorityIndex.h"

namespace {

using namespace Qt::StringLiterals;

constexpr auto orderSection = "STMP"_L1;
constexpr auto orderKey = "SEQUENZA"_L1;

QString storedText(const FieldTable::Row &row, const MailFields &fields)
{
    if (row.index)
        return QString::number(fields.*row.index);
    return FieldText::byRule(row.trim, fields.*row.text);
}

} // namespace

namespace SavedFields {

void RestoreFields(SettingsStore &store, MailFields &fields)
{
    for (const FieldTable::Row &row : FieldTable::rows) {
        const std::optional<QString> value = store.read(row.section, row.key);
        if (!value)
            continue;
        if (row.text) {
            fields.*row.text = FieldText::byRule(row.trim, *value);
            continue;
        }
        if (const std::optional<int> index = priorityIndexFromText(*value))
            fields.*row.index = *index;
    }
}

bool StoreFields(SettingsStore &store, const MailFields &fields, qint64 order)
{
    bool saved = true;
    store.beginSave();
    if (order > 0)
        saved = store.write(orderSection, orderKey, QString::number(order));
    for (const FieldTable::Row &row : FieldTable::rows) {
        // A value that cannot be written keeps its earlier one; the next row still goes.
        saved = store.write(row.section, row.key, storedText(row, fields)) && saved;
    }
    return store.endSave() && saved;
}

qint64 storedOrder(SettingsStore &store)
{
    const std::optional<QString> text = store.read(orderSection, orderKey);
    bool ok = false;
    const qint64 order = text ? text->toLongLong(&ok) : 0;
    return ok && order > 0 ? order : 0;
}

MailFields asStored(const MailFields &fields)
{
    MailFields stored = fields;
    for (const FieldTable::Row &row : FieldTable::rows) {
        if (row.text)
            stored.*row.text = FieldText::byRule(row.trim, fields.*row.text);
    }
    return stored;
}

} // namespace SavedFields
