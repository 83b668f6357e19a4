#pragma once

// The composer window with a full address file (2,000 entries, every name
// about nameLength characters long and holding the word "Rossi"), typed
// into in the Destinatario box at 25 keys a second for seconds: "rossi",
// then back to "r" with Backspace, again and again, so that every key finds
// all 2,000. The box starts with four finished addresses (one with a domain
// that looks mistyped, one whose domain does not exist), so that with the
// address checks on (checks, as the program calls them) every key checks
// them again. A key's latency runs from when its tick was due to the end of
// what it left for the event loop (the suggestions' list laid out and
// painted, the box's marks). Prints median, 99th percentile and worst, the
// window thread's CPU time for the worst key, and the marks in the box at
// the end. Returns the exit code.
int runAddressBench(int nameLength, int seconds, bool checks);
