#include "RecoveryFormat.h"

#include "FieldTable.h"
#include "RecoveryOrder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <array>

namespace {

using namespace Qt::StringLiterals;

const auto formatName = "korvane-client recovery 1"_L1;

// A field a copy lacks, or holds as something else (a version with other
// fields wrote it), is empty; the priority then is the usual one.
void readField(const QJsonObject &object, const FieldTable::Row &row, MailFields &fields)
{
    const QJsonValue value = object.value(row.recoveryKey);
    if (row.text) {
        fields.*row.text = value.toString();
        return;
    }
    const double number = value.toDouble(-1);
    const bool listed = number >= 0 && number < double(priorities.size()) && number == double(int(number));
    fields.*row.index = listed ? int(number) : defaultPriorityIndex;
}

} // namespace

namespace RecoveryFormat {

QByteArray encode(const Copy &copy)
{
    QJsonObject object{{"format"_L1, formatName},
                       {"takenAtMs"_L1, double(copy.takenAtMs)},
                       {"order"_L1, double(copy.order)},
                       {"stored"_L1, copy.stored},
                       {"sent"_L1, copy.sent}};
    for (const FieldTable::Row &row : FieldTable::rows) {
        if (row.text)
            object.insert(row.recoveryKey, copy.fields.*row.text);
        else
            object.insert(row.recoveryKey, copy.fields.*row.index);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Copy> decode(const QByteArray &data)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    if (object.value("format"_L1).toString() != formatName)
        return std::nullopt;
    Copy copy;
    copy.takenAtMs = qint64(qBound(0.0, object.value("takenAtMs"_L1).toDouble(), 9e15));
    copy.order = RecoveryOrder::fromDouble(object.value("order"_L1).toDouble());
    copy.stored = object.value("stored"_L1).toBool();
    copy.sent = object.value("sent"_L1).toBool();
    // Not one field: nothing that could be brought back.
    if (std::ranges::none_of(FieldTable::rows,
                             [&](const auto &row) { return object.contains(row.recoveryKey); }))
        return std::nullopt;
    for (const FieldTable::Row &row : FieldTable::rows)
        readField(object, row, copy.fields);
    return copy;
}

} // namespace RecoveryFormat
