// The program in a process of its own (window_helper): start-up and close
// with a settings file that cannot be used, a mailto: link on the command
// line, and closing during a large send.
#include "SmtpTestServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString aboutBox = u"box Informazioni su KorvaneSTMP: "_s;

QProcessEnvironment configEnvironment(const QString &dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, dir);
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    return env;
}

QString helperPath() { return QCoreApplication::applicationDirPath() + u"/window_helper"_s; }

} // namespace

class TestWindowProcess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unusableSettings_data();
    void unusableSettings();
    void mailtoLinkFillsBoxes_data();
    void mailtoLinkFillsBoxes();
    void closeDuringLargeSend_data();
    void closeDuringLargeSend();
    void closeWhileNetworkHangs_data();
    void closeWhileNetworkHangs();
};

void TestWindowProcess::unusableSettings_data()
{
    QTest::addColumn<QByteArray>("contents"); // of the file; a directory when null
    QTest::addColumn<bool>("readOnly");

    QByteArray binary(qsizetype(64) * 1024, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(binary.data()), binary.size() / 4);
    QTest::newRow("corrupted text")
        << "[EMAIL\nMITTENTE=\"non chiuso\n[STMP]]]\nSERVER=@Variant(\\0\\0\\x7f)\n=\n\\\\\n[%ZZ]\nPRIORITA=@Point(\n"_ba
        << false;
    QTest::newRow("binary") << binary << false;
    QTest::newRow("settings path is a directory") << QByteArray() << false;
    QTest::newRow("read-only config directory") << "[STMP]\nSERVER=smtp.example.org\n"_ba << true;
}

void TestWindowProcess::unusableSettings()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, readOnly);
    QTemporaryDir config;
    QVERIFY(config.isValid());
    const QString ini = config.filePath(u"KORVANE_CLIENT_STMP.ini"_s);
    if (contents.isNull()) {
        QVERIFY(QDir().mkpath(ini));
    } else {
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(contents), contents.size());
    }
    QStringList arguments{u"open-close"_s};
    if (readOnly) {
        const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(ini, readable));
        QVERIFY(QFile::setPermissions(config.path(),
                                      readable | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
        arguments << u"--as-nobody"_s; // root would write there regardless
    }
    QProcess program;
    program.setProcessEnvironment(configEnvironment(config.path()));
    program.start(helperPath(), arguments);
    QVERIFY2(program.waitForFinished(30000), "the program did not close");
    if (readOnly)
        QFile::setPermissions(config.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == 0, program.readAllStandardError().constData());
    // Only the about box of every start-up: nothing about the settings.
    const QStringList shown
        = QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().startsWith(aboutBox), qPrintable(shown.first()));
    if (readOnly) {
        QFile file(ini);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), contents);
    }
}

void TestWindowProcess::mailtoLinkFillsBoxes_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QStringList>("boxes"); // after the about box, in the helper's order
    QTest::addColumn<QString>("shown");     // a message box after the about box

    const QStringList kept{u"field txtSrvSTMP: smtp.example.it:587"_s,
                           u"field txtMittente: mario@example.it"_s};
    QTest::newRow("a new message")
        << u"mailto:anna@example.org,luca@example.org?subject=Preventivo%20caff%C3%A8"
           "&body=Buongiorno%2C%0D%0Aecco+il+preventivo.&X-Mailer=altro"_s
        << kept
            + QStringList{u"field txtDestinatario: anna@example.org, luca@example.org"_s,
                          u"field txtCopiaCarbone: "_s,
                          u"field txtCopiaCarboneNascosta: "_s,
                          u"field txtAllegati: /tmp/listino.ods"_s,
                          u"field txtOggetto: Preventivo caffè"_s,
                          u"field txtContenuto: Buongiorno,\\necco+il+preventivo."_s,
                          u"field cboPriorita: Alta"_s}
        << QString();
    QTest::newRow("a broken link leaves the restored fields")
        << u"mailto:anna@example.org?subject=100%"_s
        << kept
            + QStringList{u"field txtDestinatario: vecchio@example.it"_s,
                          u"field txtCopiaCarbone: copia@example.it"_s,
                          u"field txtCopiaCarboneNascosta: nascosta@example.it"_s,
                          u"field txtAllegati: /tmp/listino.ods"_s,
                          u"field txtOggetto: Vecchio oggetto"_s,
                          u"field txtContenuto: Vecchio testo"_s,
                          u"field cboPriorita: Alta"_s}
        << u"box Attenzione!: Il collegamento mailto: non è valido e non è stato usato."_s;
}

void TestWindowProcess::mailtoLinkFillsBoxes()
{
    QFETCH(QString, link);
    QFETCH(QStringList, boxes);
    QFETCH(QString, shown);
    QTemporaryDir config;
    QVERIFY(config.isValid());
    QFile ini(config.filePath(u"KORVANE_CLIENT_STMP.ini"_s));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[STMP]\nSERVER=smtp.example.it:587\n[EMAIL]\nMITTENTE=mario@example.it\n"
              "DESTINATARIO=vecchio@example.it\nCC=copia@example.it\nBCC=nascosta@example.it\n"
              "ALLEGATI=/tmp/listino.ods\nPRIORITA=0\nOGGETTO=Vecchio oggetto\nCONTENUTO=Vecchio testo\n");
    ini.close();

    QProcess program;
    program.setProcessEnvironment(configEnvironment(config.path()));
    program.start(helperPath(), {u"open"_s, link});
    QVERIFY2(program.waitForFinished(30000), "the program did not close");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == 0, program.readAllStandardError().constData());
    const QStringList lines
        = QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.mid(0, boxes.size()), boxes);
    QVERIFY2(lines.value(boxes.size()).startsWith(aboutBox), qPrintable(lines.join(u'\n')));
    QCOMPARE(lines.mid(boxes.size() + 1), shown.isNull() ? QStringList() : QStringList{shown});
}

void TestWindowProcess::closeDuringLargeSend_data()
{
    QTest::addColumn<QStringList>("options");
    // A server that keeps up is the one that would take a truncated message
    // if the client ended its DATA when it should drop the connection.
    QTest::newRow("server keeping up") << QStringList();
    QTest::newRow("slow server") << QStringList{u"--slow-data"_s, u"4000000"_s};
}

void TestWindowProcess::closeDuringLargeSend()
{
    QFETCH(QStringList, options);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Sparse, so it takes no room and no time to make; under the test
    // server's 64 MB limit once encoded, so the server takes it.
    const QString big = dir.filePath(u"grande.bin"_s);
    QFile file(big);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(40LL * 1024 * 1024));
    file.close();
    SmtpTestServer server(options);
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));

    QProcess program;
    program.setProcessEnvironment(configEnvironment(dir.path()));
    program.start(helperPath(),
                  {u"send-and-close"_s, server.hostAndPort(), big, QString::number(2 * 1024 * 1024)});
    QVERIFY(SmtpTestServer::waitFor(
        [&] { return program.canReadLine() || program.state() == QProcess::NotRunning; }, 20000));
    QVERIFY2(program.canReadLine() && program.readLine() == "closing\n"_ba,
             qPrintable(server.sessionLog().join(u'\n')));
    QElapsedTimer closing;
    closing.start();
    // A correctness bound, far above the 2 s the program is meant to take.
    // The wait above spins the event loop, which may already have seen the
    // process end, and waitForFinished() is false for a process that has.
    QVERIFY2(program.state() == QProcess::NotRunning || program.waitForFinished(10000),
             "the program still runs 10 s after its window closed");
    qInfo("the process exited %lld ms after its window closed", closing.elapsed());
    QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
             program.readAllStandardError().constData());

    QVERIFY2(server.waitForLogLine(u"* closed"_s, 10000), qPrintable(server.sessionLog().join(u'\n')));
    QCOMPARE(server.messages().size(), 0);
    QVERIFY(!server.sessionLog().join(u'\n').contains(u"end of DATA"_s));
}

void TestWindowProcess::closeWhileNetworkHangs_data()
{
    QTest::addColumn<QStringList>("options");
    // What the window waits for before it is closed: a line of the server's
    // transcript, or the start of the hanging name lookup.
    QTest::addColumn<QString>("closeAfter");
    QTest::addColumn<int>("messages"); // the server took
    // Closed as soon as the message is accepted, and once QUIT is unanswered.
    QTest::newRow("silent after its 250 to the message")
        << QStringList{u"--silent-at"_s, u"QUIT"_s} << u"S 250 2.0.0"_s << 1;
    QTest::newRow("silent at QUIT") << QStringList{u"--silent-at"_s, u"QUIT"_s} << u"silent at QUIT"_s << 1;
    QTest::newRow("name lookup hangs") << QStringList() << QString() << 0;
}

// Whatever the network does, closing the window ends the program promptly:
// far sooner than the server's silence (ended only by the 60 s stall limit)
// or the lookup's hang (120 s) would let a program that waits for them end.
void TestWindowProcess::closeWhileNetworkHangs()
{
    QFETCH(QStringList, options);
    QFETCH(QString, closeAfter);
    QFETCH(int, messages);
    constexpr int hangMs = 120000;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SmtpTestServer server(options);
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    const QString lookupStarted = dir.filePath(u"lookup-started"_s);
    const QString shim = QCoreApplication::applicationDirPath() + u"/../mail/liblookuphang.so"_s;
    QProcessEnvironment env = configEnvironment(dir.path());
    QString address = server.hostAndPort();
    if (closeAfter.isEmpty()) {
        QVERIFY2(QFile::exists(shim), qPrintable(shim));
        env.insert(u"LD_PRELOAD"_s, shim);
        env.insert(u"ASAN_OPTIONS"_s, env.value(u"ASAN_OPTIONS"_s) + u":verify_asan_link_order=0"_s);
        env.insert(u"KORVANE_LOOKUP_HANG_MS"_s, QString::number(hangMs));
        env.insert(u"KORVANE_LOOKUP_HANG_MARK"_s, lookupStarted);
        address = u"lento.hang.test:%1"_s.arg(server.port());
    }

    QProcess program;
    program.setProcessEnvironment(env);
    program.start(helperPath(), {u"send-then-close"_s, address});
    const auto ready = [&] {
        return closeAfter.isEmpty() ? QFile::exists(lookupStarted) : server.waitForLogLine(closeAfter, 0);
    };
    QVERIFY2(
        SmtpTestServer::waitFor([&] { return ready() || program.state() == QProcess::NotRunning; }, 30000),
        qPrintable(server.sessionLog().join(u'\n')));
    QVERIFY2(ready(), qPrintable(server.sessionLog().join(u'\n')));
    QElapsedTimer closing;
    closing.start();
    program.write("close\n");
    QVERIFY2(SmtpTestServer::waitFor([&] { return program.state() == QProcess::NotRunning; }, hangMs / 10),
             "the program still runs long after its window closed");
    qInfo("the process exited %lld ms after its window was told to close", closing.elapsed());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == 0, program.readAllStandardError().constData());
    QCOMPARE(server.messages().size(), messages);
}

QTEST_GUILESS_MAIN(TestWindowProcess)
#include "tst_windowprocess.moc"
