#include "settings/QSettingsStore.h"
#include "settings/SavedFields.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// QSettings fixes its directories on first use, so the whole test shares one
// temporary XDG_CONFIG_HOME and removes the file between cases.
class TestQSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void fileIsPerUserIniOwnerOnly();
    void roundTripKeepsEveryCharacter_data();
    void roundTripKeepsEveryCharacter();
    void readsHandEditedValues_data();
    void readsHandEditedValues();
    void nonTextValueIsAFailedRead();
    void loosenedFileIsTightened();
    void unsavableFileReportsFailure();

private:
    QString iniPath() const { return m_config.filePath(u"KORVANE_CLIENT_STMP.ini"_s); }
    void writeIni(const QByteArray &contents);
    QFile::Permissions permissions() const;

    QTemporaryDir m_config;
};

void TestQSettingsStore::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
}

void TestQSettingsStore::init()
{
    QFile::remove(iniPath());
    QDir(iniPath()).removeRecursively();
}

void TestQSettingsStore::writeIni(const QByteArray &contents)
{
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
}

// Without the "user" flags, which only repeat the owner's for the file's owner.
QFile::Permissions TestQSettingsStore::permissions() const
{
    return QFile::permissions(iniPath()) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

void TestQSettingsStore::fileIsPerUserIniOwnerOnly()
{
    QSettingsStore store;
    QCOMPARE(store.fileName(), iniPath());
    QVERIFY(store.write(u"STMP"_s, u"SERVER"_s, u"smtp.example.org"_s));
    QCOMPARE(permissions(), QFile::ReadOwner | QFile::WriteOwner);

    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "[STMP]\nSERVER=smtp.example.org\n"_ba);
}

void TestQSettingsStore::roundTripKeepsEveryCharacter_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("commas and semicolons") << u"a@b.it, c@d.it; e=f"_s;
    QTest::newRow("quotes") << u"\"citato\" e 'apici'"_s;
    QTest::newRow("at first") << u"@Variant(pippo)"_s;
    QTest::newRow("backslashes") << u"C:\\Documenti\\file.txt \\n"_s;
    QTest::newRow("line breaks") << u"riga 1\nriga 2\r\nriga 3\r"_s;
    QTest::newRow("tabs") << u"\tcolonna\tcolonna\t"_s;
    QTest::newRow("non-ASCII") << u"Priorità è così — 日本 😀"_s;
    QTest::newRow("a bit of everything") << u"@\"x, \\y\";\n\tà"_s;
}

void TestQSettingsStore::roundTripKeepsEveryCharacter()
{
    QFETCH(QString, text);

    MailFields stored;
    for (QString MailFields::*field :
         {&MailFields::server, &MailFields::sender, &MailFields::recipient, &MailFields::cc, &MailFields::bcc,
          &MailFields::attachments, &MailFields::subject, &MailFields::body})
        stored.*field = text;
    stored.priorityIndex = 2;
    {
        QSettingsStore store;
        SavedFields::StoreFields(store, stored);
    }
    QSettingsStore store;
    MailFields restored;
    SavedFields::RestoreFields(store, restored);
    QCOMPARE(restored, stored);
}

void TestQSettingsStore::readsHandEditedValues_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("value");

    QTest::newRow("unquoted list is joined back") << "SERVER=a@b.it, c@d.it"_ba << u"a@b.it, c@d.it"_s;
    QTest::newRow("quoted") << "SERVER=\"  x  \""_ba << u"  x  "_s;
    QTest::newRow("invalid reads as nothing stored") << "SERVER=@Invalid()"_ba << QString();
    QTest::newRow("byte array as UTF-8") << "SERVER=@ByteArray(\\xc3\\xa0)"_ba << u"à"_s;
    QTest::newRow("missing") << "ALTRO=1"_ba << QString();
}

void TestQSettingsStore::readsHandEditedValues()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, value);

    writeIni("[STMP]\n" + line + "\n");
    QSettingsStore store;
    QCOMPARE(store.read(u"STMP"_s, u"SERVER"_s), std::optional<QString>(value));
}

void TestQSettingsStore::nonTextValueIsAFailedRead()
{
    writeIni("[STMP]\nSERVER=@Point(1 2)\n");
    QSettingsStore store;
    QCOMPARE(store.read(u"STMP"_s, u"SERVER"_s), std::nullopt);
}

void TestQSettingsStore::loosenedFileIsTightened()
{
    writeIni("[STMP]\nSERVER=x\n");
    QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    QSettingsStore store;
    QVERIFY(store.write(u"STMP"_s, u"SERVER"_s, u"y"_s));
    QCOMPARE(permissions(), QFile::ReadOwner | QFile::WriteOwner);
}

void TestQSettingsStore::unsavableFileReportsFailure()
{
    QVERIFY(QDir().mkpath(iniPath())); // a directory where the file should be
    QSettingsStore store;
    QVERIFY(!store.write(u"STMP"_s, u"SERVER"_s, u"x"_s));
}

QTEST_GUILESS_MAIN(TestQSettingsStore)
#include "tst_qsettingsstore.moc"
