#include "RecoveryFormat.h"

#include "FieldTable.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>

namespace {

using namespace Qt::StringLiterals;

const auto formatName = "korvane-client recovery 1"_L1;

QJsonObject fieldsObject(const MailFields &fields)
{
    QJsonObject object;
    for (const FieldTable::Row &row : FieldTable::rows) {
        if (row.text)
            object.insert(row.recoveryKey, fields.*row.text);
        else
            object.insert(row.recoveryKey, fields.*row.index);
    }
    return object;
}

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
    QJsonObject object = fieldsObject(copy.fields);
    object.insert("format"_L1, formatName);
    object.insert("takenAtMs"_L1, double(copy.takenAtMs));
    object.insert("base"_L1, QString::fromLatin1(copy.base));
    object.insert("sent"_L1, copy.sent);
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
    // Not one field: nothing that could be brought back.
    if (std::ranges::none_of(FieldTable::rows,
                             [&](const auto &row) { return object.contains(row.recoveryKey); }))
        return std::nullopt;
    Copy copy;
    copy.takenAtMs = qint64(qBound(0.0, object.value("takenAtMs"_L1).toDouble(), 9e15));
    // Anything but a stamp of ours is none: such a copy never takes the settings' place.
    const QByteArray base = object.value("base"_L1).toString().toLatin1();
    if (base.size() == 64 && QByteArray::fromHex(base).toHex() == base)
        copy.base = base;
    copy.sent = object.value("sent"_L1).toBool();
    for (const FieldTable::Row &row : FieldTable::rows)
        readField(object, row, copy.fields);
    return copy;
}

QByteArray stamp(const MailFields &fields)
{
    const QByteArray json = QJsonDocument(fieldsObject(fields)).toJson(QJsonDocument::Compact);
    return QCryptographicHash::hash(json, QCryptographicHash::Sha256).toHex();
}

} // namespace RecoveryFormat
