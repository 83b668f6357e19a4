// Attachments at the limits of what the component reads: a text file whose
// only telling bytes lie far from its start, and more files than the
// process may usually hold open.

#include "mail/OpenFileLimit.h"
#include "tests/support/SmtpTestCase.h"

#include <QScopeGuard>
#include <QTemporaryDir>

#include <sys/resource.h>

using namespace MailTest;

class TestKorvaneSmtpAttachments : public SmtpTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void textJudgedWhole_data();
    void textJudgedWhole();
    void manyFiles_data();
    void manyFiles();
};

void TestKorvaneSmtpAttachments::textJudgedWhole_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("type");    // as Python's email package reads it back
    QTest::addColumn<QString>("charset"); // empty: none declared
    QTest::addColumn<QString>("text");    // as a reader decodes it; null: not text

    // Plain ASCII rows up to past 1 MiB, then a few words that tell.
    QByteArray rows;
    for (int i = 0; rows.size() < qsizetype(1200) * 1024; ++i)
        rows += QByteArray("cliente ") + QByteArray::number(i) + ",Roma,0\n";
    QByteArray ending;
    while (rows.size() + ending.size() < qsizetype(2) * 1000 * 1000)
        ending += "fine,Roma,0\n";
    const auto twoMegabytes = [&rows, &ending](const QByteArray &telling) { return rows + telling + ending; };
    const QByteArray windows1252 = twoMegabytes("Niccol\xF2 Perch\xE9,Citt\xE0,\x80 12\n");
    const QByteArray utf8 = twoMegabytes("Niccol\xC3\xB2 Perch\xC3\xA9,Citt\xC3\xA0,\xE2\x82\xAC 12\n");
    const QString told = QString::fromLatin1(rows) + QStringLiteral("Niccolò Perché,Città,€ 12\n")
        + QString::fromLatin1(ending);

    QTest::newRow("Windows-1252 accents past 1 MiB") << "clienti.csv" << windows1252 << "text/csv"
                                                     << "windows-1252" << told;
    QTest::newRow("UTF-8 past 1 MiB") << "clienti.csv" << utf8 << "text/csv"
                                      << "utf-8" << told;
    QTest::newRow("a control character past 1 MiB")
        << "clienti.csv" << twoMegabytes(QByteArray("\x01", 1)) << "application/octet-stream"
        << "" << QString();
}

void TestKorvaneSmtpAttachments::textJudgedWhole()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, type);
    QFETCH(QString, charset);
    QFETCH(QString, text);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(name), content));

    SendFixture f;
    KORVANE_START(f.server);
    f.component.setAttachments(dir.filePath(name));
    KORVANE_DELIVER(f, 60000);
    const QJsonObject message = f.message();
    QCOMPARE(strings(message.value(QStringLiteral("defects"))), QStringList());
    const QJsonObject attachment = message.value(QStringLiteral("attachments")).toArray().first().toObject();
    QCOMPARE(attachment.value(QStringLiteral("content_type")).toString(), type);
    QCOMPARE(attachment.value(QStringLiteral("charset")).toString(), charset);
    QCOMPARE(attachment.value(QStringLiteral("sha256")).toString().toLatin1(), sha256Hex(content));
    const QString received = attachment.value(QStringLiteral("text")).toString();
    qsizetype same = 0;
    while (same < received.size() && same < text.size() && received.at(same) == text.at(same))
        ++same;
    QVERIFY2(received == text,
             qPrintable(QStringLiteral("from character %1: %2").arg(same).arg(received.mid(same, 60))));
}

void TestKorvaneSmtpAttachments::manyFiles_data()
{
    QTest::addColumn<bool>("raised"); // the program's start-up call made
    QTest::newRow("1,100 files, soft limit 1,024 raised at start-up") << true;
    QTest::newRow("1,100 files, soft limit 1,024 kept") << false;
}

// Files of a type read while sending, so that every one stays open.
void TestKorvaneSmtpAttachments::manyFiles()
{
    QFETCH(bool, raised);
    constexpr int kFiles = 1100;
    rlimit before{};
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &before), 0);
    if (before.rlim_max < rlim_t(kFiles) + 100)
        QSKIP("the hard limit of open files here is below what the test needs");
    const auto restore = qScopeGuard([&before] { ::setrlimit(RLIMIT_NOFILE, &before); });
    const rlimit usual{1024, before.rlim_max};
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &usual), 0);
    if (raised)
        QCOMPARE(raiseOpenFileLimit(), static_cast<long long>(before.rlim_max));

    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < kFiles; ++i) {
        paths << dir.filePath(QStringLiteral("f%1.bin").arg(i));
        QVERIFY(writeFile(paths.last(), QByteArray::number(i) + QByteArray("\0\1\2", 3)));
    }
    SendFixture f;
    KORVANE_START(f.server);
    f.component.setAttachments(paths.join(u';'));
    KORVANE_SEND(f.component, f.watch, 120000);
    if (!raised) {
        QCOMPARE(f.watch.number(), qint16(1005));
        QCOMPARE(f.watch.description(),
                 QStringLiteral("Troppi file allegati (1.100): il sistema non permette di "
                                "tenerli aperti tutti insieme durante l'invio."));
        return;
    }
    QVERIFY2(!f.watch.completed.isEmpty(), f.watch.outcome().constData());
    QVERIFY(f.server.waitForMessages(1));
    const QJsonArray attachments = f.message().value(QStringLiteral("attachments")).toArray();
    QCOMPARE(attachments.size(), kFiles);
    QCOMPARE(attachments.last().toObject().value(QStringLiteral("filename")).toString(),
             QStringLiteral("f1099.bin"));
}

QTEST_GUILESS_MAIN(TestKorvaneSmtpAttachments)
#include "tst_korvanestmp_attachments.moc"
