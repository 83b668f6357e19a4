#pragma once

#include <QString>

// The composer window with the real component and the real message boxes,
// its fields filled for a send to server with attachment. Prints "painted"
// once the window is on screen, then waits for a person (bench/window_path.py
// plays one through the X server) to start the send from the keyboard. When
// the outcome box shows it prints the window thread's CPU time from the key
// to the box, the progress reports that reached the window and the repaints
// of the progress pie. Returns the exit code.
int runWindowBench(const QString &server, const QString &attachment);
