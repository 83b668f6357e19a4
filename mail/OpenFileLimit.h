#pragma once

// Each attachment stays open from the moment a send starts until it has been
// read, so a message with many files needs as many descriptors. Raises this
// process's soft limit of open files to its hard limit, once at start-up
// (it holds for every thread); returns the soft limit now in force, or -1
// where there is no such limit to read.
long long raiseOpenFileLimit();
