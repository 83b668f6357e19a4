#pragma once

// Builds the composer window the way the program does, with a component
// whose about dialog returns at once, shows it and quits when it is on
// screen, printing the time since launch. Returns the exit code.
int runStartupBench();
