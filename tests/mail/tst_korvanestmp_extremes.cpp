// Input at the edges that must still travel as a well-formed message: huge
// headers, a thousand recipients, NUL in the body; an attachment deleted or
// given new metadata while it is being sent, where one changed must stop the
// send; and a large send's progress, which reaches the window at a pace a
// person can follow.

#include "tests/support/SmtpTestCase.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace MailTest;

class TestKorvaneSmtpExtremes : public SmtpTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void arrivesWellFormed_data();
    void arrivesWellFormed();
    void attachmentChangedWhileSent_data();
    void attachmentChangedWhileSent();
    void progressAtAHumanPace();
};

void TestKorvaneSmtpExtremes::arrivesWellFormed_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("recipients");
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("envelopeSize");

    const QString body = QStringLiteral("Ciao.\n");
    QString words;
    while (words.size() < 10000)
        words += QStringLiteral("parola%1 ").arg(words.size());
    words.truncate(10000);
    QStringList many;
    for (int i = 0; i < 1000; ++i)
        many << QStringLiteral("Utente %1 <utente%1@example.org>").arg(i);

    QTest::newRow("10,000-character subject of words") << words << "anna@example.org" << body << 1;
    QTest::newRow("10,000-character subject, one word")
        << QString(10000, QLatin1Char('x')) << "anna@example.org" << body << 1;
    QTest::newRow("10,000 non-ASCII characters")
        << QString(10000, QChar(0x00E8)) << "anna@example.org" << body << 1;
    // aiosmtpd sets no limit on recipients: every one must reach the envelope.
    QTest::newRow("1,000 recipients") << "Prova" << many.join(QStringLiteral(", ")) << body << 1000;
    QTest::newRow("NUL in the body") << "Prova"
                                     << "anna@example.org"
                                     << QStringLiteral("prima") + QChar(0) + QStringLiteral("dopo\n") << 1;
}

void TestKorvaneSmtpExtremes::arrivesWellFormed()
{
    QFETCH(QString, subject);
    QFETCH(QString, recipients);
    QFETCH(QString, body);
    QFETCH(int, envelopeSize);
    SendFixture f;
    KORVANE_START(f.server);
    f.component.setSubject(subject);
    f.component.setRecipient(recipients);
    f.component.setBody(body);
    KORVANE_DELIVER(f, 30000);

    const QJsonObject message = f.message();
    QCOMPARE(strings(message.value(QStringLiteral("defects"))), QStringList());
    QVERIFY(!message.value(QStringLiteral("bare_lf")).toBool());
    QVERIFY2(message.value(QStringLiteral("max_line_length")).toInt() <= 998,
             qPrintable(QString::number(message.value(QStringLiteral("max_line_length")).toInt())));
    QCOMPARE(header(message, QStringLiteral("subject")), subject);
    QCOMPARE(strings(message.value(QStringLiteral("rcpt_tos"))).size(), envelopeSize);
    QCOMPARE(addresses(message, QStringLiteral("to")).size(), envelopeSize);
    QCOMPARE(message.value(QStringLiteral("body")).toString(), body);
}

namespace {

// What happens to the attachment while the server holds the send.
enum class Change {
    Delete,
    WriteBefore,
    WriteBeforeTimesKept,
    WriteAfter,
    Truncate,
    Grow,
    ReplaceByRename,
    LinkAddedAndRemoved,
    TagSet,
    AccessTimeSet,
    ModeChangedAndBack,
};

// The file's times put back as they were: the one change left in sight is
// the change time, which no call can set.
bool keepTimes(const QString &path, const std::function<bool()> &change)
{
    struct stat before
    {};
    if (::stat(QFile::encodeName(path).constData(), &before) != 0 || !change())
        return false;
    const timespec times[2]{before.st_atim, before.st_mtim};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

bool setTag(const QString &path, const char *name)
{
    return ::setxattr(QFile::encodeName(path).constData(), name, "rosso", 5, 0) == 0;
}

bool overwrite(const QString &path, qint64 offset)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.seek(offset) && file.write("\xff\xfe\xfd\xfc", 4) == 4;
}

bool apply(Change change, const QString &path, const QByteArray &content)
{
    switch (change) {
    case Change::Delete:
        return QFile::remove(path);
    case Change::WriteBefore:
        return overwrite(path, 0);
    case Change::WriteBeforeTimesKept:
        return keepTimes(path, [&path] { return overwrite(path, 0); });
    case Change::WriteAfter:
        return overwrite(path, content.size() - 4);
    case Change::Truncate:
        return QFile::resize(path, content.size() / 2);
    case Change::Grow: {
        QFile file(path);
        return file.open(QIODevice::Append) && file.write("x", 1) == 1;
    }
    case Change::ReplaceByRename: {
        // As editors save: a whole new file of the same size renamed over the old.
        QByteArray edited = content;
        edited[0] = char(~edited[0]);
        return writeFile(path + QStringLiteral(".new"), edited)
            && std::rename(QFile::encodeName(path + QStringLiteral(".new")).constData(),
                           QFile::encodeName(path).constData())
            == 0;
    }
    case Change::LinkAddedAndRemoved: // as backup tools take a snapshot
        return ::link(QFile::encodeName(path).constData(),
                      QFile::encodeName(path + QStringLiteral(".snap")).constData())
            == 0
            && QFile::remove(path + QStringLiteral(".snap"));
    case Change::TagSet: // as a file manager tags a file
        return setTag(path, "user.xdg.tags");
    case Change::AccessTimeSet: { // touch -a
        const timespec times[2]{{0, UTIME_NOW}, {0, UTIME_OMIT}};
        return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
    }
    case Change::ModeChangedAndBack:
        return ::chmod(QFile::encodeName(path).constData(), 0400) == 0
            && ::chmod(QFile::encodeName(path).constData(), 0644) == 0;
    }
    return false;
}

// Bytes that differ all along the file, so that a piece sent twice or left
// out changes the digest.
QByteArray patterned(qsizetype size)
{
    QByteArray content(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char((i * 31) ^ (i >> 9));
    return content;
}

void checkArrivedWhole(SendFixture &f, const QByteArray &content)
{
    QVERIFY2(!f.watch.completed.isEmpty(), f.watch.outcome().constData());
    QVERIFY(f.server.waitForMessages(1));
    const QJsonArray attachments = f.message().value(QStringLiteral("attachments")).toArray();
    QCOMPARE(attachments.size(), 1);
    QCOMPARE(attachments.first().toObject().value(QStringLiteral("length")).toInt(), content.size());
    QCOMPARE(attachments.first().toObject().value(QStringLiteral("sha256")).toString().toLatin1(),
             sha256Hex(content));
}

void checkRefusedAsChanged(SendFixture &f, const QString &typed)
{
    QCOMPARE(f.watch.number(), qint16(1005));
    QCOMPARE(
        f.watch.description(),
        QStringLiteral("L'allegato %1 è stato modificato durante l'invio: il messaggio non è stato inviato.")
            .arg(typed));
    // Caught at the first read after the change, long before the end.
    QVERIFY2(f.watch.lastSent < f.watch.lastTotal / 2, qPrintable(QString::number(f.watch.lastSent)));
    QVERIFY2(f.server.waitForLogLine(QStringLiteral("* closed"), 15000),
             qPrintable(f.server.sessionLog().join('\n')));
    QCOMPARE(f.server.messages().size(), 0);
    QVERIFY(!f.server.sessionLog().join('\n').contains(QLatin1String("end of DATA")));
}

} // namespace

void TestKorvaneSmtpExtremes::attachmentChangedWhileSent_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<bool>("arrivesWhole");
    // Attachments are opened before connecting: a file deleted mid-send is
    // still read whole through the open handle.
    QTest::newRow("deleted") << Change::Delete << true;
    QTest::newRow("written before the offset read") << Change::WriteBefore << false;
    // Only the change time moves: the bytes already sent are read again.
    QTest::newRow("written before the offset read, times put back") << Change::WriteBeforeTimesKept << false;
    QTest::newRow("written after the offset read") << Change::WriteAfter << false;
    QTest::newRow("truncated") << Change::Truncate << false;
    QTest::newRow("grown") << Change::Grow << false;
    QTest::newRow("replaced by rename") << Change::ReplaceByRename << false;
    // Metadata alone: every byte stays as it was.
    QTest::newRow("hard link added and removed") << Change::LinkAddedAndRemoved << true;
    QTest::newRow("user xattr set") << Change::TagSet << true;
    QTest::newRow("access time set") << Change::AccessTimeSet << true;
    QTest::newRow("mode changed and back") << Change::ModeChangedAndBack << true;
}

// The server stops reading early in the attachment, so the change falls
// between what was read and what was not: the client cannot run ahead of
// the socket buffers, a fraction of the file.
void TestKorvaneSmtpExtremes::attachmentChangedWhileSent()
{
    QFETCH(Change, change);
    QFETCH(bool, arrivesWhole);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("variabile.bin"));
    const QByteArray content = patterned(qsizetype(12) * 1024 * 1024);
    QVERIFY(writeFile(path, content));
    QVERIFY(QFile::setPermissions(
        path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    if (change == Change::TagSet && !setTag(path, "user.korvane.probe"))
        QSKIP(qPrintable(QStringLiteral("no user xattrs here: ") + QString::fromLocal8Bit(strerror(errno))));

    SendFixture f(
        {QStringLiteral("--pause-in-data"), QStringLiteral("--fault-after"), QStringLiteral("100000")});
    KORVANE_START(f.server);
    // The server parses 17 MB before it answers the message: on a busy
    // machine that alone can outlast the usual stall limit.
    f.component.setStallTimeoutMs(60000);
    // Not in its clean form: the message names the file as the user typed it.
    const QString typed = dir.path() + QStringLiteral("/./variabile.bin");
    f.component.setAttachments(typed);
    f.component.Send();
    QVERIFY2(f.server.waitForLogLine(QStringLiteral("pausing in DATA"), 15000),
             qPrintable(f.server.sessionLog().join('\n')));
    QVERIFY(apply(change, path, content));
    f.server.resumeData();
    QTRY_VERIFY_WITH_TIMEOUT(f.watch.outcomes() == 1, 60000);

    if (arrivesWhole)
        checkArrivedWhole(f, content);
    else
        checkRefusedAsChanged(f, typed);
}

// libcurl asks for the message 512 KiB at a time, hundreds of times a
// second to a fast server; the window must get the first report, the last
// (all of it, once) and at most one per 33 ms in between, whatever the
// machine's speed. (The test server reads slowly: the pace itself is tested
// against a clock of its own in tst_progresspace.)
void TestKorvaneSmtpExtremes::progressAtAHumanPace()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("grande.bin"));
    QByteArray content(qsizetype(6) * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char((i * 17) ^ (i >> 11));
    QVERIFY(writeFile(path, content));

    SendFixture f;
    KORVANE_START(f.server);
    f.component.setAttachments(path);
    // The test server parses the whole message before it answers the end.
    f.component.setStallTimeoutMs(120000);
    QList<qint64> sent;
    qint64 total = -1;
    qint64 outcomeAtMs = -1;
    QElapsedTimer clock;
    QObject context;
    connect(&f.component, &MailComponent::progressChanged, &context, [&](qint64 done, qint64 of) {
        sent.append(done);
        total = of;
    });
    connect(&f.component, &MailComponent::SendCompleted, &context, [&] { outcomeAtMs = clock.elapsed(); });
    clock.start();
    KORVANE_SEND(f.component, f.watch, 120000);
    QVERIFY2(!f.watch.completed.isEmpty(), f.watch.outcome().constData());

    QVERIFY(total > content.size());
    QVERIFY(!sent.isEmpty());
    QCOMPARE(sent.last(), total);
    QVERIFY(std::ranges::is_sorted(sent));
    QCOMPARE(sent.count(total), 1);
    const qint64 allowed = 2 + outcomeAtMs / 33;
    QVERIFY2(sent.size() <= allowed,
             qPrintable(QStringLiteral("%1 reports in %2 ms").arg(sent.size()).arg(outcomeAtMs)));
}

QTEST_GUILESS_MAIN(TestKorvaneSmtpExtremes)
#include "tst_korvanestmp_extremes.moc"
