#include "RecoveryFormat.h"

#include "FieldTable.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <array>

namespace {

using namespace Qt::StringLiterals;

const auto formatName = "korvane-client recovery 1"_L1;

// Missing: 0. Anything but a whole number from 0 up is no order.
std::optional<qint64> orderOf(const QJsonValue &value)
{
    if (value.isUndefined())
        return 0;
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number < 0 || number > 9e15 || number != double(qint64(number)))
        return std::nullopt;
    return qint64(number);
}

// The priority: a whole index of the list. A text: any string.
bool readField(const QJsonObject &object, const FieldTable::Row &row, MailFields &fields)
{
    const QJsonValue value = object.value(row.recoveryKey);
    if (row.text) {
        fields.*row.text = value.toString();
        return value.isString();
    }
    const int index = value.toInt(-1);
    fields.*row.index = index;
    return value.isDouble() && index >= 0 && index < int(priorities.size()) && value.toDouble() == index;
}

} // namespace

namespace RecoveryFormat {

QByteArray encode(const Copy &copy)
{
    QJsonObject object{{"format"_L1, formatName},
                       {"takenAtMs"_L1, double(copy.takenAtMs)},
                       {"order"_L1, double(copy.order)},
                       {"stored"_L1, copy.stored}};
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
    if (object.value("format"_L1).toString() != formatName || !object.value("takenAtMs"_L1).isDouble())
        return std::nullopt;
    Copy copy;
    copy.takenAtMs = qint64(object.value("takenAtMs"_L1).toDouble());
    const std::optional<qint64> order = orderOf(object.value("order"_L1));
    const QJsonValue stored = object.value("stored"_L1);
    if (!order || !(stored.isUndefined() || stored.isBool()))
        return std::nullopt;
    copy.order = *order;
    copy.stored = stored.toBool();
    for (const FieldTable::Row &row : FieldTable::rows) {
        if (!readField(object, row, copy.fields))
            return std::nullopt;
    }
    return copy;
}

} // namespace RecoveryFormat
