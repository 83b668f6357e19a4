#include "RecoveryFormat.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <array>

namespace {

using namespace Qt::StringLiterals;

const auto formatName = "korvane-client recovery 1"_L1;

struct TextKey
{
    QLatin1StringView key;
    QString FormFields::*text;
};

constexpr std::array textKeys{
    TextKey{"server"_L1, &FormFields::server},
    TextKey{"sender"_L1, &FormFields::sender},
    TextKey{"recipient"_L1, &FormFields::recipient},
    TextKey{"cc"_L1, &FormFields::cc},
    TextKey{"bcc"_L1, &FormFields::bcc},
    TextKey{"attachments"_L1, &FormFields::attachments},
    TextKey{"subject"_L1, &FormFields::subject},
    TextKey{"body"_L1, &FormFields::body},
};

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

} // namespace

namespace RecoveryFormat {

QByteArray encode(const Copy &copy)
{
    QJsonObject object{{"format"_L1, formatName},
                       {"takenAtMs"_L1, double(copy.takenAtMs)},
                       {"order"_L1, double(copy.order)},
                       {"stored"_L1, copy.stored},
                       {"priorityIndex"_L1, copy.fields.priorityIndex}};
    for (const TextKey &entry : textKeys)
        object.insert(entry.key, copy.fields.*entry.text);
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
    const QJsonValue priority = object.value("priorityIndex"_L1);
    const int index = priority.toInt(-1);
    if (!priority.isDouble() || index < 0 || index >= int(priorities.size()) || priority.toDouble() != index)
        return std::nullopt;
    copy.fields.priorityIndex = index;
    for (const TextKey &entry : textKeys) {
        const QJsonValue value = object.value(entry.key);
        if (!value.isString())
            return std::nullopt;
        copy.fields.*entry.text = value.toString();
    }
    return copy;
}

} // namespace RecoveryFormat
