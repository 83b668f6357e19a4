#include "SavedFields.h"

#include "FieldText.h"
#include "PriorityIndex.h"
#include "common/FieldTable.h"

#include <utility>

namespace {

using namespace Qt::StringLiterals;

// Written by earlier versions beside the fields; the settings now hold the
// fields and nothing else.
constexpr std::pair<QLatin1StringView, QLatin1StringView> retiredKeys[] = {{"STMP"_L1, "SEQUENZA"_L1}};

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

bool StoreFields(SettingsStore &store, const MailFields &fields)
{
    bool saved = true;
    store.beginSave();
    for (const auto &[section, key] : retiredKeys)
        store.remove(section, key);
    for (const FieldTable::Row &row : FieldTable::rows) {
        // A value that cannot be written keeps its earlier one; the next row still goes.
        saved = store.write(row.section, row.key, storedText(row, fields)) && saved;
    }
    return store.endSave() && saved;
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
