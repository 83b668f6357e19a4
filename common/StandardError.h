#pragma once

#include <QByteArrayView>

// Standard error for --verbose: the program's echo of each send. Whoever
// reads it may go away (`korvane-client --verbose 2>&1 | head`); the echo
// then stops, quietly, and the program goes on with its send.
namespace StandardError {

// Called first thing in main(), before any thread starts. A write to a pipe
// nobody reads must fail rather than end the program: SIGPIPE is ignored (the
// program starts no child processes, so nothing inherits that). A standard
// descriptor the program was started without gets /dev/null, or the next
// file opened would take its number and receive what is meant for stderr.
void setUpProcess();

// Writes line and a line break as one unit, from any thread. After a write
// failed for good (the reader gone, the descriptor closed), nothing more.
void echoLine(QByteArrayView line);

} // namespace StandardError
