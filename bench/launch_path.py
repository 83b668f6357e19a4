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

import ctypes
import ctypes.util
import signal
import subprocess
import sys
import time

UNMAP_NOTIFY = 18
MAP_NOTIFY = 19
REVERT_TO_PARENT = 2
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
READING_S = 0.5


class XEvent(ctypes.Union):
    # Map and unmap events: type, serial, send_event, display, event, window.
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
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XStringToKeysym.restype = ctypes.c_ulong
    x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
    x11.XKeysymToKeycode.restype = ctypes.c_ubyte
    x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]
    xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
    return x11, xtst


def wait_for(x11, display, kind, window=None):
    """Blocks on the X connection until a window (that one, if given) is
    mapped or unmapped; returns the window and the instant."""
    event = XEvent()
    while True:
        x11.XNextEvent(display, ctypes.byref(event))
        if event.type == kind and (window is None or event.pad[5] == window):
            return event.pad[5], time.monotonic()


def press_return(x11, xtst, display, window):
    # Without a window manager nobody gives the box the keyboard: the script
    # does, as a click on it would.
    x11.XSetInputFocus(display, window, REVERT_TO_PARENT, 0)
    code = x11.XKeysymToKeycode(display, x11.XStringToKeysym(b"Return"))
    xtst.XTestFakeKeyEvent(display, code, 1, 0)
    xtst.XTestFakeKeyEvent(display, code, 0, 0)
    x11.XSync(display, 0)
    return time.monotonic()


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    x11, xtst = x_libraries()
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open the display")
    x11.XSelectInput(display, x11.XDefaultRootWindow(display), SUBSTRUCTURE_NOTIFY_MASK)
    x11.XSync(display, 0)
    launched = time.monotonic()
    program = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL)
    try:
        box, mapped = wait_for(x11, display, MAP_NOTIFY)
        time.sleep(READING_S)
        pressed = press_return(x11, xtst, display, box)
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
