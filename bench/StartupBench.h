#pragma once

// Builds the composer window the way the program does, with a component
// whose about dialog returns at once, shows it and quits when it is on
// screen, printing the time since launch and the phases before it: main()
// entered (mainMs, taken by the caller), the application object made, the
// window icon loaded, the window built. Returns the exit code.
int runStartupBench(double mainMs);
