#!/usr/bin/python3
"""Times a start as a person sees it: the about box first, then the window.

launch_path.py PROGRAM ARGS...

Watches the X display in $DISPLAY from its own connection, starts PROGRAM
and waits for the X server to map its first top-level window (the about
box). After 0.5 s (a person reads the box) it presses Return on it through
XTEST, then waits for the box to be unmapped and for the next top-level
window to be mapped (the main window). Every instant is an X event read on
this script's side; nothing polls the program. Prints

  about_ms=N        launch (just before the fork) to the about box mapped
  closed_ms=N       the box unmapped to the main window mapped
  key_ms=N          Return pressed to the main window mapped

and ends the program with SIGTERM (it then closes as on a session's end).
Needs only libX11 and libXtst (both installed with Xvfb)."""

import signal
import subprocess
import sys
import time

from xsession import MAP_NOTIFY, UNMAP_NOTIFY, press, wait_for, watching_display, x_libraries

READING_S = 0.5


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    x11, xtst = x_libraries()
    display = watching_display(x11)
    launched = time.monotonic()
    program = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL)
    try:
        box, mapped = wait_for(x11, display, MAP_NOTIFY)
        time.sleep(READING_S)
        pressed = press(x11, xtst, display, box, ["Return"])
        _, closed = wait_for(x11, display, UNMAP_NOTIFY, box)
        _, shown = wait_for(x11, display, MAP_NOTIFY)
        print(f"about_ms={(mapped - launched) * 1000:.1f}")
        print(f"closed_ms={(shown - closed) * 1000:.1f}")
        print(f"key_ms={(shown - pressed) * 1000:.1f}")
    finally:
        program.send_signal(signal.SIGTERM)
        program.wait()


if __name__ == "__main__":
    main()
