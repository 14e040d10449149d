#!/usr/bin/python3
"""Reads the Quennit window through the accessibility bus (AT-SPI), and asks
it what a window manager's title bar would (X11 client messages).

  e2e_atspi.py wait-label TEXT SECONDS   wait until a label shows TEXT
  e2e_atspi.py rows SECONDS              print the row count of the result list
                                         (found by its name, 検索結果)
  e2e_atspi.py wait-rows N SECONDS       wait until the result list has N rows or more
  e2e_atspi.py wait-enabled NAME SECONDS wait until the push button NAME can be pressed
  e2e_atspi.py close WINDOW              the close button: WM_DELETE_WINDOW
  e2e_atspi.py maximize WINDOW           the maximize button (needs a window manager)

Runs with the system's Python, which has the GObject bindings.
"""
import ctypes
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def window():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name() == "Quennit":
            return app
    return None


def walk(node):
    yield node
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from walk(child)


def find(role, name=None):
    app = window()
    if app is None:
        return None
    for node in walk(app):
        if node.get_role_name() == role and (name is None or node.get_name() == name):
            return node
    return None


def until(seconds, probe):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            found = probe()
        except gi.repository.GLib.Error:
            found = None
        if found is not None:
            return found
        time.sleep(0.2)
    return None


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def send_client_message(window, to_root, message_type, *data):
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(XEvent)]
    x11.XFlush.argtypes = x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        return 1
    atom = lambda name: x11.XInternAtom(display, name.encode(), 0)  # noqa: E731
    event = XEvent()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = atom(message_type)
    event.xclient.format = 32
    for i, value in enumerate(data):
        event.xclient.data[i] = atom(value) if isinstance(value, str) else value
    # To the root window as a request to the window manager, else to the window.
    target, mask = (x11.XDefaultRootWindow(display), (1 << 19) | (1 << 20)) if to_root else (window, 0)
    x11.XSendEvent(display, target, 0, mask, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)
    return 0


def main(argv):
    if len(argv) == 3 and argv[1] == "close":
        return send_client_message(int(argv[2], 0), False, "WM_PROTOCOLS", "WM_DELETE_WINDOW", 0)
    if len(argv) == 3 and argv[1] == "maximize":
        return send_client_message(int(argv[2], 0), True, "_NET_WM_STATE", 1,
                                   "_NET_WM_STATE_MAXIMIZED_VERT",
                                   "_NET_WM_STATE_MAXIMIZED_HORZ", 1)
    if len(argv) == 4 and argv[1] == "wait-label":
        label = until(float(argv[3]), lambda: find("label", argv[2]))
        return 0 if label is not None else 1
    if len(argv) == 4 and argv[1] == "wait-rows":
        def enough():
            tree = find("tree", "検索結果")
            return tree if tree is not None and Atspi.Table.get_n_rows(tree) >= int(argv[2]) else None
        return 0 if until(float(argv[3]), enough) is not None else 1
    if len(argv) == 4 and argv[1] == "wait-enabled":
        def enabled():
            button = find("push button", argv[2])
            states = button.get_state_set() if button is not None else None
            return button if states is not None and states.contains(Atspi.StateType.ENABLED) else None
        return 0 if until(float(argv[3]), enabled) is not None else 1
    if len(argv) == 3 and argv[1] == "rows":
        tree = until(float(argv[2]), lambda: find("tree", "検索結果"))
        if tree is None:
            return 1
        print(Atspi.Table.get_n_rows(tree))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
