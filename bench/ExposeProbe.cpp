#include "ExposeProbe.h"

#include "LaunchClock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <utility>

ExposeProbe::ExposeProbe(QWidget *window) : QObject(window), m_window(window)
{
    // The QWindow behind the widget does not exist before show(), so the
    // filter sits on the application and picks out that window's events.
    QCoreApplication::instance()->installEventFilter(this);
}

bool ExposeProbe::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_seen && event->type() == QEvent::Expose && m_window && watched == m_window->windowHandle()) {
        m_seen = true;
        // Zero-time timer: runs after the widget has painted for this expose.
        QTimer::singleShot(0, this, &ExposeProbe::report);
    }
    return QObject::eventFilter(watched, event);
}

namespace {

// The shared libraries mapped so far, and whether libcurl is among them.
std::pair<int, bool> librariesLoaded()
{
    std::ifstream maps("/proc/self/maps");
    std::set<std::string> paths;
    for (std::string line; std::getline(maps, line);) {
        const std::size_t slash = line.find('/');
        if (slash != std::string::npos && line.find(".so", slash) != std::string::npos)
            paths.insert(line.substr(slash));
    }
    const bool curl = std::ranges::any_of(
        paths, [](const std::string &p) { return p.find("libcurl") != std::string::npos; });
    return {int(paths.size()), curl};
}

} // namespace

void ExposeProbe::report()
{
    const double ms = millisecondsSinceLaunch();
    const auto [libraries, curl] = librariesLoaded();
    std::printf("startup_ms=%.1f libraries=%d curl_loaded=%d\n", ms, libraries, curl ? 1 : 0);
    std::fflush(stdout);
    QCoreApplication::exit(0);
}
