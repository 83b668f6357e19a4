// Test-only: looks for the transport module as a send does, along the path
// the test sets, and prints "loaded" or the reason a send gives with 1009.
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
