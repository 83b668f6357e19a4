// RecoveryCopy's files: their format, this window's own, and the ones windows gone left.
#include "RecoveryCopy.h"

#include "RecoveryTexts.h"
#include "common/FieldTable.h"
#include "common/RegularFile.h"
#include "settings/SavedFields.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>

namespace {

using namespace Qt::StringLiterals;

const auto formatName = "korvane-client recovery 1"_L1;
const auto pattern = "KORVANE_CLIENT_STMP.recovery-*.json"_L1;
// The most drafts one start opens in windows of their own; the others wait,
// untouched, for a later start.
constexpr qsizetype mostOffered = 3;

QJsonObject fieldsObject(const MailFields &fields)
{
    QJsonObject object;
    for (const FieldTable::Row &row : FieldTable::rows)
        object.insert(row.recoveryKey,
                      row.text ? QJsonValue(fields.*row.text) : QJsonValue(fields.*row.index));
    return object;
}

// Held only by a live window: the system lets go of it when its process ends.
std::unique_ptr<FileLock> lockFor(const QString &copyPath)
{
    auto lock = std::make_unique<FileLock>(copyPath + ".lock"_L1);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

std::optional<RecoveryCopy::Content> readCopy(const QString &path)
{
    const std::optional<QByteArray> data = RegularFile::read(path, RecoveryCopy::largestCopy);
    return data ? RecoveryCopy::decode(*data) : std::nullopt;
}

struct Draft
{
    RecoveryCopy::Content copy;
    QString path;
    std::unique_ptr<FileLock> lock;
};

} // namespace

QByteArray RecoveryCopy::encode(const Content &content)
{
    QJsonObject object = fieldsObject(content.fields);
    object.insert("format"_L1, formatName);
    object.insert("takenAtMs"_L1, double(content.takenAtMs));
    object.insert("base"_L1, QString::fromLatin1(content.base));
    object.insert("sent"_L1, content.sent);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<RecoveryCopy::Content> RecoveryCopy::decode(const QByteArray &data)
{
    const QJsonObject object = QJsonDocument::fromJson(data).object();
    // Not one field: nothing that could be brought back.
    if (object.value("format"_L1).toString() != formatName
        || std::ranges::none_of(FieldTable::rows,
                                [&](const auto &row) { return object.contains(row.recoveryKey); }))
        return std::nullopt;
    Content content;
    content.takenAtMs = qint64(qBound(0.0, object.value("takenAtMs"_L1).toDouble(), 9e15));
    // Anything but a stamp of ours is none: such a copy never takes the settings' place.
    const QByteArray base = object.value("base"_L1).toString().toLatin1();
    if (base.size() == 64 && QByteArray::fromHex(base).toHex() == base)
        content.base = base;
    content.sent = object.value("sent"_L1).toBool();
    // A field a copy holds as something else (a version with other fields
    // wrote it) is empty too; the priority then is the usual one.
    for (const FieldTable::Row &row : FieldTable::rows) {
        const QJsonValue value = object.value(row.recoveryKey);
        const double number = value.toDouble(-1);
        if (row.text)
            content.fields.*row.text = value.toString();
        else if (number >= 0 && number < double(priorities.size()) && number == double(int(number)))
            content.fields.*row.index = int(number);
    }
    return content;
}

QByteArray RecoveryCopy::stamp(const MailFields &fields)
{
    const QByteArray json = QJsonDocument(fieldsObject(fields)).toJson(QJsonDocument::Compact);
    return QCryptographicHash::hash(json, QCryptographicHash::Sha256).toHex();
}

RecoveryCopy::RecoveryCopy(SettingsStore &store, std::function<void(const MailFields &)> show)
    : m_store(store), m_show(std::move(show))
{
    if (const QFileInfo settings(store.fileName()); !store.fileName().isEmpty()) {
        m_folders = {settings.absolutePath(),
                     QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                                     + u"/korvane-client"_s)};
        m_storeLock
            = settings.absoluteDir().filePath(settings.completeBaseName() + u".recovery-store.lock"_s);
    }
    // The start time tells this run from an earlier one that had its pid;
    // the count, two copies of one process apart.
    static int made = 0;
    const QString name
        = QString::asprintf("KORVANE_CLIENT_STMP.recovery-%lld-%lld-%d.json",
                            QCoreApplication::applicationPid(), QDateTime::currentMSecsSinceEpoch(), ++made);
    for (const QString &folder : std::as_const(m_folders)) {
        QDir().mkpath(folder);
        if ((m_lock = lockFor(QDir(folder).filePath(name)))) {
            m_path = QDir(folder).filePath(name);
            break;
        }
    }
    // Within the two seconds a copy may lag behind the last change, with
    // room left for writing a large body.
    m_delay.setInterval(1000);
    m_delay.setSingleShot(true);
    QObject::connect(&m_delay, &QTimer::timeout, &m_delay, [this] { writeNow(); });
}

RecoveryCopy::Recovered RecoveryCopy::recover()
{
    std::vector<Draft> drafts;
    QStringList setAside;
    for (const QString &folder : std::as_const(m_folders)) {
        const QDir dir(folder);
        // A window killed before it wrote its first copy leaves only its lock file.
        for (const QString &name : dir.entryList({pattern + ".lock"_L1}, QDir::Files | QDir::Hidden)) {
            const QString copy = dir.filePath(name.chopped(5));
            if (!QFileInfo::exists(copy) && !QFileInfo(copy).isSymLink())
                lockFor(copy);
        }
        for (const QString &name : dir.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System)) {
            const QString path = dir.filePath(name);
            std::unique_ptr<FileLock> lock = path == m_path ? nullptr : lockFor(path);
            if (!lock)
                continue; // a window still open holds it
            std::optional<Content> copy = readCopy(path);
            if (!copy)
                setAside << RegularFile::keepAside(path, ".bad"_L1);
            else if (copy->sent || SavedFields::asStored(copy->fields) == m_loaded)
                QFile::remove(path); // nothing in it is lost
            else
                drafts.push_back({std::move(*copy), path, std::move(lock)});
        }
    }
    std::ranges::sort(drafts, std::ranges::greater(),
                      [](const Draft &draft) { return draft.copy.takenAtMs; });
    const auto own = std::ranges::find_if(
        drafts, [this](const Draft &draft) { return !m_base.isEmpty() && draft.copy.base == m_base; });
    std::optional<MailFields> restored;
    if (m_lock && own != drafts.end()) {
        restored = own->copy.fields;
        m_path = own->path;
        m_lock = std::move(own->lock);
        drafts.erase(own);
    }
    QStringList offered;
    for (auto draft = drafts.cbegin(); draft != drafts.cend() && offered.size() < mostOffered; ++draft)
        offered << draft->path;
    drafts.clear(); // their locks go, so that the window each is offered to can take it
    QStringList told;
    if (restored) {
        m_show(*restored);
        told << recoveryText(RecoveryText::Restored);
    }
    if (!setAside.isEmpty())
        told << recoveryText(RecoveryText::SetAside)
                    .arg(QDir::toNativeSeparators(QFileInfo(setAside.first()).absolutePath()),
                         QDir::toNativeSeparators(setAside.join(u'\n')));
    return {told.join(u"\n\n"_s), offered};
}

QString RecoveryCopy::recoverOffered(const QString &path)
{
    disown();
    m_touched = true; // a draft brought back is one even untouched
    // Only a copy of these folders, named as copies are, and not this window's own.
    const QFileInfo offered(path);
    const QString file = offered.absoluteFilePath();
    if (!m_lock || !m_folders.contains(offered.absolutePath()) || path == m_path
        || !QDir::match(pattern, offered.fileName()))
        return {};
    std::unique_ptr<FileLock> lock = lockFor(file);
    const std::optional<Content> copy = lock ? readCopy(file) : std::nullopt;
    if (!copy)
        return {};
    m_path = file;
    m_lock = std::move(lock);
    m_show(copy->fields);
    return recoveryText(RecoveryText::Offered);
}
