#include "CommandLine.h"

#include "AppTexts.h"
#include "composer/LaunchArguments.h"

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
            return appText(AppText::UnknownOption).arg(word);
        if (word.contains(u'='))
            return appText(AppText::OptionTakesNoValue).arg(name);
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
        result.mistake = appText(AppText::InvalidOptions);
    // Taken as a path, an empty word would name the current folder.
    if (result.mistake.isEmpty() && parser.positionalArguments().contains(QString()))
        result.mistake = appText(AppText::EmptyArgument);
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
    print(stderr, noDisplay(appText(AppText::NoDisplayVariables)));
    return 1;
}

QString CommandLine::noDisplay(const QString &reason)
{
    return appText(AppText::NoDisplay).arg(program, reason);
}

QString CommandLine::usage() { return appText(AppText::Usage).arg(program); }

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
