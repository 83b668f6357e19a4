#pragma once

#include <QProcessEnvironment>
#include <QStringList>

#include <optional>

// What the program is asked on its command line. It is read before any
// window or application object exists, so that help, the version and a
// mistyped option are answered where there is no display at all.
struct CommandLine
{
    enum class Action { Run, Help, Version, Mistake };

    Action action = Action::Run;
    QStringList arguments; // mailto: links and files, "--" already taken off
    bool verbose = false;  // each send's transcript goes to stderr
    QString mistake;       // what was wrong, in Italian, for Action::Mistake

    // arguments as main() gets them, the program's own name first.
    static CommandLine parse(const QStringList &arguments);
    static CommandLine parse(int argc, char *argv[]);

    // Answers what needs no window: the usage on stdout (status 0), the
    // version (0), a mistake and the usage on stderr (2), or that no display
    // is there to open the window on (1). Nothing when the window may open.
    std::optional<int> answer(const QProcessEnvironment &environment
                              = QProcessEnvironment::systemEnvironment()) const;

    static QString usage();
    // The one line, ending in a line break, that says the window cannot open
    // for want of a display, and why.
    static QString noDisplay(const QString &reason);
    // Whether Qt will find a display: QT_QPA_PLATFORM's platforms, or those
    // it picks by itself, and the variables they need.
    static bool displayAvailable(const QProcessEnvironment &environment);
};
