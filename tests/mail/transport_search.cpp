// Test-only: looks for the transport module as a send does, along this
// process's search path (LD_LIBRARY_PATH, which the test sets; no build run
// path), and says what came of it on standard output: "loaded", or the
// reason a send would give with 1009.
#include "TransportModule.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    const QCoreApplication app(argc, argv);
    const bool loaded = TransportModule::entry() != nullptr;
    std::fputs(loaded ? "loaded" : TransportModule::loadError().toUtf8().constData(), stdout);
    return loaded ? 0 : 1;
}
