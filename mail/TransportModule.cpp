#include "TransportModule.h"

#include "MailTexts.h"
#include "TransportBuild.h"
#include "common/ThreadRelay.h"
#include "mail/send/SendTask.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QPluginLoader>
#include <QStringList>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#ifndef Q_OS_WIN
#include <dlfcn.h>
#endif

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

// Qt's plugin loader reads the module's metadata from the file first: a
// module of another build (its types across the boundary laid out otherwise,
// the same interface id or not) is refused before anything of it runs.
Loaded open(const QString &path)
{
    QPluginLoader loader(path);
    const QJsonObject about = loader.metaData();
    if (about.isEmpty()) {
        // Qt's words name no file; the text they go into ends with its own full stop.
        QString why = loader.errorString();
        if (why.endsWith(u'.'))
            why.chop(1);
        return {nullptr, path + QStringLiteral(": ") + why};
    }
    const QJsonObject built = about.value(u"MetaData").toObject();
    if (about.value(u"IID").toString() != QLatin1String(KorvaneTransportPlugin_iid)
        || built.value(u"version").toString() != QLatin1String(KORVANE_VERSION)
        || built.value(u"build").toString() != QLatin1String(KORVANE_TRANSPORT_BUILD))
        return {nullptr, mailText(MailText::TransportOtherVersion).arg(path)};
    auto *plugin = qobject_cast<TransportPlugin *>(loader.instance());
    if (!plugin)
        return {nullptr, loader.errorString()};
    return {plugin, {}};
}

#ifndef Q_OS_WIN
// The folders the loader would search for a library of the program: its run
// path (the build tree's) among them. dlopen of a bare name is not enough,
// as it searches along the run path of whoever calls it, and a sanitizer's
// runtime intercepts the call.
QStringList librarySearchPath()
{
    const auto close = [](void *handle) { dlclose(handle); };
    const std::unique_ptr<void, decltype(close)> handle(dlopen(nullptr, RTLD_NOW), close);
    void *program = handle.get();
    Dl_serinfo size{};
    if (!program || dlinfo(program, RTLD_DI_SERINFOSIZE, &size) != 0)
        return {};
    const std::unique_ptr<Dl_serinfo, decltype(&std::free)> info(
        static_cast<Dl_serinfo *>(std::malloc(size.dls_size)), &std::free);
    if (!info || dlinfo(program, RTLD_DI_SERINFOSIZE, info.get()) != 0
        || dlinfo(program, RTLD_DI_SERINFO, info.get()) != 0)
        return {};
    QStringList folders;
    for (unsigned i = 0; i < info->dls_cnt; ++i)
        folders << QFile::decodeName(info->dls_serpath[i].dls_name);
    return folders;
}
#endif

Loaded load(const QString &programDir)
{
    const QString installed = programDir + QStringLiteral("/" KORVANE_TRANSPORT_FROM_BIN);
    QStringList candidates{installed};
#ifndef Q_OS_WIN
    candidates += librarySearchPath();
#endif
    auto [entry, refused] = TransportModule::search(candidates);
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
    QString refused;
    for (const QString &folder : folders) {
        // A relative folder is wherever the program was started from (an
        // empty run path entry, as CMake's build run path ends with, means
        // the current one); the module's constructor would run before its
        // version is checked. $ORIGIN is already expanded by the loader.
        if (!QDir::isAbsolutePath(folder))
            continue;
        const QString path = folder + QStringLiteral("/" KORVANE_TRANSPORT_FILE);
        if (!QFileInfo::exists(path))
            continue;
        Loaded found = open(path);
        if (found.entry)
            return {found.entry, {}};
        if (refused.isEmpty())
            refused = std::move(found.error);
    }
    return {nullptr, refused};
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
