// The one way the program opens its own files, over every kind of thing
// that can stand in a file's place: nothing blocks, nothing is read without
// bound, and nothing is written through a link.
#include "common/FileLock.h"
#include "common/RegularFile.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;
using RegularFile::Links;
using RegularFile::Status;

constexpr qint64 largest = 1024;

class TestRegularFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void kinds_data();
    void kinds();
};

void TestRegularFile::kinds_data()
{
    QTest::addColumn<Status>("refusing"); // with links refused
    QTest::addColumn<Status>("following");
    QTest::newRow("regular") << Status::Regular << Status::Regular;
    QTest::newRow("missing") << Status::Missing << Status::Missing;
    QTest::newRow("link") << Status::Link << Status::Regular;
    QTest::newRow("dangling link") << Status::Link << Status::Missing;
    QTest::newRow("FIFO") << Status::Special << Status::Special;
    QTest::newRow("link to a FIFO") << Status::Link << Status::Special;
    QTest::newRow("link to /dev/zero") << Status::Link << Status::Special;
    QTest::newRow("huge") << Status::TooLarge << Status::TooLarge;
    QTest::newRow("folder") << Status::Special << Status::Special;
}

// Looked at, read, written over and locked: each on a fresh copy of the
// kind the row names.
void TestRegularFile::kinds()
{
    const QString kind = QString::fromUtf8(QTest::currentDataTag());
    QFETCH(Status, refusing);
    QFETCH(Status, following);
    for (const char *step : {"look", "write", "lock"}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"file"_s);
        QVERIFY(TestFiles::makeKind(path, kind, "target"_ba, qint64(3) * 1024 * 1024 * 1024));
        if (step == "look"_L1) {
            QCOMPARE(RegularFile::status(path, largest), refusing);
            QCOMPARE(RegularFile::status(path, largest, Links::Follow), following);
            QCOMPARE(RegularFile::read(path, largest).has_value(), refusing == Status::Regular);
            QCOMPARE(RegularFile::read(path, largest, Links::Follow).has_value(),
                     following == Status::Regular);
        } else if (step == "write"_L1) {
            // In place of the link, never through it; a folder stays a folder.
            QCOMPARE(RegularFile::write(path, "nuovo"_ba), kind != u"folder"_s);
            if (kind != u"folder"_s)
                QCOMPARE(RegularFile::read(path, largest), std::optional("nuovo"_ba));
        } else {
            // What is no lock file of ours goes aside, unread, and ours is made.
            FileLock lock(path);
            QVERIFY(lock.tryLock(0));
            QCOMPARE(RegularFile::status(path, std::numeric_limits<qint64>::max()), Status::Regular);
            QCOMPARE(QFileInfo::exists(path + u".bad"_s) || QFileInfo(path + u".bad"_s).isSymLink(),
                     refusing != Status::Regular && refusing != Status::Missing && kind != u"huge"_s);
            FileLock other(path);
            QVERIFY(!other.tryLock(0));
            lock.unlock();
            QVERIFY(other.tryLock(0)); // the file gone with the first, a new one taken
        }
        QCOMPARE(TestFiles::readFile(path + u".target"_s), "target"_ba);
        QCOMPARE(QDir(dir.path()).entryList({u"*.new-*"_s}, QDir::Files | QDir::System), QStringList());
    }
}

QTEST_GUILESS_MAIN(TestRegularFile)
#include "tst_regularfile.moc"
