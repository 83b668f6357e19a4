#pragma once

// The composer window with a body of megabytes (about 80-character lines),
// typed into at 25 keys a second in the middle of the body for seconds,
// with the recovery copy kept (the settings in $XDG_CONFIG_HOME) or not.
// Prints each key's latency (from when its tick was due to the end of its
// handling, so a loop held up by anything counts) as median, 99th
// percentile and worst, and how many copies were written. Returns the exit
// code.
int runTypingBench(int megabytes, bool recovery, int seconds);
