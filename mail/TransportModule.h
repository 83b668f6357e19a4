#pragma once

#include <QString>

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

// Loads the module on a thread of its own and returns at once, so that the
// first send finds it ready. Window thread only; later calls do nothing.
void preload();

} // namespace TransportModule
