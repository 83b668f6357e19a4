#include "QSettingsStore.h"

#include "RegularFile.h"
#include "SettingsTexts.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace {

constexpr auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

const auto applicationName = QStringLiteral("KORVANE_CLIENT_STMP");

QString settingsKey(const QString &section, const QString &key) { return section + u'/' + key; }

// Where QSettings keeps the file, known before QSettings opens it.
QString settingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' + applicationName
        + QStringLiteral(".ini");
}

// QSettings would wait on a FIFO for ever, read a device without end: a
// FIFO, a device or a file too big for the fields goes out of the way, unread.
QString setAsideIfStrange(const QString &path)
{
    const RegularFile::Status status
        = RegularFile::status(path, QSettingsStore::largestFile, RegularFile::Links::Follow);
    // A folder there is only unreadable, and not the program's to move.
    if (status == RegularFile::Status::Regular || status == RegularFile::Status::Missing
        || QFileInfo(path).isDir())
        return {};
    const QString aside = RegularFile::keepAside(path, QStringLiteral(".bad"));
    return settingsText(SettingsText::SetAside)
        .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(aside), RegularFile::describe(status));
}

} // namespace

QSettingsStore::QSettingsStore()
    : m_notice(setAsideIfStrange(settingsPath())),
      m_settings(QSettings::IniFormat, QSettings::UserScope, applicationName)
{}

QString QSettingsStore::fileName() const { return m_settings.fileName(); }

std::optional<QString> QSettingsStore::read(const QString &section, const QString &key)
{
    if (m_settings.status() == QSettings::AccessError)
        return std::nullopt;
    const QVariant value = m_settings.value(settingsKey(section, key));
    // Missing, or "@Invalid()" written by hand: nothing stored.
    if (!value.isValid())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QStringList:
        // An unquoted "a, b" edited into the file reads as a list; the
        // separator is all that can be lost by joining it back.
        return value.toStringList().join(QStringLiteral(", "));
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    default:
        break;
    }
    // "@Variant(...)" of some other type: a number still makes sense as text,
    // anything else is not a value this program wrote.
    if (!value.canConvert<QString>())
        return std::nullopt;
    return value.toString();
}

bool QSettingsStore::write(const QString &section, const QString &key, const QString &text)
{
    createPrivately();
    m_settings.setValue(settingsKey(section, key), text);
    return m_holding || sync();
}

void QSettingsStore::remove(const QString &section, const QString &key)
{
    m_settings.remove(settingsKey(section, key));
    if (!m_holding)
        sync();
}

void QSettingsStore::beginSave() { m_holding = true; }

bool QSettingsStore::endSave()
{
    m_holding = false;
    return sync();
}

bool QSettingsStore::sync()
{
    clearLock();
    m_settings.sync();
    const bool saved = m_settings.status() == QSettings::NoError;
    // A file that was created or loosened by other means is tightened again.
    QFile::setPermissions(m_settings.fileName(), ownerOnly);
    return saved;
}

// QSettings locks the file with a lock file holding its process id, which
// it reads to judge whether the lock is stale. A program killed between
// creating that file and writing the id leaves it empty, and Qt then cannot
// tell that its owner is gone: the next save would wait 30 s for the lock
// to go stale, freezing the window as it closes. The id follows creation
// within microseconds, so an empty lock older than a second was left
// behind. And a FIFO there would keep Qt's read waiting for ever, a device
// reading without end: anything but a regular file goes out of the way.
void QSettingsStore::clearLock() const
{
    const QString path = m_settings.fileName() + QStringLiteral(".lock");
    const RegularFile::Status status = RegularFile::status(path, 4096);
    if (status == RegularFile::Status::Missing)
        return;
    if (status != RegularFile::Status::Regular) {
        RegularFile::keepAside(path, QStringLiteral(".bad"));
        return;
    }
    const QFileInfo lock(path);
    if (lock.size() == 0 && lock.lastModified().msecsTo(QDateTime::currentDateTime()) > 1000)
        QFile::remove(path);
}

// The file is replaced on every save by one that keeps the old file's
// permissions, so creating it owner-only first means it is never readable by
// others, not even between a save and a change of mode.
void QSettingsStore::createPrivately()
{
    const QString path = m_settings.fileName();
    if (QFileInfo::exists(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly);
}
