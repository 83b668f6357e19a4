#include "CommandLine.h"

#include "LaunchArguments.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cstdio>

namespace {

const QString program = QStringLiteral("korvane-client");

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

bool isOption(const QString &name)
{
    static const QStringList words{QStringLiteral("--help"), QStringLiteral("--version"),
                                   QStringLiteral("--verbose")};
    if (words.contains(name))
        return true;
    // Short options, alone or run together as QCommandLineParser takes them: "-hv".
    return name.size() >= 2 && name.startsWith(u'-') && name.at(1) != u'-'
        && std::ranges::all_of(name.mid(1), [](QChar c) { return c == u'h' || c == u'v'; });
}

// What is wrong with the options, in Italian, naming the word whole as it was
// typed: QCommandLineParser would name one letter of "-verbose" ("-e") and
// call "---" "--". Empty when every word before "--" is an option or none.
QString optionMistake(const QStringList &arguments)
{
    for (const QString &word : arguments.mid(1)) {
        if (word == u"--")
            break;
        if (!word.startsWith(u'-') || word == u"-")
            continue;
        const QString name = word.section(u'=', 0, 0);
        if (!isOption(name))
            return QStringLiteral("opzione sconosciuta: «%1».").arg(word);
        if (word.contains(u'='))
            return QStringLiteral("l'opzione «%1» non accetta valori.").arg(name);
    }
    return {};
}

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption verbose(QStringLiteral("verbose"));
    parser.addOptions({help, version, verbose});
    CommandLine result;
    result.mistake = optionMistake(arguments);
    if (result.mistake.isEmpty() && !parser.parse(arguments))
        result.mistake = QStringLiteral("opzioni non valide.");
    // Taken as a path, an empty word would name the current folder.
    if (result.mistake.isEmpty() && parser.positionalArguments().contains(QString()))
        result.mistake
            = QStringLiteral("argomento vuoto: manca il nome di un file o un collegamento mailto:.");
    if (!result.mistake.isEmpty()) {
        result.action = Action::Mistake;
        return result;
    }
    if (parser.isSet(help))
        result.action = Action::Help;
    else if (parser.isSet(version))
        result.action = Action::Version;
    result.verbose = parser.isSet(verbose);
    result.arguments = parser.positionalArguments();
    return result;
}

CommandLine CommandLine::parse(int argc, char *argv[])
{
    // Byte-exact, so that a file name that is not UTF-8 is refused by name
    // later instead of turning into another name here.
    return parse(LaunchArguments::commandLine(argc, argv));
}

std::optional<int> CommandLine::answer(const QProcessEnvironment &environment) const
{
    switch (action) {
    case Action::Help:
        print(stdout, usage());
        return 0;
    case Action::Version:
        print(stdout, QStringLiteral("Korvane Client %1\n").arg(QStringLiteral(KORVANE_VERSION)));
        return 0;
    case Action::Mistake:
        print(stderr, QStringLiteral("%1: %2\n\n").arg(program, mistake) + usage());
        return 2;
    case Action::Run:
        break;
    }
    if (displayAvailable(environment))
        return std::nullopt;
    print(stderr, noDisplay(QStringLiteral("DISPLAY e WAYLAND_DISPLAY non sono impostate")));
    return 1;
}

QString CommandLine::noDisplay(const QString &reason)
{
    return QStringLiteral("%1: nessuno schermo grafico disponibile (%2): impossibile aprire la finestra.\n")
        .arg(program, reason);
}

QString CommandLine::usage()
{
    return QStringLiteral(
               "Uso: %1 [opzioni] [--] [mailto:INDIRIZZO... | FILE...]\n"
               "\n"
               "Compone un messaggio di posta e lo invia attraverso un server SMTP.\n"
               "\n"
               "Argomenti:\n"
               "  mailto:INDIRIZZO  un collegamento mailto: che riempie i campi di un nuovo messaggio\n"
               "  FILE              un file da allegare (percorso o URL file://)\n"
               "\n"
               "Opzioni:\n"
               "  -h, --help        mostra questo aiuto ed esce\n"
               "  -v, --version     mostra il nome e la versione del programma ed esce\n"
               "  --verbose         scrive su standard error il dialogo con il server di ogni invio\n"
               "                    (senza password né contenuto del messaggio)\n"
               "  --                fine delle opzioni: ciò che segue è un file o un collegamento,\n"
               "                    anche se comincia con \"-\"\n")
        .arg(program);
}

bool CommandLine::displayAvailable(const QProcessEnvironment &environment)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    const auto has
        = [&environment](const char *name) { return !environment.value(QLatin1String(name)).isEmpty(); };
    const QString wanted = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    // Qt tries the platforms of the list in order; with none, Wayland and X11.
    const QStringList platforms = wanted.isEmpty()
        ? QStringList{QStringLiteral("wayland"), QStringLiteral("xcb")}
        : wanted.split(u';', Qt::SkipEmptyParts);
    // Any platform but these two (offscreen, vnc, eglfs...) needs no display server.
    return std::ranges::any_of(platforms, [&has](const QString &entry) {
        const QString name = entry.section(u':', 0, 0).trimmed();
        if (name.startsWith(u"wayland"))
            return has("WAYLAND_DISPLAY");
        return name == u"xcb" ? has("DISPLAY") : true;
    });
#else
    Q_UNUSED(environment);
    return true;
#endif
}
