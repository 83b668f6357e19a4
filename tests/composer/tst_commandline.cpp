// The program's command line, answered by the installed program itself:
// help, version and mistakes without any display, "--" before a file whose
// name looks like an option, and a clear word where no display is there.
#include "tests/support/SmtpTestServer.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

// The program with none of the display variables but those of settings
// ("NAME=VALUE"): whatever it answers, it answers without opening a window.
Run runWith(const QStringList &arguments, const QStringList &settings)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    for (const QString &setting : settings)
        env.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KORVANE_CLIENT_PATH), arguments);
    Run run;
    if (!program.waitForFinished(30000) || program.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = program.exitCode();
    run.out = QString::fromUtf8(program.readAllStandardOutput());
    run.err = QString::fromUtf8(program.readAllStandardError());
    return run;
}

Run runWithoutDisplay(const QStringList &arguments, const QString &platform = {})
{
    return runWith(arguments,
                   platform.isEmpty() ? QStringList() : QStringList{u"QT_QPA_PLATFORM="_s + platform});
}

const QString noDisplay = u"korvane-client: nessuno schermo grafico disponibile"_s;

// Reads from fd up to and with the first line break, or false.
bool readLine(int fd)
{
    char c = 0;
    pollfd ready{fd, POLLIN, 0};
    while (::poll(&ready, 1, 30000) == 1 && ::read(fd, &c, 1) == 1) {
        if (c == '\n')
            return true;
    }
    return false;
}

// What a send-then-close run leaves behind: the outcome box, the message and
// its goodbye on the server, and the fields stored without any of the echo.
void checkSentAndStored(QProcess &helper, const SmtpTestServer &server, const QTemporaryDir &configHome)
{
    const QString shown = QString::fromUtf8(helper.readAllStandardOutput());
    QVERIFY2(shown.contains(u"box Invio: EMail inviata correttamente.\n"_s), qPrintable(shown));
    QCOMPARE(server.messages().size(), 1);
    QVERIFY2(server.commands().contains(u"QUIT"_s), qPrintable(server.sessionLog().join(u'\n')));
    const QString ini = configHome.filePath(u"KORVANE_CLIENT_STMP.ini"_s);
    QFile file(ini);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY2(!file.readAll().contains("C: "), "the transcript went into the settings");
    const QSettings stored(ini, QSettings::IniFormat);
    QCOMPARE(stored.value(u"STMP/SERVER"_s).toString(), server.hostAndPort());
    QCOMPARE(stored.value(u"EMAIL/DESTINATARIO"_s).toString(), u"anna@example.org"_s);
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answered_data();
    void answered();
    void unreachableDisplay_data();
    void unreachableDisplay();
    void fileNamedLikeAnOption();
    void verboseWritesTranscript();
    void verboseIntoClosedPipe_data();
    void verboseIntoClosedPipe();
};

void TestCommandLine::answered_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("platform"); // QT_QPA_PLATFORM; no DISPLAY either way
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // how standard output begins; empty: nothing at all
    QTest::addColumn<QString>("err"); // how standard error begins; empty: nothing at all

    const QString usage = u"Uso: korvane-client [opzioni] [--] [mailto:INDIRIZZO... | FILE...]\n"_s;
    const QString version = u"Korvane Client " KORVANE_VERSION "\n"_s;
    QTest::newRow("--help") << QStringList{u"--help"_s} << QString() << 0 << usage << QString();
    QTest::newRow("-h, with a file after it")
        << QStringList{u"-h"_s, u"lettera.pdf"_s} << QString() << 0 << usage << QString();
    QTest::newRow("--version") << QStringList{u"--version"_s} << QString() << 0 << version << QString();
    QTest::newRow("-v") << QStringList{u"-v"_s} << QString() << 0 << version << QString();
    QTest::newRow("unknown option") << QStringList{u"--allega"_s, u"x.pdf"_s} << QString() << 2 << QString()
                                    << u"korvane-client: opzione sconosciuta: «--allega».\n\n"_s + usage;
    QTest::newRow("unknown short option") << QStringList{u"-x"_s} << QString() << 2 << QString()
                                          << u"korvane-client: opzione sconosciuta: «-x».\n\n"_s + usage;
    QTest::newRow("a value for --help") << QStringList{u"--help=tutto"_s} << QString() << 2 << QString()
                                        << u"korvane-client: l'opzione «--help» non accetta valori.\n"_s;
    // The word as it was typed, never a letter of it or a shorter one.
    QTest::newRow("three dashes") << QStringList{u"---"_s} << QString() << 2 << QString()
                                  << u"korvane-client: opzione sconosciuta: «---».\n\n"_s + usage;
    QTest::newRow("a long option with one dash")
        << QStringList{u"-verbose"_s} << QString() << 2 << QString()
        << u"korvane-client: opzione sconosciuta: «-verbose».\n\n"_s + usage;
    QTest::newRow("short options run together, one unknown")
        << QStringList{u"-hx"_s} << QString() << 2 << QString()
        << u"korvane-client: opzione sconosciuta: «-hx».\n\n"_s + usage;
    QTest::newRow("an unknown option with a value")
        << QStringList{u"--allega=x.pdf"_s} << QString() << 2 << QString()
        << u"korvane-client: opzione sconosciuta: «--allega=x.pdf».\n\n"_s + usage;
    QTest::newRow("-hv") << QStringList{u"-hv"_s} << QString() << 0 << usage << QString();
    const QString empty = u"korvane-client: argomento vuoto: manca il nome di un file o un collegamento "
                          "mailto:.\n\n"_s
        + usage;
    QTest::newRow("empty argument") << QStringList{QString()} << QString() << 2 << QString() << empty;
    QTest::newRow("empty argument after a file and --")
        << QStringList{u"lettera.pdf"_s, u"--"_s, QString()} << QString() << 2 << QString() << empty;
    // A lone "-" is a file's name, as "--" is not needed before it.
    QTest::newRow("-") << QStringList{u"-"_s} << QString() << 1 << QString() << noDisplay;
    QTest::newRow("no display") << QStringList() << QString() << 1 << QString() << noDisplay;
    QTest::newRow("no display, X11 asked for") << QStringList() << u"xcb"_s << 1 << QString() << noDisplay;
    QTest::newRow("no display, --verbose")
        << QStringList{u"--verbose"_s} << QString() << 1 << QString() << noDisplay;
    // After "--" it names a file: the window would open to attach it.
    QTest::newRow("-- --help") << QStringList{u"--"_s, u"--help"_s} << QString() << 1 << QString()
                               << noDisplay;
}

void TestCommandLine::answered()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, platform);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const Run run = runWithoutDisplay(arguments, platform);
    QVERIFY2(run.status == status, qPrintable(u"status %1\n%2%3"_s.arg(run.status).arg(run.out, run.err)));
    QVERIFY2(out.isEmpty() ? run.out.isEmpty() : run.out.startsWith(out), qPrintable(run.out));
    QVERIFY2(err.isEmpty() ? run.err.isEmpty() : run.err.startsWith(err), qPrintable(run.err));
    // Qt's own abort leaves several English lines; the program one line of its own.
    if (status == 1)
        QCOMPARE(run.err.count(u'\n'), 1);
}

void TestCommandLine::unreachableDisplay_data()
{
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QString>("reason"); // in Qt's words, within the line: a pattern

    QTest::newRow("DISPLAY nobody answers on") << QStringList{u"DISPLAY=:57"_s} << u":57"_s;
    QTest::newRow("DISPLAY nobody answers on, X11 asked for")
        << QStringList{u"DISPLAY=:57"_s, u"QT_QPA_PLATFORM=xcb"_s} << u":57"_s;
    QTest::newRow("Wayland without its plugin, or no compositor")
        << QStringList{u"WAYLAND_DISPLAY=nowhere"_s, u"QT_QPA_PLATFORM=wayland"_s} << u"wayland|wl_display"_s;
    QTest::newRow("a platform that is no plugin") << QStringList{u"QT_QPA_PLATFORM=bogus"_s} << u"bogus"_s;
}

// A display named but not reached ends as a missing one does: one line of
// the program's, status 1, never Qt's abort. A library under Qt may have
// written before it on its own (libwayland: "XDG_RUNTIME_DIR is invalid or
// not set in the environment."), but nothing of Qt's comes out.
void TestCommandLine::unreachableDisplay()
{
    QFETCH(QStringList, settings);
    QFETCH(QString, reason);
    if (QFile::exists(u"/tmp/.X11-unix/X57"_s))
        QSKIP("an X server listens on :57 here");
    const Run run = runWith({}, settings);
    QVERIFY2(run.status == 1, qPrintable(u"status %1\n%2"_s.arg(run.status).arg(run.err)));
    QStringList lines = run.err.split(u'\n');
    QVERIFY2(lines.size() >= 2 && lines.takeLast().isEmpty(), qPrintable(run.err));
    const QString line = lines.takeLast();
    QVERIFY2(line.startsWith(noDisplay) && line.contains(QRegularExpression(reason)), qPrintable(run.err));
    for (const QString &before : lines)
        QVERIFY2(!before.contains(u"Qt"_s) && !before.contains(noDisplay), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

// The window, given the arguments as the program takes them: a file called
// "--help" is attached when "--" comes first.
void TestCommandLine::fileNamedLikeAnOption()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(u"--help"_s));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("ciao") == 4);
    file.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, dir.path());
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    QProcess helper;
    helper.setProcessEnvironment(env);
    helper.setWorkingDirectory(dir.path());
    helper.start(QCoreApplication::applicationDirPath() + u"/window_helper"_s,
                 {u"open"_s, u"--"_s, u"--help"_s});
    QVERIFY2(helper.waitForFinished(30000), "the window did not close");
    QVERIFY2(helper.exitCode() == 0, helper.readAllStandardError().constData());
    const QString shown = QString::fromUtf8(helper.readAllStandardOutput());
    QVERIFY2(shown.contains(u"field txtAllegati: "_s + dir.filePath(u"--help"_s) + u'\n'), qPrintable(shown));
}

// --verbose: each send's transcript on stderr as it happens, the goodbye
// after the outcome included, and the message only as its size.
void TestCommandLine::verboseWritesTranscript()
{
    SmtpTestServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, dir.path());
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    QProcess helper;
    helper.setProcessEnvironment(env);
    helper.start(QCoreApplication::applicationDirPath() + u"/window_helper"_s,
                 {u"send-then-close"_s, server.hostAndPort(), u"--verbose"_s});
    QVERIFY2(server.waitForLogLine(u"* closed"_s, 20000), qPrintable(server.sessionLog().join(u'\n')));
    helper.write("close\n");
    QVERIFY2(SmtpTestServer::waitFor([&] { return helper.state() == QProcess::NotRunning; }, 20000),
             "the window did not close");
    QCOMPARE(helper.exitCode(), 0);
    const QString err = QString::fromUtf8(helper.readAllStandardError());
    qsizetype at = 0;
    for (const QString &line :
         {u"* connesso a 127.0.0.1 (127.0.0.1), porta %1\n"_s.arg(server.port()),
          u"C: MAIL FROM:<zoe@example.org>"_s, u"C: DATA\n"_s, u"C: (messaggio: "_s, u"S: 250 "_s,
          u"* esito: messaggio accettato dal server\n"_s, u"C: QUIT\n"_s}) {
        at = err.indexOf(line, at);
        QVERIFY2(at >= 0, qPrintable(u"«%1» missing, or out of order, in:\n%2"_s.arg(line, err)));
    }
}

void TestCommandLine::verboseIntoClosedPipe_data()
{
    QTest::addColumn<QString>("reader"); // of standard error
    QTest::newRow("nobody reads") << u"none"_s;
    QTest::newRow("the reader goes after one line, mid-send") << u"one line"_s;
    QTest::newRow("standard error closed (2>&-)") << u"no descriptor"_s;
}

// --verbose piped into a reader that goes away (`2>&1 | head`): the echo
// stops, and the send, its goodbye, the outcome box and the close that
// stores the fields all go on as without it.
void TestCommandLine::verboseIntoClosedPipe()
{
    QFETCH(QString, reader);
    const bool firstLineRead = reader == u"one line"_s;
    SmtpTestServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    int ends[2];
    QVERIFY(::pipe2(ends, O_CLOEXEC) == 0);
    if (!firstLineRead)
        ::close(ends[0]);
    // A descriptor 2 the program finds closed would be the next file it opens.
    const int writeEnd = reader == u"no descriptor"_s ? -1 : ends[1];
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, dir.path());
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    QProcess helper;
    helper.setProcessEnvironment(env);
    helper.setChildProcessModifier([writeEnd] {
        std::signal(SIGPIPE, SIG_DFL); // as a shell starts it
        if (writeEnd < 0)
            ::close(STDERR_FILENO);
        else
            ::dup2(writeEnd, STDERR_FILENO);
    });
    helper.start(QCoreApplication::applicationDirPath() + u"/window_helper"_s,
                 {u"send-then-close"_s, server.hostAndPort(), u"--verbose"_s});
    ::close(ends[1]);
    if (firstLineRead) {
        QVERIFY(readLine(ends[0]));
        ::close(ends[0]);
    }
    const auto ended = [&] { return helper.state() == QProcess::NotRunning; };
    QVERIFY2(
        SmtpTestServer::waitFor([&] { return server.waitForLogLine(u"* closed"_s, 0) || ended(); }, 20000),
        qPrintable(server.sessionLog().join(u'\n')));
    QVERIFY2(!ended(),
             qPrintable(u"the program ended during the send, %1 %2"_s.arg(
                 helper.exitStatus() == QProcess::CrashExit ? u"by signal"_s : u"with status"_s,
                 QString::number(helper.exitCode()))));
    if (writeEnd < 0)
        QCOMPARE(QFile::symLinkTarget(u"/proc/%1/fd/2"_s.arg(helper.processId())), u"/dev/null"_s);
    helper.write("close\n");
    QVERIFY2(SmtpTestServer::waitFor(ended, 20000), "the window did not close");
    QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
    QCOMPARE(helper.exitCode(), 0);
    checkSentAndStored(helper, server, dir);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
