#include "QSettingsStore.h"

#include "SettingsTexts.h"
#include "common/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>

namespace {

using namespace Qt::StringLiterals;

QString settingsKey(const QString &section, const QString &key) { return section + u'/' + key; }

// Where QSettings itself would keep the file.
QString settingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + u"/KORVANE_CLIENT_STMP.ini"_s;
}

// QSettings reads and writes only a private copy, in a folder of this run's
// own (owner-only, a new name each time): nothing there can be a FIFO, a
// device or a link someone put in the way.
struct PrivateIni
{
    QTemporaryDir folder;
    QString path() const { return folder.filePath(u"settings.ini"_s); }
};

std::optional<QMap<QString, QVariant>> parse(const QByteArray &data)
{
    const PrivateIni ini;
    if (!ini.folder.isValid() || !RegularFile::write(ini.path(), data))
        return std::nullopt;
    const QSettings settings(ini.path(), QSettings::IniFormat);
    QMap<QString, QVariant> values;
    for (const QString &key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

std::optional<QByteArray> format(const QMap<QString, QVariant> &values)
{
    const PrivateIni ini;
    if (!ini.folder.isValid())
        return std::nullopt;
    {
        QSettings settings(ini.path(), QSettings::IniFormat);
        for (auto value = values.cbegin(); value != values.cend(); ++value)
            settings.setValue(value.key(), value.value());
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return std::nullopt;
    }
    return values.isEmpty() ? QByteArray() : RegularFile::read(ini.path(), QSettingsStore::largestFile);
}

QString writeFailure(int error)
{
    if (error == ENOSPC || error == EDQUOT)
        return settingsText(SettingsText::DiskFull);
    if (error == EACCES || error == EPERM || error == EROFS)
        return settingsText(SettingsText::FolderReadOnly);
    return settingsText(SettingsText::NotWritten);
}

} // namespace

QSettingsStore::QSettingsStore() : m_path(settingsPath())
{
    const RegularFile::Status status = RegularFile::status(m_path, largestFile, RegularFile::Links::Follow);
    // A folder there is not the program's to move: only its saves fail.
    if (status == RegularFile::Status::Missing || QFileInfo(m_path).isDir() || reload())
        return;
    // Anything else that cannot be read goes out of the way, unread, and is
    // never replaced unseen.
    const QString aside = RegularFile::keepAside(m_path, u".bad"_s);
    m_notice = settingsText(SettingsText::SetAside)
                   .arg(QDir::toNativeSeparators(m_path), QDir::toNativeSeparators(aside), m_failure);
}

bool QSettingsStore::reload()
{
    using RegularFile::Status;
    const Status status = RegularFile::status(m_path, largestFile, RegularFile::Links::Follow);
    if (status == Status::Missing) {
        m_values.clear();
        return true;
    }
    const std::optional<QByteArray> data = status == Status::Regular
        ? RegularFile::read(m_path, largestFile, RegularFile::Links::Follow)
        : std::nullopt;
    std::optional<QMap<QString, QVariant>> values = data ? parse(*data) : std::nullopt;
    if (!values) {
        m_failure = RegularFile::describe(status == Status::Regular ? Status::Unreadable : status);
        return false;
    }
    m_values = std::move(*values);
    return true;
}

std::optional<QString> QSettingsStore::read(const QString &section, const QString &key)
{
    const QVariant value = m_values.value(settingsKey(section, key));
    // Missing, or "@Invalid()" written by hand: nothing stored.
    if (!value.isValid())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QStringList:
        // An unquoted "a, b" edited into the file reads as a list; the
        // separator is all that can be lost by joining it back.
        return value.toStringList().join(u", "_s);
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
    m_values.insert(settingsKey(section, key), text);
    return m_holding || save();
}

void QSettingsStore::remove(const QString &section, const QString &key)
{
    m_values.remove(settingsKey(section, key));
    if (!m_holding)
        save();
}

bool QSettingsStore::endSave()
{
    m_holding = false;
    return save();
}

// The whole file at once, never through anything but a regular file: a
// link is followed to the file it names, which is then the one replaced.
bool QSettingsStore::save()
{
    using RegularFile::Status;
    const Status status = RegularFile::status(m_path, largestFile, RegularFile::Links::Follow);
    const QFileInfo info(m_path);
    if (status != Status::Missing && (status != Status::Regular || !info.isReadable())) {
        m_failure = RegularFile::describe(status == Status::Regular ? Status::Unreadable : status);
        return false;
    }
    const QString target = info.isSymLink() && status == Status::Regular ? info.canonicalFilePath() : m_path;
    const std::optional<QByteArray> data = format(m_values);
    if (!data) {
        m_failure = settingsText(SettingsText::NotWritten);
        return false;
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    if (!RegularFile::write(target, *data)) {
        m_failure = writeFailure(errno);
        return false;
    }
    m_failure.clear();
    return true;
}
