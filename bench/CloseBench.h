#pragma once

class QString;

// The composer window as the program builds it, with dialogs that never
// wait for a person: sends a short message to server, and closes when stdin
// gives a line or ends. bench/hang_bench.py times how long the process then
// takes to exit. Returns the exit code.
int runCloseBench(const QString &server);
