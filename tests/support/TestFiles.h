#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTest>

#include <sys/stat.h>

// Whole files, as tests set them up and read them back.
namespace TestFiles {

// Writes contents to path, replacing it; a failure fails the test.
inline void writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(contents), contents.size());
}

// The file's bytes, or none when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Puts at path what a row names, for the things that can stand in a file's
// place: "regular" (a copy of path + ".target", a file holding content, made
// for every kind), "link" (relative, to it), "dangling link", "FIFO", "link
// to a FIFO", "link to /dev/zero", "huge" (sparse, hugeSize bytes), "folder";
// "missing" puts nothing. False when it could not.
inline bool makeKind(const QString &path, QStringView kind, const QByteArray &content, qint64 hugeSize)
{
    const QString target = path + QStringLiteral(".target");
    const QString fifo = kind == u"FIFO" ? path : path + QStringLiteral(".fifo");
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return false;
    file.close();
    QFile huge(path);
    if (kind == u"FIFO" || kind == u"link to a FIFO")
        return ::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0
            && (kind == u"FIFO" || QFile::link(QFileInfo(fifo).fileName(), path));
    if (kind == u"regular" || kind == u"link")
        return kind == u"link" ? QFile::link(QFileInfo(target).fileName(), path) : QFile::copy(target, path);
    if (kind == u"dangling link" || kind == u"link to /dev/zero")
        return QFile::link(kind == u"dangling link" ? QStringLiteral("nowhere") : QStringLiteral("/dev/zero"),
                           path);
    if (kind == u"huge")
        return huge.open(QIODevice::WriteOnly) && huge.resize(hugeSize);
    return kind == u"folder" ? QDir().mkpath(path) : kind == u"missing";
}

} // namespace TestFiles
