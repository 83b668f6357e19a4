#pragma once

// Milliseconds since this process was launched. The script passes the launch
// instant in KORVANE_BENCH_LAUNCH_NS (CLOCK_REALTIME, ns) because the
// kernel's own start time (/proc/self/stat) only has a 10 ms grain, which is
// too coarse next to a start-up of a few tens of milliseconds. That coarse
// figure is the fallback when the variable is absent.
double millisecondsSinceLaunch();
