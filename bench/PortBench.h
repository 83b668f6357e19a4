#pragma once

#include <QStringList>

// Times sends to a server field with no port typed, the usual ports pointed
// at stand-ins: korvane-bench ports SERVER PLAIN SUBMISSION TLS CAFILE
// USER|- PASSWORD COUNT. Prints one line per send, "send=N ms=T number=E"
// (E 0 for a completed send), from Send() to the outcome signal. Returns the
// exit code: 2 for bad arguments, otherwise 0.
int runPortBench(const QStringList &args);
