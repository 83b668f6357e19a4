// The recovery copy's files: what comes back from them, which of several
// left over is taken, and the writer's order of writes and removals.
#include "RecoveryFolder.h"
#include "RecoveryFormat.h"
#include "RecoveryWriter.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

using TestFiles::readFile;
using TestFiles::writeFile;

FormFields sample(const QString &subject)
{
    FormFields f;
    f.server = u"smtp.example.it:587"_s;
    f.sender = u"Mario Rossi <mario@example.it>"_s;
    f.recipient = u"anna@example.org, \"Rossi, Luca\" <luca@example.org>"_s;
    f.attachments = u"/tmp/a b.pdf; /tmp/c.txt"_s;
    f.subject = subject;
    f.body = u"  rientro\r\nseconda riga\t\n\n"_s + QChar(0) + u"fine  "_s;
    f.priorityIndex = 2;
    return f;
}

QByteArray copyOf(const QString &subject, qint64 takenAtMs)
{
    return RecoveryFormat::encode({sample(subject), takenAtMs});
}

const QString prefix = u"KORVANE_CLIENT_STMP.recovery-"_s;

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formatRoundTrip();
    void formatRefuses_data();
    void formatRefuses();
    void takeLeftover_data();
    void takeLeftover();
    void writer_data();
    void writer();
};

void TestRecovery::formatRoundTrip()
{
    FormFields large = sample(u"grande"_s);
    large.body = QString(qsizetype(5) * 1000 * 1000, u'è');
    for (const FormFields &fields : {sample(u"Preventivo caffè"_s), large, FormFields()}) {
        const std::optional<RecoveryFormat::Copy> back
            = RecoveryFormat::decode(RecoveryFormat::encode({fields, 1765000000123}));
        QVERIFY(back);
        QVERIFY(back->fields == fields);
        QCOMPARE(back->takenAtMs, 1765000000123);
    }
}

void TestRecovery::formatRefuses_data()
{
    QTest::addColumn<QByteArray>("data");
    const QByteArray whole = copyOf(u"x"_s, 7);
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("cut short") << whole.left(whole.size() - 3);
    QTest::newRow("not an object") << "[1, 2]"_ba;
    QTest::newRow("another format") << QByteArray(whole).replace("recovery 1", "recovery 2");
    QTest::newRow("a text missing") << QByteArray(whole).replace("\"subject\"", "\"soggetto\"");
    QTest::newRow("a text as a number") << QByteArray(whole).replace("\"subject\":\"x\"", "\"subject\":3");
    QTest::newRow("priority 3") << QByteArray(whole).replace("\"priorityIndex\":2", "\"priorityIndex\":3");
    QTest::newRow("priority 1.5") << QByteArray(whole).replace("\"priorityIndex\":2",
                                                               "\"priorityIndex\":1.5");
    QTest::newRow("no time") << QByteArray(whole).replace("\"takenAtMs\"", "\"presoAlle\"");
}

void TestRecovery::formatRefuses()
{
    QFETCH(QByteArray, data);
    QVERIFY(!RecoveryFormat::decode(data));
}

void TestRecovery::takeLeftover_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<QByteArray>>("contents");
    QTest::addColumn<QStringList>("held");  // by a run still open
    QTest::addColumn<QString>("taken");     // the subject; empty when none
    QTest::addColumn<QStringList>("after"); // the folder's files, locks aside

    const QString a = prefix + u"11-1.json"_s;
    const QString b = prefix + u"22-2.json"_s;
    const QString c = prefix + u"33-3.json"_s;
    QTest::newRow("nothing left") << QStringList() << QList<QByteArray>() << QStringList() << QString()
                                  << QStringList();
    QTest::newRow("one copy") << QStringList{a} << QList<QByteArray>{copyOf(u"a"_s, 5)} << QStringList()
                              << u"a"_s << QStringList{a};
    QTest::newRow("the newest of three, the others aside")
        << QStringList{a, b, c} << QList<QByteArray>{copyOf(u"a"_s, 3), copyOf(u"b"_s, 9), copyOf(u"c"_s, 5)}
        << QStringList() << u"b"_s << QStringList{a + u".old"_s, b, c + u".old"_s};
    QTest::newRow("garbage aside, the good one taken")
        << QStringList{a, b} << QList<QByteArray>{"\x00\x01garbage"_ba, copyOf(u"b"_s, 1)} << QStringList()
        << u"b"_s << QStringList{a + u".bad"_s, b};
    QTest::newRow("an empty file aside") << QStringList{a} << QList<QByteArray>{QByteArray()} << QStringList()
                                         << QString() << QStringList{a + u".bad"_s};
    QTest::newRow("a copy of a window still open stays")
        << QStringList{a, b} << QList<QByteArray>{copyOf(u"a"_s, 9), copyOf(u"b"_s, 1)} << QStringList{a}
        << u"b"_s << QStringList{a, b};
    QTest::newRow("only an open window's copy") << QStringList{a} << QList<QByteArray>{"not yet written"_ba}
                                                << QStringList{a} << QString() << QStringList{a};
    QTest::newRow("other files are no copies")
        << QStringList{u"KORVANE_CLIENT_STMP.ini"_s, prefix + u"1-1.json.bad"_s}
        << QList<QByteArray>{copyOf(u"a"_s, 1), copyOf(u"b"_s, 1)} << QStringList() << QString()
        << QStringList{u"KORVANE_CLIENT_STMP.ini"_s, prefix + u"1-1.json.bad"_s};
}

void TestRecovery::takeLeftover()
{
    QFETCH(QStringList, names);
    QFETCH(QList<QByteArray>, contents);
    QFETCH(QStringList, held);
    QFETCH(QString, taken);
    QFETCH(QStringList, after);
    QTemporaryDir config;
    QVERIFY(config.isValid());
    for (qsizetype i = 0; i < names.size(); ++i)
        writeFile(config.filePath(names.at(i)), contents.at(i));
    std::vector<std::unique_ptr<QLockFile>> locks;
    for (const QString &name : held) {
        locks.push_back(std::make_unique<QLockFile>(config.filePath(name + u".lock"_s)));
        QVERIFY(locks.back()->tryLock(0));
    }

    {
        RecoveryFolder folder(config.filePath(u"KORVANE_CLIENT_STMP.ini"_s));
        QVERIFY(!folder.ownPath().isEmpty());
        const std::optional<RecoveryFolder::Leftover> leftover = folder.takeLeftover();
        QCOMPARE(leftover ? leftover->fields.subject : QString(), taken);
        if (leftover)
            QVERIFY(leftover->fields == sample(taken));
        // A second look, as another window starting now would take: the one
        // taken is held.
        RecoveryFolder other(config.filePath(u"KORVANE_CLIENT_STMP.ini"_s));
        QVERIFY(!other.ownPath().isEmpty());
        QVERIFY(!other.takeLeftover());
    }
    QStringList files = QDir(config.path()).entryList(QDir::Files);
    files.removeIf([](const QString &name) { return name.endsWith(u".lock"_s); });
    QCOMPARE(files, after);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString &name = names.at(i);
        const QString now = files.contains(name) ? name : files.filter(name).value(0);
        QCOMPARE(readFile(config.filePath(now)), contents.at(i)); // nothing changed, nothing lost
    }
    locks.clear();
    QCOMPARE(QDir(config.path()).entryList({u"*.lock"_s}, QDir::Files), QStringList());
}

void TestRecovery::writer_data()
{
    QTest::addColumn<QStringList>("steps"); // "write SUBJECT", "then SUBJECT", "remove"
    QTest::addColumn<QString>("copy");      // the subject the file holds at the end; empty: no file
    QTest::addColumn<bool>("earlierKept");  // the file an earlier run left

    QTest::newRow("written") << QStringList{u"write a"_s} << u"a"_s << true;
    QTest::newRow("the last of several")
        << QStringList{u"write a"_s, u"write b"_s, u"write c"_s} << u"c"_s << true;
    QTest::newRow("an earlier run's copy goes once this one is written")
        << QStringList{u"then a"_s} << u"a"_s << false;
    QTest::newRow("removed") << QStringList{u"write a"_s, u"remove"_s} << QString() << true;
    QTest::newRow("removed with the earlier run's copy")
        << QStringList{u"then a"_s, u"remove"_s} << QString() << false;
    QTest::newRow("written again after a removal")
        << QStringList{u"write a"_s, u"remove"_s, u"write b"_s} << u"b"_s << true;
}

// The writer is destroyed right after the steps: what was asked is done by
// then, whatever the thread had reached.
void TestRecovery::writer()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, copy);
    QFETCH(bool, earlierKept);
    QTemporaryDir config;
    QVERIFY(config.isValid());
    const QString path = config.filePath(prefix + u"1-1.json"_s);
    const QString earlier = config.filePath(prefix + u"2-2.json"_s);
    writeFile(earlier, "earlier"_ba);
    {
        RecoveryWriter writer(path);
        for (const QString &step : steps) {
            FormFields fields = sample(step.section(u' ', 1));
            fields.body += QString(qsizetype(2) * 1000 * 1000, u'x'); // a write that takes a while
            // The body in pieces, as the window hands it over.
            const QStringList pieces{fields.body.left(1000), fields.body.mid(1000)};
            fields.body.clear();
            if (step.startsWith(u"write"_s))
                writer.write({fields, 1}, pieces);
            else if (step.startsWith(u"then"_s))
                writer.write({fields, 1}, pieces, {earlier});
            else
                writer.remove();
        }
    }
    QCOMPARE(QFile::exists(earlier), earlierKept);
    if (copy.isEmpty()) {
        QVERIFY(!QFile::exists(path));
        return;
    }
    const std::optional<RecoveryFormat::Copy> written = RecoveryFormat::decode(readFile(path));
    QVERIFY(written);
    QCOMPARE(written->fields.subject, copy);
    QVERIFY(written->fields.body.startsWith(sample(copy).body + u"xx"_s));
    QCOMPARE(QFile::permissions(path) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
}

QTEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
