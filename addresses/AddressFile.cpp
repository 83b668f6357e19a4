#include "AddressFile.h"

#include "common/FileLock.h"
#include "common/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString formatName = u"korvane-client-addresses"_s;
constexpr int formatVersion = 1;
// Far more than 2,000 addresses take: anything bigger is not ours.
constexpr qint64 largestFile = qint64(4) * 1024 * 1024;
constexpr int lockWaitMs = 5000;

std::optional<QList<AddressEntry>> parsed(const QByteArray &bytes)
{
    const QJsonObject root = QJsonDocument::fromJson(bytes).object();
    if (root.value("format"_L1).toString() != formatName || root.value("version"_L1).toInt() != formatVersion)
        return std::nullopt;
    const QJsonValue list = root.value("addresses"_L1);
    if (!list.isArray())
        return std::nullopt;
    QList<AddressEntry> entries;
    const QJsonArray items = list.toArray();
    for (const QJsonValue item : items) {
        const QJsonValue name = item["name"_L1];
        const QString address = item["address"_L1].toString();
        if (address.isEmpty() || !(name.isString() || name.isUndefined()))
            return std::nullopt;
        entries << AddressEntry{name.toString(), address};
    }
    return merged({}, {entries, {}});
}

QByteArray serialised(const QList<AddressEntry> &entries)
{
    QJsonArray list;
    for (const AddressEntry &entry : entries)
        list.append(QJsonObject{{"name"_L1, entry.name}, {"address"_L1, entry.address}});
    const QJsonObject root{{"format"_L1, formatName}, {"version"_L1, formatVersion}, {"addresses"_L1, list}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace

QString AddressFile::besideSettings(const QString &settingsFile)
{
    const QFileInfo settings(settingsFile);
    return settings.dir().filePath(settings.completeBaseName() + ".addresses.json"_L1);
}

QList<AddressEntry> AddressFile::read() const
{
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return {};
    // The user may keep the file elsewhere, behind a link; never a FIFO or a device.
    const std::optional<QByteArray> bytes
        = RegularFile::read(m_path, largestFile, RegularFile::Links::Follow);
    const std::optional<QList<AddressEntry>> entries = bytes ? parsed(*bytes) : std::nullopt;
    if (!entries) {
        RegularFile::keepAside(m_path, ".bad"_L1);
        return {};
    }
    return *entries;
}

std::optional<QList<AddressEntry>> AddressFile::apply(const Change &change) const
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    FileLock lock(m_path + ".lock"_L1);
    if (!lock.tryLock(lockWaitMs))
        return std::nullopt;
    const QList<AddressEntry> entries = merged(read(), change);
    if (!write(entries))
        return std::nullopt;
    return entries;
}

// Owner-only before the new file takes the old one's place, so that it is
// never readable by others, not even for a moment.
bool AddressFile::write(const QList<AddressEntry> &entries) const
{
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = serialised(entries);
    if (file.write(bytes) != bytes.size())
        return false;
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    return file.commit();
}

// One pass over each list: the file may hold 2,000 entries and is merged on
// every change.
QList<AddressEntry> merged(QList<AddressEntry> entries, const AddressFile::Change &change)
{
    QHash<QString, QString> earlierNames; // by folded address
    // The first, most recent, name of an address written twice.
    for (const AddressEntry &entry : std::as_const(entries)) {
        if (const QString key = entry.address.toCaseFolded(); !earlierNames.contains(key))
            earlierNames.insert(key, entry.name);
    }
    QSet<QString> taken{change.forgotten.toCaseFolded()};
    QList<AddressEntry> result;
    for (const AddressEntry &entry : change.used) {
        const QString key = entry.address.toCaseFolded();
        if (taken.contains(key))
            continue;
        taken.insert(key);
        result << AddressEntry{entry.name.isEmpty() ? earlierNames.value(key) : entry.name, entry.address};
    }
    for (AddressEntry &entry : entries) {
        const QString key = entry.address.toCaseFolded();
        if (taken.contains(key))
            continue;
        taken.insert(key);
        result << std::move(entry);
    }
    if (result.size() > AddressFile::limit)
        result.resize(AddressFile::limit);
    return result;
}
