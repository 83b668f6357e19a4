#pragma once

#include <QByteArrayView>

// Standard error for --verbose: the program's echo of each send. Whoever
// reads it may go away (`korvane-client --verbose 2>&1 | head`); the echo
// then stops, quietly, and the program goes on with its send.
namespace StandardError {

// A write to a pipe nobody reads must fail rather than end the program:
// called first thing in main(), before any thread starts. The program starts
// no child processes, so nothing inherits the setting.
void ignoreBrokenPipe();

// Writes line and a line break as one unit, from any thread. After a write
// failed for good (the reader gone, the descriptor closed), nothing more.
void echoLine(QByteArrayView line);

} // namespace StandardError
