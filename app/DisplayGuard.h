#pragma once

#include <QString>

// Qt aborts (status 134, several English lines) when it cannot reach the
// display it is pointed at: a DISPLAY nobody answers on, a WAYLAND_DISPLAY
// without its platform plugin, a QT_QPA_PLATFORM that names no plugin. While
// a guard is armed around the application's construction, that end is the
// program's one line on standard error instead, with Qt's first complaint as
// the reason, and status 1. Qt's messages meanwhile are held back; once the
// display is reached, they go on to the handler that was there before.
class DisplayGuard
{
public:
    // exitLine(reason) is the one line written before the program ends.
    explicit DisplayGuard(QString (*exitLine)(const QString &reason));
    ~DisplayGuard();
    DisplayGuard(const DisplayGuard &) = delete;
    DisplayGuard &operator=(const DisplayGuard &) = delete;

    // Puts the earlier handler back and hands it what was held. Once only;
    // the destructor does it if nobody did.
    void release();

private:
    bool m_armed = true;
};
