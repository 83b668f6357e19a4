// The program's command line, answered by the installed program itself:
// help, version and mistakes without any display, "--" before a file whose
// name looks like an option, and a clear word where no display is there.
#include "SmtpTestServer.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

// The program with no display at all: whatever it answers, it answers
// without opening a window.
Run runWithoutDisplay(const QStringList &arguments, const QString &platform = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    if (!platform.isEmpty())
        env.insert(u"QT_QPA_PLATFORM"_s, platform);
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

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answered_data();
    void answered();
    void fileNamedLikeAnOption();
    void verboseWritesTranscript();
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
    const QString noDisplay = u"korvane-client: nessuno schermo grafico disponibile"_s;
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

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
