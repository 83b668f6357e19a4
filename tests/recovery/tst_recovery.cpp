// The recovery copy's files: what comes back from them, which of several
// left over is taken, and the writer's order of writes.
#include "common/FileLock.h"
#include "common/RegularFile.h"
#include "recovery/LatestWriter.h"
#include "recovery/RecoveryCopy.h"
#include "settings/SavedFields.h"
#include "tests/support/MemorySettingsStore.h"
#include "tests/support/TestFiles.h"

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

// The stamp of the settings every window in these tests started from, as
// it loaded them.
const QByteArray settingsNow = RecoveryCopy::stamp(SavedFields::asStored(sample(u"kept"_s)));

QByteArray copyOf(const QString &subject, qint64 takenAtMs, const QByteArray &base = {}, bool sent = false)
{
    return RecoveryCopy::encode({sample(subject), takenAtMs, base, sent});
}

// As the last release wrote it: numbered, no base.
QByteArray numbered(const QString &subject, qint64 takenAtMs, qint64 order)
{
    QJsonObject object = QJsonDocument::fromJson(copyOf(subject, takenAtMs)).object();
    object.remove(u"base"_s);
    object.insert(u"order"_s, double(order));
    object.insert(u"stored"_s, false);
    return QJsonDocument(object).toJson();
}

const QString prefix = u"KORVANE_CLIENT_STMP.recovery-"_s;

// The settings of a folder, holding sample(u"kept"_s).
class SettingsIn : public MemorySettingsStore
{
public:
    explicit SettingsIn(const QString &folder) : m_file(folder + u"/KORVANE_CLIENT_STMP.ini"_s)
    {
        SavedFields::StoreFields(*this, sample(u"kept"_s));
    }
    QString fileName() const override { return m_file; }

private:
    QString m_file;
};

// A window's draft started from the settings, and what came back in it.
struct Window
{
    explicit Window(SettingsStore &store) : copy(store, [this](const MailFields &fields) { shown = fields; })
    {
        copy.load({});
    }
    std::optional<MailFields> shown;
    RecoveryCopy copy;
};

// The files named to the user as set aside.
QStringList setAsideIn(const QString &notice)
{
    QStringList names;
    for (const QString &line : notice.split(u'\n'))
        if (line.startsWith(u'/'))
            names << QFileInfo(line).fileName();
    return names;
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
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

private:
    QTemporaryDir m_data;
};

// The program's data folder, the copies' second place, one of the test's own.
void TestRecovery::initTestCase()
{
    QVERIFY(m_data.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
}

void TestRecovery::formatRoundTrip()
{
    MailFields large = sample(u"grande"_s);
    large.body = QString(qsizetype(5) * 1000 * 1000, u'è');
    for (const MailFields &fields : {sample(u"Preventivo caffè"_s), large, MailFields()}) {
        const std::optional<RecoveryCopy::Content> back
            = RecoveryCopy::decode(RecoveryCopy::encode({fields, 1765000000123, settingsNow, true}));
        QVERIFY(back);
        QVERIFY(back->fields == fields);
        QCOMPARE(back->takenAtMs, 1765000000123);
        QCOMPARE(back->base, settingsNow);
        QVERIFY(back->sent);
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
    const std::optional<RecoveryCopy::Content> copy = RecoveryCopy::decode(earlier);
    QVERIFY(copy);
    const MailFields expected{u"smtp.x.it"_s, u"m@x.it"_s,    u"d@x.it"_s,
                              u"c@x.it"_s,    u"b@x.it"_s,    u"/tmp/a.pdf"_s,
                              u"Oggetto"_s,   u"  corpo\n"_s, 0};
    QVERIFY(copy->fields == expected);
    QCOMPARE(copy->base, QByteArray());
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
    QVERIFY(!RecoveryCopy::decode(data));
}

// A copy of another version: what it lacks or holds otherwise is empty (the
// usual priority, no base), what it has besides is left aside.
void TestRecovery::formatReadsOtherVersions_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<int>("priority");
    QTest::addColumn<bool>("based");
    const QByteArray base = "\"base\":\"" + settingsNow + '"';
    const auto row
        = [](const char *tag, const QByteArray &from, const QByteArray &to, const QString &subject,
             int priority, bool based) { QTest::newRow(tag) << from << to << subject << priority << based; };
    row("a text missing", "\"subject\"", "\"soggetto\"", QString(), 2, true);
    row("a text as a number", "\"subject\":\"x\"", "\"subject\":3", QString(), 2, true);
    row("priority 3", "\"priorityIndex\":2", "\"priorityIndex\":3", u"x"_s, 1, true);
    row("priority 1.5", "\"priorityIndex\":2", "\"priorityIndex\":1.5", u"x"_s, 1, true);
    row("a key of a later version", "{", "{\"firma\":\"Mario\",", u"x"_s, 2, true);
    row("the last release's order", base, "\"order\":99", u"x"_s, 2, false);
    row("a base that is no stamp", base, "\"base\":\"zz\"", u"x"_s, 2, false);
    row("a base as a number", base, "\"base\":5", u"x"_s, 2, false);
}

void TestRecovery::formatReadsOtherVersions()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, subject);
    QFETCH(int, priority);
    QFETCH(bool, based);
    const QByteArray whole = copyOf(u"x"_s, 7, settingsNow);
    QVERIFY(whole.contains(from));
    const std::optional<RecoveryCopy::Content> copy
        = RecoveryCopy::decode(QByteArray(whole).replace(from, to));
    QVERIFY(copy);
    QCOMPARE(copy->fields.subject, subject);
    QCOMPARE(copy->fields.priorityIndex, priority);
    QCOMPARE(copy->base, based ? settingsNow : QByteArray());
    QCOMPARE(copy->fields.recipient, sample(u"x"_s).recipient);
}

// A table: its rows read best side by side.
// NOLINTNEXTLINE(readability-function-size)
void TestRecovery::takeLeftovers_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<QByteArray>>("contents");
    QTest::addColumn<QStringList>("held");    // by a window still open
    QTest::addColumn<QString>("taken");       // the subject; empty when none
    QTest::addColumn<QStringList>("offered"); // the subjects, newest first
    QTest::addColumn<QStringList>("after");   // the folder's files, locks aside

    const QString a = prefix + u"11-1.json"_s;
    const QString b = prefix + u"22-2.json"_s;
    const QString c = prefix + u"33-3.json"_s;
    const QString ini = u"KORVANE_CLIENT_STMP.ini"_s;
    const QByteArray other = RecoveryCopy::stamp(sample(u"altro"_s));
    using Names = QStringList;
    const auto row = [](const char *tag, const Names &names, const QList<QByteArray> &contents,
                        const Names &held, const QString &taken, const Names &offered, const Names &after) {
        QTest::newRow(tag) << names << contents << held << taken << offered << after;
    };
    row("nothing left", {}, {}, {}, {}, {}, {});
    row("a draft of these settings comes back", {a}, {copyOf(u"a"_s, 5, settingsNow)}, {}, u"a"_s, {}, {a});
    row("the newest of three drafts of these settings, the others offered", {a, b, c},
        {copyOf(u"a"_s, 99, settingsNow), copyOf(u"b"_s, 1, settingsNow), copyOf(u"c"_s, 5, settingsNow)}, {},
        u"a"_s, {u"c"_s, u"b"_s}, {a, b, c});
    row("drafts of other settings, of no settings, of the last release: offered", {a, b, c},
        {copyOf(u"a"_s, 9, other), copyOf(u"b"_s, 7), numbered(u"c"_s, 5, 99)}, {}, {},
        {u"a"_s, u"b"_s, u"c"_s}, {a, b, c});
    row("what the settings hold, or a message sent: gone", {a, b},
        {copyOf(u"kept"_s, 1, other), copyOf(u"b"_s, 1, settingsNow, true)}, {}, {}, {}, {});
    row("garbage aside, the good one taken", {a, b}, {"\x00\x01garbage"_ba, copyOf(u"b"_s, 1, settingsNow)},
        {}, u"b"_s, {}, {a + u".bad"_s, b});
    row("an empty file aside", {a}, {QByteArray()}, {}, {}, {}, {a + u".bad"_s});
    row("a copy of a window still open stays", {a, b},
        {copyOf(u"a"_s, 9, settingsNow), copyOf(u"b"_s, 1, settingsNow)}, {a}, u"b"_s, {}, {a, b});
    row("only an open window's copy", {a}, {"not yet written"_ba}, {a}, {}, {}, {a});
    const Names others{ini, prefix + u"1-1.json.bad"_s, prefix + u"order"_s};
    row("other files are no copies", others, {copyOf(u"a"_s, 1), copyOf(u"b"_s, 1), "12\n"_ba}, {}, {}, {},
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
        SettingsIn store(config.path());
        Window window(store);
        QVERIFY(!window.copy.path().isEmpty());
        const RecoveryCopy::Recovered found = window.copy.recover();
        QCOMPARE(window.shown ? window.shown->subject : QString(), taken);
        if (window.shown) {
            QVERIFY(*window.shown == sample(taken));
            // Written over from now on.
            const std::optional<RecoveryCopy::Content> own
                = RecoveryCopy::decode(readFile(window.copy.path()));
            QVERIFY(own && own->fields.subject == taken);
        }
        QStringList offeredSubjects;
        for (const QString &path : found.offered)
            offeredSubjects << RecoveryCopy::decode(readFile(path))->fields.subject;
        QCOMPARE(offeredSubjects, offered);
        told = setAsideIn(found.notice);
        // A second look, as another window starting now would take: the one
        // taken is held, and this run's window counts as open.
        Window other(store);
        QVERIFY(!other.copy.path().isEmpty());
        // An offered draft is there for the window it is offered to.
        for (const QString &path : found.offered)
            QVERIFY(!Window(store).copy.recoverOffered(path).isEmpty());
        other.copy.recover();
        QVERIFY(!other.shown || !window.shown || other.copy.path() != window.copy.path());
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
    writeFile(target, copyOf(u"altrove"_s, 1, settingsNow));
    if (kind == u"fifo"_s) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == u"zero"_s || kind == u"link"_s) {
        QVERIFY(QFile::link(kind == u"zero"_s ? u"/dev/zero"_s : target, path));
    } else if (kind == u"large"_s) {
        // Sparse: a valid start, then far more than a copy can hold.
        writeFile(path, copyOf(u"grande"_s, 1, settingsNow));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.resize(RecoveryCopy::largestCopy + 1));
    } else {
        QVERIFY(QDir().mkpath(path));
    }

    SettingsIn store(config.path());
    Window window(store);
    const QStringList told = setAsideIn(window.copy.recover().notice);
    QVERIFY(!window.shown);
    if (kind == u"folder"_s) {
        QCOMPARE(told, QStringList()); // not a file: not looked at
        return;
    }
    QCOMPARE(told, QStringList{QFileInfo(path).fileName() + u".bad"_s});
    const QFileInfo aside(path + u".bad"_s);
    QCOMPARE(aside.isSymLink(), kind == u"zero"_s || kind == u"link"_s);
    QCOMPARE(readFile(target), copyOf(u"altrove"_s, 1, settingsNow));
}

void TestRecovery::writer_data()
{
    QTest::addColumn<QStringList>("subjects"); // posted one after the other, at once
    QTest::newRow("one") << QStringList{u"a"_s};
    QTest::newRow("the last of several") << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
}

// Posted faster than they can be written: the file ends with the last one,
// whole, and the writer's end waits for it.
void TestRecovery::writer()
{
    QFETCH(QStringList, subjects);
    QTemporaryDir config;
    QVERIFY(config.isValid());
    const QString path = config.filePath(prefix + u"1-1.json"_s);
    QStringList started;
    {
        LatestWriter writer;
        for (const QString &subject : subjects) {
            MailFields fields = sample(subject);
            fields.body += QString(qsizetype(2) * 1000 * 1000, u'x'); // a write that takes a while
            writer.post([&started, path, fields](const LatestWriter::Superseded &superseded) {
                started << fields.subject;
                return RegularFile::write(path, RecoveryCopy::encode({fields, 1, {}, false}), superseded);
            });
        }
    }
    QCOMPARE(started.constLast(), subjects.constLast());
    const std::optional<RecoveryCopy::Content> written = RecoveryCopy::decode(readFile(path));
    QVERIFY(written);
    QCOMPARE(written->fields.subject, subjects.constLast());
    QCOMPARE(QFile::permissions(path) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(QDir(config.path()).entryList(QDir::Files), QStringList{QFileInfo(path).fileName()});
}

QTEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
