#!/usr/bin/python3
"""Times a send through the composer window the way a person sees it.

window_path.py KEY PROGRAM ARGS...

Starts PROGRAM (korvane-bench window SERVER FILE) on the X display in
$DISPLAY, waits until it prints "painted", then presses KEY (alt+i or
ctrl+return) through the XTEST extension and waits for the X server to map
the next top-level window: the outcome box. Both ends are X events on the
server's side, read from this script's own connection: nothing polls the
window. Prints key_to_box_ms=N and then the program's own report, and ends
the program. Needs only libX11 and libXtst (both installed with Xvfb)."""

import ctypes
import signal
import subprocess
import sys
import time

from xsession import MAP_NOTIFY, XEvent, press, wait_for, watching_display, x_libraries

KEYS = {"alt+i": ("Alt_L", "i"), "ctrl+return": ("Control_L", "Return")}


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in KEYS:
        sys.exit(__doc__)
    x11, xtst = x_libraries()
    display = watching_display(x11)
    program = subprocess.Popen(sys.argv[2:], stdout=subprocess.PIPE, text=True)
    try:
        for line in program.stdout:
            if line.strip() == "painted":
                break
        else:
            sys.exit("the program ended before its window was painted")
        # A person takes a moment before the key; the window settles meanwhile.
        time.sleep(0.5)
        # The main window: the last one mapped so far.
        window = 0
        event = XEvent()
        while x11.XPending(display):
            x11.XNextEvent(display, ctypes.byref(event))
            if event.type == MAP_NOTIFY:
                window = event.pad[5]
        start = press(x11, xtst, display, window, KEYS[sys.argv[1]])
        wait_for(x11, display, MAP_NOTIFY)
        elapsed = (time.monotonic() - start) * 1000
        print(f"key_to_box_ms={elapsed:.1f}")
        for line in program.stdout:
            print(line.strip())
            if "window_cpu_ms=" in line:
                break
    finally:
        program.send_signal(signal.SIGTERM)
        program.wait()


if __name__ == "__main__":
    main()
