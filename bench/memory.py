#!/usr/bin/python3
"""Resident memory of a window as a person leaves it: at rest, after typing,
after a send.

memory.py MODE PROGRAM ARGS...

MODE is rest, typing or send; with "about-" in front (about-rest, ...) the
program shows an about box first, which Return closes, as the composer's
start does. Starts PROGRAM on the X display in $DISPLAY, waits for the X
server to map its main window, then
  rest     does nothing;
  typing   presses Tab twice (STMP Server to Oggetto in the composer's tab
           order) and types "ciao ";
  send     presses Alt+I, waits for the outcome box and closes it with Return;
and reads the program's VmRSS from /proc SETTLE_S seconds (8) later. Prints
rss_kib=N and ends the program with SIGTERM. Needs only libX11 and libXtst."""

import os
import signal
import subprocess
import sys
import time

from xsession import MAP_NOTIFY, UNMAP_NOTIFY, press, wait_for, watching_display, x_libraries

MODES = ("rest", "typing", "send")


def resident_kib(pid):
    with open(f"/proc/{pid}/status", encoding="ascii") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise SystemExit("no VmRSS")


def main():
    mode = sys.argv[1].removeprefix("about-") if len(sys.argv) > 2 else ""
    if mode not in MODES:
        sys.exit(__doc__)
    x11, xtst = x_libraries()
    display = watching_display(x11)
    program = subprocess.Popen(sys.argv[2:], stdout=subprocess.DEVNULL)
    try:
        window, _ = wait_for(x11, display, MAP_NOTIFY)
        if sys.argv[1].startswith("about-"):
            time.sleep(0.5)
            press(x11, xtst, display, window, ["Return"])
            wait_for(x11, display, UNMAP_NOTIFY, window)
            window, _ = wait_for(x11, display, MAP_NOTIFY)
        time.sleep(0.5)
        if mode == "typing":
            for key in ["Tab", "Tab", "c", "i", "a", "o", "space"]:
                press(x11, xtst, display, window, [key])
                time.sleep(0.05)
        elif mode == "send":
            press(x11, xtst, display, window, ["Alt_L", "i"])
            box, _ = wait_for(x11, display, MAP_NOTIFY)
            time.sleep(0.5)
            press(x11, xtst, display, box, ["Return"])
            wait_for(x11, display, UNMAP_NOTIFY, box)
        time.sleep(float(os.environ.get("SETTLE_S", "8")))
        if program.poll() is not None:
            sys.exit(f"the program ended with status {program.returncode}")
        print(f"rss_kib={resident_kib(program.pid)}")
    finally:
        program.send_signal(signal.SIGTERM)
        program.wait()


if __name__ == "__main__":
    main()
