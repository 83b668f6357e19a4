#include "SessionEnd.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The self-pipe: the handler only writes the signal's number into it, the
// window's thread reads it through a QSocketNotifier. Nothing else is safe in
// a signal handler.
int pipeEnds[2] = {-1, -1};

extern "C" void onSignal(int number)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(number);
    // A full pipe already holds a signal to act on: losing this one is fine.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

bool inheritedAsIgnored(int number, const struct sigaction &previous)
{
    return number != SIGTERM && previous.sa_handler == SIG_IGN; // NOLINT(*-union-access)
}

} // namespace

SessionEnd::SessionEnd(QObject *parent) : QObject(parent)
{
    if (pipeEnds[0] >= 0 || ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SessionEnd::readPipe);

    for (std::size_t i = 0; i < handled.size(); ++i) {
        if (::sigaction(handled.at(i), nullptr, &m_previous.at(i)) != 0
            || inheritedAsIgnored(handled.at(i), m_previous.at(i)))
            continue;
        struct sigaction action = {};
        action.sa_handler = onSignal; // NOLINT(*-union-access)
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        m_installed.at(i) = ::sigaction(handled.at(i), &action, nullptr) == 0;
    }
    if (auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(gui, &QGuiApplication::commitDataRequest, this, &SessionEnd::end);
}

SessionEnd::~SessionEnd()
{
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < handled.size(); ++i) {
        if (m_installed.at(i))
            ::sigaction(handled.at(i), &m_previous.at(i), nullptr);
    }
    delete m_notifier;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void SessionEnd::closes(QWidget *window)
{
    m_window = window;
    if (m_ended)
        QTimer::singleShot(0, this, &SessionEnd::closeAndExit);
}

void SessionEnd::readPipe()
{
    unsigned char bytes[16];
    while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
    }
    end();
}

// The close runs now, inside whatever the window's thread is doing, modal
// dialogs included: closeEvent stores the fields and the window goes, which
// cuts a send under way. exit() then ends every event loop, the dialogs' too;
// the zero-timer also ends the main loop when it only starts after this.
void SessionEnd::end()
{
    if (m_ended)
        return;
    m_ended = true;
    if (!m_window) {
        // Start-up is still under way (the about box): the window closes
        // once it is known.
        QCoreApplication::exit(0);
        return;
    }
    closeAndExit();
    QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
}

void SessionEnd::closeAndExit()
{
    if (m_window)
        m_window->close();
    QCoreApplication::exit(0);
}
