#include "SavedFields.h"

#include "FieldText.h"
#include "PriorityIndex.h"

#include <array>

namespace {

enum class Rule { Trimmed, WithoutTrailingSpaces, PriorityIndex };

struct Row
{
    QLatin1StringView section;
    QLatin1StringView key;
    Rule rule;
    QString FormFields::*text; // null for the priority
};

using namespace Qt::StringLiterals;

// Both routines walk this table, in this order.
constexpr std::array rows{
    Row{"STMP"_L1, "SERVER"_L1, Rule::Trimmed, &FormFields::server},
    Row{"EMAIL"_L1, "MITTENTE"_L1, Rule::Trimmed, &FormFields::sender},
    Row{"EMAIL"_L1, "DESTINATARIO"_L1, Rule::Trimmed, &FormFields::recipient},
    Row{"EMAIL"_L1, "CC"_L1, Rule::Trimmed, &FormFields::cc},
    Row{"EMAIL"_L1, "BCC"_L1, Rule::Trimmed, &FormFields::bcc},
    Row{"EMAIL"_L1, "ALLEGATI"_L1, Rule::Trimmed, &FormFields::attachments},
    Row{"EMAIL"_L1, "PRIORITA"_L1, Rule::PriorityIndex, nullptr},
    Row{"EMAIL"_L1, "OGGETTO"_L1, Rule::Trimmed, &FormFields::subject},
    Row{"EMAIL"_L1, "CONTENUTO"_L1, Rule::WithoutTrailingSpaces, &FormFields::body},
};

constexpr auto orderSection = "STMP"_L1;
constexpr auto orderKey = "SEQUENZA"_L1;

QString applyRule(Rule rule, const QString &text)
{
    return rule == Rule::WithoutTrailingSpaces ? FieldText::withoutTrailingSpaces(text)
                                               : FieldText::trimmed(text);
}

} // namespace

namespace SavedFields {

void RestoreFields(SettingsStore &store, FormFields &fields)
{
    for (const Row &row : rows) {
        const std::optional<QString> value = store.read(row.section, row.key);
        if (!value)
            continue;
        if (row.rule != Rule::PriorityIndex) {
            fields.*row.text = applyRule(row.rule, *value);
            continue;
        }
        if (const std::optional<int> index = priorityIndexFromText(*value))
            fields.priorityIndex = *index;
    }
}

bool StoreFields(SettingsStore &store, const FormFields &fields, qint64 order)
{
    bool saved = true;
    store.beginSave();
    if (order > 0)
        saved = store.write(orderSection, orderKey, QString::number(order));
    for (const Row &row : rows) {
        const QString text = row.rule == Rule::PriorityIndex ? QString::number(fields.priorityIndex)
                                                             : applyRule(row.rule, fields.*row.text);
        // A value that cannot be written keeps its earlier one; the next row still goes.
        saved = store.write(row.section, row.key, text) && saved;
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

FormFields asStored(const FormFields &fields)
{
    FormFields stored = fields;
    for (const Row &row : rows) {
        if (row.text)
            stored.*row.text = applyRule(row.rule, fields.*row.text);
    }
    return stored;
}

} // namespace SavedFields
