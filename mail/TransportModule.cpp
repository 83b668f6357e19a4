#include "TransportModule.h"

#include "ModuleFile.h"
#include "TransportBuild.h"
#include "common/ThreadRelay.h"
#include "mail/send/SendTask.h"

#include <QCoreApplication>
#include <QStringList>

#include <chrono>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct Loaded
{
    TransportPlugin *entry = nullptr;
    QString error;
};

// Filled once, under the flag; call_once makes it visible to every caller.
// Never destroyed: a preload still running at exit may yet write it.
std::once_flag loadOnce;
Loaded &loaded()
{
    static auto *const instance = new Loaded;
    return *instance;
}

Loaded open(const QString &path)
{
    const ModuleFile::Opened found
        = ModuleFile::open(path, KorvaneTransportPlugin_iid, KORVANE_TRANSPORT_BUILD);
    return {qobject_cast<TransportPlugin *>(found.instance), found.error};
}

Loaded load(const QString &programDir)
{
    const QString installed = programDir + QStringLiteral("/" KORVANE_TRANSPORT_FROM_BIN);
    auto [entry, refused] = TransportModule::search(QStringList{installed} + ModuleFile::librarySearchPath());
    if (entry || !refused.isEmpty())
        return {entry, refused};
    // Found nowhere: Qt's own words say so, for the place it belongs in.
    return open(installed + QStringLiteral("/" KORVANE_TRANSPORT_FILE));
}

// Whether the load has ended, and who waits for it to. Never destroyed, as loaded().
struct Settling
{
    std::mutex mutex;
    bool over = false;
    std::vector<std::pair<std::shared_ptr<ThreadRelay>, std::function<void()>>> waiting;
};
Settling &settling()
{
    static auto *const instance = new Settling;
    return *instance;
}

const Loaded &loadedFrom(const QString &programDir)
{
    std::call_once(loadOnce, [&programDir] {
        loaded() = load(programDir);
        decltype(Settling::waiting) waiting;
        {
            const std::lock_guard lock(settling().mutex);
            settling().over = true;
            waiting.swap(settling().waiting);
        }
        for (auto &[relay, then] : waiting)
            relay->post(std::move(then));
    });
    return loaded();
}

QString programDir() { return QCoreApplication::applicationDirPath(); }

// Held by a preload for its load, and by the application's end for good.
std::timed_mutex &loading()
{
    static auto *const mutex = new std::timed_mutex; // never destroyed: a preload may still wait on it
    return *mutex;
}

// As the application goes, before exit() begins: a load running into exit's
// destructors would run the initialisers of libraries already torn down
// again. A load in progress reads a local file (milliseconds) and is waited
// for, three seconds at most; the lock is kept, so one not begun never will.
void holdLoadsForExit() { static_cast<void>(loading().try_lock_for(std::chrono::seconds(3))); }

} // namespace

std::pair<TransportPlugin *, QString> TransportModule::search(const QStringList &folders)
{
    const ModuleFile::Opened found = ModuleFile::search(folders, QStringLiteral(KORVANE_TRANSPORT_FILE),
                                                        KorvaneTransportPlugin_iid, KORVANE_TRANSPORT_BUILD);
    return {qobject_cast<TransportPlugin *>(found.instance), found.error};
}

TransportPlugin *TransportModule::entry() { return loadedFrom(programDir()).entry; }

QString TransportModule::loadError() { return loadedFrom(programDir()).error; }

void TransportModule::preload()
{
    static std::once_flag started;
    std::call_once(started, [] {
        qAddPostRoutine(holdLoadsForExit);
        try {
            // Detached, so that nothing waits for it but the process's end.
            std::thread([dir = programDir()] {
                const std::lock_guard hold(loading());
                loadedFrom(dir);
            }).detach();
        } catch (const std::system_error &) {
            loadedFrom(programDir());
        }
    });
}

bool TransportModule::loaded()
{
    const std::lock_guard lock(settling().mutex);
    return settling().over;
}

void TransportModule::whenLoaded(QObject *receiver, std::function<void()> then)
{
    preload();
    {
        const std::lock_guard lock(settling().mutex);
        if (!settling().over) {
            settling().waiting.emplace_back(ThreadRelay::to(receiver), std::move(then));
            return;
        }
    }
    QMetaObject::invokeMethod(receiver, std::move(then), Qt::QueuedConnection);
}
