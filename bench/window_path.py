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
import ctypes.util
import os
import signal
import subprocess
import sys
import time

MAP_NOTIFY = 19
REVERT_TO_PARENT = 2
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
KEYS = {"alt+i": ("Alt_L", "i"), "ctrl+return": ("Control_L", "Return")}


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("pad", ctypes.c_long * 24)]


def x_libraries():
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
    x11.XPending.argtypes = [ctypes.c_void_p]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XStringToKeysym.restype = ctypes.c_ulong
    x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
    x11.XKeysymToKeycode.restype = ctypes.c_ubyte
    x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]
    xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
    return x11, xtst


def next_map(x11, display):
    """Blocks on the X connection until a window is mapped."""
    event = XEvent()
    while True:
        x11.XNextEvent(display, ctypes.byref(event))
        if event.type == MAP_NOTIFY:
            return


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in KEYS:
        sys.exit(__doc__)
    x11, xtst = x_libraries()
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open the display")
    x11.XSelectInput(display, x11.XDefaultRootWindow(display), SUBSTRUCTURE_NOTIFY_MASK)
    x11.XSync(display, 0)
    program = subprocess.Popen(sys.argv[2:], stdout=subprocess.PIPE, text=True)
    try:
        for line in program.stdout:
            if line.strip() == "painted":
                break
        else:
            sys.exit("the program ended before its window was painted")
        # A person takes a moment before the key; the window settles meanwhile.
        time.sleep(0.5)
        # Without a window manager nobody gives the window the keyboard: the
        # script does, as a click on it would.
        window = 0
        event = XEvent()
        while x11.XPending(display):
            x11.XNextEvent(display, ctypes.byref(event))
            if event.type == MAP_NOTIFY:
                window = event.pad[5]
        if window:
            x11.XSetInputFocus(display, window, REVERT_TO_PARENT, 0)
            x11.XSync(display, 0)
        codes = [x11.XKeysymToKeycode(display, x11.XStringToKeysym(k.encode())) for k in KEYS[sys.argv[1]]]
        start = time.monotonic()
        for code in codes:
            xtst.XTestFakeKeyEvent(display, code, 1, 0)
        for code in reversed(codes):
            xtst.XTestFakeKeyEvent(display, code, 0, 0)
        x11.XSync(display, 0)
        next_map(x11, display)
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
