#include "TransportModule.h"

#include "MailTexts.h"
#include "SendTask.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#ifdef Q_OS_WIN
#include <QLibrary>
#else
#include <dlfcn.h>
#endif

namespace {

struct Loaded
{
    const TransportEntry *entry = nullptr;
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

#ifdef Q_OS_WIN
// Windows looks for the module's own libraries (libcurl) beside it and beside
// the program; the path is always a whole one there (see load()).
Loaded open(const QString &path)
{
    QLibrary library(path);
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library.load())
        return {nullptr, library.errorString()};
    const auto function = reinterpret_cast<TransportEntryFunction>(library.resolve(kTransportEntrySymbol));
#else
// dlopen itself, so that the loader's own words say why a load failed.
Loaded open(const QString &path)
{
    // RTLD_LOCAL: nothing of libcurl's leaks into the program's own lookups.
    void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return {nullptr, QString::fromLocal8Bit(dlerror())};
    const auto function = reinterpret_cast<TransportEntryFunction>(dlsym(handle, kTransportEntrySymbol));
#endif
    const TransportEntry *entry = function ? function() : nullptr;
    if (!entry || entry->abiVersion != TransportEntry::kAbiVersion
        || qstrcmp(entry->version, KORVANE_VERSION) != 0)
        return {nullptr, mailText(MailText::TransportOtherVersion).arg(path)};
    return {entry, {}};
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
    for (const QString &folder : std::as_const(candidates)) {
        // A relative folder is wherever the program was started from (an
        // empty run path entry, as CMake's build run path ends with, means
        // the current one); the module's constructor would run before its
        // version is checked. $ORIGIN is already expanded by the loader.
        if (!QDir::isAbsolutePath(folder))
            continue;
        const QString path = folder + QStringLiteral("/" KORVANE_TRANSPORT_FILE);
        if (QFileInfo::exists(path))
            return open(path);
    }
    // Found nowhere: the loader's own words say so, for the place it belongs
    // in. A bare name would have the loader search the run path again.
    return open(installed + QStringLiteral("/" KORVANE_TRANSPORT_FILE));
}

const Loaded &loadedFrom(const QString &programDir)
{
    std::call_once(loadOnce, [&programDir] { loaded() = load(programDir); });
    return loaded();
}

QString programDir() { return QCoreApplication::applicationDirPath(); }

} // namespace

const TransportEntry *TransportModule::entry() { return loadedFrom(programDir()).entry; }

QString TransportModule::loadError() { return loadedFrom(programDir()).error; }

void TransportModule::preload()
{
    static std::once_flag started;
    std::call_once(started, [] {
        try {
            // Detached: a load takes milliseconds, and exit waits for a
            // dlopen in progress under the loader's own lock.
            std::thread([dir = programDir()] { loadedFrom(dir); }).detach();
        } catch (const std::system_error &) {
            // The first send loads it instead.
        }
    });
}
