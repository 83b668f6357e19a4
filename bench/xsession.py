"""What the benches that time windows on the X display share: libX11 and
libXtst through ctypes (both installed with Xvfb), an X connection of the
script's own that hears every top-level window mapped or unmapped, and keys
pressed through XTEST."""

import ctypes
import ctypes.util
import time

UNMAP_NOTIFY = 18
MAP_NOTIFY = 19
REVERT_TO_PARENT = 2
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19


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
    x11.XPending.argtypes = [ctypes.c_void_p]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XStringToKeysym.restype = ctypes.c_ulong
    x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
    x11.XKeysymToKeycode.restype = ctypes.c_ubyte
    x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]
    xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
    return x11, xtst


def watching_display(x11):
    """A connection to $DISPLAY that hears the root window's children mapped
    and unmapped; exits the script when there is no display."""
    display = x11.XOpenDisplay(None)
    if not display:
        raise SystemExit("cannot open the display")
    x11.XSelectInput(display, x11.XDefaultRootWindow(display), SUBSTRUCTURE_NOTIFY_MASK)
    x11.XSync(display, 0)
    return display


def wait_for(x11, display, kind, window=None):
    """Blocks on the X connection until a window (that one, if given) is
    mapped or unmapped; returns the window and the instant."""
    event = XEvent()
    while True:
        x11.XNextEvent(display, ctypes.byref(event))
        if event.type == kind and (window is None or event.pad[5] == window):
            return event.pad[5], time.monotonic()


def press(x11, xtst, display, window, keysyms):
    """Gives window the keyboard (without a window manager nobody does; a
    click would) and presses the keys together; returns the instant."""
    if window:
        x11.XSetInputFocus(display, window, REVERT_TO_PARENT, 0)
        x11.XSync(display, 0)
    codes = [x11.XKeysymToKeycode(display, x11.XStringToKeysym(k.encode())) for k in keysyms]
    pressed = time.monotonic()
    for code in codes:
        xtst.XTestFakeKeyEvent(display, code, 1, 0)
    for code in reversed(codes):
        xtst.XTestFakeKeyEvent(display, code, 0, 0)
    x11.XSync(display, 0)
    return pressed
