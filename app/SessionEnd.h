#pragma once

#include <QObject>
#include <QPointer>

#include <array>
#include <csignal>

class QSocketNotifier;
class QWidget;

// Ends the program the way the window's close button does when the desktop
// session or the terminal ends it: SIGTERM, SIGHUP, SIGINT, or the session
// manager asking the application to commit its data. One instance at a time.
//
// A signal inherited as ignored (SIGINT of a program started in the
// background, SIGHUP under nohup) stays ignored. A second signal of the same
// kind ends the program the default way, for a close that cannot finish.
class SessionEnd : public QObject
{
    Q_OBJECT

public:
    // Takes the signals from here on: create it before anything that may
    // open a modal dialog, so that a signal then still ends the program.
    explicit SessionEnd(QObject *parent = nullptr);
    // Gives the signals back their earlier handling.
    ~SessionEnd() override;
    SessionEnd(const SessionEnd &) = delete;
    SessionEnd &operator=(const SessionEnd &) = delete;

    // The window to close. A session that ended before it was known closes
    // it as soon as the event loop runs.
    void closes(QWidget *window);
    bool hasEnded() const { return m_ended; }

private:
    void readPipe();
    void end();
    void closeAndExit();

    static constexpr std::array<int, 3> handled{SIGTERM, SIGHUP, SIGINT};
    std::array<struct sigaction, handled.size()> m_previous{};
    std::array<bool, handled.size()> m_installed{};
    QSocketNotifier *m_notifier = nullptr;
    QPointer<QWidget> m_window;
    bool m_ended = false;
};
