#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

class QObject;
class TransportPlugin;

// The korvane-smtp module (the transport: libcurl, OpenSSL and Qt Network
// with it), loaded once per process and never unloaded. It is looked for
// where the program installs it, relative to the executable, then in the
// folders the loader searches for the program's libraries: its run path,
// which the build tree sets, among them. Never in a relative folder: that is
// wherever the program happens to be started.
namespace TransportModule {

// The module's plugin object, loaded now if no one has yet (a caller that comes
// while a load runs waits for it); nullptr when it cannot be loaded, with
// the reason in loadError(). Window thread only.
TransportPlugin *entry();
QString loadError();

// Looks for the module in these folders, in order, and loads the first that
// is this build's: one refused (of another build, no module at all) does not
// end the search. Without one, the first refusal's reason, or an empty one
// when no folder holds the file. Relative folders are passed over. entry()
// searches this way; this is the search alone, cached nowhere.
std::pair<TransportPlugin *, QString> search(const QStringList &folders);

// Loads the module on a thread of its own and returns at once, so that the
// first send finds it ready. Window thread only; later calls do nothing. The
// application's end waits for that load if it is still running.
void preload();
// The load has ended, the module there or not: entry() answers at once.
bool loaded();
// Runs then on receiver's thread, queued, once the load has ended (not at
// all once receiver has gone); preloads first. Window thread only.
void whenLoaded(QObject *receiver, std::function<void()> then);

} // namespace TransportModule
