// The program in a process of its own (window_helper): start-up and close
// with a settings file that cannot be used, a mailto: link on the command
// line, closing during a large send, and the ends of a run that are not the
// close button (signals, a kill) with its recovery copy.
#include "common/FileLock.h"
#include "tests/support/SmtpTestServer.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

using TestFiles::readFile;
using TestFiles::writeFile;

const QString aboutBox = u"box Informazioni su KorvaneSTMP: "_s;

QProcessEnvironment configEnvironment(const QString &dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, dir);
    env.insert(u"XDG_DATA_HOME"_s, dir + u"/data"_s);
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    return env;
}

QString helperPath() { return QCoreApplication::applicationDirPath() + u"/window_helper"_s; }

const QByteArray savedIni
    = "[STMP]\nSERVER=smtp.example.it:587\n[EMAIL]\nMITTENTE=mario@example.it\n"
      "DESTINATARIO=vecchio@example.it\nCC=copia@example.it\nBCC=nascosta@example.it\n"
      "ALLEGATI=/tmp/listino.ods\nPRIORITA=0\nOGGETTO=Vecchio oggetto\nCONTENUTO=Vecchio testo\n"_ba;

QStringList recoveryFiles(const QString &dir, const QString &pattern = u"*.recovery-*.json"_s)
{
    return QDir(dir).entryList({pattern}, QDir::Files);
}

// The helper's "field NAME: TEXT" lines, up to "ready" or the end.
QStringList fieldLines(QProcess &program)
{
    QStringList lines;
    while (program.canReadLine() || program.waitForReadyRead(30000)) {
        const QString line = QString::fromUtf8(program.readLine()).chopped(1);
        if (line == u"ready"_s)
            break;
        if (line.startsWith(u"field "_s))
            lines << line;
    }
    return lines;
}

bool waitForLine(QProcess &program, const QByteArray &expected)
{
    while (program.canReadLine() || program.waitForReadyRead(30000)) {
        if (program.readLine() == expected)
            return true;
    }
    return false;
}

// A child whose SIGINT is ignored or not, whatever the test inherited; with
// draft, the window a start opens for that draft.
void startSession(QProcess &program, const QString &config, const QStringList &arguments,
                  bool sigintIgnored = false, const QString &draft = {})
{
    QProcessEnvironment environment = configEnvironment(config);
    if (!draft.isEmpty())
        environment.insert(u"KORVANE_CLIENT_DRAFT"_s, draft);
    program.setProcessEnvironment(environment);
    program.setChildProcessModifier([sigintIgnored] {
        std::signal(SIGINT, sigintIgnored ? SIG_IGN : SIG_DFL);
        std::signal(SIGHUP, SIG_DFL);
    });
    program.start(helperPath(), QStringList{u"session"_s} + arguments);
}

// The saved settings written in config; gives the file's path.
QString writeSavedIni(const QTemporaryDir &config)
{
    QString ini = config.filePath(u"KORVANE_CLIENT_STMP.ini"_s);
    writeFile(ini, savedIni);
    return ini;
}

bool signalIgnored(qint64 pid, int number)
{
    const QList<QByteArray> status = readFile(u"/proc/%1/status"_s.arg(pid)).split('\n');
    for (const QByteArray &line : status) {
        if (line.startsWith("SigIgn:"))
            return ((line.mid(7).trimmed().toULongLong(nullptr, 16) >> (number - 1)) & 1U) != 0;
    }
    return false;
}

// What the user typed in the session tests, and how the helper shows it.
const QByteArray typing = "set txtDestinatario anna@example.org\nset txtOggetto Preventivo scritto\n"
                          "set txtContenuto Riga uno\\nriga due\npriority 2\necho typed\n"_ba;
const QStringList typed{u"field txtSrvSTMP: smtp.example.it:587"_s,
                        u"field txtMittente: mario@example.it"_s,
                        u"field txtDestinatario: anna@example.org"_s,
                        u"field txtCopiaCarbone: copia@example.it"_s,
                        u"field txtCopiaCarboneNascosta: nascosta@example.it"_s,
                        u"field txtAllegati: /tmp/listino.ods"_s,
                        u"field txtOggetto: Preventivo scritto"_s,
                        u"field txtContenuto: Riga uno\\nriga due"_s,
                        u"field cboPriorita: Bassa"_s};
const QStringList saved{u"field txtSrvSTMP: smtp.example.it:587"_s,
                        u"field txtMittente: mario@example.it"_s,
                        u"field txtDestinatario: vecchio@example.it"_s,
                        u"field txtCopiaCarbone: copia@example.it"_s,
                        u"field txtCopiaCarboneNascosta: nascosta@example.it"_s,
                        u"field txtAllegati: /tmp/listino.ods"_s,
                        u"field txtOggetto: Vecchio oggetto"_s,
                        u"field txtContenuto: Vecchio testo"_s,
                        u"field cboPriorita: Alta"_s};

// How the helper shows the recovery box: its lines joined by spaces.
QString recoveryBox(bool restored, const QStringList &setAside)
{
    QStringList parts;
    if (restored)
        parts << u"È stata ripristinata la bozza di una sessione che non si era chiusa."_s;
    if (!setAside.isEmpty())
        parts << u"Copie di recupero non usate sono state messe da parte nella cartella %1: %2"_s.arg(
            QFileInfo(setAside.first()).absolutePath(), setAside.join(u' '));
    return u"box Recupero: "_s + parts.join(u"  "_s);
}

const QString offeredBox
    = u"box Recupero: Questa finestra riapre un'altra bozza non inviata, rimasta da una sessione precedente."_s;

// The other lines said meanwhile go to said.
int boxesSoFar(QProcess &program, QStringList *said = nullptr)
{
    program.write("boxes\n");
    while (program.canReadLine() || program.waitForReadyRead(30000)) {
        const QByteArray line = program.readLine();
        if (line.startsWith("boxes "))
            return line.mid(6).trimmed().toInt();
        if (said)
            *said << QString::fromUtf8(line).chopped(1);
    }
    return -1;
}

// A session on the saved settings, the typing done.
void startTyped(QProcess &program, const QString &config, bool sigintIgnored = false)
{
    startSession(program, config, {}, sigintIgnored);
    QCOMPARE(fieldLines(program), saved);
    program.write(typing);
    QVERIFY(waitForLine(program, "typed\n"_ba));
}

struct Start
{
    QStringList fields;
    QStringList told;   // the boxes after the about box
    QStringList drafts; // the copies offered to windows of their own
};

// An ordinary start (or, with draft, the window opened for that draft),
// closed once it has shown told boxes after the about box and offered drafts.
Start startAndClose(const QString &config, int told, int drafts = 0, const QString &draft = {})
{
    Start start;
    QProcess program;
    startSession(program, config, {}, false, draft);
    start.fields = fieldLines(program);
    QStringList said;
    const auto draftLines = [&] {
        return std::ranges::count_if(said, [](const QString &line) { return line.startsWith(u"draft "_s); });
    };
    if (!QTest::qWaitFor([&] { return boxesSoFar(program, &said) >= 1 + told && draftLines() >= drafts; },
                         20000))
        qWarning("the start did not show %d boxes and %d drafts", told, drafts);
    program.write("close\n");
    if (!(program.state() == QProcess::NotRunning || program.waitForFinished(10000)))
        program.kill();
    said += QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : std::as_const(said)) {
        if (line.startsWith(u"box "_s) && !line.startsWith(aboutBox))
            start.told << line;
        if (line.startsWith(u"draft "_s))
            start.drafts << line.mid(6);
    }
    return start;
}

// Waits for a copy in config whose text has want, and gives its path.
QString copyWith(const QString &config, const QByteArray &want)
{
    QString found;
    // Nothing found is told by the empty path.
    std::ignore = QTest::qWaitFor(
        [&] {
            for (const QString &name : recoveryFiles(config)) {
                if (readFile(config + u'/' + name).contains(want))
                    found = config + u'/' + name;
            }
            return !found.isEmpty();
        },
        20000);
    return found;
}

bool endedWell(QProcess &program, int signal)
{
    return (program.state() == QProcess::NotRunning || program.waitForFinished(10000))
        && (signal == SIGKILL || (program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0));
}

// A signal, and the end it brings.
bool endsOn(QProcess &program, int signal)
{
    return ::kill(pid_t(program.processId()), signal) == 0 && endedWell(program, signal);
}

} // namespace

class TestWindowProcess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mailtoLinkFillsBoxes_data();
    void mailtoLinkFillsBoxes();
    void closeDuringLargeSend_data();
    void closeDuringLargeSend();
    void closeWhileNetworkHangs_data();
    void closeWhileNetworkHangs();
    void endOfRun_data();
    void endOfRun();
    void twoWindowsKeepTheirCopies();
    void storeLockHeldElsewhere();
    void owners_data();
    void owners();
    void storeFailures_data();
    void storeFailures();
    void strangeCopies_data();
    void strangeCopies();
};

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
                          u"field txtAllegati: "_s,
                          u"field txtOggetto: Preventivo caffè"_s,
                          u"field txtContenuto: Buongiorno,\\necco+il+preventivo."_s,
                          u"field cboPriorita: Normale"_s}
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
    if (!SmtpTestServer::waitFor([&] { return program.state() == QProcess::NotRunning; }, hangMs / 10)) {
        program.kill();
        program.waitForFinished();
        QFAIL(qPrintable(
            u"the program still runs long after its window closed; it said:\n"_s
            + QString::fromLocal8Bit(program.readAllStandardOutput() + program.readAllStandardError())));
    }
    qInfo("the process exited %lld ms after its window was told to close", closing.elapsed());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == 0, program.readAllStandardError().constData());
    QCOMPARE(server.messages().size(), messages);
}

void TestWindowProcess::endOfRun_data()
{
    QTest::addColumn<int>("ending"); // the signal the first run gets
    QTest::addColumn<bool>("sigintIgnored");
    QTest::addColumn<QByteArray>("leftover"); // a recovery file there before; none when null

    QTest::newRow("SIGTERM") << int(SIGTERM) << false << QByteArray();
    QTest::newRow("SIGHUP") << int(SIGHUP) << false << QByteArray();
    QTest::newRow("SIGINT") << int(SIGINT) << false << QByteArray();
    QTest::newRow("SIGINT inherited as ignored stays so") << int(SIGTERM) << true << QByteArray();
    QTest::newRow("kill -9 once the copy is written") << int(SIGKILL) << false << QByteArray();
    QTest::newRow("garbage copy, then kill -9") << int(SIGKILL) << false << "{\"format\": \x01\xff"_ba;
    QTest::newRow("copy of another kind, then SIGTERM")
        << int(SIGTERM) << false << "{\"format\":\"korvane-client recovery 1\",\"takenAtMs\":5}"_ba;
}

namespace {

// Waits for the recovery copy of what startTyped() typed, then kills the run
// outright, as a crash or a power cut would end it.
void killOnceCopied(QProcess &program, const QTemporaryDir &config, const QString &ini)
{
    QElapsedTimer sinceTyping;
    sinceTyping.start();
    QString copy;
    QVERIFY(QTest::qWaitFor(
        [&] {
            for (const QString &name : recoveryFiles(config.path())) {
                const QJsonObject json = QJsonDocument::fromJson(readFile(config.filePath(name))).object();
                if (json.value(u"body"_s).toString() == u"Riga uno\nriga due"_s
                    && json.value(u"priorityIndex"_s).toInt() == 2)
                    copy = config.filePath(name);
            }
            return !copy.isEmpty();
        },
        20000));
    qInfo("the copy was written %lld ms after the last change", sinceTyping.elapsed());
    // Owner, group and others; the "user" bits only repeat the owner's.
    QCOMPARE(QFile::permissions(copy) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
    program.kill();
    QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(10000));
    QCOMPARE(readFile(ini), savedIni); // the settings change only at a close
}

// Ends the run with the signal ending: the program closes as if its window
// were closed, storing the fields, and leaves no recovery copy behind.
void endBySignal(QProcess &program, int ending, bool sigintIgnored, const QString &config, const QString &ini)
{
    QCOMPARE(signalIgnored(program.processId(), SIGINT), sigintIgnored);
    QElapsedTimer sinceSignal;
    sinceSignal.start();
    QCOMPARE(::kill(pid_t(program.processId()), ending), 0);
    QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(10000));
    qInfo("the process exited %lld ms after the signal", sinceSignal.elapsed());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == 0, program.readAllStandardError().constData());
    QCOMPARE(QSettings(ini, QSettings::IniFormat).value(u"EMAIL/OGGETTO"_s).toString(),
             u"Preventivo scritto"_s);
    QCOMPARE(recoveryFiles(config), QStringList());
}

} // namespace

// However the run ends, what was typed comes back at the next start: stored
// by a close for a signal, from the recovery copy after a kill.
void TestWindowProcess::endOfRun()
{
    QFETCH(int, ending);
    QFETCH(bool, sigintIgnored);
    QFETCH(QByteArray, leftover);
    QTemporaryDir config;
    QVERIFY(config.isValid());
    const QString ini = writeSavedIni(config);
    const QString leftoverPath = config.filePath(u"KORVANE_CLIENT_STMP.recovery-1-1.json"_s);
    if (!leftover.isNull())
        writeFile(leftoverPath, leftover);

    QProcess program;
    startTyped(program, config.path(), sigintIgnored);
    if (QTest::currentTestFailed())
        return;
    if (ending == SIGKILL)
        killOnceCopied(program, config, ini);
    else
        endBySignal(program, ending, sigintIgnored, config.path(), ini);
    if (QTest::currentTestFailed())
        return;

    // Told once, what came back after a kill (a copy that was none went
    // aside, and was told, at the first start).
    const bool restored = ending == SIGKILL;
    const Start next = startAndClose(config.path(), restored ? 1 : 0);
    QCOMPARE(next.fields, typed);
    QCOMPARE(next.told, restored ? QStringList{recoveryBox(true, {})} : QStringList());
    QCOMPARE(recoveryFiles(config.path()), QStringList());
    QCOMPARE(recoveryFiles(config.path(), u"*.lock"_s), QStringList());
    QCOMPARE(QSettings(ini, QSettings::IniFormat).value(u"EMAIL/CONTENUTO"_s).toString(),
             u"Riga uno\nriga due"_s);
    if (!leftover.isNull())
        QCOMPARE(readFile(leftoverPath + u".bad"_s), leftover); // kept aside, as it was
}

// A second window (a process of its own) never takes the copy of a window
// still open, and the first one's close still stores what it holds.
void TestWindowProcess::twoWindowsKeepTheirCopies()
{
    QTemporaryDir config;
    QVERIFY(config.isValid());
    const QString ini = writeSavedIni(config);
    QProcess first;
    startTyped(first, config.path());
    if (QTest::currentTestFailed())
        return;
    QVERIFY(QTest::qWaitFor([&] { return recoveryFiles(config.path()).size() == 1; }, 20000));
    const QString copy = config.filePath(recoveryFiles(config.path()).constFirst());
    QVERIFY(QTest::qWaitFor([&] { return readFile(copy).contains("Preventivo scritto"); }, 20000));
    const QByteArray copied = readFile(copy);

    QProcess second;
    second.setProcessEnvironment(configEnvironment(config.path()));
    second.start(helperPath(), {u"open"_s});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(fieldLines(second), saved);
    QCOMPARE(readFile(copy), copied);

    QCOMPARE(::kill(pid_t(first.processId()), SIGTERM), 0);
    QVERIFY(first.state() == QProcess::NotRunning || first.waitForFinished(10000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(QSettings(ini, QSettings::IniFormat).value(u"EMAIL/OGGETTO"_s).toString(),
             u"Preventivo scritto"_s);
    QCOMPARE(recoveryFiles(config.path()), QStringList());
}

// A close that cannot tell whether another window stores at the same moment
// (the lock is held by another run) still stores, and keeps its copy too;
// the next start finds the settings hold it and drops it without a word.
void TestWindowProcess::storeLockHeldElsewhere()
{
    QTemporaryDir config;
    QVERIFY(config.isValid());
    const QString ini = writeSavedIni(config);
    FileLock held(config.filePath(u"KORVANE_CLIENT_STMP.recovery-store.lock"_s));
    QVERIFY(held.tryLock(0));
    QProcess program;
    startTyped(program, config.path());
    if (QTest::currentTestFailed())
        return;
    QVERIFY(endsOn(program, SIGTERM));
    QCOMPARE(QSettings(ini, QSettings::IniFormat).value(u"EMAIL/OGGETTO"_s).toString(),
             u"Preventivo scritto"_s);
    QVERIFY(!copyWith(config.path(), "Preventivo scritto"_ba).isEmpty());
    held.unlock();

    const Start next = startAndClose(config.path(), 0);
    QCOMPARE(next.fields, typed);
    QCOMPARE(next.told, QStringList());
    QCOMPARE(recoveryFiles(config.path()), QStringList());
}

namespace {

using Windows = std::vector<std::unique_ptr<QProcess>>;

// Ends every window: Chiudi in turn (from the last started with lastFirst),
// or the signal to all at once, as a logout does.
void endAll(Windows &windows, int ending, bool lastFirst)
{
    if (lastFirst)
        std::ranges::reverse(windows);
    for (const auto &window : windows) {
        if (ending == 0)
            window->write("close\n");
        else
            QCOMPARE(::kill(pid_t(window->processId()), ending), 0);
        QVERIFY(ending != 0 || endedWell(*window, 0));
    }
    for (const auto &window : windows)
        QVERIFY(endedWell(*window, ending));
    windows.clear();
}

// A start as the user makes it: the main window, then one window for each
// of the drafts it offers; gives what each shows, one string a window.
QStringList startAll(const QString &config, Windows &windows, int drafts)
{
    auto &main = windows.emplace_back(std::make_unique<QProcess>());
    startSession(*main, config, {});
    QStringList shown{fieldLines(*main).join(u'\n')};
    QStringList said;
    const auto offered = [&] { return said.filter(QRegularExpression(u"^draft "_s)); };
    std::ignore
        = QTest::qWaitFor([&] { return boxesSoFar(*main, &said) >= 0 && offered().size() >= drafts; }, 20000);
    for (const QString &line : offered()) {
        auto &window = windows.emplace_back(std::make_unique<QProcess>());
        startSession(*window, config, {}, false, line.mid(6));
        shown << fieldLines(*window).join(u'\n');
    }
    return shown;
}

// Each text in exactly one window, and no window more.
void checkEachOnce(const QStringList &shown, const QStringList &texts)
{
    QCOMPARE(shown.size(), texts.size());
    for (const QString &text : texts)
        QVERIFY2(shown.filter(text).size() == 1, qPrintable(text + u"\n\n"_s + shown.join(u"\n\n"_s)));
}

} // namespace

void TestWindowProcess::owners_data()
{
    QTest::addColumn<QList<QStringList>>("windows"); // each window's arguments, started in turn
    QTest::addColumn<QStringList>("typed");          // into each: "CONTROL TEXT", or nothing
    QTest::addColumn<int>("ending");                 // 0: Chiudi; else the signal, to all at once
    QTest::addColumn<bool>("lastFirst");             // Chiudi from the last window started
    QTest::addColumn<QStringList>("texts");          // each in one window of every later start

    const QStringList link{u"mailto:anna@example.it?subject=Ciao"_s};
    const QStringList linkTexts{u"Vecchio testo"_s, u"Una riga di B"_s};
    const QStringList linkTyped{QString(), u"txtContenuto Una riga di B"_s};
    const QStringList both{u"txtOggetto Bozza della prima"_s, u"txtContenuto Bozza della seconda"_s};
    const QStringList bothTexts{u"Bozza della prima"_s, u"Bozza della seconda"_s};
    const auto row = [](const char *tag, const QList<QStringList> &windows, const QStringList &typed,
                        int ending, bool lastFirst, const QStringList &texts) {
        QTest::newRow(tag) << windows << typed << ending << lastFirst << texts;
    };
    row("the saved draft untouched, a link typed in, Chiudi in turn", {{}, link}, linkTyped, 0, false,
        linkTexts);
    row("the saved draft untouched, a link typed in, Chiudi from the link", {{}, link}, linkTyped, 0, true,
        linkTexts);
    row("the saved draft untouched, a link typed in, SIGHUP", {{}, link}, linkTyped, SIGHUP, false,
        linkTexts);
    row("the saved draft untouched, a link typed in, kill -9", {{}, link}, linkTyped, SIGKILL, false,
        linkTexts);
    row("two starts typed in, Chiudi in turn", {{}, {}}, both, 0, false, bothTexts);
    row("two starts typed in, Chiudi from the second", {{}, {}}, both, 0, true, bothTexts);
    row("two starts typed in, SIGHUP", {{}, {}}, both, SIGHUP, false, bothTexts);
    row("two starts typed in, kill -9", {{}, {}}, both, SIGKILL, false, bothTexts);
}

// Whatever each window started from and however they end, every draft
// comes back at the next start in a window of its own, and again after
// those windows end untouched the same way: no window wrote over a draft
// it did not start from.
void TestWindowProcess::owners()
{
    QFETCH(QList<QStringList>, windows);
    QFETCH(QStringList, typed);
    QFETCH(int, ending);
    QFETCH(bool, lastFirst);
    QFETCH(QStringList, texts);
    QTemporaryDir config;
    QVERIFY(config.isValid());
    writeSavedIni(config);
    Windows open;
    for (qsizetype i = 0; i < windows.size(); ++i) {
        auto &window = open.emplace_back(std::make_unique<QProcess>());
        startSession(*window, config.path(), windows.at(i));
        fieldLines(*window);
        if (!typed.at(i).isEmpty())
            window->write("set " + typed.at(i).toUtf8() + '\n');
        window->write("echo typed\n");
        QVERIFY(waitForLine(*window, "typed\n"_ba));
        if (ending == SIGKILL && !typed.at(i).isEmpty())
            QVERIFY(!copyWith(config.path(), typed.at(i).section(u' ', 1).toUtf8()).isEmpty());
    }
    endAll(open, ending, lastFirst);
    for (int round = 0; round < 2 && !QTest::currentTestFailed(); ++round) {
        checkEachOnce(startAll(config.path(), open, int(texts.size()) - 1), texts);
        endAll(open, ending, lastFirst);
    }
}

void TestWindowProcess::storeFailures_data()
{
    QTest::addColumn<QString>("kind");   // what stands in the settings' place, or fails
    QTest::addColumn<bool>("whileOpen"); // put there after the start
    QTest::addColumn<bool>("asNobody");  // root reads and writes regardless of modes
    QTest::addColumn<QString>("told");   // at close: why; empty: nothing told
    QTest::addColumn<QString>("keptIn"); // where the close box says the text is: "config", "data"
    const auto row = [](const char *tag, const QString &kind, bool whileOpen, bool asNobody,
                        const QString &told, const QString &keptIn) {
        QTest::newRow(tag) << kind << whileOpen << asNobody << told << keptIn;
    };
    row("damaged text", u"damaged"_s, false, false, {}, {});
    row("binary", u"binary"_s, false, false, {}, {});
    row("a folder", u"folder"_s, false, false, u"non è un file normale"_s, u"config"_s);
    row("a FIFO, put there while open", u"fifo"_s, true, false, u"non è un file normale"_s, u"config"_s);
    row("a link to a device, put there while open", u"device"_s, true, false, u"non è un file normale"_s,
        u"config"_s);
    row("a read-only folder", u"read-only"_s, false, true,
        u"non si ha il permesso di scrivere nella sua cartella"_s, u"data"_s);
    row("unreadable at start, set aside", u"unreadable"_s, false, true, {}, {});
}

namespace {

// Puts in the settings' place what a row of storeFailures names.
void plantInPlace(const QString &kind, const QString &ini, const QString &device)
{
    QFile::remove(ini);
    if (kind == u"damaged"_s)
        writeFile(ini, "[EMAIL\nMITTENTE=\"non chiuso\n[STMP]]]\nSERVER=@Variant(\\0\\0\\x7f)\n=\n\\\\\n"_ba);
    else if (kind == u"binary"_s)
        writeFile(ini, QByteArray(4096, '\xff'));
    else if (kind == u"folder"_s)
        QVERIFY(QDir().mkpath(ini));
    else if (kind == u"fifo"_s)
        QCOMPARE(::mkfifo(QFile::encodeName(ini).constData(), 0600), 0);
    else if (kind == u"device"_s)
        QVERIFY(QFile::link(device, ini));
    else
        writeFile(ini, savedIni);
}

// Takes from nobody the rights a row of storeFailures names.
void denyAccess(const QString &kind, const QTemporaryDir &config)
{
    const auto modes = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::ExeOwner
        | QFile::ExeGroup | QFile::ExeOther;
    if (kind == u"read-only"_s) {
        QVERIFY(QDir().mkpath(config.filePath(u"data"_s)));
        QVERIFY(QFile::setPermissions(config.filePath(u"data"_s), modes | QFile::WriteOther));
        QVERIFY(QFile::setPermissions(config.path(), modes));
    }
    if (kind == u"unreadable"_s)
        QVERIFY(QFile::setPermissions(config.filePath(u"KORVANE_CLIENT_STMP.ini"_s), {})
                && QFile::setPermissions(config.path(), modes | QFile::WriteOther));
}

} // namespace

// Nothing in the settings' place is written through or waited on, no file
// is replaced unseen; a store that fails is told at close in one box,
// which says where the text is, and it comes back at the next start.
void TestWindowProcess::storeFailures()
{
    QFETCH(QString, kind);
    QFETCH(bool, whileOpen);
    QFETCH(bool, asNobody);
    QFETCH(QString, told);
    QFETCH(QString, keptIn);
    QTemporaryDir config;
    QVERIFY(config.isValid());
    const QString ini = writeSavedIni(config);
    const QString device = config.filePath(u"zero"_s);
    if (kind == u"device"_s
        && ::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 5)) != 0)
        QSKIP("making a device node needs root");
    if (!whileOpen)
        plantInPlace(kind, ini, device);
    denyAccess(kind, config);
    QProcess program;
    startSession(program, config.path(), asNobody ? QStringList{u"--as-nobody"_s} : QStringList());
    fieldLines(program);
    if (whileOpen)
        plantInPlace(kind, ini, device);
    program.write("set txtContenuto Testo da non perdere\nclose\n");
    QVERIFY2(endedWell(program, 0), "the close hangs or fails");
    QFile::setPermissions(config.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QStringList boxes
        = QString::fromUtf8(program.readAllStandardOutput()).split(u'\n').filter(u"box Chiusura"_s);
    QCOMPARE(boxes.size(), told.isEmpty() ? 0 : 1);
    if (!told.isEmpty()) {
        const QString folder
            = keptIn == u"config"_s ? config.path() : config.filePath(u"data/korvane-client"_s);
        QVERIFY2(boxes.first().contains(told + u".  Il testo è stato conservato in "_s + folder),
                 qPrintable(boxes.first()));
    }
    QCOMPARE(QFileInfo(device).isFile(), false); // a device stays one
    if (kind == u"unreadable"_s)
        QCOMPARE(readFile(ini + u".bad"_s), savedIni);
    if (kind == u"fifo"_s || kind == u"device"_s) {
        QVERIFY(QFile::remove(ini));
        writeFile(ini, savedIni);
    }
    Windows next;
    const QStringList shown = startAll(config.path(), next, 0);
    QVERIFY2(shown.join(u'\n').contains(u"Testo da non perdere"_s), qPrintable(shown.join(u'\n')));
    endAll(next, 0, false);
}

void TestWindowProcess::strangeCopies_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << u"fifo"_s;
    QTest::newRow("link to /dev/zero") << u"zero"_s;
    QTest::newRow("300 MB") << u"large"_s;
    QTest::newRow("a good copy, its lock a FIFO") << u"lock fifo"_s;
}

// Files named like a copy that are none: start-up goes on at once with the
// saved fields, and the box names them. A lock that is none is put aside,
// and its copy comes back.
void TestWindowProcess::strangeCopies()
{
    QFETCH(QString, kind);
    QTemporaryDir config;
    QVERIFY(config.isValid());
    writeSavedIni(config);
    const QString path = config.filePath(u"KORVANE_CLIENT_STMP.recovery-7-7-1.json"_s);
    const QByteArray copy
        = "{\"format\":\"korvane-client recovery 1\",\"takenAtMs\":1,\"order\":99,"
          "\"priorityIndex\":1,\"server\":\"\",\"sender\":\"\",\"recipient\":\"\",\"cc\":\"\","
          "\"bcc\":\"\",\"attachments\":\"\",\"subject\":\"Altrove\",\"body\":\"\"}"_ba;
    if (kind == u"fifo"_s) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == u"zero"_s) {
        QVERIFY(QFile::link(u"/dev/zero"_s, path));
    } else {
        writeFile(path, copy);
        QFile file(path);
        if (kind == u"large"_s)
            QVERIFY(file.open(QIODevice::ReadWrite) && file.resize(qint64(300) * 1024 * 1024));
        else
            QCOMPARE(::mkfifo(QFile::encodeName(path + u".lock"_s).constData(), 0600), 0);
    }

    if (kind == u"lock fifo"_s) {
        // A draft of no settings of today's: a window of its own.
        const Start next = startAndClose(config.path(), 0, 1);
        QCOMPARE(next.fields, saved);
        const Start offered = startAndClose(config.path(), 1, 0, next.drafts.value(0));
        QVERIFY2(offered.fields.contains(u"field txtOggetto: Altrove"_s),
                 qPrintable(offered.fields.join(u'\n')));
        return;
    }
    const Start next = startAndClose(config.path(), 1);
    QCOMPARE(next.fields, saved);
    QCOMPARE(next.told, QStringList{recoveryBox(false, {path + u".bad"_s})});
    const QFileInfo aside(path + u".bad"_s);
    // Renamed as it was: the link still a link, the big file whole.
    QCOMPARE(aside.symLinkTarget(), kind == u"zero"_s ? u"/dev/zero"_s : QString());
    if (kind == u"large"_s)
        QCOMPARE(aside.size(), qint64(300) * 1024 * 1024);
}

QTEST_GUILESS_MAIN(TestWindowProcess)
#include "tst_windowprocess.moc"
