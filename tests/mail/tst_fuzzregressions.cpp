// Every input a fuzz target ever broke on (fuzz/regressions/<target>/), and the
// seed corpora, run through the very checks the fuzz targets apply, so a fault
// once found stays fixed and the checks stay in step with the code.
#include "fuzz/Invariants.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

const QList<std::pair<QString, FuzzCheck::Target>> kTargets{
    {QStringLiteral("addresslist"), FuzzCheck::Target::AddressList},
    {QStringLiteral("serveraddress"), FuzzCheck::Target::ServerAddress},
    {QStringLiteral("attachmentlist"), FuzzCheck::Target::AttachmentList},
    {QStringLiteral("headerencoder"), FuzzCheck::Target::HeaderEncoder},
    {QStringLiteral("smtpreplies"), FuzzCheck::Target::SmtpReplies},
};

} // namespace

class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private:
    void addRows(const QString &folder)
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QByteArray>("input");
        const QString root = QFINDTESTDATA("../../fuzz/" + folder);
        QVERIFY2(!root.isEmpty(), "fuzz folder not found");
        int rows = 0;
        for (const auto &[name, target] : kTargets) {
            const QDir dir(root + u'/' + name);
            for (const QString &file : dir.entryList(QDir::Files, QDir::Name)) {
                QFile f(dir.filePath(file));
                QVERIFY(f.open(QIODevice::ReadOnly));
                QTest::newRow(qPrintable(name + u'/' + file)) << int(target) << f.readAll();
                ++rows;
            }
        }
        QVERIFY2(rows > 0, "no inputs to replay");
    }

    static void check()
    {
        QFETCH(int, target);
        QFETCH(QByteArray, input);
        const QString problem = FuzzCheck::checkBytes(FuzzCheck::Target(target), input);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

private Q_SLOTS:
    void regressions_data() { addRows(QStringLiteral("regressions")); }
    void regressions() { check(); }

    void seeds_data() { addRows(QStringLiteral("corpus")); }
    void seeds() { check(); }

    // What the faults found by fuzzing looked like from outside, pinned down
    // beyond "the invariants hold".
    void foundFaults()
    {
        QVERIFY(!parseAddressList(QString::fromLatin1("x@[12\0\0"
                                                      "0.0.1]",
                                                      14))
                     .ok());
        QVERIFY(!parseAddressList(QStringLiteral("\"a\\\x04"
                                                 "b\"@x.it"))
                     .ok());
        QVERIFY(parseAddressList(QStringLiteral("\"a\\\"b\"@x.it")).ok());
        QVERIFY(!parseServerAddress(QString::fromLatin1("0\0", 2)));
        QVERIFY(!parseServerAddress(QStringLiteral("[fe80::1%a/b]:25")));
        QCOMPARE(parseServerAddress(QString(QChar(0x2078)))->url(), QStringLiteral("smtp://0.0.0.8:25"));
        QCOMPARE(parseServerAddress(QStringLiteral("smtp://127.0."))->url(),
                 QStringLiteral("smtp://127.0.0.0:25"));
        QCOMPARE(parseServerAddress(QStringLiteral("[fe80::1]:2525"))->url(),
                 QStringLiteral("smtp://[fe80::1]:2525"));
        const QChar units[] = {QChar(0xd9d9), QChar(0xd9d9), QChar(0xdc00)};
        const QString loneThenPair(units, 3);
        QCOMPARE(unstructuredHeader("Subject", loneThenPair),
                 "Subject: =?UTF-8?B?P/KGkIA=?=\r\n"); // '?', U+86400
        // C1 controls and bidi overrides in a reply once reached the message box.
        SmtpDialogue dialogue;
        QVERIFY(dialogue.replyLine("550 a\x1b[31m\xc2\x85\xe2\x80\xae b\r\n"));
        QCOMPARE(dialogue.replyText, QStringLiteral("550 a [31m   b"));
        QCOMPARE(dialogue.replyCode, 550);
    }

    // The checks themselves must catch what they are there to catch.
    void checksCatchFaults()
    {
        QVERIFY(!FuzzCheck::addressProblem(QStringLiteral("a@b@c.it")).isEmpty());
        QVERIFY(!FuzzCheck::addressProblem(QStringLiteral("a b@c.it")).isEmpty());
        QVERIFY(!FuzzCheck::addressProblem(QStringLiteral("a@c.it\r\nRCPT TO:<x@y.it>")).isEmpty());
        QVERIFY(!FuzzCheck::addressProblem(QStringLiteral("\"a\\\x04\"@c.it")).isEmpty());
        QVERIFY(FuzzCheck::addressProblem(QStringLiteral("\"a b@\"@c.it")).isEmpty());
        QVERIFY(!FuzzCheck::wireShapeProblem("Subject: a\r\n \r\n").isEmpty());
        QVERIFY(!FuzzCheck::wireShapeProblem("Subject: a\nb\r\n").isEmpty());
        QVERIFY(!FuzzCheck::wireShapeProblem("Subject: \x80\r\n").isEmpty());
        QVERIFY(!FuzzCheck::wireShapeProblem("Subject: " + QByteArray(990, 'x') + "\r\n").isEmpty());
        QVERIFY(!FuzzCheck::decodeWord("=?UTF-8?B?w6g?="));  // bad padding
        QVERIFY(!FuzzCheck::decodeWord("=?UTF-8?B?w6jD?=")); // half a character
        QCOMPARE(FuzzCheck::decodeWord("=?UTF-8?B?w6g=?="), QByteArray("\xc3\xa8"));
        QCOMPARE(FuzzCheck::decodePhrase({"\"a\\\"b\""}), QByteArray("a\"b"));
        QVERIFY(!FuzzCheck::decodePhrase({"a,b"}));
        QCOMPARE(FuzzCheck::textsFromBytes(QByteArray("a", 1)).size(), 1);
        QCOMPARE(FuzzCheck::textsFromBytes(QByteArray("\x00\xd8", 2)).last(), QString(QChar(0xd800)));
        QVERIFY(!FuzzCheck::shownTextProblem(QStringLiteral("550 a\u0085b")).isEmpty());
        QVERIFY(!FuzzCheck::shownTextProblem(QStringLiteral("550 \u202Eevil")).isEmpty());
        QVERIFY(!FuzzCheck::shownTextProblem(QString(QChar(0xdc00))).isEmpty());
        QVERIFY(FuzzCheck::shownTextProblem(QStringLiteral("550 no \U0001F600")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"
