#pragma once

#include <QByteArrayView>

#include <chrono>

// Standard error for --verbose: the program's echo of each send. Whoever
// reads it may go away (`korvane-client --verbose 2>&1 | head`) or stop
// reading (`| less`, left on its first page); the echo then stops or waits,
// and neither the window nor a send ever waits with it.
namespace StandardError {

// Called first thing in main(), before any thread starts. A write to a pipe
// nobody reads must fail rather than end the program: SIGPIPE is ignored (the
// program starts no child processes, so nothing inherits that). A standard
// descriptor the program was started without gets /dev/null, or the next
// file opened would take its number and receive what is meant for stderr.
void setUpProcess();

// Queues line and a line break as one unit, from any thread, and returns at
// once: a thread of the echo's own writes them in order. While the reader
// lags far behind, new lines are counted instead of queued, and a line says
// how many went. After a write failed for good (the reader gone, the
// descriptor closed), nothing more.
void echoLine(QByteArrayView line);

// Waits until every line queued so far is written (or the echo stopped),
// for at most bound; false when that did not happen in time.
bool drain(std::chrono::milliseconds bound);

// Held by main() for its whole run: at the end, the lines still queued are
// written, waiting for that a short while at most.
class DrainAtExit
{
public:
    DrainAtExit() = default;
    ~DrainAtExit();
    DrainAtExit(const DrainAtExit &) = delete;
    DrainAtExit &operator=(const DrainAtExit &) = delete;
};

} // namespace StandardError
