#!/usr/bin/env python3
"""Clicks at X Y on the X display and prints the milliseconds until the next
managed top-level window is mapped (a message box, a dialog). Talks to Xlib
and XTest directly: starting a tool per poll would blur the figure by more
than it measures."""
import ctypes
import sys
import time

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


def main():
    x, y = int(sys.argv[1]), int(sys.argv[2])
    timeout = float(sys.argv[3]) if len(sys.argv) > 3 else 10.0
    xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
    xtest = ctypes.cdll.LoadLibrary("libXtst.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    for function in (xlib.XSelectInput, xlib.XSync, xlib.XFlush, xlib.XPending, xlib.XNextEvent,
                     xlib.XConnectionNumber, xtest.XTestFakeMotionEvent, xtest.XTestFakeButtonEvent):
        function.argtypes = None
    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("no display")
    display = ctypes.c_void_p(display)
    root = xlib.XDefaultRootWindow(display)
    xlib.XSelectInput(display, ctypes.c_ulong(root), ctypes.c_long(SUBSTRUCTURE_NOTIFY_MASK))
    xtest.XTestFakeMotionEvent(display, -1, x, y, ctypes.c_ulong(0))
    xlib.XSync(display, 0)
    time.sleep(0.05)
    event = (ctypes.c_long * 24)()
    while xlib.XPending(display):
        xlib.XNextEvent(display, event)

    start = time.monotonic()
    xtest.XTestFakeButtonEvent(display, 1, 1, ctypes.c_ulong(0))
    xtest.XTestFakeButtonEvent(display, 1, 0, ctypes.c_ulong(0))
    xlib.XFlush(display)
    while time.monotonic() - start < timeout:
        if not xlib.XPending(display):
            time.sleep(0.001)
            continue
        xlib.XNextEvent(display, event)
        mapped = XMapEvent.from_buffer(event)
        # Tooltips and menus are override-redirect; a question box is not.
        if mapped.type == MAP_NOTIFY and not mapped.override_redirect:
            print(round((time.monotonic() - start) * 1000))
            return
    sys.exit("no window appeared")


main()
