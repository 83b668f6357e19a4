#include "AddressFile.h"
#include "QSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
    void twoStoresKeepEachOthersAdditions();
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

QTEST_GUILESS_MAIN(TestAddressFile)
#include "tst_addressfile.moc"
