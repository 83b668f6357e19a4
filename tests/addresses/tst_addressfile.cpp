#include "addresses/AddressFile.h"
#include "settings/QSettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

// The addresses' file beside a real settings file, in a temporary
// XDG_CONFIG_HOME emptied between cases.
class TestAddressFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void liesBesideSettingsPrivately();
    void damagedFileIsSetAside_data();
    void damagedFileIsSetAside();
    void fifoIsSetAsideUnread();
    void twoStoresKeepEachOthersAdditions();
    void twoProcessesAtOnce();
    void forgetAndLimit();

private:
    QString path() const { return AddressFile::besideSettings(QSettingsStore().fileName()); }

    QTemporaryDir m_config;
};

void TestAddressFile::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
}

void TestAddressFile::init()
{
    QDir dir(m_config.path());
    dir.removeRecursively();
    QVERIFY(QDir().mkpath(m_config.path()));
}

void TestAddressFile::liesBesideSettingsPrivately()
{
    QCOMPARE(path(), QDir(m_config.path()).filePath(u"KORVANE_CLIENT_STMP.addresses.json"_s));
    const AddressFile file(path());
    QVERIFY(file.read().isEmpty());
    QVERIFY(file.apply({{{u"Anna"_s, u"a@x.it"_s}}, {}}));
    const QFileDevice::Permissions ownerOnly
        = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;
    QCOMPARE(QFile::permissions(path()), ownerOnly);
    QCOMPARE(file.read(), (QList<AddressEntry>{{u"Anna"_s, u"a@x.it"_s}}));
}

void TestAddressFile::damagedFileIsSetAside_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("not JSON") << QByteArray("{\"format\": \"korvane-client-addre");
    QTest::newRow("someone else's JSON") << QByteArray(R"({"addresses": [{"address": "a@x.it"}]})");
    QTest::newRow("empty") << QByteArray();
}

void TestAddressFile::damagedFileIsSetAside()
{
    QFETCH(QByteArray, content);
    QFile damaged(path());
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(content);
    damaged.close();

    const AddressFile file(path());
    QVERIFY(file.read().isEmpty());
    QVERIFY(!QFile::exists(path()));
    QFile aside(path() + u".bad"_s);
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), content);
    // A second damaged file does not take the first one's place.
    QFile::copy(aside.fileName(), path());
    QVERIFY(file.read().isEmpty());
    QVERIFY(QFile::exists(path() + u".bad.1"_s));
}

// A FIFO in the file's place would block a read, and the window at its
// first key in an address box.
void TestAddressFile::fifoIsSetAsideUnread()
{
    QVERIFY(::mkfifo(QFile::encodeName(path()).constData(), 0600) == 0);
    QVERIFY(AddressFile(path()).read().isEmpty());
    QVERIFY(!QFileInfo::exists(path()));
    QVERIFY(QFileInfo(path() + u".bad"_s).exists());
}

void TestAddressFile::twoStoresKeepEachOthersAdditions()
{
    const AddressFile first(path());
    const AddressFile second(path());
    QVERIFY(first.apply({{{u"Anna"_s, u"a@x.it"_s}}, {}}));
    const auto both = second.apply({{{QString(), u"b@y.it"_s}, {QString(), u"A@X.IT"_s}}, {}});
    QVERIFY(both);
    // The name an address was sent with before stays when it comes back bare.
    const QList<AddressEntry> expected{{QString(), u"b@y.it"_s}, {u"Anna"_s, u"A@X.IT"_s}};
    QCOMPARE(*both, expected);
    QCOMPARE(first.read(), expected);
}

namespace {

constexpr int sendsEach = 40;

// A second window's part, in a process of its own: one send after another.
int sendFromAnotherWindow(const QString &path, const QString &name)
{
    const AddressFile file(path);
    for (int n = 0; n < sendsEach; ++n) {
        if (!file.apply({{{QString(), u"%1%2@x.it"_s.arg(name).arg(n)}}, {}}))
            return 1;
    }
    return 0;
}

} // namespace

// Each change is merged into the file as it is then, under its lock: two
// windows writing at the same time keep all of each other's addresses.
void TestAddressFile::twoProcessesAtOnce()
{
    QProcess windows[2];
    for (int i = 0; i < 2; ++i)
        windows[i].start(QCoreApplication::applicationFilePath(),
                         {u"--send-from"_s, path(), i == 0 ? u"a"_s : u"b"_s});
    for (QProcess &window : windows) {
        QVERIFY(window.waitForFinished(120000));
        QCOMPARE(window.exitCode(), 0);
    }
    QCOMPARE(AddressFile(path()).read().size(), 2 * sendsEach);
}

void TestAddressFile::forgetAndLimit()
{
    const AddressFile file(path());
    AddressFile::Change many;
    for (int n = 0; n < AddressFile::limit + 5; ++n)
        many.used << AddressEntry{QString(), u"u%1@x.it"_s.arg(n)};
    QVERIFY(file.apply(many));
    QList<AddressEntry> kept = file.read();
    QCOMPARE(kept.size(), AddressFile::limit);
    QCOMPARE(kept.first().address, u"u0@x.it"_s);

    QVERIFY(file.apply({{}, u"U0@x.it"_s}));
    kept = file.read();
    QCOMPARE(kept.size(), AddressFile::limit - 1);
    QCOMPARE(kept.first().address, u"u1@x.it"_s);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArrayView(argv[1]) == "--send-from")
        return sendFromAnotherWindow(QFile::decodeName(argv[2]), QString::fromLocal8Bit(argv[3]));
    TestAddressFile test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_addressfile.moc"
