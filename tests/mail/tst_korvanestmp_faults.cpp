// Servers that refuse, hang up, stall or never answer; a name lookup that
// hangs; and a component destroyed while it sends.

#include "tests/support/SmtpTestCase.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

using namespace MailTest;

class TestKorvaneSmtpFaults : public SmtpTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void serverFault_data();
    void serverFault();
    void silentAtQuit_data();
    void silentAtQuit();
    void destroyedMidSend_data();
    void destroyedMidSend();

private:
    QTemporaryDir m_dir;
    QString m_bigFile;
};

void TestKorvaneSmtpFaults::initTestCase()
{
    SmtpTestCase::initTestCase();
    // Large enough to outlast the socket buffers, so faults strike mid-stream.
    m_bigFile = m_dir.filePath(QStringLiteral("grande.bin"));
    QByteArray chunk(qsizetype(1024) * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < chunk.size(); ++i)
        chunk[i] = char((i * 7919) >> 3);
    QVERIFY(writeFile(m_bigFile, chunk.repeated(12)));
}

void TestKorvaneSmtpFaults::serverFault_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("recipients");
    QTest::addColumn<bool>("bigAttachment");
    QTest::addColumn<QList<int>>("numbers");
    QTest::addColumn<QStringList>("says");
    // A refusal of the message as a whole must not blame a recipient.
    QTest::addColumn<QString>("blamesNot");

    const QString anna = QStringLiteral("anna@example.org");
    QTest::newRow("connection refused") << QStringList{"--stopped"} << anna << false << QList<int>{7}
                                        << QStringList{"connessione rifiutata"} << QString();
    // No network here: a name under .invalid is answered at once by the resolver.
    QTest::newRow("unknown host") << QStringList{"--unknown-host"} << anna << false << QList<int>{6}
                                  << QStringList{"sconosciuto", "nessuno.invalid"} << QString();
    // The preloaded lookup shim makes names under .hang.test hang for 15 s.
    QTest::newRow("name lookup times out")
        << QStringList{"--hang-lookup"} << anna << false << QList<int>{28}
        << QStringList{"ricerca dell'indirizzo", "lento.hang.test"} << QString();
    QTest::newRow("421 greeting") << QStringList{"--greeting-421"} << anna << false << QList<int>{421}
                                  << QStringList{"service not available"} << QString();
    QTest::newRow("never greets") << QStringList{"--no-greeting"} << anna << false << QList<int>{28}
                                  << QStringList{"non ha risposto in tempo"} << QString();
    QTest::newRow("550 for one of three recipients")
        << QStringList{"--refuse-rcpt", "bad@example.org"}
        << "anna@example.org, Mario Bad <bad@example.org>; carla@example.org" << false << QList<int>{550}
        << QStringList{"bad@example.org", "User unknown"} << QString();
    QTest::newRow("451 after DATA") << QStringList{"--data-reply", "451"} << anna << false << QList<int>{451}
                                    << QStringList{"temporary local problem"} << anna;
    QTest::newRow("552 after DATA") << QStringList{"--data-reply", "552"} << anna << false << QList<int>{552}
                                    << QStringList{"exceeds storage allocation"} << anna;
    QTest::newRow("554 after DATA") << QStringList{"--data-reply", "554"} << anna << false << QList<int>{554}
                                    << QStringList{"rejected as spam"} << anna;
    QTest::newRow("dropped in DATA") << QStringList{"--drop-in-data", "--fault-after", "100000"} << anna
                                     << true << QList<int>{55, 56} << QStringList{"interrotta"} << QString();
    QTest::newRow("stalls in DATA") << QStringList{"--stall-in-data", "--fault-after", "100000"} << anna
                                    << true << QList<int>{28} << QStringList{"smesso di rispondere"}
                                    << QString();
}

void TestKorvaneSmtpFaults::serverFault()
{
    QFETCH(QStringList, options);
    QFETCH(QString, recipients);
    QFETCH(bool, bigAttachment);
    QFETCH(QList<int>, numbers);
    QFETCH(QStringList, says);
    QFETCH(QString, blamesNot);

    const bool stopped = options.removeAll(QStringLiteral("--stopped")) > 0;
    const bool unknownHost = options.removeAll(QStringLiteral("--unknown-host")) > 0;
    const bool hangLookup = options.removeAll(QStringLiteral("--hang-lookup")) > 0;
    if (hangLookup && !qEnvironmentVariable("LD_PRELOAD").contains(QLatin1String("lookuphang")))
        QSKIP("needs the lookup shim preloaded, as ctest does");
    SendFixture f(options);
    KORVANE_START(f.server);
    if (stopped)
        f.server.stop();
    if (unknownHost)
        f.component.setServer(QStringLiteral("nessuno.invalid:%1").arg(f.server.port()));
    if (hangLookup)
        f.component.setServer(QStringLiteral("lento.hang.test:%1").arg(f.server.port()));
    f.component.setRecipient(recipients);
    if (bigAttachment)
        f.component.setAttachments(m_bigFile);
    f.component.setConnectTimeoutMs(1500);
    f.component.setStallTimeoutMs(1500);
    KORVANE_SEND(f.component, f.watch, 20000);
    QVERIFY2(!f.watch.failed.isEmpty(), f.watch.outcome().constData());
    QVERIFY2(numbers.contains(f.watch.number()), f.watch.outcome().constData());
    for (const QString &text : says)
        QVERIFY2(f.watch.description().contains(text, Qt::CaseInsensitive), f.watch.outcome().constData());
    if (!blamesNot.isEmpty())
        QVERIFY2(!f.watch.description().contains(blamesNot), f.watch.outcome().constData());
    if (!options.contains(QLatin1String("--data-reply")))
        QCOMPARE(f.server.messages().size(), 0);

    followingSendSucceeds(f.component, f.watch);
}

void TestKorvaneSmtpFaults::silentAtQuit_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<int>("number");
    QTest::newRow("accepted") << QStringList{"--silent-at", "QUIT"} << "anna@example.org" << 0;
    QTest::newRow("recipient refused")
        << QStringList{"--silent-at", "QUIT", "--refuse-rcpt", "bad@example.org"} << "bad@example.org" << 550;
}

// A server that never answers QUIT: the outcome does not wait for it, nor
// does a Send() made as soon as it arrives, and the window's thread never
// stalls; QUIT is still said, and the connection closed after its own short
// wait. Every bound is far below the server's silence, which only the
// 60 s stall limit would end.
void TestKorvaneSmtpFaults::silentAtQuit()
{
    QFETCH(QStringList, options);
    QFETCH(QString, recipient);
    QFETCH(int, number);
    constexpr int silenceMs = 60000;
    SendFixture f(options);
    KORVANE_START(f.server);
    f.component.setRecipient(recipient);
    f.component.setStallTimeoutMs(silenceMs);
    QObject::connect(&f.component, &MailComponent::SendCompleted, &f.component, &KorvaneSTMP::Send,
                     Qt::SingleShotConnection);
    QObject::connect(&f.component, &MailComponent::SendFailed, &f.component, &KorvaneSTMP::Send,
                     Qt::SingleShotConnection);

    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestStall = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStall = qMax(longestStall, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
    });
    clock.start();
    ticker.start(5);
    f.component.Send();
    QTRY_VERIFY_WITH_TIMEOUT(f.watch.outcomes() == 2, silenceMs / 2);
    QVERIFY2(longestStall < silenceMs / 10, qPrintable(QString::number(longestStall)));
    for (qsizetype i = 0; i < 2; ++i)
        QCOMPARE(i < f.watch.failed.size() ? f.watch.failed.at(i).at(0).value<qint16>() : qint16(0), number);
    QCOMPARE(f.watch.readyAtSignal, (QList<bool>{true, true}));

    QTRY_VERIFY_WITH_TIMEOUT(f.server.sessionLog().filter(QStringLiteral("* closed")).size() == 2,
                             silenceMs / 2);
    QCOMPARE(f.server.commands().filter(QStringLiteral("QUIT")).size(), 2);
    QVERIFY2(longestStall < silenceMs / 10, qPrintable(QString::number(longestStall)));
}

void TestKorvaneSmtpFaults::destroyedMidSend_data()
{
    QTest::addColumn<QStringList>("options");
    // A server that stopped reading never learns of the abort: the client's
    // FIN waits behind the bytes its window refuses.
    QTest::addColumn<bool>("closeVisible");
    QTest::newRow("slow server") << QStringList{"--slow-data", "2000000"} << true;
    QTest::newRow("stalled server") << QStringList{"--stall-in-data", "--fault-after", "100000"} << false;
}

void TestKorvaneSmtpFaults::destroyedMidSend()
{
    QFETCH(QStringList, options);
    QFETCH(bool, closeVisible);
    SmtpTestServer server(options);
    KORVANE_START(server);
    auto *component = new KorvaneSTMP;
    configure(*component, server);
    component->setAttachments(m_bigFile);
    int signalsAfterDestruction = 0;
    bool destroyed = false;
    QObject guard;
    const auto count = [&] { signalsAfterDestruction += destroyed ? 1 : 0; };
    QObject::connect(component, &MailComponent::SendFailed, &guard, count);
    QObject::connect(component, &MailComponent::SendCompleted, &guard, count);
    SendWatch watch(component);

    component->Send();
    QVERIFY2(server.waitForLogLine(QStringLiteral("S 354"), 15000),
             qPrintable(server.sessionLog().join('\n')));
    QTRY_VERIFY_WITH_TIMEOUT(watch.lastSent > 0, 10000);
    QCOMPARE(watch.outcomes(), 0);

    destroyed = true;
    delete component;
    if (closeVisible)
        QVERIFY2(server.waitForLogLine(QStringLiteral("* closed"), 20000),
                 qPrintable(server.sessionLog().join('\n')));
    // No signal may come, and there is no event to wait for: a grace period
    // lets a late one show.
    QTest::qWait(300);
    QCOMPARE(signalsAfterDestruction, 0);
    QCOMPARE(watch.outcomes(), 0);
    QCOMPARE(server.messages().size(), 0);
    QVERIFY(!server.sessionLog().join('\n').contains(QLatin1String("end of DATA")));
}

QTEST_GUILESS_MAIN(TestKorvaneSmtpFaults)
#include "tst_korvanestmp_faults.moc"
