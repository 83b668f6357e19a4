// The copy of every message the server accepted, in the Maildir Inviati of
// the data folder, against the bytes the server received.

#include "mail/open/MessageFile.h"
#include "tests/support/SmtpTestCase.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

#include <sys/stat.h>

using namespace MailTest;
using namespace Qt::StringLiterals;

class TestKorvaneSmtpSentCopy : public SmtpTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void copy_data();
    void copy();
    void openedAgain_data();
    void openedAgain();
};

namespace {

QStringList entries(const QString &folder) { return QDir(folder).entryList(QDir::Files | QDir::System); }

int modeOf(const QString &path)
{
    struct stat status
    {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

// The copy less its Bcc line, which must be there exactly when bcc is given.
QByteArray withoutBcc(QByteArray copy, const QByteArray &bcc)
{
    const QByteArray line = "\r\nBcc: " + bcc + "\r\n";
    if (!bcc.isEmpty() && copy.count(line) == 1)
        copy.replace(line, "\r\n");
    return copy;
}

// The data folder as a row finds it: a file where a folder goes, files a
// crash left in tmp/ 37 and 1 hours ago, and the file to attach.
bool plant(const QTemporaryDir &data, const QString &blocker, bool leftovers, int attachmentKiB)
{
    const QString maildir = data.filePath(u"korvane-client/Inviati"_s);
    if (!blocker.isEmpty()
        && (!QDir().mkpath(QFileInfo(data.filePath(blocker)).path())
            || !writeFile(data.filePath(blocker), "x")))
        return false;
    if (leftovers) {
        if (!QDir().mkpath(maildir + u"/tmp"_s)
            || !QFile::setPermissions(maildir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return false;
        for (const auto &[name, hours] : {std::pair{u"old"_s, 37}, std::pair{u"fresh"_s, 1}}) {
            QFile file(maildir + u"/tmp/"_s + name);
            const QDateTime then = QDateTime::currentDateTime().addSecs(qint64(-3600) * hours);
            if (!file.open(QIODevice::WriteOnly) || !file.setFileTime(then, QFileDevice::FileModificationTime)
                || !file.setFileTime(then, QFileDevice::FileAccessTime))
                return false;
        }
    }
    QByteArray bytes(qsizetype(attachmentKiB) * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919) >> 3);
    return writeFile(data.filePath(u"allegato.bin"_s), bytes);
}

// Each copy is what the server received, and whom it went to unseen.
void checkCopies(const QString &maildir, const SmtpTestServer &server, int copies, const QString &bcc)
{
    const QStringList kept = entries(maildir + u"/cur"_s);
    QCOMPARE(kept.size(), copies);
    if (copies == 0)
        return;
    QVERIFY(server.waitForMessages(copies));
    QList<QByteArray> received;
    for (const QJsonObject &message : server.messages())
        received << QByteArray::fromBase64(message.value(u"raw_b64"_s).toString().toLatin1());
    QCOMPARE(modeOf(maildir), 0700);
    QCOMPARE(modeOf(maildir + u"/cur"_s), 0700);
    QCOMPARE(entries(maildir + u"/new"_s), QStringList());
    const QByteArray bccLine = bcc.toUtf8();
    for (const QString &name : kept) {
        QVERIFY2(name.endsWith(u":2,S"_s), qPrintable(name));
        const QString path = maildir + u"/cur/"_s + name;
        QCOMPARE(modeOf(path), 0600);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray copy = file.readAll();
        QVERIFY(bcc.isEmpty() || copy.contains("\r\nBcc: " + bccLine + "\r\n"));
        QVERIFY2(received.removeOne(withoutBcc(copy, bccLine)), copy.left(600).constData());
    }
}

} // namespace

void TestKorvaneSmtpSentCopy::copy_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("attachmentKiB");
    QTest::addColumn<QString>("bcc");
    QTest::addColumn<int>("sends");       // at once, one component each
    QTest::addColumn<bool>("destroyed");  // the component goes while the data is on its way
    QTest::addColumn<QString>("blocker"); // a file where this folder of the data folder goes
    QTest::addColumn<int>("copies");
    QTest::addColumn<QStringList>("leftInTmp"); // by a crash, 37 and 1 hours ago; what stays

    const QStringList none;
    const QString noBcc;
    QTest::newRow("with an attachment") << none << 300 << noBcc << 1 << false << "" << 1 << QStringList();
    QTest::newRow("with BCC") << none << 0 << "Bea Neri <bea@example.org>, carlo@example.org" << 1 << false
                              << "" << 1 << QStringList();
    QTest::newRow("refused after the data")
        << QStringList{u"--data-reply"_s, u"554"_s} << 300 << noBcc << 1 << false << "" << 0 << QStringList();
    QTest::newRow("cut in the data") << QStringList{u"--drop-in-data"_s, u"--fault-after"_s, u"100000"_s}
                                     << 1200 << noBcc << 1 << false << "" << 0 << QStringList();
    QTest::newRow("window closed in the data")
        << QStringList{u"--pause-in-data"_s, u"--fault-after"_s, u"100000"_s} << 1200 << noBcc << 1 << true
        << "" << 0 << QStringList();
    QTest::newRow("what a crash left, at the next start")
        << none << 0 << noBcc << 1 << false << "" << 1 << QStringList{u"fresh"_s};
    QTest::newRow("two at once") << none << 300 << "bea@example.org" << 2 << false << "" << 2
                                 << QStringList();
    QTest::newRow("Inviati is a file")
        << none << 0 << noBcc << 1 << false << "korvane-client/Inviati" << 0 << QStringList();
    QTest::newRow("the program's folder is a file")
        << none << 0 << noBcc << 1 << false << "korvane-client" << 0 << QStringList();
}

void TestKorvaneSmtpSentCopy::copy()
{
    QFETCH(QStringList, options);
    QFETCH(int, attachmentKiB);
    QFETCH(QString, bcc);
    QFETCH(int, sends);
    QFETCH(bool, destroyed);
    QFETCH(QString, blocker);
    QFETCH(int, copies);
    QFETCH(QStringList, leftInTmp);
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const QString maildir = data.filePath(u"korvane-client/Inviati"_s);
    QVERIFY(plant(data, blocker, !leftInTmp.isEmpty(), attachmentKiB));
    SmtpTestServer server(options);
    KORVANE_START(server);
    std::vector<std::unique_ptr<KorvaneSTMP>> components;
    std::vector<std::unique_ptr<SendWatch>> watches;
    QList<QString> notKept;
    for (int i = 0; i < sends; ++i) {
        auto &component = components.emplace_back(std::make_unique<KorvaneSTMP>());
        configure(*component, server);
        component->setBcc(bcc);
        component->setSubject(u"Copia %1"_s.arg(i));
        if (attachmentKiB > 0)
            component->setAttachments(data.filePath(u"allegato.bin"_s));
        watches.push_back(std::make_unique<SendWatch>(component.get()));
        connect(component.get(), &MailComponent::sentCopyNotKept, this,
                [&notKept](const QString &why) { notKept << why; });
    }
    components.front()->prepare();
    for (const auto &component : components)
        component->Send();
    if (destroyed) {
        QVERIFY(server.waitForLogLine(u"pausing in DATA"_s, 15000));
        components.clear();
        QTRY_VERIFY(entries(maildir + u"/tmp"_s).isEmpty());
        QCOMPARE(entries(maildir + u"/cur"_s), QStringList());
        return;
    }
    for (const auto &watch : watches)
        QTRY_VERIFY_WITH_TIMEOUT(watch->outcomes() == 1, 30000);
    const bool delivered = options.isEmpty();
    QCOMPARE(watches.front()->completed.count(), delivered ? 1 : 0);
    QCOMPARE(notKept.size(), delivered && copies == 0 ? 1 : 0);
    if (!notKept.isEmpty())
        QVERIFY2(notKept.first().contains(data.filePath(blocker)), qPrintable(notKept.first()));
    QTRY_COMPARE(entries(maildir + u"/tmp"_s), leftInTmp);
    checkCopies(maildir, server, copies, bcc);
}

void TestKorvaneSmtpSentCopy::openedAgain_data()
{
    QTest::addColumn<QStringList>("fields"); // sender, recipient, CC, BCC, subject, body
    QTest::addColumn<int>("priority");
    QTest::addColumn<QStringList>("files"); // "name|content", attached

    QTest::newRow("attachments, BCC, CC, accents")
        << QStringList{u"Zoë Bianchi <zoe@example.org>"_s,
                       u"anna@example.org, \"Rossi, Bea\" <bea@example.org>"_s,
                       u"carlo@example.org"_s,
                       u"Dario <dario@example.org>"_s,
                       u"Città e perché — prova"_s,
                       u"Ciao.\n\nUna riga con = e spazi in fondo  \nFine.\n"_s}
        << 0 << QStringList{u"dati.bin|\x01\x02\xff\xfe\r\n."_s, u"nota è.txt|Perché no?\n"_s};
    QTest::newRow("no attachment, low priority, no line break at the end")
        << QStringList{u"zoe@example.org"_s, u"anna@example.org"_s, QString(), QString(),
                       u"Breve"_s,           u"Senza a capo"_s}
        << 2 << QStringList();
}

// The program's own copy, opened again, gives back the fields it was sent
// with and files of the same bytes.
void TestKorvaneSmtpSentCopy::openedAgain()
{
    QFETCH(QStringList, fields);
    QFETCH(int, priority);
    QFETCH(QStringList, files);
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    QStringList paths;
    for (const QString &file : files) {
        paths << data.filePath(file.section(u'|', 0, 0));
        QVERIFY(writeFile(paths.last(), file.section(u'|', 1).toLatin1()));
    }
    SendFixture f;
    KORVANE_START(f.server);
    for (const auto &[member, value] : {std::pair{&MailFields::sender, fields[0]},
                                        {&MailFields::recipient, fields[1]},
                                        {&MailFields::cc, fields[2]},
                                        {&MailFields::bcc, fields[3]},
                                        {&MailFields::subject, fields[4]},
                                        {&MailFields::body, fields[5]}})
        f.component.setField(member, value);
    f.component.setPriority(priorities[priority].code);
    f.component.setAttachments(paths.join(u';'));
    KORVANE_DELIVER(f, 20000);
    const QStringList kept = entries(data.filePath(u"korvane-client/Inviati/cur"_s));
    QCOMPARE(kept.size(), 1);

    const OpenedMessage opened = MessageFile::read(
        data.filePath(u"korvane-client/Inviati/cur/"_s + kept.first()), data.filePath(u"Allegati"_s));
    QCOMPARE(opened.problem, QString());
    const MailFields &again = opened.fields;
    QCOMPARE((QStringList{again.sender, again.recipient, again.cc, again.bcc, again.subject, again.body}),
             fields);
    QCOMPARE(again.priorityIndex, priority);
    QStringList reopened;
    for (const QString &path : again.attachments.split(u"; "_s, Qt::SkipEmptyParts)) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        reopened << QFileInfo(path).fileName() + u'|' + QString::fromLatin1(file.readAll());
    }
    QCOMPARE(reopened, files);
}

QTEST_GUILESS_MAIN(TestKorvaneSmtpSentCopy)
#include "tst_korvanestmp_sentcopy.moc"
