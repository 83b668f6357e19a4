#pragma once

// The composer window with a body of megabytes (about 80-character lines),
// typed into at 25 keys a second in the middle of the body for seconds,
// with the recovery copy kept (the settings in $XDG_CONFIG_HOME) or not.
// Prints each key's latency (from when its tick was due to the end of its
// handling, so a loop held up by anything counts) as median, 99th
// percentile and worst, and how many copies were written. Returns the exit
// code.
//
// With spelling 0 or 1 the body is Italian prose, with a misspelled word a
// line, and the keys type words and spaces; a key's latency then runs on to
// the end of what it left for the event loop (the marks, the repaint), and
// spelling 1 checks the text with the Italian dictionary, as the program
// does, from once it has loaded. spelling -1 is the letters alone, as before.
int runTypingBench(int megabytes, bool recovery, int seconds, int spelling = -1);
