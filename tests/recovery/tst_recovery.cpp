// The recovery copy's files: what comes back from them, which of several
// left over is taken, and the writer's order of writes and removals.
#include "FileLock.h"
#include "RecoveryFolder.h"
#include "RecoveryFormat.h"
#include "RecoveryOrder.h"
#include "RecoveryWriter.h"
#include "TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

using TestFiles::readFile;
using TestFiles::writeFile;

MailFields sample(const QString &subject)
{
    MailFields f;
    f.server = u"smtp.example.it:587"_s;
    f.sender = u"Mario Rossi <mario@example.it>"_s;
    f.recipient = u"anna@example.org, \"Rossi, Luca\" <luca@example.org>"_s;
    f.attachments = u"/tmp/a b.pdf; /tmp/c.txt"_s;
    f.subject = subject;
    f.body = u"  rientro\r\nseconda riga\t\n\n"_s + QChar(0) + u"fine  "_s;
    f.priorityIndex = 2;
    return f;
}

QByteArray copyOf(const QString &subject, qint64 takenAtMs, qint64 order = 0, bool stored = false,
                  bool sent = false)
{
    return RecoveryFormat::encode({sample(subject), takenAtMs, order, stored, sent});
}

// As an earlier version wrote it: no order, no mark.
QByteArray unnumbered(const QString &subject, qint64 takenAtMs)
{
    QJsonObject object = QJsonDocument::fromJson(copyOf(subject, takenAtMs)).object();
    object.remove(u"order"_s);
    object.remove(u"stored"_s);
    return QJsonDocument(object).toJson();
}

// The settings hold what a copy with this subject has.
bool holdsKept(const MailFields &fields) { return fields.subject == u"kept"_s; }

const QString prefix = u"KORVANE_CLIENT_STMP.recovery-"_s;

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formatRoundTrip();
    void formatReadsEarlierCopies();
    void formatRefuses_data();
    void formatRefuses();
    void formatReadsOtherVersions_data();
    void formatReadsOtherVersions();
    void takeLeftovers_data();
    void takeLeftovers();
    void strangeFiles_data();
    void strangeFiles();
    void writer_data();
    void writer();
    void order();
    void orderRead_data();
    void orderRead();
};

void TestRecovery::formatRoundTrip()
{
    MailFields large = sample(u"grande"_s);
    large.body = QString(qsizetype(5) * 1000 * 1000, u'è');
    for (const MailFields &fields : {sample(u"Preventivo caffè"_s), large, MailFields()}) {
        const std::optional<RecoveryFormat::Copy> back
            = RecoveryFormat::decode(RecoveryFormat::encode({fields, 1765000000123, 4503599627370496, true}));
        QVERIFY(back);
        QVERIFY(back->fields == fields);
        QCOMPARE(back->takenAtMs, 1765000000123);
        QCOMPARE(back->order, 4503599627370496);
        QVERIFY(back->stored);
    }
}

// A copy as the program has always written it: each key fills its own field.
void TestRecovery::formatReadsEarlierCopies()
{
    const QByteArray earlier
        = "{\"attachments\":\"/tmp/a.pdf\",\"bcc\":\"b@x.it\",\"body\":\"  corpo\\n\",\"cc\":\"c@x.it\","
          "\"format\":\"korvane-client recovery 1\",\"order\":3,\"priorityIndex\":0,\"recipient\":\"d@x.it\","
          "\"sender\":\"m@x.it\",\"server\":\"smtp.x.it\",\"stored\":false,\"subject\":\"Oggetto\","
          "\"takenAtMs\":1765000000123}"_ba;
    const std::optional<RecoveryFormat::Copy> copy = RecoveryFormat::decode(earlier);
    QVERIFY(copy);
    const MailFields expected{u"smtp.x.it"_s, u"m@x.it"_s,    u"d@x.it"_s,
                              u"c@x.it"_s,    u"b@x.it"_s,    u"/tmp/a.pdf"_s,
                              u"Oggetto"_s,   u"  corpo\n"_s, 0};
    QVERIFY(copy->fields == expected);
    QCOMPARE(copy->order, 3);
}

void TestRecovery::formatRefuses_data()
{
    QTest::addColumn<QByteArray>("data");
    const QByteArray whole = copyOf(u"x"_s, 7);
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("cut short") << whole.left(whole.size() - 3);
    QTest::newRow("not an object") << "[1, 2]"_ba;
    QTest::newRow("another format") << QByteArray(whole).replace("recovery 1", "recovery 2");
}

void TestRecovery::formatRefuses()
{
    QFETCH(QByteArray, data);
    QVERIFY(!RecoveryFormat::decode(data));
}

// A copy of another version: what it lacks or holds otherwise is empty (the
// usual priority, no order), what it has besides is left aside.
void TestRecovery::formatReadsOtherVersions_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<int>("priority");
    QTest::addColumn<qint64>("order");
    const auto row = [](const char *tag, const char *from, const char *to, const QString &subject,
                        int priority, qint64 order) {
        QTest::newRow(tag) << QByteArray(from) << QByteArray(to) << subject << priority << order;
    };
    row("a text missing", "\"subject\"", "\"soggetto\"", QString(), 2, 5);
    row("a text as a number", "\"subject\":\"x\"", "\"subject\":3", QString(), 2, 5);
    row("priority 3", "\"priorityIndex\":2", "\"priorityIndex\":3", u"x"_s, 1, 5);
    row("priority 1.5", "\"priorityIndex\":2", "\"priorityIndex\":1.5", u"x"_s, 1, 5);
    row("a key of a later version", "{", "{\"firma\":\"Mario\",", u"x"_s, 2, 5);
    row("order below 0", "\"order\":5", "\"order\":-1", u"x"_s, 2, 0);
    row("order 2.5", "\"order\":5", "\"order\":2.5", u"x"_s, 2, 0);
    row("order as text", "\"order\":5", "\"order\":\"5\"", u"x"_s, 2, 0);
    row("order 9e15", "\"order\":5", "\"order\":9000000000000001", u"x"_s, 2, 9000000000000001);
    row("order past 2^53", "\"order\":5", "\"order\":1e300", u"x"_s, 2, 0);
    row("mark as text", "\"stored\":false", "\"stored\":\"no\"", u"x"_s, 2, 5);
}

void TestRecovery::formatReadsOtherVersions()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, subject);
    QFETCH(int, priority);
    QFETCH(qint64, order);
    const QByteArray whole = copyOf(u"x"_s, 7, 5);
    QVERIFY(whole.contains(from));
    const std::optional<RecoveryFormat::Copy> copy
        = RecoveryFormat::decode(QByteArray(whole).replace(from, to));
    QVERIFY(copy);
    QCOMPARE(copy->fields.subject, subject);
    QCOMPARE(copy->fields.priorityIndex, priority);
    QCOMPARE(copy->order, order);
    QCOMPARE(copy->fields.recipient, sample(u"x"_s).recipient);
}

// A table: its rows read best side by side.
// NOLINTNEXTLINE(readability-function-size)
void TestRecovery::takeLeftovers_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<QByteArray>>("contents");
    QTest::addColumn<QStringList>("held");     // by a window still open
    QTest::addColumn<qint64>("settingsOrder"); // of the settings' last store
    QTest::addColumn<QString>("taken");        // the subject; empty when none
    QTest::addColumn<QStringList>("offered");  // the subjects, newest first
    QTest::addColumn<QStringList>("after");    // the folder's files, locks aside

    const QString a = prefix + u"11-1.json"_s;
    const QString b = prefix + u"22-2.json"_s;
    const QString c = prefix + u"33-3.json"_s;
    const QString ini = u"KORVANE_CLIENT_STMP.ini"_s;
    using Names = QStringList;
    const auto row
        = [](const char *tag, const Names &names, const QList<QByteArray> &contents, const Names &held,
             qint64 settingsOrder, const QString &taken, const Names &offered, const Names &after) {
              QTest::newRow(tag) << names << contents << held << settingsOrder << taken << offered << after;
          };
    row("nothing left", {}, {}, {}, 0, {}, {}, {});
    row("one copy", {a}, {copyOf(u"a"_s, 5, 3)}, {}, 2, u"a"_s, {}, {a});
    row("the newest of three by order, whatever the clock, the others offered", {a, b, c},
        {copyOf(u"a"_s, 99, 3), copyOf(u"b"_s, 1, 9), copyOf(u"c"_s, 5, 5)}, {}, 0, u"b"_s, {u"c"_s, u"a"_s},
        {a, b, c});
    row("older than the settings' last store, offered", {a}, {copyOf(u"a"_s, 99, 4)}, {}, 6, {}, {u"a"_s},
        {a});
    row("stored by a close, still in the settings: gone", {a}, {copyOf(u"kept"_s, 1, 4, true)}, {}, 4, {}, {},
        {});
    row("stored by a close, since stored over: offered", {a, b},
        {copyOf(u"a"_s, 1, 4, true), copyOf(u"kept"_s, 1, 5, true)}, {}, 5, {}, {u"a"_s}, {a});
    row("a message sent and not changed after: gone", {a, b},
        {copyOf(u"a"_s, 1, 7, false, true), copyOf(u"b"_s, 1, 4, true, true)}, {}, 5, {}, {}, {});
    row("copies of an earlier version against settings of one", {a, b},
        {unnumbered(u"a"_s, 3), unnumbered(u"b"_s, 9)}, {}, 0, u"b"_s, {u"a"_s}, {a, b});
    row("garbage aside, the good one taken", {a, b}, {"\x00\x01garbage"_ba, copyOf(u"b"_s, 1, 1)}, {}, 0,
        u"b"_s, {}, {a + u".bad"_s, b});
    row("an empty file aside", {a}, {QByteArray()}, {}, 0, {}, {}, {a + u".bad"_s});
    row("a copy of a window still open stays", {a, b}, {copyOf(u"a"_s, 9, 9), copyOf(u"b"_s, 1, 1)}, {a}, 0,
        u"b"_s, {}, {a, b});
    row("only an open window's copy", {a}, {"not yet written"_ba}, {a}, 0, {}, {}, {a});
    const Names others{ini, prefix + u"1-1.json.bad"_s, prefix + u"order"_s};
    row("other files are no copies", others, {copyOf(u"a"_s, 1), copyOf(u"b"_s, 1), "12\n"_ba}, {}, 0, {}, {},
        others);
}

namespace {

// What the folder holds after a look: the files expected, every one renamed
// named to the user, and no file's content changed.
void checkFolderAfter(const QString &folder, const QStringList &names, const QList<QByteArray> &contents,
                      const QStringList &after, QStringList told)
{
    QStringList files = QDir(folder).entryList(QDir::Files);
    files.removeIf([](const QString &name) { return name.endsWith(u".lock"_s); });
    QCOMPARE(files, after);
    QStringList setAside = after.filter(QRegularExpression(u"\\.(old|bad)$"_s));
    setAside.removeIf([&names](const QString &name) { return names.contains(name); });
    told.sort();
    QCOMPARE(told, setAside); // every one renamed is named to the user
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString &name = names.at(i);
        const QString now = files.contains(name) ? name : files.filter(name).value(0);
        if (!now.isEmpty())
            QCOMPARE(readFile(QDir(folder).filePath(now)), contents.at(i)); // nothing changed
    }
}

} // namespace

void TestRecovery::takeLeftovers()
{
    QFETCH(QStringList, names);
    QFETCH(QList<QByteArray>, contents);
    QFETCH(QStringList, held);
    QFETCH(qint64, settingsOrder);
    QFETCH(QString, taken);
    QFETCH(QStringList, offered);
    QFETCH(QStringList, after);
    QTemporaryDir config;
    QVERIFY(config.isValid());
    for (qsizetype i = 0; i < names.size(); ++i)
        writeFile(config.filePath(names.at(i)), contents.at(i));
    std::vector<std::unique_ptr<FileLock>> locks;
    for (const QString &name : held) {
        locks.push_back(std::make_unique<FileLock>(config.filePath(name + u".lock"_s)));
        QVERIFY(locks.back()->tryLock(0));
    }

    QStringList told;
    {
        RecoveryFolder folder(config.filePath(u"KORVANE_CLIENT_STMP.ini"_s));
        QVERIFY(!folder.ownPath().isEmpty());
        QCOMPARE(folder.othersOpen(), !held.isEmpty());
        const RecoveryFolder::Found found = folder.takeLeftovers({settingsOrder, holdsKept});
        QCOMPARE(found.newest ? found.newest->fields.subject : QString(), taken);
        if (found.newest)
            QVERIFY(found.newest->fields == sample(taken));
        QStringList offeredSubjects;
        for (const QString &path : found.offered)
            offeredSubjects << RecoveryFormat::decode(readFile(path))->fields.subject;
        QCOMPARE(offeredSubjects, offered);
        for (const QString &path : found.setAside)
            told << QFileInfo(path).fileName();
        // A second look, as another window starting now would take: the one
        // taken is held, and this run's window counts as open.
        RecoveryFolder other(config.filePath(u"KORVANE_CLIENT_STMP.ini"_s));
        QVERIFY(!other.ownPath().isEmpty());
        // An offered draft is there for the window it is offered to.
        for (const QString &path : found.offered)
            QVERIFY(RecoveryFolder(config.filePath(u"KORVANE_CLIENT_STMP.ini"_s)).takeOffered(path));
        const RecoveryFolder::Found again = other.takeLeftovers({settingsOrder, holdsKept});
        QVERIFY(!again.newest || !found.newest || again.newest->path != found.newest->path);
        QVERIFY(other.othersOpen());
    }
    checkFolderAfter(config.path(), names, contents, after, told);
    for (const std::unique_ptr<FileLock> &lock : locks)
        lock->unlock();
    QCOMPARE(QDir(config.path()).entryList({u"*.json.lock"_s}, QDir::Files), QStringList());
}

// Files named like a copy that are none: nothing waits on them, nothing
// reads through them, they are put aside as they are and named.
void TestRecovery::strangeFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << u"fifo"_s;
    QTest::newRow("link to /dev/zero") << u"zero"_s;
    QTest::newRow("link to a good copy") << u"link"_s;
    QTest::newRow("larger than any copy") << u"large"_s;
    QTest::newRow("a folder") << u"folder"_s;
}

void TestRecovery::strangeFiles()
{
    QFETCH(QString, kind);
    QTemporaryDir config;
    QTemporaryDir elsewhere;
    QVERIFY(config.isValid() && elsewhere.isValid());
    const QString path = config.filePath(prefix + u"11-1.json"_s);
    const QString target = elsewhere.filePath(u"copia.json"_s);
    writeFile(target, copyOf(u"altrove"_s, 1, 1));
    if (kind == u"fifo"_s) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == u"zero"_s || kind == u"link"_s) {
        QVERIFY(QFile::link(kind == u"zero"_s ? u"/dev/zero"_s : target, path));
    } else if (kind == u"large"_s) {
        // Sparse: a valid start, then far more than a copy can hold.
        writeFile(path, copyOf(u"grande"_s, 1, 1));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.resize(RecoveryFormat::largestCopy + 1));
    } else {
        QVERIFY(QDir().mkpath(path));
    }

    RecoveryFolder folder(config.filePath(u"KORVANE_CLIENT_STMP.ini"_s));
    const RecoveryFolder::Found found = folder.takeLeftovers({0, holdsKept});
    QVERIFY(!found.newest);
    if (kind == u"folder"_s) {
        QCOMPARE(found.setAside, QStringList()); // not a file: not looked at
        return;
    }
    QCOMPARE(found.setAside, QStringList{path + u".bad"_s});
    const QFileInfo aside(path + u".bad"_s);
    QCOMPARE(aside.isSymLink(), kind == u"zero"_s || kind == u"link"_s);
    QCOMPARE(readFile(target), copyOf(u"altrove"_s, 1, 1));
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
            MailFields fields = sample(step.section(u' ', 1));
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

// Two runs on one settings file (two objects here, one of them on two
// threads) never take one number twice, and a count file lost or damaged
// starts again above the settings' last store.
void TestRecovery::order()
{
    QTemporaryDir config;
    QVERIFY(config.isValid());
    const QString ini = config.filePath(u"KORVANE_CLIENT_STMP.ini"_s);
    RecoveryOrder one(ini);
    RecoveryOrder two(ini);
    QList<qint64> taken;
    std::mutex guard;
    const auto take = [&](RecoveryOrder &order) {
        for (int i = 0; i < 50; ++i) {
            const qint64 number = order.next();
            const std::lock_guard lock(guard);
            taken << number;
        }
    };
    std::thread a([&] { take(one); });
    std::thread b([&] { take(one); });
    take(two);
    a.join();
    b.join();
    std::sort(taken.begin(), taken.end());
    QCOMPARE(taken.size(), 150);
    QCOMPARE(taken.first(), 1);
    QCOMPARE(taken.last(), 150); // none twice, none skipped

    const QString file = config.filePath(u"KORVANE_CLIENT_STMP.recovery-order"_s);
    for (const QByteArray &damaged : {QByteArray(), "garbage"_ba}) {
        if (damaged.isNull())
            QVERIFY(QFile::remove(file));
        else
            writeFile(file, damaged);
        RecoveryOrder fresh(ini);
        fresh.raiseFloor(1000);
        QVERIFY(fresh.next() > 1000);
    }
}

// Whatever a count file holds is a number that works or none; at the top the
// count stays there rather than wrap or overflow.
void TestRecovery::orderRead_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint64>("read");
    QTest::newRow("a number") << "41\n"_ba << qint64(41);
    QTest::newRow("9e15") << "9000000000000000"_ba << qint64(9000000000000000);
    QTest::newRow("the largest") << "9007199254740991"_ba << RecoveryOrder::largest;
    QTest::newRow("past what a copy holds") << "9007199254740992"_ba << qint64(0);
    QTest::newRow("INT64_MAX") << "9223372036854775807"_ba << qint64(0);
    QTest::newRow("past INT64_MAX") << "9223372036854775808"_ba << qint64(0);
    QTest::newRow("below 0") << "-5"_ba << qint64(0);
    QTest::newRow("text") << "quarantuno"_ba << qint64(0);
}

void TestRecovery::orderRead()
{
    QFETCH(QByteArray, text);
    QFETCH(qint64, read);
    QCOMPARE(RecoveryOrder::parse(text), read);
    QTemporaryDir config;
    QVERIFY(config.isValid());
    writeFile(config.filePath(u"KORVANE_CLIENT_STMP.recovery-order"_s), text);
    const qint64 next = RecoveryOrder(config.filePath(u"KORVANE_CLIENT_STMP.ini"_s)).next();
    QCOMPARE(next, qMin(read + 1, RecoveryOrder::largest));
}

QTEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
