#include "PortMemory.h"

#include <QHash>

#include <mutex>

namespace {

struct Memory
{
    std::mutex lock;
    QHash<QString, ServerAddress> chosen;
};

Memory &memory()
{
    // Never destroyed: a send thread still winding down at exit may use it.
    static auto *m = new Memory;
    return *m;
}

// Everything the choice depended on: the host, whether credentials must
// travel, the ports tried (their list follows from the scheme) and the
// certificates trusted.
QString keyOf(const ServerAddress &server, const PortChooser::Settings &settings)
{
    QStringList parts{server.host.toLower(), settings.credentials ? QStringLiteral("+") : QStringLiteral("-"),
                      settings.caFile};
    for (const ServerAddress &a : PortChooser::candidates(server, settings))
        parts << QString::number(a.port) + (a.implicitTls ? QStringLiteral("s") : QString());
    return parts.join(QChar(u'\n'));
}

} // namespace

std::optional<ServerAddress> PortMemory::recall(const ServerAddress &server,
                                                const PortChooser::Settings &settings)
{
    Memory &m = memory();
    const std::lock_guard guard(m.lock);
    const auto found = m.chosen.constFind(keyOf(server, settings));
    if (found == m.chosen.cend())
        return std::nullopt;
    return *found;
}

void PortMemory::remember(const ServerAddress &server, const PortChooser::Settings &settings,
                          const ServerAddress &chosen)
{
    Memory &m = memory();
    const std::lock_guard guard(m.lock);
    m.chosen.insert(keyOf(server, settings), chosen);
}

void PortMemory::forget(const ServerAddress &server, const PortChooser::Settings &settings)
{
    Memory &m = memory();
    const std::lock_guard guard(m.lock);
    m.chosen.remove(keyOf(server, settings));
}
