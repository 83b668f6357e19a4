#pragma once

#include <QString>

// What a key costs the window's thread in a one-line box holding a long
// text: box is server, recipient, attachments or subject, in the composer
// window with the address checks and the spelling on (Italian dictionary),
// or bare-BOX, the same box made by the layout on a plain window with
// nothing of the program's around it: Qt's own line edit.
// The box holds items items (addresses, paths or words, about 30 characters
// each); keys letters are typed at its end, or in its middle with middle.
// Prints the window thread's CPU time (CLOCK_THREAD_CPUTIME_ID) for the
// keys and everything they left for the event loop (marks, completion,
// paints, the recovery copy's snapshot), in all and per key. Returns the
// exit code.
int runLongBoxBench(const QString &box, int items, int keys, bool middle);
